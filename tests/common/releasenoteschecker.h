#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Reads a release-notes text and reports every place where it breaks the
// layout the change-log window relies on. Used by the tests over both
// programs' notes.
struct ReleaseSection {
    QString word;
    QStringList items; // item texts without the leading "- "
};

struct Release {
    QString heading; // the whole heading line
    QString version;
    QString date;
    QList<ReleaseSection> sections;
};

struct ReleaseNotesCheck {
    QList<Release> releases;
    QStringList errors; // "line N: what is wrong"

    bool ok() const { return errors.isEmpty(); }
    // "Added (2), Fixed (9), Removed (1)" for release `i`.
    QString sectionSummary(int i) const;
};

ReleaseNotesCheck checkReleaseNotes(const QByteArray& text);
