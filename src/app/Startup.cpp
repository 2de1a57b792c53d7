#include "app/Startup.h"

#include "app/frmMain.h"
#include "common/Prompt.h"
#include "domain/AppContext.h"
#include "masterdata/EmployeeList.h"
#include "masterdata/PayAccList.h"
#include "masterdata/PayeeAccList.h"
#include "masterdata/UserRemarkList.h"
#include "payment/PaymentB2B.h"
#include "payment/frmPaymentB2B.h"
#include "payroll/Laborage.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLockFile>
#include <QTranslator>

using namespace Qt::StringLiterals;

std::unique_ptr<QLockFile> lockProgramFolder(AppContext& ctx)
{
    auto lock = std::make_unique<QLockFile>(ctx.appDir + u"qelvora.lock"_s);
    // A lock left by a killed instance names a process that no longer runs and
    // is taken over; an age alone never makes a running instance's lock stale.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return lock;
    const QString folder = QDir::toNativeSeparators(QDir(ctx.appDir).absolutePath());
    if (lock->error() == QLockFile::LockFailedError)
        ctx.prompt.message(u"程序已在运行（程序文件夹“%1”），同一文件夹中只能运行一个本程序。"_s.arg(folder));
    else
        ctx.prompt.message(u"程序文件夹“%1”不可写入，程序无法运行。请确认该文件夹可以写入。"_s.arg(folder));
    return nullptr;
}

bool installQtTranslation(QTranslator& translator)
{
    if (!translator.load(u"qtbase_zh_CN"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

void addProgramTabs(AppContext& ctx, frmMain& window)
{
    auto* payment = new PaymentB2B(ctx, window);
    installPaymentDialogs(*payment, ctx, window);
    window.addTab(frmMain::TabPaymentB2B, payment, u"批量支付文件"_s);
    window.addTab(frmMain::TabPayAccList, new PayAccList(ctx, window), u"批量转账付款账户维护"_s);
    window.addTab(frmMain::TabPayeeAccList, new PayeeAccList(ctx, window), u"批量转账收款账户维护"_s);
    window.addTab(frmMain::TabLaborage, new Laborage(ctx, window), u"代发代扣文件"_s);
    window.addTab(frmMain::TabEmployeeList, new EmployeeList(ctx, window), u"代发代扣名册维护"_s);
    window.addTab(frmMain::TabUserRemarkList, new UserRemarkList(ctx, window), u"备注维护　"_s);
}

int startProgram(AppContext& ctx, std::unique_ptr<frmMain>& window)
{
    window = std::make_unique<frmMain>(ctx);
    addProgramTabs(ctx, *window);
    if (!window->Form_Load()) {
        window.reset();
        return 1;
    }
    Backups::atStart(ctx);
    return 0;
}
