#pragma once

#include <csignal>

#include <sys/resource.h>

// While it lives, no file this process writes may grow past `bytes`: opening
// and creating files still works, but a write past the cap fails (EFBIG)
// instead of ending the process. It makes a save fail after its file was
// opened, the way a full disk does, whatever the user running the tests may
// do (root included). Restores the earlier limit and signal handling.
class FileSizeCap
{
public:
    explicit FileSizeCap(rlim_t bytes)
    {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        active = getrlimit(RLIMIT_FSIZE, &previous) == 0;
        if (active) {
            rlimit capped = previous;
            capped.rlim_cur = bytes;
            active = setrlimit(RLIMIT_FSIZE, &capped) == 0;
        }
    }
    ~FileSizeCap()
    {
        if (active)
            setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeCap(const FileSizeCap&) = delete;
    FileSizeCap& operator=(const FileSizeCap&) = delete;

    // False when the limit could not be set (the test should skip).
    bool isActive() const { return active; }

private:
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
    bool active = false;
};
