// Amperix's 21 component loggers as the program uses them: set-up, levels,
// line layout, where the file goes, and nothing lost on a full queue or at exit.

#include "loggers.h"
#include "logtestutil.h"
#include "tempsettings.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>
#include <vector>

namespace
{
const auto interval = std::chrono::milliseconds(10);

const QStringList tableNames = {
    "SysInfo",
    "MainWindow",
    "AboutDialog",
    "ChangeLog",
    "ConfigurationDialog",
    "EPICSDialog",
    "ErrorCodes",
    "FaultDialog",
    "FirmwareUpdateDialog",
    "PIDConfig",
    "PIDDialog",
    "PsComm",
    "PsData",
    "PsThread",
    "SetIPDialog",
    "SetupDialog",
    "SignalGenerator",
    "Updates",
    "ConsoleDialog",
    "Console",
    "TcpSocketManager",
};

const char* const levelWords[] = {"trace", "debug", "info", "warning", "error", "critical"};

QString logIn(const QTemporaryDir& dir)
{
    return dir.filePath(QStringLiteral("Amperix.log"));
}
} // namespace

class LoggersTest : public QObject
{
    Q_OBJECT

private slots:
    // Runs first: nothing has set logging up yet.
    void loggingBeforeInitIsHarmless();

    void init();
    void cleanup();

    void handlesAreTheTableInOrder();
    void lineLayout_data();
    void lineLayout();
    void messageWithLineBreaksIsWrittenUnchanged();
    void qstringAndQByteArrayFormatAsUtf8();
    void textThroughPlaceholderIsNeverAFormat();
    void globalLevelSetsEveryLogger_data();
    void globalLevelSetsEveryLogger();
    void levelOutsideTheRangeIsIgnored();
    void dropAllLeavesTheLoggersWorking();
    void rotatesThroughTheLoggers();
    void fileLeftByEarlierRunRotatesAtTheRealSize();
    void fullQueuesLoseNothing();
    void fallsBackWhenTheFolderCannotBeWritten_data();
    void fallsBackWhenTheFolderCannotBeWritten();
    void runsWithoutFileWhenTheFallbackFailsToo();
    void shutdownWritesEverythingAndLaterLinesAreHarmless();
    void exitWritesWhatIsStillQueued_data();
    void exitWritesWhatIsStillQueued();

private:
    std::unique_ptr<QTemporaryDir> dir;
};

void LoggersTest::loggingBeforeInitIsHarmless()
{
    QVERIFY(logFilePath().isEmpty());
    QCOMPARE(loggerList.size(), 21);
    for (const LoggerHandle& logger : qAsConst(loggerList)) {
        QVERIFY(logger);
        QCOMPARE(logger->level(), spdlog::level::info);
        logger->info("before set-up {}", QStringLiteral("text"));
        logger->critical("before set-up");
    }
    flushAllLoggers();
    shutdownLoggers();
    QVERIFY(logFilePath().isEmpty());
}

void LoggersTest::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void LoggersTest::cleanup()
{
    shutdownLoggers();
    setGlobalLogLevel(2);
}

void LoggersTest::handlesAreTheTableInOrder()
{
    const QList<LoggerHandle> handles = {
        sysInfoLogger,
        mainWindowLogger,
        aboutDialogLogger,
        changeLogLogger,
        configurationDialogLogger,
        epicsDialogLogger,
        errorCodesLogger,
        faultDialogLogger,
        firmwareUpdateDialogLogger,
        pidConfigLogger,
        pidDialogLogger,
        psCommLogger,
        psDataLogger,
        psThreadLogger,
        setIpDialogLogger,
        setupDialogLogger,
        signalGeneratorLogger,
        updatesLogger,
        consoleDialogLogger,
        consoleLogger,
        tcpSocketManagerLogger,
    };
    QCOMPARE(loggerList, handles);
    QStringList names;
    for (const LoggerHandle& logger : qAsConst(loggerList))
        names << QString::fromStdString(logger->name());
    QCOMPARE(names, tableNames);
}

