#include "configprompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace ConfigPrompts
{

namespace
{
BoxHook boxHook;
TextHook textHook;
FileHook fileHook;
} // namespace

void warning(QWidget* parent, const QString& title, const QString& text)
{
    if (boxHook)
        boxHook(parent, BoxKind::Warning, title, text);
    else
        QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

void information(QWidget* parent, const QString& title, const QString& text)
{
    if (boxHook)
        boxHook(parent, BoxKind::Information, title, text);
    else
        QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

QString password(QWidget* parent, const QString& title, const QString& label, bool* ok)
{
    if (textHook)
        return textHook(parent, title, label, ok);
    return QInputDialog::getText(parent, title, label, QLineEdit::Password, QString(), ok);
}

QString saveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    if (fileHook)
        return fileHook(parent, true, caption, dir, filter);
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString openFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    if (fileHook)
        return fileHook(parent, false, caption, dir, filter);
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

void setBoxHook(BoxHook hook)
{
    boxHook = std::move(hook);
}

void setTextHook(TextHook hook)
{
    textHook = std::move(hook);
}

void setFileHook(FileHook hook)
{
    fileHook = std::move(hook);
}

} // namespace ConfigPrompts
