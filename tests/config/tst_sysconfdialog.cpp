#include "FileSizeLimit.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "app/Startup.h"
#include "app/frmMain.h"
#include "common/GbkCodec.h"
#include "common/XmlDoc.h"
#include "config/SysConf.h"
#include "settings/frmSysAdvanceConf.h"
#include "settings/frmSysConf.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

template <class T> T* child(QWidget& parent, const QString& name)
{
    T* w = parent.findChild<T*>(name);
    if (!w)
        QTest::qFail(qPrintable(u"no control named "_s + name), __FILE__, __LINE__);
    return w;
}

QLineEdit* box(QWidget& dialog, const QString& name)
{
    return child<QLineEdit>(dialog, name);
}

QCheckBox* check(QWidget& dialog, const QString& name)
{
    return child<QCheckBox>(dialog, name);
}

void click(QWidget& dialog, const QString& name)
{
    child<QPushButton>(dialog, name)->click();
}

QString settingsFile(TestEnv& env)
{
    return env.path(u"sysConf.ini"_s);
}

// A program folder started as the user starts it, with the default settings.
struct Started {
    TestEnv env;
    Started() { env.window(); }
    std::unique_ptr<frmSysConf> open() { return std::make_unique<frmSysConf>(env.ctx(), env.prompt, &env.window()); }
};

// The default document with every field element fully configured as the
// dialog writes it; `edited` gives the attributes of edited rows by id.
QByteArray configuredDocument(const QString& bankName, const QMap<int, QString>& edited)
{
    const QByteArray defaults = readAll(QStringLiteral(QELVORA_TEST_DATA "/sysConf.default.ini"));
    QString text = GbkCodec::decode(defaults).value_or(QString());
    text.replace(u"bank_name=\"\""_s, u"bank_name=\""_s + bankName + u'"');
    static const QRegularExpression field(uR"re( id="(\d+)" obj_type="\w+")re"_s);
    QString out;
    qsizetype at = 0;
    for (auto it = field.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out += text.mid(at, m.capturedEnd() - at);
        out += edited.value(m.captured(1).toInt(),
            uR"( can_edit="0" is_account="0" not_null="0" is_numric="0" length="" min_value="" max_value="")"_s);
        at = m.capturedEnd();
    }
    out += text.mid(at);
    return GbkCodec::encode(out).value_or(QByteArray());
}

// An icon file the toolkit can read.
QString writeIcon(const QString& path, Qt::GlobalColor color)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(color);
    if (!image.save(path, "ICO"))
        QTest::qFail("cannot write the test icon", __FILE__, __LINE__);
    return path;
}

QString sysIconAttribute(TestEnv& env)
{
    return parsedXml(readAll(settingsFile(env))).firstDescendant(u"SysConf"_s).attribute(u"sys_icon"_s);
}

} // namespace