void LoggersTest::lineLayout_data()
{
    QTest::addColumn<int>("level");
    for (int level = 0; level <= 5; ++level)
        QTest::newRow(levelWords[level]) << level;
}

void LoggersTest::lineLayout()
{
    QFETCH(int, level);
    QVERIFY(initLoggersIn(dir->path(), 8192, interval));
    setGlobalLogLevel(0);
    psThreadLogger->log(static_cast<spdlog::level::level_enum>(level), "set_current called, value = {}", 1.5);
    flushAllLoggers();

    const QList<QByteArray> lines = linesOf(logIn(*dir));
    QCOMPARE(lines.size(), 1);
    const QRegularExpression layout(
        QStringLiteral(
            "^\\[(\\d{4})-(\\d\\d)-(\\d\\d) (\\d\\d):(\\d\\d):(\\d\\d)\\.(\\d{3})\\] \\[PsThread\\] "
            "\\[%1\\] set_current called, value = 1.5$")
            .arg(QLatin1String(levelWords[level])));
    const QRegularExpressionMatch m = layout.match(QString::fromUtf8(lines.first()));
    QVERIFY2(m.hasMatch(), lines.first().constData());
    // Local time of the call, to the second (the minute may just have turned).
    const QDateTime stamp(QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
                          QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()));
    QVERIFY(qAbs(stamp.secsTo(QDateTime::currentDateTime())) <= 60);
}

void LoggersTest::messageWithLineBreaksIsWrittenUnchanged()
{
    QVERIFY(initLoggersIn(dir->path(), 8192, interval));
    const std::string separator = "\n\r\n\r" + std::string(61, '#');
    sysInfoLogger->info(separator);
    sysInfoLogger->info("Started logging with DEFAULT log level");
    sysInfoLogger->flush();

    const QByteArray text = readAll(logIn(*dir));
    QVERIFY(text.contains("[SysInfo] [info] \n\r\n\r" + QByteArray(61, '#') + '\n'));
    QVERIFY(text.contains("[SysInfo] [info] Started logging with DEFAULT log level\n"));
}

void LoggersTest::qstringAndQByteArrayFormatAsUtf8()
{
    QVERIFY(initLoggersIn(dir->path(), 8192, interval));
    const QString text = QStringLiteral("Gr\u00fc\u00dfe, 5 \u00b5A, 3 \u03a9");
    consoleLogger->info("received {} and {}", text, QByteArray("MPLST"));
    consoleLogger->flush();
    QVERIFY(readAll(logIn(*dir)).contains("[Console] [info] received " + text.toUtf8() + " and MPLST\n"));
}

void LoggersTest::textThroughPlaceholderIsNeverAFormat()
{
    QVERIFY(initLoggersIn(dir->path(), 8192, interval));
    const QString reply = QStringLiteral("#NAK:{} {:>9} {0} {");
    psThreadLogger->info("{}", reply);
    psThreadLogger->flush();
    QVERIFY(readAll(logIn(*dir)).contains("[PsThread] [info] #NAK:{} {:>9} {0} {\n"));
}

void LoggersTest::globalLevelSetsEveryLogger_data()
{
    QTest::addColumn<int>("level");
    for (int level = 0; level <= 5; ++level)
        QTest::newRow(levelWords[level]) << level;
}

void LoggersTest::globalLevelSetsEveryLogger()
{
    QFETCH(int, level);
    QVERIFY(initLoggersIn(dir->path(), 8192, interval));
    setGlobalLogLevel(level);
    for (const LoggerHandle& logger : qAsConst(loggerList)) {
        QCOMPARE(int(logger->level()), level);
        for (int l = 0; l <= 5; ++l)
            logger->log(static_cast<spdlog::level::level_enum>(l), "{} at {}", logger->name(), l);
    }
    flushAllLoggers();

    const QByteArray text = readAll(logIn(*dir));
    for (const QString& name : tableNames) {
        for (int l = 0; l <= 5; ++l) {
            const QByteArray line =
                QStringLiteral("[%1] [%2] %1 at %3\n").arg(name).arg(levelWords[l]).arg(l).toUtf8();
            QVERIFY2(text.contains(line) == (l >= level), line.constData());
        }
    }
    QCOMPARE(linesOf(logIn(*dir)).size(), 21 * (6 - level));
}

