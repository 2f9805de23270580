#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A stand-in for the installer's maintenance tool: a shell script in a
// temporary folder. Every call appends its arguments to calls.log;
// "--updater" only records itself; "--checkupdates" runs `checkBody`, in
// which $DIR names the folder (for files the test reads back).
class FakeTool
{
public:
    explicit FakeTool(const QString& checkBody);

    QString path() const { return toolPath; }
    QString canonicalPath() const;
    QString file(const QString& name) const { return dir.filePath(name); }

    QStringList calls() const;
    bool updaterStarted() const;
    // PIDs the body appended to $DIR/pid, one per run.
    QList<qint64> pids() const;
    static bool processExists(qint64 pid);

private:
    QTemporaryDir dir;
    QString toolPath;
};
