#include "checkupdatesthread.h"
#include "faketool.h"
#include "programinfo.h"
#include "updates.h"

#include "modalanswerer.h"
#include "postedevents.h"
#include "tempsettings.h"

#ifdef FOR_AMPERIX
#include "logcapture.h"
#endif

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSettings>
#include <QtTest>

// The update check against a fake maintenance tool: what the user is shown
// for every answer the tool can give, and how checks end.
namespace
{

const QString title = QStringLiteral("Updates");

const QString noUpdatesBody = QStringLiteral("echo 'Checking for updates...'\n"
                                             "echo 'There are currently no updates available.'");
const QString updatesBody = QStringLiteral("printf '<updates>\\n  <update name=\"app\" version=\"9.9.9\" "
                                           "size=\"1024\"/>\\n</updates>\\n'");
const QString slowBody = QStringLiteral("echo $$ >> \"$DIR/pid\"\nexec sleep 30");

const QString question =
    QStringLiteral("There are updates, would you like to upgrade (the application will be closed)?");

int childChecks(const Updates& u)
{
    return u.findChildren<CheckUpdatesThread*>(QString(), Qt::FindDirectChildrenOnly).size();
}

// Waits until every check thread has ended and deleted itself, so that any
// result it delivered has been handled.
bool settle(const Updates& u, int timeoutMs = 10000)
{
    QElapsedTimer t;
    t.start();
    while (childChecks(u) > 0) {
        if (t.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    deliverPostedEvents();
    return true;
}

QString errorText(const QString& path, const QString& reason)
{
    return QStringLiteral("Error calling maintenancetool ") + path + QStringLiteral(". ") + reason;
}

} // namespace

class TestUpdates : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void toolPathIsTheParentOfTheProgramFolder();
    void storedAutomaticUpdatesFlag();
    void disabledCheckDoesNothing();
    void missingToolIsReported_data();
    void missingToolIsReported();
    void markerDecides_data();
    void markerDecides();
    void noUpdatesIsSilentAtStartup_data();
    void noUpdatesIsSilentAtStartup();
    void skippingUpdatesStartsNothing();
    void failingUpdaterIsReported();
    void toolErrorsAreReported_data();
    void toolErrorsAreReported();
    void timeoutEndsTheTool();
    void unknownErrorCodeIsNamed();
    void finishedChecksAreDeleted();
    void closingDuringACheckEndsTheTool();
    void logLines();

private:
    ModalAnswerer* answerer = nullptr;
};

void TestUpdates::init()
{
    answerer = new ModalAnswerer(this);
}

void TestUpdates::cleanup()
{
    delete answerer;
    answerer = nullptr;
}

void TestUpdates::toolPathIsTheParentOfTheProgramFolder()
{
    QTemporaryDir install;
    QVERIFY(QDir(install.path()).mkpath(QStringLiteral("bin")));
    const QString binDir = install.filePath(QStringLiteral("bin"));
    // No tool yet: empty path.
    QCOMPARE(Updates::maintenanceToolPathFor(binDir), QString());

    const QString tool = install.filePath(Updates::maintenanceToolName());
    QFile f(tool);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QCOMPARE(Updates::maintenanceToolPathFor(binDir), QFileInfo(tool).canonicalFilePath());
    QCOMPARE(Updates::maintenanceToolPathFor(binDir + QStringLiteral("/")),
             QFileInfo(tool).canonicalFilePath());
#ifdef Q_OS_WIN
    QCOMPARE(Updates::maintenanceToolName(), QStringLiteral("maintenancetool.exe"));
#else
    QCOMPARE(Updates::maintenanceToolName(), QStringLiteral("maintenancetool"));
#endif
    // The test program has no installation around it.
    Updates updates(nullptr);
    QCOMPARE(updates.maintenanceTool(),
             Updates::maintenanceToolPathFor(QCoreApplication::applicationDirPath()));
}

void TestUpdates::storedAutomaticUpdatesFlag()
{
    TempSettings temp;
    QSettings settings(QString::fromLatin1(ProgramInfo::organisation),
                       QString::fromLatin1(ProgramInfo::settingsApplication));
    QVERIFY(Updates::automaticUpdatesEnabled(settings));
    Updates::setAutomaticUpdatesEnabled(settings, false);
    QCOMPARE(settings.value(QStringLiteral("automaticUpdatesEnabled")), QVariant(false));
    QVERIFY(!Updates::automaticUpdatesEnabled(settings));
    settings.setValue(QStringLiteral("automaticUpdatesEnabled"), true);
    QVERIFY(Updates::automaticUpdatesEnabled(settings));
}

void TestUpdates::disabledCheckDoesNothing()
{
    FakeTool tool(updatesBody);
    Updates updates(nullptr, tool.path());
    updates.checkUpdates(false);
    updates.checkUpdates(false, false);
    QCOMPARE(childChecks(updates), 0);
    deliverPostedEvents();
    QVERIFY(answerer->seen().isEmpty());
    QVERIFY(tool.calls().isEmpty());
}

void TestUpdates::missingToolIsReported_data()
{
    QTest::addColumn<bool>("atStartup");
    QTest::newRow("at start-up") << true;
    QTest::newRow("on request") << false;
}

void TestUpdates::missingToolIsReported()
{
    QFETCH(bool, atStartup);
    QTemporaryDir empty;
    Updates updates(nullptr, empty.filePath(QStringLiteral("maintenancetool")));
    QCOMPARE(updates.maintenanceTool(), QString());
    answerer->answer(title, QMessageBox::Ok);
    updates.checkUpdates(true, atStartup);
    QCOMPARE(answerer->count(title), 1);
    QCOMPARE(answerer->seen().at(0).className, QStringLiteral("QMessageBox"));
    QCOMPARE(answerer->lastText(title),
             QStringLiteral("Cannot start maintancetool , please reinstall the application with ONLINE or "
                            "OFFLINE installer from <a href='") +
                 QString::fromLatin1(ProgramInfo::installersUrl) +
                 QStringLiteral("'>Orvane repository</a> and if the issue persists contact the support."));
    QCOMPARE(childChecks(updates), 0);
}

void TestUpdates::markerDecides_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("asked");

