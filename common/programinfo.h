#pragma once

// The facts that differ between the two programs built from this folder.
// Each program links exactly one definition of them (common/amperix or
// common/dravix), so shared code and the main windows read them from here.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace ProgramInfo
{

extern const char name[];                // shown in the About heading
extern const char version[];             // newest release in the release notes
extern const char date[];                // copyright year on the About page
extern const char organisation[];        // settings store organisation
extern const char settingsApplication[]; // settings store application
extern const char logoResource[];        // the wordmark the About/Changelog forms show

// Release notes shown by ChangeLog (plain text, UTF-8).
extern const char* const releaseNotes;

// Web pages the update check and the "Website Updates" entry point at.
extern const char installersUrl[];       // where the installers can be downloaded
extern const char updateRepositoryUrl[]; // the maintenance tool's online repository
extern const char websiteUpdatesUrl[];   // the program's download page

// The About page: its heading (with placeholders), the list of compatible
// models (empty when the program has none) and the placeholders with their
// replacements, applied in the order given.
QString aboutHeading();
QStringList aboutModelList();
QList<QPair<QString, QString>> aboutPlaceholders();

} // namespace ProgramInfo
