#pragma once

#include <QByteArrayList>
#include <QList>
#include <QString>

class QCPGraph;

// The text file of plotted graphs: a header of graph names, then one row per
// point of the first graph with its time and every graph's value, fields
// separated by tabs. Every line ends with "\n\r"; written in text mode, so
// each "\n" becomes the platform's line end.
namespace GraphExport
{

// True when every graph holds as many points as the first.
bool sameLength(const QList<QCPGraph*>& graphs);

// The name proposed for the file: the first graph's name made a plain file
// name (as the SD-card save does), with ".txt".
QString proposedFileName(const QList<QCPGraph*>& graphs);

// The lines of the file (the first graph's keys give the rows).
QStringList lines(const QList<QCPGraph*>& graphs);

// A key (seconds since 1970-01-01 UTC) as the local date and time of its
// whole second, in Qt's text date format.
QString timeText(double key);

// The file's bytes, a chunk a line, in the system's encoding (before the
// text mode turns each "\n" into the platform's line end).
QByteArrayList bytes(const QList<QCPGraph*>& graphs);

// Writes `graphs` to `path`; false with a reason when the file cannot be
// opened or written, and the old file at `path` is then left as it was.
bool write(const QString& path, const QList<QCPGraph*>& graphs, QString* error);

} // namespace GraphExport
