#include "logerror.h"

#include <chrono>
#include <cstdio>
#include <mutex>

namespace
{
// Plain globals with trivial destructors: writer threads may still report
// while the process is being torn down.
std::mutex errorMutex;
unsigned long errorCount = 0;
unsigned long unreported = 0;
std::chrono::steady_clock::time_point windowStart;
int shownInWindow = 0;
constexpr int maxShownPerSecond = 5;
} // namespace

void reportLogError(const std::string& what)
{
    try {
        std::lock_guard<std::mutex> lock(errorMutex);
        ++errorCount;
        const auto now = std::chrono::steady_clock::now();
        if (shownInWindow > 0 && now - windowStart >= std::chrono::seconds(1))
            shownInWindow = 0;
        if (shownInWindow >= maxShownPerSecond) {
            ++unreported;
            return;
        }
        if (shownInWindow++ == 0)
            windowStart = now;
        if (unreported > 0)
            std::fprintf(stderr, "Amperix logging: %lu more failure(s) not shown\n", unreported);
        std::fprintf(stderr, "Amperix logging: %s\n", what.c_str());
        std::fflush(stderr);
        unreported = 0;
    } catch (...) {
        // Nothing left to report with; logging failures are never fatal.
    }
}

unsigned long logErrorCount()
{
    std::lock_guard<std::mutex> lock(errorMutex);
    return errorCount;
}