void LoggersTest::levelOutsideTheRangeIsIgnored()
{
    setGlobalLogLevel(3);
    setGlobalLogLevel(6);
    setGlobalLogLevel(-1);
    for (const LoggerHandle& logger : qAsConst(loggerList))
        QCOMPARE(logger->level(), spdlog::level::warn);
}

void LoggersTest::dropAllLeavesTheLoggersWorking()
{
    QVERIFY(initLoggersIn(dir->path(), 8192, interval));
    spdlog::drop_all();
    mainWindowLogger->info("MainWindow destroyed");
    mainWindowLogger->flush();
    QVERIFY(readAll(logIn(*dir)).contains("[MainWindow] [info] MainWindow destroyed\n"));
}

void LoggersTest::rotatesThroughTheLoggers()
{
    constexpr qint64 maxSize = 4000;
    QVERIFY(initLoggersIn(dir->path(), 8192, interval, maxSize));
    for (int i = 0; i < 2000; ++i)
        loggerList.at(i % loggerList.size())->info("rotation line {}", i);
    flushAllLoggers();
    psCommLogger->info("rotation done");
    psCommLogger->flush();

    const QStringList files = QDir(dir->path()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files, QStringList(
                        {"Amperix.log", "Amperix.log.1", "Amperix.log.2", "Amperix.log.3", "Amperix.log.4"}));
    for (const QString& f : files)
        QVERIFY(QFileInfo(dir->filePath(f)).size() <= maxSize);
    QVERIFY(readAll(logIn(*dir)).endsWith("[PsComm] [info] rotation done\n"));
}

void LoggersTest::fileLeftByEarlierRunRotatesAtTheRealSize()
{
    const qint64 existing = logMaxFileSize - 10;
    {
        QFile old(logIn(*dir));
        QVERIFY(old.open(QIODevice::WriteOnly));
        QVERIFY(old.resize(existing));
    }
    QVERIFY(initLoggersIn(dir->path(), 8192, interval));
    mainWindowLogger->info("first line of this run");
    flushAllLoggers();

    QCOMPARE(QFileInfo(logIn(*dir) + QStringLiteral(".1")).size(), existing);
    QCOMPARE(linesOf(logIn(*dir)).size(), 1);
}

void LoggersTest::fullQueuesLoseNothing()
{
    // Queues of two messages fill at once, so nearly every call waits for room.
    QVERIFY(initLoggersIn(dir->path(), 2, interval));
    constexpr int callers = 6;
    constexpr int perCaller = 4000;
    std::vector<std::thread> threads;
    for (int t = 0; t < callers; ++t) {
        // Two callers share each logger.
        const LoggerHandle logger = loggerList.at(t / 2);
        threads.emplace_back([logger, t] {
            for (int i = 0; i < perCaller; ++i)
                logger->info("caller {} line {}", t, i);
        });
    }
    for (auto& th : threads)
        th.join();
    flushAllLoggers();

    const QList<QByteArray> lines = linesOf(logIn(*dir));
    QCOMPARE(lines.size(), callers * perCaller);
    int next[callers] = {};
    const QRegularExpression re(QStringLiteral("caller (\\d) line (\\d+)$"));
    for (const QByteArray& line : lines) {
        const QRegularExpressionMatch m = re.match(QString::fromUtf8(line));
        QVERIFY(m.hasMatch());
        const int t = m.captured(1).toInt();
        QCOMPARE(m.captured(2).toInt(), next[t]);
        ++next[t];
    }
}

