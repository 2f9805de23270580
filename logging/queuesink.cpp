#include "queuesink.h"

#include "logerror.h"

#include <algorithm>

QueueSink::QueueSink(std::string loggerName) : name(std::move(loggerName)) {}

QueueSink::~QueueSink()
{
    stop();
}

void QueueSink::start(std::shared_ptr<spdlog::sinks::sink> newTarget, std::size_t newCapacity,
                      std::chrono::milliseconds flushInterval)
{
    std::lock_guard<std::mutex> serial(startStopMutex);
    stopWriter();
    if (!newTarget)
        return;
    std::lock_guard<std::mutex> lock(mutex);
    maxQueued = std::max<std::size_t>(newCapacity, 1);
    wakeBatch = std::max<std::size_t>(std::min<std::size_t>(maxQueued / 2, 128), 1);
    target = newTarget;
    state = State::Running;
    try {
        writer = std::thread(&QueueSink::run, this, std::move(newTarget),
                             std::max(flushInterval, std::chrono::milliseconds(1)));
    } catch (const std::exception& e) {
        reportLogError(name + ": cannot start the writer thread: " + e.what());
        target.reset();
        state = State::Idle;
    }
}

void QueueSink::stop()
{
    std::lock_guard<std::mutex> serial(startStopMutex);
    stopWriter();
}

void QueueSink::stopWriter()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (state == State::Idle)
            return;
        state = State::Stopping;
    }
    wakeWriter.notify_all();
    roomFreed.notify_all();
    if (writer.joinable())
        writer.join();

    // A caller that was waiting for room may have queued its message after the
    // writer's last look; write it here so it is not lost.
    std::deque<Entry> rest;
    std::shared_ptr<spdlog::sinks::sink> last;
    {
        std::lock_guard<std::mutex> lock(mutex);
        rest.swap(queue);
        last.swap(target);
        state = State::Idle;
    }
    roomFreed.notify_all();
    drained.notify_all();
    if (last) {
        for (const Entry& e : rest)
            write(*last, e);
        flushTarget(*last);
    }
}

bool QueueSink::isRunning() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return state == State::Running;
}

std::size_t QueueSink::capacity() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return maxQueued;
}

std::size_t QueueSink::queuedCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return queue.size();
}

int QueueSink::blockedCallers() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return waitingForRoom;
}

bool QueueSink::writerAsleep() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return writerWaiting && !writerDozing && queue.empty();
}

void QueueSink::log(const spdlog::details::log_msg& msg)
{
    std::unique_lock<std::mutex> lock(mutex);
    if (state != State::Running)
        return;
    if (queue.size() >= maxQueued) {
        ++waitingForRoom;
        roomFreed.wait(lock, [this] { return queue.size() < maxQueued || state == State::Idle; });
        --waitingForRoom;
        if (state == State::Idle)
            return;
    }
    queue.push_back(Entry{msg.time, msg.level, std::string(msg.payload.data(), msg.payload.size())});
    // A writer that wrote recently wakes by itself within the flush interval;
    // waking it for every line would cost the caller a system call each time.
    // It is woken early once a batch has gathered, which also keeps the memory
    // a burst takes small.
    if (writerWaiting && (!writerDozing || queue.size() >= wakeBatch)) {
        writerWaiting = false;
        lock.unlock();
        wakeWriter.notify_one();
    }
}

void QueueSink::flush()
{
    std::shared_ptr<spdlog::sinks::sink> current;
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (state == State::Idle)
            return;
        ++waitingForDrain;
        if (writerWaiting) {
            writerWaiting = false;
            wakeWriter.notify_one();
        }
        drained.wait(lock, [this] { return (queue.empty() && !writing) || state == State::Idle; });
        --waitingForDrain;
        current = target;
    }
    if (current)
        flushTarget(*current);
}

void QueueSink::run(std::shared_ptr<spdlog::sinks::sink> out, std::chrono::milliseconds flushInterval)
{
    using Clock = std::chrono::steady_clock;
    std::unique_lock<std::mutex> lock(mutex);
    bool dirty = false;
    Clock::time_point lastFlush = Clock::now();
    const auto woken = [this] { return !writerWaiting || state != State::Running; };

    for (;;) {
        if (queue.empty()) {
            if (waitingForDrain > 0)
                drained.notify_all();
            if (state != State::Running)
                break;
            if (dirty && Clock::now() >= lastFlush + flushInterval) {
                lock.unlock();
                flushTarget(*out);
                lock.lock();
                dirty = false;
                lastFlush = Clock::now();
                continue;
            }
            // Until the next flush is due the writer dozes and lets lines gather;
            // after it, it sleeps until a line arrives.
            writerWaiting = true;
            writerDozing = dirty;
            if (dirty)
                wakeWriter.wait_until(lock, lastFlush + flushInterval, woken);
            else
                wakeWriter.wait(lock, woken);
            writerWaiting = false;
            writerDozing = false;
            continue;
        }

        Entry entry = std::move(queue.front());
        queue.pop_front();
        writing = true;
        if (waitingForRoom > 0)
            roomFreed.notify_one();
        lock.unlock();
        write(*out, entry);
        lock.lock();
        writing = false;
        dirty = true;
    }
    lock.unlock();
    if (dirty)
        flushTarget(*out);
}

void QueueSink::write(spdlog::sinks::sink& out, const Entry& entry) const
{
    try {
        spdlog::details::log_msg msg(entry.time, spdlog::source_loc{}, name, entry.level, entry.text);
        out.log(msg);
    } catch (const std::exception& e) {
        reportLogError(name + ": " + e.what());
    } catch (...) {
        reportLogError(name + ": unknown failure while writing a line");
    }
}

void QueueSink::flushTarget(spdlog::sinks::sink& out)
{
    try {
        out.flush();
    } catch (const std::exception& e) {
        reportLogError(std::string("flush: ") + e.what());
    } catch (...) {
        reportLogError("flush: unknown failure");
    }
}
