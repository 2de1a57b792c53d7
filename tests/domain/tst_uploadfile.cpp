#include "TestFiles.h"
#include "TestRegistry.h"

#include "domain/payment/PaymentUploadFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using PaymentUploadFile::Instruction;

namespace {
Instruction otherBank()
{
    return { u"6228480012345678"_s, u"某某贸易有限公司"_s, u"1"_s, u"955880100200300"_s, u"张三"_s, u"123"_s, u"50"_s,
        u"货款"_s };
}

Instruction inBank()
{
    return { u"6228480012345678"_s, u"某某贸易有限公司"_s, u"0"_s, u"6228480099990000"_s, u"李四"_s, QString(),
        u"70.5"_s, u"工资"_s };
}

// The three instructions of the reference file, together 150 yuan.
std::vector<Instruction> referenceBatch()
{
    Instruction third { u"6228480012345678"_s, u"某某贸易有限公司"_s, u"1"_s, u"6217000011112222"_s, u"王五"_s,
        u"313100000013"_s, u"29.5"_s, u"差旅费 "_s };
    return { otherBank(), inBank(), third };
}

Money yuan(const QString& text)
{
    return *Money::parse(text);
}

QStringList entriesOf(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}
}

class TestUploadFile : public QObject {
    Q_OBJECT
private slots:
    void headerAndInstructionLines()
    {
        const auto built = PaymentUploadFile::buildLines(2, yuan(u"120.5"_s), { otherBank(), inBank() });
        QVERIFY(built.ok());
        QCOMPARE(built.value(),
            QStringList(
                { u"2,120.50"_s, u"1,#6228480012345678,某某贸易有限公司,1,#955880100200300,张三,#123,#50.00,货款"_s,
                    u"2,#6228480012345678,某某贸易有限公司,0,#6228480099990000,李四,,#70.50,工资"_s }));
    }

