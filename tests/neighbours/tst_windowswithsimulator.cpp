#include "configfile.h"
#include "configprompts.h"
#include "configurationdialog.h"
#include "consoledialog.h"
#include "loggers.h"
#include "ps_thread.h"
#include "qconsole.h"
#include "simulatorprocess.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QMutexLocker>
#include <QTemporaryDir>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QtTest>

namespace
{

// A worker polling a running supply-sim; stopped before the simulator ends.
struct LiveWorker {
    SimulatorProcess sim{QStringLiteral("supply-sim")};
    ps_thread worker{10};
    // Counts the connections the GUI thread has been told of. The windows
    // hear of a connection through the same queue, so a window counted here
    // has dropped what it showed of the unit before.
    QObject gui;
    int connectionsMade = 0;
    int connectionsSeen = 0;

    LiveWorker()
    {
        QObject::connect(&worker, &ps_thread::signalStateChanged, &gui,
                         [this](QTcpSocket::SocketState state) {
                             if (state == QAbstractSocket::ConnectedState)
                                 ++connectionsSeen;
                         });
    }

    bool start(const QStringList& simArgs)
    {
        if (!sim.start(simArgs))
            return false;
        return connectTo(sim);
    }

    // What a user waits for before opening the Configuration window: the
    // window knows it is connected, and the poll has read the model.
    bool ready(const QString& expectedFamily)
    {
        return connectionsSeen == connectionsMade && family() == expectedFamily;
    }

    bool connectTo(SimulatorProcess& target)
    {
        ++connectionsMade;
        worker.task_refresh = 20;
        worker.wait_time = 200;
        worker.ip_address = QStringLiteral("127.0.0.1");
        worker.ip_port = QString::number(target.port());
        worker.start();
        return true;
    }

