#include "loggers.h"

#include "logerror.h"
#include "queuesink.h"
#include "rotatingfilesink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdlib>
#include <mutex>

QString logFileName = QStringLiteral("Amperix.log");

namespace
{
// Every handle owns one queue sink for its whole life: initLoggers() only
// starts the sinks' writers and shutdownLoggers() stops them, so a handle (or a
// copy a component keeps) is valid and thread-safe at any time.
LoggerHandle makeLogger(const char* name)
{
    auto logger = std::make_shared<spdlog::logger>(name, std::make_shared<QueueSink>(name));
    logger->set_level(spdlog::level::info);
    const std::string loggerName(name);
    logger->set_error_handler(
        [loggerName](const std::string& what) { reportLogError(loggerName + ": " + what); });
    return logger;
}
} // namespace

LoggerHandle sysInfoLogger = makeLogger("SysInfo");
LoggerHandle mainWindowLogger = makeLogger("MainWindow");
LoggerHandle aboutDialogLogger = makeLogger("AboutDialog");
LoggerHandle changeLogLogger = makeLogger("ChangeLog");
LoggerHandle configurationDialogLogger = makeLogger("ConfigurationDialog");
LoggerHandle epicsDialogLogger = makeLogger("EPICSDialog");
LoggerHandle errorCodesLogger = makeLogger("ErrorCodes");
LoggerHandle faultDialogLogger = makeLogger("FaultDialog");
LoggerHandle firmwareUpdateDialogLogger = makeLogger("FirmwareUpdateDialog");
LoggerHandle pidConfigLogger = makeLogger("PIDConfig");
LoggerHandle pidDialogLogger = makeLogger("PIDDialog");
LoggerHandle psCommLogger = makeLogger("PsComm");
LoggerHandle psDataLogger = makeLogger("PsData");
LoggerHandle psThreadLogger = makeLogger("PsThread");
LoggerHandle setIpDialogLogger = makeLogger("SetIPDialog");
LoggerHandle setupDialogLogger = makeLogger("SetupDialog");
LoggerHandle signalGeneratorLogger = makeLogger("SignalGenerator");
LoggerHandle updatesLogger = makeLogger("Updates");
LoggerHandle consoleDialogLogger = makeLogger("ConsoleDialog");
LoggerHandle consoleLogger = makeLogger("Console");
LoggerHandle tcpSocketManagerLogger = makeLogger("TcpSocketManager");

QList<LoggerHandle> loggerList = {
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

namespace
{
std::mutex setupMutex;
std::shared_ptr<RotatingFileSink> logFileSink;
QString openPath;
bool exitHookInstalled = false;

std::shared_ptr<QueueSink> queueOf(const LoggerHandle& logger)
{
    if (!logger || logger->sinks().empty())
        return nullptr;
    return std::dynamic_pointer_cast<QueueSink>(logger->sinks().front());
}

std::shared_ptr<RotatingFileSink> openIn(const QString& folder, qint64 maxFileSize)
{
    if (folder.isEmpty())
        return nullptr;
    const QFileInfo dir(folder);
    if (!dir.isDir() || !dir.isWritable()) {
        reportLogError("cannot write the log into " + QDir::toNativeSeparators(folder).toStdString());
        return nullptr;
    }
    auto sink = std::make_shared<RotatingFileSink>(QDir::cleanPath(folder + QLatin1Char('/') + logFileName),
                                                   maxFileSize, logRotatedFiles);
    if (!sink->isOpen())
        return nullptr;
    return sink;
}

// An installed program usually may not write beside itself: the per-user data
// folder is the place a user (or support) looks next.
std::shared_ptr<RotatingFileSink> openFallback(qint64 maxFileSize)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        reportLogError("cannot create the folder for the log " +
                       QDir::toNativeSeparators(folder).toStdString());
        return nullptr;
    }
    return openIn(folder, maxFileSize);
}

void stopAllLocked()
{
    for (const LoggerHandle& logger : qAsConst(loggerList)) {
        if (auto queue = queueOf(logger))
            queue->stop();
    }
    if (logFileSink)
        logFileSink->flush();
    logFileSink.reset();
    openPath.clear();
}

void shutdownAtExit()
{
    shutdownLoggers();
}
} // namespace

bool initLoggersIn(const QString& folder, unsigned queueSize, std::chrono::milliseconds flushInterval,
                   qint64 maxFileSize)
{
    try {
        std::lock_guard<std::mutex> lock(setupMutex);
        stopAllLocked();

        std::shared_ptr<RotatingFileSink> sink = openIn(folder, maxFileSize);
        if (!sink) {
            sink = openFallback(maxFileSize);
            if (sink)
                reportLogError("writing the log to " +
                               QDir::toNativeSeparators(sink->fileName()).toStdString());
            else
                reportLogError("running without a log file");
        }
        if (!sink)
            return false;

        logFileSink = sink;
        openPath = sink->fileName();
        for (const LoggerHandle& logger : qAsConst(loggerList)) {
            if (auto queue = queueOf(logger))
                queue->start(logFileSink, queueSize, flushInterval);
        }
        if (!exitHookInstalled)
            exitHookInstalled = std::atexit(shutdownAtExit) == 0;
        return true;
    } catch (const std::exception& e) {
        reportLogError(std::string("cannot set up logging: ") + e.what());
    } catch (...) {
        reportLogError("cannot set up logging");
    }
    return false;
}

void initLoggers(unsigned queueSize, std::chrono::milliseconds flushInterval)
{
    // Without an application object there is no program folder to put the log
    // in; the fallback folder takes it then.
    const QString folder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    initLoggersIn(folder, queueSize, flushInterval);
}

void shutdownLoggers()
{
    try {
        std::lock_guard<std::mutex> lock(setupMutex);
        stopAllLocked();
    } catch (...) {
        reportLogError("cannot shut logging down cleanly");
    }
}

void setGlobalLogLevel(int level)
{
    if (level < spdlog::level::trace || level > spdlog::level::critical)
        return;
    for (const LoggerHandle& logger : qAsConst(loggerList))
        logger->set_level(static_cast<spdlog::level::level_enum>(level));
}

QString logFilePath()
{
    std::lock_guard<std::mutex> lock(setupMutex);
    return openPath;
}

void flushAllLoggers()
{
    for (const LoggerHandle& logger : qAsConst(loggerList))
        logger->flush();
}