    void amountField_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("field");
        QTest::newRow("1234.5") << u"1234.5"_s << u"1234.50"_s;
        QTest::newRow("whole") << u"1500"_s << u"1500.00"_s;
        QTest::newRow("cents") << u"0.07"_s << u"0.07"_s;
        QTest::newRow("largest single amount") << u"100000000000"_s << u"100000000000.00"_s;
        QTest::newRow("surrounding blanks") << u" 12.3 "_s << u"12.30"_s;
    }
    void amountField()
    {
        QFETCH(QString, stored);
        QFETCH(QString, field);
        QCOMPARE(PaymentUploadFile::amountField(stored), field);
        Instruction i = otherBank();
        i.payAmt = stored;
        const auto built = PaymentUploadFile::buildLines(1, yuan(field), { i });
        QVERIFY(built.ok());
        QVERIFY(built.value().at(1).endsWith(u",#"_s + field + u",货款"_s));
    }

    void textFieldsAreWrittenAsStored()
    {
        Instruction i = inBank();
        i.recAccName = u" 李四 "_s;
        i.remark = u"  "_s;
        const auto built = PaymentUploadFile::buildLines(1, yuan(u"70.5"_s), { i });
        QVERIFY(built.ok());
        QCOMPARE(built.value().at(1), u"1,#6228480012345678,某某贸易有限公司,0,#6228480099990000, 李四 ,,#70.50,  "_s);
    }

    void separatorInATextFieldIsRefused_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("comma in remark")
            << 8 << u"货款,第二期"_s << u"第2条指令的“备注”中含有逗号“,”，会使上传文件的各栏错位，批量支付文件未生成"_s;
        QTest::newRow("LF in payee name")
            << 5 << u"李\n四"_s
            << u"第2条指令的“收款账户户名”中含有换行符，会使上传文件的各栏错位，批量支付文件未生成"_s;
        QTest::newRow("CR in payer name")
            << 2 << u"某某\r公司"_s
            << u"第2条指令的“付款账户户名”中含有换行符，会使上传文件的各栏错位，批量支付文件未生成"_s;
        QTest::newRow("comma in payee account")
            << 4 << u"6228,4800"_s
            << u"第2条指令的“收款账号”中含有逗号“,”，会使上传文件的各栏错位，批量支付文件未生成"_s;
        QTest::newRow("comma in bank number")
            << 6 << u"12,3"_s
            << u"第2条指令的“支付系统行号”中含有逗号“,”，会使上传文件的各栏错位，批量支付文件未生成"_s;
    }
    void separatorInATextFieldIsRefused()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        std::vector<Instruction> batch = referenceBatch();
        Instruction& second = batch.at(1);
        QString* target[] = { nullptr, nullptr, &second.payAccName, nullptr, &second.recAccNo, &second.recAccName,
            &second.recNetNo, nullptr, &second.remark };
        *target[field] = text;

        const auto built = PaymentUploadFile::buildLines(3, yuan(u"150"_s), batch);
        QVERIFY(!built.ok());
        QCOMPARE(built.message(), message);

        QTemporaryDir dir;
        const QString path = dir.filePath(u"out.csv"_s);
        const auto written = PaymentUploadFile::write(path, 3, yuan(u"150"_s), batch);
        QVERIFY(!written.ok());
        QCOMPARE(written.message(), message);
        QVERIFY(entriesOf(dir.path()).isEmpty());
    }

    void writesTheReferenceBytes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"batch.csv"_s);
        const auto written = PaymentUploadFile::write(path, 3, yuan(u"150"_s), referenceBatch());
        QVERIFY(written.ok());
        const QByteArray bytes = readBytes(path);
        QCOMPARE(bytes, readBytes(QStringLiteral(QELVORA_TEST_DATA "/payment/upload_reference.csv")));
        // Every line, the last one included, ends with CR LF, and no LF stands alone.
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count("\r\n"), 4);
        QCOMPARE(bytes.count('\n'), 4);
        QCOMPARE(entriesOf(dir.path()), QStringList({ u"batch.csv"_s }));
    }

    void characterOutsideGbkIsRefused_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("emoji in remark")
            << 8 << u"货款😀"_s << u"第3条指令的“备注”中含有字符“😀”，无法用GBK编码写入上传文件，批量支付文件未生成"_s;
        QTest::newRow("Korean in payee name")
            << 5 << u"김철수"_s
            << u"第3条指令的“收款账户户名”中含有字符“김”，无法用GBK编码写入上传文件，批量支付文件未生成"_s;
        QTest::newRow("rare ideograph in payer name")
            << 2 << u"𠀀记公司"_s
            << u"第3条指令的“付款账户户名”中含有字符“𠀀”，无法用GBK编码写入上传文件，批量支付文件未生成"_s;
    }
    void characterOutsideGbkIsRefused()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        std::vector<Instruction> batch = referenceBatch();
        Instruction& third = batch.at(2);
        QString* target[] = { nullptr, nullptr, &third.payAccName, nullptr, nullptr, &third.recAccName, nullptr,
            nullptr, &third.remark };
        *target[field] = text;

        // An earlier file of the same name stays as it was.
        QTemporaryDir dir;
        const QString path = dir.filePath(u"batch.csv"_s);
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier\r\n");
        }
        const auto written = PaymentUploadFile::write(path, 3, yuan(u"150"_s), batch);
        QVERIFY(!written.ok());
        QCOMPARE(written.message(), message);
        QCOMPARE(readBytes(path), QByteArray("earlier\r\n"));
        QCOMPARE(entriesOf(dir.path()), QStringList({ u"batch.csv"_s }));
    }

    void unwritableTargetIsAFileError()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"no such folder/batch.csv"_s);
        const auto written = PaymentUploadFile::write(path, 3, yuan(u"150"_s), referenceBatch());
        QVERIFY(!written.ok());
        QCOMPARE(written.message(), u"文件读写错误，批量支付文件生成失败"_s);
        QVERIFY(!QFile::exists(path));
    }
};

QELVORA_TEST(TestUploadFile)
#include "tst_uploadfile.moc"
