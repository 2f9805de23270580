#pragma once

#include <QString>

#include <functional>

class QDialog;
class QWidget;

// The viewer's modal prompts (critical boxes, the save-file dialog, modal runs
// of its own dialogs) go through these functions, so that a test or a
// scripted run can answer them instead of a user. Without a hook set, each
// one opens the ordinary modal window.
namespace Prompts
{

using CriticalHook = std::function<void(QWidget* parent, const QString& title, const QString& text)>;
using SaveFileHook = std::function<QString(QWidget* parent, const QString& caption, const QString& proposed,
                                           const QString& filter)>;
using DialogHook = std::function<int(QDialog* dialog)>;

// A critical message box with the single button OK.
void critical(QWidget* parent, const QString& title, const QString& text);
// A save-file dialog; an empty answer means cancelled.
QString saveFileName(QWidget* parent, const QString& caption, const QString& proposed, const QString& filter);
// Runs `dialog` modally (exec) and returns its result.
int execDialog(QDialog* dialog);

// An empty function puts the ordinary window back.
void setCriticalHook(CriticalHook hook);
void setSaveFileHook(SaveFileHook hook);
void setDialogHook(DialogHook hook);

} // namespace Prompts
