#pragma once

#include <QString>

#include <functional>

class QWidget;

// The configuration editor's modal boxes and file dialogs go through these
// functions, so that a test or a scripted run can answer them. Without a hook
// each opens the ordinary window.
namespace ConfigPrompts
{

enum class BoxKind { Warning, Information };

using BoxHook = std::function<void(QWidget* parent, BoxKind kind, const QString& title, const QString& text)>;
// Returns the typed text; *ok is false when the user cancelled.
using TextHook = std::function<QString(QWidget* parent, const QString& title, const QString& label, bool* ok)>;
// Returns the chosen path, empty when cancelled. `save` tells the save dialog
// from the open one.
using FileHook = std::function<QString(QWidget* parent, bool save, const QString& caption, const QString& dir,
                                       const QString& filter)>;

void warning(QWidget* parent, const QString& title, const QString& text);
void information(QWidget* parent, const QString& title, const QString& text);
// A password entry (the text is never echoed).
QString password(QWidget* parent, const QString& title, const QString& label, bool* ok);
QString saveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter);
QString openFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter);

// An empty function puts the ordinary window back.
void setBoxHook(BoxHook hook);
void setTextHook(TextHook hook);
void setFileHook(FileHook hook);

} // namespace ConfigPrompts
