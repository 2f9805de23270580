#pragma once

#include <QApplication>
#include <QFont>
#include <QStringList>
#include <QWidget>

// Shows `window`, brings each of its pages to the front in turn and measures
// every caption a user reads there: label, push, tool, check and radio
// button, the choice a closed list shows, group box title and tab. A caption is cut off when its text, in
// the font the widget draws it with, is wider or taller than the room the
// style leaves it inside the widget, or when the widget's parents clip it.
// Each one is reported as "<window class> <widget>: "<text>" needs W x H,
// has W x H". Leading and trailing blanks need no room. Values are measured
// too: a spin box's and a table cell's show whole, a field's at least from
// its start and whole on hover. A window that reaches past the available
// geometry of its screen is reported as well, and on the tests' large screen
// a table scrolling sideways for a few pixels and a tool box page that scrolls.
QStringList captionsCutOff(QWidget* window);

// While it lives, widgets made without a font of their own get the one Qt
// gives them on an X11 desktop with no font settings (DejaVu Sans 9 where
// only DejaVu is installed): the offscreen platform's default is larger,
// so a window measured in it is not the window a user sees.
class DesktopFont
{
public:
    DesktopFont() { QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9)); }
    ~DesktopFont() { QApplication::setFont(before); }
    DesktopFont(const DesktopFont&) = delete;
    DesktopFont& operator=(const DesktopFont&) = delete;

private:
    QFont before = QApplication::font();
};
