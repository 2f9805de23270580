#pragma once

// Helpers for driving a ps_thread from a test: start it against a port,
// record its signals in the test's thread, post a batch and wait for its end.

#include "ps_thread.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTest>

#include <functional>

// Records what the worker announces; connected queued, so the lists are only
// touched in the test's thread.
class WorkerRecorder : public QObject
{
public:
    explicit WorkerRecorder(ps_thread* thread)
    {
        connect(thread, &ps_thread::signalStateChanged, this, [this](QTcpSocket::SocketState state) {
            states.append(state);
            errorAtState.append(source->socketErrorString());
        });
        connect(thread, &ps_thread::socketErrorOccurred, this,
                [this](QString text) { socketErrors.append(text); });
        connect(thread, &ps_thread::replyErrorSignal, this,
                [this](QString command, int error) { replyErrors.append(qMakePair(command, error)); });
        connect(thread, &ps_thread::data_ready, this, [this](ps_data data) {
            ++dataReady;
            last = data;
        });
        connect(thread, &ps_thread::supplyAnswering, this, [this](bool on) { answering.append(on); });
        connect(thread, &ps_thread::void_sync_signal, this, [this] {
            ++syncs;
            atSync = last;
        });
        source = thread;
    }

    bool waitForState(QAbstractSocket::SocketState state, int timeoutMs = 20000)
    {
        return QTest::qWaitFor([&] { return states.contains(state); }, timeoutMs);
    }

    ps_thread* source = nullptr;
    QList<QAbstractSocket::SocketState> states;
    QStringList errorAtState; // socketErrorString() when each state report was handled
    QStringList socketErrors;
    QList<QPair<QString, int>> replyErrors;
    QList<bool> answering; // supplyAnswering() reports
    int dataReady = 0;
    int syncs = 0;
    ps_data last;
    ps_data atSync; // the record as the last task before the latest sync task left it
};

inline void configureWorker(ps_thread& thread, quint16 port, int waitTime, int refresh = 20)
{
    thread.task_refresh = refresh;
    thread.wait_time = waitTime;
    thread.ip_address = QStringLiteral("127.0.0.1");
    thread.ip_port = QString::number(port);
}

// Posts `post` (a sequence of set_task calls) followed by the sync task and
// waits until the worker has run them all.
inline bool runBatch(ps_thread& thread, WorkerRecorder& recorder, const std::function<void()>& post,
                     int timeoutMs = 20000)
{
    const int before = recorder.syncs;
    post();
    thread.set_task(ps_thread::TaskSync);
    return QTest::qWaitFor([&] { return recorder.syncs > before; }, timeoutMs);
}

// Longest single call of `call`, repeated for `durationMs`.
inline qint64 longestCallNs(const std::function<void()>& call, int durationMs)
{
    QElapsedTimer total;
    total.start();
    qint64 longest = 0;
    while (total.elapsed() < durationMs) {
        QElapsedTimer one;
        one.start();
        call();
        longest = qMax(longest, one.nsecsElapsed());
        QThread::usleep(200);
    }
    return longest;
}
