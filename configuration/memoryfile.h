#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Memory files (".psm"): one line per table row, "<row>:<value>", LF ended,
// written as UTF-8.
namespace MemoryFile
{

// The file's bytes for a table's Value texts, row 0 first.
QByteArray format(const QStringList& values);

// A saved table takes a few kilobytes; a file larger than this is no memory file.
constexpr qint64 maxFileSize = 1 << 20;

struct Parsed {
    QMap<int, QString> values; // row -> value; a later line wins
    int ignored = 0;           // lines whose row is not a row of the table
};

// Reads a file's bytes for a table of `rowCount` rows. The value is everything
// after the first colon (a MAC address keeps its colons). A line whose row is
// not a plain decimal number below `rowCount` is ignored and counted; empty
// lines and lines with an empty value change nothing. A byte-order mark is
// honoured; bytes that are not UTF-8 are read as Latin-1.
Parsed parse(const QByteArray& bytes, int rowCount);

// The text of a file's bytes: UTF-8 or UTF-16 by its byte-order mark, else
// UTF-8 when valid, else Latin-1.
QString decode(const QByteArray& bytes);

} // namespace MemoryFile