class TestSysConfDialog : public QObject {
    Q_OBJECT

private slots:
    void editSaveAndNextStart()
    {
        Started s;
        {
            auto dialog = s.open();
            QCOMPARE(child<QLabel>(*dialog, u"lblPatchPayFileSet_22"_s)->text(), u"收款账户地区号:"_s);
            box(*dialog, u"txtBankName"_s)->setText(u"测试银行"_s);
            check(*dialog, u"chkIsAccount_12"_s)->click();
            check(*dialog, u"chkEnableNull_12"_s)->click();
            box(*dialog, u"chkLength_12"_s)->setText(u"20"_s);
            box(*dialog, u"chkMinValue_6"_s)->setText(u"0.01"_s);
            box(*dialog, u"chkMaxValue_6"_s)->setText(u"100,000,000,000"_s);
            check(*dialog, u"chkCanEdit_23"_s)->click();
            box(*dialog, u"chkLength_23"_s)->setText(u"12"_s);
            click(*dialog, u"Command2_0"_s);
            QCOMPARE(s.env.prompt.messages(), QStringList { u"系统设定保存成功。"_s });
            QCOMPARE(dialog->result(), int(QDialog::Accepted));
        }
        const QMap<int, QString> edited = {
            { 6,
                uR"( can_edit="0" is_account="0" not_null="0" is_numric="0" length="" min_value="0.01" max_value="100,000,000,000")"_s },
            { 12,
                uR"( can_edit="0" is_account="1" not_null="1" is_numric="1" length="20" min_value="" max_value="")"_s },
            { 23,
                uR"( can_edit="1" is_account="0" not_null="0" is_numric="0" length="12" min_value="" max_value="")"_s },
        };
        QCOMPARE(readAll(settingsFile(s.env)), configuredDocument(u"测试银行"_s, edited));

        // The next start applies the rules.
        RecordingPrompt prompt;
        AppContext ctx(prompt, s.env.dir());
        std::unique_ptr<frmMain> window;
        QCOMPARE(startProgram(ctx, window), 0);
        QCOMPARE(window->windowTitle(), u"测试银行Qelvora"_s);
        window->SSTabMain()->setCurrentIndex(frmMain::TabPayAccList);
        window->findChild<QLineEdit*>(u"PayAccList_txtAccNo"_s)->setText(u"6222000000000001"_s);
        window->findChild<QLineEdit*>(u"PayAccList_txtAccName"_s)->setText(u"户名"_s);
        window->findChild<QPushButton*>(u"PayAccList_cmdAdd"_s)->click();
        QCOMPARE(
            prompt.messages(), QStringList { u"付款账户维护:付款帐号输入错误，请输入正确的帐号,帐号位数为20。"_s });
        QCOMPARE(s.env.scalar(u"select count(*) from pay_acc"_s).toInt(), 0);
    }

    void accountChecksNumeric()
    {
        Started s;
        auto dialog = s.open();
        QCheckBox* account = check(*dialog, u"chkIsAccount_3"_s);
        QCheckBox* numeric = check(*dialog, u"chkIsNumric_3"_s);
        account->click();
        QVERIFY(numeric->isChecked());
        account->click();
        QVERIFY(!numeric->isChecked());
    }

