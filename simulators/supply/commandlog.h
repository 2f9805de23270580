#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Appends every command received to a file, one command a line. Backslash,
// CR, LF and NUL inside a command are written as \\, \r, \n and \0 so each
// command stays on one line; the file is flushed after every line so a test
// can read it while the simulator runs.
class CommandLog
{
public:
    bool open(const QString& path, QString* error);
    bool isOpen() const { return file.isOpen(); }
    void write(const QByteArray& command);

    static QByteArray escape(const QByteArray& text);
    static QByteArray unescape(const QByteArray& text);

private:
    QFile file;
};
