// Length of one whole poll set through ps_thread against supply-sim on
// loopback: with a timer period of 0 the sets run back to back, so the time
// between two starts of the set is one set.

#include "benchsupport.h"
#include "ps_thread.h"
#include "simulatorprocess.h"
#include "workerfixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QMutex>
#include <QTcpSocket>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SimulatorProcess sim(QStringLiteral("supply-sim"));
    if (!sim.start({QStringLiteral("--noise"), QStringLiteral("0"), QStringLiteral("--caps"),
                    QStringLiteral("AIN,TRIG,POLARITY_INVERTER")})) {
        std::fprintf(stderr, "cannot start supply-sim\n");
        return 1;
    }

    // The floor: the same 14 commands written and awaited on a bare socket.
    QList<qint64> bare;
    {
        const QList<QByteArray> commands{"VER",      "MRG:130",   "MRID",       "MPLST",        "MRT",
                                         "MGC",      "MLIMITS:?", "PMODE",      "PCONNECTIONS", "LOOP:?",
                                         "UPMODE:?", "TRGMODE",   "SETFLOAT:?", "POL"};
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, sim.port());
        if (!socket.waitForConnected(3000))
            return 1;
        for (int set = 0; set < 1020; ++set) {
            QElapsedTimer clock;
            clock.start();
            for (const QByteArray& command : commands) {
                socket.write(command + '\r');
                socket.flush();
                QByteArray reply;
                while (!reply.contains('\r') && socket.waitForReadyRead(1000))
                    reply += socket.readAll();
            }
            if (set >= 20)
                bare.append(clock.nsecsElapsed());
        }
    }

    ps_thread thread(0);
    configureWorker(thread, sim.port(), 1000, 0);

    QMutex lock;
    QList<qint64> starts;
    QElapsedTimer clock;
    clock.start();
    // Task 22 opens every poll set; its signal is emitted in the worker thread.
    QObject::connect(
        &thread, &ps_thread::version_model_capabilities_read, &thread,
        [&](ps_data) {
            QMutexLocker locker(&lock);
            starts.append(clock.nsecsElapsed());
        },
        Qt::DirectConnection);

    thread.start();
    const int sets = 1000;
    const bool done = QTest::qWaitFor(
        [&] {
            QMutexLocker locker(&lock);
            return starts.size() > sets + 20;
        },
        120000);
    thread.stop();
    if (!done)
        std::fprintf(stderr, "fewer poll sets than asked for ran\n");
    sim.stop();

    QList<qint64> lengths;
    {
        QMutexLocker locker(&lock);
        for (int i = 21; i < starts.size(); ++i) // the first sets warm up
            lengths.append(starts.at(i) - starts.at(i - 1));
    }
    if (lengths.isEmpty()) {
        std::fprintf(stderr, "no poll sets ran\n");
        return 1;
    }
    std::printf("poll set (13 tasks, 14 exchanges) on loopback, %d sets\n", int(lengths.size()));
    std::printf("  bare socket, same 14 commands: median %.3f ms, p90 %.3f ms\n", percentile(bare, 0.5) / 1e6,
                percentile(bare, 0.9) / 1e6);
    std::printf("  median %.3f ms, p90 %.3f ms, max %.3f ms (goal: median <= 2 ms)\n",
                percentile(lengths, 0.5) / 1e6, percentile(lengths, 0.9) / 1e6,
                percentile(lengths, 1.0) / 1e6);
    return 0;
}
