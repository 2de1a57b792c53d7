#pragma once

#include "DomainEnv.h"
#include "app/ApprovalSheet.h"
#include "app/CheckReport.h"

#include <QTest>

#include <memory>

class frmMain;
class QWidget;

// The domain test environment (DomainEnv) and on request the main window loaded
// as at start-up (which writes the default sysConf.ini).
class TestEnv : public DomainEnv {
public:
    TestEnv() = default;
    ~TestEnv() override;

    // What the instruction tabs' report window and print preview would have
    // shown; the report is answered with checkReportAnswer (true: go on writing).
    std::vector<CheckReportRequest> checkReports;
    bool checkReportAnswer = true;
    std::vector<ApprovalSheet> approvalSheets;

    // The main window, created and loaded on first use.
    frmMain& window();

    // A control of the main window by object name; fails the test when absent.
    template <class T> T* find(const QString& name)
    {
        T* w = findIn<T>(name);
        if (!w)
            QTest::qFail(qPrintable(QStringLiteral("no control named ") + name), __FILE__, __LINE__);
        return w;
    }
    // Clicks a button or triggers a menu entry / toolbar action by object name.
    void click(const QString& name);
    // The list of a tab as it is shown (the tab made current), one text per
    // row with the cells joined by '|'.
    QStringList listShown(int tab);
    // Replaces a text box's text as the user would type it (focus in, keys, text change signals).
    void type(const QString& name, const QString& text);

private:
    template <class T> T* findIn(const QString& name);

    std::unique_ptr<frmMain> m_window;
};

#include "app/frmMain.h"

template <class T> T* TestEnv::findIn(const QString& name)
{
    return window().findChild<T*>(name);
}
