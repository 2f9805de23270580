#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

#include <functional>

class QMainWindow;

// Runs Amperix unattended for scripted runs (the demo command, tests of the
// start-up), steered by environment variables read once at start:
//
//   AMPERIX_DEMO_CONNECT=1          trigger "Connection" once the window is up
//   AMPERIX_DEMO_OUTPUT_ON=1        once connected, press ON, then set the
//                                   current (AMPERIX_DEMO_CURRENT, default 5)
//                                   and the voltage (AMPERIX_DEMO_VOLTAGE,
//                                   default 12) through the set-point controls
//   AMPERIX_DEMO_SCREENSHOT=<file>  once connected and a few polls have been
//                                   shown, save a picture of the window to
//                                   <file> (PNG) and close the window
//   AMPERIX_DEMO_FAULT_SCREENSHOT=<file>
//                                   after the first picture, wait until the
//                                   window shows a fault (set on the supply by
//                                   whoever runs the demo), open the fault
//                                   window and save a picture of the main
//                                   window to <file>; then close
//   AMPERIX_DEMO_FAULT_WINDOW_SCREENSHOT=<file>
//                                   with the above, a picture of the fault
//                                   window itself
//   AMPERIX_DEMO_CONSOLE_SCREENSHOT=<file>
//                                   after the first picture, open the
//                                   console, type a few commands into it
//                                   (one the supply refuses) and save a
//                                   picture of the console to <file>
//   AMPERIX_DEMO_WINDOW_SHOTS=<prefix>
//                                   after the first picture, picture every
//                                   window of the program (every page of the
//                                   configuration window, the PID picture
//                                   beside it, the waveform generator with a
//                                   sine and a square, ...) and its screen,
//                                   as <prefix>-<window>.png and
//                                   <prefix>-<window>-screen.png; then close
//   AMPERIX_DEMO_EPICS=1            connect, then open the EPICS editor, which
//                                   reads the supply's files (no control of
//                                   the program opens it)
//   AMPERIX_DEMO_CLOSE_AFTER_MS=<n> close the window <n> ms after it is shown
//   AMPERIX_DEMO_FIRMWARE_UPDATE=1  at start, before connecting, choose
//                                   "Firmware Update" (its warning box opens)
//   AMPERIX_DEMO_SAY_DIALOGS=1      name every modal box or dialog shown on
//                                   standard output (dialogreport.h)
//
// Nothing happens when none of them is set.
class DemoDriver : public QObject
{
    Q_OBJECT

public:
    // Creates a driver as a child of `window` when any variable is set.
    static DemoDriver* attachIfRequested(QMainWindow* window);

    // Longest wait for the connection before the picture is taken anyway.
    static constexpr int connectionTimeoutMs = 20000;
    // Time the connected window gets to show a few polls.
    static constexpr int settleMs = 1200;
    // Longest wait for the supply to report the state a step waits for.
    static constexpr int stepTimeoutMs = 20000;

private:
    explicit DemoDriver(QMainWindow* window);

    void start();
    void onStateChanged(QTcpSocket::SocketState state);
    void afterConnected();
    void switchOutputOn();
    void takeScreenshot();
    void takeFaultScreenshots();
    void takeConsoleScreenshot(std::function<void()> then);
    void typeIntoConsole(QStringList commands, std::function<void()> then);
    void afterMainScreenshot();
    void windowShots();
    void finish();

    // Calls `then` once `condition` holds, or after `timeoutMs` whatever it says.
    void when(std::function<bool()> condition, int timeoutMs, std::function<void()> then);
    template <typename T> T* child(const char* name) const;

    QPointer<QMainWindow> window;
    bool epicsRequested = false;
    bool connectRequested = false;
    bool outputOnRequested = false;
    double current = 5.0;
    double voltage = 12.0;
    QString screenshotPath;
    QString faultScreenshotPath;
    QString faultWindowScreenshotPath;
    QString consoleScreenshotPath;
    QString windowShotsPrefix;
    int closeAfterMs = -1;
    bool firmwareRequested = false;
    bool connectedOnce = false;
    bool screenshotTaken = false;
};
