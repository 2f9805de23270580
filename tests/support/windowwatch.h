#pragma once

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// A window at rest keeps its size: shows `windows` at once, lets them settle
// (shown, exposed, what they posted handled), then watches them for 2 s with
// nothing changing. Returns one line per window that received a resize or a
// layout request meanwhile, "<class>: N resize and M layout requests (<widget>)".
QStringList restlessWindows(const QList<QWidget*>& windows);

// Whether the window of class `windowClass` stayed at rest on the desktop at
// `dpi` on `screen` at `scale` (fontdpi.h): what restlessWindows found for
// it, or nothing. `watchAll` builds and watches every window of the program;
// it runs once per desktop, in this process when it is on that desktop, else
// in a child process that runs the current row, and its findings serve the
// rows of the other windows.
QString restlessOn(const QString& windowClass, int dpi, const QString& screen, const QString& scale,
                   const std::function<QStringList()>& watchAll);

// A shown window's size in the screen's own pixels, as the platform has it.
QSize devicePixelSize(QWidget* window);
