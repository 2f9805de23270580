// Resident memory and throughput of Amperix's logging: 21 loggers with
// 8192-message queues and one writer thread each, set up as the program does
// (initLoggers(8192, 10 ms)) but with the file in a temporary folder.

#include "benchsupport.h"
#include "loggers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <thread>

namespace
{
long rssKb()
{
    return procStatus("VmRSS");
}

int threadCount()
{
    return int(procStatus("Threads"));
}

void report(const char* what, long kb, long baseKb)
{
    std::printf("%-36s VmRSS %6ld kB (logging %+6.2f MB)  RssAnon %6ld kB  threads %d\n", what, kb,
                (kb - baseKb) / 1024.0, procStatus("RssAnon"), threadCount());
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }

    // Warm up what any Qt program has loaded anyway (file engine, string
    // conversions), so the numbers below are logging's own.
    {
        QFile warm(dir.filePath(QStringLiteral("warm-up")));
        warm.open(QIODevice::WriteOnly);
        warm.write(QStringLiteral("warm").toUtf8());
    }

    const long before = rssKb();
    report("before initLoggers", before, before);

    if (!initLoggersIn(dir.path(), 8192, std::chrono::milliseconds(10))) {
        std::fprintf(stderr, "no log file could be opened\n");
        return 1;
    }
    report("after initLoggers(8192, 10 ms)", rssKb(), before);

    sysInfoLogger->info("Started logging with DEFAULT log level");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long idle = rssKb();
    report("idle for 1 s after one line", idle, before);

    constexpr int lines = 100000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < lines; ++i) {
        const LoggerHandle& logger = loggerList.at(i % loggerList.size());
        logger->info("Line {} of the memory benchmark, value = {}", i, 3.14159 * i);
    }
    const qint64 callNs = timer.nsecsElapsed();
    flushAllLoggers();
    const qint64 totalNs = timer.nsecsElapsed();
    report("after 100k lines over 21 loggers", rssKb(), before);

    timer.restart();
    for (int i = 0; i < lines; ++i)
        psThreadLogger->info("Line {} on one logger, value = {}", i, 2.71828 * i);
    const qint64 oneCallNs = timer.nsecsElapsed();
    flushAllLoggers();
    const qint64 oneTotalNs = timer.nsecsElapsed();
    report("after 100k lines on one logger", rssKb(), before);

    std::this_thread::sleep_for(std::chrono::seconds(1));
    report("idle again for 1 s", rssKb(), before);

    timer.restart();
    for (int i = 0; i < lines; ++i)
        psThreadLogger->trace("below the level {}", i);
    const qint64 filteredNs = timer.nsecsElapsed();

    std::printf("\n21 loggers: %.0f ns per call, %.0f ns per line written (queued + flushed)\n",
                double(callNs) / lines, double(totalNs) / lines);
    std::printf("one logger: %.0f ns per call, %.0f ns per line written (queued + flushed)\n",
                double(oneCallNs) / lines, double(oneTotalNs) / lines);
    std::printf("line below the level: %.1f ns per call\n", double(filteredNs) / lines);
    std::printf("peak VmHWM %ld kB\n", procStatus("VmHWM"));
    const double idleMb = (idle - before) / 1024.0;
    std::printf("idle logging costs %.2f MB resident (goal at most 10 MB): %s\n", idleMb,
                idleMb <= 10.0 ? "met" : "NOT MET");

    shutdownLoggers();
    report("after shutdownLoggers", rssKb(), before);
    return 0;
}
