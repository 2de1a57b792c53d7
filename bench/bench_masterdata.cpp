// Master-data imports with large files: how long the import of N payer
// accounts and of N remarks from XML takes, first into an empty table and then
// again over the same rows (every record replaces an existing one), both
// through the tab as the user runs it (import, then the list reload) and as the
// bare import; and the peak memory of the process.
//
//   bench_masterdata [N]      (N records, default 10000)
//
// Runs offscreen; no window is shown.

#include "BenchSupport.h"
#include "app/TabPage.h"
#include "common/TextFile.h"
#include "common/XmlDoc.h"
#include "domain/masterdata/MasterDataXml.h"

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>

#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;
using bench::peakMemoryKb;

namespace {

bool writeFile(const QString& path, const QStringList& lines)
{
    const Result<> result = TextFile::writeLines(path, lines);
    if (!result)
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(result.message()));
    return result.ok();
}

// Runs `step` and prints its time; false when the check after it fails.
bool timed(const char* what, const std::function<void()>& step, const std::function<bool()>& check)
{
    const double s = bench::measure(step).wall;
    const bool ok = check();
    bench::reportChecked(52, what, s, ok);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    const int n = bench::countArgument(argc, argv, 1, 10000);

    bench::Program program;
    if (!program.createStore() || !program.start())
        return 1;
    bench::SilentPrompt& prompt = program.prompt;
    const QTemporaryDir& dir = program.dir;
    frmMain* window = program.window.get();
    DBAccess& db = program.ctx->db();

    // The files: N payer accounts, N remarks (all in one file).
    QList<MasterDataXml::PayAccount> accounts;
    QStringList remarks;
    for (int i = 0; i < n; ++i) {
        accounts.append(
            { u"6222%1"_s.arg(i, 16, 10, QChar(u'0')), u"人民币"_s, u"某某贸易有限公司 & 分公司 %1"_s.arg(i) });
        remarks << u"用途备注 <%1>"_s.arg(i, 6, 10, QChar(u'0'));
    }
    const QString accountFile = dir.filePath(u"accounts.xml"_s);
    const QString remarkFile = dir.filePath(u"remarks.xml"_s);
    if (!writeFile(accountFile, MasterDataXml::payAccountLines(accounts))
        || !writeFile(remarkFile, MasterDataXml::remarkLines(remarks)))
        return 1;

    std::printf("bench_masterdata: %d records\n", n);
    bool ok = true;

    // Through the tabs: the user's import, then the list reload.
    auto importThroughTab = [&](int tab, const QString& file, const char* button) {
        window->SSTabMain()->setCurrentIndex(tab);
        prompt.openPath = file;
        prompt.messages.clear();
        window->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    };
    auto finished = [&](const QString& message, const QString& table, int tab) {
        return prompt.messages == QStringList { message } && bench::rowCount(db, table) == n
            && window->page(tab)->grid()->rows() == n + 1;
    };
    ok &= timed(
        "payer accounts, tab import into an empty table",
        [&] { importThroughTab(frmMain::TabPayAccList, accountFile, "PayAccList_cmdImport"); },
        [&] { return finished(u"导入付款账号完毕"_s, u"pay_acc"_s, frmMain::TabPayAccList); });
    ok &= timed(
        "payer accounts, tab import replacing every row",
        [&] { importThroughTab(frmMain::TabPayAccList, accountFile, "PayAccList_cmdImport"); },
        [&] { return finished(u"导入付款账号完毕"_s, u"pay_acc"_s, frmMain::TabPayAccList); });
    ok &= timed(
        "remarks, tab import into an empty table",
        [&] { importThroughTab(frmMain::TabUserRemarkList, remarkFile, "UserRemarkList_cmdImport"); },
        [&] { return finished(u"导入备注完毕"_s, u"user_remark"_s, frmMain::TabUserRemarkList); });
    ok &= timed(
        "remarks, tab import replacing every row",
        [&] { importThroughTab(frmMain::TabUserRemarkList, remarkFile, "UserRemarkList_cmdImport"); },
        [&] { return finished(u"导入备注完毕"_s, u"user_remark"_s, frmMain::TabUserRemarkList); });

    // The bare import: reading the file and writing the store.
    db.Delete(u"delete from pay_acc"_s);
    db.Delete(u"delete from user_remark"_s);
    auto bareImport = [&](const QString& file, bool accountsFile) {
        const Result<XmlDoc> doc = MasterDataXml::loadDocument(file, QString());
        if (!doc)
            return false;
        const Result<int> imported = accountsFile ? MasterDataXml::importPayAccounts(db, doc.value())
                                                  : MasterDataXml::importRemarks(db, doc.value());
        return imported && imported.value() == n;
    };
    bool result = false;
    ok &= timed(
        "payer accounts, load and import (no list reload)", [&] { result = bareImport(accountFile, true); },
        [&] { return result && bench::rowCount(db, u"pay_acc"_s) == n; });
    ok &= timed(
        "remarks, load and import (no list reload)", [&] { result = bareImport(remarkFile, false); },
        [&] { return result && bench::rowCount(db, u"user_remark"_s) == n; });

    std::printf("  peak memory %ld KiB\n", peakMemoryKb());
    std::fflush(stdout);
    return ok ? 0 : 1;
}
