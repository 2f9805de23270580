#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSettings;
class QWidget;

// Asks the installer's maintenance tool whether updates exist and, on the
// user's consent, starts its updater and ends the program.
//
// The tool lies in the installation folder, the parent of the folder that
// holds the program. Each check runs the tool in a CheckUpdatesThread so the
// window stays responsive; the answer comes back to checkResult() on the GUI
// thread, where every message box is shown (parented to the given window).
class Updates : public QObject
{
    Q_OBJECT

public:
    // Settings key of the "Automatic Updates Enabled" menu entry.
    static const char automaticUpdatesEnabledKey[];

    // Looks for the tool beside the installation (defaultMaintenanceToolPath()).
    explicit Updates(QWidget* parent);
    // Uses the given tool; a path that does not name an existing file counts
    // as a missing tool.
    Updates(QWidget* parent, const QString& maintenanceToolPath);
    ~Updates() override;

    // "maintenancetool.exe" on Windows, "maintenancetool" elsewhere.
    static QString maintenanceToolName();
    // Canonical path of the tool in the parent of `applicationDir`, or an
    // empty text when there is none.
    static QString maintenanceToolPathFor(const QString& applicationDir);
    // The same for this program's own folder.
    static QString defaultMaintenanceToolPath();

    // The stored "Automatic Updates Enabled" state; true when never stored.
    static bool automaticUpdatesEnabled(const QSettings& settings);
    static void setAutomaticUpdatesEnabled(QSettings& settings, bool enabled);

    QString maintenanceTool() const { return m_maintenancetool; }

    // How long the tool may take to answer (30 s unless changed).
    void setCheckTimeout(int ms) { m_timeoutMs = ms; }
    int checkTimeout() const { return m_timeoutMs; }

    // Checks still running (finished ones delete themselves).
    int runningChecks() const;

public slots:
    void checkUpdates(bool isAutomaticUpdatesEnabled, bool isAtStartup = true);
    void checkResult(int error, QByteArray data, bool isAtStartup);

private:
    QString repositoryLink(const char* url) const;

    QWidget* m_parent;
    QString m_maintenancetool;
    int m_timeoutMs;
};