    QTest::newRow("update list") << updatesBody << true;
    QTest::newRow("marker inside a longer text") << QStringLiteral("printf 'xx<updates>yy'") << true;
    QTest::newRow("marker and a failing exit status") << QStringLiteral("echo '<updates>'\nexit 3") << true;
    QTest::newRow("no marker") << noUpdatesBody << false;
    QTest::newRow("empty output") << QStringLiteral("true") << false;
    QTest::newRow("capitalised marker") << QStringLiteral("echo '<Updates>'") << false;
    QTest::newRow("upper-case marker") << QStringLiteral("echo '<UPDATES>'") << false;
    QTest::newRow("marker after a zero byte") << QStringLiteral("printf 'abc\\000<updates>\\n'") << false;
    QTest::newRow("no marker and a failing exit status") << QStringLiteral("echo nothing\nexit 1") << false;
}

void TestUpdates::markerDecides()
{
    QFETCH(QString, body);
    QFETCH(bool, asked);
    FakeTool tool(body);
    Updates updates(nullptr, tool.path());
    answerer->answer(title, asked ? QMessageBox::No : QMessageBox::Ok);
    updates.checkUpdates(true, false);
    QVERIFY(answerer->waitFor(title, 10000));
    QCOMPARE(answerer->lastText(title), asked ? question : QStringLiteral("No updates available."));
    QVERIFY(settle(updates));
    QCOMPARE(tool.calls(), QStringList{"--checkupdates"});
    QCOMPARE(answerer->count(title), 1);
}

void TestUpdates::noUpdatesIsSilentAtStartup_data()
{
    QTest::addColumn<QString>("body");
    QTest::newRow("no marker") << noUpdatesBody;
    QTest::newRow("empty output") << QStringLiteral("true");
}

void TestUpdates::noUpdatesIsSilentAtStartup()
{
    QFETCH(QString, body);
    FakeTool tool(body);
    Updates updates(nullptr, tool.path());
    updates.checkUpdates(true);
    QVERIFY(settle(updates));
    QCOMPARE(tool.calls(), QStringList{"--checkupdates"});
    QVERIFY(answerer->seen().isEmpty());
}

void TestUpdates::skippingUpdatesStartsNothing()
{
    FakeTool tool(updatesBody);
    Updates updates(nullptr, tool.path());
    answerer->answer(title, QMessageBox::No);
    updates.checkUpdates(true, true); // the question is asked at start-up too
    QVERIFY(answerer->waitFor(title, 10000));
    QVERIFY(settle(updates));
    QVERIFY(!tool.updaterStarted());
    QCOMPARE(tool.calls(), QStringList{"--checkupdates"});

    // Closing the question counts as No.
    answerer->clear();
    updates.checkUpdates(true, false);
    QVERIFY(answerer->waitFor(title, 10000));
    QCOMPARE(answerer->seen().at(0).answer, QStringLiteral("close"));
    QVERIFY(settle(updates));
    QVERIFY(!tool.updaterStarted());
}

