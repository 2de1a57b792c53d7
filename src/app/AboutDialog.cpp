#include "app/AboutDialog.h"

#include "QelvoraVersion.h"
#include "domain/AppContext.h"
#include "store/StoreCheck.h"

#include <QApplication>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}
} // namespace

AboutDialog::AboutDialog(const AppContext& ctx, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(u"AboutDialog"_s);
    setWindowTitle(u"关于 Qelvora"_s);

    auto* icon = new QLabel(this);
    icon->setObjectName(u"AboutDialog_imgIcon"_s);
    const QIcon programIcon = QApplication::windowIcon();
    if (!programIcon.isNull())
        icon->setPixmap(programIcon.pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);

    auto* title = makeLabel(u"AboutDialog_lblTitle"_s, u"Qelvora %1"_s.arg(QStringLiteral(QELVORA_VERSION)), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto* purpose
        = makeLabel(u"AboutDialog_lblPurpose"_s, u"离线编制批量支付和代发工资指令，生成网上银行的上传文件。"_s, this);

    // The data folder as the user writes it: no trailing separator.
    QString folder = ctx.appDir;
    while (folder.size() > 1 && folder.endsWith(QDir::separator()))
        folder.chop(1);

    auto* details = new QFormLayout;
    details->setLabelAlignment(Qt::AlignRight);
    details->addRow(u"版本："_s, makeLabel(u"AboutDialog_lblVersion"_s, QStringLiteral(QELVORA_VERSION), this));
    details->addRow(
        u"构建日期："_s, makeLabel(u"AboutDialog_lblBuildDate"_s, QStringLiteral(QELVORA_BUILD_DATE), this));
    details->addRow(u"Qt 版本："_s, makeLabel(u"AboutDialog_lblQt"_s, QString::fromLatin1(qVersion()), this));
    details->addRow(u"SQLite 版本："_s, makeLabel(u"AboutDialog_lblSqlite"_s, sqliteLibraryVersion(), this));
    details->addRow(u"数据文件夹："_s, makeLabel(u"AboutDialog_lblDataFolder"_s, folder, this));

    auto* backup = makeLabel(u"AboutDialog_lblBackup"_s,
        u"数据库 userdb.mdb 和设置文件 sysConf.ini 都在数据文件夹中，自动备份在其中的 backup 文件夹里；菜单“文件 → 备份数据…”可另存一份到其他位置。"_s,
        this);
    backup->setWordWrap(true);

    auto* ok = new QPushButton(u"确定"_s, this);
    ok->setObjectName(u"AboutDialog_cmdOK"_s);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(purpose);
    text->addSpacing(8);
    text->addLayout(details);
    text->addSpacing(8);
    text->addWidget(backup);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addLayout(text, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void setProgramIcon()
{
    QIcon icon;
    for (const int size : { 16, 22, 24, 32, 48, 64, 128, 256 })
        icon.addFile(u":/qelvora/%1x%1/qelvora.png"_s.arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(u"qelvora"_s);
}
