#pragma once

// The pieces of window sizing that its three sources share; not for use
// outside windowfit*.cpp.

#include <QFontMetrics>
#include <QRect>
#include <QSize>

class QScreen;
class QTableView;
class QWidget;

namespace windowfit_parts
{

// Growing with the font (windowfit.cpp).
QFontMetrics metricsAt96(const QFont& font);
bool growsWithFont(const QWidget* w);
bool isLimit(int value);
int grownLimit(int limit, int needed, int growth);
QSize layoutNeeds(QWidget* w);

// Fitting the screen (windowfit_screen.cpp).
// A widget's minimum as the form gave it, before growWithFont.
constexpr const char* formMinimumProperty = "windowFitFormMinimum";
QScreen* screenOf(const QWidget* window);
QMargins frameOf(const QWidget* window);
QRect roomOf(const QWidget* window);
void moveOntoScreen(QWidget* window);
void keepOnScreen(QWidget* window);
void scrollWhatDoesNotFit(QWidget* window, QSize room);
void yieldGrownRoom(QWidget* window, QSize excess);
QSize roomToGrow(QWidget* window);

// Tables (windowfit_tables.cpp).
void keepRowsWhole(QTableView* table);

} // namespace windowfit_parts