void TestUpdates::failingUpdaterIsReported()
{
    // The tool answers, then can no longer be started for the update.
    FakeTool tool(updatesBody + QStringLiteral("\nchmod a-x \"$0\""));
    Updates updates(nullptr, tool.path());
    answerer->answer(title, QMessageBox::Yes);
    answerer->answer(title, QMessageBox::Ok);
    updates.checkUpdates(true, false);
    QTRY_COMPARE_WITH_TIMEOUT(answerer->count(title), 2, 10000);
    QCOMPARE(answerer->seen().at(0).text, question);
    QCOMPARE(
        answerer->seen().at(1).text,
        QStringLiteral("The maintancetool is installed properly but an error occurs, check if you have "
                       "access permission and if <a href='") +
            QString::fromLatin1(ProgramInfo::updateRepositoryUrl) +
            QStringLiteral("'>Orvane repository</a> is reachable (i.e. firewall or proxy is blocking it) "
                           "and try again later; if the issue persists contact the support."));
    QVERIFY(!tool.updaterStarted());
}

void TestUpdates::toolErrorsAreReported_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<bool>("atStartup");
    QTest::addColumn<QString>("reason");

    const QString failed =
        QStringLiteral(" The process failed to start. Either the invoked program is missing, or "
                       "you may have insufficient permissions to invoke the program.");
    const QString crashed = QStringLiteral(" The process crashed some time after starting successfully.");
    QTest::newRow("not executable") << noUpdatesBody << false << false << failed;
    QTest::newRow("not executable, at start-up") << noUpdatesBody << false << true << failed;
    QTest::newRow("crash") << QStringLiteral("echo '<updates>'\nkill -KILL $$") << true << false << crashed;
    QTest::newRow("crash, at start-up") << QStringLiteral("kill -SEGV $$") << true << true << crashed;
}

void TestUpdates::toolErrorsAreReported()
{
    QFETCH(QString, body);
    QFETCH(bool, executable);
    QFETCH(bool, atStartup);
    QFETCH(QString, reason);

    FakeTool tool(body);
    if (!executable)
        QFile::setPermissions(tool.path(), QFile::ReadOwner | QFile::WriteOwner);
    Updates updates(nullptr, tool.path());
    answerer->answer(title, QMessageBox::Ok);
    updates.checkUpdates(true, atStartup);
    QVERIFY(answerer->waitFor(title, 10000));
    QCOMPARE(answerer->lastText(title), errorText(tool.canonicalPath(), reason));
    QVERIFY(settle(updates));
    QCOMPARE(answerer->count(title), 1);
}

