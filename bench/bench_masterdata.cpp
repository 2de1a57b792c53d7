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
#include "app/AppContext.h"
#include "app/ListGrid.h"
#include "app/Startup.h"
#include "app/TabPage.h"
#include "app/frmMain.h"
#include "common/Prompt.h"
#include "common/TextFile.h"
#include "common/XmlDoc.h"
#include "masterdata/MasterDataXml.h"
#include "store/DBAccess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using bench::peakMemoryKb;
using bench::seconds;
using bench::SilentPrompt;

namespace {

bool writeFile(const QString& path, const QStringList& lines)
{
    const Result<> result = TextFile::writeLines(path, lines);
    if (!result)
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(result.message()));
    return result.ok();
}

int count(DBAccess& db, const QString& table)
{
    const auto rs = db.Query(u"select count(*) as n from "_s + table);
    return rs && !rs->isEmpty() ? rs->value(0, 0).toInt() : -1;
}

// Runs `step` and prints its time; false when the check after it fails.
bool timed(const char* what, const std::function<void()>& step, const std::function<bool()>& check)
{
    QElapsedTimer t;
    t.start();
    step();
    const double s = seconds(t);
    const bool ok = check();
    std::printf("  %-52s %8.3f s%s\n", what, s, ok ? "" : "   FAILED");
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 10000;

    QTemporaryDir dir;
    if (!bench::createStore(dir))
        return 1;
    SilentPrompt prompt;
    AppContext ctx(prompt, dir.path());
    std::unique_ptr<frmMain> window;
    if (startProgram(ctx, window) != 0)
        return 1;
    DBAccess& db = ctx.db();

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
        return prompt.messages == QStringList { message } && count(db, table) == n
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
        [&] { return result && count(db, u"pay_acc"_s) == n; });
    ok &= timed(
        "remarks, load and import (no list reload)", [&] { result = bareImport(remarkFile, false); },
        [&] { return result && count(db, u"user_remark"_s) == n; });

    std::printf("  peak memory %ld KiB\n", peakMemoryKb());
    std::fflush(stdout);
    window.reset();
    return ok ? 0 : 1;
}
