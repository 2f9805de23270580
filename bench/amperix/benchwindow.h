#pragma once

// Helpers of the main-window benchmarks.

#include "benchsupport.h"
#include "livetest.h"
#include "mainwindow.h"
#include "ps_thread.h"

#include <QAction>
#include <QTest>

inline QAction* windowAction(MainWindow& w, const char* name)
{
    return w.findChild<QAction*>(QLatin1String(name));
}

inline bool windowConnected(MainWindow& w)
{
    return windowAction(w, "actionConnection")->isChecked() &&
           windowAction(w, "actionConfiguration")->isEnabled();
}

inline bool windowDisconnected(MainWindow& w)
{
    return !windowAction(w, "actionConnection")->isChecked() && windowAction(w, "actionSetIP")->isEnabled() &&
           !w.getThread()->isRunning();
}
