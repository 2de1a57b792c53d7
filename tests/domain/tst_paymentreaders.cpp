#include "PaymentFiles.h"
#include "TestRegistry.h"

#include "domain/payment/PaymentImport.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace paymentfiles;
using PaymentImport::readCsv;
using PaymentImport::readXml;

// The readers of payment instruction files: what each line or record gives, and
// where a file is refused.
class TestPaymentReaders : public QObject {
    Q_OBJECT
private slots:
    void csvLines_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("message");
        const QString g = kGoodLine;
        const auto with = [&](int field, const QString& value) {
            QStringList f = g.split(u',');
            f[field] = value;
            return f.join(u',');
        };
        QTest::newRow("good") << csv({ g, g }) << 2 << QString();
        QTest::newRow("eight fields") << csv({ g, u"2,#1,a,0,#2,b,,#1.00"_s }) << 1
                                      << u"第2条记录的字段个数不正确，文件导入被中止"_s;
        QTest::newRow("remark with a comma")
            << csv({ g + u",x"_s }) << 0 << u"第1条记录的字段个数不正确，文件导入被中止"_s;
        QTest::newRow("empty line") << csv({ g, QString() }) << 1 << u"第2条记录的字段个数不正确，文件导入被中止"_s;
        QTest::newRow("kind 2") << csv({ with(3, u"2"_s) }) << 0
                                << u"第1条记录中的收款账户类别不可识别，文件导入被中止"_s;
        QTest::newRow("no payer") << csv({ with(1, u"#"_s) }) << 0 << u"第1条记录中的付款账号为空，文件导入被中止"_s;
        QTest::newRow("no payer name") << csv({ with(2, u" "_s) }) << 0
                                       << u"第1条记录中的付款账户户名长度错误，文件导入被中止"_s;
        QTest::newRow("no payee") << csv({ with(4, u"#"_s) }) << 0 << u"第1条记录中的收款账户为空，文件导入被中止"_s;
        // The tab writes a payee without a name as it is stored.
        QTest::newRow("no payee name") << csv({ with(5, QString()) }) << 1 << QString();
        QTest::newRow("no amount") << csv({ with(7, u"#"_s) }) << 0 << u"第1条记录中的金额为空，文件导入被中止"_s;
        QTest::newRow("negative") << csv({ with(7, u"#-5.00"_s) }) << 0
                                  << u"第1条记录中的金额格式错误，文件导入被中止"_s;
        QTest::newRow("third decimal") << csv({ with(7, u"#1.005"_s) }) << 0
                                       << u"第1条记录中的金额格式错误，文件导入被中止"_s;
        QTest::newRow("cent above the limit") << csv({ g, with(7, u"#100000000000.01"_s) }) << 1
                                              << u"第2条记录中的金额范围超过系统限制，文件导入被中止"_s;
        QTest::newRow("the limit") << csv({ with(7, u"#100000000000.00"_s) }) << 1 << QString();
        QTest::newRow("zero") << csv({ with(7, u"#0.00"_s) }) << 1 << QString();
        QTest::newRow("accounts with dashes") << csv({ with(1, u"#6228-48"_s), with(4, u"#A1-2"_s) }) << 2 << QString();
        QByteArray badGbk = csv({ g, g });
        badGbk.insert(badGbk.lastIndexOf("\r\n", badGbk.size() - 3) + 10, "\x81\x7f");
        QTest::newRow("not GBK") << badGbk << 1 << u"第2条记录中含有无法识别的字符，文件导入被中止"_s;
        QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF"
                                                       "1,50.00\n"
            + g.toUtf8() + "\n") << 1 << QString();
    }
    void csvLines()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, records);
        QFETCH(QString, message);
        const auto result = readCsv(file);
        QCOMPARE(int(result.records.size()), records);
        QCOMPARE(result.stop.message(), message);
        QCOMPARE(result.stopped(), !message.isEmpty());
    }

    void csvFields()
    {
        const auto r = readCsv(csv({ u"1, #6228, 某某 ,1,#9558,李四,#313,#1234.5,货款"_s })).records;
        QCOMPARE(r.size(), size_t(1));
        const auto& x = r.front();
        QCOMPARE(QStringList({ x.payAccNo, x.payAccName, x.recAccType, x.recAccNo, x.recAccName, x.recBankId,
                     x.recAreaNo, x.recNetNo, x.payAmt, x.remark }),
            QStringList(
                { u"6228"_s, u"某某"_s, u"1"_s, u"9558"_s, u"李四"_s, {}, {}, u"313"_s, u"1234.50"_s, u"货款"_s }));
    }

    void xmlRecords_data()
    {
        QTest::addColumn<QString>("overrides");
        QTest::addColumn<QString>("message");
        QTest::newRow("good") << QString() << QString();
        QTest::newRow("currency 1") << u"currencyType=\"1\""_s << u"第2条记录中的币种不支持，文件导入被中止"_s;
        QTest::newRow("empty payer") << u"payAccNo=\"\""_s << u"第2条记录中的付款账号为空，文件导入被中止"_s;
        QTest::newRow("payer with a letter")
            << u"payAccNo=\"62a\""_s << u"第2条记录中的付款账号格式错误，文件导入被中止"_s;
        QTest::newRow("long payer name") << u"payAccNme=\"%1\""_s.arg(QString(101, u'名'))
                                         << u"第2条记录中的付款账户户名长度错误，文件导入被中止"_s;
        QTest::newRow("no payee") << u"recAccNo=\"null\""_s << u"第2条记录中的收款账户为空，文件导入被中止"_s;
        QTest::newRow("kind 2") << u"isOtherBank=\"2\""_s << u"第2条记录中的收款账户类别不可识别，文件导入被中止"_s;
        QTest::newRow("other-bank 23 digits")
            << u"recAccNo=\"%1\""_s.arg(QString(23, u'1')) << u"第2条记录中的收款账号长度错误，文件导入被中止"_s;
        QTest::newRow("no bank number") << u"recOpenBankNo=\"\""_s
                                        << u"第2条记录中的支付系统行号格式错误，文件导入被中止"_s;
        QTest::newRow("in-bank with branch")
            << u"isOtherBank=\"0\" PecAccOpenBranch=\"0101\""_s << u"第2条记录中的收款账号格式错误，文件导入被中止"_s;
        QTest::newRow("in-bank with dash")
            << u"isOtherBank=\"0\" recAccNo=\"62-1\""_s << u"第2条记录中的收款账号格式错误，文件导入被中止"_s;
        QTest::newRow("in-bank") << u"isOtherBank=\"0\""_s << QString();
        QTest::newRow("zero") << u"money=\"0\""_s << QString();
        QTest::newRow("limit") << u"money=\"100,000,000,000.00\""_s << QString();
        QTest::newRow("cent above") << u"money=\"100000000000.01\""_s
                                    << u"第2条记录中的金额范围超过系统限制，文件导入被中止"_s;
        QTest::newRow("no money") << u"money=\"\""_s << u"第2条记录中的金额为空，文件导入被中止"_s;
        QTest::newRow("three decimals") << u"money=\"1.001\""_s << u"第2条记录中的金额格式错误，文件导入被中止"_s;
        QTest::newRow("no comment") << u"comment=\"\""_s << u"第2条记录中的用途为空，文件导入被中止"_s;
        QTest::newRow("long comment") << u"comment=\"%1\""_s.arg(QString(61, u'用'))
                                      << u"第2条记录中的用途长度过长，文件导入被中止"_s;
    }
    void xmlRecords()
    {
        QFETCH(QString, overrides);
        QFETCH(QString, message);
        const auto result = readXml(xml({ record(), record(overrides) }));
        QCOMPARE(result.stop.message(), message);
        QCOMPARE(int(result.records.size()), message.isEmpty() ? 2 : 1);
        const auto& first = result.records.front();
        QCOMPARE(first.payAmt, u"1234.50"_s);
        QCOMPARE(first.recBankId, QString());
        QCOMPARE(first.recAreaNo, u"020"_s);
    }
};

QELVORA_TEST(TestPaymentReaders)
#include "tst_paymentreaders.moc"
