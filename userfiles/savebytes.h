#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>
#include <QString>

#include <cerrno>

// How far a save got, and why it stopped.
struct SaveResult {
    enum Stage { Saved, NotOpened, NotWritten };

    Stage stage = Saved;
    QString error;

    bool ok() const { return stage == Saved; }
};

namespace SaveBytesDetail
{

// The new file is made beside the target (beside a link's target), so a
// folder that takes no new file stops the save even where the file itself
// could be written: the folder is named then.
inline QString openError(const QSaveFile& file, const QString& path)
{
    const QFileInfo target(path);
    const QFileInfo folder(QFileInfo(target.isSymLink() ? target.symLinkTarget() : path).absolutePath());
    if (folder.isDir() && !folder.isWritable())
        return QStringLiteral("%1 (the folder %2 cannot be written)")
            .arg(file.errorString(), folder.filePath());
    return file.errorString();
}

// A write cut short part way, as on a disk that fills up, leaves the file
// without an error text of its own ("Unknown error"): the system's error of
// the write that failed is the cause then.
inline QString writeError(const QSaveFile& file, int systemError)
{
    return systemError != 0 ? qt_error_string(systemError) : file.errorString();
}

} // namespace SaveBytesDetail

// Binary writes every byte as given; Text turns each "\n" into the
// platform's line end, as a file opened in text mode does.
enum class SaveMode { Binary, Text };

// Writes `chunks` one after the other to `path` through a temporary file that
// takes the old file's place only when every byte reached the disk; on any
// failure the old file stays as it was.
inline SaveResult saveBytes(const QString& path, const QByteArrayList& chunks, SaveMode mode = SaveMode::Binary)
{
    // The new file would take the place of a device or pipe, not write to it.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return {SaveResult::NotOpened, QStringLiteral("Not a regular file")};
    QSaveFile file(path);
    if (!file.open(mode == SaveMode::Text ? QIODevice::WriteOnly | QIODevice::Text : QIODevice::WriteOnly))
        return {SaveResult::NotOpened, SaveBytesDetail::openError(file, path)};
    for (const QByteArray& chunk : chunks) {
        // A full disk can cut a write short without flagging an error.
        errno = 0;
        if (file.write(chunk) != chunk.size()) {
            const int systemError = errno;
            return {SaveResult::NotWritten, SaveBytesDetail::writeError(file, systemError)};
        }
    }
    // Small writes only fill the buffer, and commit() does not notice when
    // writing it out fails: the explicit flush does. An uncommitted file is
    // thrown away.
    errno = 0;
    if (!file.flush()) {
        const int systemError = errno;
        return {SaveResult::NotWritten, SaveBytesDetail::writeError(file, systemError)};
    }
    // Putting the new file in the old one's place can fail on its own.
    if (!file.commit())
        return {SaveResult::NotWritten, file.errorString()};
    return {};
}

inline SaveResult saveBytes(const QString& path, const QByteArray& bytes, SaveMode mode = SaveMode::Binary)
{
    return saveBytes(path, QByteArrayList{bytes}, mode);
}
