// The configuration window against supply-sim on loopback, at the fastest
// refresh: a whole-table refresh (every used cell, MST and PASSWORD:?) and a
// write-back of every writable cell (and MSAVE), each timed from the click to
// the sync the window posts after its last command, against the same commands
// sent one by one on a bare socket; and the GUI thread's longest pause while
// a refresh runs against a stalled supply, from the click on.

#include "benchsupport.h"
#include "configprompts.h"
#include "configurationdialog.h"
#include "memorymap.h"
#include "ps_thread.h"
#include "simulatorprocess.h"
#include "workerfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace
{

// The commands one after the other on a socket of our own, each waiting for its reply.
double bareMs(quint16 port, const QStringList& commands)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(5000))
        return -1;
    QElapsedTimer clock;
    clock.start();
    for (const QString& command : commands) {
        socket.write(command.toLatin1() + '\r');
        QByteArray reply;
        while (!reply.contains('\r') && socket.waitForReadyRead(5000))
            reply += socket.readAll();
    }
    return clock.nsecsElapsed() / 1e6;
}

// Handles events as they come until `done` holds, so the moment it turns
// true is seen at once (a polling wait would add up to its step).
void runUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QTimer guard; // wakes the loop now and then, so the time-out is seen
    guard.start(100);
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ConfigPrompts::setBoxHook([](QWidget*, ConfigPrompts::BoxKind, const QString&, const QString&) {});
    const int runs = 10;

    SimulatorProcess sim(QStringLiteral("supply-sim"));
    if (!sim.start({QStringLiteral("--family"), QStringLiteral("KORA-PS-1K5"), QStringLiteral("--privileges"),
                    QStringLiteral("SUPERADMIN"), QStringLiteral("--noise"), QStringLiteral("0")})) {
        std::fprintf(stderr, "cannot start supply-sim\n");
        return 1;
    }
    ps_thread thread(0);
    configureWorker(thread, sim.port(), 1000, 1);
    thread.start();
    if (!QTest::qWaitFor([&] { ps_data d; thread.get_ps_data(d); return d.family == QLatin1String("KORA-PS-1K5"); },
                         10000)) {
        std::fprintf(stderr, "the worker does not reach supply-sim\n");
        return 1;
    }
    std::printf("worker tick: %d ms\n", thread.task_refresh);

    ConfigurationDialog dialog(&thread);
    // Connected after the window, so the window has handled a sync when this runs.
    int syncs = 0;
    QObject::connect(&thread, &ps_thread::void_sync_signal, &dialog, [&syncs] { ++syncs; });
    auto clickAndWaitForSync = [&](QPushButton* button, int timeoutMs) {
        const int before = syncs;
        QElapsedTimer clock;
        clock.start();
        button->click();
        runUntil([&] { return syncs > before; }, timeoutMs);
        return clock.nsecsElapsed() / 1e6;
    };
    auto* refreshButton = dialog.findChild<QPushButton*>(QStringLiteral("refresh_button"));
    QTableWidget* table = nullptr;
    QStringList readCommands;
    const QStringList fields = MemoryMap::fieldTexts(MemoryMap::Table::KoraPs1K5);
    for (int row = 0; row < fields.size(); ++row)
        if (!MemoryMap::isReserved(fields.at(row)))
            readCommands << QStringLiteral("MRG:%1").arg(row);
    readCommands << QStringLiteral("MST") << QStringLiteral("PASSWORD:?");

    QList<double> refresh, bareRefresh;
    for (int i = 0; i < runs; ++i) {
        refresh << clickAndWaitForSync(refreshButton, 20000);
        bareRefresh << bareMs(sim.port(), readCommands);
    }
    table = dialog.currentTable();
    std::printf("refresh of %d cells, MST and PASSWORD:?: median %.1f ms (bare socket %.1f ms), longest %.1f ms "
                "(bare %.1f ms)\n",
                int(readCommands.size() - 2), percentile(refresh, 0.5), percentile(bareRefresh, 0.5),
                percentile(refresh, 1.0), percentile(bareRefresh, 1.0));

    QList<double> writeBack, bareWriteBack;
    auto* save = dialog.findChild<QPushButton*>(QStringLiteral("save_in_ps_memory_button"));
    int cells = 0;
    for (int i = 0; i < runs; ++i) {
        QStringList writeCommands;
        cells = 0;
        for (int row = 0; row < table->rowCount(); ++row) {
            if (!MemoryMap::isWritable(fields.at(row), 2))
                continue;
            const QString value = QStringLiteral("V%1R%2").arg(i).arg(row);
            table->item(row, 1)->setText(value);
            writeCommands << QStringLiteral("MWG:%1:%2").arg(row).arg(value + QLatin1Char('B'));
            ++cells;
        }
        writeCommands << QStringLiteral("MSAVE");
        writeBack << clickAndWaitForSync(save, 30000);
        bareWriteBack << bareMs(sim.port(), writeCommands);
    }
    std::printf("write-back of %d cells and MSAVE: median %.1f ms (bare socket %.1f ms), longest %.1f ms (bare %.1f ms)\n",
                cells, percentile(writeBack, 0.5), percentile(bareWriteBack, 0.5), percentile(writeBack, 1.0),
                percentile(bareWriteBack, 1.0));

    // A stalled supply: the GUI thread keeps its timer ticking while the
    // worker waits on every read.
    sim.control(QStringLiteral("stall on"));
    QTest::qWait(200); // the stall is in force before the refresh goes out
    QList<qint64> gaps;
    QElapsedTimer tick;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] { gaps << tick.restart(); });
    tick.start();
    probe.start();
    refreshButton->click();
    QElapsedTimer window;
    window.start();
    while (window.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    probe.stop();
    for (int i = 0; i < gaps.size(); ++i)
        if (gaps.at(i) > 50)
            std::printf("  pause of %lld ms at tick %d\n", gaps.at(i), i);
    std::printf("GUI thread during a refresh against a stalled supply: longest pause %lld ms over %d ticks "
                "(goal: <= 50 ms)\n",
                qint64(percentile(gaps, 1.0)), int(gaps.size()));

    thread.stop();
    thread.wait(10000);
    sim.stop();
    return 0;
}
