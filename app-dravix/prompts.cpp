#include "prompts.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace
{

Prompts::CriticalHook& criticalHook()
{
    static Prompts::CriticalHook hook;
    return hook;
}

Prompts::SaveFileHook& saveFileHook()
{
    static Prompts::SaveFileHook hook;
    return hook;
}

Prompts::DialogHook& dialogHook()
{
    static Prompts::DialogHook hook;
    return hook;
}

} // namespace

namespace Prompts
{

void critical(QWidget* parent, const QString& title, const QString& text)
{
    if (criticalHook()) {
        criticalHook()(parent, title, text);
        return;
    }
    QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}

QString saveFileName(QWidget* parent, const QString& caption, const QString& proposed, const QString& filter)
{
    if (saveFileHook())
        return saveFileHook()(parent, caption, proposed, filter);
    return QFileDialog::getSaveFileName(parent, caption, proposed, filter);
}

int execDialog(QDialog* dialog)
{
    if (dialogHook())
        return dialogHook()(dialog);
    return dialog->exec();
}

void setCriticalHook(CriticalHook hook)
{
    criticalHook() = std::move(hook);
}

void setSaveFileHook(SaveFileHook hook)
{
    saveFileHook() = std::move(hook);
}

void setDialogHook(DialogHook hook)
{
    dialogHook() = std::move(hook);
}

} // namespace Prompts
