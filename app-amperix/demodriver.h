#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpSocket>

class QMainWindow;

// Runs Amperix unattended for scripted runs (the demo command, tests of the
// start-up), steered by environment variables read once at start:
//
//   AMPERIX_DEMO_CONNECT=1          trigger "Connection" once the window is up
//   AMPERIX_DEMO_SCREENSHOT=<file>  once connected and a few polls have been
//                                   shown, save a picture of the window to
//                                   <file> (PNG) and close the window
//   AMPERIX_DEMO_CLOSE_AFTER_MS=<n> close the window <n> ms after it is shown
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

private:
    explicit DemoDriver(QMainWindow* window);

    void start();
    void onStateChanged(QTcpSocket::SocketState state);
    void takeScreenshot();

    QPointer<QMainWindow> window;
    bool connectRequested = false;
    QString screenshotPath;
    int closeAfterMs = -1;
    bool screenshotScheduled = false;
};
