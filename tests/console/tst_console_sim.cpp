#include "consoledialog.h"
#include "ps_thread.h"
#include "qconsole.h"
#include "simulatorprocess.h"
#include "tcpsocketmanager.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QtTest>

namespace
{

// supply-sim with a console window connected to it.
struct SimConsole {
    SimulatorProcess sim{QStringLiteral("supply-sim")};
    ConsoleDialog dialog;
    QConsole* console = dialog.findChild<QConsole*>(QStringLiteral("textEditConsole"));

    bool start(const QStringList& simArgs = {})
    {
        if (!sim.start(simArgs))
            return false;
        dialog.connectToServer(QStringLiteral("127.0.0.1"), QString::number(sim.port()), 5000);
        return QTest::qWaitFor([this] { return dialog.isVisible(); }, 5000);
    }

    // Types a command and Return, and waits for the console to take the next one.
    bool run(const QString& command)
    {
        QTest::keyClicks(console, command);
        QTest::keyClick(console, Qt::Key_Return);
        return QTest::qWaitFor([this] { return !console->isLocked(); }, 5000);
    }

    QString output() const { return console->toPlainText(); }
};

// Words that are acted on rather than read, although they carry no argument.
const QStringList actionWords{
    "CLEAR", "MON", "MOFF", "MRESET", "HWRESET", "MSAVE", "EXIT", "#_LOCAL", "SFP:COUNTERS_RESET"};

} // namespace

class ConsoleWithSimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFileInfo::exists(SimulatorProcess::programPath(QStringLiteral("supply-sim"))))
            QSKIP("supply-sim is not built");
    }

    void commandAndReply();
    void oneDigitRefusalIsExplained();
    void clearSendsNothing();
    void wordListFollowsTheFamily();
    void everyListWordIsAnswered_data();
    void everyListWordIsAnswered();
};

void ConsoleWithSimulatorTest::commandAndReply()
{
    SimConsole c;
    QVERIFY(c.start());
    // Completed words are lower case; the supply takes them all the same,
    // and what the console sets is the supply's one state.
    QVERIFY(c.run(QStringLiteral("ver")));
    QVERIFY(c.output().contains(QStringLiteral(">ver\n#ver:KORA-PS 10-20:1.3.6\n>")));
    QVERIFY(c.run(QStringLiteral("mwi:2.5")));
    QVERIFY(c.output().contains(QStringLiteral(">mwi:2.5\n#AK\n>")));
    QVERIFY(c.sim.control(QStringLiteral("get current_setpoint")));
    QCOMPARE(c.sim.lastReply(), QStringLiteral("OK 2.5000"));

    QVERIFY(c.run(QStringLiteral("NOSUCHWORD")));
    QVERIFY(c.output().contains(QStringLiteral("#NAK:01. Unknown Command")));
}

void ConsoleWithSimulatorTest::oneDigitRefusalIsExplained()
{
    SimConsole c;
    QVERIFY(c.start());
    QVERIFY(c.sim.control(QStringLiteral("reply PASSWORD NAK:7")));
    QVERIFY(c.run(QStringLiteral("PASSWORD:wrong")));
    QVERIFY2(c.output().endsWith(QStringLiteral(">PASSWORD:wrong\n#NAK:7. Invalid Password\n\n>")),
             qPrintable(c.output()));
}

void ConsoleWithSimulatorTest::clearSendsNothing()
{
    SimConsole c;
    QVERIFY(c.start());
    QVERIFY(c.run(QStringLiteral("MST")));
    QVERIFY(c.run(QStringLiteral("clear")));
    QVERIFY(!c.output().contains(QStringLiteral("MST")));
    QVERIFY(c.run(QStringLiteral("MRID")));
    QCOMPARE(c.sim.commandLog(), (QStringList{"MST", "MRID"}));
}

