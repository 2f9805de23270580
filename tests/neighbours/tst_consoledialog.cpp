#include "consoledialog.h"
#include "modalanswerer.h"
#include "ps_data.h"
#include "qconsole.h"
#include "tcpsocketmanager.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
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

    // Reported once only, also after the time-out would have passed.
    QTest::qWait(2300);
    QCOMPARE(answerer.count(QStringLiteral("Socket error")), 1);
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
    QTest::newRow("one-digit code") << "#NAK:5\r\n"
                                    << "#NAK:5. ";
    QTest::newRow("unknown code") << "#NAK:42\r\n"
                                  << "#NAK:42. ";
}

void ConsoleDialogTest::rejectionIsExplained()
{
    QFETCH(QString, reply);
    QFETCH(QString, printed);

    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    ConsoleDialog dialog;
    dialog.connectToServer(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()), 2000);
    QVERIFY(server.waitForNewConnection(2000));
    QTcpSocket* peer = server.nextPendingConnection();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.isVisible(), 2000);

    auto* console = dialog.findChild<QConsole*>(QStringLiteral("textEditConsole"));
    emit console->execCommand(QStringLiteral("MON"));
    QTRY_COMPARE_WITH_TIMEOUT(peer->bytesAvailable() > 0, true, 2000);
    QCOMPARE(peer->readAll(), QByteArray("MON\r\n"));

    peer->write(reply.toUtf8());
    peer->flush();
    // QTextEdit shows line ends as paragraph breaks.
    QString shown = printed;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTRY_VERIFY_WITH_TIMEOUT(console->toPlainText().contains(shown.trimmed()), 2000);
    QVERIFY(console->toPlainText().endsWith(QStringLiteral(">")));
}

void ConsoleDialogTest::clearIsHandledLocally()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    ConsoleDialog dialog;
    dialog.connectToServer(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()), 2000);
    QVERIFY(server.waitForNewConnection(2000));
    QTcpSocket* peer = server.nextPendingConnection();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.isVisible(), 2000);

    auto* console = dialog.findChild<QConsole*>(QStringLiteral("textEditConsole"));
    console->append(QStringLiteral("some output"));
    emit console->execCommand(QStringLiteral("cLeAr"));
    QVERIFY(!console->toPlainText().contains(QStringLiteral("some output")));
    QVERIFY(console->toPlainText().endsWith(QStringLiteral(">")));

    // A leading blank makes it an ordinary command for the supply.
    emit console->execCommand(QStringLiteral(" clear"));
    QTRY_COMPARE_WITH_TIMEOUT(peer->bytesAvailable() > 0, true, 2000);
    QCOMPARE(peer->readAll(), QByteArray(" clear\r\n"));
}

QTEST_MAIN(ConsoleDialogTest)
#include "tst_consoledialog.moc"
