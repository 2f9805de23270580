#pragma once

// Amperix's component loggers: 21 named asynchronous loggers writing to one
// size-rotated file. Components log through the global handles below; until
// initLoggers() has run every handle is a silent logger, so code (and tests)
// may log at any time without setting anything up.
//
// The first argument of a log call is a format text: never pass text that comes
// from the supply, a file or the user there (a "{" in it would garble or drop
// the line). Write it through a placeholder instead:
//     psThreadLogger->info("{}", reply);
//
// The handles are global objects: do not log from constructors or destructors
// of other global objects, which may run before these exist or after they are
// gone.

#include <QList>
#include <QString>

#include <chrono>
#include <memory>

#include <fmt/format.h>
#include <spdlog/spdlog.h>

// QString arguments format as UTF-8 text.
template <> struct fmt::formatter<QString> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext>
    auto format(const QString& s, FormatContext& ctx) const -> decltype(ctx.out())
    {
        const QByteArray utf8 = s.toUtf8();
        return fmt::formatter<fmt::string_view>::format(
            fmt::string_view(utf8.constData(), size_t(utf8.size())), ctx);
    }
};

template <> struct fmt::formatter<QByteArray> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext>
    auto format(const QByteArray& s, FormatContext& ctx) const -> decltype(ctx.out())
    {
        return fmt::formatter<fmt::string_view>::format(fmt::string_view(s.constData(), size_t(s.size())),
                                                        ctx);
    }
};

using LoggerHandle = std::shared_ptr<spdlog::logger>;

extern QString logFileName; // "Amperix.log"

extern LoggerHandle sysInfoLogger;
extern LoggerHandle mainWindowLogger;
extern LoggerHandle aboutDialogLogger;
extern LoggerHandle changeLogLogger;
extern LoggerHandle configurationDialogLogger;
extern LoggerHandle epicsDialogLogger;
extern LoggerHandle errorCodesLogger;
extern LoggerHandle faultDialogLogger;
extern LoggerHandle firmwareUpdateDialogLogger;
extern LoggerHandle pidConfigLogger;
extern LoggerHandle pidDialogLogger;
extern LoggerHandle psCommLogger;
extern LoggerHandle psDataLogger;
extern LoggerHandle psThreadLogger;
extern LoggerHandle setIpDialogLogger;
extern LoggerHandle setupDialogLogger;
extern LoggerHandle signalGeneratorLogger;
extern LoggerHandle updatesLogger;
extern LoggerHandle consoleDialogLogger;
extern LoggerHandle consoleLogger;
extern LoggerHandle tcpSocketManagerLogger;

// The 21 handles in creation order; setGlobalLogLevel walks this list.
extern QList<LoggerHandle> loggerList;

// Builds the file sink and the 21 loggers. The file goes beside the program;
// when that folder cannot be written it goes to the per-user data folder, and
// when that fails too the loggers run without a file. Never throws.
void initLoggers(unsigned queueSize, std::chrono::milliseconds flushInterval);

// Sets level 0 (trace) .. 5 (critical) on every logger of loggerList.
void setGlobalLogLevel(int level);

// Path of the log file in use, empty when logging runs without a file.
QString logFilePath();

// Writes out everything queued on every logger (tests and shutdown use it).
void flushAllLoggers();

// The log file is rotated when a line would take it past this many bytes;
// this many older files are kept beside it ("Amperix.log.1" newest).
constexpr qint64 logMaxFileSize = 4194304;
constexpr int logRotatedFiles = 4;

// As initLoggers(), with the log file in `folder` instead of beside the program
// and rotation at `maxFileSize` bytes (tests use it). Falls back like
// initLoggers(). Returns true when a log file is open. Calling it again replaces
// the previous set-up; do so only while no other thread logs.
bool initLoggersIn(const QString& folder, unsigned queueSize, std::chrono::milliseconds flushInterval,
                   qint64 maxFileSize = logMaxFileSize);

// Writes out everything queued, ends the writer threads and closes the file.
// It runs by itself when the process exits after initLoggers(); lines logged
// after it are discarded, harmlessly.
void shutdownLoggers();
