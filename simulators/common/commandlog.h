#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Appends every command the simulator receives to a text file, one a line,
// so a test can check exactly what went over the wire. Backslash, CR, LF and
// NUL inside a command are written as \\, \r, \n and \0 so each command stays
// on one line; the file is flushed after every line so a test can read it
// while the simulator runs.
class CommandLog
{
public:
    // On failure *error (when given) says why.
    bool open(const QString& path, QString* error = nullptr);
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
