#pragma once

// A started Dcct_thread as the windows see it: its signals arrive queued in
// the test thread and are recorded in order.

#include "dcct_thread.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QtTest>

#include <functional>
#include <memory>

class WorkerRig : public QObject
{
public:
    std::unique_ptr<Dcct_thread> thread;
    QList<QPair<int, bool>> connections;
    QList<Dcct_data> statuses;
    QList<Dcct_data> blocks;
    QList<Dcct_data> files;
    QList<Dcct_data> starts;
    QList<Dcct_data> foundAcquiring;
    QStringList order; // signal names in arrival order

    WorkerRig(bool tcp, const QString& ip, const QString& port, const QString& comPort, int timeoutMs = 5000)
    {
        thread = std::make_unique<Dcct_thread>(tcp, ip, 80, comPort);
        thread->tcp_port = port;
        thread->reply_timeout_ms = timeoutMs;
        Dcct_thread* t = thread.get();
        connect(t, &Dcct_thread::connection_changed, this,
                [this](int code, bool up) {
                    connections << qMakePair(code, up);
                    order << QStringLiteral("connection_changed");
                },
                Qt::QueuedConnection);
        connect(t, &Dcct_thread::status_updated, this,
                [this](const Dcct_data& d) {
                    statuses << d;
                    order << QStringLiteral("status_updated");
                },
                Qt::QueuedConnection);
        connect(t, &Dcct_thread::data_updated, this,
                [this](const Dcct_data& d) {
                    blocks << d;
                    order << QStringLiteral("data_updated");
                },
                Qt::QueuedConnection);
        connect(t, &Dcct_thread::file_read, this,
                [this](const Dcct_data& d) {
                    files << d;
                    order << QStringLiteral("file_read");
                },
                Qt::QueuedConnection);
        connect(t, &Dcct_thread::sentrel_start_acquire, this,
                [this](const Dcct_data& d) {
                    starts << d;
                    order << QStringLiteral("sentrel_start_acquire");
                },
                Qt::QueuedConnection);
        connect(t, &Dcct_thread::sentrel_is_acquiring, this,
                [this](const Dcct_data& d) {
                    foundAcquiring << d;
                    order << QStringLiteral("sentrel_is_acquiring");
                },
                Qt::QueuedConnection);
    }

    ~WorkerRig() override { stop(); }

    void stop()
    {
        if (thread && thread->isRunning()) {
            thread->quit();
            thread->wait(20000);
        }
        QCoreApplication::processEvents();
    }

    int downReports() const
    {
        int n = 0;
        for (const auto& c : connections)
            n += c.second ? 0 : 1;
        return n;
    }

    bool isUp() const { return !connections.isEmpty() && connections.last() == qMakePair(3, true); }

    // Waits for `count` more status reports after `before` and returns the last.
    bool waitStatus(int before, int timeoutMs = 20000)
    {
        QElapsedTimer t;
        t.start();
        while (statuses.size() <= before) {
            if (t.elapsed() > timeoutMs)
                return false;
            QTest::qWait(10);
        }
        return true;
    }

    bool waitFor(const std::function<bool()>& cond, int timeoutMs = 20000)
    {
        QElapsedTimer t;
        t.start();
        while (!cond()) {
            if (t.elapsed() > timeoutMs)
                return false;
            QTest::qWait(10);
        }
        return true;
    }

    // Queues what the windows would, then waits for the report that follows.
    bool runAndReport(const std::function<void(Dcct_thread*)>& queue, int timeoutMs = 20000)
    {
        const int before = statuses.size();
        queue(thread.get());
        return waitStatus(before, timeoutMs) && waitFor([this] { return thread->queue_length() == 0; }, timeoutMs);
    }
};
