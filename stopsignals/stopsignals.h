#pragma once

#include <memory>

class QSocketNotifier;
class QWidget;

// While it lives, a stop signal (SIGTERM, SIGINT, SIGHUP) closes `window` as
// its close button does, so the program ends the way it ends then: the same
// messages to the instruments, the same log lines, exit status 0. Message
// boxes and dialogs open at that moment end with it.
//
// The signal handler itself only writes a byte to a socket pair; the window is
// closed from the event loop that reads it. A signal the program was started
// with ignored (as nohup leaves SIGHUP) stays ignored. When it goes, the earlier
// handling comes back, so a second signal during the shutdown ends the program
// at once. One at a time per process; on systems without these signals it does
// nothing.
class StopSignals
{
public:
    explicit StopSignals(QWidget* window);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    std::unique_ptr<QSocketNotifier> notifier;
};
