#pragma once

#include <QString>
#include <QTest>

// A desktop's font DPI (Xft.dpi, or QT_FONT_DPI) is read once, when the
// application starts. A test that must see windows at another DPI runs its
// current row again in a child process of the same test program, started
// with QT_FONT_DPI set.

// Whether this process draws fonts at `dpi` dots per inch.
bool atFontDpi(int dpi);

// Runs the current test function's current row in a child process whose
// fonts are drawn at `dpi` dots per inch. Returns what failed there (its
// output), or nothing when the row passed.
QString runRowAtFontDpi(int dpi);

// Goes on in this process when it is at `dpi`; otherwise runs the row in a
// child at `dpi`, passes or fails with it, and returns.
#define RUN_AT_FONT_DPI(dpi)                                                                                 \
    do {                                                                                                     \
        if (!atFontDpi(dpi)) {                                                                               \
            const QString failedThere = runRowAtFontDpi(dpi);                                                \
            QVERIFY2(failedThere.isEmpty(), qPrintable(failedThere));                                        \
            return;                                                                                          \
        }                                                                                                    \
    } while (false)
