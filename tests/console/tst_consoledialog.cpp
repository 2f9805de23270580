#include "consoledialog.h"
#include "loggers.h"
#include "modalanswerer.h"
#include "ps_data.h"
#include "qconsole.h"
#include "tcpsocketmanager.h"

#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

ps_data model(const QString& family)
{
    ps_data d;
    d.family = family;
    return d;
}

// A port on loopback where nothing listens.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

// A console window connected to a supply played by the test.
struct OpenConsole {
    QTcpServer server;
    ConsoleDialog dialog;
    QTcpSocket* peer = nullptr;
    QConsole* console = nullptr;

    bool open()
    {
        console = dialog.findChild<QConsole*>(QStringLiteral("textEditConsole"));
        if (!server.listen(QHostAddress::LocalHost, 0))
            return false;
        dialog.connectToServer(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()), 5000);
        if (!server.waitForNewConnection(5000))
            return false;
        peer = server.nextPendingConnection();
        return QTest::qWaitFor([this] { return dialog.isVisible(); }, 5000);
    }

    // Types a command and presses Return, as the user does.
    void type(const QString& command)
    {
        QTest::keyClicks(console, command);
        QTest::keyClick(console, Qt::Key_Return);
    }

    QByteArray receivedLine()
    {
        if (!QTest::qWaitFor([this] { return peer->canReadLine(); }, 5000))
            return {};
        return peer->readLine();
    }
};

} // namespace

class ConsoleDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void formAndConsoleSetUp();

    void wordListPerFamily_data();
    void wordListPerFamily();
    void sameModelLeavesWordList();

    void showsItselfOnceConnected();
    void refusedConnectionShowsSocketError();
    void reconnectHidesUntilConnected();

    void rejectionIsExplained_data();
    void rejectionIsExplained();
    void clearIsHandledLocally();
    void clearAndReconnectReleaseLockedConsole();
    void passwordIsNeverLoggedInClear();
};

void ConsoleDialogTest::formAndConsoleSetUp()
{
    ConsoleDialog dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("ConsoleDialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("About"));
    auto* console = dialog.findChild<QConsole*>(QStringLiteral("textEditConsole"));
    QVERIFY(console);
    QCOMPARE(console->prompt(), QStringLiteral(">"));
    QVERIFY(
        console->toPlainText().startsWith(QStringLiteral("##################\nWelcome to Orvane console\n")));
    QVERIFY(console->toPlainText().endsWith(QStringLiteral(">")));
    QVERIFY(dialog.findChild<QObject*>(QStringLiteral("pushButtonClear")));
    QVERIFY(dialog.findChild<QObject*>(QStringLiteral("Orvane_logo")));
    QVERIFY(dialog.isHidden());
}

void ConsoleDialogTest::wordListPerFamily_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QStringList>("extra");
    const QStringList sfp{"SFP:ADAPTER",  "SFP:INFO",      "SFP:COUNTERS_RESET",
                          "SFP:LAST_CMD", "SFP:CONV_GAIN", "SFP1MDIO"};
    QTest::newRow("KORA-PS") << "KORA-PS" << sfp;
    QTest::newRow("KORA-PS-M") << "KORA-PS-M" << sfp;
    QTest::newRow("ORTX") << "ORTX" << QStringList{"MGPC", "MRA"};
    QTest::newRow("KORA-PS-1K5") << "KORA-PS-1K5" << QStringList{"MGPC", "MRA"};
    QTest::newRow("UNDEFINED") << "UNDEFINED" << QStringList();
    QTest::newRow("lower case is another family") << "ortx" << QStringList();
}

void ConsoleDialogTest::wordListPerFamily()
{
    QFETCH(QString, family);
    QFETCH(QStringList, extra);

    const QStringList words = ConsoleDialog::commandWords(family);
    QCOMPARE(words.size(), 70 + extra.size());
    QCOMPARE(words.first(), QStringLiteral("VER"));
    QCOMPARE(words.at(69), QStringLiteral("#_LOCAL"));
    QCOMPARE(words.mid(70), extra);
    QCOMPARE(words.count(QStringLiteral("MWI:")), 1);

    ConsoleDialog dialog;
    dialog.setModel(model(family));
    auto* console = dialog.findChild<QConsole*>(QStringLiteral("textEditConsole"));
    QStringList expected = words;
    expected.sort(Qt::CaseSensitive);
    for (QString& w : expected)
        w = w.toLower();
    QCOMPARE(console->commands(), expected);
}

