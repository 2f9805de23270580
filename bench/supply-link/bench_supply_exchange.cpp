// One query exchange through PS_Comm against supply-sim, and the same command
// written and awaited on a bare QTcpSocket, interleaved in one run.

#include "benchsupport.h"
#include "ps_comm.h"
#include "simulatorprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

#include <cstdio>

namespace
{

bool connectTo(QTcpSocket& socket, quint16 port)
{
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(3000);
}

qint64 bareExchange(QTcpSocket& socket)
{
    QElapsedTimer clock;
    clock.start();
    socket.write("MRI\r");
    socket.flush();
    QByteArray reply;
    while (!reply.contains('\r') && socket.waitForReadyRead(1000))
        reply += socket.readAll();
    return clock.nsecsElapsed();
}

qint64 commExchange(PS_Comm& comm)
{
    QElapsedTimer clock;
    clock.start();
    QString value;
    comm.readCurrent(value);
    return clock.nsecsElapsed();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SimulatorProcess sim(QStringLiteral("supply-sim"));
    if (!sim.start({QStringLiteral("--noise"), QStringLiteral("0")})) {
        std::fprintf(stderr, "cannot start supply-sim\n");
        return 1;
    }
    QTcpSocket bare, linked;
    if (!connectTo(bare, sim.port()) || !connectTo(linked, sim.port())) {
        std::fprintf(stderr, "cannot connect to supply-sim\n");
        return 1;
    }
    PS_Comm comm(&linked, 1000);

    const int rounds = 20, perRound = 100;
    for (int i = 0; i < 200; ++i) { // warm-up
        bareExchange(bare);
        commExchange(comm);
    }
    QList<qint64> bareTimes, commTimes;
    for (int r = 0; r < rounds; ++r) {
        for (int i = 0; i < perRound; ++i)
            bareTimes.append(bareExchange(bare));
        for (int i = 0; i < perRound; ++i)
            commTimes.append(commExchange(comm));
    }

    const double bareMedian = percentile(bareTimes, 0.5) / 1e3;
    const double commMedian = percentile(commTimes, 0.5) / 1e3;
    std::printf("query exchange MRI, %d each, interleaved\n", int(bareTimes.size()));
    std::printf("  bare QTcpSocket : median %.1f us, p90 %.1f us\n", bareMedian,
                percentile(bareTimes, 0.9) / 1e3);
    std::printf("  PS_Comm         : median %.1f us, p90 %.1f us\n", commMedian,
                percentile(commTimes, 0.9) / 1e3);
    std::printf("  ratio PS_Comm / bare (medians): %.2f (goal <= 1.2)\n", commMedian / bareMedian);
    sim.stop();
    return 0;
}
