#include "GuiTest.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "app/frmMain.h"
#include "common/GbkCodec.h"
#include "domain/Backups.h"

#include <QAbstractItemModel>
#include <QCryptographicHash>
#include <QDateEdit>
#include <QTableView>

using namespace Qt::StringLiterals;

namespace {

void addInstruction(
    TestEnv& env, int n, const QString& recAccNo, const QString& name, const QString& amount, const QString& remark)
{
    env.exec(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
             u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values (?,?,?,?,?,?,?,?,?,?,?,'')"_s,
        { u"2024010112000000%1"_s.arg(n, 6, 10, QChar(u'0')), u"6228480012345678"_s, u"某某贸易有限公司"_s, u"0"_s,
            recAccNo, name, QString(), QString(), QString(), amount, remark });
}

// Three instructions of together 150 yuan.
void addBatch(TestEnv& env)
{
    addInstruction(env, 1, u"6228480099990001"_s, u"张三"_s, u"50"_s, u"货款"_s);
    addInstruction(env, 2, u"6228480099990002"_s, u"李四"_s, u"70.5"_s, u"工资"_s);
    addInstruction(env, 3, u"6228480099990003"_s, u"王五"_s, u"29.5"_s, u"差旅费"_s);
}

// Writes the batch payment upload file through the tab's command at the given time.
void writeAt(TestEnv& env, const QString& path, const QDateTime& at)
{
    env.ctx().clock = [at] { return at; };
    env.prompt.answerFile(path);
    env.click(u"PaymentB2B_cmdWriteB2BFileBut"_s);
}

qlonglong scalar(TestEnv& env, const QString& sql)
{
    return env.scalar(sql).toLongLong();
}

// The warnings of a check report that concern the upload history.
QStringList historyWarnings(const CheckReportRequest& report)
{
    QStringList out;
    for (const auto& f : report.findings)
        if (f.problem.contains(u"生成的"_s))
            out << u"%1|%2"_s.arg(f.row).arg(f.problem);
    return out;
}

QStringList rowsOf(const QAbstractItemModel* model)
{
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
        rows << cells.join(u',');
    }
    return rows;
}

