#include "TestEnv.h"

#include "app/InstructionListTab.h"
#include "app/Startup.h"
#include "app/frmMain.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>

TestEnv::TestEnv()
{
    if (const Result<> created = DBAccess::createStore(path(QStringLiteral("userdb.mdb"))); !created)
        qFatal("cannot create the test store: %s", qPrintable(created.message()));
    // The folders of the file dialogs are remembered in this test's own folder.
    prompt.fileFolders().useSettingsFile(path(QStringLiteral("user-settings.conf")));
    m_ctx = std::make_unique<AppContext>(prompt, m_dir.path());
}

TestEnv::~TestEnv()
{
    m_window.reset();
    m_ctx.reset();
}

QString TestEnv::path(const QString& fileName) const
{
    return m_dir.filePath(fileName);
}

frmMain& TestEnv::window()
{
    if (!m_window) {
        if (startProgram(*m_ctx, m_window) != 0 || !m_window)
            qFatal("the main window did not start");
        for (int tab = 0; tab < frmMain::TabCount; ++tab) {
            if (auto* list = qobject_cast<InstructionListTab*>(m_window->page(tab))) {
                list->setCheckReportOpener([this](const CheckReportRequest& request) {
                    checkReports.push_back(request);
                    return checkReportAnswer;
                });
                list->setApprovalSheetOpener([this](const ApprovalSheet& sheet) { approvalSheets.push_back(sheet); });
            }
        }
    }
    return *m_window;
}

void TestEnv::exec(const QString& sql, const QVariantList& params)
{
    if (const Result<> done = db().Update(sql, params); !done)
        QTest::qFail(
            qPrintable(QStringLiteral("set-up statement failed: ") + sql + QStringLiteral(": ") + done.message()),
            __FILE__, __LINE__);
}

QVariant TestEnv::scalar(const QString& sql, const QVariantList& params)
{
    auto rs = db().Query(sql, params);
    if (!rs || rs->isEmpty())
        return {};
    return rs->value(0, 0);
}

void TestEnv::click(const QString& name)
{
    if (auto* action = window().findChild<QAction*>(name)) {
        action->trigger();
        return;
    }
    if (auto* button = window().findChild<QAbstractButton*>(name)) {
        button->click();
        return;
    }
    QTest::qFail(qPrintable(QStringLiteral("nothing to click named ") + name), __FILE__, __LINE__);
}

void TestEnv::type(const QString& name, const QString& text)
{
    auto* edit = find<QLineEdit>(name);
    if (!edit)
        return;
    edit->setFocus();
    edit->selectAll();
    edit->del();
    edit->insert(text);
}
