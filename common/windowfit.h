#pragma once

#include <QList>
#include <QStringList>

class QTableView;
class QWidget;

// How large a window is and where it opens, in one place. The forms give
// sizes in pixels for a desktop font of 96 dpi; fitWindow, called by every
// window once its form is built, takes them as the sizes at 96 dpi and
//  - grows with the font: on a desktop set to 125 %, 150 % or 200 % (Xft.dpi
//    or QT_FONT_DPI 120, 144, 192) a widget the form holds to a size grows by
//    what its text grew, a field keeps room for as many characters, a closed
//    list for its longest choice, and a group or window whose size the form
//    limits is at least as large as its layout then needs, also when its
//    texts change later; a table's rows are as high as their buttons and its
//    fixed height holds its rows;
//  - shares widths: widgets of a kind the form gave one width (titles in a
//    column, buttons of a row) keep sharing it when one of them needs more,
//    also where a wider face stands in for the form's font;
//  - fits the screen: no window is larger than the available geometry of
//    the screen it opens on; where its content needs more room, a tab
//    widget's pages or else the whole content scroll, so the buttons below
//    stay in reach; a dialog that grows stays wholly on that screen;
//  - shows values: a field showing a value starts at its first character,
//    a value cut by its field shows whole on hover, and a value box the
//    form made too narrow widens into the room its row has.
// At 96 dpi, on a screen with room, the sizes stay as the form gives them.
void fitWindow(QWidget* window);

// For a widget that shows no text of its own (a plot) but whose room the
// form gives in pixels: its limits grow as the font's line did, as far as
// the screen has room. Call before fitWindow.
void growWithFont(QWidget* widget);

// The width for push buttons that the form gives `formWidth` pixels and that
// show each of `texts` in turn (a table column of row buttons): with a larger
// desktop font it grows as a width fixed in a form does.
int buttonWidthFor(QWidget* parent, int formWidth, const QStringList& texts);

// The table's `columns` share the width its other columns leave: each gets
// what its values need while the table has room, and the table is at least
// that wide as far as its window's screen allows. Where the room is short,
// they share it in proportion to their needs.
void shareColumnWidths(QTableView* table, const QList<int>& columns);

// Opens `window` beside `neighbour`, to its right or else to its left,
// where the screen has room for it, and wholly on the screen otherwise.
void placeBeside(QWidget* window, const QWidget* neighbour);

// Whether the window, frame included, lies wholly on the available geometry
// of its screen.
bool fitsItsScreen(const QWidget* window);
