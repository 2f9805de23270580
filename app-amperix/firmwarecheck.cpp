#include "firmwarecheck.h"

#include "programinfo.h"

#include <QDir>
#include <QStringList>

namespace FirmwareCheck
{

namespace
{
int decimal(const QString& part)
{
    bool ok = false;
    const int value = part.toInt(&ok, 10);
    return ok ? value : 0;
}
} // namespace

bool parseVersion(const QString& text, Version* version, int* partCount)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (partCount)
        *partCount = parts.size();
    if (parts.size() < 3)
        return false;
    version->major = decimal(parts.at(0));
    version->minor = decimal(parts.at(1));
    version->patch = decimal(parts.at(2));
    return true;
}

bool isNewer(const Version& candidate, const Version& reference)
{
    if (candidate.major != reference.major)
        return candidate.major > reference.major;
    if (candidate.minor != reference.minor)
        return candidate.minor > reference.minor;
    return candidate.patch > reference.patch;
}

bool isCompatible(const Version& supply, const Version& program)
{
    return supply.major == program.major && supply.minor == program.minor;
}

Version programVersion()
{
    Version v;
    parseVersion(QString::fromUtf8(ProgramInfo::version), &v);
    return v;
}

QString familyPrefix(const QString& family)
{
    if (family == QLatin1String("KORA-PS-1K5"))
        return QStringLiteral("KORA-PS1K5-");
    if (family == QLatin1String("ORTX"))
        return QStringLiteral("ORTX-");
    return QStringLiteral("KORA-PS-");
}

NewerFile findNewerFile(const QString& folder, const QString& family, const Version& supply)
{
    NewerFile result;
    const QString prefix = familyPrefix(family);
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral("*.updt")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        if (!name.contains(prefix))
            continue;
        QString rest = name;
        rest.remove(prefix);
        rest.remove(QStringLiteral("-FULL"));
        rest.remove(QStringLiteral("-STANDARD"));
        rest.remove(QStringLiteral(".updt"));
        Version local;
        if (!parseVersion(rest, &local))
            continue;
        if (isNewer(local, supply)) {
            result.found = true;
            result.fileName = name;
            result.rest = rest;
            result.version = local;
            result.loggedName = prefix + rest + QStringLiteral("-STANDARD.updt");
            // The first newer file in name order is the one offered.
            break;
        }
    }
    return result;
}

} // namespace FirmwareCheck
