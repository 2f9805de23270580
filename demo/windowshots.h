#pragma once

#include <QString>

class QTabWidget;
class QWidget;

// Pictures of windows as a desktop shows them, for looking at them at every
// scale and screen size (scripts/demo shots). Each is a PNG in the screen's
// own pixels.
namespace WindowShots
{

// Runs the event loop for `ms` milliseconds: the window lays itself out,
// paints, and answers what a simulator sends.
void settle(int ms);

// The window's own picture.
void save(QWidget* window, const QString& path);

// The whole screen the window is on: where it lies and what it covers.
void saveScreen(QWidget* window, const QString& path);

// Shows and raises the window, lets it settle and saves its picture and its
// screen's as <prefix>-<name>.png and <prefix>-<name>-screen.png.
void picture(QWidget* window, const QString& prefix, const QString& name, int settleMs = 600);

// Pictures every page of the tab widget in `window` as <name>-<page index>.
void picturePages(QWidget* window, QTabWidget* tabs, const QString& prefix, const QString& name);

} // namespace WindowShots