void ConsoleWithSimulatorTest::wordListFollowsTheFamily()
{
    // The main window hands every model report of its worker to the console.
    SimConsole c;
    QVERIFY(c.start());
    ps_thread worker(10);
    worker.task_refresh = 20;
    worker.wait_time = 500;
    worker.ip_address = QStringLiteral("127.0.0.1");
    worker.ip_port = QString::number(c.sim.port());
    QObject::connect(&worker, &ps_thread::version_model_capabilities_read, &c.dialog,
                     &ConsoleDialog::setModel);
    worker.start();

    QTRY_COMPARE_WITH_TIMEOUT(c.console->commands().size(), 76, 10000);
    QVERIFY(c.console->commands().contains(QStringLiteral("sfp1mdio")));
    QVERIFY(!c.console->commands().contains(QStringLiteral("mgpc")));
    QTest::keyClicks(c.console, QStringLiteral("sfp1"));
    QTest::keyClick(c.console, Qt::Key_Tab);
    QCOMPARE(c.console->getCurrentCommand(), QStringLiteral("sfp1mdio"));
    QTest::keyClick(c.console, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(c.output().contains(QStringLiteral("#sfp1mdio:0")), 5000);

    QVERIFY(c.sim.control(QStringLiteral("set family ORTX")));
    QTRY_COMPARE_WITH_TIMEOUT(c.console->commands().size(), 72, 10000);
    QVERIFY(!c.console->commands().contains(QStringLiteral("sfp1mdio")));
    QTest::keyClicks(c.console, QStringLiteral("MGP"));
    QTest::keyClick(c.console, Qt::Key_Tab);
    QCOMPARE(c.console->getCurrentCommand(), QStringLiteral("mgpc"));

    worker.quit();
    QVERIFY(worker.wait(10000));
}

void ConsoleWithSimulatorTest::everyListWordIsAnswered_data()
{
    QTest::addColumn<QString>("family");
    for (const char* family : {"KORA-PS", "KORA-PS-M", "KORA-PS-1K5", "ORTX"})
        QTest::newRow(family) << QString::fromLatin1(family);
}

void ConsoleWithSimulatorTest::everyListWordIsAnswered()
{
    QFETCH(QString, family);
    SimulatorProcess sim(QStringLiteral("supply-sim"));
    QVERIFY(sim.start({QStringLiteral("--family"), family}));
    TcpSocketManager link;
    QSignalSpy connected(&link, &TcpSocketManager::connected);
    QSignalSpy replies(&link, &TcpSocketManager::messageReady);
    link.connect(QStringLiteral("127.0.0.1"), QString::number(sim.port()), 5000);
    QVERIFY(connected.wait(5000));

    for (const QString& word : ConsoleDialog::commandWords(family)) {
        const QString typed = word.toLower(); // as completion gives it
        link.send(typed);
        QVERIFY2(replies.wait(5000), qPrintable(word));
        const QString reply = replies.takeFirst().at(0).toString();
        QVERIFY2(reply.startsWith(QLatin1Char('#')) && reply.endsWith(QStringLiteral("\r\n")) &&
                     reply.count(QLatin1Char('\r')) == 1,
                 qPrintable(word + QStringLiteral(" -> ") + reply));
        QVERIFY2(reply != QLatin1String("#NAK:01\r\n"), qPrintable(word));
        const bool query = (!word.contains(QLatin1Char(':')) || word.endsWith(QLatin1String(":?"))) &&
                           !actionWords.contains(word);
        QString echo = typed;
        echo.remove(QStringLiteral(":?"));
        if (query)
            QVERIFY2(reply.startsWith(QLatin1Char('#') + echo + QLatin1Char(':')), qPrintable(word + reply));
        else
            QVERIFY2(reply == QLatin1String("#AK\r\n") || reply.startsWith(QLatin1String("#NAK:")) ||
                         reply.startsWith(QLatin1Char('#') + echo + QLatin1Char(':')),
                     qPrintable(word + reply));
    }
}

QTEST_MAIN(ConsoleWithSimulatorTest)
#include "tst_console_sim.moc"
