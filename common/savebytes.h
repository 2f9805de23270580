#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QIODevice>
#include <QSaveFile>
#include <QString>

// How far a save got, and the file's error text when it stopped.
struct SaveResult {
    enum Stage { Saved, NotOpened, NotWritten };

    Stage stage = Saved;
    QString error;

    bool ok() const { return stage == Saved; }
};

// Writes `chunks` one after the other to `path` through a temporary file that
// takes the old file's place only when every byte reached the disk; on any
// failure the old file stays as it was.
inline SaveResult saveBytes(const QString& path, const QByteArrayList& chunks)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {SaveResult::NotOpened, file.errorString()};
    for (const QByteArray& chunk : chunks) {
        // A full disk can cut a write short without flagging an error.
        if (file.write(chunk) != chunk.size())
            return {SaveResult::NotWritten, file.errorString()};
    }
    // Small writes only fill the buffer, and commit() does not notice when
    // writing it out fails: the explicit flush does. An uncommitted file is
    // thrown away.
    if (!file.flush() || !file.commit())
        return {SaveResult::NotWritten, file.errorString()};
    return {};
}

inline SaveResult saveBytes(const QString& path, const QByteArray& bytes)
{
    return saveBytes(path, QByteArrayList{bytes});
}
