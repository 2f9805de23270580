#pragma once

// Helpers of the viewer benchmarks; the settings store and record helpers
// are the viewer tests' own.

#include "viewertestsupport.h"

#include <QPushButton>

// Draw offscreen unless another platform is asked for, so the benchmarks
// run without a display.
inline void preferOffscreen()
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Adds `boxes` rows whose workers look connected, presses their Acquire
// buttons (which connects the plot) and confirms each start as the box
// would, streaming `layout`.
inline void startAcquiring(MainWindow& w, int boxes, int layout)
{
    for (int b = 0; b < boxes; ++b) {
        const int row = w.addBox(true, QStringLiteral("10.0.0.%1").arg(b + 1), QString());
        Dcct_thread* t = w.boxThread(row);
        t->connected = true;
        w.rowButton(row, MainWindow::AcquireButton)->click();
        setRecord(t, [&](Dcct_data& d) {
            d.acquiring = true;
            d.line_layout = layout;
            d.name = QStringLiteral("BOX-%1").arg(b);
        });
        emit t->sentrel_start_acquire(t->data);
    }
}
