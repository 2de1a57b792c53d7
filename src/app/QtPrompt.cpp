#include "app/QtPrompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

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

bool QtPrompt::askOkCancel(const QString& text, DefaultButton defaultButton)
{
    return showBox(QMessageBox::Question, applicationTitle(), text, QMessageBox::Ok | QMessageBox::Cancel,
               defaultButton == DefaultButton::Cancel ? QMessageBox::Cancel : QMessageBox::Ok)
        == QMessageBox::Ok;
}

bool QtPrompt::askYesNo(const QString& text)
{
    return showBox(
               QMessageBox::Question, applicationTitle(), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

OkSkipCancel QtPrompt::askOkSkipCancel(const QString& text)
{
    QMessageBox box(QMessageBox::Question, applicationTitle(), text, QMessageBox::Ok | QMessageBox::Cancel, owner());
    QPushButton* skip = box.addButton(u"跳过"_s, QMessageBox::ActionRole);
    skip->setObjectName(u"cmdSkip"_s);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    if (box.clickedButton() == skip)
        return OkSkipCancel::Skip;
    return box.clickedButton() == box.button(QMessageBox::Ok) ? OkSkipCancel::Ok : OkSkipCancel::Cancel;
}

void QtPrompt::critical(const QString& title, const QString& text)
{
    showBox(QMessageBox::Critical, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

FileChoice QtPrompt::chooseSaveFile(const FileDialogRequest& request)
{
    // The overwrite question is asked by selectSaveFile in the program's own words,
    // for the name with the extension it adds.
    QString filter = request.filters.value(0);
    const QString path = QFileDialog::getSaveFileName(owner(), QString(), request.directory,
        request.filters.join(u";;"_s), &filter, QFileDialog::DontConfirmOverwrite);
    return { path, filter };
}

FileChoice QtPrompt::chooseOpenFile(const FileDialogRequest& request)
{
    QString filter = request.filters.value(0);
    const QString path
        = QFileDialog::getOpenFileName(owner(), QString(), request.directory, request.filters.join(u";;"_s), &filter);
    return { path, filter };
}
