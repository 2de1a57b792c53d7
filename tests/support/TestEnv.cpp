#include "TestEnv.h"

#include "app/InstructionListTab.h"
#include "app/ListGrid.h"
#include "app/Startup.h"
#include "app/frmMain.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QTabWidget>

TestEnv::~TestEnv()
{
    // The window goes before the store connection it uses.
    m_window.reset();
    closeContext();
}

frmMain& TestEnv::window()
{
    if (!m_window) {
        if (startProgram(ctx(), m_window) != 0 || !m_window)
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

QStringList TestEnv::listShown(int tab)
{
    window().SSTabMain()->setCurrentIndex(tab);
    const ListGrid* grid = window().page(tab)->grid();
    QStringList rows;
    for (int r = 1; r < grid->rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid->cols(); ++c)
            cells << grid->textMatrix(r, c);
        rows << cells.join(u'|');
    }
    return rows;
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
