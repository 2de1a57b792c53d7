#include "TestEnv.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "app/CheckReport.h"
#include "app/HelpWindow.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "app/frmRestore.h"
#include "app/frmUploadHistory.h"
#include "common/GbkCodec.h"
#include "common/Money.h"
#include "common/SheetRows.h"
#include "common/Workbook.h"
#include "domain/masterdata/EmployeeListFile.h"
#include "domain/payment/PaymentImport.h"
#include "domain/payroll/LaborageImport.h"
#include "payment/frmPayAcc.h"
#include "payment/frmPaymentB2B.h"
#include "payroll/frmBatchLaborage.h"
#include "payroll/frmLaborage.h"
#include "settings/frmSysAdvanceConf.h"
#include "settings/frmSysConf.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTabBar>
#include <QTextBrowser>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
const QString kGuideDir = QStringLiteral(QELVORA_GUIDE_DIR);

QString guideHtml()
{
    return QString::fromUtf8(readBytes(kGuideDir + u"/index.html"_s));
}

// The guide copied into help/ of a program folder, as the build lays it out.
void installGuide(const QString& programDir)
{
    QDirIterator files(kGuideDir, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString source = files.next();
        const QString target = programDir + u"/help/"_s + QDir(kGuideDir).relativeFilePath(source);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QVERIFY(QFile::copy(source, target));
    }
}

QString plainText(QString html)
{
    html.remove(QRegularExpression(u"<[^>]*>"_s));
    html.replace(u"&lt;"_s, u"<"_s).replace(u"&gt;"_s, u">"_s).replace(u"&quot;"_s, u"\""_s);
    html.replace(u"&nbsp;"_s, u" "_s).replace(u"&amp;"_s, u"&"_s);
    return html;
}

// A caption as the guide writes it: without "(&X)" and without the "&" of an accelerator.
QString bareCaption(QString text)
{
    text.remove(QRegularExpression(u"\\(&.\\)"_s));
    text.remove(QRegularExpression(u"&(?=.)"_s));
    return text.trimmed();
}

// Every command caption a window offers: actions (menu entries, toolbar
// buttons, menus), push buttons and tabs.
void collectCaptions(const QWidget& window, QSet<QString>& captions)
{
    for (const QAction* action : window.findChildren<QAction*>())
        captions << bareCaption(action->text());
    for (const QPushButton* button : window.findChildren<QPushButton*>())
        captions << bareCaption(button->text());
    for (const QTabBar* bar : window.findChildren<QTabBar*>())
        for (int i = 0; i < bar->count(); ++i)
            captions << bareCaption(bar->tabText(i));
}

// The text of an example file of the guide (<pre class="file" id="...">).
QString exampleText(const QString& html, const QString& id)
{
    const QRegularExpression pre(
        u"<pre class=\"file\" id=\"%1\">(.*?)</pre>"_s.arg(id), QRegularExpression::DotMatchesEverythingOption);
    return plainText(pre.match(html).captured(1));
}

// The cells of an example worksheet of the guide (the <td> cells of each row).
QList<QStringList> exampleSheet(const QString& html, const QString& id)
{
    const auto dot = QRegularExpression::DotMatchesEverythingOption;
    const QString table
        = QRegularExpression(u"<table[^>]*id=\"%1\"[^>]*>(.*?)</table>"_s.arg(id), dot).match(html).captured(1);
    QList<QStringList> rows;
    for (const auto& row : QRegularExpression(u"<tr>(.*?)</tr>"_s, dot).globalMatch(table)) {
        QStringList cells;
        for (const auto& cell : QRegularExpression(u"<td>(.*?)</td>"_s, dot).globalMatch(row.captured(1)))
            cells << plainText(cell.captured(1));
        if (!cells.isEmpty())
            rows << cells;
    }
    return rows;
}

// A file as users keep it: GBK with CR LF line ends.
QByteArray asFile(const QString& text)
{
    QString lines = text;
    lines.replace(u"\n"_s, u"\r\n"_s);
    const Result<QByteArray> bytes = GbkCodec::encode(lines + u"\r\n"_s);
    return bytes ? bytes.value() : QByteArray();
}

// The header of an upload file against its records: count and exact total.
template <class Records, class Amount> void compareHeader(const QString& text, const Records& records, Amount amountOf)
{
    const QStringList header = text.section(u'\n', 0, 0).split(u',');
    QCOMPARE(header.size(), 2);
    Money total;
    for (const auto& r : records)
        total = total + Money::parse(amountOf(r)).value_or(Money());
    QCOMPARE(header.at(0), QString::number(records.size()));
    QCOMPARE(header.at(1), total.toPlainText());
}
} // namespace

