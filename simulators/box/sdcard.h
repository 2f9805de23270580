#pragma once

#include <QByteArray>
#include <QList>

// The box's SD card: a flat folder of named files kept in memory. File names
// compare without regard to case, as on the card's FAT file system; the
// listing keeps the order in which files were written.
class SdCard
{
public:
    struct File {
        QByteArray name;
        QByteArray content;
    };

    bool present = true;               // a card sits in the slot
    bool mounted = true;               // the box has mounted it
    qint64 capacity = 8 * 1024 * 1024; // bytes the card holds in all

    // A card with a few files of different kinds: a short data log, a settings
    // backup whose text holds "BACKUP", a name with a blank, an empty file and
    // a data log of a few hundred KiB.
    void loadDefaults();
    void clear() { files.clear(); }

    QList<QByteArray> names() const;
    const File* find(const QByteArray& name) const;
    void put(const QByteArray& name, const QByteArray& content);
    bool remove(const QByteArray& name);
    qint64 used() const;

    // Appends to a file (created when missing); false when the card is full.
    bool append(const QByteArray& name, const QByteArray& bytes);
    // The next free data-log name: LOG0001.TXT, LOG0002.TXT, ...
    QByteArray newLogName() const;

    // A data log as the box writes it, `bytes` long or a little over.
    static QByteArray generateLog(qint64 bytes, quint32 seed);

private:
    int indexOf(const QByteArray& name) const;
    QList<File> files;
};
