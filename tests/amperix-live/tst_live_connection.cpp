// The main window connected to the supply simulator: the poll fills the
// window; a refused connection and a link the supply closes each give one
// "Socket connection error" box with the socket's own text, a disconnect by
// the user none; a stop cuts a stalled batch short; the reports of a run
// that was stopped and replaced leave the new run alone; and one session of
// use goes over the wire as the expected commands.
// A new connection shows nothing of the last unit; a peer that is no supply is named once.

#include "livetest.h"

#include "logcapture.h"
#include "modalanswerer.h"
#include "postedevents.h"
#include "simulatorprocess.h"
#include "tempsettings.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTcpServer>

#include <memory>

using namespace LiveTest;

namespace
{
constexpr int connectMs = 15000;
const QString errorTitle = QStringLiteral("Socket connection error");

quint16 unusedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

QAction* action(MainWindow& w, const char* name)
{
    return w.findChild<QAction*>(QLatin1String(name));
}

QString text(MainWindow& w, const char* name)
{
    if (auto* label = w.findChild<QLabel*>(QLatin1String(name)))
        return label->text();
    return w.findChild<QPushButton*>(QLatin1String(name))->text();
}

bool connected(MainWindow& w)
{
    return action(w, "actionConnection")->isChecked() && action(w, "actionConfiguration")->isEnabled() &&
           w.getThread()->isRunning();
}

bool disconnected(MainWindow& w)
{
    return !action(w, "actionConnection")->isChecked() && action(w, "actionSetIP")->isEnabled() &&
           !w.findChild<QWidget*>(QStringLiteral("groupBox_Output"))->isEnabled() &&
           !w.getThread()->isRunning();
}
} // namespace

class LiveConnectionTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pollFillsTheWindow();
    void refusedConnectionShowsQtTextOnce();
    void supplyClosingTheLinkShowsOneBox();
    void userDisconnectShowsNoBox();
    void stopCutsStalledBatchShort_data();
    void stopCutsStalledBatchShort();
    void reportsOfReplacedRunIgnored();
    void sessionOnTheWire();
    void newConnectionStartsFromNothing();
    void peerThatIsNoSupply_data();
    void peerThatIsNoSupply();

private:
    void startSimulator(const QStringList& args = {});
    void connectWindow(MainWindow& w);

    std::unique_ptr<TempSettings> settings;
    std::unique_ptr<SimulatorProcess> sim;
};

void LiveConnectionTest::init()
{
    settings = std::make_unique<TempSettings>();
}

void LiveConnectionTest::cleanup()
{
    sim.reset();
    settings.reset();
}

void LiveConnectionTest::startSimulator(const QStringList& args)
{
    sim = std::make_unique<SimulatorProcess>(QStringLiteral("supply-sim"));
    QVERIFY2(sim->start(QStringList{"--noise", "0"} + args), qPrintable(sim->output()));
}

void LiveConnectionTest::connectWindow(MainWindow& w)
{
    action(w, "actionConnection")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(connected(w), connectMs);
    // The controls are enabled once the first poll's status is shown.
    QTRY_VERIFY_WITH_TIMEOUT(text(w, "on_off_label") != QLatin1String("?"), connectMs);
}

