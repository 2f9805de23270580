#include "tempsettings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

TempSettings::TempSettings()
{
    oldConfigHome = qgetenv("XDG_CONFIG_HOME");
    oldDataHome = qgetenv("XDG_DATA_HOME");
    const QString config = dir.path() + QStringLiteral("/config");
    const QString data = dir.path() + QStringLiteral("/data");
    QDir().mkpath(config);
    QDir().mkpath(data);
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    qputenv("XDG_DATA_HOME", data.toLocal8Bit());
    // QSettings caches its default folders on first use; set them explicitly.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
}

TempSettings::~TempSettings()
{
    if (oldConfigHome.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfigHome);
    if (oldDataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldDataHome);
}
