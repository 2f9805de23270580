// The console as a user of the main window meets it: connected to the
// simulated supply, the Console action opens the console on a connection of
// its own, with the command words of the supply's family; commands typed
// there are answered, and the console closes with the main connection.

#include "consoledialog.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "qconsole.h"
#include "simulatorprocess.h"
#include "tempsettings.h"

#include <QAction>
#include <QFileInfo>
#include <QSettings>
#include <QtTest>

class ConsoleFromMainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFileInfo::exists(SimulatorProcess::programPath(QStringLiteral("supply-sim"))))
            QSKIP("supply-sim is not built");
    }

    void consoleOpensOnTheConnectedSupply();
};

void ConsoleFromMainWindowTest::consoleOpensOnTheConnectedSupply()
{
    TempSettings settings;
    SimulatorProcess sim(QStringLiteral("supply-sim"));
    QVERIFY(sim.start({QStringLiteral("--family"), QStringLiteral("ORTX")}));
    {
        QSettings s(QStringLiteral("Orvane"), QStringLiteral("Amperix"));
        s.setValue(QStringLiteral("ip_address"), QStringLiteral("127.0.0.1"));
        s.setValue(QStringLiteral("port"), QString::number(sim.port()));
        s.setValue(QStringLiteral("data_refresh"), QStringLiteral("100"));
        s.setValue(QStringLiteral("socket_wait"), QStringLiteral("1000"));
        s.setValue(QStringLiteral("automaticUpdatesEnabled"), false);
    }
    MainWindow w;
    ModalAnswerer answerer;
    auto* console = w.findChild<ConsoleDialog*>();
    auto* edit = console->findChild<QConsole*>(QStringLiteral("textEditConsole"));
    QAction* openConsole = w.findChild<QAction*>(QStringLiteral("actionConsole"));
    QVERIFY(!openConsole->isEnabled());

    w.findChild<QAction*>(QStringLiteral("actionConnection"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(openConsole->isEnabled(), 15000);
    openConsole->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(console->isVisible(), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(edit->commands().size(), 72, 15000);

    QTest::keyClicks(edit, QStringLiteral("MGP"));
    QTest::keyClick(edit, Qt::Key_Tab);
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(edit->toPlainText().contains(QStringLiteral(">mgpc\n#mgpc:")), 5000);
    QVERIFY(sim.commandLog().contains(QStringLiteral("mgpc")));

    w.findChild<QAction*>(QStringLiteral("actionConnection"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!console->isVisible(), 15000);
    QCOMPARE(answerer.seen().size(), 0);
}

QTEST_MAIN(ConsoleFromMainWindowTest)
#include "tst_console_mainwindow.moc"
