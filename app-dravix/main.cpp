#include "mainwindow.h"
#include "programinfo.h"
#include "viewerdemodriver.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);

    MainWindow window;
    window.setWindowTitle(QStringLiteral("SENTREL Viewer ") + QString::fromLatin1(ProgramInfo::version));
    window.show();
    ViewerDemoDriver::attachIfRequested(&window);
    return app.exec();
}