    // Texts the checks cannot use are refused, naming the field; nothing is
    // written and OK keeps the dialog open.
    void checkBeforeSaving_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("account");
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message"); // empty: saved
        QTest::newRow("account without length")
            << 14 << true << u"chkLength"_s << QString() << u"帐号必须指定长度，请参照说明。"_s;
        QTest::newRow("length not a number")
            << 3 << false << u"chkLength"_s << u"abc"_s
            << u"批量支付文件设定中“收款帐开户网点号”的长度“abc”无法识别，请参照说明。"_s;
        QTest::newRow("list and range, not an account")
            << 3 << false << u"chkLength"_s << u"5,6-7"_s
            << u"批量支付文件设定中“收款帐开户网点号”的长度“5,6-7”无法识别，请参照说明。"_s;
        QTest::newRow("range, not an account")
            << 4 << false << u"chkLength"_s << u"18-22"_s
            << u"批量支付文件设定中“收款帐户地区号”的长度“18-22”无法识别，请参照说明。"_s;
        QTest::newRow("minimum not a number") << 10 << false << u"chkMinValue"_s << u"1O"_s
                                              << u"代发工资文件设定中“金额”的最小值“1O”不是数值，请重新输入。"_s;
        QTest::newRow("maximum not a number")
            << 6 << false << u"chkMaxValue"_s << u"1,0000,"_s
            << u"批量支付文件设定中“付款金额”的最大值“1,0000,”不是数值，请重新输入。"_s;
        // The loader drops the whole rule of a bound it cannot hold; the dialog
        // takes bounds up to 1E15 either way.
        QTest::newRow("maximum beyond the range")
            << 6 << false << u"chkMaxValue"_s << u"1E400"_s
            << u"批量支付文件设定中“付款金额”的最大值“1E400”超出范围，请输入-1E15至1E15之间的数值。"_s;
        QTest::newRow("maximum just beyond the range")
            << 10 << false << u"chkMaxValue"_s << u"1,000,000,000,000,000.01"_s
            << u"代发工资文件设定中“金额”的最大值“1,000,000,000,000,000.01”超出范围，请输入-1E15至1E15之间的数值。"_s;
        QTest::newRow("minimum below the range")
            << 10 << false << u"chkMinValue"_s << u"-1000000000000001"_s
            << u"代发工资文件设定中“金额”的最小值“-1000000000000001”超出范围，请输入-1E15至1E15之间的数值。"_s;
        QTest::newRow("maximum at the range") << 6 << false << u"chkMaxValue"_s << u"1E15"_s << QString();
        QTest::newRow("minimum at the range")
            << 10 << false << u"chkMinValue"_s << u"-1,000,000,000,000,000"_s << QString();
        QTest::newRow("account range") << 1 << true << u"chkLength"_s << u"18-22"_s << QString();
        QTest::newRow("account list") << 12 << true << u"chkLength"_s << u"12,15,17"_s << QString();
        QTest::newRow("maximum with separators") << 6 << false << u"chkMaxValue"_s << u"100,000,000,000"_s << QString();
    }
    void checkBeforeSaving()
    {
        QFETCH(int, id);
        QFETCH(bool, account);
        QFETCH(QString, boxName);
        QFETCH(QString, text);
        QFETCH(QString, message);
        Started s;
        const QByteArray before = readAll(settingsFile(s.env));
        auto dialog = s.open();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        QLineEdit* edit = box(*dialog, boxName + u'_' + QString::number(id));
        check(*dialog, u"chkIsAccount_%1"_s.arg(id))->setChecked(account);
        edit->setText(text);

        click(*dialog, u"Command2_1"_s);
        if (message.isEmpty()) {
            QCOMPARE(s.env.prompt.messages(), QStringList { u"系统设定保存成功。"_s });
            QVERIFY(
                readAll(settingsFile(s.env)).contains(GbkCodec::encode(u"=\""_s + text + u'"').value_or(QByteArray())));
            return;
        }
        QCOMPARE(s.env.prompt.messages(), (QStringList { message, u"系统设定失败，请重试。"_s }));
        QCOMPARE(dialog->focusWidget(), edit);
        click(*dialog, u"Command2_0"_s);
        QCOMPARE(s.env.prompt.messages().size(), 3);
        QVERIFY(dialog->isVisible());
        QCOMPARE(readAll(settingsFile(s.env)), before);
    }

    // OK after apply saves what changed since; without a change it just closes.
    void okAfterApply()
    {
        Started s;
        auto dialog = s.open();
        click(*dialog, u"Command2_1"_s);
        box(*dialog, u"txtBankName"_s)->setText(u"later"_s);
        click(*dialog, u"Command2_0"_s);
        QCOMPARE(s.env.prompt.messages(), (QStringList { u"系统设定保存成功。"_s, u"系统设定保存成功。"_s }));
        QCOMPARE(s.env.ctx().bankName, u"later"_s);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));

        s.env.prompt.clear();
        auto again = s.open();
        click(*again, u"Command2_1"_s);
        click(*again, u"Command2_0"_s);
        QCOMPARE(s.env.prompt.messages(), QStringList { u"系统设定保存成功。"_s });
        QCOMPARE(again->result(), int(QDialog::Accepted));
    }

    // A save that cannot be written says so and leaves the old file whole.
    void failedWriteKeepsFile()
    {
        Started s;
        const QByteArray before = readAll(settingsFile(s.env));
        auto dialog = s.open();
        box(*dialog, u"txtBankName"_s)->setText(u"B"_s);
        for (int id = 1; id <= frmSysConf::kRowCount; ++id)
            box(*dialog, u"chkLength_%1"_s.arg(id))->setText(u"30"_s);
        {
            FileSizeLimit limit(before.size() + 100);
            QVERIFY(limit.ok());
            click(*dialog, u"Command2_0"_s);
        }
        QCOMPARE(s.env.prompt.messages(), QStringList { u"系统设定失败，请重试。"_s });
        QCOMPARE(readAll(settingsFile(s.env)), before);
        QVERIFY(!dialog->isSaved());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
    }

    // Reopening shows the file, not what memory held before the last save.
    void reopenShowsFile()
    {
        Started s;
        writeAll(settingsFile(s.env), readAll(settingsFile(s.env)).replace("bank_name=\"\"", "bank_name=\"A\""));
        s.env.ctx().bankName = u"stale"_s;
        auto first = s.open();
        QCOMPARE(box(*first, u"txtBankName"_s)->text(), u"A"_s);
        box(*first, u"txtBankName"_s)->setText(u"B"_s);
        click(*first, u"Command2_0"_s);
        QCOMPARE(s.env.ctx().bankName, u"B"_s);

        auto second = s.open();
        QCOMPARE(box(*second, u"txtBankName"_s)->text(), u"B"_s);
        box(*second, u"chkLength_1"_s)->setText(u"5"_s);
        click(*second, u"Command2_0"_s);
        QVERIFY(readAll(settingsFile(s.env)).contains("bank_name=\"B\""));
    }

    // The chosen icon is copied into ico/ (created when missing) and stored;
    // reopening and saving again keeps it whole.
    void iconCopiedIntoProgramFolder()
    {
        Started s;
        QTemporaryDir pictures;
        const QString source = writeIcon(pictures.filePath(u"bank.ico"_s), Qt::red);
        QVERIFY(!QFileInfo::exists(s.env.path(u"ico"_s)));
        auto dialog = s.open();
        s.env.prompt.answerFile(source);
        click(*dialog, u"Command1"_s);
        QCOMPARE(box(*dialog, u"txtSysIcon"_s)->text(), source);
        QCOMPARE(s.env.prompt.calls().at(0).filters, QStringList { u"图标文件 (*.ico)"_s });
        click(*dialog, u"Command2_0"_s);
        const QString installed = s.env.ctx().appDir + u"ico"_s + QDir::separator() + u"bank.ico"_s;
        QCOMPARE(sysIconAttribute(s.env), installed);
        QCOMPARE(readAll(installed), readAll(source));
        QCOMPARE(s.env.ctx().sysIconPath, installed);

        // Reopened, the box names the installed icon; chosen again (spelled
        // differently), it is not copied onto itself.
        auto reopened = s.open();
        QCOMPARE(box(*reopened, u"txtSysIcon"_s)->text(), installed);
        box(*reopened, u"txtSysIcon"_s)->setText(s.env.ctx().appDir + u"ico/../ico/bank.ico"_s);
        click(*reopened, u"Command2_1"_s);
        QCOMPARE(s.env.prompt.messages(), (QStringList { u"系统设定保存成功。"_s, u"系统设定保存成功。"_s }));
        QCOMPARE(readAll(installed), readAll(source));
        QCOMPARE(sysIconAttribute(s.env), installed);
    }

    // Whatever goes wrong with the icon, sys_icon keeps its value and the
    // dialog says why; the other edits of the same save are kept, and OK keeps
    // the dialog open while the icon is still to be installed.
    void iconKeptWhen_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("box emptied") << u"empty"_s << QStringList { u"系统设定保存成功。"_s };
        QTest::newRow("box unchanged, icon missing") << u"unchanged"_s << QStringList { u"系统设定保存成功。"_s };
        QTest::newRow("not a picture") << u"text"_s
                                       << QStringList { u"系统图标文件不存在或不是图片：{path}，系统图标未更改，"
                                                        u"其余设定已保存。"_s };
        QTest::newRow("copy fails") << u"blocked"_s
                                    << QStringList {
                                           u"系统图标无法复制到{target}，系统图标未更改，其余设定已保存。"_s
                                       };
    }
    void iconKeptWhen()
    {
        QFETCH(QString, situation);
        QFETCH(QStringList, messages);
        Started s;
        const QString stored = uR"(C:\old\ico\old.ico)"_s;
        writeAll(settingsFile(s.env),
            readAll(settingsFile(s.env)).replace("sys_icon=\"\"", "sys_icon=\"" + stored.toLatin1() + '"'));
        QTemporaryDir pictures;
        QString path;
        if (situation == u"text"_s) {
            path = pictures.filePath(u"notes.ico"_s);
            writeAll(path, "not a picture");
        } else if (situation == u"blocked"_s) {
            path = writeIcon(pictures.filePath(u"bank.ico"_s), Qt::blue);
            writeAll(s.env.path(u"ico"_s), "a file where the folder belongs");
        }
        auto dialog = s.open();
        if (situation != u"unchanged"_s)
            box(*dialog, u"txtSysIcon"_s)->setText(path);
        box(*dialog, u"txtBankName"_s)->setText(u"新银行"_s);
        box(*dialog, u"chkLength_3"_s)->setText(u"12"_s);
        click(*dialog, u"Command2_1"_s);
        const QString target = s.env.ctx().appDir + u"ico"_s + QDir::separator() + u"bank.ico"_s;
        for (QString& m : messages)
            m.replace(u"{path}"_s, path).replace(u"{target}"_s, target);
        QCOMPARE(s.env.prompt.messages(), messages);
        QCOMPARE(sysIconAttribute(s.env), stored);
        const XmlDoc saved = parsedXml(readAll(settingsFile(s.env)));
        QCOMPARE(saved.firstDescendant(u"SysConf"_s).attribute(u"bank_name"_s), u"新银行"_s);
        QCOMPARE(saved.firstDescendant(u"GatherAccountNetNo"_s).attribute(u"length"_s), u"12"_s);
        QCOMPARE(s.env.ctx().bankName, u"新银行"_s);
        QVERIFY(!QFileInfo(target).isFile());

        const bool iconFailed = messages.size() == 1 && messages.first() != u"系统设定保存成功。"_s;
        s.env.prompt.clear();
        click(*dialog, u"Command2_0"_s);
        QCOMPARE(s.env.prompt.messages(), iconFailed ? messages : QStringList());
        QCOMPARE(dialog->result(), int(iconFailed ? QDialog::Rejected : QDialog::Accepted));
    }

    // A save whose settings cannot be written leaves ico as it was: the new
    // icon is copied only once the settings name it.
    void failedWriteCopiesNoIcon_data()
    {
        QTest::addColumn<bool>("sameName");
        QTest::newRow("new icon name") << false;
        QTest::newRow("replacing the installed icon") << true;
    }
    void failedWriteCopiesNoIcon()
    {
        QFETCH(bool, sameName);
        Started s;
        const QString installed = s.env.ctx().appDir + u"ico"_s + QDir::separator() + u"bank.ico"_s;
        QByteArray installedBytes;
        if (sameName) {
            QVERIFY(QDir().mkpath(s.env.path(u"ico"_s)));
            installedBytes = readAll(writeIcon(installed, Qt::red));
            writeAll(settingsFile(s.env),
                readAll(settingsFile(s.env)).replace("sys_icon=\"\"", "sys_icon=\"" + installed.toUtf8() + '"'));
        }
        const QByteArray before = readAll(settingsFile(s.env));
        QTemporaryDir pictures;
        const QString source = writeIcon(pictures.filePath(u"bank.ico"_s), Qt::blue);
        QVERIFY(readAll(source) != installedBytes);
        auto dialog = s.open();
        s.env.prompt.answerFile(source);
        click(*dialog, u"Command1"_s);
        for (int id = 1; id <= frmSysConf::kRowCount; ++id)
            box(*dialog, u"chkLength_%1"_s.arg(id))->setText(u"30"_s);
        {
            // Room for the icon, not for the settings.
            FileSizeLimit limit(before.size() + 100);
            QVERIFY(limit.ok());
            QVERIFY(readAll(source).size() < before.size());
            click(*dialog, u"Command2_0"_s);
        }
        QCOMPARE(s.env.prompt.messages(), QStringList { u"系统设定失败，请重试。"_s });
        QCOMPARE(readAll(settingsFile(s.env)), before);
        if (sameName)
            QCOMPARE(readAll(installed), installedBytes);
        else
            QVERIFY(!QFileInfo::exists(installed));
    }

    // Each rule flag is written and read back as its own: "非空" and "数值"
    // set differently in one row keep their values after the next start.
    void flagsReadBackEachOnItsOwn()
    {
        Started s;
        {
            auto dialog = s.open();
            check(*dialog, u"chkEnableNull_8"_s)->click();
            check(*dialog, u"chkIsNumric_10"_s)->click();
            check(*dialog, u"chkCanEdit_18"_s)->click();
            check(*dialog, u"chkIsNumric_18"_s)->click();
            click(*dialog, u"Command2_0"_s);
            QCOMPARE(dialog->result(), int(QDialog::Accepted));
        }
        AppConfig next;
        SysConf loaded(next, s.env.dir());
        const auto flags = [&](int id) {
            const FieldRule& r = next.fieldRules.ruleAt(id);
            return QList<bool> { r.canEdit, r.notNull, r.isAccount, r.isNumric };
        };
        QCOMPARE(flags(8), (QList<bool> { false, true, false, false }));
        QCOMPARE(flags(10), (QList<bool> { false, false, false, true }));
        QCOMPARE(flags(18), (QList<bool> { true, false, false, true }));
        QCOMPARE(flags(9), (QList<bool> { false, false, false, false }));

        auto reopened = s.open();
        QVERIFY(check(*reopened, u"chkEnableNull_8"_s)->isChecked());
        QVERIFY(!check(*reopened, u"chkIsNumric_8"_s)->isChecked());
        QVERIFY(!check(*reopened, u"chkEnableNull_10"_s)->isChecked());
        QVERIFY(check(*reopened, u"chkIsNumric_10"_s)->isChecked());
    }

    // Choosing a file that is not a picture leaves the box as it was.
    void chosenNonPictureRefused()
    {
        Started s;
        QTemporaryDir pictures;
        const QString path = pictures.filePath(u"notes.ico"_s);
        writeAll(path, "not a picture");
        auto dialog = s.open();
        s.env.prompt.answerFile(path);
        click(*dialog, u"Command1"_s);
        QCOMPARE(s.env.prompt.messages(), QStringList { u"系统图标文件不存在或不是图片："_s + path });
        QCOMPARE(box(*dialog, u"txtSysIcon"_s)->text(), QString());
    }

    void advancedListsLoadedLabels()
    {
        Started s;
        s.env.ctx().bankName = u"某银行"_s;
        frmSysAdvanceConf dialog(s.env.ctx(), s.env.prompt);
        QCOMPARE(dialog.windowTitle(), u"某银行网银客户端高级设定"_s);
        auto* combo = child<QComboBox>(dialog, u"ComboField"_s);
        QCOMPARE(combo->count(), 23);
        QCOMPARE(combo->itemText(0), u"批量支付文件:收款帐号"_s);
        QCOMPARE(combo->currentText(), QString());
        QCOMPARE(combo->placeholderText(), u"--请选择字段--"_s);

        AppConfig never;
        frmSysAdvanceConf empty(never, s.env.prompt);
        QCOMPARE(child<QComboBox>(empty, u"ComboField"_s)->count(), 0);
    }

    // The tool menu opens each dialog modally; both fit a 1366x768 screen.
    void menuOpensDialogs_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("option") << u"option"_s << u"frmSysConf"_s;
        QTest::newRow("advanced") << u"advanced"_s << u"frmSysAdvanceConf"_s;
    }
    void menuOpensDialogs()
    {
        QFETCH(QString, entry);
        QFETCH(QString, dialog);
        TestEnv env;
        env.window();
        QString opened;
        QSize size;
        QTimer::singleShot(0, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = modal->objectName();
                size = modal->frameGeometry().size();
                static_cast<QDialog*>(modal)->reject();
            }
        });
        env.click(entry);
        QCOMPARE(opened, dialog);
        QVERIFY2(
            size.width() <= 1366 && size.height() <= 728, qPrintable(u"%1x%2"_s.arg(size.width()).arg(size.height())));
        QVERIFY(env.prompt.messages().isEmpty());
    }
};

QELVORA_TEST(TestSysConfDialog)
#include "tst_sysconfdialog.moc"
