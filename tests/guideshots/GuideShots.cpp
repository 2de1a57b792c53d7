// The screenshots of the user guide, taken from the real program: a store of
// sample data in a temporary program folder, the main window as the program
// starts it, and the dialogs opened through their own buttons and menu
// entries. Each window is saved as a PNG file in the folder given as the only
// argument (scripts/guide-shots runs it with the offscreen platform).

#include "app/AboutDialog.h"
#include "app/ListGrid.h"
#include "app/Startup.h"
#include "app/TabPage.h"
#include "app/frmMain.h"
#include "common/Prompt.h"
#include "domain/AppContext.h"
#include "domain/UploadHistory.h"
#include "domain/tables/LaborageTable.h"
#include "store/DBAccess.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <cstdio>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Answers every question with OK or Yes and every file dialog with nothing,
// and reports store errors, so that the program runs through without a box.
class ShotPrompt : public Prompt {
public:
    using Prompt::askOkCancel;
    void message(const QString& text) override { log(u"message"_s, text); }
    bool askOkCancel(const QString& text, DefaultButton) override
    {
        log(u"question"_s, text);
        return true;
    }
    bool askYesNo(const QString& text) override
    {
        log(u"question"_s, text);
        return true;
    }
    OkSkipCancel askOkSkipCancel(const QString& text) override
    {
        log(u"question"_s, text);
        return OkSkipCancel::Ok;
    }
    void critical(const QString& title, const QString& text) override
    {
        log(title, text);
        ++errors;
    }
    FileChoice chooseSaveFile(const FileDialogRequest&) override { return {}; }
    FileChoice chooseOpenFile(const FileDialogRequest&) override { return {}; }

    int errors = 0;

private:
    static void log(const QString& kind, const QString& text)
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(kind), qPrintable(text));
    }
};

// Lets the window system lay out and paint what was just shown.
void settle(int ms = 50)
{
    QElapsedTimer timer;
    timer.start();
    do
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    while (timer.elapsed() < ms);
}

class Shots {
public:
    Shots(AppContext& ctx, ShotPrompt& prompt, frmMain& window, const QDir& out)
        : m_ctx(ctx)
        , m_prompt(prompt)
        , m_window(window)
        , m_out(out)
    {
    }

    int failures() const { return m_failures + m_prompt.errors; }

    void seed();
    void run();

private:
    void exec(const QString& sql, const QVariantList& params = {})
    {
        if (!m_ctx.db().Update(sql, params))
            fail(u"sample data refused: "_s + sql);
    }
    void fail(const QString& what)
    {
        std::fprintf(stderr, "failed: %s\n", qPrintable(what));
        ++m_failures;
    }
    void save(const QImage& image, const QString& name)
    {
        const QString path = m_out.filePath(name);
        // A thin frame sets a window off from the page it is shown on.
        QImage framed = image.convertToFormat(QImage::Format_RGB32);
        {
            QPainter p(&framed);
            p.setPen(QColor(0x88, 0x88, 0x88));
            p.drawRect(framed.rect().adjusted(0, 0, -1, -1));
        }
        // 256 colours at the highest compression: a fifth of the size, and the
        // pictures go with the program. A page in the print preview keeps its
        // colours: its thin grey rules would turn white.
        const QImage small = name == u"approval-sheet.png"_s
            ? framed
            : framed.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
        if (!small.save(path, "PNG", 0))
            fail(u"cannot write "_s + path);
        else
            std::fprintf(stderr, "wrote %s (%dx%d)\n", qPrintable(path), image.width(), image.height());
    }
    void save(QWidget& widget, const QString& name) { save(widget.grab().toImage(), name); }

