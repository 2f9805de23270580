#include "rotatingfilesink.h"

#include "logerror.h"

#include <QDateTime>
#include <QFileInfo>

#include <chrono>
#include <thread>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace
{
constexpr qint64 reopenRetryMs = 1000;

std::string describe(const QFile& f)
{
    return QStringLiteral("%1: %2").arg(f.fileName(), f.errorString()).toStdString();
}
} // namespace

RotatingFileSink::RotatingFileSink(const QString& base, qint64 maxSize, int maxFiles)
    : baseName(base), maxSize(maxSize > 0 ? maxSize : 1), maxFiles(maxFiles > 0 ? maxFiles : 0)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (openBase())
        currentSize = file.size();
}

RotatingFileSink::~RotatingFileSink()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (file.isOpen())
        file.close();
}

bool RotatingFileSink::isOpen()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return file.isOpen();
}

QString RotatingFileSink::rotatedName(const QString& base, int index)
{
    return index <= 0 ? base : base + QLatin1Char('.') + QString::number(index);
}

// Always for appending: another instance of the program may write the same
// file, and every line of either goes to the end as it is written. Opened at
// an offset of its own (as truncating leaves it), one instance would write
// over the lines the other added since.
bool RotatingFileSink::openBase()
{
    if (file.isOpen())
        file.close();
    file.setFileName(baseName);
    if (QFileInfo(baseName).isDir()) {
        reportLogError("cannot open the log file " + baseName.toStdString() + ": a folder stands there");
        reopenAfterMs = QDateTime::currentMSecsSinceEpoch() + reopenRetryMs;
        return false;
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        reportLogError("cannot open the log file " + describe(file));
        reopenAfterMs = QDateTime::currentMSecsSinceEpoch() + reopenRetryMs;
        return false;
    }
    reopenAfterMs = 0;
    return true;
}

bool RotatingFileSink::shiftFiles()
{
    for (int i = maxFiles; i >= 1; --i) {
        const QString src = rotatedName(baseName, i - 1);
        const QString target = rotatedName(baseName, i);
        // Only our own files move; anything else by that name is left alone.
        if (!QFileInfo(src).isFile())
            continue;
        if (QFileInfo::exists(target) && !QFile::remove(target)) {
            reportLogError("cannot remove the old log file " + target.toStdString());
            return false;
        }
        if (!QFile::rename(src, target)) {
            // Virus scanners and indexers hold fresh files open for a moment on
            // some systems; one retry after a short pause gets past them.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (!QFile::rename(src, target)) {
                reportLogError("cannot rename the log file " + src.toStdString() + " to " +
                               target.toStdString());
                return false;
            }
        }
    }
    return true;
}

void RotatingFileSink::rotate()
{
    file.close();
    const bool shifted = maxFiles == 0 || shiftFiles();
    if (!openBase())
        return;
    if (shifted) {
        // With no older files kept, the file itself starts again.
        if (maxFiles == 0)
            file.resize(0);
        retryRotationAt = 0;
    } else {
        // Rotation failed: keep appending to the present file rather than
        // lose lines, and try again once another full file's worth has been
        // written.
        retryRotationAt = file.size() + maxSize;
    }
}

qint64 RotatingFileSink::sizeOnDisk() const
{
#ifdef Q_OS_UNIX
    // Of the open file, without a look-up of its name: cheap enough for every line.
    struct stat status;
    if (::fstat(file.handle(), &status) == 0)
        return qint64(status.st_size);
#endif
    return QFileInfo(baseName).size();
}

bool RotatingFileSink::takeRealSize()
{
    // Our lines first, so the file holds all of them. When the name no longer
    // stands for our file (another instance rotated it, or it was removed),
    // the name's file is the one to go on with.
    if (!file.flush())
        reportLogError("cannot flush the log file " + describe(file));
    if (file.size() != QFileInfo(baseName).size() && !openBase())
        return false;
    currentSize = file.size();
    return true;
}

void RotatingFileSink::sink_it_(const spdlog::details::log_msg& msg)
{
    spdlog::memory_buf_t formatted;
    formatter_->format(msg, formatted);
    const qint64 size = qint64(formatted.size());

    if (!file.isOpen()) {
        if (QDateTime::currentMSecsSinceEpoch() < reopenAfterMs || !openBase())
            return;
        currentSize = file.size();
    }
    // Lines another instance appended count too: when the file holds other
    // than our count says (our lines not written yet aside), the size is
    // taken from the file itself.
    if (sizeOnDisk() + file.bytesToWrite() != currentSize && !takeRealSize())
        return;
    // A full file may be one another instance has rotated away already: then
    // the name's file takes the line.
    const auto full = [&] { return currentSize > 0 && currentSize + size > qMax(maxSize, retryRotationAt); };
    if (full()) {
        if (!takeRealSize())
            return;
        if (full()) {
            rotate();
            if (!file.isOpen())
                return;
            currentSize = file.size();
        }
    }
    const qint64 written = file.write(formatted.data(), size);
    if (written != size) {
        reportLogError("cannot write the log file " + describe(file));
        if (written < 0)
            return;
    }
    currentSize += written;
}

void RotatingFileSink::flush_()
{
    if (file.isOpen() && !file.flush())
        reportLogError("cannot flush the log file " + describe(file));
}
