#include "FileSizeLimit.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "WindowTexts.h"

#include "app/ListGrid.h"
#include "app/frmMain.h"
#include "payment/PaymentB2B.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

using namespace Qt::StringLiterals;
using Kind = RecordingPrompt::Kind;

namespace {
const QString kPayer = u"6228480012345678"_s;
const QString kPayerName = u"某某贸易有限公司"_s;

// Stores one instruction with the given serial number.
void addInstruction(TestEnv& env, const QString& serial, const QString& type, const QString& recAccNo,
    const QString& recAccName, const QString& netNo, const QString& amount, const QString& remark,
    const QString& payer = kPayer, const QString& payerName = kPayerName)
{
    env.exec(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
             u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values (?,?,?,?,?,?,?,?,?,?,?,'')"_s,
        { serial, payer, payerName, type, recAccNo, recAccName, u"0101"_s, u"020"_s, netNo, amount, remark });
}

QString serial(int n)
{
    return u"2024010112000000%1"_s.arg(n, 6, 10, QChar(u'0'));
}

// The batch of the reference upload file: three instructions, 150 yuan.
void addReferenceBatch(TestEnv& env)
{
    addInstruction(env, serial(1), u"1"_s, u"955880100200300"_s, u"张三"_s, u"123"_s, u"50"_s, u"货款"_s);
    addInstruction(env, serial(2), u"0"_s, u"6228480099990000"_s, u"李四"_s, QString(), u"70.5"_s, u"工资"_s);
    addInstruction(
        env, serial(3), u"1"_s, u"6217000011112222"_s, u"王五"_s, u"313100000013"_s, u"29.5"_s, u"差旅费 "_s);
}

QByteArray referenceFile()
{
    return readBytes(QStringLiteral(QELVORA_TEST_DATA "/payment/upload_reference.csv"));
}

QStringList gridRow(ListGrid* grid, int row)
{
    QStringList out;
    for (int c = 0; c < grid->cols(); ++c)
        out << grid->textMatrix(row, c);
    return out;
}

qlonglong paymentCount(TestEnv& env)
{
    return env.scalar(u"select count(*) from payment"_s).toLongLong();
}

// The page with its dialog points recorded instead of opened.
struct Page {
    explicit Page(TestEnv& env)
        : w(env.window())
        , page(static_cast<PaymentB2B*>(w.page(frmMain::TabPaymentB2B)))
        , grid(page->grid())
    {
        page->setPaymentDialogOpener([this](const InstructionDialogRequest& r) { paymentDialogs.push_back(r); });
        page->setPayAccDialogOpener([this](const PayAccDialogRequest& r) { payAccDialogs.push_back(r); });
    }
    frmMain& w;
    PaymentB2B* page;
    ListGrid* grid;
    std::vector<InstructionDialogRequest> paymentDialogs;
    std::vector<PayAccDialogRequest> payAccDialogs;
};
}

class TestPaymentB2B : public QObject {
    Q_OBJECT
private slots:
    void buttonsAndCaptions()
    {
        TestEnv env;
        const QList<QPair<QString, QString>> buttons = { { u"PaymentB2B_cmdNewBut"_s, u"新建指令"_s },
            { u"PaymentB2B_cmdUpdateBut"_s, u"修改或删除指令"_s }, { u"PaymentB2B_cmdDeleteBut"_s, u"删除指令"_s },
            { u"PaymentB2B_cmdWriteB2BFileBut"_s, u"生成上传文件"_s },
            { u"PaymentB2B_cmdPayAccSetup"_s, u"付款账号维护"_s },
            { u"PaymentB2B_cmdLoadB2BFileBut"_s, u"上传文件导入"_s } };
        for (const auto& [name, caption] : buttons) {
            auto* b = env.find<QPushButton>(name);
            QVERIFY2(b, qPrintable(name));
            QCOMPARE(b->text(), caption);
        }
        // The import asks for a file; cancelling it changes nothing.
        env.prompt.answerFile(QString());
        env.click(u"PaymentB2B_cmdLoadB2BFileBut"_s);
        QCOMPARE(env.prompt.calls().size(), 1);
    }

