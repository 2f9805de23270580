#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// "Amperix.config": the PID parameter files the window lists, one path a line.
namespace ConfigFile
{

// A list of paths this long is no list the window kept.
constexpr qint64 maxFileSize = 1 << 20;

// The paths in file order: UTF-8, one a line (CR LF read as LF), empty lines
// and lines holding a NUL (no path can) skipped, blanks kept.
QStringList parse(const QByteArray& bytes);
// The file's bytes: each path and a LF, UTF-8.
QByteArray format(const QStringList& paths);

// Where the file lives: beside the program when that folder can be written,
// else in `userDataDir` (the per-user data folder).
QString location(const QString& programDir, const QString& userDataDir);

// Puts the file in `folder` whatever the program's folder (tests and scripted
// runs keep their own); an empty text restores the rule above.
void setFolder(const QString& folder);

} // namespace ConfigFile