    void disconnect()
    {
        worker.quit();
        worker.wait(10000);
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

    void init()
    {
        ConfigFile::setFolder(configDir.path());
        ConfigPrompts::setBoxHook([this](QWidget*, ConfigPrompts::BoxKind, const QString& title,
                                         const QString& text) { boxes << title + QLatin1Char('|') + text; });
    }
    void cleanup()
    {
        ConfigPrompts::setBoxHook({});
        ConfigPrompts::setTextHook({});
        ConfigFile::setFolder(QString());
        boxes.clear();
    }

    void configurationReadsEveryUsedCell_data();
    void configurationReadsEveryUsedCell();
    void writeBackAtSuperadminReachesSupply_data();
    void writeBackAtSuperadminReachesSupply();
    void localModeRefusesSaving();
    void reconnectShowsOtherFamily();
    void consoleTalksToSupply();

private:
    // Opens the window as the main window does and waits for the whole read.
    static void openAndRead(ConfigurationDialog& dialog, LiveWorker& live)
    {
        dialog.refresh_visualization();
        dialog.show();
        auto* refresh = dialog.findChild<QPushButton*>(QStringLiteral("refresh_button"));
        QTRY_VERIFY_WITH_TIMEOUT(refresh->isEnabled(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.findChild<QLineEdit*>(QStringLiteral("model_lineEdit"))->text().isEmpty(),
                                 15000);
        Q_UNUSED(live);
    }

    QTemporaryDir configDir;
    QStringList boxes;
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
    QTRY_VERIFY_WITH_TIMEOUT(live.ready(family), 10000);

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

void WindowsWithSimulatorTest::writeBackAtSuperadminReachesSupply_data()
{
    // Cells as "cell=text"; in `record`, "?" for a value the worker does not know.
    QTest::addColumn<QStringList>("controls");
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QStringList>("supply");
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("failures"); // as the worker reports them
    QTest::newRow("all taken") << QStringList{} << QStringList{"10=1.25e-3", "31=7.5"} << ""
                               << QStringList{"10=1.25E-3"} << QStringList{"10=1.25E-3"}
                               << QStringList{"10=1.25e-3"} << QStringList{};
    QTest::newRow("one late, one refused")
        << QStringList{"delay MWG:30 1100", "refuse MWG:32 2", "set mem 32 20.0"}
        << QStringList{"30=Rack 7", "32=7.5"}
        << "1 of 2 cells were not accepted: 32\nNo reply from the supply for 1 of 2 cells: 30"
        << QStringList{"30=RACK 7", "32=20.0"} << QStringList{"30=?", "32=20.0"}
        << QStringList{"30=Rack 7", "32=20.0"}
        << QStringList{"MWG:30:Rack 7\r|no reply", "MWG:30:Rack 7\r|-1", "MWG:32:7.5\r|2"};
}

void WindowsWithSimulatorTest::writeBackAtSuperadminReachesSupply()
{
    QTemporaryDir logDir;
    QVERIFY(initLoggersIn(logDir.path(), 8192, std::chrono::milliseconds(50)));
    setGlobalLogLevel(0);
    const QString password = QStringLiteral("Zq7-secret pw");
    QFETCH(QStringList, controls);
    QFETCH(QStringList, edits);

    LiveWorker live;
    QStringList args{QStringLiteral("--family"), QStringLiteral("KORA-PS"),
                     QStringLiteral("--enforce-privileges"), QStringLiteral("--set"),
                     QStringLiteral("password_superadmin=Zq7-secret\\spw")};
    for (const QString& line : qAsConst(controls))
        args << QStringLiteral("--control") << line;
    QVERIFY(live.start(args));
    QStringList errors;
    connect(&live.worker, &ps_thread::replyErrorSignal, &live.gui,
            [&errors](QString command, int error) { errors << command + '|' + QString::number(error); });
    connect(&live.worker, &ps_thread::commandUnanswered, &live.gui,
            [&errors](QString command) { errors << command + QStringLiteral("|no reply"); });
    QTRY_VERIFY_WITH_TIMEOUT(live.ready(QStringLiteral("KORA-PS")), 10000);
    ConfigurationDialog dialog(&live.worker);
    openAndRead(dialog, live);
    if (QTest::currentTestFailed())
        return;

    // A wrong password first, then the right one.
    QString typed = QStringLiteral("Zq7-wrong");
    ConfigPrompts::setTextHook([&typed](QWidget*, const QString&, const QString&, bool* ok) {
        *ok = true;
        return typed;
    });
    auto* privileges = dialog.findChild<QLineEdit*>(QStringLiteral("lineEdit_privileges"));
    dialog.findChild<QPushButton*>(QStringLiteral("set_password_button"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(boxes.contains(QStringLiteral("Password info|Wrong Password")), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(privileges->text(), QStringLiteral("USER"), 10000);
    typed = password;
    dialog.findChild<QPushButton*>(QStringLiteral("set_password_button"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(privileges->text(), QStringLiteral("SUPERADMIN"), 10000);

    QTableWidget* table = dialog.currentTable();
    for (const QString& edit : qAsConst(edits))
        table->item(edit.section('=', 0, 0).toInt(), 1)->setText(edit.section('=', 1));
    const int logBefore = live.sim.commandLog().size();
    auto* save = dialog.findChild<QPushButton*>(QStringLiteral("save_in_ps_memory_button"));
    QTRY_VERIFY_WITH_TIMEOUT(save->isEnabled(), 15000);
    errors.clear(); // the wrong password's
    save->click();
    QVERIFY(!save->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(save->isEnabled(), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(live.sim.commandLog().mid(logBefore).contains(QStringLiteral("MSAVE")), 10000);

    QFETCH(QString, report);
    QFETCH(QStringList, supply);
    QFETCH(QStringList, record);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, failures);
    const QStringList sent = live.sim.commandLog().mid(logBefore);
    QStringList writes;
    for (const QString& edit : qAsConst(edits))
        writes << "MWG:" + edit.section('=', 0, 0) + ':' + edit.section('=', 1);
    QCOMPARE(sent.filter(QRegularExpression("^MWG:|^MSAVE$")), writes << "MSAVE");
    for (const QString& cell : qAsConst(supply)) {
        QVERIFY(live.sim.control("get mem " + cell.section('=', 0, 0)));
        QCOMPARE(live.sim.lastReply(), "OK " + cell.section('=', 1));
    }
    QTRY_VERIFY_WITH_TIMEOUT(boxes.contains(QStringLiteral("Password info|Password Accepted")), 10000);
    // Each write is reported as what it was, and the refusal under its own command.
    QTRY_COMPARE_WITH_TIMEOUT(boxes.filter(QStringLiteral("Save to PS Memory")),
                              report.isEmpty() ? QStringList() : QStringList("Save to PS Memory|" + report),
                              10000);
    ps_data data;
    live.worker.get_ps_data(data);
    for (const QString& cell : qAsConst(record)) {
        const int n = cell.section('=', 0, 0).toInt();
        QCOMPARE(data.memory_read.at(n) ? data.memory.at(n) : QStringLiteral("?"), cell.section('=', 1));
    }
    for (const QString& cell : qAsConst(shown))
        QCOMPARE(table->item(cell.section('=', 0, 0).toInt(), 1)->text(), cell.section('=', 1));
    QCOMPARE(errors, failures);

    // The typed passwords are in no log line, at any level.
    live.disconnect();
    flushAllLoggers();
    QFile logFile(logFilePath());
    QVERIFY(logFile.open(QIODevice::ReadOnly));
    const QByteArray log = logFile.readAll();
    QVERIFY(log.contains("set_task called"));
    QVERIFY(!log.contains("Zq7"));
    shutdownLoggers();
}

void WindowsWithSimulatorTest::localModeRefusesSaving()
{
    LiveWorker live;
    QVERIFY(live.start({QStringLiteral("--family"), QStringLiteral("ORTX"), QStringLiteral("--privileges"),
                        QStringLiteral("SUPERADMIN"), QStringLiteral("--set"), QStringLiteral("local=1")}));
    QTRY_VERIFY_WITH_TIMEOUT(live.ready(QStringLiteral("ORTX")), 10000);
    ConfigurationDialog dialog(&live.worker);
    openAndRead(dialog, live);
    if (QTest::currentTestFailed())
        return;
    auto* save = dialog.findChild<QPushButton*>(QStringLiteral("save_in_ps_memory_button"));
    QTRY_VERIFY_WITH_TIMEOUT(!save->isEnabled() && !dialog.findChild<QPushButton*>(QStringLiteral("save_PID_button"))->isEnabled(), 10000);

    const int logBefore = live.sim.commandLog().size();
    dialog.currentTable()->item(31, 1)->setText(QStringLiteral("9"));
    QMetaObject::invokeMethod(&dialog, "on_save_in_ps_memory_button_clicked");
    QMetaObject::invokeMethod(&dialog, "on_save_PID_button_clicked");
    // A refresh goes out after anything the window posted before it.
    auto* refresh = dialog.findChild<QPushButton*>(QStringLiteral("refresh_button"));
    QVERIFY(refresh->isEnabled());
    refresh->click();
    QVERIFY(!refresh->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(refresh->isEnabled(), 15000);
    for (const QString& line : live.sim.commandLog().mid(logBefore))
        QVERIFY2(!line.startsWith(QLatin1String("MWG")) && line != QLatin1String("MSAVE"), qPrintable(line));
}

void WindowsWithSimulatorTest::reconnectShowsOtherFamily()
{
    LiveWorker live;
    QVERIFY(live.start({QStringLiteral("--family"), QStringLiteral("KORA-PS")}));
    QTRY_VERIFY_WITH_TIMEOUT(live.ready(QStringLiteral("KORA-PS")), 10000);
    ConfigurationDialog dialog(&live.worker);
    openAndRead(dialog, live);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(dialog.currentTable()->objectName(), QStringLiteral("table_koraPS_series"));
    dialog.close();
    live.disconnect();

    SimulatorProcess other(QStringLiteral("supply-sim"));
    QVERIFY(other.start({QStringLiteral("--family"), QStringLiteral("ORTX"), QStringLiteral("--privileges"),
                         QStringLiteral("SUPERADMIN"), QStringLiteral("--control"), QStringLiteral("set mem 93 DOOR #1"),
                         QStringLiteral("--control"), QStringLiteral("set mem 30 RACK #4"),
                         QStringLiteral("--control"), QStringLiteral("set mem 84 \\s0.50")}));
    QVERIFY(live.connectTo(other));
    QTRY_VERIFY_WITH_TIMEOUT(live.ready(QStringLiteral("ORTX")), 10000);
    openAndRead(dialog, live);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(dialog.currentTable()->objectName(), QStringLiteral("table_ORTX_series"));
    QCOMPARE(dialog.currentTable()->item(93, 1)->text(), QStringLiteral("DOOR #1"));
    // The pages follow at the end of the read.
    QTRY_COMPARE_WITH_TIMEOUT(dialog.findChild<QLineEdit*>(QStringLiteral("lineEdit_Name_Int1"))->text(),
                              QStringLiteral("DOOR #1"), 10000);
    // Pages saved unchanged write back what the supply holds. The Save
    // buttons come on once the whole read is in.
    auto* saveId = dialog.findChild<QPushButton*>(QStringLiteral("save_ID_button"));
    auto* saveInterlocks = dialog.findChild<QPushButton*>(QStringLiteral("save_interlocks_limits_button"));
    QTRY_VERIFY_WITH_TIMEOUT(saveId->isEnabled() && saveInterlocks->isEnabled(), 15000);
    const int logBefore = other.commandLog().size();
    saveId->click();
    saveInterlocks->click();
    QTRY_COMPARE_WITH_TIMEOUT(other.commandLog().mid(logBefore).count(QStringLiteral("MSAVE")), 2, 10000);
    QVERIFY(other.commandLog().mid(logBefore).contains(QStringLiteral("MWG:30:RACK #4")));
    QVERIFY(other.commandLog().mid(logBefore).contains(QStringLiteral("MWG:93:DOOR #1")));
    QVERIFY(other.commandLog().mid(logBefore).contains(QStringLiteral("MWG:84: 0.50")));
    live.disconnect();
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
