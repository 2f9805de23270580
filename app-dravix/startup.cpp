#include "startup.h"

#include "desktopscaling.h"
#include "mainwindow.h"
#include "programinfo.h"
#include "stopsignals.h"

#include <QApplication>

int runDravix(int argc, char* argv[], const std::function<void(MainWindow*)>& onShown)
{
    useDesktopScaling();
    QApplication app(argc, argv);

    MainWindow window;
    const StopSignals stopSignals(&window);
    window.setWindowTitle(QStringLiteral("SENTREL Viewer ") + QString::fromLatin1(ProgramInfo::version));
    window.show();
    if (onShown)
        onShown(&window);
    return app.exec();
}
