#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

// What a read of a file the user named brought, or why it brought nothing.
struct ReadResult {
    QByteArray bytes;
    QString error; // empty when every byte was read

    bool ok() const { return error.isEmpty(); }
};

// Reads the whole of `path`, which must be a regular file of at most
// `maxSize` bytes. A FIFO or device would block the window until a writer
// turns up (or forever), and a file larger than any valid one of its kind
// only costs time and memory: both are refused before a byte is read. Every
// failure names its reason.
inline ReadResult readBytes(const QString& path, qint64 maxSize)
{
    const auto tooBig = [maxSize](qint64 size) {
        return ReadResult{{}, QStringLiteral("Too big: %1 bytes, where a file of this kind holds at most %2")
                                  .arg(size)
                                  .arg(maxSize)};
    };
    // Looked at before opening: opening a FIFO nobody writes to never returns.
    // A missing file is left to the opening, which names the error.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return {{}, QStringLiteral("Not a regular file")};
    if (info.exists() && info.size() > maxSize)
        return tooBig(info.size());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, file.errorString()};
    // Swapped for something else since it was looked at.
    if (file.isSequential())
        return {{}, QStringLiteral("Not a regular file")};
    const qint64 size = file.size();
    if (size > maxSize)
        return tooBig(size);
    // A file that grows meanwhile is read as far as it reached when opened.
    QByteArray bytes = file.read(size);
    if (file.error() != QFileDevice::NoError)
        return {{}, file.errorString()};
    if (bytes.size() != size)
        return {{}, QStringLiteral("The file shrank while it was read")};
    return {bytes, {}};
}