void LiveConnectionTest::pollFillsTheWindow()
{
    startSimulator({"--id", "PS-7781"});
    storeConnection(sim->port());
    MainWindow w;
    ModalAnswerer answerer;
    connectWindow(w);

    QTRY_COMPARE_WITH_TIMEOUT(text(w, "model_label"), QStringLiteral("KORA-PS 10-20"), connectMs);
    QTRY_COMPARE_WITH_TIMEOUT(text(w, "description_label"), QStringLiteral("10A / 20V"), connectMs);
    QCOMPARE(text(w, "type_label"), QStringLiteral("Bipolar"));
    QTRY_COMPARE_WITH_TIMEOUT(text(w, "id_label"), QStringLiteral("PS-7781"), connectMs);
    QCOMPARE(text(w, "loc_rem_label"), QStringLiteral("Remote"));
    QCOMPARE(text(w, "on_off_label"), QStringLiteral("OFF"));
    QCOMPARE(text(w, "fault_pushButton"), QStringLiteral("NO"));
    QCOMPARE(text(w, "current_display_label"), QStringLiteral("0.0000"));
    QCOMPARE(text(w, "voltage_display_label"), QStringLiteral("0.0000"));
    QCOMPARE(text(w, "power_display_label"), QStringLiteral("0.0000"));
    auto* current = w.findChild<QDoubleSpinBox*>(QStringLiteral("current_spin"));
    auto* voltage = w.findChild<QDoubleSpinBox*>(QStringLiteral("voltage_spin"));
    QCOMPARE(current->minimum(), -10.0);
    QCOMPARE(current->maximum(), 10.0);
    QCOMPARE(voltage->minimum(), -20.0);
    QCOMPARE(voltage->maximum(), 20.0);
    QVERIFY(w.findChild<QComboBox*>(QStringLiteral("comboBox_TriggerMode"))->isEnabled());
    QCOMPARE(answerer.seen().size(), 0);

    // Readings follow the supply from poll to poll.
    QVERIFY(sim->control(QStringLiteral("set local 1")));
    QTRY_COMPARE_WITH_TIMEOUT(text(w, "loc_rem_label"), QStringLiteral("Local"), connectMs);
    QVERIFY(!w.findChild<QWidget*>(QStringLiteral("groupBox_Controls"))->isEnabled());
    QVERIFY(sim->control(QStringLiteral("set local 0")));
    QVERIFY(sim->control(QStringLiteral("set current 1.25")));
    QVERIFY(sim->control(QStringLiteral("set voltage -2")));
    QTRY_COMPARE_WITH_TIMEOUT(text(w, "current_display_label"), QStringLiteral("1.2500"), connectMs);
    QTRY_COMPARE_WITH_TIMEOUT(text(w, "power_display_label"), QStringLiteral("2.5000"), connectMs);
    QVERIFY(w.findChild<QWidget*>(QStringLiteral("groupBox_Controls"))->isEnabled());

    action(w, "actionConnection")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(disconnected(w), connectMs);
    // The display keeps what it last showed.
    QCOMPARE(text(w, "model_label"), QStringLiteral("KORA-PS 10-20"));
}

void LiveConnectionTest::refusedConnectionShowsQtTextOnce()
{
    storeConnection(unusedPort());
    MainWindow w;
    // The refusal, not the end of the connection wait, ends each attempt.
    w.getThread()->connect_timeout = 4 * connectMs;
    ModalAnswerer answerer;
    answerer.answer(errorTitle, QMessageBox::Ok, true);
    action(w, "actionConnection")->trigger();

    QVERIFY(answerer.waitFor(errorTitle, connectMs));
    QTRY_VERIFY_WITH_TIMEOUT(disconnected(w), connectMs);
    deliverPostedEvents(); // the stopped worker's last reports
    QCOMPARE(answerer.count(errorTitle), 1);
    // The socket's own text, as the worker captured it.
    QCOMPARE(answerer.lastText(errorTitle), QStringLiteral("Connection refused"));
    QCOMPARE(answerer.seen().size(), 1);

    // A second attempt is a new error and a new box.
    action(w, "actionConnection")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(answerer.count(errorTitle), 2, connectMs);
    QTRY_VERIFY_WITH_TIMEOUT(disconnected(w), connectMs);
}

