// The viewer against box simulators, over TCP and over a pseudo-terminal:
// connect, acquire, points on the plot, stop; a refused start; acquire-all
// with a trigger master; reconnecting while the box acquires; connection
// failures; and closing the window with boxes running.

#include "modalanswerer.h"
#include "postedevents.h"
#include "simulatorprocess.h"
#include "viewertestsupport.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <qcustomplot.h>

#include <memory>

class WithSimulatorTest : public ViewerTest
{
    Q_OBJECT

private:
    QList<SimulatorProcess*> sims;

    SimulatorProcess* startSim(const QStringList& args, bool pty = false)
    {
        auto* sim = new SimulatorProcess(QStringLiteral("box-sim"));
        sims.append(sim);
        if (!sim->start(args + QStringList{QStringLiteral("--set"), QStringLiteral("freq=50")}, pty))
            return nullptr;
        return sim;
    }
    int addTcpRow(SimulatorProcess* sim)
    {
        const int row = window->addBox(true, QStringLiteral("127.0.0.1"), QString());
        window->boxThread(row)->tcp_port = QString::number(sim->port());
        return row;
    }
    int addPtyRow(SimulatorProcess* sim) { return window->addBox(false, QString(), sim->ptyPath()); }

    QString buttonText(int row, MainWindow::RowButton b) const { return window->rowButton(row, b)->text(); }
    QString cellText(int row, int column) const
    {
        QTableWidgetItem* item = window->findChild<QTableWidget*>("tableWidget_dcct")->item(row, column);
        return item ? item->text() : QString();
    }
    int points(int row) const { return window->rowGraph(row, MainWindow::CurrentGraph)->dataCount(); }

