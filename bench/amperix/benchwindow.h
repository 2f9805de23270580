#pragma once

// Helpers of the main-window benchmarks.

#include "mainwindow.h"
#include "ps_thread.h"

#include <QAction>
#include <QFile>
#include <QList>
#include <QSettings>
#include <QTest>

#include <algorithm>

inline double percentile(QList<qint64> values, double p)
{
    if (values.isEmpty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const int index = qBound(0, int(p * (values.size() - 1) + 0.5), values.size() - 1);
    return double(values.at(index));
}

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

// A field of /proc/self/status in kB (VmRSS) or as a count (Threads); -1 elsewhere.
inline long procStatus(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}
