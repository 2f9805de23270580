#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <spdlog/sinks/sink.h>

// The asynchronous half of one logger: the calling thread only copies the
// formatted message into a bounded queue, and the sink's own writer thread
// hands it on to the target sink (the shared log file), which lays out the line.
//
// - The queue holds at most `capacity` messages; a caller that finds it full
//   waits until the writer has made room. Nothing is dropped.
// - The queue grows on demand and gives its memory back as it empties, so an
//   idle logger costs little more than its writer thread.
// - An idle writer flushes the target once `flushInterval` has passed since its
//   last flush, and sleeps without waking while nothing is written.
// - Before start() and after stop() the sink discards what it is given, so the
//   logger that holds it is always safe to use.
//
// Lines carry the name given at construction: use one sink per logger.
class QueueSink final : public spdlog::sinks::sink
{
public:
    explicit QueueSink(std::string loggerName);
    ~QueueSink() override;

    QueueSink(const QueueSink&) = delete;
    QueueSink& operator=(const QueueSink&) = delete;

    // Starts the writer thread (stopping a running one first).
    void start(std::shared_ptr<spdlog::sinks::sink> target, std::size_t capacity,
               std::chrono::milliseconds flushInterval);
    // Writes out everything queued, flushes the target, ends the writer thread
    // and lets go of the target. Calls arriving meanwhile are discarded.
    void stop();

    bool isRunning() const;
    std::size_t capacity() const;
    // Messages waiting in the queue (the one being written not counted).
    std::size_t queuedCount() const;
    // Callers waiting for room in a full queue.
    int blockedCallers() const;
    // The writer has nothing queued and nothing left to flush: it sleeps until
    // the next line comes.
    bool writerAsleep() const;

    const std::string& loggerName() const { return name; }

    void log(const spdlog::details::log_msg& msg) override;
    // Returns once every message queued before the call has been written and
    // the target flushed.
    void flush() override;
    // The layout belongs to the target sink.
    void set_pattern(const std::string&) override {}
    void set_formatter(std::unique_ptr<spdlog::formatter>) override {}

private:
    struct Entry {
        spdlog::log_clock::time_point time;
        spdlog::level::level_enum level;
        std::string text;
    };
    enum class State { Idle, Running, Stopping };

    void stopWriter();
    void run(std::shared_ptr<spdlog::sinks::sink> target, std::chrono::milliseconds flushInterval);
    void write(spdlog::sinks::sink& target, const Entry& entry) const;
    static void flushTarget(spdlog::sinks::sink& target);

    const std::string name;

    mutable std::mutex mutex;
    std::condition_variable wakeWriter;
    std::condition_variable roomFreed;
    std::condition_variable drained;
    std::deque<Entry> queue;
    std::size_t maxQueued = 1;
    std::size_t wakeBatch = 1; // lines that wake a dozing writer early
    State state = State::Idle;
    std::shared_ptr<spdlog::sinks::sink> target;
    std::thread writer;
    std::mutex startStopMutex;  // serialises start() and stop()
    bool writerWaiting = false; // cleared by whoever wakes the writer
    bool writerDozing = false;  // waiting for the next flush, lines may gather
    bool writing = false;       // the writer holds an entry outside the lock
    int waitingForRoom = 0;
    int waitingForDrain = 0;
};