    void emptyTable()
    {
        TestEnv env;
        Page p(env);
        QCOMPARE(p.grid->rows(), 2);
        QCOMPARE(p.grid->cols(), 10);
        QCOMPARE(gridRow(p.grid, 1), QStringList(10, QString()));
        QCOMPARE(panels(p.w), QStringList({ u"总笔数"_s, u"0"_s, u"总金额"_s, u"0.00"_s, u"大写金额"_s, QString() }));
        QVERIFY(env.ctx().batchPayAccNo.isEmpty());
        QVERIFY(env.ctx().batchPayAccName.isEmpty());
        QCOMPARE(p.grid->col(), 0);
    }

    void listLayoutAndContent()
    {
        TestEnv env;
        addInstruction(env, serial(2), u"0"_s, u" 6228480099990000 "_s, u"李四 "_s, QString(), u"1234.5"_s, u" 工资"_s);
        addInstruction(env, serial(1), u"1"_s, u"955880100200300"_s, u"张三"_s, u"123"_s, u"50"_s, u"货款"_s);
        Page p(env);
        ListGrid* g = p.grid;
        QCOMPARE(gridRow(g, 0),
            QStringList({ u"序号"_s, u"流水号"_s, u"付款账号"_s, u"付款账户户名"_s, u"账号行别"_s, u"收款账号"_s,
                u"收款账户户名"_s, u"支付系统行号"_s, u"付款金额"_s, u"备注"_s }));
        QCOMPARE(g->rows(), 3);
        // In serial-number order, trimmed, the amount with separators and two decimals.
        QCOMPARE(gridRow(g, 1),
            QStringList({ u"1"_s, serial(1), kPayer, kPayerName, u"跨行"_s, u"955880100200300"_s, u"张三"_s, u"123"_s,
                u"50.00"_s, u"货款"_s }));
        QCOMPARE(gridRow(g, 2),
            QStringList({ u"2"_s, serial(2), kPayer, kPayerName, u"行内"_s, u"6228480099990000"_s, u"李四"_s, QString(),
                u"1,234.50"_s, u"工资"_s }));
        QCOMPARE(panels(p.w),
            QStringList({ u"总笔数"_s, u"2"_s, u"总金额"_s, u"1,284.50"_s, u"大写金额"_s, u"壹仟贰佰捌拾肆元伍角"_s }));

        // The key column is hidden; widths are converted from 1/1440 inch and
        // widened where a value needs more.
        QVERIFY(g->isColumnHidden(1));
        const double dpi = g->logicalDpiX();
        const int twips[] = { 420, 0, 2000, 1800, 1500, 2000, 1800, 1800, 1500, 1000 };
        for (int c = 0; c < 10; ++c) {
            if (c != 1)
                QVERIFY(g->columnWidth(c) >= qRound(twips[c] * dpi / 1440.0));
        }
        QVERIFY(g->columnWidth(2) > g->fontMetrics().horizontalAdvance(kPayer));
        QCOMPARE(g->columnWidth(9), qRound(1000 * dpi / 1440.0));
        const auto alignment = [&](int c) {
            return Qt::Alignment(g->model()->index(0, c).data(Qt::TextAlignmentRole).toInt())
                & Qt::AlignHorizontal_Mask;
        };
        QCOMPARE(alignment(8), Qt::AlignRight);
        for (int c : { 2, 3, 4, 5, 6, 7, 9 })
            QCOMPARE(alignment(c), Qt::AlignLeft);
        QCOMPARE(g->col(), 0);
    }

    void exactTotals_data()
    {
        QTest::addColumn<QStringList>("amounts");
        QTest::addColumn<QString>("panel4");
        QTest::addColumn<QString>("panel6");
        QTest::addColumn<QByteArray>("header");
        QTest::newRow("0.7 + 0.1") << QStringList { u"0.7"_s, u"0.1"_s } << u"0.80"_s << u"捌角"_s
                                   << QByteArray("2,0.80\r\n");
        QTest::newRow("0.07 + 0.01") << QStringList { u"0.07"_s, u"0.01"_s } << u"0.08"_s << u"捌分"_s
                                     << QByteArray("2,0.08\r\n");
        QTest::newRow("ten times 0.1") << QStringList(10, u"0.1"_s) << u"1.00"_s << u"壹元"_s
                                       << QByteArray("10,1.00\r\n");
        QTest::newRow("large") << QStringList { u"99999999999.99"_s, u"0.01"_s, u"100000000000"_s }
                               << u"200,000,000,000.00"_s << u"贰仟亿元"_s << QByteArray("3,200000000000.00\r\n");
    }
    void exactTotals()
    {
        QFETCH(QStringList, amounts);
        QFETCH(QString, panel4);
        QFETCH(QString, panel6);
        QFETCH(QByteArray, header);
        TestEnv env;
        for (int i = 0; i < amounts.size(); ++i)
            addInstruction(env, serial(i + 1), u"0"_s, u"62284800999900%1"_s.arg(i, 2, 10, QChar(u'0')), u"李四"_s,
                QString(), amounts.at(i), u"工资"_s);
        Page p(env);
        QCOMPARE(p.w.statusPanelText(2), QString::number(amounts.size()));
        QCOMPARE(p.w.statusPanelText(4), panel4);
        QCOMPARE(p.w.statusPanelText(6), panel6);

        const QString path = env.path(u"totals.csv"_s);
        env.prompt.answerFile(path);
        env.click(u"PaymentB2B_cmdWriteB2BFileBut"_s);
        QVERIFY(readBytes(path).startsWith(header));
    }

