#pragma once

#include <QFile>
#include <QString>

#include <mutex>

#include <spdlog/sinks/base_sink.h>

// The one log file: lines in the library's default layout, appended to `base`
// until the next line would take it past `maxSize` bytes; then the file moves
// to "<base>.1", the older files shift up one number, "<base>.<maxFiles>" is
// removed and a new base file takes the line. The size is the file's real
// size, the file found at start-up and other writers' lines included: before
// each line the file is looked at, and when it holds other than our own
// lines account for, its size is taken (and the file the name stands for
// now, should another instance have rotated ours away). Every line is
// appended, so two instances of the program writing one file keep each
// other's lines and rotate it at the same size, whichever rotates.
//
// A sink that cannot open its file, write or rotate reports the failure through
// reportLogError() and carries on; it never throws for it.
class RotatingFileSink final : public spdlog::sinks::base_sink<std::mutex>
{
public:
    RotatingFileSink(const QString& base, qint64 maxSize, int maxFiles);
    ~RotatingFileSink() override;

    // False when the file could not be opened at construction.
    bool isOpen();
    QString fileName() const { return baseName; }
    // Name of rotated file `index` (1 newest) of `base`.
    static QString rotatedName(const QString& base, int index);

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override;
    void flush_() override;

private:
    bool openBase();
    // The size taken from the file; false when the base file had to be
    // reopened and could not be.
    bool takeRealSize();
    // The open file's size as the system has it: every writer's lines, ours
    // still buffered aside.
    qint64 sizeOnDisk() const;
    bool shiftFiles();
    void rotate();

    const QString baseName;
    const qint64 maxSize;
    const int maxFiles;
    QFile file;
    qint64 currentSize = 0;
    // After a rotation that failed: the size at which to try again.
    qint64 retryRotationAt = 0;
    // When the base file could not be reopened: the next attempt waits a while,
    // so a vanished folder does not cost a failed open per line.
    qint64 reopenAfterMs = 0;
};
