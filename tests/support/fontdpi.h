#pragma once

#include <QString>
#include <QStringList>
#include <QTest>

// A desktop's font DPI (Xft.dpi, or QT_FONT_DPI), its screen and Qt's scale
// factor are read once, when the application starts. A test that must see
// windows on another desktop runs its current row again in a child process of
// the same test program, started with QT_FONT_DPI, TEST_SCREEN (the screen's
// size in device pixels, "1366x768"; none: the tests' own, see
// testscreen.cpp) and QT_SCALE_FACTOR (none: 1) set.

// Whether this process draws fonts at `dpi` dots per inch on that screen and
// scale.
bool atFontDpi(int dpi, const QString& screen = QString(), const QString& scale = QString());

// The desktops every window is checked on, as columns "dpi", "screen" and
// "scale": 100 %, Xvfb's own 100 dpi, 125 %, 150 % and 200 % on a large
// screen; a laptop's screen at 100 % and 125 %, a full-HD one at a scale of
// 1.5 or at 200 %, a laptop's at 150 %. With `windows`, a row for each.
void addDesktopRows(const QStringList& windows = QStringList());

// Runs the current test function's current row in a child process whose
// fonts are drawn at `dpi` dots per inch on that screen and scale. Returns
// what failed there (its output), or nothing when the row passed; `output`
// receives all it wrote.
QString runRowAtFontDpi(int dpi, const QString& screen = QString(), const QString& scale = QString(),
                        QString* output = nullptr);

// Goes on in this process when it is at `dpi` (on `screen` at `scale`, when
// given); otherwise runs the row in a child there, passes or fails with it,
// and returns.
#define RUN_AT_FONT_DPI(dpi, ...)                                                                            \
    do {                                                                                                     \
        if (!atFontDpi(dpi, ##__VA_ARGS__)) {                                                                \
            const QString failedThere = runRowAtFontDpi(dpi, ##__VA_ARGS__);                                 \
            QVERIFY2(failedThere.isEmpty(), qPrintable(failedThere));                                        \
            return;                                                                                          \
        }                                                                                                    \
    } while (false)
