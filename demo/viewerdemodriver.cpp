#include "viewerdemodriver.h"

#include "dcct_thread.h"
#include "dialog_status.h"
#include "mainwindow.h"
#include "monitor.h"
#include "new_connection_dialog.h"

#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

ViewerDemoDriver* ViewerDemoDriver::attachIfRequested(MainWindow* window)
{
    const QString boxes = QString::fromLocal8Bit(qgetenv("DRAVIX_DEMO_BOXES"));
    const bool connect = qgetenv("DRAVIX_DEMO_CONNECT") == "1";
    const QString acquire = QString::fromLocal8Bit(qgetenv("DRAVIX_DEMO_ACQUIRE"));
    const QString screenshot = QString::fromLocal8Bit(qgetenv("DRAVIX_DEMO_SCREENSHOT"));
    const QString shots = QString::fromLocal8Bit(qgetenv("DRAVIX_DEMO_WINDOW_SHOTS"));
    if (boxes.isEmpty() && !connect && acquire.isEmpty() && screenshot.isEmpty())
        return nullptr;

    auto* driver = new ViewerDemoDriver(window);
    driver->boxes = boxes;
    driver->connectRequested = connect;
    driver->acquireMode = acquire;
    driver->screenshotPath = screenshot;
    driver->windowShotsPrefix = shots;
    // Start once the event loop runs, so the window is on screen first.
    QTimer::singleShot(0, driver, &ViewerDemoDriver::start);
    return driver;
}

ViewerDemoDriver::ViewerDemoDriver(MainWindow* window) : QObject(window), window(window) {}

namespace
{

void save(QWidget* widget, const QString& path)
{
    if (widget->grab().save(path, "PNG"))
        std::fprintf(stderr, "screenshot written to %s\n", qPrintable(path));
    else
        std::fprintf(stderr, "cannot write screenshot %s\n", qPrintable(path));
}

} // namespace

int ViewerDemoDriver::addBoxes(MainWindow* window, const QString& boxList)
{
    int added = 0;
    const QStringList entries = boxList.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& raw : entries) {
        const QString entry = raw.trimmed();
        if (entry.startsWith(QLatin1String("tcp:"))) {
            const QStringList parts = entry.mid(4).split(QLatin1Char(':'));
            const int row = window->addBox(true, parts.value(0), QString());
            if (parts.size() > 1)
                window->boxThread(row)->tcp_port = parts.at(1);
            ++added;
        } else if (entry.startsWith(QLatin1String("serial:"))) {
            window->addBox(false, QString(), entry.mid(7));
            ++added;
        } else {
            std::fprintf(stderr, "DRAVIX_DEMO_BOXES: cannot read \"%s\"\n", qPrintable(entry));
        }
    }
    return added;
}

void ViewerDemoDriver::start()
{
    if (!window)
        return;
    if (!boxes.isEmpty())
        addBoxes(window, boxes);
    if (connectRequested) {
        for (int row = 0; row < window->boxCount(); ++row)
            window->rowButton(row, MainWindow::ConnectButton)->click();
    }
    if (connectRequested || !acquireMode.isEmpty())
        QTimer::singleShot(200, this, &ViewerDemoDriver::waitForConnections);
    else if (!screenshotPath.isEmpty())
        QTimer::singleShot(settleMs, this, &ViewerDemoDriver::takeScreenshot);
}

void ViewerDemoDriver::waitForConnections()
{
    if (!window)
        return;
    bool all = true;
    for (int row = 0; row < window->boxCount(); ++row)
        all = all && window->boxThread(row)->connected;
    waitedMs += 200;
    if (!all && waitedMs < connectionTimeoutMs) {
        QTimer::singleShot(200, this, &ViewerDemoDriver::waitForConnections);
        return;
    }
    // Let the first status replies (names, trigger) arrive before starting.
    QTimer::singleShot(1000, this, &ViewerDemoDriver::acquire);
}

void ViewerDemoDriver::acquire()
{
    if (!window)
        return;
    if (acquireMode == QLatin1String("all")) {
        if (QPushButton* all = window->acquireAllButton())
            all->click();
    } else if (acquireMode == QLatin1String("1")) {
        for (int row = 0; row < window->boxCount(); ++row)
            window->rowButton(row, MainWindow::AcquireButton)->click();
    }
    if (!screenshotPath.isEmpty())
        QTimer::singleShot(settleMs, this, &ViewerDemoDriver::takeScreenshot);
}

void ViewerDemoDriver::takeScreenshot()
{
    if (!window || screenshotPath.isEmpty())
        return;
    const QString path = screenshotPath;
    screenshotPath.clear();
    save(window, path);
    if (windowShotsPrefix.isEmpty() || window->boxCount() == 0) {
        finish();
        return;
    }
    // The status window and the monitor of the first row, with what the box
    // reported meanwhile.
    window->rowButton(0, MainWindow::StatusButton)->click();
    window->rowButton(0, MainWindow::MonitorButton)->click();
    QTimer::singleShot(1500, this, &ViewerDemoDriver::windowShots);
}

void ViewerDemoDriver::windowShots()
{
    if (!window)
        return;
    if (QWidget* status = window->rowStatusWindow(0)) {
        save(status, windowShotsPrefix + QStringLiteral("-status.png"));
        status->hide();
    }
    if (QDialog* monitor = window->rowMonitor(0)) {
        save(monitor, windowShotsPrefix + QStringLiteral("-monitor.png"));
        monitor->reject();
    }
    New_connection_dialog* dialog = window->connectionDialog();
    Dcct_thread* serial = nullptr;
    for (int row = 0; row < window->boxCount() && !serial; ++row)
        if (!window->boxThread(row)->is_tcp)
            serial = window->boxThread(row);
    if (serial)
        dialog->preset(false, QString(), serial->com_port);
    dialog->show();
    QTimer::singleShot(300, this, [this, dialog] {
        save(dialog, windowShotsPrefix + QStringLiteral("-new-connection.png"));
        dialog->hide();
        finish();
    });
}

void ViewerDemoDriver::finish()
{
    if (window)
        window->close();
}
