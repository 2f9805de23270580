#pragma once

#include "programinfo.h"

#include <QSettings>

// Amperix keeps its connection settings (and, through Updates, the
// automatic-update switch) in the platform's native store for the program's
// organisation and name.
namespace AmperixSettings
{
inline constexpr char ipAddressKey[] = "ip_address";
inline constexpr char portKey[] = "port";
inline constexpr char dataRefreshKey[] = "data_refresh";
inline constexpr char socketWaitKey[] = "socket_wait";

inline QSettings open()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromUtf8(ProgramInfo::organisation),
                     QString::fromUtf8(ProgramInfo::settingsApplication));
}
} // namespace AmperixSettings