void clickRow(QTableView* view, int row)
{
    const QRect rect = view->visualRect(view->model()->index(row, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
}

const QDateTime kFirst(QDate(2025, 6, 20), QTime(9, 30));
const QDateTime kSecond(QDate(2025, 6, 30), QTime(10, 0));

// How many instructions the history holds in all: one line each.
const QString kStoredItems = u"select coalesce(sum(length(items) - length(replace(items, char(10), ''))), 0)"
                             u" from upload_file"_s;

} // namespace

class TestUploadHistoryWindow : public QObject {
    Q_OBJECT
private slots:
    // Writing the upload file records it: its hash, count, total and every
    // instruction. Writing the same batch again warns before the file is
    // written (the same bytes); a batch sharing some payments warns for them.
    void writingRecordsAndWarnsTheNextTime()
    {
        TestEnv env;
        addBatch(env);
        env.window();
        const QString first = env.path(u"batch1.csv"_s);
        writeAt(env, first, kFirst);
        QCOMPARE(env.prompt.messages(),
            QStringList { u"批量支付文件*.csv生成完毕\n文件："_s + QDir::toNativeSeparators(first) });
        QCOMPARE(scalar(env, u"select count(*) from upload_file"_s), 1);
        QCOMPARE(env.scalar(u"select sha256 from upload_file"_s).toString(),
            QString::fromLatin1(QCryptographicHash::hash(readBytes(first), QCryptographicHash::Sha256).toHex()));
        QCOMPARE(scalar(env, u"select total_fen from upload_file"_s), 15000);
        QCOMPARE(scalar(env, u"select item_count from upload_file"_s), 3);
        QCOMPARE(env.scalar(u"select items from upload_file"_s).toString(),
            u"6228480099990001\t张三\t5000\t货款\n6228480099990002\t李四\t7050\t工资\n"
            u"6228480099990003\t王五\t2950\t差旅费\n"_s);
        QCOMPARE(historyWarnings(env.checkReports.at(0)), QStringList {});

        // The same batch again: warned, and written all the same.
        env.prompt.clear();
        const QString second = env.path(u"batch2.csv"_s);
        writeAt(env, second, kFirst.addSecs(3600));
        QCOMPARE(env.checkReports.size(), size_t(2));
        QCOMPARE(historyWarnings(env.checkReports.at(1)),
            QStringList { u"0|本批指令与 2025-06-20 09:30 生成的 batch1.csv 完全相同，可能重复上传"_s });
        QCOMPARE(env.checkReports.at(1).findings.front().row, 0);
        QCOMPARE(readBytes(second), readBytes(first));
        QCOMPARE(scalar(env, u"select count(distinct sha256) from upload_file"_s), 1);
        QCOMPARE(scalar(env, u"select count(*) from upload_file"_s), 2);

        // One amount changed: the two others were paid in the newest file.
        env.prompt.clear();
        env.exec(u"update payment set pay_amt=51 where rec_acc_no='6228480099990001'"_s);
        writeAt(env, env.path(u"batch3.csv"_s), kFirst.addSecs(7200));
        QCOMPARE(historyWarnings(env.checkReports.at(2)),
            QStringList({ u"2|可能重复付款：与 2025-06-20 10:30 生成的 batch2.csv 第2笔相同"_s,
                u"3|可能重复付款：与 2025-06-20 10:30 生成的 batch2.csv 第3笔相同"_s }));

        // Past the window (31 days) nothing is warned.
        env.prompt.clear();
        writeAt(env, env.path(u"batch4.csv"_s), kFirst.addDays(40));
        QCOMPARE(historyWarnings(env.checkReports.at(3)), QStringList {});
    }

    // A file that could not be written is not recorded; a file written whole
    // whose record the store refuses stays, and the user is told.
    void onlyAWrittenFileIsRecorded()
    {
        TestEnv env;
        addBatch(env);
        env.window();
        writeAt(env, env.path(u"no such folder/batch.csv"_s), kFirst);
        QCOMPARE(env.prompt.messages(), QStringList { u"文件读写错误，批量支付文件生成失败"_s });
        QCOMPARE(scalar(env, u"select count(*) from upload_file"_s), 0);

        env.prompt.clear();
        env.exec(u"create trigger refuse_file before insert on upload_file"_s
            + u" begin select raise(abort, '磁盘已满'); end"_s);
        const QString path = env.path(u"batch.csv"_s);
        writeAt(env, path, kFirst);
        QCOMPARE(env.prompt.messages(),
            QStringList { u"批量支付文件*.csv生成完毕\n文件："_s + QDir::toNativeSeparators(path)
                + u"\n注意：该文件未能记入上传记录（磁盘已满），以后生成上传文件时不会与它比对重复付款。"_s });
        QVERIFY(readBytes(path).startsWith("3,150.00\r\n"));
        QCOMPARE(scalar(env, u"select count(*) from upload_file"_s), 0);
    }

    // The window from the tab's menu: the files newest first, the chosen
    // file's instructions below, the file compared with its hash, the
    // instructions exported, the older records deleted after a question.
    void historyWindowDrivenByTheUser()
    {
        TestEnv env;
        addBatch(env);
        frmMain& w = env.window();
        const QString first = env.path(u"batch1.csv"_s);
        writeAt(env, first, kFirst);
        env.exec(u"delete from payment where rec_acc_no='6228480099990003'"_s);
        w.resetPaymentB2B();
        writeAt(env, env.path(u"batch2.csv"_s), kSecond);
        writeBytes(first, readBytes(first).replace("#50.00", "#90.00"));
        const QString exported = env.path(u"items.csv"_s);
        env.prompt.clear();

        GuiTest gui(env.prompt);
        gui.show(w);
        QStringList files;
        QStringList shownFirst;
        QStringList shownChosen;
        gui.whenModal(u"frmUploadHistory"_s, [&](QWidget& dialog) {
            auto* list = gui.find<QTableView>(u"frmUploadHistory_grdFiles"_s);
            auto* items = gui.find<QTableView>(u"frmUploadHistory_grdItems"_s);
            files = rowsOf(list->model());
            shownFirst = rowsOf(items->model());
            clickRow(list, 1);
            shownChosen = rowsOf(items->model());
            gui.click(u"frmUploadHistory_cmdVerify"_s);
            env.prompt.answerFile(exported);
            gui.click(u"frmUploadHistory_cmdExportItems"_s);

            // Thinning: Enter answers the question with its default, Cancel.
            auto* before = gui.find<QDateEdit>(u"frmUploadHistory_dtpBefore"_s);
            // From 2024-06-30 (a year before now): the day down five, the year up one.
            before->setFocus();
            QTest::keyClick(before, Qt::Key_End);
            for (int i = 0; i < 5; ++i)
                QTest::keyClick(before, Qt::Key_Down);
            QTest::keyClick(before, Qt::Key_Home);
            QTest::keyClick(before, Qt::Key_Up);
            QCOMPARE(before->date(), QDate(2025, 6, 25));
            gui.answerBoxesWithEnter();
            env.prompt.answerCancel();
            gui.click(u"frmUploadHistory_cmdDeleteBefore"_s);
            QCOMPARE(list->model()->rowCount(), 2);
            gui.answerBoxesWithEnter(false);
            env.prompt.answerOk();
            gui.click(u"frmUploadHistory_cmdDeleteBefore"_s);
            QCOMPARE(rowsOf(list->model()).size(), 1);
            dialog.close();
        });
        env.click(u"PaymentB2B_cmdUploadHistory"_s);
        QTRY_VERIFY(gui.modalStepsRan());

        QCOMPARE(files,
            QStringList({ u"2025-06-30 10:00:00,批量支付(CSV),"_s + QDir::toNativeSeparators(env.path(u"batch2.csv"_s))
                    + u",2,120.50,壹佰贰拾元伍角"_s,
                u"2025-06-20 09:30:00,批量支付(CSV),"_s + QDir::toNativeSeparators(first)
                    + u",3,150.00,壹佰伍拾元"_s }));
        QCOMPARE(shownFirst,
            QStringList({ u"1,6228480099990001,张三,50.00,货款"_s, u"2,6228480099990002,李四,70.50,工资"_s }));
        QCOMPARE(shownChosen,
            QStringList({ u"1,6228480099990001,张三,50.00,货款"_s, u"2,6228480099990002,李四,70.50,工资"_s,
                u"3,6228480099990003,王五,29.50,差旅费"_s }));
        QCOMPARE(env.prompt.texts(),
            QStringList({ u"文件已被修改\n文件："_s + QDir::toNativeSeparators(first), u"CSV 文件 (*.csv)"_s,
                u"指令列表已导出\n文件："_s + QDir::toNativeSeparators(exported),
                u"是否确认删除早于2025-06-25生成的1个上传文件的记录?"_s,
                u"是否确认删除早于2025-06-25生成的1个上传文件的记录?"_s, u"已删除1个上传文件的记录"_s }));
        QCOMPARE(env.prompt.calls().at(3).defaultButton, DefaultButton::Cancel);
        QCOMPARE(GbkCodec::decode(readBytes(exported)).value_or(QString()),
            u"序号,收款账号,户名,金额,备注\r\n1,6228480099990001,张三,50.00,货款\r\n"
            u"2,6228480099990002,李四,70.50,工资\r\n3,6228480099990003,王五,29.50,差旅费\r\n"_s);
        QCOMPARE(scalar(env, u"select count(*) from upload_file"_s), 1);
        QCOMPARE(scalar(env, kStoredItems), 2);
        int thinning = 0;
        for (const BackupEntry& e : Backups::list(Backups::folderFor(env.db().dbPath())))
            thinning += e.operation == u"thin-history"_s;
        QCOMPARE(thinning, 1);
    }

    // The history is kept when the batch is cleared by New.
    void newKeepsTheHistory()
    {
        TestEnv env;
        addBatch(env);
        env.window();
        writeAt(env, env.path(u"batch.csv"_s), kFirst);
        env.prompt.clear();
        env.prompt.answerOk();
        env.click(u"menuNew"_s);
        QCOMPARE(scalar(env, u"select count(*) from payment"_s), 0);
        QCOMPARE(scalar(env, kStoredItems), 3);
    }
};

QELVORA_TEST(TestUploadHistoryWindow)
#include "tst_uploadhistorywindow.moc"
