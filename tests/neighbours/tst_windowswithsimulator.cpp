#include "configurationdialog.h"
#include "consoledialog.h"
#include "ps_thread.h"
#include "qconsole.h"
#include "simulatorprocess.h"

#include <QFileInfo>
#include <QMutexLocker>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace
{

// A worker polling a running supply-sim; stopped before the simulator ends.
struct LiveWorker {
    SimulatorProcess sim{QStringLiteral("supply-sim")};
    ps_thread worker{10};

    bool start(const QStringList& simArgs)
    {
        if (!sim.start(simArgs))
            return false;
        worker.task_refresh = 20;
        worker.wait_time = 200;
        worker.ip_address = QStringLiteral("127.0.0.1");
        worker.ip_port = QString::number(sim.port());
        worker.start();
        return true;
    }

    QString family()
    {
        QMutexLocker lock(&worker.mutex);
        return worker.ps_response.family;
    }

    ~LiveWorker()
    {
        worker.quit();
        worker.wait(10000);
    }
};

} // namespace

class WindowsWithSimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFileInfo::exists(SimulatorProcess::programPath(QStringLiteral("supply-sim"))))
            QSKIP("supply-sim is not built");
    }

    void configurationReadsEveryUsedCell_data();
    void configurationReadsEveryUsedCell();
    void consoleTalksToSupply();
};

void WindowsWithSimulatorTest::configurationReadsEveryUsedCell_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("reads");
    QTest::newRow("KORA-PS") << "KORA-PS" << 64;
    QTest::newRow("ORTX") << "ORTX" << 78;
    QTest::newRow("KORA-PS-1K5") << "KORA-PS-1K5" << 78;
}

void WindowsWithSimulatorTest::configurationReadsEveryUsedCell()
{
    QFETCH(QString, family);
    QFETCH(int, reads);

    LiveWorker live;
    QVERIFY(live.start({QStringLiteral("--family"), family}));
    QTRY_COMPARE_WITH_TIMEOUT(live.family(), family, 10000);

    ConfigurationDialog dialog(&live.worker);
    const int logBefore = live.sim.commandLog().size();
    dialog.refresh_visualization();

    auto* refresh = dialog.findChild<QPushButton*>(QStringLiteral("refresh_button"));
    QVERIFY(!refresh->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(refresh->isEnabled(), 15000);

    QStringList cellReads;
    for (const QString& line : live.sim.commandLog().mid(logBefore))
        if (line.startsWith(QLatin1String("MRG:")) && line != QLatin1String("MRG:130"))
            cellReads << line;
    // Cell 130 is also read by every version poll; count the window's own reads.
    QCOMPARE(cellReads.size(), reads - 1);

    ps_data data;
    live.worker.get_ps_data(data);
    QTableWidget* table = dialog.currentTable();
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 0)->text().contains(QLatin1String("reserved")))
            QVERIFY(table->item(row, 1)->text().isEmpty());
        else
            QCOMPARE(table->item(row, 1)->text(), data.memory.at(row));
    }
    QVERIFY(!table->item(130, 1)->text().isEmpty());
}

void WindowsWithSimulatorTest::consoleTalksToSupply()
{
    SimulatorProcess sim(QStringLiteral("supply-sim"));
    QVERIFY(sim.start({QStringLiteral("--family"), QStringLiteral("ORTX")}));

    ConsoleDialog dialog;
    dialog.connectToServer(QStringLiteral("127.0.0.1"), QString::number(sim.port()), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.isVisible(), 5000);

    auto* console = dialog.findChild<QConsole*>(QStringLiteral("textEditConsole"));
    emit console->execCommand(QStringLiteral("VER"));
    QTRY_VERIFY_WITH_TIMEOUT(console->toPlainText().contains(QLatin1String("#VER:")), 5000);

    emit console->execCommand(QStringLiteral("NOSUCHWORD"));
    QTRY_VERIFY_WITH_TIMEOUT(console->toPlainText().contains(QLatin1String("#NAK:01. Unknown Command")),
                             5000);
    QVERIFY(sim.commandLog().contains(QStringLiteral("NOSUCHWORD")));
}

QTEST_MAIN(WindowsWithSimulatorTest)
#include "tst_windowswithsimulator.moc"
