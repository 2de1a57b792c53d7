// The text a spreadsheet puts on the clipboard, read as pasted amounts.

#include "DomainEnv.h"
#include "TestRegistry.h"

#include "domain/InstructionAmounts.h"

using namespace Qt::StringLiterals;

class TestPastedAmounts : public QObject {
    Q_OBJECT
private slots:
    void readPasted_data()
    {
        QTest::addColumn<QString>("text");
        // line|account|name|amount of every line, or the failure's message.
        QTest::addColumn<QString>("read");
        QTest::newRow("one column, CR LF, separators, empty rows at the end")
            << u"1,234.5\r\n20\r\n\r\n\r\n"_s << u"1|||1234.50;2|||20.00"_s;
        QTest::newRow("two columns, lone CR, blanks") << u" 6228480011112222 \t 12.5 \r6228480033334444\t.5"_s
                                                      << u"1|6228480011112222||12.50;2|6228480033334444||0.50"_s;
        QTest::newRow("three columns, LF, the upload file's #")
            << u"#6228480011112222\t张三\t#100\n"_s << u"1|6228480011112222|张三|100.00"_s;
        QTest::newRow("a header row") << u"账号\t金额\r\n6228480011112222\t1\r\n"_s
                                      << u"第 1 行：金额格式错误（金额）"_s;
        QTest::newRow("an empty row between") << u"1\n\n2\n"_s << u"第 2 行：请输入金额"_s;
        QTest::newRow("zero") << u"1\r\n0.00\r\n"_s << u"第 2 行：金额必须大于零元（0.00）"_s;
        QTest::newRow("a negative amount") << u"-5"_s << u"第 1 行：金额格式错误（-5）"_s;
        QTest::newRow("exactly 1E11") << u"100000000000.00"_s << u"1|||100000000000.00"_s;
        QTest::newRow("a row with another number of cells")
            << u"6228480011112222\t1\n6228480033334444\t李四\t2\n"_s << u"第 2 行：有 3 列，与第 1 行的 2 列不同"_s;
        QTest::newRow("an account missing") << u"\t1\n"_s << u"第 1 行：没有账号"_s;
        QTest::newRow("four columns")
            << u"a\tb\tc\t1"_s << u"粘贴的内容有 4 列。请复制一列金额，或账号、金额两列，或账号、户名、金额三列"_s;
        QTest::newRow("nothing") << u"\r\n"_s << u"剪贴板中没有可粘贴的金额"_s;
    }
    void readPasted()
    {
        QFETCH(QString, text);
        QFETCH(QString, read);
        DomainEnv env;
        const auto block = InstructionAmounts::readPasted(text, FieldId::SubSalaryFile_Sum, env.ctx().fieldRules);
        QString got;
        if (!block) {
            got = block.message();
        } else {
            QStringList lines;
            for (const auto& line : block->lines)
                lines << u"%1|%2|%3|%4"_s.arg(line.line).arg(line.account, line.name, line.amount.toPlainText());
            got = lines.join(u';');
        }
        QCOMPARE(got, read);
    }
};

QELVORA_TEST(TestPastedAmounts)
#include "tst_pastedamounts.moc"