void LiveConnectionTest::supplyClosingTheLinkShowsOneBox()
{
    startSimulator();
    storeConnection(sim->port());
    MainWindow w;
    ModalAnswerer answerer;
    answerer.answer(errorTitle, QMessageBox::Ok, true);
    connectWindow(w);

    QVERIFY(sim->control(QStringLiteral("close-all")));
    QVERIFY(answerer.waitFor(errorTitle, connectMs));
    QTRY_VERIFY_WITH_TIMEOUT(disconnected(w), connectMs);
    deliverPostedEvents();
    QCOMPARE(answerer.count(errorTitle), 1);
    QCOMPARE(answerer.lastText(errorTitle), QStringLiteral("The remote host closed the connection"));
    QVERIFY(!action(w, "actionConsole")->isEnabled());
    QVERIFY(action(w, "actionActionFirmwareUpdate")->isEnabled());

    // And the window connects again.
    connectWindow(w);
    QCOMPARE(answerer.count(errorTitle), 1);
}

void LiveConnectionTest::userDisconnectShowsNoBox()
{
    startSimulator();
    storeConnection(sim->port());
    MainWindow w;
    ModalAnswerer answerer;
    for (int i = 0; i < 3; ++i) {
        connectWindow(w);
        action(w, "actionConnection")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(disconnected(w), connectMs);
    }
    deliverPostedEvents();
    QCOMPARE(answerer.count(errorTitle), 0);
    QCOMPARE(answerer.seen().size(), 0);
}

void LiveConnectionTest::stopCutsStalledBatchShort_data()
{
    QTest::addColumn<bool>("closeWindow");
    QTest::newRow("disconnect") << false;
    QTest::newRow("window closed") << true;
}

void LiveConnectionTest::stopCutsStalledBatchShort()
{
    QFETCH(bool, closeWindow);
    startSimulator();
    // A silent supply costs 4 x 5 s per command.
    storeConnection(sim->port(), QStringLiteral("100"), QStringLiteral("5000"));
    auto w = std::make_unique<MainWindow>();
    ModalAnswerer answerer;
    connectWindow(*w);

    QVERIFY(sim->control(QStringLiteral("stall on")));
    // A command is waiting for its reply.
    QTRY_VERIFY_WITH_TIMEOUT(sim->control(QStringLiteral("unanswered")) && sim->lastReply() != "OK 0",
                             connectMs);

    QElapsedTimer clock;
    clock.start();
    if (closeWindow) {
        w.reset();
    } else {
        action(*w, "actionConnection")->trigger();
        QVERIFY(!w->getThread()->isRunning());
    }
    // Far below one stalled command's 20 s.
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    if (w) {
        QTRY_VERIFY_WITH_TIMEOUT(disconnected(*w), connectMs);
        deliverPostedEvents();
        QCOMPARE(answerer.count(errorTitle), 0);
    }
}

void LiveConnectionTest::reportsOfReplacedRunIgnored()
{
    startSimulator();
    storeConnection(sim->port());
    MainWindow w;
    ModalAnswerer answerer;
    connectWindow(w);

    // Stop and start again with no event handled between, as the firmware
    // check does: the stopped run's closing reports are still queued.
    QVERIFY(QMetaObject::invokeMethod(&w, "stopThread", Qt::DirectConnection));
    QVERIFY(QMetaObject::invokeMethod(&w, "startThread", Qt::DirectConnection));
    QTRY_VERIFY_WITH_TIMEOUT(connected(w), connectMs);
    // The new run polls on; by the time its reports are shown, the old run's
    // (queued before them) have been handled too.
    const int polls = sim->commandLog().count(QStringLiteral("MPLST"));
    QTRY_VERIFY_WITH_TIMEOUT(sim->commandLog().count(QStringLiteral("MPLST")) > polls + 2, connectMs);
    deliverPostedEvents();
    QVERIFY(connected(w));
    QVERIFY(sim->control(QStringLiteral("connections")));
    QCOMPARE(sim->lastReply(), QStringLiteral("OK 1"));
    QCOMPARE(answerer.seen().size(), 0);

    action(w, "actionConnection")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(disconnected(w), connectMs);
}

