#include "MasterDataTestSupport.h"
#include "TestRegistry.h"

#include "common/GbkCodec.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;
using namespace mdtest;

namespace {
void addRemarks(TestEnv& env, const QStringList& remarks)
{
    for (const QString& r : remarks)
        env.exec(u"insert into user_remark (remark) values (?)"_s, { r });
}

// Remarks "备注01" .. "备注nn", listed in this order.
QStringList numbered(int n)
{
    QStringList remarks;
    for (int i = 1; i <= n; ++i)
        remarks << u"备注%1"_s.arg(i, 2, 10, QChar(u'0'));
    return remarks;
}

QStringList storedRemarks(TestEnv& env)
{
    QStringList remarks;
    for (const QStringList& row : storeRows(env, u"select remark from user_remark order by remark"_s))
        remarks << row.first();
    return remarks;
}

QLineEdit* remarkBox(TestEnv& env)
{
    return env.find<QLineEdit>(u"UserRemarkList_txtUserRemark"_s);
}

QString chosenIndex(TestEnv& env)
{
    return env.find<QLabel>(u"UserRemarkList_lblUserRemarkIdx"_s)->text();
}

// The remark values of an exported file, in order.
QStringList valuesIn(const QString& path)
{
    const QString text = GbkCodec::decode(readBytes(path)).value_or(QString());
    QStringList values;
    for (const QString& line : text.split(u"\r\n"_s))
        if (line.startsWith(u"\t\t<Value>"_s))
            values << line.mid(9, line.size() - 9 - 8);
    return values;
}

QByteArray remarkFile(const QList<QByteArray>& values)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<UserRemark>\r\n";
    for (const QByteArray& v : values)
        xml += "\t<Remark>\r\n\t\t<Value>" + v + "</Value>\r\n\t</Remark>\r\n";
    return xml + "</UserRemark>\r\n";
}
}

class TestUserRemarkList : public QObject {
    Q_OBJECT
private slots:
    void controlsAndList()
    {
        TestEnv env;
        addRemarks(env, { u"工资"_s, u"  奖金 "_s });
        ListGrid* grid = showTab(env, frmMain::TabUserRemarkList);
        QCOMPARE(env.find<QLabel>(u"UserRemarkList_lblUserRemark"_s)->text(), u"汇款备注名称：*"_s);
        QCOMPARE(env.find<QLabel>(u"UserRemarkList_lblNotice1"_s)->text(),
            u"修改：单击左列您要修改的纪录（该条纪录变蓝色），然后在右边输入框中修改。修改完毕后，点击“修改”按钮，再点击“确定”按钮保存。"_s);
        QCOMPARE(env.find<QLabel>(u"UserRemarkList_lblNotice2"_s)->text(),
            u"删除：单击左列您要删除的纪录（该条纪录变蓝色），点击“删除”按钮，再点击“确定”按钮保存。"_s);
        const QList<QPair<QString, QString>> buttons
            = { { u"cmdAdd"_s, u"新增"_s }, { u"cmdUpdate"_s, u"修改"_s }, { u"cmdDelete"_s, u"删除"_s },
                  { u"cmdReflush"_s, u"重置"_s }, { u"cmdImport"_s, u"导入"_s }, { u"cmdExport"_s, u"导出"_s } };
        for (const auto& [name, caption] : buttons)
            QCOMPARE(env.find<QPushButton>(u"UserRemarkList_"_s + name)->text(), caption);
        QCOMPARE(gridHeader(grid), (QStringList { u"序号"_s, u"备注"_s }));
        QCOMPARE(grid->columnWidth(0), pixelsFor(grid, 420));
        QCOMPARE(grid->columnWidth(1), pixelsFor(grid, 7000));
        QCOMPARE(gridRows(grid), (QList<QStringList> { { u"1"_s, u"奖金"_s }, { u"2"_s, u"工资"_s } }));
        QCOMPARE(panels(env.window()), countPanels(u"2"_s));
    }

