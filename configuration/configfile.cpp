#include "configfile.h"

#include <QDir>
#include <QFileInfo>

namespace ConfigFile
{

namespace
{
QString fixedFolder;
}

void setFolder(const QString& folder)
{
    fixedFolder = folder;
}

QStringList parse(const QByteArray& bytes)
{
    QString text = QString::fromUtf8(bytes.constData(), bytes.size());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList paths;
    for (const QString& part : text.split(QLatin1Char('\n'))) {
        if (!part.isEmpty() && !part.contains(QChar(0)))
            paths << part;
    }
    return paths;
}

QByteArray format(const QStringList& paths)
{
    QByteArray bytes;
    for (const QString& path : paths)
        bytes += path.toUtf8() + '\n';
    return bytes;
}

QString location(const QString& programDir, const QString& userDataDir)
{
    const QString name = QStringLiteral("Amperix.config");
    if (!fixedFolder.isEmpty())
        return QDir::cleanPath(fixedFolder + QLatin1Char('/') + name);
    const QString besideProgram = QDir::cleanPath(programDir + QLatin1Char('/') + name);
    const QFileInfo dir(programDir);
    // The file is replaced through a temporary file beside it: the folder must be writable.
    const bool writable = dir.isDir() && dir.isWritable();
    if (writable || userDataDir.isEmpty())
        return besideProgram;
    return QDir::cleanPath(userDataDir + QLatin1Char('/') + name);
}

} // namespace ConfigFile
