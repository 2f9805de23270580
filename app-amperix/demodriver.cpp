#include "demodriver.h"

#include "ps_thread.h"

#include <QAction>
#include <QMainWindow>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

DemoDriver* DemoDriver::attachIfRequested(QMainWindow* window)
{
    const bool connect = qgetenv("AMPERIX_DEMO_CONNECT") == "1";
    const QString screenshot = QString::fromLocal8Bit(qgetenv("AMPERIX_DEMO_SCREENSHOT"));
    bool closeOk = false;
    const int closeAfter = qEnvironmentVariableIntValue("AMPERIX_DEMO_CLOSE_AFTER_MS", &closeOk);
    if (!connect && screenshot.isEmpty() && !closeOk)
        return nullptr;

    auto* driver = new DemoDriver(window);
    driver->connectRequested = connect;
    driver->screenshotPath = screenshot;
    driver->closeAfterMs = closeOk ? closeAfter : -1;
    // Start once the event loop runs, so the window has been shown first.
    QTimer::singleShot(0, driver, &DemoDriver::start);
    return driver;
}

DemoDriver::DemoDriver(QMainWindow* window) : QObject(window), window(window) {}

void DemoDriver::start()
{
    if (!window)
        return;
    if (closeAfterMs >= 0)
        QTimer::singleShot(closeAfterMs, this, [this] {
            if (window)
                window->close();
        });

    auto* worker = window->findChild<ps_thread*>(QString(), Qt::FindDirectChildrenOnly);
    if (worker)
        connect(worker, &ps_thread::signalStateChanged, this, &DemoDriver::onStateChanged,
                Qt::QueuedConnection);

    if (connectRequested) {
        if (auto* action = window->findChild<QAction*>(QStringLiteral("actionConnection")))
            action->trigger();
    }
    if (!screenshotPath.isEmpty()) {
        // Without a connection (or without asking for one) the picture is
        // taken anyway, so a scripted run always ends.
        const int wait = connectRequested ? connectionTimeoutMs : settleMs;
        QTimer::singleShot(wait, this, &DemoDriver::takeScreenshot);
    }
}

void DemoDriver::onStateChanged(QTcpSocket::SocketState state)
{
    if (state != QAbstractSocket::ConnectedState || screenshotPath.isEmpty() || screenshotScheduled)
        return;
    screenshotScheduled = true;
    QTimer::singleShot(settleMs, this, &DemoDriver::takeScreenshot);
}

void DemoDriver::takeScreenshot()
{
    if (!window || screenshotPath.isEmpty())
        return;
    const QString path = screenshotPath;
    screenshotPath.clear();
    if (window->grab().save(path, "PNG"))
        std::fprintf(stderr, "screenshot written to %s\n", qPrintable(path));
    else
        std::fprintf(stderr, "cannot write screenshot %s\n", qPrintable(path));
    window->close();
}
