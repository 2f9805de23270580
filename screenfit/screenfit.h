#pragma once

class QWidget;

// What Qt's scaling leaves to the windows (desktopscaling.h): a form keeps
// its size on every desktop, so only a screen too small for it needs care.
//
// fitToScreen: when `window` is shown, and again when it moves to another
// screen, a window that needs more room than the available geometry of its
// screen leaves it is capped to that room, and what it holds scrolls there:
// the pages of a tab widget, so what lies beside and below them stays in
// reach, or else its whole content. Once it fits again (a larger screen) it
// takes back the sizes its form gives. A window the program placed is kept
// wholly on its screen. Nothing happens in answer to the window's layout or
// its resizing, so a window at rest keeps its size, and the size the user
// gives it. Call once the form is built.
void fitToScreen(QWidget* window);

// The window's fields that show a value, a spin box's included, start at the
// value's first character when a value is set, and show the whole value on
// hover while the field cuts it.
void showValuesWhole(QWidget* window);

// Opens `window` beside `neighbour`: to its right, else to its left where the
// screen has room there, else wholly on the screen.
void placeBeside(QWidget* window, const QWidget* neighbour);
