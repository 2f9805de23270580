#include "stopsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
constexpr int handledSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int signalCount = int(sizeof handledSignals / sizeof handledSignals[0]);

// [0] is written by the handler, [1] read in the GUI thread.
int signalSocket[2] = {-1, -1};
struct sigaction earlierActions[signalCount];
bool installed[signalCount] = {};

void onStopSignal(int)
{
    // Only async-signal-safe calls here. A full socket already holds a byte
    // that was not read yet, which is all the reader needs.
    const int savedErrno = errno;
    const char byte = 1;
    const ssize_t written = ::write(signalSocket[0], &byte, 1);
    (void)written;
    errno = savedErrno;
}

bool openSignalSocket()
{
    if (signalSocket[0] >= 0)
        return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSocket) != 0) {
        signalSocket[0] = signalSocket[1] = -1;
        return false;
    }
    // Neither end may block (the handler least of all), nor reach a child
    // program the process starts.
    for (int fd : signalSocket) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    return true;
}
} // namespace

StopSignals::StopSignals(QWidget* window)
{
    if (!openSignalSocket())
        return;
    notifier = std::make_unique<QSocketNotifier>(signalSocket[1], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, window, [window] {
        char bytes[16];
        while (::read(signalSocket[1], bytes, sizeof bytes) > 0) {
        }
        // A message box or dialog open now runs an event loop of its own, and
        // one without a parent would keep the program waiting for a click
        // after the window has gone: once the window is closed, every event
        // loop ends, the program's own last.
        if (window->close())
            QCoreApplication::quit();
    });

    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < signalCount; ++i) {
        installed[i] = ::sigaction(handledSignals[i], nullptr, &earlierActions[i]) == 0 &&
                       earlierActions[i].sa_handler != SIG_IGN &&
                       ::sigaction(handledSignals[i], &action, nullptr) == 0;
    }
}

StopSignals::~StopSignals()
{
    for (int i = 0; i < signalCount; ++i) {
        if (installed[i])
            ::sigaction(handledSignals[i], &earlierActions[i], nullptr);
        installed[i] = false;
    }
}

#else

StopSignals::StopSignals(QWidget*) {}

StopSignals::~StopSignals() = default;

#endif
