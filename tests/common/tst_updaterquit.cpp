#include "faketool.h"
#include "updates.h"

#include "modalanswerer.h"

#include <QEventLoop>
#include <QTimer>
#include <QtTest>

// Accepting an update starts the tool's updater and ends the program's event
// loop. Kept apart from the other update tests: once the application has been
// told to quit, no later event loop in the same process would run.
class TestUpdaterQuit : public QObject
{
    Q_OBJECT

private slots:
    void acceptingStartsUpdaterAndQuits();
};

void TestUpdaterQuit::acceptingStartsUpdaterAndQuits()
{
    FakeTool tool(QStringLiteral("printf '<updates>\\n</updates>\\n'"));
    Updates updates(nullptr, tool.path());
    ModalAnswerer answerer;
    answerer.answer(QStringLiteral("Updates"), QMessageBox::Yes);

    QEventLoop loop; // stands for the program's main loop
    QTimer::singleShot(15000, &loop, [&loop] { loop.exit(1); });
    QTimer::singleShot(0, &updates, [&updates] { updates.checkUpdates(true, true); });
    QCOMPARE(loop.exec(), 0);

    QCOMPARE(answerer.count(QStringLiteral("Updates")), 1);
    QTRY_VERIFY_WITH_TIMEOUT(tool.updaterStarted(), 5000);
    QCOMPARE(tool.calls(), QStringList({"--checkupdates", "--updater"}));
}

QTEST_MAIN(TestUpdaterQuit)
#include "tst_updaterquit.moc"
