#pragma once

#include "RecordingPrompt.h"
#include "app/ApprovalSheet.h"
#include "app/CheckReport.h"
#include "domain/AppContext.h"

#include <QTemporaryDir>
#include <QTest>
#include <QVariantList>

#include <memory>

class frmMain;
class QWidget;

// A temporary program directory with a fresh userdb.mdb (from the schema), an
// AppContext with the recording prompt, and on request the main window loaded
// as at start-up (which writes the default sysConf.ini).
class TestEnv {
public:
    TestEnv();
    ~TestEnv();

    QString dir() const { return m_dir.path(); }
    QString path(const QString& fileName) const;
    RecordingPrompt prompt;
    // What the instruction tabs' report window and print preview would have
    // shown; the report is answered with checkReportAnswer (true: go on writing).
    std::vector<CheckReportRequest> checkReports;
    bool checkReportAnswer = true;
    std::vector<ApprovalSheet> approvalSheets;
    AppContext& ctx() { return *m_ctx; }
    DBAccess& db() { return m_ctx->db(); }

    // The main window, created and loaded on first use.
    frmMain& window();

    // Runs a statement directly for a test's set-up; fails the test when it fails.
    void exec(const QString& sql, const QVariantList& params = {});
    // The single value of a query ("select count(*) from payment").
    QVariant scalar(const QString& sql, const QVariantList& params = {});

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
    // Replaces a text box's text as the user would type it (focus in, keys, text change signals).
    void type(const QString& name, const QString& text);

private:
    template <class T> T* findIn(const QString& name);

    QTemporaryDir m_dir;
    std::unique_ptr<AppContext> m_ctx;
    std::unique_ptr<frmMain> m_window;
};

#include "app/frmMain.h"

template <class T> T* TestEnv::findIn(const QString& name)
{
    return window().findChild<T*>(name);
}