void ConsoleDialogTest::sameModelLeavesWordList()
{
    ConsoleDialog dialog;
    auto* console = dialog.findChild<QConsole*>(QStringLiteral("textEditConsole"));

    // An empty family equals the initial state: nothing is built.
    dialog.setModel(model(QString()));
    QVERIFY(console->commands().isEmpty());

    dialog.setModel(model("KORA-PS"));
    QCOMPARE(console->commands().size(), 76);

    // Mark the list; a repeated report of the same family must not rebuild it.
    console->setCommands({"marker"});
    dialog.setModel(model("KORA-PS"));
    QCOMPARE(console->commands(), QStringList{"marker"});

    dialog.setModel(model("ORTX"));
    QCOMPARE(console->commands().size(), 72);
}

void ConsoleDialogTest::showsItselfOnceConnected()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));

    ConsoleDialog dialog;
    auto* console = dialog.findChild<QConsole*>(QStringLiteral("textEditConsole"));
    console->append(QStringLiteral("text of an earlier session"));

    dialog.connectToServer(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()), 2000);
    QVERIFY(!console->toPlainText().contains(QStringLiteral("earlier session")));
    QVERIFY(server.waitForNewConnection(2000));
    QTRY_VERIFY_WITH_TIMEOUT(dialog.isVisible(), 2000);
    QCOMPARE(dialog.socketManager()->state(), QAbstractSocket::ConnectedState);
}

void ConsoleDialogTest::refusedConnectionShowsSocketError()
{
    ModalAnswerer answerer;
    answerer.answer(QStringLiteral("Socket error"), QMessageBox::Ok);

    ConsoleDialog dialog;
    dialog.connectToServer(QStringLiteral("127.0.0.1"), QString::number(closedPort()), 2000);
    QVERIFY(answerer.waitFor(QStringLiteral("Socket error"), 3000));
    QCOMPARE(answerer.count(QStringLiteral("Socket error")), 1);
    QVERIFY(!answerer.lastText(QStringLiteral("Socket error")).isEmpty());
    QVERIFY(dialog.isHidden());

    // The error is also printed into the (hidden) console.
    auto* console = dialog.findChild<QConsole*>(QStringLiteral("textEditConsole"));
    QVERIFY(console->toPlainText().contains(answerer.lastText(QStringLiteral("Socket error"))));
}

void ConsoleDialogTest::reconnectHidesUntilConnected()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    ConsoleDialog dialog;
    dialog.connectToServer(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.isVisible(), 2000);

    QSignalSpy connected(dialog.socketManager(), &TcpSocketManager::connected);
    dialog.connectToServer(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()), 2000);
    QVERIFY(dialog.isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(dialog.isVisible(), 2000);
    QCOMPARE(connected.count(), 1);
}

void ConsoleDialogTest::rejectionIsExplained_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("printed");
    QTest::newRow("plain reply") << "#AK\r\n"
                                 << "#AK\r\n";
    QTest::newRow("code 13") << "#NAK:13\r\n"
                             << "#NAK:13. Unit is OFF";
    QTest::newRow("one-digit code") << "#NAK:1\r\n"
                                    << "#NAK:1. Unknown Command";
    QTest::newRow("one-digit code, CR only") << "#NAK:7\r"
                                             << "#NAK:7. Invalid Password";
    QTest::newRow("unknown code") << "#NAK:42\r\n"
                                  << "#NAK:42. ";
}

