#include "startup.h"

#include "commandline.h"
#include "desktopscaling.h"
#include "loggers.h"
#include "mainwindow.h"
#include "stopsignals.h"

#include <QApplication>
#include <QSysInfo>

#include <chrono>

namespace
{
void writeSystemInformation()
{
    sysInfoLogger->info("{}", QByteArray("\n\r\n\r") + QByteArray(61, '#'));
    sysInfoLogger->info("Started logging with DEFAULT log level");
    sysInfoLogger->info("buildAbi = {}", QSysInfo::buildAbi());
    sysInfoLogger->info("buildCpuArchitecture = {}", QSysInfo::buildCpuArchitecture());
    sysInfoLogger->info("currentCpuArchitecture = {}", QSysInfo::currentCpuArchitecture());
    sysInfoLogger->info("kernelType = {}", QSysInfo::kernelType());
    sysInfoLogger->info("kernelVersion = {}", QSysInfo::kernelVersion());
    sysInfoLogger->info("machineHostName = {}", QSysInfo::machineHostName());
    sysInfoLogger->info("prettyProductName = {}", QSysInfo::prettyProductName());
    sysInfoLogger->info("Working directory = {}", QCoreApplication::applicationDirPath());
    sysInfoLogger->flush();
}
} // namespace

int runAmperix(int argc, char* argv[], const std::function<void(MainWindow*)>& onShown)
{
    useDesktopScaling();
    // QApplication takes its own options (-style, -platform, ...) out of argv
    // first; only what remains is ours to read.
    QApplication app(argc, argv);

    initLoggers(8192, std::chrono::milliseconds(10));
    writeSystemInformation();

    if (CommandLine::applyArguments(argc, argv) != 0) {
        spdlog::drop_all();
        flushAllLoggers();
        return -1;
    }

    MainWindow window;
    const StopSignals stopSignals(&window);
    window.show();
    if (onShown)
        onShown(&window);
    return app.exec();
}
