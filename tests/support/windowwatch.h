#pragma once

#include <QStringList>

#include <functional>

class QWidget;

// Shows `windows`, lets them settle and watches them for 2 s with nothing
// changing: a line for each that received a resize or layout request, and
// its size in the screen's pixels ("size <class> WxH").
QStringList restlessWindows(const QList<QWidget*>& windows);

// In a row of addDesktopRows(windows) (fontdpi.h): what restlessWindows found
// for the row's window on its desktop, and on a screen with room above 100 %,
// whether the window is its size at 96 dpi times dpi / 96 (within 2 px).
// `watchAll` watches every window of the program, once per desktop, here or
// in a child running the row; its findings serve the other windows' rows.
QStringList restlessHere(const std::function<QStringList()>& watchAll);