    template <class T> T* child(QObject& parent, const QString& name)
    {
        T* found = parent.findChild<T*>(name);
        if (!found)
            fail(u"no control named "_s + name);
        return found;
    }
    // Writes the listed payroll as an upload file in the program folder and
    // records it as made at `madeAt`.
    void recordPayrollFile(const QString& name, const QDateTime& madeAt)
    {
        UploadHistory::Batch batch;
        QByteArray bytes;
        const auto listed = LaborageTable(m_ctx.db()).eachListedInPlace([&](const ListedInstruction& r) {
            batch.add(r.text(1), r.text(2), r.amountText(), QString());
            bytes += (r.text(1) + u',' + r.amountText() + u"\r\n"_s).toUtf8();
        });
        const QString path = QFileInfo(m_ctx.db().dbPath()).dir().filePath(name);
        QFile file(path);
        if (!listed || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return fail(u"upload file "_s + name);
        file.close();
        const auto id = UploadHistory::record(m_ctx.db(), UploadHistory::Kind::PayrollCsv, path, batch, madeAt);
        if (!id)
            return fail(u"recording "_s + name);
        // The picture names a folder of a user, not the temporary one.
        exec(u"update upload_file set file_path=? where file_id=?"_s, { u"/home/caiwu/文档/"_s + name, *id });
    }

    void click(const QString& name)
    {
        if (auto* action = m_window.findChild<QAction*>(name))
            action->trigger();
        else if (auto* button = child<QPushButton>(m_window, name))
            button->click();
    }
    // Shows a tab, reloaded as when the user moves to it.
    void showTab(int tab)
    {
        if (m_window.SSTabMain()->currentIndex() == tab)
            m_window.page(tab)->refresh();
        else
            m_window.SSTabMain()->setCurrentIndex(tab);
        settle();
    }
    // Chooses a data row of a tab's list as a click on it would.
    void chooseRow(int tab, int row)
    {
        ListGrid* grid = m_window.page(tab)->grid();
        grid->selectRows(row, row, 2);
        settle();
    }

    // Runs `open`, which opens a modal dialog. Once the dialog shows, `fill`
    // enters what the picture shows, the dialog is saved as `name` (unless
    // that is empty), and `finish` ends it (closing it unless `finish` is given).
    void shootModal(const QString& name, const std::function<void()>& open,
        const std::function<void(QDialog&)>& fill = {}, const std::function<void(QDialog&)>& finish = {},
        QSize size = {})
    {
        bool shot = false;
        // A timer of this scope: it never fires after the shot was given up.
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &m_window, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            shot = true;
            if (size.isValid())
                dialog->resize(size);
            if (fill)
                fill(*dialog);
            settle(300);
            if (!name.isEmpty())
                save(*dialog, name);
            if (finish)
                finish(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        timer.start(150);
        open();
        settle(200);
        if (!shot)
            fail(u"no dialog opened for "_s + (name.isEmpty() ? u"a step without picture"_s : name));
    }

    AppContext& m_ctx;
    ShotPrompt& m_prompt;
    frmMain& m_window;
    QDir m_out;
    int m_failures = 0;
};

void Shots::seed()
{
    const QString company = u"华东示例科技有限公司"_s;
    exec(u"insert into pay_acc (acc_no,acc_name,currency) values (?,?,'01')"_s, { u"3301008215901092812"_s, company });
    exec(u"insert into pay_acc (acc_no,acc_name,currency) values (?,?,'01')"_s,
        { u"3301008590139624598"_s, u"华东示例科技有限公司工会委员会"_s });
    exec(u"insert into pay_acc (acc_no,acc_name,currency) values (?,?,'14')"_s, { u"3301008571177774123"_s, company });

    struct Payee {
        const char16_t* accNo;
        const char16_t* name;
        const char16_t* kind;
        const char16_t* netNo;
    };
    const Payee payees[] = {
        { u"6230588526018159088", u"江南示例商贸有限公司", u"0", u"" },
        { u"6230588913909960305", u"北方示例物流有限公司", u"0", u"" },
        { u"6230588824628194821", u"西城示例物业管理有限公司", u"0", u"" },
        { u"4100200300400500607", u"东海示例设备有限公司", u"1", u"313290000017" },
        { u"31050161393600001234", u"南山示例印务有限公司", u"1", u"105290036005" },
    };
    for (const Payee& p : payees)
        exec(u"insert into payee_acc (acc_no,acc_name,acc_type,branch_id,area_no,net_no) values (?,?,?,'','',?)"_s,
            { QString::fromUtf16(p.accNo), QString::fromUtf16(p.name), QString::fromUtf16(p.kind),
                QString::fromUtf16(p.netNo) });

    for (const char16_t* remark : { u"货款", u"服务费", u"房租", u"运输费", u"设备款" })
        exec(u"insert into user_remark (remark) values (?)"_s, { QString::fromUtf16(remark) });

    // Two batch payment instructions of the running month.
    struct Instruction {
        int payee;
        const char16_t* amount;
        const char16_t* remark;
    };
    const Instruction batch[] = {
        { 0, u"35600", u"货款" },
        { 3, u"8250.5", u"设备款" },
        { 2, u"12000", u"房租" },
    };
    for (const Instruction& i : batch) {
        const Payee& p = payees[i.payee];
        exec(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
             u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values (?,?,?,?,?,?,'','',?,?,?,'')"_s,
            { m_ctx.serialNumbers.next(), u"3301008215901092812"_s, company, QString::fromUtf16(p.kind),
                QString::fromUtf16(p.accNo), QString::fromUtf16(p.name), QString::fromUtf16(p.netNo),
                QString::fromUtf16(i.amount), QString::fromUtf16(i.remark) });
    }

    struct Employee {
        const char16_t* group;
        const char16_t* accNo;
        const char16_t* name;
        const char16_t* employeeNo;
        const char16_t* certCode;
    };
    // The last account of 销售部 carries a mistyped check digit.
    const Employee roster[] = {
        { u"行政部", u"6230588301661318609", u"张伟", u"A001", u"33010619850312001X" },
        { u"行政部", u"6230588199351819096", u"王芳", u"A002", u"" },
        { u"行政部", u"6230588378657975436", u"李娜", u"A003", u"" },
        { u"研发部", u"6230588231948757495", u"刘洋", u"R001", u"" },
        { u"研发部", u"6230588118625276016", u"陈静", u"R002", u"" },
        { u"研发部", u"6230588895559797113", u"杨磊", u"R003", u"" },
        { u"研发部", u"6230588471049746506", u"赵敏", u"R004", u"" },
        { u"销售部", u"6230588752917034236", u"黄强", u"S001", u"" },
        { u"销售部", u"6230588667127684267", u"周婷", u"S002", u"" },
        { u"销售部", u"6230588846563212236", u"吴斌", u"S003", u"" },
    };
    int person = 0;
    for (const Employee& e : roster) {
        const QString cert = QString::fromUtf16(e.certCode);
        exec(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,cert_type,cert_code,"
             u"net_no,mul_net_no,acc_type) values (?,?,?,?,?,?,?,'','','0')"_s,
            { ++person, QString::fromUtf16(e.group), QString::fromUtf16(e.accNo), QString::fromUtf16(e.name),
                QString::fromUtf16(e.employeeNo), cert.isEmpty() ? QString() : u"1"_s, cert });
    }
}

void Shots::run()
{
    // As wide as the batch payment list with all its columns.
    m_window.resize(1080, 600);
    m_window.show();
    settle(300);

    // ---- Batch payment -------------------------------------------------------
    showTab(frmMain::TabPaymentB2B);
    save(m_window, u"main-window.png"_s);

    shootModal(u"payacc-dialog.png"_s, [this] { click(u"PaymentB2B_cmdPayAccSetup"_s); });

    shootModal(
        u"payment-dialog.png"_s, [this] { click(u"PaymentB2B_cmdNewBut"_s); },
        [this](QDialog& d) {
            if (auto* payee = child<QComboBox>(d, u"comboRecAccNo"_s)) {
                payee->setCurrentIndex(payee->findText(u"6230588913909960305"_s));
                QMetaObject::invokeMethod(&d, "comboRecAccNo_Click");
            }
            if (auto* amount = child<QLineEdit>(d, u"txtAmount"_s)) {
                amount->setFocus();
                QTest::keyClicks(amount, u"4680"_s);
            }
            if (auto* remark = child<QComboBox>(d, u"comboRemark"_s))
                remark->setEditText(u"运输费"_s);
        });

    showTab(frmMain::TabPayeeAccList);
    if (auto* kinds = child<QTabBar>(m_window, u"PayeeAccList_tabAccType"_s))
        kinds->setCurrentIndex(1);
    settle();
    chooseRow(frmMain::TabPayeeAccList, 1);
    save(m_window, u"payee-tab.png"_s);

    // ---- Payroll -------------------------------------------------------------
    showTab(frmMain::TabEmployeeList);
    chooseRow(frmMain::TabEmployeeList, 5);
    save(m_window, u"roster-tab.png"_s);

    showTab(frmMain::TabLaborage);
    for (const QString& group : { u"行政部"_s, u"研发部"_s, u"销售部"_s }) {
        shootModal(
            group == u"行政部"_s ? u"batch-laborage.png"_s : QString(), [this] { click(u"Laborage_cmdBatchNewBut"_s); },
            [this, group](QDialog& d) {
                if (auto* combo = child<QComboBox>(d, u"combGroupNo"_s))
                    combo->setCurrentIndex(combo->findText(group));
            },
            [this](QDialog& d) {
                if (auto* ok = child<QPushButton>(d, u"Command1"_s))
                    ok->click();
            });
    }

    // The first amount through the change dialog, as the user enters it.
    chooseRow(frmMain::TabLaborage, 1);
    shootModal(
        u"laborage-dialog.png"_s, [this] { click(u"Laborage_cmdUpdateBut"_s); },
        [this](QDialog& d) {
            if (auto* amount = child<QLineEdit>(d, u"txtAmount"_s)) {
                amount->setFocus();
                amount->selectAll();
                QTest::keyClicks(amount, u"5800"_s);
            }
            if (auto* remark = child<QComboBox>(d, u"comboRemark"_s))
                remark->setEditText(u"5月工资"_s);
        },
        [this](QDialog& d) {
            if (auto* update = child<QPushButton>(d, u"cmdUpdate"_s))
                update->click();
        });
    // The others at once; 吴斌 is still without an amount when the list is checked.
    const QStringList amounts
        = { u"6200"_s, u"4500.5"_s, u"9800"_s, u"8650"_s, u"7300"_s, u"10200"_s, u"6600"_s, u"5900.8"_s };
    for (int i = 0; i < amounts.size(); ++i)
        exec(u"update laborage set pay_amount=?, remark='5月工资' where serial_no=?"_s, { amounts.at(i), i + 2 });
    m_window.resetLaborageIn();
    settle();

    shootModal(
        u"check-report.png"_s, [this] { click(u"menuCheckLaborage"_s); }, {}, {}, QSize(800, 230));

    exec(u"update laborage set pay_amount=?, remark='5月工资' where serial_no=?"_s, { u"6100"_s, 10 });
    m_window.resetLaborageIn();
    settle();
    save(m_window, u"laborage-tab.png"_s);

    // The list under a find: only the rows with "张", the shown total in the status bar.
    if (auto* find = m_window.findChild<QLineEdit*>(u"Laborage_txtFind"_s)) {
        find->setText(u"张"_s);
        settle();
        save(m_window, u"laborage-find.png"_s);
        find->clear();
        settle();
    }

    // Amounts of 研发部 copied from a spreadsheet (account, name, amount), one
    // account that has left: the preview before anything is stored, cancelled.
    QGuiApplication::clipboard()->setText(u"6230588231948757495\t刘洋\t9,850.00\r\n"
                                          u"6230588118625276016\t陈静\t8,700.00\r\n"
                                          u"6230588895559797113\t杨磊\t7,300.00\r\n"
                                          u"6230588471049746506\t赵敏\t10,500.00\r\n"
                                          u"6230588000011112222\t孙倩\t6,800.00\r\n"_s);
    if (auto* grid = m_window.findChild<ListGrid*>(u"Laborage_DataGrid"_s)) {
        shootModal(u"paste-preview.png"_s, [grid] {
            grid->setFocus();
            QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
        });
    }

    // The upload history: the May payroll written last month and the June one
    // today, the newer one chosen with its instructions below.
    recordPayrollFile(u"代发工资-2025年5月.csv"_s, QDateTime(QDate(2025, 5, 26), QTime(9, 12)));
    recordPayrollFile(u"代发工资-2025年6月.csv"_s, QDateTime(QDate(2025, 6, 25), QTime(9, 30)));
    shootModal(
        u"upload-history.png"_s, [this] { click(u"Laborage_cmdUploadHistory"_s); },
        [](QDialog& d) {
            if (auto* files = d.findChild<QTableView*>(u"frmUploadHistory_grdFiles"_s))
                files->selectRow(0);
        });

    // The page as wide as the preview, so that its text can be read.
    shootModal(
        u"approval-sheet.png"_s, [this] { click(u"Laborage_cmdPrintBut"_s); },
        [](QDialog& d) {
            if (auto* page = d.findChild<QPrintPreviewWidget*>())
                page->fitToWidth();
        },
        {}, QSize(820, 700));

    // ---- The settings menu -----------------------------------------------------
    showTab(frmMain::TabPaymentB2B);
    auto* label1 = child<QLabel>(m_window, u"Label1"_s);
    QMenu* tool = m_window.toolMenu();
    if (!label1 || !tool)
        return;
    m_window.Label1_Click();
    settle();
    QMenuBar* bar = m_window.menuBar();
    tool->popup(bar->mapToGlobal(bar->actionGeometry(tool->menuAction()).bottomLeft()));
    settle(200);
    const QRect top(0, 0, m_window.width(), bar->height() + m_window.findChild<QToolBar*>()->height());
    QImage image(top.width(), top.height() + tool->height() + 8, QImage::Format_RGB32);
    image.fill(m_window.palette().color(QPalette::Window));
    {
        QPainter p(&image);
        p.drawPixmap(0, 0, m_window.grab(top));
        const QPoint menuAt = m_window.mapFromGlobal(tool->pos());
        p.drawPixmap(menuAt, tool->grab());
        // Where Label1 lies, marked and named.
        const QRect spot = QRect(label1->mapTo(&m_window, QPoint(0, 0)), label1->size())
                               .adjusted(-3, -2, 3, 2)
                               .intersected(image.rect().adjusted(1, 1, -2, -2));
        p.setPen(QPen(Qt::red, 2));
        p.drawRect(spot);
        const QString note = u"单击此处（Label1）"_s;
        const int noteWidth = p.fontMetrics().horizontalAdvance(note);
        p.drawText(QRect(spot.left() - noteWidth - 12, spot.top(), noteWidth + 8, spot.height()),
            Qt::AlignRight | Qt::AlignVCenter, note);
    }
    tool->hide();
    save(image, u"settings-menu.png"_s);

    shootModal(u"settings-dialog.png"_s, [this] { click(u"option"_s); });

    // The picture names the data folder of an installed program, not the
    // temporary folder the pictures are taken in.
    shootModal(
        u"about.png"_s, [this] { click(u"menuAbout"_s); },
        [](QDialog& dialog) {
            if (auto* folder = dialog.findChild<QLabel*>(u"AboutDialog_lblDataFolder"_s))
                folder->setText(u"/home/caiwu/.local/share/Qelvora"_s);
        });
}

// The settings as the program is delivered with them, so the dialogs show
// what users type into.
bool deliverSettings(const QString& dir)
{
    return QFile::copy(QStringLiteral(QELVORA_DELIVERED_SETTINGS), QDir(dir).filePath(u"sysConf.ini"_s));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    setProgramIcon();
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: qelvora-guide-shots <folder for the PNG files>\n");
        return 2;
    }
    QDir out(args.at(1));
    if (!out.mkpath(u"."_s)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(args.at(1)));
        return 1;
    }

    QTemporaryDir programDir;
    const QString store = programDir.filePath(u"userdb.mdb"_s);
    if (const Result<> created = DBAccess::createStore(store); !created) {
        std::fprintf(stderr, "cannot create the store: %s\n", qPrintable(created.message()));
        return 1;
    }
    ShotPrompt prompt;
    AppContext ctx(prompt, programDir.path());
    if (!deliverSettings(programDir.path())) {
        std::fprintf(stderr, "cannot write the settings file\n");
        return 1;
    }
    std::unique_ptr<frmMain> window;
    if (startProgram(ctx, window) != 0 || !window)
        return 1;

    Shots shots(ctx, prompt, *window, out);
    shots.seed();
    shots.run();
    window.reset();
    ctx.db().Disconnect();
    return shots.failures() == 0 ? 0 : 1;
}
