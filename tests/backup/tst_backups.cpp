#include "../masterdata/MasterDataTestSupport.h"
#include "BackupTestSupport.h"
#include "GuiTest.h"
#include "TestRegistry.h"
#include "app/ListGrid.h"
#include "app/TabPage.h"
#include "app/frmMain.h"
#include "app/frmRestore.h"
#include "store/StoreBackup.h"

#include <QPushButton>
#include <QTableWidget>

using namespace Qt::StringLiterals;
using Kind = RecordingPrompt::Kind;
using mdtest::dragRows;
using mdtest::showTab;

namespace {

// Three of everything: batch and payroll instructions, roster entries, remarks,
// payer accounts.
void fillStore(TestEnv& env)
{
    for (int i = 1; i <= 3; ++i) {
        const QString n = QString::number(i);
        env.exec(
            u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
            u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values (?,?,?,?,?,?,'','','',?,?,'')"_s,
            { u"20240101120000000000%1"_s.arg(i, 2, 10, QChar(u'0')), u"6228480012345678"_s, u"某某贸易有限公司"_s,
                u"0"_s, u"62284800999900"_s + n, u"收款人"_s + n, u"10.0"_s + n, u"货款"_s });
        env.exec(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,cert_type,"
                 u"cert_code) values (?,'1',?,?,?,'0','1','')"_s,
            { i, u"622200000000000"_s + n, u"员工"_s + n, u"E00"_s + n });
        env.exec(u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark) values (?,?,?,'0','',?)"_s,
            { i, u"622200000000000"_s + n, u"100"_s + n, u"工资"_s });
        env.exec(u"insert into user_remark (remark) values (?)"_s, { u"备注"_s + n });
        env.exec(u"insert into pay_acc (acc_no,acc_name,currency) values (?,?,'01')"_s,
            { u"955880000000000"_s + n, u"付款户"_s + n });
    }
}

// A clock the test moves by hand.
struct FakeClock {
    explicit FakeClock(TestEnv& env, const QDateTime& start)
        : now(start)
    {
        env.ctx().backupLog.clock = [this] { return now; };
    }
    QDateTime now;
};

const QDateTime kNoon(QDate(2025, 6, 30), QTime(12, 0, 0));

// Imports the reference batch file over the listed batch (answering the
// question before the list is replaced).
void importBatch(TestEnv& env)
{
    const QString path = env.path(u"b2b.csv"_s);
    writeAll(path, readBytes(QStringLiteral(QELVORA_TEST_DATA "/payment/upload_reference.csv")));
    env.prompt.answerFile(path);
    env.prompt.answerOk();
    env.click(u"PaymentB2B_cmdLoadB2BFileBut"_s);
}

// A store file made unusable in one of the ways a chosen file can be.
QString badStore(TestEnv& env, const QString& kind)
{
    const QString path = env.path(kind + u".mdb"_s);
    if (kind == u"empty"_s) {
        writeAll(path, {});
        return path;
    }
    if (kind == u"text"_s) {
        writeAll(path, "凭证,金额\r\n1,2\r\n"_ba);
        return path;
    }
    QFile::copy(storeData(u"v1.mdb"_s), path);
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (kind == u"truncated"_s) {
        // A download cut off after its first pages.
        const QByteArray whole = readBytes(path);
        writeAll(path, whole.left(whole.size() / 2));
        return path;
    }
    RecordingPrompt prompt;
    DBAccess db(path, prompt);
    if (kind == u"newer"_s)
        db.Update(u"PRAGMA user_version = %1"_s.arg(DBAccess::kSchemaVersion + 1));
    else if (kind == u"foreign"_s)
        db.Update(u"PRAGMA application_id = 7"_s);
    else if (kind == u"noTables"_s)
        for (const QString& table : { u"payment"_s, u"laborage"_s, u"person_payee_acc"_s })
            db.Update(u"drop table "_s + table);
    return path;
}

} // namespace

