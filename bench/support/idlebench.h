#pragma once

// Windows at rest: each window of a program shown in turn, with nothing
// happening, for a stretch, and the GUI thread's busy share meanwhile (its
// CPU time over the wall time; what other processes take does not count).
// The program runs once per desktop (laptops at 100 % and 125 %, a full-HD
// screen and a 4K one at 200 %), each run a child of the first with
// QT_FONT_DPI and TEST_SCREEN set, all at once. Goal: at most 1 % a window.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

inline double guiThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Runs the event loop for `ms` milliseconds and nothing else.
inline void idleFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// In the first run: starts a child on every desktop, passing the arguments
// on, and prints what each measured, in order. Returns the exit status.
inline int runOnEveryDesktop(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const struct {
        const char* name;
        const char* dpi;
        const char* screen;
    } desktops[] = {{"1366 x 768 at 96 dpi", "96", "1366x768"},
                    {"1366 x 768 at 120 dpi", "120", "1366x768"},
                    {"1920 x 1080 at 192 dpi", "192", "1920x1080"},
                    {"3840 x 2160 at 192 dpi", "192", "3840x2160"}};
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const auto& desktop : desktops) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_FONT_DPI"), QLatin1String(desktop.dpi));
        env.insert(QStringLiteral("TEST_SCREEN"), QLatin1String(desktop.screen));
        env.insert(QStringLiteral("BENCH_DESKTOP"), QLatin1String(desktop.name));
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        runs.push_back(std::make_unique<QProcess>());
        runs.back()->setProcessEnvironment(env);
        runs.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        runs.back()->start(QCoreApplication::applicationFilePath(), app.arguments().mid(1));
    }
    std::printf("%-24s %-24s %9s\n", "desktop", "window", "GUI busy");
    int status = 0;
    for (auto& run : runs) {
        if (!run->waitForFinished(-1) || run->exitCode() != 0)
            status = 1;
        std::fputs(run->readAllStandardOutput().constData(), stdout);
    }
    return status;
}

// In a child: shows each window in turn, lets it settle, measures the GUI
// thread over `seconds` with nothing happening, and prints the share, the
// window named by its class and `note`.
inline void measureIdle(const QList<QWidget*>& windows, double seconds, const char* note = "")
{
    const QByteArray desktop = qgetenv("BENCH_DESKTOP");
    for (QWidget* w : windows) {
        w->show();
        (void)QTest::qWaitForWindowExposed(w);
        idleFor(500);
        const double cpuBefore = guiThreadCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        idleFor(int(seconds * 1000));
        const double busy = (guiThreadCpuSeconds() - cpuBefore) / (double(wall.nsecsElapsed()) / 1e9);
        const QByteArray name = QByteArray(w->metaObject()->className()) + note;
        std::printf("%-24s %-24s %8.2f%%%s\n", desktop.constData(), name.constData(), 100 * busy,
                    busy > 0.01 ? "  over 1 %" : "");
        std::fflush(stdout);
        w->hide();
    }
}
