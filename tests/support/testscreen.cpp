// The screen every test program's windows open on. The offscreen platform's
// own is 800 x 600, smaller than any desktop the windows are made for; the
// tests see a 3840 x 2160 screen instead, or the one TEST_SCREEN names
// ("1366x768", in device pixels as the desktop's scale divides them), from
// the first widget on; Qt scales the windows as the programs have it.

#include "desktopscaling.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <qpa/qwindowsysteminterface.h>

namespace
{

// Before QTest's main makes the application, as the programs do.
const bool scaledAsTheProgramsAre = (useDesktopScaling(), true);

class ScreenOfTheTests : public QObject
{
protected:
    bool eventFilter(QObject* watched, QEvent*) override
    {
        // Qt takes a screen's new size only once the application has started,
        // and QTest's main sets its attributes after that: the first widget
        // made comes later.
        if (QCoreApplication::startingUp() || !watched->isWidgetType())
            return false;
        QCoreApplication::instance()->removeEventFilter(this);
        const QList<QByteArray> size = qgetenv("TEST_SCREEN").split('x');
        const QRect screen(0, 0, size.size() == 2 ? size.at(0).toInt() : 3840,
                           size.size() == 2 ? size.at(1).toInt() : 2160);
        if (QScreen* primary = QGuiApplication::primaryScreen()) {
            QWindowSystemInterface::handleScreenGeometryChange(primary, screen, screen);
            QWindowSystemInterface::flushWindowSystemEvents();
        }
        return false;
    }
};

void setTheTestsScreen()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!qobject_cast<QGuiApplication*>(app))
        return;
    auto* filter = new ScreenOfTheTests;
    filter->setParent(app); // goes with the application
    app->installEventFilter(filter);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(setTheTestsScreen)
