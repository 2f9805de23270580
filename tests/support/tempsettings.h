#pragma once

#include <QString>
#include <QTemporaryDir>

// Points every settings store of the process (QSettings and the XDG folders)
// at a fresh temporary folder for the lifetime of the object, so tests never
// read or write the user's own settings.
class TempSettings
{
public:
    TempSettings();
    ~TempSettings();

    QString path() const { return dir.path(); }
    bool isValid() const { return dir.isValid(); }

private:
    QTemporaryDir dir;
    QByteArray oldConfigHome;
    QByteArray oldDataHome;
};
