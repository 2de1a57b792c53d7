#include "PaymentFiles.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "app/ListGrid.h"
#include "app/frmMain.h"
#include "common/GbkCodec.h"
#include "common/Money.h"
#include "domain/payment/PaymentImport.h"

using namespace Qt::StringLiterals;
using namespace paymentfiles;

namespace {
const QString kNothing = u"\n原有数据保持不变，本次没有导入任何记录。"_s;
const QString kPayer = u"6228480012345678"_s;

QStringList rows(TestEnv& env, const QString& sql)
{
    QStringList out;
    const auto rs = env.db().Query(sql);
    for (int r = 0; rs && r < rs->recordCount(); ++r) {
        QStringList fields;
        for (int c = 0; c < rs->columnCount(); ++c)
            fields << fieldToText(rs->value(r, c));
        out << fields.join(u'|');
    }
    return out;
}

const QString kAllPayments = u"select pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,rec_bank_id,"
                             u"rec_area_no,rec_net_no,pay_amt,remark from payment order by serial_no"_s;

void oldBatch(TestEnv& env)
{
    env.exec(u"insert into pay_acc (acc_no,acc_name) values (?,'某某贸易有限公司')"_s, { kPayer });
    env.exec(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
             u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values "
             u"('2024010112000000000001',?,'某某贸易有限公司','1','955880001','李四','','020','313',12.5,'旧','')"_s,
        { kPayer });
    env.window().resetPaymentB2B();
}

// Everything an import may touch, as text.
QString storeDump(TestEnv& env)
{
    return QStringList { rows(env, kAllPayments).join(u'\n'),
        rows(env, u"select acc_no,acc_name,currency from pay_acc order by rowid"_s).join(u'\n'),
        rows(env, u"select * from laborage order by rowid"_s).join(u'\n'),
        rows(env, u"select * from person_payee_acc order by rowid"_s).join(u'\n') }
        .join(u"\n--\n"_s);
}

// The store after a whole import of `payments` over oldBatch(): only payment differs.
QString storeWith(TestEnv& env, const QStringList& payments)
{
    QStringList parts = storeDump(env).split(u"\n--\n"_s);
    parts[0] = payments.join(u'\n');
    return parts.join(u"\n--\n"_s);
}

enum class Replace { NotAsked, Ok, Cancel };

// Runs the tab's import of `bytes` saved as `name`, answering the question
// before the old batch is replaced.
void import(TestEnv& env, const QString& name, const QByteArray& bytes, Replace replace = Replace::NotAsked)
{
    const QString path = env.path(name);
    writeAll(path, bytes);
    env.prompt.answerFile(path);
    if (replace == Replace::Ok)
        env.prompt.answerOk();
    else if (replace == Replace::Cancel)
        env.prompt.answerCancel();
    env.click(u"PaymentB2B_cmdLoadB2BFileBut"_s);
}
} // namespace

class TestPaymentImport : public QObject {
    Q_OBJECT
private slots:
    // The upload file the tab writes, imported back, gives the same batch.
    void roundTrip()
    {
        TestEnv env;
        oldBatch(env);
        env.exec(
            u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
            u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values "
            u"('2024010112000000000002',?,'某某贸易有限公司','0','62220001','张 三','0101','','',100000000000,'工资','')"_s,
            { kPayer });
        env.window().resetPaymentB2B();
        const QString before
            = rows(env, kAllPayments).join(u'\n').replace(u"0101"_s, QString()).replace(u"|020|"_s, u"||"_s);
        const QString file = env.path(u"batch.csv"_s);
        env.prompt.answerFile(file);
        env.click(u"PaymentB2B_cmdWriteB2BFileBut"_s);
        env.prompt.answerFile(file);
        env.prompt.answerOk();
        env.click(u"PaymentB2B_cmdLoadB2BFileBut"_s);
        QCOMPARE(env.prompt.messages(),
            QStringList({ u"批量支付文件*.csv生成完毕\n文件："_s + QDir::toNativeSeparators(file),
                u"导入批量付款文件完毕"_s }));
        QCOMPARE(rows(env, kAllPayments).join(u'\n'), before);
        QCOMPARE(env.scalar(u"select count(*) from pay_acc"_s).toInt(), 1);
        QVERIFY(env.scalar(u"select min(serial_no) from payment"_s).toString() > u"2024010112000000000002"_s);
        QCOMPARE(env.window().statusPanelText(2), u"2"_s);
    }