void TestUpdates::timeoutEndsTheTool()
{
    // Long enough for the tool to have written its pid before it is ended.
    constexpr int timeoutMs = 5000;
    FakeTool tool(slowBody);
    Updates updates(nullptr, tool.path());
    updates.setCheckTimeout(timeoutMs);
    QCOMPARE(updates.checkTimeout(), timeoutMs);
    answerer->answer(title, QMessageBox::Ok);
    QElapsedTimer clock;
    clock.start();
    updates.checkUpdates(true, true);
    // Ended by its own time-out, well before the default one would end it.
    QVERIFY(answerer->waitFor(title, CheckUpdatesThread::defaultTimeoutMs * 2 / 3));
    // Not before the time-out (a coarse timer may fire a little early).
    QVERIFY2(clock.elapsed() >= timeoutMs * 9 / 10, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(answerer->lastText(title), errorText(tool.canonicalPath(), QStringLiteral(" Timeout.")));
    QVERIFY(answerer->lastText(title).endsWith(QStringLiteral(".  Timeout.")));
    QVERIFY(settle(updates));
    const QList<qint64> pids = tool.pids();
    QCOMPARE(pids.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!FakeTool::processExists(pids.at(0)), 10000);
}

void TestUpdates::unknownErrorCodeIsNamed()
{
    FakeTool tool(noUpdatesBody);
    Updates updates(nullptr, tool.path());
    answerer->answer(title, QMessageBox::Ok, true);
    updates.checkResult(3, QByteArray(), true);
    QCOMPARE(
        answerer->lastText(title),
        errorText(tool.canonicalPath(), QStringLiteral(" An error occurred when attempting to read from the "
                                                       "process. For example, the process may not be "
                                                       "running.")));
    updates.checkResult(4, QByteArray(), false);
    QCOMPARE(answerer->lastText(title),
             errorText(tool.canonicalPath(),
                       QStringLiteral(
                           " An error occurred when attempting to write to the process. For example, the "
                           "process may not be running, or it may have closed its input channel.")));
    updates.checkResult(17, QByteArray("<updates>"), false);
    QCOMPARE(answerer->lastText(title),
             errorText(tool.canonicalPath(), QStringLiteral(" Unknown error, code error 17")));
    QCOMPARE(answerer->count(title), 3);
}

void TestUpdates::finishedChecksAreDeleted()
{
    FakeTool tool(noUpdatesBody);
    Updates updates(nullptr, tool.path());
    answerer->answer(title, QMessageBox::Ok, true);
    for (int i = 0; i < 3; ++i) {
        updates.checkUpdates(true, false);
        QVERIFY(answerer->waitFor(title, 10000));
        answerer->clear();
    }
    QVERIFY(settle(updates));
    QCOMPARE(childChecks(updates), 0);
    QCOMPARE(updates.runningChecks(), 0);
    QCOMPARE(tool.calls().size(), 3);
}

void TestUpdates::closingDuringACheckEndsTheTool()
{
    FakeTool tool(slowBody);
    auto* updates = new Updates(nullptr, tool.path());
    // Two checks at once are allowed; both must be ended.
    updates->checkUpdates(true, false);
    updates->checkUpdates(true, true);
    QCOMPARE(updates->runningChecks(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(tool.pids().size(), 2, 20000);

    QElapsedTimer t;
    t.start();
    delete updates; // must neither crash nor wait for the tool's 30 s
    QVERIFY2(t.elapsed() < 20000, qPrintable(QString::number(t.elapsed())));
    for (qint64 pid : tool.pids())
        QTRY_VERIFY_WITH_TIMEOUT(!FakeTool::processExists(pid), 10000);
    deliverPostedEvents();
    QVERIFY(answerer->seen().isEmpty());
}

void TestUpdates::logLines()
{
#ifdef FOR_AMPERIX
    LogCapture log(updatesLogger);
    {
        QTemporaryDir empty;
        Updates updates(nullptr, empty.filePath(QStringLiteral("maintenancetool")));
        updates.checkUpdates(false, true);
        answerer->answer(title, QMessageBox::Ok);
        updates.checkUpdates(true, false);
    }
    const QStringList lines = log.lines();
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.at(0), QStringLiteral("info|Updates created"));
    QCOMPARE(lines.at(1), QStringLiteral("debug|m_maintenancetool path = "));
    QCOMPARE(lines.at(2), QStringLiteral("trace|checkUpdates called, isAutomaticUpdatesEnabled = false, "
                                         "isAtStartup = true"));
    QCOMPARE(lines.at(3), QStringLiteral("trace|checkUpdates called, isAutomaticUpdatesEnabled = true, "
                                         "isAtStartup = false"));
    QVERIFY(lines.at(4).startsWith(QStringLiteral("error|Cannot start maintancetool , please reinstall")));
    QCOMPARE(lines.at(5), QStringLiteral("info|Updates destroyed"));

    LogCapture log2(updatesLogger);
    {
        FakeTool tool(QStringLiteral("printf '{}'"));
        Updates updates(nullptr, tool.path());
        answerer->answer(title, QMessageBox::Ok);
        updates.checkUpdates(true, false);
        QVERIFY(answerer->waitFor(title, 10000));
        QVERIFY(settle(updates));
    }
    const QStringList run = log2.lines();
    QVERIFY(run.contains(QStringLiteral("info|CheckUpdatesThread created")));
    QVERIFY(run.contains(QStringLiteral("trace|run called")));
    // The tool's output is logged as data, never used as a format.
    QVERIFY(run.contains(QStringLiteral("trace|checkResult, error = 5, data = {}, isAtStartup = false")));
    QVERIFY(run.contains(QStringLiteral("debug|No updates available")));
    QVERIFY(run.contains(QStringLiteral("info|CheckUpdatesThread destroyed")));
#else
    QSKIP("the SENTREL Viewer build has no logging (checked at link time)");
#endif
}

QTEST_MAIN(TestUpdates)
#include "tst_updates.moc"