    void addARemark()
    {
        TestEnv env;
        addRemarks(env, { u"工资"_s });
        ListGrid* grid = showTab(env, frmMain::TabUserRemarkList);
        env.type(u"UserRemarkList_txtUserRemark"_s, u" 工资 "_s);
        env.click(u"UserRemarkList_cmdAdd"_s);
        env.type(u"UserRemarkList_txtUserRemark"_s, u"差旅费'报销"_s);
        env.click(u"UserRemarkList_cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), (QStringList { u"该备注已存在"_s, u"新增备注成功"_s }));
        QCOMPARE(storedRemarks(env), (QStringList { u"工资"_s, u"差旅费'报销"_s }));
        QCOMPARE(grid->rows(), 3);
        QVERIFY(remarkBox(env)->text().isEmpty());
    }

    void rename_data()
    {
        QTest::addColumn<QString>("newText");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("box");
        QTest::newRow("new text") << u"伙食费"_s << QStringList { u"修改备注成功"_s }
                                  << QStringList { u"伙食费"_s, u"奖金"_s, u"房租"_s } << QString();
        QTest::newRow("its own text") << u" 工资 "_s << QStringList { u"修改备注成功"_s }
                                      << QStringList { u"奖金"_s, u"工资"_s, u"房租"_s } << QString();
        QTest::newRow("apostrophe") << u"O'Neil's"_s << QStringList { u"修改备注成功"_s }
                                    << QStringList { u"O'Neil's"_s, u"奖金"_s, u"房租"_s } << QString();
        QTest::newRow("another remark's text") << u"奖金"_s << QStringList { u"新的用途备注已存在"_s }
                                               << QStringList { u"奖金"_s, u"工资"_s, u"房租"_s } << u"工资"_s;
    }
    void rename()
    {
        QFETCH(QString, newText);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, stored);
        QFETCH(QString, box);
        TestEnv env;
        addRemarks(env, { u"工资"_s, u"奖金"_s, u"房租"_s });
        ListGrid* grid = showTab(env, frmMain::TabUserRemarkList);
        QCOMPARE(grid->textMatrix(2, 1), u"工资"_s);
        clickRow(grid, 2);
        QCOMPARE(remarkBox(env)->text(), u"工资"_s);
        env.type(u"UserRemarkList_txtUserRemark"_s, newText);
        env.click(u"UserRemarkList_cmdUpdate"_s);
        QCOMPARE(env.prompt.texts(), messages);
        QCOMPARE(storedRemarks(env), stored);
        QCOMPARE(remarkBox(env)->text(), box);
        QVERIFY(!env.db().inTransaction());
    }

