#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Appends every command the box receives to a text file, one per line, so a
// test can check exactly what went over the wire. Characters that would break
// the one-command-per-line layout are written as escapes.
class CommandLog
{
public:
    bool open(const QString& path);
    bool isOpen() const { return file.isOpen(); }
    void append(const QByteArray& command);

    // "\\" for a backslash, "\r", "\n" and "\0" for CR, LF and NUL; every
    // other byte is written as it is.
    static QByteArray escape(const QByteArray& bytes);
    // The reverse, also used for control-line values; besides the four escapes
    // above it knows "\t", "\s" (a blank) and "\xHH".
    static QByteArray unescape(const QByteArray& text);

private:
    QFile file;
};
