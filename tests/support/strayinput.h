#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

// Input that a user gives a window without aiming it at anything that acts:
// a Return in a field, a wheel turned while the pointer passes over a list.
// Each walk shows the window and brings every control's page to the front,
// delivers the posted events after each input, and reports what the input
// set off as "<window class> <control>: <what>": a modal box or dialog
// (closed unanswered), a window shown, the window itself closed, and the
// text `effects` gives (tasks posted, bytes sent; empty for nothing).

// Presses Return in every enabled control that Tab can reach (fields, lists,
// spin boxes, check and radio buttons, tables), push and tool buttons aside;
// each must keep its value (a multi-line editor aside, where Return is text).
QStringList returnInEveryControl(QWidget* window, const std::function<QString()>& effects);

// Turns the wheel one notch over every enabled list, spin box and slider,
// first with the control not focused, as a pointer passing over it does:
// the control must keep its value and the focus where it was, and the wheel
// must go on to the page. Then with the control focused, where a value may
// change but nothing else may happen (the value is put back afterwards).
// Every table and scroll area with somewhere to go must still scroll.
QStringList wheelOverEveryControl(QWidget* window, const std::function<QString()>& effects);

// Presses Return, then Enter, on every enabled push and tool button with the
// button focused, and reports each one that a key did not click exactly
// once, that a held Return clicked again, or whatever else the keys set off
// (a box, closed unanswered; a window shown). The buttons are cut from what
// they are connected to first, so the window's buttons do nothing
// afterwards: use a window of its own.
QStringList returnOnEveryButton(QWidget* window);

// One wheel notch over `control` (direction 1 up, -1 down), delivered as the
// window system delivers it.
void wheelNotch(QWidget* control, int direction);

// Logs every finding, one a line, and says whether there was none.
bool nothingFound(const QStringList& found);
