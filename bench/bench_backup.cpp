// Backup and restore of a large store: the program's backup (SQLite's online
// backup API, as before an import) beside the sqlite3 shell's ".backup" of the
// same file in the same run, and a restore of the copy through the restore
// path (check, backup of the current store, replace).
//
//   bench_backup [N]      (N batch and N payroll instructions, N/10 roster entries; default 100000)
//
// Prints the median of three runs of each step and the ratio of the backup to
// sqlite3's. Needs the sqlite3 shell (Debian package sqlite3) on the PATH.

#include "BenchSupport.h"
#include "domain/Backups.h"
#include "store/StoreBackup.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <cstdio>

using namespace Qt::StringLiterals;
using bench::measure;
using bench::Timing;

namespace {

void fill(DBAccess& db, int n)
{
    db.BeginTrans();
    for (int i = 1; i <= n; ++i) {
        const QString acc = u"62170000%1"_s.arg(i, 11, 10, QChar(u'0'));
        db.Insert(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
                  u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values (?,?,?,?,?,?,?,?,?,?,?,'')"_s,
            { u"2024010112%1"_s.arg(i, 12, 10, QChar(u'0')), u"6228480012345678"_s, u"某某贸易有限公司"_s,
                QString::number(i % 2), acc, bench::personName(i), u"0101"_s, u"020"_s, u"313100000013"_s,
                bench::amount(i), u"货款"_s });
        db.Insert(
            u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark) values (?,?,?,'0','',?)"_s,
            { i, acc, bench::amount(i), u"工资"_s });
    }
    for (int i = 1; i <= n / 10; ++i)
        db.Insert(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no) "
                  u"values (?,?,?,?,?,'0','')"_s,
            { i, u"一组"_s, u"62170000%1"_s.arg(i, 11, 10, QChar(u'0')), bench::personName(i),
                u"E%1"_s.arg(i, 6, 10, QChar(u'0')) });
    db.Commit();
}

Timing median(std::vector<Timing> runs)
{
    std::sort(runs.begin(), runs.end());
    return runs.at(runs.size() / 2);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int n = bench::countArgument(argc, argv, 1, 100000);

    bench::Program program;
    if (!program.createStore())
        return 1;
    AppContext& ctx = *program.ctx;
    fill(ctx.db(), n);
    const QString store = ctx.db().dbPath();
    std::printf("%-28s %d batch, %d payroll, %d roster\n", "store", n, n, n / 10);
    std::printf("%-28s %.1f MB\n", "store size", static_cast<double>(QFileInfo(store).size()) / 1e6);

    std::vector<Timing> ours;
    std::vector<Timing> shell;
    std::vector<Timing> restores;
    QString lastCopy;
    for (int run = 0; run < 3; ++run) {
        ctx.backupLog.clock = [run] { return QDateTime(QDate(2025, 1, 1), QTime(10, 0, run)); };
        bool ok = true;
        ours.push_back(measure([&] {
            const Result<QString> made = Backups::make(ctx, u"manual"_s);
            ok = made.ok();
            if (ok)
                lastCopy = *made;
        }));
        if (!ok) {
            std::fprintf(stderr, "backup failed\n");
            return 1;
        }
        const QString target = program.dir.filePath(u"shell-%1.mdb"_s.arg(run));
        int status = -1;
        shell.push_back(measure([&] {
            status = QProcess::execute(u"sqlite3"_s, { store, u".backup '%1'"_s.arg(target) });
        }));
        if (status != 0) {
            std::fprintf(stderr, "sqlite3 .backup failed (%d): is the sqlite3 shell installed?\n", status);
            return 1;
        }
    }
    for (int run = 0; run < 3; ++run) {
        ctx.backupLog.clock = [run] { return QDateTime(QDate(2025, 1, 2), QTime(10, 0, run)); };
        bool ok = true;
        restores.push_back(measure([&] { ok = Backups::restore(ctx, lastCopy).ok(); }));
        if (!ok) {
            std::fprintf(stderr, "restore failed\n");
            return 1;
        }
    }
    // The three steps of a restore, one run each: where its time goes.
    ctx.backupLog.clock = [] { return QDateTime(QDate(2025, 1, 3), QTime(10, 0, 0)); };
    const Timing check = measure([&] { StoreBackup::inspect(lastCopy); });
    const Timing current = measure([&] { Backups::make(ctx, u"restore"_s); });
    const Timing replace = measure([&] { StoreBackup::replaceContent(ctx.db(), lastCopy); });
    const Timing a = median(ours);
    const Timing b = median(shell);
    const Timing r = median(restores);
    std::printf("%-28s %.3f s (cpu %.3f s)\n", "backup (online backup API)", a.wall, a.cpu);
    std::printf("%-28s %.3f s\n", "sqlite3 .backup", b.wall);
    std::printf("%-28s %.2f (limit 1.5)\n", "ratio", a.wall / b.wall);
    std::printf("%-28s %.3f s (cpu %.3f s, limit 1 s)\n", "restore", r.wall, r.cpu);
    std::printf("%-28s %.3f s (cpu %.3f s)\n", "  check of the file", check.wall, check.cpu);
    std::printf("%-28s %.3f s (cpu %.3f s)\n", "  backup of the current", current.wall, current.cpu);
    std::printf("%-28s %.3f s (cpu %.3f s)\n", "  replace (journalled)", replace.wall, replace.cpu);
    if (bench::rowCount(ctx.db(), u"payment"_s) != n) {
        std::fprintf(
            stderr, "the restored store holds %d batch instructions\n", bench::rowCount(ctx.db(), u"payment"_s));
        return 1;
    }
    return 0;
}