    void renameNeedsAChosenRemark()
    {
        TestEnv env;
        addRemarks(env, { u"工资"_s });
        showTab(env, frmMain::TabUserRemarkList);
        env.type(u"UserRemarkList_txtUserRemark"_s, u"奖金"_s);
        env.click(u"UserRemarkList_cmdUpdate"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"请先选择要修改的备注"_s });
        QCOMPARE(storedRemarks(env), QStringList { u"工资"_s });
    }

    void deleteARange()
    {
        TestEnv env;
        addRemarks(env, numbered(5));
        ListGrid* grid = showTab(env, frmMain::TabUserRemarkList);
        dragRows(grid, 4, 2);
        env.prompt.answerOk();
        env.click(u"UserRemarkList_cmdDelete"_s);
        QCOMPARE(env.prompt.texts(), (QStringList { u"是否确认要删除所选备注?"_s, u"删除备注成功."_s }));
        QCOMPARE(storedRemarks(env), (QStringList { u"备注01"_s, u"备注05"_s }));
        QCOMPARE(panels(env.window()), countPanels(u"2"_s));
    }

    void deleteWithAnEntryFailingItsRuleDeletesNothingButReloads()
    {
        TestEnv env;
        addRemarks(env, numbered(3));
        ListGrid* grid = showTab(env, frmMain::TabUserRemarkList);
        env.ctx().fieldRules.ruleFor(FieldId::RemarkMana_RemarkName).notNull = true;
        clickRow(grid, 2);
        env.type(u"UserRemarkList_txtUserRemark"_s, QString());
        env.exec(u"insert into user_remark (remark) values ('新来的')"_s);
        env.click(u"UserRemarkList_cmdDelete"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"备注维护:汇款备注名称不能为空，请重新输入。"_s });
        QCOMPARE(storedRemarks(env).size(), 4);
        // Reloaded: the new remark is listed and nothing is chosen.
        QCOMPARE(grid->rows(), 5);
        QVERIFY(chosenIndex(env).isEmpty());
    }

    void cancelledDeleteReloads()
    {
        TestEnv env;
        addRemarks(env, numbered(3));
        ListGrid* grid = showTab(env, frmMain::TabUserRemarkList);
        clickRow(grid, 3);
        env.prompt.answerCancel();
        env.click(u"UserRemarkList_cmdDelete"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"是否确认要删除所选备注?"_s });
        QCOMPARE(storedRemarks(env).size(), 3);
        QVERIFY(chosenIndex(env).isEmpty());
        QVERIFY(remarkBox(env)->text().isEmpty());
    }

    void deleteNeedsAChosenRemark()
    {
        TestEnv env;
        addRemarks(env, numbered(2));
        showTab(env, frmMain::TabUserRemarkList);
        env.click(u"UserRemarkList_cmdDelete"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"请先选择要删除的备注"_s });
    }

    void exportTenToAFile_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QList<int>>("sizes");
        QTest::newRow("25") << 25 << QStringList { u"r-1.xml"_s, u"r-2.xml"_s, u"r-3.xml"_s }
                            << QList<int> { 10, 10, 5 };
        QTest::newRow("10") << 10 << QStringList { u"r.xml"_s } << QList<int> { 10 };
        QTest::newRow("3") << 3 << QStringList { u"r.xml"_s } << QList<int> { 3 };
    }
    void exportTenToAFile()
    {
        QFETCH(int, count);
        QFETCH(QStringList, files);
        QFETCH(QList<int>, sizes);
        TestEnv env;
        addRemarks(env, numbered(count));
        showTab(env, frmMain::TabUserRemarkList);
        env.prompt.answerFile(env.path(u"r.xml"_s));
        env.click(u"UserRemarkList_cmdExport"_s);
        // Several files are named by the first and the last.
        const QString written = QDir::toNativeSeparators(env.path(files.first()))
            + (files.size() > 1 ? u" 至 "_s + files.last() : QString());
        QCOMPARE(env.prompt.texts(), (QStringList { u"XML 文件 (*.xml)"_s, u"导出备注完毕\n文件："_s + written }));
        QCOMPARE(QDir(env.dir()).entryList({ u"*.xml"_s }, QDir::Files, QDir::Name), files);
        QStringList all;
        for (int f = 0; f < files.size(); ++f) {
            const QStringList values = valuesIn(env.path(files.at(f)));
            QCOMPARE(values.size(), sizes.at(f));
            all << values;
        }
        // The remark files are GBK; their values are the remarks in list order.
        QCOMPARE(all, numbered(count));
    }

    void exportedFilesImportBack()
    {
        TestEnv env;
        QStringList remarks = numbered(12);
        remarks << u"a&b <c> \"d\" 'e'"_s << u"工资"_s;
        addRemarks(env, remarks);
        ListGrid* grid = showTab(env, frmMain::TabUserRemarkList);
        env.prompt.answerFile(env.path(u"r.xml"_s));
        env.click(u"UserRemarkList_cmdExport"_s);
        env.exec(u"delete from user_remark"_s);
        for (const QString& file : { u"r-1.xml"_s, u"r-2.xml"_s }) {
            env.prompt.answerFile(env.path(file));
            env.click(u"UserRemarkList_cmdImport"_s);
        }
        const QString written = QDir::toNativeSeparators(env.path(u"r-1.xml"_s)) + u" 至 r-2.xml"_s;
        QCOMPARE(env.prompt.messages(),
            (QStringList { u"导出备注完毕\n文件："_s + written, u"导入备注完毕"_s, u"导入备注完毕"_s }));
        remarks.sort();
        QStringList stored = storedRemarks(env);
        stored.sort();
        QCOMPARE(stored, remarks);
        QCOMPARE(grid->rows(), 15);
    }

    void exportWithAnEmptyList()
    {
        TestEnv env;
        showTab(env, frmMain::TabUserRemarkList);
        env.click(u"UserRemarkList_cmdExport"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"没有记录可以导出"_s });
    }

    void importStopsAtAnEmptyValue()
    {
        TestEnv env;
        ListGrid* grid = showTab(env, frmMain::TabUserRemarkList);
        const QString file = env.path(u"in.xml"_s);
        writeBytes(file, remarkFile({ "first", "second", "", "after" }));
        env.prompt.answerFile(file);
        env.click(u"UserRemarkList_cmdImport"_s);
        QCOMPARE(env.prompt.messages(), QStringList { u"备注文件中有空白的备注，导入文件中止"_s });
        QCOMPARE(storedRemarks(env), (QStringList { u"first"_s, u"second"_s }));
        // Not reloaded after a stop.
        QVERIFY(!grid->hasData());
    }

    void importOfAnExistingRemarkKeepsOneCopy()
    {
        TestEnv env;
        addRemarks(env, { u"工资"_s });
        ListGrid* grid = showTab(env, frmMain::TabUserRemarkList);
        const QString file = env.path(u"in.xml"_s);
        writeBytes(file, remarkFile({ "\xB9\xA4\xD7\xCA", " \xB9\xA4\xD7\xCA " }));
        env.prompt.answerFile(file);
        env.click(u"UserRemarkList_cmdImport"_s);
        QCOMPARE(env.prompt.messages(), QStringList { u"导入备注完毕"_s });
        QCOMPARE(storedRemarks(env), QStringList { u"工资"_s });
        QCOMPARE(gridRows(grid), (QList<QStringList> { { u"1"_s, u"工资"_s } }));
    }
};

QELVORA_TEST(TestUserRemarkList)
#include "tst_userremarklist.moc"