    void payerAccountFollowsTheFirstListedRow()
    {
        TestEnv env;
        // The first stored instruction has a kind without a description: it is
        // not listed, but it is counted, totalled and written.
        addInstruction(
            env, serial(1), u"9"_s, u"111"_s, u"赵六"_s, QString(), u"10"_s, u"其他"_s, u"9999"_s, u"别家公司"_s);
        addInstruction(env, serial(2), u"0"_s, u"6228480099990000"_s, u"李四"_s, QString(), u"20"_s, u"工资"_s);
        Page p(env);
        QCOMPARE(p.grid->rows(), 2);
        QCOMPARE(env.ctx().batchPayAccNo, kPayer);
        QCOMPARE(env.ctx().batchPayAccName, kPayerName);
        QCOMPARE(p.w.statusPanelText(2), u"2"_s);
        QCOMPARE(p.w.statusPanelText(4), u"30.00"_s);

        const QString path = env.path(u"all.csv"_s);
        env.prompt.answerFile(path);
        env.click(u"menuWriteB2BFile"_s);
        QCOMPARE(QString::fromLatin1(readBytes(path)).split(u"\r\n"_s).first(), u"2,30.00"_s);

        // Once the listed row is gone the payer account is empty again.
        env.exec(u"delete from payment where rec_acc_type='0'"_s);
        p.w.resetPaymentB2B();
        QVERIFY(env.ctx().batchPayAccNo.isEmpty());
        QVERIFY(env.ctx().batchPayAccName.isEmpty());
    }