void LiveConnectionTest::sessionOnTheWire()
{
    startSimulator();
    storeConnection(sim->port());
    MainWindow w;
    ModalAnswerer answerer;
    connectWindow(w);

    w.findChild<QPushButton*>(QStringLiteral("on_button"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(text(w, "on_off_label"), QStringLiteral("ON"), connectMs);
    QTRY_VERIFY_WITH_TIMEOUT(w.findChild<QWidget*>(QStringLiteral("stackedWidget_Set"))->isEnabled(),
                             connectMs);

    w.findChild<QDoubleSpinBox*>(QStringLiteral("current_spin"))->setValue(5.0);
    w.findChild<QPushButton*>(QStringLiteral("set_current_button"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(text(w, "current_display_label"), QStringLiteral("5.0000"), connectMs);

    w.findChild<QPushButton*>(QStringLiteral("off_button"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(text(w, "on_off_label"), QStringLiteral("OFF"), connectMs);
    QTRY_VERIFY_WITH_TIMEOUT(w.findChild<QWidget*>(QStringLiteral("groupBox_RegulationMode"))->isEnabled(),
                             connectMs);

    auto* loop = w.findChild<QComboBox*>(QStringLiteral("comboBox_Loop"));
    loop->setCurrentIndex(1);
    // The selector shows what the supply reports back, and the page follows.
    QTRY_VERIFY_WITH_TIMEOUT(sim->control(QStringLiteral("get loop")) && sim->lastReply() == "OK V",
                             connectMs);
    QTRY_COMPARE_WITH_TIMEOUT(
        w.findChild<QWidget*>(QStringLiteral("stackedWidget_Set"))->property("currentIndex").toInt(), 1,
        connectMs);
    QCOMPARE(loop->currentIndex(), 1);

    action(w, "actionConnection")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(disconnected(w), connectMs);

    const QStringList log = sim->commandLog();
    QCOMPARE(withoutPolls(log), (QStringList{"MON", "MWI:5.0000000000", "MOFF", "LOOP:V", "MSAVE"}));
    QVERIFY(inOrder(
        log, {"VER", "MPLST", "MON", "MWI:5.0000000000", "MPLST", "MOFF", "LOOP:V", "MSAVE", "LOOP:?"}));
    // The mode change, its save and its read-back went out in one batch.
    const int at = log.indexOf(QStringLiteral("LOOP:V"));
    QCOMPARE(log.mid(at, 3), (QStringList{"LOOP:V", "MSAVE", "LOOP:?"}));
    QCOMPARE(answerer.seen().size(), 0);
}

void LiveConnectionTest::newConnectionStartsFromNothing()
{
    startSimulator({"--family", "ORTX", "--set", "status=00000003"});
    storeConnection(sim->port());
    MainWindow w;
    ModalAnswerer answerer;
    connectWindow(w);
    QTRY_COMPARE_WITH_TIMEOUT(text(w, "description_label"), QStringLiteral("100A / 50V"), connectMs);
    QCOMPARE(text(w, "fault_pushButton"), QStringLiteral("YES"));
    action(w, "actionConnection")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(disconnected(w), connectMs);

    // Another unit at the address: a 5 A one that refuses its limits and its readings.
    for (const char* line : {"set family KORA-PS-M", "refuse MLIMITS 01", "refuse MPLST 01"})
        QVERIFY(sim->control(QLatin1String(line)));
    const int before = sim->commandLog().size();
    action(w, "actionConnection")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(sim->commandLog().mid(before).count(QStringLiteral("MPLST")) > 2, connectMs);
    QCOMPARE(text(w, "model_label"), QStringLiteral("KORA-PS-M 5-40"));
    QCOMPARE(text(w, "description_label"), QString());
    QCOMPARE(text(w, "on_off_label"), QStringLiteral("?"));
    QCOMPARE(text(w, "current_display_label"), QStringLiteral("-"));
    QVERIFY(!w.findChild<QWidget*>(QStringLiteral("groupBox_Controls"))->isEnabled());

    // Its status read, output on: a set-point still waits for its limits.
    QVERIFY(sim->control(QStringLiteral("refuse-clear MPLST")));
    QTRY_COMPARE_WITH_TIMEOUT(text(w, "on_off_label"), QStringLiteral("ON"), connectMs);
    w.findChild<QDoubleSpinBox*>(QStringLiteral("current_spin"))->setValue(50);
    w.findChild<QPushButton*>(QStringLiteral("set_current_button"))->click();
    const int polls = sim->commandLog().count(QStringLiteral("MPLST"));
    QTRY_VERIFY_WITH_TIMEOUT(sim->commandLog().count(QStringLiteral("MPLST")) > polls + 1, connectMs);
    QCOMPARE(withoutPolls(sim->commandLog()), QStringList());
}

void LiveConnectionTest::peerThatIsNoSupply_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("connections");
    QTest::newRow("readout box") << "box-sim" << QStringList{} << 1;
    QTest::newRow("supply answering garbage, then itself") << "supply-sim" << QStringList{"--garbage"} << 1;
    // Each connection is told afresh.
    QTest::newRow("readout box, connected again") << "box-sim" << QStringList{} << 2;
}

void LiveConnectionTest::peerThatIsNoSupply()
{
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    sim = std::make_unique<SimulatorProcess>(program);
    QVERIFY2(sim->start(args), qPrintable(sim->output()));
    storeConnection(sim->port());
    LogCapture log(mainWindowLogger);
    MainWindow w;
    ModalAnswerer answerer;
    auto* notice = w.findChild<QLabel*>(QStringLiteral("supplyNotice"));
    action(w, "actionConnection")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!notice->isHidden(), connectMs);
    QCOMPARE(notice->text(), QStringLiteral("127.0.0.1:%1 does not answer as a supply").arg(sim->port()));
    // It is polled on; each failure is logged once.
    const int polls = sim->commandLog().count(QStringLiteral("VER"));
    QTRY_VERIFY_WITH_TIMEOUT(sim->commandLog().count(QStringLiteral("VER")) > polls + 2, connectMs);
    QCOMPARE(log.lines().filter(QStringLiteral("Command VER,")).size(), 1);
    for (const char* name : {"loc_rem_label", "on_off_label", "fault_pushButton", "current_display_label"})
        QCOMPARE(text(w, name).size(), 1); // "?" or "-"
    QVERIFY(!w.findChild<QWidget*>(QStringLiteral("groupBox_Controls"))->isEnabled());
    QCOMPARE(w.findChild<QComboBox*>(QStringLiteral("comboBoxFloatMode"))->currentIndex(), -1);
    if (program == QLatin1String("supply-sim")) {
        QVERIFY(sim->control(QStringLiteral("garbage off")));
        QTRY_COMPARE_WITH_TIMEOUT(text(w, "on_off_label"), QStringLiteral("OFF"), connectMs);
        QVERIFY(notice->isHidden());
        // The readings may be answered before the next VER of the poll set is.
        QTRY_COMPARE_WITH_TIMEOUT(log.lines().filter(QStringLiteral("Command VER, Unknown Error: repeated")).size(),
                                  1, connectMs);
    }
    action(w, "actionConnection")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(disconnected(w), connectMs);
    // One count per repeated failure, when it ends or with the connection.
    QCOMPARE(log.lines().filter(QStringLiteral("error|Command VER, Unknown Error: repeated")).size(), 1);
    QFETCH(int, connections);
    if (connections == 2) {
        action(w, "actionConnection")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!notice->isHidden(), connectMs);
        action(w, "actionConnection")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(disconnected(w), connectMs);
    }
}

QTEST_MAIN(LiveConnectionTest)
#include "tst_live_connection.moc"
