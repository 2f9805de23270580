#pragma once

// The decisions of the firmware check made when a connection stands: reading
// version texts, finding a newer firmware file for the supply's family in the
// firmware folder, and whether the supply's firmware suits this program.

#include <QString>

namespace FirmwareCheck
{

struct Version {
    int major = 0;
    int minor = 0;
    int patch = 0;
};

// Splits `text` at every "." (empty parts kept) and reads the first three
// parts as decimal numbers, a part that is not one reading 0. Returns false
// when there are fewer than three parts. `partCount` gets the number of parts.
bool parseVersion(const QString& text, Version* version, int* partCount = nullptr);

// Major, then minor, then patch.
bool isNewer(const Version& candidate, const Version& reference);

// The program and the supply agree on major and minor.
bool isCompatible(const Version& supply, const Version& program);

// This program's version.
Version programVersion();

// The file-name prefix of a family's firmware files.
QString familyPrefix(const QString& family);

struct NewerFile {
    bool found = false;
    QString fileName; // as found in the folder
    QString rest;     // the name without prefix, edition and extension: "1.3.4"
    Version version;
    // The name the log reports: prefix + rest + "-STANDARD.updt".
    QString loggedName;
};

// Looks through the "*.updt" files of `folder` in case-insensitive name order
// for the first one of `family` that is newer than `supply`. Files whose name
// does not give three version parts are skipped. A missing folder finds nothing.
NewerFile findNewerFile(const QString& folder, const QString& family, const Version& supply);

} // namespace FirmwareCheck