    // A stop anywhere leaves payment and pay_acc exactly as they were.
    void stopKeepsTheOldBatch_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        const QString newPayer = u"1,#7777,新付款人,0,#6222,张三,,#5.00,货款"_s;
        QTest::newRow("bad csv line") << u"b.csv"_s << csv({ newPayer, kGoodLine, u"3,#1,a,0,#2,b,,#-1,c"_s })
                                      << u"第3条记录中的金额格式错误，文件导入被中止"_s;
        QTest::newRow("payer name differs")
            << u"b.csv"_s << csv({ newPayer, u"2,#6228480012345678,别的名字,0,#6222,张三,,#5.00,货款"_s })
            << u"第2条记录中的付款账户信息与已保存的付款账户信息不符，文件导入被中止"_s;
        QTest::newRow("bad xml record") << u"b.PLZ"_s
                                        << xml({ record(u"payAccNo=\"7777\""_s), record(u"money=\"-1\""_s) })
                                        << u"第2条记录中的金额格式错误，文件导入被中止"_s;
    }
    void stopKeepsTheOldBatch()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        TestEnv env;
        oldBatch(env);
        const QStringList payments = rows(env, kAllPayments);
        import(env, name, file, Replace::Ok);
        QCOMPARE(env.prompt.messages(), QStringList { message + kNothing });
        QCOMPARE(rows(env, kAllPayments), payments);
        QCOMPARE(rows(env, u"select acc_no,acc_name from pay_acc"_s), QStringList { kPayer + u"|某某贸易有限公司"_s });
        QVERIFY(!env.db().inTransaction());
    }

    void storeRefusalKeepsTheOldBatch()
    {
        TestEnv env;
        oldBatch(env);
        env.exec(u"create trigger refuse before insert on payment begin select raise(abort,'refused'); end"_s);
        import(env, u"a.csv"_s, csv({ kGoodLine }), Replace::Ok);
        QCOMPARE(env.prompt.messages(), QStringList { u"添加第1条记录中时发生错误，文件导入被中止"_s + kNothing });
        QCOMPARE(env.scalar(u"select count(*) from payment"_s).toInt(), 1);
    }

    void xmlWithSeveralPayers()
    {
        TestEnv env;
        oldBatch(env);
        import(env, u"a.xml"_s, xml({ record(u"payAccNo=\"7777\" payAccNme=\"新付款人\""_s), record() }), Replace::Ok);
        QCOMPARE(env.prompt.messages(), QStringList { u"导入批量付款文件完毕"_s });
        QCOMPARE(env.scalar(u"select count(*) from pay_acc"_s).toInt(), 2);
        QCOMPARE(env.ctx().batchPayAccNo, u"7777"_s);
        QCOMPARE(rows(env, u"select rec_acc_type,rec_acc_no,rec_area_no,rec_net_no,pay_amt from payment"_s),
            QStringList(2, u"1|955880001|020|313100000013|1234.5"_s));
    }

    void refusedBeforeAnythingIsAsked_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("no records") << u"a.xml"_s << gbk(u"<root><RecordList/></root>"_s)
                                    << QStringList { u"文件内容不正确，请检查后重新输入。"_s };
        QTest::newRow("not XML") << u"a.xml"_s << QByteArray("<root>")
                                 << QStringList {
                                        u"文件“a.xml”无法读取：第1行：Premature end of data in tag root line 1"_s
                                    };
        QTest::newRow("other extension") << u"data.txt"_s << csv({ kGoodLine })
                                         << QStringList {
                                                u"抱歉，系统目前不支持该格式文件，请选择csv、plz或xml格式文件进行操作"_s
                                            };
    }
    void refusedBeforeAnythingIsAsked()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, messages);
        TestEnv env;
        oldBatch(env);
        import(env, name, file);
        QCOMPARE(env.prompt.messages(), messages);
        QCOMPARE(env.scalar(u"select count(*) from payment"_s).toInt(), 1);
    }

    // Hostile upload files through the tab's import: the exact message, and
    // the store as it was unless the whole file was imported.
    void hostileCsvFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("asked"); // the question before the old batch is replaced
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("imported"); // the batch after a whole import

        const QString l1 = u"1,#6228480012345678,某某贸易有限公司,0,#6222000011112222,张三,,#50.00,货款"_s;
        const QString l2 = u"2,#6228480012345678,某某贸易有限公司,1,#955880001,李四,#313100000013,#12.34,运费"_s;
        const QString header = u"2,62.34"_s;
        const QStringList both = {
            u"6228480012345678|某某贸易有限公司|0|6222000011112222|张三||||50|货款"_s,
            u"6228480012345678|某某贸易有限公司|1|955880001|李四|||313100000013|12.34|运费"_s,
        };
        const auto file = [](const QStringList& lines, const QString& end) { return gbk(lines.join(end) + end); };
        const QString done = u"导入批量付款文件完毕"_s;
        const QString noLines = u"文件中没有指令记录，文件导入被中止"_s;
        const auto stop = [](const QString& text) { return text + kNothing; };

        QTest::newRow("CR LF") << file({ header, l1, l2 }, u"\r\n"_s) << true << done << both;
        QTest::newRow("LF only") << file({ header, l1, l2 }, u"\n"_s) << true << done << both;
        QTest::newRow("lone CR") << file({ header, l1, l2 }, u"\r"_s) << true << done << both;
        QTest::newRow("header says 3") << file({ u"3,62.34"_s, l1, l2 }, u"\r\n"_s) << true
                                       << stop(u"文件头记录数（3）与明细记录数（2）不符，文件导入被中止"_s)
                                       << QStringList();
        QTest::newRow("cut inside the last amount")
            << gbk(header + u"\r\n"_s + l1 + u"\r\n"_s + l2.left(l2.indexOf(u"#12.34"_s) + 5)) << true
            << stop(u"第2条记录的字段个数不正确，文件导入被中止"_s) << QStringList();
        QTest::newRow("cut after a line")
            << gbk(u"3,70.00\r\n"_s + l1 + u"\r\n"_s + l2 + u"\r\n"_s) << true
            << stop(u"文件头记录数（3）与明细记录数（2）不符，文件导入被中止"_s) << QStringList();
        QTest::newRow("total a fen off") << file({ u"2,62.35"_s, l1, l2 },
            u"\r\n"_s) << true << stop(u"文件头合计金额（62.35）与明细合计金额（62.34）不符，文件导入被中止"_s)
                                         << QStringList();
        QTest::newRow("empty") << QByteArray() << false << noLines << QStringList();
        QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF") << false << noLines << QStringList();
        QTest::newRow("header only") << file({ header }, u"\r\n"_s) << false << noLines << QStringList();
        QTest::newRow("header only, lone CR") << file({ header }, u"\r"_s) << false << noLines << QStringList();
        QTest::newRow("no # marks") << file({ header, QString(l1).remove(u'#'), QString(l2).remove(u'#') }, u"\r\n"_s)
                                    << true << done << both;
        QTest::newRow("NUL in a payee name")
            << file({ header, QString(l1).replace(u"张三"_s, u"张"_s + QChar(0) + u"三"_s), l2 }, u"\r\n"_s) << true
            << stop(u"第1条记录中的收款账户户名含有控制字符，文件导入被中止"_s) << QStringList();
        QTest::newRow("unit separator in a remark")
            << file({ header, l1, QString(l2).replace(u"运费"_s, u"运\x1f费"_s) }, u"\r\n"_s) << true
            << stop(u"第2条记录中的备注含有控制字符，文件导入被中止"_s) << QStringList();
        QTest::newRow("escape in a payer name")
            << file({ header, QString(l1).replace(u"某某"_s, u"某\x1b某"_s), l2 }, u"\r\n"_s) << true
            << stop(u"第1条记录中的付款账户户名含有控制字符，文件导入被中止"_s) << QStringList();
        QTest::newRow("tab in a remark") << file({ header, l1, QString(l2).replace(u"运费"_s, u"运\t费"_s) },
            u"\r\n"_s) << true << done << QStringList { both[0], QString(both[1]).replace(u"运费"_s, u"运\t费"_s) };
    }
    void hostileCsvFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, asked);
        QFETCH(QString, message);
        QFETCH(QStringList, imported);
        TestEnv env;
        oldBatch(env);
        const QString before = storeDump(env);
        const QStringList listed = env.listShown(frmMain::TabPaymentB2B);
        import(env, u"batch.csv"_s, file, asked ? Replace::Ok : Replace::NotAsked);
        QCOMPARE(env.prompt.messages(), QStringList { message });
        QVERIFY(env.prompt.allAnswersUsed());
        QCOMPARE(storeDump(env), imported.isEmpty() ? before : storeWith(env, imported));
        // A stop after the list was emptied for the new rows shows the old ones again.
        if (imported.isEmpty())
            QCOMPARE(env.listShown(frmMain::TabPaymentB2B), listed);
        QVERIFY(!env.db().inTransaction());
    }

    // Hostile XML instruction files through the tab's import: a file that is
    // not a usable document, or whose records lie elsewhere than the layout
    // puts them, is refused naming the file before anything is asked.
    void hostileXmlFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("imported");

        const QString good = u"<record "_s + record() + u"/>"_s;
        const auto doc = [](const QString& body) {
            return gbk(u"<?xml version='1.0' encoding='gb2312'?>\r\n"_s + body + u"\r\n"_s);
        };
        const QString unreadable = u"文件“a.xml”无法读取："_s;
        const QString dtd = u"不支持带有文档类型定义(DTD)的XML文件"_s;
        const QString both = u"6228480012345678|某某贸易有限公司|1|955880001|李四||020|313100000013|1234.5|货款"_s;

        QTest::newRow("good") << xml({ record(), record() }) << true << u"导入批量付款文件完毕"_s
                              << QStringList { both, both };
        QTest::newRow("empty") << QByteArray() << false << unreadable + u"第1行：Document is empty"_s << QStringList();
        QTest::newRow("byte-order mark only")
            << QByteArray("\xEF\xBB\xBF") << false << unreadable + u"第1行：Start tag expected, '<' not found"_s
            << QStringList();
        QTest::newRow("truncated") << xml({ record(), record() }).chopped(40) << false
                                   << unreadable + u"第2行：Premature end of data in tag RecordList line 2"_s
                                   << QStringList();
        QTest::newRow("entity expansion")
            << doc(u"<!DOCTYPE root [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                   u"<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><root><RecordList><record "_s
                   + record(u"recAccNme=\"&c;\""_s) + u"/></RecordList></root>"_s)
            << false << unreadable + dtd << QStringList();
        QTest::newRow("external entity") << doc(
            u"<!DOCTYPE root [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><root><RecordList><record "_s
            + record(u"recAccNme=\"&x;\""_s) + u"/></RecordList></root>"_s)
                                         << false << unreadable + u"第2行：Attribute references external entity 'x'"_s
                                         << QStringList();
        QTest::newRow("deep nesting") << doc(u"<root><RecordList>"_s + good + u"<a>"_s.repeated(300)
            + u"</a>"_s.repeated(300) + u"</RecordList></root>"_s)
                                      << false
                                      << unreadable
                + u"第2行：Excessive depth in document: 256 use XML_PARSE_HUGE option"_s
                                      << QStringList();
        QTest::newRow("NUL character reference")
            << doc(u"<root><RecordList><record "_s + record(u"recAccNme=\"李&#0;四\""_s) + u"/></RecordList></root>"_s)
            << false << unreadable + u"第2行：xmlParseCharRef: invalid xmlChar value 0"_s << QStringList();
        QTest::newRow("records one level deeper")
            << doc(u"<root><RecordList><group>"_s + good + good + u"</group></RecordList></root>"_s) << false
            << unreadable + u"第1条记录不在记录列表（根元素下的RecordList）中规定的位置"_s << QStringList();
        QTest::newRow("a second record list")
            << doc(u"<root><RecordList>"_s + good + u"</RecordList><RecordList>"_s + good + u"</RecordList></root>"_s)
            << false << unreadable + u"第1条记录不在记录列表（根元素下的RecordList）中规定的位置"_s << QStringList();
        QTest::newRow("a comment after the root")
            << doc(u"<root><RecordList>"_s + good + u"</RecordList></root><!-- 完 -->"_s) << false
            << unreadable + u"第1条记录不在记录列表（根元素下的RecordList）中规定的位置"_s << QStringList();
        QTest::newRow("line feed in a payee name")
            << xml({ record(), record(u"recAccNme=\"李&#10;四\""_s) }) << true
            << u"第2条记录中的收款账户户名含有控制字符，文件导入被中止"_s + kNothing << QStringList();
        QTest::newRow("carriage return in a comment")
            << xml({ record(u"comment=\"货&#13;款\""_s) }) << true
            << u"第1条记录中的用途含有控制字符，文件导入被中止"_s + kNothing << QStringList();
    }
    void hostileXmlFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, asked);
        QFETCH(QString, message);
        QFETCH(QStringList, imported);
        TestEnv env;
        oldBatch(env);
        const QString before = storeDump(env);
        import(env, u"a.xml"_s, file, asked ? Replace::Ok : Replace::NotAsked);
        QCOMPARE(env.prompt.messages(), QStringList { message });
        QVERIFY(env.prompt.allAnswersUsed());
        QCOMPARE(storeDump(env), imported.isEmpty() ? before : storeWith(env, imported));
    }

    // The names of an XML record may be 100 characters long, not 101.
    void xmlPayerNameAtTheLimit_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("message");
        QTest::newRow("100") << 100 << u"导入批量付款文件完毕"_s;
        QTest::newRow("101") << 101 << u"第1条记录中的付款账户户名长度错误，文件导入被中止"_s + kNothing;
    }
    void xmlPayerNameAtTheLimit()
    {
        QFETCH(int, length);
        QFETCH(QString, message);
        TestEnv env;
        oldBatch(env);
        const QString before = storeDump(env);
        const QString name = QString(length, u'名');
        import(env, u"a.xml"_s, xml({ record(u"payAccNo=\"7777\" payAccNme=\"%1\""_s.arg(name)) }), Replace::Ok);
        QCOMPARE(env.prompt.messages(), QStringList { message });
        if (length > 100) {
            QCOMPARE(storeDump(env), before);
        } else {
            QCOMPARE(rows(env, u"select pay_acc_no,pay_acc_name from payment"_s), QStringList { u"7777|"_s + name });
            QCOMPARE(env.scalar(u"select acc_name from pay_acc where acc_no='7777'"_s).toString(), name);
        }
    }

    // A store that refuses to clear the old batch stops the import: nothing
    // is added and the old batch stays.
    void clearingFailsKeepsTheOldBatch_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("csv") << u"a.csv"_s << csv({ kGoodLine });
        QTest::newRow("xml") << u"a.xml"_s << xml({ record(u"payAccNo=\"7777\" payAccNme=\"新付款人\""_s) });
    }
    void clearingFailsKeepsTheOldBatch()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, file);
        TestEnv env;
        oldBatch(env);
        env.exec(u"create trigger keep before delete on payment begin select raise(abort,'kept'); end"_s);
        const QString before = storeDump(env);
        import(env, name, file, Replace::Ok);
        QCOMPARE(env.prompt.messages(), QStringList { u"清除原有数据时发生错误，文件导入被中止"_s + kNothing });
        QCOMPARE(env.prompt.calls().at(env.prompt.calls().size() - 2).title, u"SQL error"_s);
        QCOMPARE(storeDump(env), before);
        QVERIFY(!env.db().inTransaction());
    }

    // The tab no longer writes a batch whose payee has no name (its check
    // report refuses it), but files written before that still import as they are.
    void fileWithAnEmptyPayeeNameImports()
    {
        TestEnv env;
        oldBatch(env);
        import(env, u"batch.csv"_s, csv({ QString(kGoodLine).replace(u"张三"_s, QString()) }), Replace::Ok);
        QCOMPARE(env.prompt.messages(), QStringList { u"导入批量付款文件完毕"_s });
        QCOMPARE(rows(env, kAllPayments),
            QStringList { u"6228480012345678|某某贸易有限公司|0|6222000011112222|||||50|货款"_s });
    }

    void cancelKeepsTheBatch()
    {
        TestEnv env;
        oldBatch(env);
        import(env, u"DATA.CSV"_s, csv({ kGoodLine }), Replace::Cancel);
        QCOMPARE(env.prompt.texts().last(),
            u"文件导入时原有数据将被全部清空，请先用“生成上传文件”功能保存，请确认是否要继续?"_s);
        QVERIFY(env.prompt.messages().isEmpty());
        QCOMPARE(env.scalar(u"select remark from payment"_s).toString(), u"旧"_s);
    }
};

QELVORA_TEST(TestPaymentImport)
#include "tst_paymentimport.moc"