    void commandsNeedAChosenRow_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("change button") << u"PaymentB2B_cmdUpdateBut"_s;
        QTest::newRow("change menu") << u"menuUpdateB2BRec"_s;
        QTest::newRow("range delete") << u"PaymentB2B_cmdDeleteBut"_s;
    }
    void commandsNeedAChosenRow()
    {
        QFETCH(QString, command);
        TestEnv env;
        addReferenceBatch(env);
        Page p(env);
        env.click(command);
        QCOMPARE(env.prompt.texts(), QStringList({ u"请先选择批量付款指令"_s }));
        QVERIFY(p.paymentDialogs.empty());
        QCOMPARE(paymentCount(env), 3);
    }

    void changeHandsTheRowToTheDialog()
    {
        TestEnv env;
        addReferenceBatch(env);
        Page p(env);
        p.grid->selectRows(3, 3, 5);
        env.click(u"PaymentB2B_cmdUpdateBut"_s);
        QVERIFY(env.prompt.calls().isEmpty());
        QCOMPARE(p.paymentDialogs.size(), size_t(1));
        const InstructionDialogRequest& r = p.paymentDialogs.front();
        QVERIFY(r.change);
        QCOMPARE(r.payIdx, 3);
        QCOMPARE(r.recordValue,
            QStringList({ serial(3), kPayer, kPayerName, u"跨行"_s, u"6217000011112222"_s, u"王五"_s, QString(),
                QString(), u"313100000013"_s, u"29.50"_s, u"差旅费"_s }));
    }

    void doubleClickChanges()
    {
        TestEnv env;
        addReferenceBatch(env);
        Page p(env);
        p.w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&p.w));
        const QRect cell = p.grid->visualRect(p.grid->model()->index(1, 5));
        QTest::mouseClick(p.grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(p.grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(p.paymentDialogs.size(), size_t(1));
        QCOMPARE(p.paymentDialogs.front().payIdx, 2);
        QCOMPARE(p.paymentDialogs.front().recordValue.first(), serial(2));
    }

    void rightButtonOpensTheBatchMenu()
    {
        TestEnv env;
        addReferenceBatch(env);
        Page p(env);
        p.w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&p.w));
        QMenu* menu = p.w.findChild<QMenu*>(u"menuPaymentB2B"_s);
        QVERIFY(!menu->isVisible());
        QTest::mousePress(p.grid->viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
    }

    void changeWithSeveralRowsSelected()
    {
        TestEnv env;
        addReferenceBatch(env);
        Page p(env);
        p.grid->selectRows(1, 2, 3);
        env.click(u"menuUpdateB2BRec"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"只能选择一条指令进行修改或者删除"_s }));
        QVERIFY(p.paymentDialogs.empty());
    }

    void rangeDelete_data()
    {
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("end");
        QTest::newRow("top down") << 2 << 3;
        QTest::newRow("bottom up") << 3 << 2;
    }
    void rangeDelete()
    {
        QFETCH(int, anchor);
        QFETCH(int, end);
        TestEnv env;
        addReferenceBatch(env);
        Page p(env);
        p.grid->selectRows(anchor, end, 2);
        env.prompt.answerOk();
        env.click(u"PaymentB2B_cmdDeleteBut"_s);
        QCOMPARE(env.prompt.texts(),
            QStringList({ u"是否确认要删除所有批量支付文件中指令?"_s, u"删除批量支付文件成功."_s }));
        QCOMPARE(env.prompt.calls().first().kind, Kind::AskOkCancel);
        QCOMPARE(env.scalar(u"select group_concat(serial_no) from payment"_s).toString(), serial(1));
        // Refreshed before the message: one row left, the totals follow.
        QCOMPARE(p.grid->rows(), 2);
        QCOMPARE(p.w.statusPanelText(2), u"1"_s);
        QCOMPARE(p.w.statusPanelText(4), u"50.00"_s);
    }

    void rangeDeleteCancelled()
    {
        TestEnv env;
        addReferenceBatch(env);
        Page p(env);
        p.grid->selectRows(1, 3, 1);
        env.prompt.answerCancel();
        env.click(u"PaymentB2B_cmdDeleteBut"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"是否确认要删除所有批量支付文件中指令?"_s }));
        QCOMPARE(paymentCount(env), 3);
    }

    void rangeDeleteWithUnusualKeys()
    {
        // Keys that came from a file may hold quotes, backslashes or apostrophes.
        TestEnv env;
        const QStringList keys = { u"a\"1"_s, u"b\\2"_s, u"c'3"_s, u"d\t4"_s, u"e5"_s };
        for (int i = 0; i < keys.size(); ++i)
            addInstruction(
                env, keys.at(i), u"0"_s, u"62284800999900%1"_s.arg(i), u"李四"_s, QString(), u"1"_s, u"工资"_s);
        Page p(env);
        QCOMPARE(p.grid->rows(), 6);
        p.grid->selectRows(1, 4, 1);
        env.prompt.answerOk();
        env.click(u"PaymentB2B_cmdDeleteBut"_s);
        QCOMPARE(env.scalar(u"select group_concat(serial_no) from payment"_s).toString(), u"e5"_s);
    }

    void rangeDeleteOfAHundredThousandRows()
    {
        TestEnv env;
        env.exec(u"with recursive n(i) as (select 1 union all select i+1 from n where i<100000) "
                 u"insert into payment select printf('%022d',i),'6228480012345678','某某贸易有限公司','0',"
                 u"'62284800'||printf('%08d',i),'李四','','','',i%1000+0.5,'工资','' from n"_s);
        Page p(env);
        QCOMPARE(p.grid->rows(), 100001);
        p.grid->selectRows(p.grid->rows() - 1, 1, 3);
        env.prompt.answerOk();
        env.click(u"PaymentB2B_cmdDeleteBut"_s);
        QCOMPARE(env.prompt.texts(),
            QStringList({ u"是否确认要删除所有批量支付文件中指令?"_s, u"删除批量支付文件成功."_s }));
        QCOMPARE(paymentCount(env), 0);
        QCOMPARE(p.grid->rows(), 2);
    }

    void deleteCurrentInstruction()
    {
        TestEnv env;
        addReferenceBatch(env);
        Page p(env);
        p.grid->selectRows(2, 2, 4);
        env.prompt.answerCancel();
        env.click(u"menuDelB2BRec"_s);
        QCOMPARE(paymentCount(env), 3);

        env.prompt.clear();
        env.prompt.answerOk();
        env.click(u"menuDelB2BRec"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"是否确认要删除批量付款指令?"_s, u"删除指令成功"_s }));
        QCOMPARE(env.scalar(u"select group_concat(serial_no) from (select serial_no from payment order by serial_no)"_s)
                     .toString(),
            serial(1) + u","_s + serial(3));
        QCOMPARE(p.grid->textMatrix(2, 1), serial(3));
        QCOMPARE(p.w.statusPanelText(2), u"2"_s);
    }

    void deleteCurrentOnAnEmptyList()
    {
        TestEnv env;
        Page p(env);
        p.grid->selectRows(1, 1, 2);
        env.click(u"menuDelB2BRec"_s);
        env.click(u"menuUpdateB2BRec"_s);
        QVERIFY(env.prompt.calls().isEmpty());
        QVERIFY(p.paymentDialogs.empty());
    }

    void addAsksForThePayerAccountFirst_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("payerChosen");
        QTest::newRow("button, payer chosen") << u"PaymentB2B_cmdNewBut"_s << true;
        QTest::newRow("menu, payer chosen") << u"menuNewB2BRec"_s << true;
        QTest::newRow("button, dialog closed") << u"PaymentB2B_cmdNewBut"_s << false;
    }
    void addAsksForThePayerAccountFirst()
    {
        QFETCH(QString, command);
        QFETCH(bool, payerChosen);
        TestEnv env;
        Page p(env);
        p.page->setPayAccDialogOpener([&](const PayAccDialogRequest& r) {
            p.payAccDialogs.push_back(r);
            if (payerChosen) {
                env.ctx().batchPayAccNo = kPayer;
                env.ctx().batchPayAccName = kPayerName;
            }
        });
        env.click(command);
        QCOMPARE(p.payAccDialogs.size(), size_t(1));
        QVERIFY(!p.payAccDialogs.front().accSet);
        QVERIFY(!p.payAccDialogs.front().payCount);
        QCOMPARE(p.paymentDialogs.size(), size_t(payerChosen ? 1 : 0));
        if (payerChosen) {
            QVERIFY(!p.paymentDialogs.front().change);
            QCOMPARE(p.paymentDialogs.front().payIdx, 1);
            QVERIFY(p.paymentDialogs.front().recordValue.isEmpty());
        }
    }

    void addToAFilledBatch()
    {
        TestEnv env;
        addReferenceBatch(env);
        Page p(env);
        env.click(u"PaymentB2B_cmdNewBut"_s);
        QVERIFY(p.payAccDialogs.empty());
        QCOMPARE(p.paymentDialogs.size(), size_t(1));
        QVERIFY(!p.paymentDialogs.front().change);
        QCOMPARE(p.paymentDialogs.front().payIdx, 4);
    }

    void payerAccountSetup()
    {
        TestEnv env;
        Page p(env);
        env.click(u"PaymentB2B_cmdPayAccSetup"_s);
        addReferenceBatch(env);
        p.w.resetPaymentB2B();
        env.click(u"PaymentB2B_cmdPayAccSetup"_s);
        QCOMPARE(p.payAccDialogs.size(), size_t(2));
        QVERIFY(p.payAccDialogs[0].accSet);
        QVERIFY(p.payAccDialogs[0].acc.isEmpty());
        QVERIFY(!p.payAccDialogs[0].payCount);
        QVERIFY(p.payAccDialogs[1].accSet);
        QCOMPARE(p.payAccDialogs[1].acc, kPayer);
        QCOMPARE(p.payAccDialogs[1].payCount, std::optional<int>(3));
    }

    void payerAccountIsTheFirstOfTwoListedPayers()
    {
        TestEnv env;
        addInstruction(env, serial(1), u"0"_s, u"6228480099990000"_s, u"李四"_s, QString(), u"20"_s, u"工资"_s);
        addInstruction(env, serial(2), u"0"_s, u"6228480099990001"_s, u"王五"_s, QString(), u"30"_s, u"工资"_s,
            u"6228480000000002"_s, u"第二公司"_s);
        Page p(env);
        QCOMPARE(p.grid->rows(), 3);
        QCOMPARE(env.ctx().batchPayAccNo, kPayer);
        QCOMPARE(env.ctx().batchPayAccName, kPayerName);
    }

    void writeUploadFile_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("button") << u"PaymentB2B_cmdWriteB2BFileBut"_s;
        QTest::newRow("menu") << u"menuWriteB2BFile"_s;
        QTest::newRow("save") << u"menuSave"_s;
        QTest::newRow("save button") << u"mainToolbar_button2"_s;
    }
    void writeUploadFile()
    {
        QFETCH(QString, command);
        TestEnv env;
        addReferenceBatch(env);
        env.window();
        const QString path = env.path(u"batch.csv"_s);
        env.prompt.answerFile(path);
        env.click(command);
        QCOMPARE(env.prompt.calls().size(), 2);
        QCOMPARE(env.prompt.calls().at(0).kind, Kind::SaveFile);
        QCOMPARE(env.prompt.calls().at(0).filters, QStringList { u"CSV 文件 (*.csv)"_s });
        QCOMPARE(
            env.prompt.calls().at(1).text, u"批量支付文件*.csv生成完毕\n文件："_s + QDir::toNativeSeparators(path));
        QCOMPARE(readBytes(path), referenceFile());
        // The instructions stay.
        QCOMPARE(paymentCount(env), 3);
    }

    void writerOnAnEmptyTableAsksForTheFileFirst()
    {
        TestEnv env;
        env.window();
        const QString path = env.path(u"empty.csv"_s);
        env.prompt.answerFile(path);
        env.click(u"PaymentB2B_cmdWriteB2BFileBut"_s);
        QCOMPARE(env.prompt.calls().size(), 2);
        QCOMPARE(env.prompt.calls().at(0).kind, Kind::SaveFile);
        QCOMPARE(env.prompt.calls().at(1).kind, Kind::Message);
        QCOMPARE(env.prompt.calls().at(1).text, u"批量支付文件*.csv生成失败,或无指令需要生成批量支付文件"_s);
        QVERIFY(!QFile::exists(path));

        // Cancelling the file dialog stops without a message.
        env.prompt.clear();
        env.prompt.answerFile(QString());
        env.click(u"PaymentB2B_cmdWriteB2BFileBut"_s);
        QCOMPARE(env.prompt.calls().size(), 1);
    }

    void writerWithAClearedGridDoesNothing()
    {
        TestEnv env;
        addReferenceBatch(env);
        Page p(env);
        p.page->clearGrid();
        env.click(u"menuWriteB2BFile"_s);
        QVERIFY(env.prompt.calls().isEmpty());
    }

    void existingFileAndCancelWritesNothing()
    {
        TestEnv env;
        addReferenceBatch(env);
        env.window();
        const QString path = env.path(u"batch.csv"_s);
        writeBytes(path, "earlier\r\n");
        env.prompt.answerFile(path);
        env.prompt.answerCancel();
        env.click(u"menuSave"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"CSV 文件 (*.csv)"_s, u"该文件名已经存在，是否覆盖原有文件?"_s }));
        QCOMPARE(readBytes(path), QByteArray("earlier\r\n"));

        env.prompt.clear();
        env.prompt.answerFile(path);
        env.prompt.answerOk();
        env.click(u"menuSave"_s);
        QCOMPARE(env.prompt.messages(),
            QStringList({ u"批量支付文件*.csv生成完毕\n文件："_s + QDir::toNativeSeparators(path) }));
        QCOMPARE(readBytes(path), referenceFile());
    }

    void refusedInstructionWritesNothing_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("comma in remark") << u"remark"_s << u"货款,第二期"_s << u"含有逗号，会使上传文件的各栏错位"_s;
        QTest::newRow("line break in payee name")
            << u"rec_acc_name"_s << u"李四\r\n"_s << u"含有换行符，会使上传文件的各栏错位"_s;
        QTest::newRow("no GBK character")
            << u"rec_acc_name"_s << u"李😀四"_s << u"含有字符“😀”，无法用GBK编码写入上传文件"_s;
    }
    void refusedInstructionWritesNothing()
    {
        QFETCH(QString, column);
        QFETCH(QString, value);
        QFETCH(QString, message);
        TestEnv env;
        addReferenceBatch(env);
        env.exec(u"update payment set %1=? where serial_no=?"_s.arg(column), { value, serial(2) });
        env.window();
        const QString path = env.path(u"batch.csv"_s);
        writeBytes(path, "earlier\r\n");
        const QStringList before = QDir(env.dir()).entryList(QDir::Files | QDir::Hidden);
        env.click(u"PaymentB2B_cmdWriteB2BFileBut"_s);
        // The check before writing finds it (among the warnings on the
        // reference accounts' check digits); no file dialog follows.
        QVERIFY(env.prompt.calls().isEmpty());
        QCOMPARE(env.checkReports.size(), size_t(1));
        const auto& findings = env.checkReports[0].findings;
        QVERIFY(std::any_of(findings.begin(), findings.end(), [&](const InstructionCheck::Finding& f) {
            return f.severity == InstructionCheck::Severity::Error && f.row == 2 && f.problem == message;
        }));
        QCOMPARE(readBytes(path), QByteArray("earlier\r\n"));
        QCOMPARE(QDir(env.dir()).entryList(QDir::Files | QDir::Hidden), before);
    }

    void unwritableFileIsReported()
    {
        TestEnv env;
        addReferenceBatch(env);
        env.window();
        env.prompt.answerFile(env.path(u"no such folder/batch.csv"_s));
        env.click(u"PaymentB2B_cmdWriteB2BFileBut"_s);
        QCOMPARE(env.prompt.messages(), QStringList({ u"文件读写错误，批量支付文件生成失败"_s }));
    }

    // A write that fails part way leaves the file that was there byte for byte.
    void failedWriteKeepsThePreviousFile()
    {
        TestEnv env;
        addReferenceBatch(env);
        env.window();
        const QString path = env.path(u"batch.csv"_s);
        writeBytes(path, "earlier\r\n");
        env.prompt.answerFile(path);
        env.prompt.answerOk();
        {
            FileSizeLimit limit(20);
            QVERIFY(limit.ok());
            env.click(u"PaymentB2B_cmdWriteB2BFileBut"_s);
        }
        QCOMPARE(env.prompt.messages(), QStringList({ u"文件读写错误，批量支付文件生成失败"_s }));
        QCOMPARE(readBytes(path), QByteArray("earlier\r\n"));
    }

    void newOnAnEmptyBatchDeletesWithoutAsking()
    {
        TestEnv env;
        // Stored but not listed: the list is empty, so New does not ask.
        addInstruction(env, serial(1), u"9"_s, u"111"_s, u"赵六"_s, QString(), u"10"_s, u"其他"_s);
        Page p(env);
        QVERIFY(!p.grid->hasData());
        env.click(u"menuNew"_s);
        QVERIFY(env.prompt.calls().isEmpty());
        QCOMPARE(paymentCount(env), 0);
        QCOMPARE(p.w.statusPanelText(2), u"0"_s);
    }

    void newOnAFilledBatchAsks()
    {
        TestEnv env;
        addReferenceBatch(env);
        Page p(env);
        env.prompt.answerCancel();
        env.click(u"mainToolbar_button1"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"原有数据将被全部清空，请确认是否要继续?"_s }));
        QCOMPARE(env.prompt.calls().first().kind, Kind::AskOkCancel);
        QCOMPARE(paymentCount(env), 3);
        QCOMPARE(p.grid->rows(), 4);
        QCOMPARE(p.w.statusPanelText(4), u"150.00"_s);

        env.prompt.clear();
        env.prompt.answerOk();
        env.click(u"menuNew"_s);
        QCOMPARE(paymentCount(env), 0);
        QCOMPARE(gridRow(p.grid, 1), QStringList(10, QString()));
        QCOMPARE(p.w.statusPanelText(2), u"0"_s);
        QVERIFY(env.ctx().batchPayAccNo.isEmpty());
    }

    void leavingTheTabClearsTheGridAndComingBackReloads()
    {
        TestEnv env;
        addReferenceBatch(env);
        Page p(env);
        p.w.SSTabMain()->setCurrentIndex(frmMain::TabPayAccList);
        QCOMPARE(p.grid->rows(), 1);
        p.w.SSTabMain()->setCurrentIndex(frmMain::TabPaymentB2B);
        QCOMPARE(p.grid->rows(), 4);
        QCOMPARE(p.w.statusPanelText(4), u"150.00"_s);
    }
};

QELVORA_TEST(TestPaymentB2B)
#include "tst_paymentb2b.moc"
