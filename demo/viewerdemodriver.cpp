#include "viewerdemodriver.h"

#include "aboutdialog.h"
#include "changelog.h"
#include "dcct_thread.h"
#include "dialog_status.h"
#include "mainwindow.h"
#include "monitor.h"
#include "new_connection_dialog.h"
#include "prompts.h"
#include "setup_dialog.h"
#include "windowshots.h"

#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
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
        everyWindowShots();
    });
}

void ViewerDemoDriver::everyWindowShots()
{
    using namespace WindowShots;
    if (!window)
        return;
    const QString& prefix = windowShotsPrefix;
    picture(window, prefix, QStringLiteral("main"));
    for (QWidget* w :
         {static_cast<QWidget*>(window->rowStatusWindow(0)), static_cast<QWidget*>(window->rowMonitor(0)),
          static_cast<QWidget*>(window->connectionDialog()),
          static_cast<QWidget*>(window->findChild<AboutDialog*>()),
          static_cast<QWidget*>(window->findChild<ChangeLog*>())}) {
        picture(w, prefix, QString::fromLatin1(w->metaObject()->className()).toLower());
        w->hide();
    }
    // The set-up opens on a box that does not acquire, and runs modally from
    // the row's button: pictured inside its run.
    if (QPushButton* all = window->acquireAllButton(); all && acquireMode == QLatin1String("all"))
        all->click();
    else
        for (int row = 0; row < window->boxCount(); ++row)
            if (window->boxThread(row)->data_snapshot().acquiring)
                window->rowButton(row, MainWindow::AcquireButton)->click();
    settle(3000);
    Prompts::setCriticalHook([](QWidget*, const QString& title, const QString& text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    });
    Prompts::setDialogHook([prefix](QDialog* dialog) {
        auto* setup = qobject_cast<Setup_dialog*>(dialog);
        if (!setup)
            return int(QDialog::Rejected);
        setup->show();
        settle(4000); // it reads the box's configuration
        auto* tabs = setup->findChild<QTabWidget*>(QStringLiteral("tabWidget"));
        tabs->setTabEnabled(4, true); // the calibration page, open with the box's password
        picturePages(setup, tabs, prefix, QStringLiteral("setup"));
        picture(setup->passwordDialog(), prefix, QStringLiteral("password"));
        setup->passwordDialog()->hide();
        setup->hide();
        return int(QDialog::Rejected);
    });
    window->rowButton(0, MainWindow::SetupButton)->click();
    Prompts::setDialogHook({});
    Prompts::setCriticalHook({});
    finish();
}

void ViewerDemoDriver::finish()
{
    if (window)
        window->close();
}
