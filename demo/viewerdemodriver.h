#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class MainWindow;

// Runs the viewer unattended for scripted runs (the demo command), steered
// by environment variables read once at start:
//
//   DRAVIX_DEMO_BOXES=<box>,<box>...  rows to add at start, each
//                                     "tcp:<address>[:<port>]" or
//                                     "serial:<port name or device path>"
//   DRAVIX_DEMO_CONNECT=1             press every row's "Connect"
//   DRAVIX_DEMO_ACQUIRE=1|all         once connected, press every row's
//                                     "Acquire" (1) or "Acquire All" (all)
//   DRAVIX_DEMO_SCREENSHOT=<file>     after a few seconds of acquisition,
//                                     save a picture of the window (PNG) and
//                                     close it
//   DRAVIX_DEMO_WINDOW_SHOTS=<prefix> before closing, also picture the first
//                                     row's status window and monitor and
//                                     the new-connection dialog, as
//                                     <prefix>-status.png, -monitor.png and
//                                     -new-connection.png, then every other
//                                     window (each page of the first row's
//                                     set-up, its password dialog, About,
//                                     the change log) and the screen of
//                                     each, <prefix>-<window>[-screen].png
//   DRAVIX_DEMO_SAY_DIALOGS=1         name every modal box or dialog shown on
//                                     standard output (dialogreport.h)
//
// Nothing happens when none of them is set.
class ViewerDemoDriver : public QObject
{
    Q_OBJECT

public:
    static ViewerDemoDriver* attachIfRequested(MainWindow* window);

    // Longest wait for the connections before going on anyway.
    static constexpr int connectionTimeoutMs = 15000;
    // Time the plot gets to fill before the picture.
    static constexpr int settleMs = 6000;

    // Adds the rows of a DRAVIX_DEMO_BOXES value; returns how many.
    static int addBoxes(MainWindow* window, const QString& boxList);

private:
    explicit ViewerDemoDriver(MainWindow* window);

    void start();
    void waitForConnections();
    void acquire();
    void takeScreenshot();
    void windowShots();
    void everyWindowShots();
    void finish();

    QPointer<MainWindow> window;
    QString boxes;
    bool connectRequested = false;
    QString acquireMode;
    QString screenshotPath;
    QString windowShotsPrefix;
    int waitedMs = 0;
};