void ConsoleDialogTest::rejectionIsExplained()
{
    QFETCH(QString, reply);
    QFETCH(QString, printed);

    OpenConsole c;
    QVERIFY(c.open());
    c.type(QStringLiteral("MON"));
    QCOMPARE(c.receivedLine(), QByteArray("MON\r\n"));

    c.peer->write(reply.toUtf8());
    c.peer->flush();
    QTRY_VERIFY_WITH_TIMEOUT(!c.console->isLocked(), 5000);
    // QTextEdit shows line ends as paragraph breaks.
    QString shown = printed;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QVERIFY2(c.console->toPlainText().contains(QStringLiteral(">MON\n") + shown),
             qPrintable(c.console->toPlainText()));
    QVERIFY(c.console->toPlainText().endsWith(QStringLiteral(">")));
}

void ConsoleDialogTest::clearIsHandledLocally()
{
    OpenConsole c;
    QVERIFY(c.open());
    c.console->printCommandExecutionResults(QStringLiteral("some output"));
    c.type(QStringLiteral("cLeAr"));
    QVERIFY(!c.console->toPlainText().contains(QStringLiteral("some output")));
    QVERIFY(c.console->toPlainText().endsWith(QStringLiteral(">")));
    QVERIFY(!c.console->isLocked());

    // A leading blank makes it an ordinary command for the supply, the
    // first thing it receives.
    c.type(QStringLiteral(" clear"));
    QCOMPARE(c.receivedLine(), QByteArray(" clear\r\n"));
}

void ConsoleDialogTest::clearAndReconnectReleaseLockedConsole()
{
    OpenConsole c;
    QVERIFY(c.open());
    QSignalSpy exec(c.console, &QConsole::execCommand);

    // The supply never answers: the clear button gives the console back.
    c.type(QStringLiteral("MRESET"));
    QCOMPARE(c.receivedLine(), QByteArray("MRESET\r\n"));
    QVERIFY(c.console->isLocked());
    QTest::mouseClick(c.dialog.findChild<QPushButton*>(QStringLiteral("pushButtonClear")), Qt::LeftButton);
    QVERIFY(!c.console->isLocked());
    c.type(QStringLiteral("MST"));
    QCOMPARE(exec.count(), 2);
    QCOMPARE(c.receivedLine(), QByteArray("MST\r\n"));

    // So does a new connection.
    QVERIFY(c.console->isLocked());
    c.dialog.connectToServer(QStringLiteral("127.0.0.1"), QString::number(c.server.serverPort()), 5000);
    QVERIFY(!c.console->isLocked());
    QTRY_VERIFY_WITH_TIMEOUT(c.dialog.isVisible(), 5000);
    c.type(QStringLiteral("VER"));
    QCOMPARE(exec.count(), 3);
}

void ConsoleDialogTest::passwordIsNeverLoggedInClear()
{
    QTemporaryDir dir;
    QVERIFY(initLoggersIn(dir.path(), 8192, std::chrono::milliseconds(10)));
    setGlobalLogLevel(0);
    {
        OpenConsole c;
        QVERIFY(c.open());
        c.type(QStringLiteral("password:Se3ret"));
        QCOMPARE(c.receivedLine(), QByteArray("password:Se3ret\r\n"));
        c.peer->write("#AK\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(!c.console->isLocked(), 5000);
        // Shown as typed, and recalled from the history as typed.
        QVERIFY(c.console->toPlainText().contains(QStringLiteral(">password:Se3ret\n#AK")));
        QTest::keyClick(c.console, Qt::Key_Up);
        QCOMPARE(c.console->getCurrentCommand(), QStringLiteral("password:Se3ret"));
        QTest::keyClick(c.console, Qt::Key_Tab);
    }
    flushAllLoggers();
    QFile log(logFilePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    shutdownLoggers();
    QVERIFY(text.contains("commandReady called, command = PASSWORD:***"));
    QVERIFY(text.contains("send called, send = PASSWORD:***"));
    QVERIFY2(!text.contains("Se3ret"), text.constData());
    // Not even key by key.
    QVERIFY(!text.contains("e = S\n") && !text.contains("e = 3\n"));
}

QTEST_MAIN(ConsoleDialogTest)
#include "tst_consoledialog.moc"
