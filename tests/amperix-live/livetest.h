#pragma once

// Helpers shared by the main window's live-operation tests.

#include "mainwindow.h"
#include "ps_thread.h"

#include <QAbstractSocket>
#include <QList>
#include <QMutexLocker>
#include <QPair>
#include <QSettings>
#include <QStringList>
#include <QTest>

namespace LiveTest
{

inline QList<int> queuedTaskIds(ps_thread* worker)
{
    QMutexLocker lock(&worker->mutex);
    QList<int> ids;
    for (const ps_task& t : worker->task_queue)
        ids << t.id;
    return ids;
}

// Ids with their first parameter, "id" or "id:param".
inline QStringList queuedTasks(ps_thread* worker)
{
    QMutexLocker lock(&worker->mutex);
    QStringList tasks;
    for (const ps_task& t : worker->task_queue) {
        const QString param = t.params.value(0);
        tasks << (param.isEmpty() ? QString::number(t.id) : QString::number(t.id) + QLatin1Char(':') + param);
    }
    return tasks;
}

inline void clearQueue(ps_thread* worker)
{
    QMutexLocker lock(&worker->mutex);
    worker->task_queue.clear();
}

// Changes the worker's live record as a poll would.
template <typename F> void editLive(ps_thread* worker, F edit)
{
    QMutexLocker lock(&worker->mutex);
    edit(worker->ps_response);
}

inline bool reportState(MainWindow& w, QAbstractSocket::SocketState state)
{
    return QMetaObject::invokeMethod(&w, "slotStateChanged", Q_ARG(QTcpSocket::SocketState, state));
}

inline bool deliver(MainWindow& w, const char* slot, const ps_data& data)
{
    return QMetaObject::invokeMethod(&w, slot, Q_ARG(ps_data, data));
}

// Connection settings as the dialog stores them, pointing at loopback.
inline void storeConnection(quint16 port, const QString& refresh = QStringLiteral("100"),
                            const QString& socketWait = QStringLiteral("1000"))
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
                QStringLiteral("Amperix"));
    s.setValue(QStringLiteral("ip_address"), QStringLiteral("127.0.0.1"));
    s.setValue(QStringLiteral("port"), QString::number(port));
    s.setValue(QStringLiteral("data_refresh"), refresh);
    s.setValue(QStringLiteral("socket_wait"), socketWait);
    // No update check while these windows paint.
    s.setValue(QStringLiteral("automaticUpdatesEnabled"), false);
}

// The commands of `log` that are not part of the poll set, in order.
inline QStringList withoutPolls(const QStringList& log)
{
    static const QStringList polls{"VER",      "MRG:130",   "MRID",       "MPLST",        "MRT",
                                   "MGC",      "MLIMITS:?", "PMODE",      "PCONNECTIONS", "LOOP:?",
                                   "UPMODE:?", "TRGMODE",   "SETFLOAT:?", "POL"};
    QStringList rest;
    for (const QString& c : log)
        if (!polls.contains(c))
            rest << c;
    return rest;
}

// True when `expected` occurs in `log` in this order (other lines between).
inline bool inOrder(const QStringList& log, const QStringList& expected)
{
    int next = 0;
    for (const QString& c : log)
        if (next < expected.size() && c == expected.at(next))
            ++next;
    return next == expected.size();
}

} // namespace LiveTest
