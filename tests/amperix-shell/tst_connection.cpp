// Main window against the supply simulator: connecting and disconnecting
// from the Connection action, what the window shows for each, a refused
// connection, the settings taken from the connection dialog, and the
// set-point sent before any edit of the spin boxes.

#include "mainwindow.h"

#include "ps_thread.h"
#include "setipdialog.h"

#include "modalanswerer.h"
#include "postedevents.h"
#include "simulatorprocess.h"
#include "tempsettings.h"

#include <QAction>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTcpServer>
#include <QTest>

#include <memory>

namespace
{
constexpr int connectMs = 15000;

void storeConnection(quint16 port, const QString& refresh = QStringLiteral("100"))
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
                QStringLiteral("Amperix"));
    s.setValue(QStringLiteral("ip_address"), QStringLiteral("127.0.0.1"));
    s.setValue(QStringLiteral("port"), QString::number(port));
    s.setValue(QStringLiteral("data_refresh"), refresh);
    s.setValue(QStringLiteral("socket_wait"), QStringLiteral("1000"));
    // No update check while these windows paint.
    s.setValue(QStringLiteral("automaticUpdatesEnabled"), false);
}

QAction* action(MainWindow& w, const char* name)
{
    return w.findChild<QAction*>(QLatin1String(name));
}

quint16 unusedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}
} // namespace

class ConnectionTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void connectAndDisconnect();
    void setPointBeforeAnyEditIsZero();
    void refusedConnectionShowsOneWarning();
    void acceptedSettingsApplyToNextConnection();
    void cancelledSettingsKeepPrevious();
    void unusableSettingsAreNamed_data();
    void unusableSettingsAreNamed();

private:
    std::unique_ptr<TempSettings> settings;
    std::unique_ptr<SimulatorProcess> sim;
};

void ConnectionTest::init()
{
    settings = std::make_unique<TempSettings>();
    sim = std::make_unique<SimulatorProcess>(QStringLiteral("supply-sim"));
    QVERIFY2(sim->start({QStringLiteral("--noise"), QStringLiteral("0")}), qPrintable(sim->output()));
}

void ConnectionTest::cleanup()
{
    sim.reset();
    settings.reset();
}

void ConnectionTest::connectAndDisconnect()
{
    storeConnection(sim->port());
    MainWindow w;
    ModalAnswerer answerer;
    auto* connection = action(w, "actionConnection");

    connection->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(action(w, "actionConfiguration")->isEnabled(), connectMs);
    QVERIFY(connection->isChecked());
    QVERIFY(action(w, "actionConsole")->isEnabled());
    QVERIFY(!action(w, "actionSetIP")->isEnabled());
    QVERIFY(!action(w, "actionActionFirmwareUpdate")->isEnabled());
    QVERIFY(w.findChild<QWidget*>(QStringLiteral("groupBox_Output"))->isEnabled());
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("Socket:Connected"));
    // The worker polls the supply.
    QVERIFY(sim->waitForLogLines(1, 5000));
    QVERIFY(sim->commandLog().contains(QStringLiteral("VER")));

    connection->trigger();
    QVERIFY(!w.getThread()->isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(!connection->isChecked(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(action(w, "actionSetIP")->isEnabled(), 5000);
    QVERIFY(!action(w, "actionConfiguration")->isEnabled());
    QVERIFY(!w.findChild<QWidget*>(QStringLiteral("groupBox_Output"))->isEnabled());
    // A disconnect the user asked for is no error: the worker has ended, so
    // all it reported is among the posted events.
    deliverPostedEvents();
    QCOMPARE(answerer.count(QStringLiteral("Socket connection error")), 0);

    // And the window connects again.
    connection->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(connection->isChecked() && action(w, "actionConfiguration")->isEnabled(),
                             connectMs);
    connection->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!connection->isChecked(), 5000);
}

void ConnectionTest::setPointBeforeAnyEditIsZero()
{
    storeConnection(sim->port());
    MainWindow w;
    ModalAnswerer answerer;
    action(w, "actionConnection")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(action(w, "actionConfiguration")->isEnabled(), connectMs);

    QVERIFY(QMetaObject::invokeMethod(&w, "on_set_current_button_clicked"));
    QVERIFY(QMetaObject::invokeMethod(&w, "on_set_voltage_button_clicked"));
    QTRY_VERIFY_WITH_TIMEOUT(sim->commandLog().contains(QStringLiteral("MWV:0.0000000000")), 5000);
    QVERIFY(sim->commandLog().contains(QStringLiteral("MWI:0.0000000000")));
    QVERIFY(!sim->commandLog().contains(QStringLiteral("MWI:")));

    action(w, "actionConnection")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!action(w, "actionConnection")->isChecked(), 5000);
}