class TestHelpWindow : public QObject {
    Q_OBJECT
private slots:
    void helpCommandsOpenTheGuide_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("F1 key") << QString();
        QTest::newRow("toolbar 帮助") << u"mainToolbar_button6"_s;
        QTest::newRow("menu 帮助文档") << u"menuHelpFile"_s;
    }
    void helpCommandsOpenTheGuide()
    {
        QFETCH(QString, command);
        TestEnv env;
        installGuide(env.dir());
        frmMain& w = env.window();
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const auto help = [&] {
            if (command.isEmpty())
                QTest::keyClick(&w, Qt::Key_F1);
            else
                env.click(command);
        };
        help();
        HelpWindow* window = w.helpWindow();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->browser()->source(), QUrl::fromLocalFile(env.path(u"help/index.html"_s)));
        QVERIFY(window->browser()->toPlainText().startsWith(u"Qelvora 使用说明"_s));
        // The chapters are listed; picking one from the open list shows it,
        // and 后退 returns to the start.
        QComboBox* contents = window->contents();
        QVERIFY(contents->count() >= 9);
        const int chapter = contents->findText(u"5 文件格式"_s);
        QVERIFY(chapter >= 0);
        contents->showPopup();
        QAbstractItemView* list = contents->view();
        list->scrollTo(list->model()->index(chapter, 0));
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(chapter, 0)).center());
        QCOMPARE(window->browser()->source().fragment(), u"files"_s);
        QTest::mouseClick(window->findChild<QPushButton*>(u"HelpWindow_cmdBack"_s), Qt::LeftButton);
        QCOMPARE(window->browser()->source().fragment(), QString());
        // Help again brings the same window back.
        window->close();
        help();
        QCOMPARE(w.helpWindow(), window);
        QVERIFY(window->isVisible());
        QVERIFY(env.prompt.calls().isEmpty());
    }

    void missingGuideIsReported()
    {
        TestEnv env;
        frmMain& w = env.window();
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F1);
        QCOMPARE(env.prompt.messages(), QStringList { u"无法打开帮助文件 "_s + env.path(u"help/index.html"_s) });
        QVERIFY(!w.helpWindow());
    }

    void searchFindsTheNextOccurrenceAndWraps()
    {
        TestEnv env;
        installGuide(env.dir());
        HelpWindow window;
        QVERIFY(window.openGuide(env.path(u"help/index.html"_s)));
        const QString text = window.browser()->toPlainText();
        const qsizetype count = text.count(u"userdb.mdb"_s);
        QVERIFY(count >= 2);
        QTest::keyClicks(window.findBox(), u"userdb.mdb"_s);
        QList<int> found;
        for (qsizetype i = 0; i <= count; ++i) {
            QTest::keyClick(window.findBox(), Qt::Key_Return);
            found << window.browser()->textCursor().selectionStart();
        }
        // Each occurrence once in document order, then the first again.
        for (qsizetype i = 1; i < count; ++i)
            QVERIFY(found.at(i) > found.at(i - 1));
        QCOMPARE(found.last(), found.first());
        QCOMPARE(window.browser()->textCursor().selectedText(), u"userdb.mdb"_s);

        window.findBox()->setText(u"没有这段文字"_s);
        QVERIFY(!window.findNext());
        QCOMPARE(window.findChild<QLabel*>(u"HelpWindow_lblFind"_s)->text(), u"找不到“没有这段文字”"_s);
    }

    // Every command the guide names (class "cmd") is a caption of the program.
    void everyCommandOfTheGuideIsInTheProgram()
    {
        TestEnv env;
        // The program's own window, with the print preview of the approval sheet.
        std::unique_ptr<frmMain> main;
        QCOMPARE(startProgram(env.ctx(), main), 0);
        QSet<QString> captions;
        collectCaptions(*main, captions);

        env.exec(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
                 u"pay_amt,remark) values ('1','6230588301661318609','甲','0','6230588199351819096','乙',1,'货款')"_s);
        main->resetPaymentB2B();
        bool previewShown = false;
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, main.get(), [&] {
            if (auto* preview = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                previewShown = true;
                collectCaptions(*preview, captions);
                preview->reject();
            }
        });
        timer.start(100);
        main->findChild<QAction*>(u"menuPrintB2BSheet"_s)->trigger();
        QVERIFY(previewShown);

        frmPayAcc payAcc(env.ctx(), main.get());
        frmPaymentB2B payment(env.ctx(), main.get());
        frmLaborage laborage(env.ctx(), main.get());
        frmBatchLaborage batch(env.ctx(), main.get());
        frmSysConf settings(env.ctx(), env.prompt, main.get());
        frmSysAdvanceConf advanced(env.ctx(), env.prompt, main.get());
        CheckReportRequest request;
        request.findings = { { InstructionCheck::Severity::Warning, 1, u"账号"_s, u"可能重复"_s } };
        request.writing = true;
        CheckReportDialog report(env.prompt, request, main.get());
        HelpWindow help;
        frmRestore restore(env.ctx(), {}, main.get());
        frmUploadHistory history(env.ctx(), main.get());
        for (const QWidget* w : std::initializer_list<const QWidget*> {
                 &payAcc, &payment, &laborage, &batch, &settings, &advanced, &report, &help, &restore, &history })
            collectCaptions(*w, captions);

        QStringList missing;
        int named = 0;
        const QRegularExpression cmd(u"<span class=\"cmd\">(.*?)</span>"_s);
        for (const auto& m : cmd.globalMatch(guideHtml())) {
            ++named;
            const QString name = plainText(m.captured(1)).trimmed();
            if (!captions.contains(name) && !missing.contains(name))
                missing << name;
        }
        QVERIFY(named > 50);
        QVERIFY2(missing.isEmpty(), qPrintable(u"not in the program: "_s + missing.join(u", "_s)));
    }

    // The example files of the guide are read by the program as they stand.
    void guideExamplesAreReadByTheProgram_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("records");
        QTest::newRow("batch CSV") << u"ex-batch-csv"_s << 3;
        QTest::newRow("batch XML") << u"ex-batch-xml"_s << 2;
        QTest::newRow("payroll CSV") << u"ex-payroll-csv"_s << 3;
        QTest::newRow("payroll workbook") << u"ex-payroll-xls"_s << 3;
        QTest::newRow("roster workbook") << u"ex-roster-xls"_s << 4;
        QTest::newRow("roster CSV") << u"ex-roster-csv"_s << 3;
        QTest::newRow("roster XML") << u"ex-roster-xml"_s << 2;
    }
    void guideExamplesAreReadByTheProgram()
    {
        QFETCH(QString, id);
        QFETCH(int, records);
        const QString html = guideHtml();
        TestEnv env;
        if (id.endsWith(u"-xls"_s)) {
            const QString path = env.path(u"example.xls"_s);
            QVERIFY(writeWorkbook(path, exampleSheet(html, id)));
            const Result<std::unique_ptr<SheetRows>> sheet = openSheet(path);
            QVERIFY(sheet);
            if (id == u"ex-payroll-xls"_s) {
                const Result<LaborageImport::ReadResult> read = LaborageImport::readWorkbook(**sheet);
                QVERIFY2(read, qPrintable(read.message()));
                QVERIFY2(!read->stopped(), qPrintable(read->stop.message()));
                QCOMPARE(int(read->records.size()), records);
            } else {
                const Result<EmployeeListFile::ReadResult> read = EmployeeListFile::readWorkbook(
                    **sheet, env.ctx().fieldRules.ruleFor(FieldId::SubSalaRollMana_PerAccountNo));
                QVERIFY2(read, qPrintable(read.message()));
                const Result<int> imported
                    = EmployeeListFile::write(env.db(), EmployeeListFile::Format::Workbook, read.value());
                QVERIFY2(imported, qPrintable(imported.message()));
                QCOMPARE(imported.value(), records);
            }
            return;
        }
        const QString text = exampleText(html, id);
        const QByteArray bytes = asFile(text);
        QVERIFY(!bytes.isEmpty());
        if (id == u"ex-batch-csv"_s || id == u"ex-batch-xml"_s) {
            const PaymentImport::ReadResult read
                = id.endsWith(u"csv"_s) ? PaymentImport::readCsv(bytes) : PaymentImport::readXml(bytes);
            QVERIFY2(!read.stopped(), qPrintable(read.stop.message()));
            QCOMPARE(int(read.records.size()), records);
            if (id.endsWith(u"csv"_s))
                compareHeader(text, read.records, [](const PaymentImport::Record& r) { return r.payAmt; });
        } else if (id == u"ex-payroll-csv"_s) {
            const LaborageImport::ReadResult read = LaborageImport::readCsv(bytes);
            QVERIFY2(!read.stopped(), qPrintable(read.stop.message()));
            QCOMPARE(int(read.records.size()), records);
            compareHeader(text, read.records, [](const LaborageImport::Record& r) { return r.payAmount; });
        } else {
            const bool csv = id == u"ex-roster-csv"_s;
            const Result<int> imported
                = EmployeeListFile::write(env.db(), csv ? EmployeeListFile::Format::Csv : EmployeeListFile::Format::Xml,
                    csv ? EmployeeListFile::readCsv(
                        bytes, env.ctx().fieldRules.ruleFor(FieldId::SubSalaRollMana_PerAccountNo))
                        : EmployeeListFile::readXml(parsedXml(bytes)));
            QVERIFY2(imported, qPrintable(imported.message()));
            QCOMPARE(imported.value(), records);
            QCOMPARE(env.scalar(u"select count(*) from person_payee_acc"_s).toInt(), records);
        }
    }
};

QELVORA_TEST(TestHelpWindow)
#include "tst_helpwindow.moc"
