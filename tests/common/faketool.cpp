#include "faketool.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cerrno>
#include <csignal>
#include <sys/types.h>

FakeTool::FakeTool(const QString& checkBody)
{
    toolPath = dir.filePath(QStringLiteral("maintenancetool"));
    QFile f(toolPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the fake maintenance tool");
    QTextStream out(&f);
    out << "#!/bin/sh\n"
        << "DIR='" << dir.path() << "'\n"
        << "echo \"$*\" >> \"$DIR/calls.log\"\n"
        << "if [ \"$1\" = \"--updater\" ]; then echo started >> \"$DIR/updater.log\"; exit 0; fi\n"
        << checkBody << "\n";
    out.flush();
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                     QFile::ExeGroup);
}

QString FakeTool::canonicalPath() const
{
    return QFileInfo(toolPath).canonicalFilePath();
}

QStringList FakeTool::calls() const
{
    QFile f(dir.filePath(QStringLiteral("calls.log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    lines.removeAll(QString());
    return lines;
}

bool FakeTool::updaterStarted() const
{
    return QFile::exists(dir.filePath(QStringLiteral("updater.log")));
}

QList<qint64> FakeTool::pids() const
{
    QList<qint64> out;
    QFile f(dir.filePath(QStringLiteral("pid")));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray& line : lines)
        if (!line.trimmed().isEmpty())
            out << line.trimmed().toLongLong();
    return out;
}

bool FakeTool::processExists(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}
