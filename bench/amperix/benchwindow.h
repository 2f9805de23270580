#pragma once

// Helpers of the main-window benchmarks.

#include "benchsupport.h"
#include "mainwindow.h"
#include "ps_thread.h"

#include <QAction>
#include <QSettings>
#include <QTest>

inline void storeConnection(quint16 port, const QString& refresh, const QString& socketWait)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
                QStringLiteral("Amperix"));
    s.setValue(QStringLiteral("ip_address"), QStringLiteral("127.0.0.1"));
    s.setValue(QStringLiteral("port"), QString::number(port));
    s.setValue(QStringLiteral("data_refresh"), refresh);
    s.setValue(QStringLiteral("socket_wait"), socketWait);
    s.setValue(QStringLiteral("automaticUpdatesEnabled"), false);
}

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
