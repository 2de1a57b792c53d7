#include "QtPrompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace {
QWidget* owner()
{
    return QApplication::activeWindow();
}

int showBox(QMessageBox::Icon icon, const QString& title, const QString& text, QMessageBox::StandardButtons buttons,
    QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, owner());
    box.setDefaultButton(defaultButton);
    return box.exec();
}
}

void QtPrompt::message(const QString& text)
{
    showBox(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtPrompt::askOkCancel(const QString& text)
{
    return showBox(
               QMessageBox::Question, applicationTitle(), text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok)
        == QMessageBox::Ok;
}

bool QtPrompt::askYesNo(const QString& text)
{
    return showBox(
               QMessageBox::Question, applicationTitle(), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

void QtPrompt::critical(const QString& title, const QString& text)
{
    showBox(QMessageBox::Critical, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

QString QtPrompt::qtFilter(const QString& filter)
{
    const qsizetype bar = filter.indexOf(u'|');
    if (bar < 0)
        return filter;
    QString name = filter.left(bar);
    const qsizetype paren = name.indexOf(u" ("_s);
    if (paren >= 0)
        name.truncate(paren);
    return name + u" ("_s + filter.mid(bar + 1) + u")"_s;
}

QString QtPrompt::chooseSaveFile(const QString& filter)
{
    // The overwrite question is asked by selectSaveFile in the program's own words.
    return QFileDialog::getSaveFileName(
        owner(), QString(), QString(), qtFilter(filter), nullptr, QFileDialog::DontConfirmOverwrite);
}

QString QtPrompt::chooseOpenFile(const QString& filter)
{
    return QFileDialog::getOpenFileName(owner(), QString(), QString(), qtFilter(filter));
}