    bool connectRow(int row)
    {
        // Connect stays disabled until an earlier run of the row has ended.
        QAbstractButton* button = window->rowButton(row, MainWindow::ConnectButton);
        if (!waitUntil([&] { return button->isEnabled(); }, 8000))
            return false;
        button->click();
        return waitUntil(
                   [&] { return buttonText(row, MainWindow::ConnectButton) == QLatin1String("Disconnect"); },
                   8000) &&
               // A fresh record names nothing ("-") until the box's replies arrive.
               waitUntil(
                   [&] { return !cellText(row, 4).isEmpty() && cellText(row, 4) != QLatin1String("-"); },
                   5000);
    }
    bool acquireRow(int row)
    {
        window->rowButton(row, MainWindow::AcquireButton)->click();
        return waitUntil(
            [&] { return buttonText(row, MainWindow::AcquireButton) == QLatin1String("STOP ACQ"); }, 5000);
    }
    static int indexOf(const QStringList& log, const QString& line, int from = 0)
    {
        for (int i = from; i < log.size(); ++i)
            if (log.at(i).compare(line, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
    // Keys strictly increase (a block drawn twice repeats its keys) and
    // follow the sampling period.
    void checkKeys(int row, double period)
    {
        const auto data = window->rowGraph(row, MainWindow::CurrentGraph)->data();
        QVERIFY(data->size() > 1);
        for (int i = 1; i < data->size(); ++i) {
            const double step = data->at(i)->key - data->at(i - 1)->key;
            QVERIFY2(step > period / 2, qPrintable(QStringLiteral("point %1: step %2").arg(i).arg(step)));
        }
    }

    void acquireAndStop(int row, SimulatorProcess* sim)
    {
        QVERIFY(connectRow(row));
        QCOMPARE(cellText(row, 3), QStringLiteral("Ring DCCT, 200 mm aperture"));
        QVERIFY(acquireRow(row));
        QVERIFY(waitUntil([&] { return points(row) >= 20; }, 8000));

        QCPGraph* current = window->rowGraph(row, MainWindow::CurrentGraph);
        QCOMPARE(current->name(), QStringLiteral("SENTREL-01"));
        QCOMPARE(current->data()->at(0)->key, window->timeOrigin());
        const double value = current->data()->at(0)->value;
        QVERIFY2(value > 140 && value < 160, qPrintable(QString::number(value)));
        checkKeys(row, 1.0 / 50);
        // The default channels stream head and external temperatures.
        QVERIFY(window->rowGraph(row, MainWindow::HeadGraph)->dataCount() > 0);
        QVERIFY(window->rowGraph(row, MainWindow::ExternalGraph)->dataCount() > 0);
        QCOMPARE(window->rowGraph(row, MainWindow::AdcGraph)->dataCount(), 0);

        const QStringList log = sim->commandLog();
        const int freq = indexOf(log, QStringLiteral("freq:?"));
        const int print = indexOf(log, QStringLiteral("print:ON"), freq);
        const int acq = indexOf(log, QStringLiteral("acq:ON"), print);
        QVERIFY2(freq >= 0 && print > freq && acq > print, qPrintable(log.join(QLatin1Char('|'))));

        window->rowButton(row, MainWindow::AcquireButton)->click();
        QCOMPARE(buttonText(row, MainWindow::AcquireButton), QStringLiteral("Acquire"));
        QVERIFY(waitUntil([&] { return indexOf(sim->commandLog(), QStringLiteral("acq:OFF")) >= 0; }, 5000));
        // The worker sends a status query only once the one before has been
        // answered, and the box sent every earlier line ahead of that answer:
        // after the second query past the stop, all streamed lines are in.
        const auto polledAfterStop = [&](int polls) {
            const QStringList log = sim->commandLog();
            int at = indexOf(log, QStringLiteral("acq:OFF"));
            for (int i = 0; i < polls && at >= 0; ++i)
                at = indexOf(log, QStringLiteral("status:?"), at + 1);
            return at >= 0;
        };
        QVERIFY(waitUntil([&] { return polledAfterStop(2); }, 20000));
        deliverPostedEvents();
        const int stopped = points(row);
        QVERIFY(waitUntil([&] { return polledAfterStop(4); }, 20000));
        deliverPostedEvents();
        QCOMPARE(points(row), stopped);
        QVERIFY(sim->control(QStringLiteral("get acquiring")));
        QCOMPARE(sim->lastReply(), QStringLiteral("OK 0"));
    }

private slots:
    void init()
    {
        openViewer();
    }
    void cleanup()
    {
        // The window lets its links go before the simulators end.
        window.reset();
        qDeleteAll(sims);
        sims.clear();
        closeViewer();
    }

    void tcpBoxAcquires()
    {
        SimulatorProcess* sim = startSim({});
        QVERIFY(sim);
        acquireAndStop(addTcpRow(sim), sim);
        QVERIFY(prompts->boxes.isEmpty());
    }

    void serialBoxAcquires()
    {
        SimulatorProcess* sim = startSim({QStringLiteral("--pty")}, true);
        QVERIFY(sim);
        QVERIFY(!sim->ptyPath().isEmpty());
        acquireAndStop(addPtyRow(sim), sim);
        QVERIFY(prompts->boxes.isEmpty());
    }

    // A start is plotted or reported, and a late reply is taken for no other command.
    void startIsPlottedOrReported_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("error"); // the row's message, empty for none
        const auto row = [](const char* name, const char* control, const char* button, const char* error) {
            QTest::newRow(name) << QString(control) << QString(button) << QString(error);
        };
        row("refused start", "nak acq:on", "Acquire", "Check SD-Card if you are saving data on it");
        row("printing refused", "nak print:on", "STOP ACQ",
            "SENTREL acquires but does not send its samples: stop the acquisition and start it again");
        // Late by the wait (1 s) and 0.3 s.
        row("frequency late at the start", "late freq:? 1300", "STOP ACQ", "");
        row("printing acknowledged late", "late print:on 1300", "STOP ACQ", "");
        row("status late after connecting", "late status:? 1300 4", "STOP ACQ", "");
    }
    void startIsPlottedOrReported()
    {
        QFETCH(QString, control);
        QFETCH(QString, error);
        SimulatorProcess* sim = startSim({QStringLiteral("--control"), control});
        QVERIFY(sim);
        const int row = addTcpRow(sim);
        window->boxThread(row)->reply_timeout_ms = 1000;
        QVERIFY(connectRow(row));
        QVERIFY(waitUntil([&] { return cellText(row, 3) == QLatin1String("Ring DCCT, 200 mm aperture"); }));
        QCOMPARE(cellText(row, 4), QStringLiteral("SENTREL-01"));
        window->rowButton(row, MainWindow::AcquireButton)->click();
        QVERIFY(waitUntil([&] { return error.isEmpty() ? points(row) >= 10 : !prompts->boxes.isEmpty(); },
                          15000));
        QCOMPARE(prompts->lastText(), error);
        QTEST(buttonText(row, MainWindow::AcquireButton), "button");
        QVERIFY(!error.isEmpty() ||
                window->rowGraph(row, MainWindow::CurrentGraph)->name() == QLatin1String("SENTREL-01"));
        QCOMPARE(sim->commandLog().count(QStringLiteral("acq:ON")), 1); // no second try
    }

    void acquireAllWithTriggerMaster()
    {
        SimulatorProcess* slave =
            startSim({QStringLiteral("--pty"), QStringLiteral("--set"), QStringLiteral("name=SLAVE")}, true);
        SimulatorProcess* master = startSim({QStringLiteral("--set"), QStringLiteral("trigger=OUT"),
                                             QStringLiteral("--set"), QStringLiteral("name=MASTER")});
        QVERIFY(slave && master);
        const int s = addPtyRow(slave);
        const int m = addTcpRow(master);
        QVERIFY(connectRow(s));
        QVERIFY(connectRow(m));
        // The trigger setting arrives with the handshake's queries.
        QVERIFY(waitUntil([&] { return cellText(m, 4) == QLatin1String("MASTER"); }, 5000));

        QList<QPair<int, qint64>> clicks;
        QElapsedTimer clock;
        for (int row : {s, m})
            connect(window->rowButton(row, MainWindow::AcquireButton), &QPushButton::clicked, this,
                    [&clicks, &clock, row] {
                        clicks.append({row, clock.elapsed()});
                    });
        clock.start();
        window->acquireAllButton()->click();
        QVERIFY(
            waitUntil([&] { return window->acquireAllButton()->text() == QLatin1String("STOP ALL"); }, 5000));
        QCOMPARE(clicks.size(), 2);
        QCOMPARE(clicks.at(0).first, s);
        QCOMPARE(clicks.at(1).first, m);
        QVERIFY(clicks.at(1).second - clicks.at(0).second >= MainWindow::masterDelayMs - 5);
        QVERIFY(waitUntil([&] { return points(s) >= 10 && points(m) >= 10; }, 8000));
        // Both boxes started together, so both begin at the origin.
        QCOMPARE(window->rowGraph(s, MainWindow::CurrentGraph)->data()->at(0)->key, window->timeOrigin());
        QCOMPARE(window->rowGraph(m, MainWindow::CurrentGraph)->data()->at(0)->key, window->timeOrigin());

        clicks.clear();
        window->acquireAllButton()->click();
        QCOMPARE(clicks.size(), 2);
        QCOMPARE(clicks.at(0).first, s);
        QCOMPARE(clicks.at(1).first, m);
        QVERIFY(waitUntil([&] { return window->acquireAllButton()->text() == QLatin1String("Acquire All"); },
                          5000));
        for (SimulatorProcess* sim : {slave, master}) {
            QVERIFY(sim->control(QStringLiteral("get acquiring")));
            QCOMPARE(sim->lastReply(), QStringLiteral("OK 0"));
        }
        QVERIFY(prompts->boxes.isEmpty());
    }

    void reconnectWhileAcquiringNeverDuplicates()
    {
        SimulatorProcess* sim = startSim({});
        QVERIFY(sim);
        const int row = addTcpRow(sim);
        QVERIFY(connectRow(row));
        QVERIFY(acquireRow(row));
        QVERIFY(waitUntil([&] { return points(row) >= 10; }, 8000));

        window->rowButton(row, MainWindow::ConnectButton)->click(); // disconnect, box keeps acquiring
        Dcct_thread* t = window->boxThread(row);
        QVERIFY(waitUntil([&] { return t->isFinished(); }, 5000));
        QVERIFY(indexOf(sim->commandLog(), QStringLiteral("print:OFF"), 5) >= 0);

        QVERIFY(connectRow(row));
        QVERIFY(waitUntil(
            [&] { return buttonText(row, MainWindow::AcquireButton) == QLatin1String("STOP ACQ"); }, 5000));
        const int before = points(row);
        QVERIFY(waitUntil([&] { return points(row) >= 30; }, 8000));
        QVERIFY(points(row) > before);
        checkKeys(row, 1.0 / 50);
    }

    // One box on two rows: a start from either row shows in both and either
    // row stops it; a row whose stream goes quiet says so and polls the box.
    void oneBoxOnTwoRows()
    {
        SimulatorProcess* sim = startSim({});
        QVERIFY(sim);
        const int a = addTcpRow(sim);
        const int b = addTcpRow(sim);
        for (int row : {a, b}) {
            window->boxThread(row)->stream_quiet_ms = 500;
            QVERIFY(connectRow(row));
        }
        QVERIFY(acquireRow(a));
        QVERIFY(waitUntil(
            [&] { return buttonText(b, MainWindow::AcquireButton) == QLatin1String("STOP ACQ"); }, 8000));
        QVERIFY(waitUntil([&] { return points(b) >= 10; }, 8000));

        QVERIFY(sim->control(QStringLiteral("silent on")));
        const int polls = int(sim->commandLog().count(QStringLiteral("status:?")));
        QVERIFY(waitUntil([&] { return buttonText(a, MainWindow::StatusButton) == QLatin1String("No Data"); },
                          8000));
        QVERIFY(waitUntil([&] { return sim->commandLog().count(QStringLiteral("status:?")) > polls; }, 8000));
        QVERIFY(sim->control(QStringLiteral("silent off")));
        QVERIFY(waitUntil(
            [&] { return buttonText(a, MainWindow::StatusButton) == QLatin1String("Data Log"); }, 20000));

        window->rowButton(b, MainWindow::AcquireButton)->click();
        QVERIFY(waitUntil(
            [&] { return buttonText(a, MainWindow::AcquireButton) == QLatin1String("Acquire"); }, 20000));
        QVERIFY(sim->control(QStringLiteral("get acquiring")));
        QCOMPARE(sim->lastReply(), QStringLiteral("OK 0"));
        QVERIFY(prompts->boxes.isEmpty());
    }

    void connectionFailuresAreShown_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("text");
        QTest::newRow("refused") << QStringList{QStringLiteral("--refuse")} << "Connection Refused";
        QTest::newRow("silent box") << QStringList{QStringLiteral("--silent")}
                                    << "SENTREL is not responding. Is it a SENTREL?";
    }
    void connectionFailuresAreShown()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, text);
        SimulatorProcess* sim = startSim(args);
        QVERIFY(sim);
        const int row = addTcpRow(sim);
        window->rowButton(row, MainWindow::ConnectButton)->click();
        QVERIFY(waitUntil([&] { return prompts->count(QStringLiteral("Critical Error")) > 0; }, 12000));
        QCOMPARE(prompts->boxes.first().text, text);
        QVERIFY(waitUntil([&] { return window->boxThread(row)->isFinished(); }, 5000));
        QCOMPARE(buttonText(row, MainWindow::ConnectButton), QStringLiteral("Connect"));
    }

    void serialPortMissingIsOpenError()
    {
        const int row = window->addBox(false, QString(), QStringLiteral("/dev/no-such-port"));
        window->rowButton(row, MainWindow::ConnectButton)->click();
        QVERIFY(waitUntil([&] { return !prompts->boxes.isEmpty(); }, 5000));
        QCOMPARE(prompts->boxes.first().text, QStringLiteral("Open Error"));
    }

    // The record that closes a run is a reset one: after a disconnect, an
    // address change, and a run the link ended, the status button reads
    // "Status" in black.
    void statusButtonAfterTheRunEnds()
    {
        SimulatorProcess* sim = startSim({});
        QVERIFY(sim);
        const int row = addTcpRow(sim);
        Dcct_thread* thread = window->boxThread(row);
        QPushButton* status = window->rowButton(row, MainWindow::StatusButton);
        auto checkStatusButton = [&] {
            QVERIFY(waitUntil([&] { return !thread->isRunning(); }, 10000));
            // Whatever the run sent before it ended has arrived.
            QCoreApplication::processEvents();
            QCOMPARE(status->text(), QStringLiteral("Status"));
            QCOMPARE(status->palette().color(QPalette::ButtonText), QColor(Qt::black));
        };

        QVERIFY(connectRow(row));
        QVERIFY(waitUntil([&] { return status->text() == QLatin1String("Data Log"); }));
        // A stalled poll holds the old run: no click connects before it ends.
        QVERIFY(sim->control(QStringLiteral("stall on")));
        window->rowButton(row, MainWindow::ConnectButton)->click();
        QVERIFY(!window->rowButton(row, MainWindow::ConnectButton)->isEnabled());
        checkStatusButton();
        QVERIFY(sim->control(QStringLiteral("stall off")));
        QVERIFY(waitUntil([&] { return window->rowButton(row, MainWindow::ConnectButton)->isEnabled(); }));

        QVERIFY(connectRow(row));
        QVERIFY(waitUntil([&] { return status->text() == QLatin1String("Data Log"); }));
        // An address change ends the run the same way.
        prompts->dialogAnswer = [](QDialog*) { return int(QDialog::Accepted); };
        window->rowButton(row, MainWindow::AddressButton)->click();
        QVERIFY(!window->rowButton(row, MainWindow::ConnectButton)->isEnabled());
        checkStatusButton();
        QVERIFY(waitUntil([&] { return window->rowButton(row, MainWindow::ConnectButton)->isEnabled(); }));

        QVERIFY(connectRow(row));
        QVERIFY(waitUntil([&] { return status->text() == QLatin1String("Data Log"); }));
        QVERIFY(sim->control(QStringLiteral("drop")));
        checkStatusButton();
    }

    // A set-up dialog's SD listing asks the size of every file, each reply
    // coming close to the reply time-out; closing the window meanwhile still
    // ends the thread within the window's bounded wait.
    void closingDuringALongSdListing()
    {
        SimulatorProcess* sim = startSim({});
        QVERIFY(sim);
        for (int i = 0; i < 40; ++i)
            QVERIFY(sim->control(QStringLiteral("sd put F%1.TXT|x").arg(i)));
        const int row = addTcpRow(sim);
        QVERIFY(connectRow(row));
        QPointer<Dcct_thread> thread = window->boxThread(row);
        thread->polling = false;
        QVERIFY(waitUntil([&] { return thread->queue_length() == 0; }));
        QVERIFY(sim->control(QStringLiteral("delay 2500")));
        thread->enqueue(96);
        QVERIFY(waitUntil(
            [&] {
                const QStringList log = sim->commandLog();
                return !log.isEmpty() && log.last().startsWith(QLatin1String("SD:SIZE:"));
            },
            10000));

        window.reset();
        QVERIFY(thread.isNull()); // ended within the wait, then deleted with the window
        QVERIFY(prompts->boxes.isEmpty());
    }

    // Closing the window with boxes running, one sequence under acquire-all
    // and one box that has stopped answering: every thread ends within the
    // bounded wait, streaming is switched off, and no refusal box appears.
    void closingWithBoxesRunning()
    {
        SimulatorProcess* a = startSim({QStringLiteral("--set"), QStringLiteral("trigger=OUT")});
        SimulatorProcess* b = startSim({QStringLiteral("--pty")}, true);
        SimulatorProcess* c = startSim({});
        QVERIFY(a && b && c);
        const int ra = addTcpRow(a);
        const int rb = addPtyRow(b);
        const int rc = addTcpRow(c);
        for (int row : {ra, rb, rc})
            QVERIFY(connectRow(row));
        window->acquireAllButton()->click();
        QVERIFY(
            waitUntil([&] { return window->acquireAllButton()->text() == QLatin1String("STOP ALL"); }, 5000));
        QVERIFY(window->isAcquireAllRunning());
        QVERIFY(c->control(QStringLiteral("stall on")));

        QList<QPointer<Dcct_thread>> threads;
        for (int row = 0; row < 3; ++row)
            threads.append(window->boxThread(row));
        ModalAnswerer answerer;
        QElapsedTimer clock;
        clock.start();
        window.reset();
        const qint64 took = clock.elapsed();
        qInfo("window closed in %lld ms", took);
        QVERIFY2(took < MainWindow::shutdownWaitMs, qPrintable(QString::number(took)));
        for (const QPointer<Dcct_thread>& t : threads)
            QVERIFY(t.isNull()); // ended, then deleted with the window
        QVERIFY(prompts->boxes.isEmpty());
        QCOMPARE(answerer.seen().size(), 0);
        for (SimulatorProcess* sim : {a, b})
            QVERIFY2(indexOf(sim->commandLog(), QStringLiteral("print:OFF"), 6) >= 0,
                     qPrintable(sim->commandLog().join(QLatin1Char('|'))));
    }
};

QTEST_MAIN(WithSimulatorTest)
#include "tst_with_simulator.moc"
