#include "TestEnv.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "app/ListGrid.h"
#include "app/Startup.h"
#include "app/TabPage.h"
#include "app/frmMain.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

using namespace Qt::StringLiterals;

namespace {
bool menuVisible(frmMain& w, const QString& name)
{
    return w.findChild<QMenu*>(name)->menuAction()->isVisible();
}
}

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void startsWithDefaultSettings()
    {
        TestEnv env;
        QVERIFY(!QFile::exists(env.path(u"sysConf.ini"_s)));
        frmMain& w = env.window();
        QVERIFY(QFile::exists(env.path(u"sysConf.ini"_s)));
        QCOMPARE(w.windowTitle(), u"Qelvora"_s);
        QCOMPARE(w.SSTabMain()->currentIndex(), 0);
        QVERIFY(env.db().isConnected());
        QVERIFY(!menuVisible(w, u"menuLaborage"_s));
        QVERIFY(menuVisible(w, u"menuHelp"_s));
        QVERIFY(!menuVisible(w, u"tool"_s));
        QVERIFY(env.prompt.calls().isEmpty());
        // The rules are usable right after the default file was written.
        QCOMPARE(env.ctx().fieldRules.ruleFor(FieldId::PatchPayFile_GatherAccountNo).label, u"批量支付文件:收款帐号"_s);
    }

    void captionCarriesTheBankName()
    {
        TestEnv env;
        writeAll(env.path(u"sysConf.ini"_s),
            u"<?xml version='1.0' encoding='gb2312'?>\r\n<SysConf bank_name=\"某某银行\" "
            u"sys_icon=\"C:\\x\\ico\\nothing.ico\">"
            u"<PatchPayFile><FunctionName for=\"批量支付文件\"/></PatchPayFile></SysConf>\r\n"_s.toUtf8()
                .replace("gb2312", "utf-8"));
        frmMain& w = env.window();
        QCOMPARE(w.windowTitle(), u"某某银行Qelvora"_s);
        // An icon path naming no file starts normally.
        QVERIFY(env.prompt.calls().isEmpty());
    }

    void tabCaptions()
    {
        TestEnv env;
        QTabWidget* tabs = env.window().SSTabMain();
        const QStringList expected = { u"批量支付文件"_s, u"批量转账付款账户维护"_s, u"批量转账收款账户维护"_s,
            u"代发代扣文件"_s, u"代发代扣名册维护"_s, u"备注维护　"_s };
        QCOMPARE(tabs->count(), 6);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(tabs->tabText(i), expected.at(i));
        const QStringList grids = { u"PaymentB2B_DataGrid"_s, u"PayAccList_DataGrid"_s, u"PayeeAccList_DataGrid"_s,
            u"Laborage_DataGrid"_s, u"EmployeeList_DataGrid"_s, u"UserRemarkList_DataGrid"_s };
        for (const QString& g : grids)
            QVERIFY2(env.find<ListGrid>(g), qPrintable(g));
    }

    void menuCaptions()
    {
        TestEnv env;
        const QList<QPair<QString, QString>> entries = {
            { u"menuFile"_s, u"文件(&F)"_s },
            { u"menuNew"_s, u"新建(&N)"_s },
            { u"menuSave"_s, u"保存(&S)"_s },
            { u"menuExit"_s, u"退出(&X)"_s },
            { u"menuNewB2BRec"_s, u"新增指令(&Z)"_s },
            { u"menuUpdateB2BRec"_s, u"修改或删除指令"_s },
            { u"menuDelB2BRec"_s, u"删除指令"_s },
            { u"menuWriteB2BFile"_s, u"生成上传文件"_s },
            { u"menuNewLaborage"_s, u"新增指令(&Z)"_s },
            { u"menuUpdateLaborage"_s, u"修改或删除指令"_s },
            { u"menuWriteLaborageFile"_s, u"生成上传文件"_s },
            { u"menuHelpFile"_s, u"帮助文档(&Y)"_s },
            { u"option"_s, u"选项(&O)"_s },
            { u"advanced"_s, u"高级(&H)"_s },
            { u"mainToolbar_button1"_s, u"新建"_s },
            { u"mainToolbar_button2"_s, u"保存"_s },
            { u"mainToolbar_button6"_s, u"帮助"_s },
        };
        for (const auto& [name, caption] : entries) {
            if (auto* menu = env.window().findChild<QMenu*>(name)) {
                QCOMPARE(menu->title(), caption);
                continue;
            }
            auto* action = env.find<QAction>(name);
            QVERIFY2(action, qPrintable(name));
            QCOMPARE(action->text(), caption);
        }
        QCOMPARE(env.window().findChild<QMenu*>(u"menuPaymentB2B"_s)->title(), u"批量支付"_s);
        QCOMPARE(env.window().findChild<QMenu*>(u"menuLaborage"_s)->title(), u"代发代扣文件"_s);
        QCOMPARE(env.window().findChild<QMenu*>(u"menuHelp"_s)->title(), u"帮助(&H)"_s);
        QCOMPARE(env.window().findChild<QMenu*>(u"tool"_s)->title(), u"工具(&T)"_s);
    }

    void newAndSaveOnlyOnInstructionTabs()
    {
        TestEnv env;
        frmMain& w = env.window();
        for (int tab : { 1, 2, 4, 5, 0, 3 }) {
            w.SSTabMain()->setCurrentIndex(tab);
            const bool enabled = tab == 0 || tab == 3;
            for (const QString& name :
                { u"menuNew"_s, u"menuSave"_s, u"mainToolbar_button1"_s, u"mainToolbar_button2"_s })
                QVERIFY2(env.find<QAction>(name)->isEnabled() == enabled, qPrintable(name + QString::number(tab)));
            QCOMPARE(menuVisible(w, u"menuPaymentB2B"_s), tab == 0);
            QCOMPARE(menuVisible(w, u"menuLaborage"_s), tab == 3);
        }
    }

    void label1TogglesTheToolMenu()
    {
        TestEnv env;
        frmMain& w = env.window();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* label = env.find<QLabel>(u"Label1"_s);
        QVERIFY(label->text().isEmpty());
        QTest::mouseClick(label, Qt::LeftButton);
        QVERIFY(menuVisible(w, u"tool"_s));
        QTest::mouseClick(label, Qt::LeftButton);
        QVERIFY(!menuVisible(w, u"tool"_s));
    }

    void leavingATabClearsItsGrid()
    {
        TestEnv env;
        frmMain& w = env.window();
        w.SSTabMain()->setCurrentIndex(5);
        ListGrid* grid = w.page(5)->grid();
        grid->setRows({ { u"1"_s, u"x"_s } });
        QCOMPARE(grid->rows(), 2);
        w.SSTabMain()->setCurrentIndex(1);
        QCOMPARE(grid->rows(), 1);
    }

    // The blank row of an empty list is no choice: a click on it and then the
    // range delete says so, without asking and without a success message.
    void rangeDeleteOnEmptyList_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");
        QTest::newRow("batch payment") << int(frmMain::TabPaymentB2B) << u"PaymentB2B_cmdDeleteBut"_s
                                       << u"请先选择批量付款指令"_s;
        QTest::newRow("payroll") << int(frmMain::TabLaborage) << u"Laborage_cmdDeleteBut"_s
                                 << u"请先选择代发工资指令"_s;
        QTest::newRow("payer accounts") << int(frmMain::TabPayAccList) << u"PayAccList_cmdDelete"_s
                                        << u"请先选择要删除的账户"_s;
        QTest::newRow("payee accounts") << int(frmMain::TabPayeeAccList) << u"PayeeAccList_cmdDelete"_s
                                        << u"请先选择要删除的账户"_s;
        QTest::newRow("roster") << int(frmMain::TabEmployeeList) << u"EmployeeList_cmdDelete"_s
                                << u"请先选择要删除的账户"_s;
        QTest::newRow("remarks") << int(frmMain::TabUserRemarkList) << u"UserRemarkList_cmdDelete"_s
                                 << u"请先选择要删除的备注"_s;
    }
    void rangeDeleteOnEmptyList()
    {
        QFETCH(int, tab);
        QFETCH(QString, button);
        QFETCH(QString, message);
        TestEnv env;
        frmMain& w = env.window();
        w.resize(1200, 800);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.SSTabMain()->setCurrentIndex(tab);
        ListGrid* grid = w.page(tab)->grid();
        QCOMPARE(grid->rows(), 2);
        QVERIFY(!grid->hasData());
        const QRect cell = grid->visualRect(grid->model()->index(0, grid->model()->columnCount() - 1));
        QVERIFY(!cell.isEmpty());
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        env.prompt.clear();
        QTest::mouseClick(env.find<QPushButton>(button), Qt::LeftButton);
        QCOMPARE(env.prompt.texts(), QStringList { message });
    }

    void exitDisconnects()
    {
        TestEnv env;
        frmMain& w = env.window();
        w.show();
        QVERIFY(env.db().isConnected());
        env.click(u"menuExit"_s);
        QVERIFY(!env.db().isConnected());
        QVERIFY(!w.isVisible());
    }

    void storeThatCannotBeOpenedEndsTheProgram_data()
    {
        QTest::addColumn<bool>("present");
        QTest::newRow("missing") << false;
        QTest::newRow("not a database") << true;
    }
    void storeThatCannotBeOpenedEndsTheProgram()
    {
        QFETCH(bool, present);
        QTemporaryDir dir;
        if (present)
            writeAll(dir.filePath(u"userdb.mdb"_s), QByteArray(4096, 'x'));
        RecordingPrompt prompt;
        AppContext ctx(prompt, dir.path());
        std::unique_ptr<frmMain> window;
        QCOMPARE(startProgram(ctx, window), 1);
        QVERIFY(!window);
        QCOMPARE(prompt.calls().size(), 1);
        QCOMPARE(prompt.calls().first().kind, RecordingPrompt::Kind::Critical);
        QCOMPARE(prompt.calls().first().title, u"Database error"_s);
    }
};

QELVORA_TEST(TestMainWindow)
#include "tst_mainwindow.moc"
