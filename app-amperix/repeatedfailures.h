#pragma once

// Which refusals of the supply go into the log: a failure that comes back on
// every poll is written once, then only counted, and the count is written
// when that run of identical failures ends. Decided without logging, so the
// window writes the lines.

#include <QHash>
#include <QString>
#include <QStringList>

class RepeatedFailures
{
public:
    // A failure of `command` with result `error`, described as `line` (the
    // log line of its first occurrence). Returns true when `line` is to be
    // written: the command's last failure was another one, or there was none.
    // A run of repeats this failure ends leaves its count line in `ended`.
    bool failed(const QString& command, int error, const QString& line, QStringList* ended);
    // The command was answered: the count line of its run of repeats, if any.
    QString answered(const QString& command);
    // The connection ended: the count lines of every run with repeats; all forgotten.
    QStringList endAll();

private:
    struct Run {
        int error = 0;
        QString line;
        int repeats = 0;
    };
    static QString countLine(const Run& run);

    QHash<QString, Run> runs; // by command
};