class TestBackups : public QObject {
    Q_OBJECT
private slots:
    // Each operation that deletes or replaces many rows first makes one backup,
    // and that backup holds the store exactly as it was before.
    void everyOperationBacksUpTheStoreBeforeIt_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::newRow("batch import") << u"import-batch"_s;
        QTest::newRow("payer account import") << u"import-payacc"_s;
        QTest::newRow("roster import") << u"import-roster"_s;
        QTest::newRow("New on the batch") << u"new-batch"_s;
        QTest::newRow("New on the payroll") << u"new-payroll"_s;
        QTest::newRow("range delete") << u"delete-rows"_s;
        QTest::newRow("roster delete with payroll") << u"delete-roster"_s;
    }
    void everyOperationBacksUpTheStoreBeforeIt()
    {
        QFETCH(QString, operation);
        TestEnv env;
        fillStore(env);
        frmMain& w = env.window();
        FakeClock clock(env, kNoon);
        const QString before = dumpStore(env.db().dbPath());
        env.prompt.clear();
        if (operation == u"import-batch"_s) {
            importBatch(env);
        } else if (operation == u"import-payacc"_s) {
            showTab(env, frmMain::TabPayAccList);
            env.prompt.answerFile(QStringLiteral(QELVORA_TEST_DATA "/masterdata/payacc_export.xml"));
            env.click(u"PayAccList_cmdImport"_s);
        } else if (operation == u"import-roster"_s) {
            showTab(env, frmMain::TabEmployeeList);
            env.prompt.answerFile(QStringLiteral(QELVORA_TEST_DATA "/masterdata/roster_export.csv"));
            env.prompt.answerOk();
            env.click(u"employeeList_cmdImport"_s);
        } else if (operation == u"new-batch"_s) {
            env.prompt.answerOk();
            env.click(u"menuNew"_s);
        } else if (operation == u"new-payroll"_s) {
            showTab(env, frmMain::TabLaborage);
            env.prompt.answerOk();
            env.click(u"menuNew"_s);
        } else if (operation == u"delete-rows"_s) {
            ListGrid* grid = showTab(env, frmMain::TabPaymentB2B);
            grid->selectRows(1, 2, 2);
            env.prompt.answerOk();
            env.click(u"PaymentB2B_cmdDeleteBut"_s);
        } else if (operation == u"delete-roster"_s) {
            ListGrid* grid = showTab(env, frmMain::TabEmployeeList);
            dragRows(grid, 1, 2);
            env.prompt.answerOk();
            env.click(u"EmployeeList_cmdDelete"_s);
        }
        QVERIFY(env.prompt.allAnswersUsed());
        QVERIFY2(dumpStore(env.db().dbPath()) != before, qPrintable(env.prompt.texts().join(u'\n')));
        const QStringList made = backupsOf(env, operation);
        QCOMPARE(made, QStringList { u"userdb-20250630-120000-"_s + operation + u".mdb"_s });
        QCOMPARE(dumpStore(backupPath(env, made.first())), before);
        Q_UNUSED(w);
    }

    // A settings save backs up the store and sysConf.ini as they were.
    void settingsSaveBacksUpBoth()
    {
        TestEnv env;
        fillStore(env);
        frmMain& w = env.window();
        FakeClock clock(env, kNoon);
        const QByteArray settingsBefore = readBytes(env.path(u"sysConf.ini"_s));
        const QString before = dumpStore(env.db().dbPath());
        env.prompt.clear();
        GuiTest gui(env.prompt);
        gui.show(w);
        gui.whenModal(u"frmSysConf"_s, [&](QWidget&) {
            gui.type(u"txtBankName"_s, u"示例银行"_s);
            gui.click(u"Command2_0"_s);
        });
        env.click(u"option"_s);
        QTRY_VERIFY(gui.modalStepsRan());
        QCOMPARE(env.prompt.messages(), QStringList { u"系统设定保存成功。"_s });
        QCOMPARE(backupsOf(env, u"settings"_s), QStringList { u"userdb-20250630-120000-settings.mdb"_s });
        QCOMPARE(dumpStore(backupPath(env, u"userdb-20250630-120000-settings.mdb"_s)), before);
        QCOMPARE(readBytes(backupPath(env, u"sysConf-20250630-120000-settings.ini"_s)), settingsBefore);
        QVERIFY(readBytes(env.path(u"sysConf.ini"_s)) != settingsBefore);
    }

    // A delete of one row, and New on an empty list, make no backup.
    void smallChangesMakeNone()
    {
        TestEnv env;
        fillStore(env);
        ListGrid* grid = showTab(env, frmMain::TabPaymentB2B);
        grid->selectRows(2, 2, 2);
        env.prompt.clear();
        env.prompt.answerOk();
        env.click(u"PaymentB2B_cmdDeleteBut"_s);
        QCOMPARE(env.scalar(u"select count(*) from payment"_s).toInt(), 2);
        QCOMPARE(backupNames(env).size(), 1); // the day's start
    }

    // When no backup can be made, the user is told why and chooses; Enter
    // (Cancel) keeps the data untouched.
    void failedBackupAsksWhetherToGoOn_data()
    {
        QTest::addColumn<bool>("goOn");
        QTest::newRow("cancel") << false;
        QTest::newRow("go on without") << true;
    }
    void failedBackupAsksWhetherToGoOn()
    {
        QFETCH(bool, goOn);
        TestEnv env;
        fillStore(env);
        env.window();
        // A file where the backup folder belongs.
        const QString folder = Backups::folderFor(env.db().dbPath());
        QDir(folder).removeRecursively();
        writeAll(folder, "x");
        env.prompt.clear();
        env.prompt.answerOk();
        goOn ? env.prompt.answerOk() : env.prompt.answerCancel();
        env.click(u"menuNew"_s);
        QCOMPARE(env.prompt.calls().size(), 2);
        const RecordingPrompt::Call& asked = env.prompt.calls().at(1);
        QCOMPARE(asked.kind, Kind::AskOkCancel);
        QCOMPARE(asked.defaultButton, DefaultButton::Cancel);
        QCOMPARE(asked.text,
            u"无法备份数据：无法建立备份文件夹“%1”\n是否不备份继续?"_s.arg(QDir::toNativeSeparators(folder)));
        QCOMPARE(env.scalar(u"select count(*) from payment"_s).toInt(), goOn ? 0 : 3);
    }

    // Retention: the newest 30 and the newest of each of the last 90 days stay.
    void retentionKeepsTheDocumentedSet_data()
    {
        QTest::addColumn<int>("days"); // backups on this many days before today
        QTest::addColumn<int>("perDay");
        QTest::addColumn<int>("kept"); // after one more today
        QTest::addColumn<QString>("oldestKept");
        QTest::newRow("35 today") << 0 << 35 << 30 << u"userdb-20250630-080600-manual.mdb"_s;
        QTest::newRow("one a day for 100 days") << 100 << 1 << 90 << u"userdb-20250402-080000-manual.mdb"_s;
        QTest::newRow("three a day for 40 days") << 40 << 3 << 30 + 30 << u"userdb-20250521-080200-manual.mdb"_s;
        QTest::newRow("five a day for 20 days") << 20 << 5 << 30 + 14 << u"userdb-20250610-080400-manual.mdb"_s;
    }
    void retentionKeepsTheDocumentedSet()
    {
        QFETCH(int, days);
        QFETCH(int, perDay);
        QFETCH(int, kept);
        QFETCH(QString, oldestKept);
        TestEnv env;
        const QString folder = Backups::folderFor(env.db().dbPath());
        QVERIFY(QDir().mkpath(folder));
        for (int d = days == 0 ? 0 : 1; d <= days; ++d)
            for (int i = 0; i < perDay; ++i)
                writeAll(QDir(folder).filePath(
                             Backups::fileName(QDateTime(kNoon.date().addDays(-d), QTime(8, i, 0)), u"manual"_s)),
                    "");
        // Files that are not backups are never touched.
        writeAll(QDir(folder).filePath(u"notes.txt"_s), "");
        writeAll(QDir(folder).filePath(u"userdb-copy.mdb"_s), "");
        FakeClock clock(env, kNoon);
        QVERIFY(Backups::make(env.ctx(), u"manual"_s));
        const QStringList names = backupNames(env);
        QCOMPARE(names.size(), kept);
        QCOMPARE(names.first(), u"userdb-20250630-120000-manual.mdb"_s);
        QCOMPARE(names.last(), oldestKept);
        QVERIFY(QFileInfo::exists(QDir(folder).filePath(u"notes.txt"_s)));
        QVERIFY(QFileInfo::exists(QDir(folder).filePath(u"userdb-copy.mdb"_s)));
    }

    // The first start of a day makes one backup; later starts that day none.
    void firstStartOfTheDayBacksUp()
    {
        TestEnv env;
        FakeClock clock(env, kNoon);
        env.window();
        QCOMPARE(backupNames(env), QStringList { u"userdb-20250630-120000-start.mdb"_s });
        Backups::atStart(env.ctx());
        QCOMPARE(backupNames(env).size(), 1);
        clock.now = kNoon.addDays(1);
        Backups::atStart(env.ctx());
        QCOMPARE(backupNames(env).first(), u"userdb-20250701-120000-start.mdb"_s);
    }

    // A file that cannot be restored is refused naming why, and nothing
    // changes: no backup is made and the store is as it was.
    void restoreRefusesUnusableFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty file") << u"empty"_s << u"文件是空的"_s;
        QTest::newRow("not a database") << u"text"_s << u"文件不是数据库或已损坏"_s;
        QTest::newRow("truncated download") << u"truncated"_s << u"文件不是数据库或已损坏"_s;
        QTest::newRow("without our tables") << u"noTables"_s << u"文件中缺少本程序的数据表"_s;
        QTest::newRow("another program's database") << u"foreign"_s << u"文件不是本程序的数据库"_s;
        QTest::newRow("newer version") << u"newer"_s
                                       << u"数据库版本 %1 高于本程序支持的版本 %2"_s.arg(DBAccess::kSchemaVersion + 1)
                                              .arg(DBAccess::kSchemaVersion);
    }
    void restoreRefusesUnusableFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        TestEnv env;
        fillStore(env);
        frmMain& w = env.window();
        const QString path = badStore(env, kind);
        const QString before = dumpStore(env.db().dbPath());
        const QStringList backupsBefore = backupNames(env);
        env.prompt.clear();
        frmRestore dialog(
            env.ctx(), [&] { w.refreshTab(frmMain::TabPaymentB2B); }, &w);
        env.prompt.answerFile(path);
        env.prompt.answerOk();
        dialog.findChild<QPushButton*>(u"frmRestore_cmdRestoreFile"_s)->click();
        const QStringList messages = env.prompt.messages();
        QCOMPARE(messages.size(), 1);
        const QString expected = u"无法从文件“%1”恢复数据：%2"_s.arg(QDir::toNativeSeparators(path), reason);
        QVERIFY2(messages.first().startsWith(expected), qPrintable(messages.first()));
        QCOMPARE(dumpStore(env.db().dbPath()), before);
        QCOMPARE(backupNames(env), backupsBefore);
    }

    // Restoring a chosen file: the current store is backed up first, the
    // store then holds the file's content (an older file upgraded), the list
    // is reloaded and the message says what came back.
    void restoreBacksUpTheCurrentStoreFirst_data()
    {
        QTest::addColumn<QString>("store");
        QTest::newRow("current version") << u"v1.mdb"_s;
        QTest::newRow("earlier version") << u"v0.mdb"_s;
    }
    void restoreBacksUpTheCurrentStoreFirst()
    {
        QFETCH(QString, store);
        TestEnv env;
        fillStore(env);
        ListGrid* grid = showTab(env, frmMain::TabPaymentB2B);
        frmMain& w = env.window();
        FakeClock clock(env, kNoon);
        const QString before = dumpStore(env.db().dbPath());
        env.prompt.clear();
        frmRestore dialog(
            env.ctx(), [&] { w.refreshTab(frmMain::TabPaymentB2B); }, &w);
        env.prompt.answerFile(storeData(store));
        env.prompt.answerOk();
        dialog.findChild<QPushButton*>(u"frmRestore_cmdRestoreFile"_s)->click();
        QCOMPARE(env.prompt.messages(),
            QStringList { u"数据已恢复：批量支付指令 1 笔（合计 1,234.50 元），代发代扣指令 1 笔，代发代扣名册 1 人。\n"
                          u"备份文件："_s
                + QDir::toNativeSeparators(storeData(store)) });
        QCOMPARE(backupsOf(env, u"restore"_s), QStringList { u"userdb-20250630-120000-restore.mdb"_s });
        QCOMPARE(dumpStore(backupPath(env, u"userdb-20250630-120000-restore.mdb"_s)), before);
        QCOMPARE(withoutTables(dumpStore(env.db().dbPath()), kHistoryTables).section(u'\n', 1),
            dumpStore(storeData(u"v1.mdb"_s)).section(u'\n', 1));
        QCOMPARE(env.scalar(u"PRAGMA user_version"_s).toInt(), DBAccess::kSchemaVersion);
        QCOMPARE(env.scalar(u"PRAGMA application_id"_s).toLongLong(), qlonglong(DBAccess::kApplicationId));
        QCOMPARE(grid->rows(), 2);
        QCOMPARE(w.statusPanelText(4), u"1,234.50"_s);
    }

    // Undo of the last import brings back exactly the old batch, after a
    // question naming the file and the time (default Cancel).
    void undoOfTheLastImport()
    {
        TestEnv env;
        fillStore(env);
        env.window();
        FakeClock clock(env, kNoon);
        const QString before = dumpStore(env.db().dbPath());
        importBatch(env);
        QVERIFY(dumpStore(env.db().dbPath()) != before);

        env.prompt.clear();
        env.prompt.answerCancel();
        env.click(u"menuUndoImport"_s);
        QCOMPARE(env.prompt.calls().size(), 1);
        QCOMPARE(env.prompt.calls().first().defaultButton, DefaultButton::Cancel);
        QCOMPARE(env.prompt.calls().first().text,
            u"是否撤销上次导入?\n导入的文件：%1\n数据将恢复到导入之前（2025-06-30 12:00:00）的状态，导入的数据将被删除。"_s
                .arg(QDir::toNativeSeparators(env.path(u"b2b.csv"_s))));
        QVERIFY(dumpStore(env.db().dbPath()) != before);

        env.prompt.clear();
        clock.now = kNoon.addSecs(60);
        env.prompt.answerOk();
        env.click(u"menuUndoImport"_s);
        QCOMPARE(dumpStore(env.db().dbPath()), before);
        QCOMPARE(env.window().statusPanelText(2), u"3"_s);
        // Once undone, there is nothing left to undo.
        env.prompt.clear();
        env.click(u"menuUndoImport"_s);
        QCOMPARE(env.prompt.messages(),
            QStringList { u"没有可以撤销的导入：上次导入之后数据已有改动，或本次运行中尚未导入。"_s });
    }

    // A change after the import ends the undo: it would lose that change.
    void undoEndsWithTheNextChange()
    {
        TestEnv env;
        fillStore(env);
        env.window();
        importBatch(env);
        ListGrid* grid = showTab(env, frmMain::TabPaymentB2B);
        grid->selectRows(1, 1, 2);
        env.prompt.clear();
        env.prompt.answerOk();
        env.click(u"PaymentB2B_cmdDeleteBut"_s);
        const QString after = dumpStore(env.db().dbPath());
        env.prompt.clear();
        env.click(u"menuUndoImport"_s);
        QCOMPARE(env.prompt.messages(),
            QStringList { u"没有可以撤销的导入：上次导入之后数据已有改动，或本次运行中尚未导入。"_s });
        QCOMPARE(dumpStore(env.db().dbPath()), after);
    }

    // "备份数据…" writes a whole copy where the user chooses.
    void backupByHand()
    {
        TestEnv env;
        fillStore(env);
        env.window();
        const QString before = dumpStore(env.db().dbPath());
        const QString target = env.path(u"U盘/备份"_s);
        QVERIFY(QDir().mkpath(env.path(u"U盘"_s)));
        env.prompt.clear();
        env.prompt.answerFile(target);
        env.click(u"menuBackup"_s);
        QCOMPARE(env.prompt.messages(),
            QStringList { u"数据备份完毕\n文件："_s + QDir::toNativeSeparators(target + u".mdb"_s) });
        QCOMPARE(dumpStore(target + u".mdb"_s), before);
    }

    // The restore window driven by the user: the list newest first with its
    // counts and exact total, a click on an older backup, "恢复", the question
    // answered, the message; the store holds that backup.
    void restoreWindowWithKeysAndClicks()
    {
        TestEnv env;
        FakeClock clock(env, kNoon.addDays(-1));
        frmMain& w = env.window(); // the day's start backup, the day before
        clock.now = kNoon;
        fillStore(env);
        QVERIFY(Backups::make(env.ctx(), u"manual"_s));
        const QString older = dumpStore(env.db().dbPath());
        env.exec(u"delete from payment where serial_no like '%01'"_s);
        clock.now = kNoon.addSecs(3600);
        QVERIFY(Backups::make(env.ctx(), u"import-batch"_s));
        env.exec(u"delete from payment"_s);
        clock.now = kNoon.addSecs(7200);

        env.prompt.clear();
        GuiTest gui(env.prompt);
        gui.show(w);
        QStringList firstRows;
        gui.whenModal(u"frmRestore"_s, [&](QWidget& dialog) {
            auto* list = gui.find<QTableWidget>(u"frmRestore_lstBackups"_s);
            for (int r = 0; r < list->rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < list->columnCount(); ++c)
                    cells << (list->item(r, c) ? list->item(r, c)->text() : QString());
                firstRows << cells.join(u',');
            }
            const QRect rect = list->visualItemRect(list->item(1, 1));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
            env.prompt.answerOk();
            gui.click(u"frmRestore_cmdRestore"_s);
            QTRY_VERIFY(!dialog.isVisible());
        });
        env.click(u"menuRestore"_s);
        QTRY_VERIFY(gui.modalStepsRan());
        QCOMPARE(firstRows.mid(0, 3),
            QStringList({ u"2025-06-30 13:00:00,导入批量支付文件,2,3,3,20.05"_s,
                u"2025-06-30 12:00:00,手工备份,3,3,3,30.06"_s, firstRows.value(2) }));
        QVERIFY(firstRows.value(2).contains(u"每日启动"_s));
        QCOMPARE(gui.boxes().first(),
            u"将用 2025-06-30 12:00:00 的备份（手工备份）替换当前的全部数据，当前数据会先备份。是否继续?"_s);
        QCOMPARE(dumpStore(env.db().dbPath()), older);
        QCOMPARE(w.statusPanelText(2), u"3"_s);
    }
};

QELVORA_TEST(TestBackups)
#include "tst_backups.moc"