void ConnectionTest::refusedConnectionShowsOneWarning()
{
    storeConnection(unusedPort());
    MainWindow w;
    // The refusal, not the end of the connection wait, ends the attempt.
    w.getThread()->connect_timeout = 4 * connectMs;
    ModalAnswerer answerer;
    answerer.answer(QStringLiteral("Socket connection error"), QMessageBox::Ok, true);
    action(w, "actionConnection")->trigger();

    QVERIFY(answerer.waitFor(QStringLiteral("Socket connection error"), connectMs));
    QTRY_VERIFY_WITH_TIMEOUT(!w.getThread()->isRunning(), 5000);
    deliverPostedEvents();
    QCOMPARE(answerer.count(QStringLiteral("Socket connection error")), 1);
    QVERIFY(!answerer.lastText(QStringLiteral("Socket connection error")).isEmpty());
    QVERIFY(!action(w, "actionConnection")->isChecked());
    QVERIFY(action(w, "actionSetIP")->isEnabled());
    QVERIFY(action(w, "actionActionFirmwareUpdate")->isEnabled());
    QVERIFY(!action(w, "actionConfiguration")->isEnabled());
    QVERIFY(!action(w, "actionConsole")->isEnabled());
    for (const char* name : {"groupBox_Controls", "groupBox_RegulationMode", "stackedWidget_Set",
                             "groupBox_Infos", "groupBox_Status", "groupBox_Output"})
        QVERIFY2(!w.findChild<QWidget*>(QLatin1String(name))->isEnabled(), name);
}

void ConnectionTest::acceptedSettingsApplyToNextConnection()
{
    storeConnection(unusedPort());
    MainWindow w;
    ModalAnswerer answerer;
    auto* dialog = w.findChild<SetIpDialog*>();
    dialog->findChild<QLineEdit*>(QStringLiteral("ip_port_lineEdit"))->setText(QString::number(sim->port()));
    dialog->findChild<QSpinBox*>(QStringLiteral("spinBox_refresh"))->setValue(200);
    answerer.answer(QStringLiteral("Set IP and Port"), QMessageBox::Ok);
    action(w, "actionSetIP")->trigger();
    QCOMPARE(answerer.count(QStringLiteral("Set IP and Port")), 1);

    action(w, "actionConnection")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(action(w, "actionConfiguration")->isEnabled(), connectMs);
    QCOMPARE(w.getThread()->task_refresh, 100);
    QCOMPARE(w.getThread()->ip_port, QString::number(sim->port()));
    QCOMPARE(answerer.count(QStringLiteral("Socket connection error")), 0);
    action(w, "actionConnection")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!action(w, "actionConnection")->isChecked(), 5000);
}

void ConnectionTest::cancelledSettingsKeepPrevious()
{
    storeConnection(sim->port(), QStringLiteral("300"));
    MainWindow w;
    ModalAnswerer answerer;
    auto* dialog = w.findChild<SetIpDialog*>();
    dialog->findChild<QLineEdit*>(QStringLiteral("ip_port_lineEdit"))->setText(QString::number(unusedPort()));
    answerer.answer(QStringLiteral("Set IP and Port"), QMessageBox::Cancel);
    action(w, "actionSetIP")->trigger();
    QCOMPARE(answerer.count(QStringLiteral("Set IP and Port")), 1);

    action(w, "actionConnection")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(action(w, "actionConfiguration")->isEnabled(), connectMs);
    QCOMPARE(w.getThread()->task_refresh, 150);
    QCOMPARE(w.getThread()->ip_port, QString::number(sim->port()));
    action(w, "actionConnection")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!action(w, "actionConnection")->isChecked(), 5000);
}

void ConnectionTest::unusableSettingsAreNamed_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("named");
    for (const char* port : {"70000", "abc", "0"})
        QTest::newRow(port) << "127.0.0.1" << port
                            << QStringLiteral("The port \"%1\"").arg(QLatin1String(port));
    QTest::newRow("no address") << "" << QString::number(10001) << "No supply address is set";
}

// Nothing is tried: the box names the setting, not the socket's failure.
void ConnectionTest::unusableSettingsAreNamed()
{
    QFETCH(QString, address);
    QFETCH(QString, port);
    QFETCH(QString, named);
    storeConnection(sim->port());
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
                QStringLiteral("Amperix"));
    s.setValue(QStringLiteral("ip_address"), address);
    s.setValue(QStringLiteral("port"), port);
    MainWindow w;
    ModalAnswerer answerer;
    answerer.answer(QStringLiteral("Socket connection error"), QMessageBox::Ok, true);
    action(w, "actionConnection")->trigger();
    QVERIFY(answerer.waitFor(QStringLiteral("Socket connection error"), connectMs));
    QVERIFY2(answerer.lastText(QStringLiteral("Socket connection error")).startsWith(named),
             qPrintable(answerer.lastText(QStringLiteral("Socket connection error"))));
    QVERIFY(!w.getThread()->isRunning() && !w.getThread()->isFinished());
    QVERIFY(!action(w, "actionConnection")->isChecked());
}

QTEST_MAIN(ConnectionTest)
#include "tst_connection.moc"