void LoggersTest::fallsBackWhenTheFolderCannotBeWritten_data()
{
    QTest::addColumn<QString>("setup");
    QTest::newRow("a folder stands where the log file should be") << "folder-at-file";
    QTest::newRow("the program folder is a regular file") << "folder-is-file";
    QTest::newRow("the program folder is missing") << "folder-missing";
}

void LoggersTest::fallsBackWhenTheFolderCannotBeWritten()
{
    QFETCH(QString, setup);
    TempSettings settings;
    QString folder = dir->path();
    if (setup == QLatin1String("folder-at-file")) {
        QVERIFY(QDir().mkpath(logIn(*dir)));
    } else if (setup == QLatin1String("folder-is-file")) {
        folder = dir->filePath(QStringLiteral("program"));
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else {
        folder = dir->filePath(QStringLiteral("gone"));
    }

    const QString fallback =
        QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
                        QStringLiteral("/Amperix.log"));
    QVERIFY(fallback.startsWith(settings.path()));
    QVERIFY(initLoggersIn(folder, 8192, interval));
    QCOMPARE(logFilePath(), fallback);

    errorCodesLogger->error("written to the fallback");
    errorCodesLogger->flush();
    QVERIFY(readAll(fallback).contains("[ErrorCodes] [error] written to the fallback\n"));
    QCOMPARE(QFileInfo(logIn(*dir)).isFile(), false);
}

void LoggersTest::runsWithoutFileWhenTheFallbackFailsToo()
{
    const QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
    const QString blocker = dir->filePath(QStringLiteral("not-a-folder"));
    {
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    qputenv("XDG_DATA_HOME", blocker.toLocal8Bit());
    QVERIFY(QDir().mkpath(logIn(*dir)));

    const bool opened = initLoggersIn(dir->path(), 8192, interval);
    if (oldDataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldDataHome);

    QVERIFY(!opened);
    QVERIFY(logFilePath().isEmpty());
    for (const LoggerHandle& logger : qAsConst(loggerList))
        logger->critical("nowhere to go");
    flushAllLoggers();
    QCOMPARE(readAll(blocker), QByteArray());
}

void LoggersTest::shutdownWritesEverythingAndLaterLinesAreHarmless()
{
    QVERIFY(initLoggersIn(dir->path(), 8192, interval));
    QCOMPARE(logFilePath(), logIn(*dir));
    constexpr int lines = 20000;
    for (int i = 0; i < lines; ++i)
        loggerList.at(i % loggerList.size())->info("queued line {}", i);
    shutdownLoggers();

    QCOMPARE(linesOf(logIn(*dir)).size(), lines);
    QVERIFY(logFilePath().isEmpty());

    psThreadLogger->error("after shutdown");
    flushAllLoggers();
    shutdownLoggers();
    QCOMPARE(linesOf(logIn(*dir)).size(), lines);
}

void LoggersTest::exitWritesWhatIsStillQueued_data()
{
    QTest::addColumn<int>("capacity");
    QTest::newRow("queues of 8192") << 8192;
    QTest::newRow("queues of 1") << 1;
}

void LoggersTest::exitWritesWhatIsStillQueued()
{
    QFETCH(int, capacity);
    constexpr int lines = 30000;
    QProcess helper;
    helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    helper.start(QCoreApplication::applicationDirPath() + QStringLiteral("/logging_exit_helper"),
                 {dir->path(), QString::number(capacity), QString::number(lines)});
    QVERIFY(helper.waitForFinished(60000));
    QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
    QCOMPARE(helper.exitCode(), 0);
    QCOMPARE(countOf(logIn(*dir), "] exit line "), lines);
    QVERIFY(readAll(logIn(*dir)).contains("] exit line " + QByteArray::number(lines - 1) + '\n'));
}

QTEST_GUILESS_MAIN(LoggersTest)
#include "tst_loggers.moc"
