#include "demodriver.h"

#include "aboutdialog.h"
#include "changelog.h"
#include "configurationdialog.h"
#include "consoledialog.h"
#include "epicsdialog.h"
#include "faultdialog.h"
#include "firmwareupdatedialog.h"
#include "ps_thread.h"
#include "qconsole.h"
#include "realtimeplot.h"
#include "setipdialog.h"
#include "setupdialog.h"
#include "signalgenerator.h"
#include "windowshots.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMainWindow>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolBox>

#include <cstdio>
#include <memory>

namespace
{
constexpr int pollMs = 100;

QString envText(const char* name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

double envNumber(const char* name, double fallback)
{
    bool ok = false;
    const double value = envText(name).toDouble(&ok);
    return ok ? value : fallback;
}

void savePicture(QWidget* widget, const QString& path)
{
    if (widget->grab().save(path, "PNG"))
        std::fprintf(stderr, "screenshot written to %s\n", qPrintable(path));
    else
        std::fprintf(stderr, "cannot write screenshot %s\n", qPrintable(path));
}
} // namespace

DemoDriver* DemoDriver::attachIfRequested(QMainWindow* window)
{
    const bool connect = qgetenv("AMPERIX_DEMO_CONNECT") == "1";
    const bool outputOn = qgetenv("AMPERIX_DEMO_OUTPUT_ON") == "1";
    const QString screenshot = envText("AMPERIX_DEMO_SCREENSHOT");
    bool closeOk = false;
    const int closeAfter = qEnvironmentVariableIntValue("AMPERIX_DEMO_CLOSE_AFTER_MS", &closeOk);
    const bool firmware = qgetenv("AMPERIX_DEMO_FIRMWARE_UPDATE") == "1";
    if (!connect && !outputOn && screenshot.isEmpty() && !closeOk && !firmware &&
        qgetenv("AMPERIX_DEMO_EPICS") != "1")
        return nullptr;

    auto* driver = new DemoDriver(window);
    driver->epicsRequested = qgetenv("AMPERIX_DEMO_EPICS") == "1";
    driver->connectRequested = connect || outputOn || driver->epicsRequested;
    driver->outputOnRequested = outputOn;
    driver->current = envNumber("AMPERIX_DEMO_CURRENT", 5.0);
    driver->voltage = envNumber("AMPERIX_DEMO_VOLTAGE", 12.0);
    driver->screenshotPath = screenshot;
    driver->faultScreenshotPath = envText("AMPERIX_DEMO_FAULT_SCREENSHOT");
    driver->faultWindowScreenshotPath = envText("AMPERIX_DEMO_FAULT_WINDOW_SCREENSHOT");
    driver->consoleScreenshotPath = envText("AMPERIX_DEMO_CONSOLE_SCREENSHOT");
    driver->windowShotsPrefix = envText("AMPERIX_DEMO_WINDOW_SHOTS");
    driver->closeAfterMs = closeOk ? closeAfter : -1;
    driver->firmwareRequested = firmware;
    // Start once the event loop runs, so the window has been shown first.
    QTimer::singleShot(0, driver, &DemoDriver::start);
    return driver;
}

DemoDriver::DemoDriver(QMainWindow* window) : QObject(window), window(window) {}

template <typename T> T* DemoDriver::child(const char* name) const
{
    return window ? window->findChild<T*>(QLatin1String(name)) : nullptr;
}

void DemoDriver::when(std::function<bool()> condition, int timeoutMs, std::function<void()> then)
{
    auto* timer = new QTimer(this);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    connect(timer, &QTimer::timeout, this, [timer, clock, condition, timeoutMs, then] {
        if (!condition() && clock->elapsed() < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        then();
    });
    timer->start(pollMs);
}

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

    // Its warning box stays open until it is answered; nothing below runs before.
    if (firmwareRequested) {
        if (auto* action = child<QAction>("actionActionFirmwareUpdate"))
            action->trigger();
    }
    if (connectRequested) {
        if (auto* action = child<QAction>("actionConnection"))
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
    if (state != QAbstractSocket::ConnectedState || connectedOnce)
        return;
    connectedOnce = true;
    afterConnected();
}

void DemoDriver::afterConnected()
{
    // No control of the program opens the EPICS editor; the demo shows it.
    if (epicsRequested)
        if (auto* epics = window->findChild<EPICSDialog*>())
            epics->show();
    if (outputOnRequested) {
        switchOutputOn();
        return;
    }
    if (!screenshotPath.isEmpty())
        QTimer::singleShot(settleMs, this, &DemoDriver::takeScreenshot);
}

void DemoDriver::switchOutputOn()
{
    // Wait for the first status report, which enables the unit controls.
    when(
        [this] {
            auto* controls = child<QWidget>("groupBox_Controls");
            return controls && controls->isEnabled();
        },
        stepTimeoutMs,
        [this] {
            if (auto* on = child<QPushButton>("on_button"))
                on->click();
            // The set-point pages open once the supply reports its output on.
            when(
                [this] {
                    auto* pages = child<QStackedWidget>("stackedWidget_Set");
                    return pages && pages->isEnabled();
                },
                stepTimeoutMs,
                [this] {
                    if (!window)
                        return;
                    if (auto* spin = child<QDoubleSpinBox>("current_spin"))
                        spin->setValue(current);
                    if (auto* set = child<QPushButton>("set_current_button"))
                        set->click();
                    if (auto* spin = child<QDoubleSpinBox>("voltage_spin"))
                        spin->setValue(voltage);
                    // The voltage page is not the one shown in current loop.
                    QMetaObject::invokeMethod(window, "on_set_voltage_button_clicked");
                    if (!screenshotPath.isEmpty())
                        QTimer::singleShot(settleMs, this, &DemoDriver::takeScreenshot);
                });
        });
}

void DemoDriver::takeScreenshot()
{
    if (!window || screenshotPath.isEmpty() || screenshotTaken)
        return;
    screenshotTaken = true;
    savePicture(window, screenshotPath);
    if (consoleScreenshotPath.isEmpty())
        afterMainScreenshot();
    else
        takeConsoleScreenshot([this] { afterMainScreenshot(); });
}

void DemoDriver::afterMainScreenshot()
{
    if (!window)
        return;
    if (!windowShotsPrefix.isEmpty()) {
        windowShots();
        return;
    }
    if (faultScreenshotPath.isEmpty()) {
        finish();
        return;
    }
    when(
        [this] {
            auto* fault = child<QPushButton>("fault_pushButton");
            return fault && fault->text() == QLatin1String("YES");
        },
        stepTimeoutMs, [this] { takeFaultScreenshots(); });
}

void DemoDriver::takeConsoleScreenshot(std::function<void()> then)
{
    if (auto* action = child<QAction>("actionConsole"))
        action->trigger();
    when(
        [this] {
            auto* console = window ? window->findChild<ConsoleDialog*>() : nullptr;
            return console && console->isVisible();
        },
        stepTimeoutMs,
        [this, then] {
            typeIntoConsole(
                {QStringLiteral("VER"), QStringLiteral("mwi:?"), QStringLiteral("PASSWORD:wrong")},
                [this, then] {
                    if (auto* console = window ? window->findChild<ConsoleDialog*>() : nullptr) {
                        savePicture(console, consoleScreenshotPath);
                        console->close();
                    }
                    then();
                });
        });
}

// Types each command and Return into the console as keys, one after the
// other once the supply's reply has been printed.
void DemoDriver::typeIntoConsole(QStringList commands, std::function<void()> then)
{
    auto* edit = window ? window->findChild<QConsole*>(QStringLiteral("textEditConsole")) : nullptr;
    if (!edit || commands.isEmpty()) {
        then();
        return;
    }
    const QString command = commands.takeFirst();
    for (const QChar c : command) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &key);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(edit, &enter);
    when([edit] { return !edit->isLocked(); }, stepTimeoutMs,
         [this, commands, then] { typeIntoConsole(commands, then); });
}

void DemoDriver::takeFaultScreenshots()
{
    if (!window)
        return;
    if (auto* fault = child<QPushButton>("fault_pushButton"))
        fault->click();
    QTimer::singleShot(settleMs, this, [this] {
        if (!window)
            return;
        savePicture(window, faultScreenshotPath);
        auto* faults = window->findChild<FaultDialog*>();
        if (faults && !faultWindowScreenshotPath.isEmpty())
            savePicture(faults, faultWindowScreenshotPath);
        finish();
    });
}

// Each window shown in turn, pictured, and hidden again; the modal ones are
// shown without their own event loop, so the pictures go on.
void DemoDriver::windowShots()
{
    using namespace WindowShots;
    const QString& prefix = windowShotsPrefix;
    picture(window, prefix, QStringLiteral("main"));
    auto pictureAndHide = [&](QWidget* w, const QString& name) {
        if (!w)
            return;
        picture(w, prefix, name);
        w->hide();
    };
    pictureAndHide(window->findChild<SetIpDialog*>(), QStringLiteral("set-ip"));
    if (auto* action = child<QAction>("actionConfiguration"))
        action->trigger();
    if (auto* configuration = window->findChild<ConfigurationDialog*>()) {
        settle(4000); // the refresh reads every cell
        auto* tabs = configuration->findChild<QTabWidget*>(QStringLiteral("tabWidget"));
        picturePages(configuration, tabs, prefix, QStringLiteral("configuration"));
        // The other items of the tool boxes.
        tabs->setCurrentIndex(1);
        auto* limits = configuration->findChild<QToolBox*>(QStringLiteral("toolBox_Limits"));
        for (int item = 1; item < limits->count(); ++item) {
            limits->setCurrentIndex(item);
            picture(configuration, prefix, QStringLiteral("configuration-1-%1").arg(item), 300);
        }
        tabs->setCurrentIndex(2);
        auto* pid = configuration->findChild<QToolBox*>(QStringLiteral("toolBox_PID"));
        pid->setCurrentIndex(1);
        picture(configuration, prefix, QStringLiteral("configuration-2-1"), 300);
        pid->setCurrentIndex(0);
        QMetaObject::invokeMethod(configuration, "on_pushButtonPIDCC_clicked");
        pictureAndHide(configuration->pidDialog(), QStringLiteral("pid"));
        configuration->close();
    }
    pictureAndHide(window->findChild<FirmwareUpdateDialog*>(), QStringLiteral("firmware"));
    pictureAndHide(window->findChild<FaultDialog*>(), QStringLiteral("fault"));
    pictureAndHide(window->findChild<AboutDialog*>(), QStringLiteral("about"));
    pictureAndHide(window->findChild<ChangeLog*>(), QStringLiteral("changelog"));
    pictureAndHide(window->findChild<RealTimePlot*>(), QStringLiteral("realtime-plot"));
    if (auto* generator = window->findChild<SignalGenerator*>()) {
        picture(generator, prefix, QStringLiteral("waveform-sine"));
        if (auto* shape = generator->findChild<QComboBox*>(QStringLiteral("comboBoxGeneratorSignal")))
            shape->setCurrentIndex(1);
        pictureAndHide(generator, QStringLiteral("waveform-square"));
    }
    if (auto* epics = window->findChild<EPICSDialog*>()) {
        epics->show();
        settle(2000); // it reads the supply's files
        pictureAndHide(epics, QStringLiteral("epics"));
    }
    pictureAndHide(window->findChild<ConsoleDialog*>(), QStringLiteral("console"));
    // No window opens the refresh settings; the program has them all the same.
    SetupDialog refreshSettings(window);
    pictureAndHide(&refreshSettings, QStringLiteral("refresh-settings"));
    finish();
}

void DemoDriver::finish()
{
    if (window)
        window->close();
}
