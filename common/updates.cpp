#include "updates.h"

#include "checkupdatesthread.h"
#include "commonlog.h"
#include "programinfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QWidget>

namespace
{

const QString boxTitle = QStringLiteral("Updates");

QString canonicalToolPath(const QString& path)
{
    if (path.isEmpty())
        return QString();
    // Empty for a file that does not exist, which stands for a missing tool.
    return QFileInfo(path).canonicalFilePath();
}

QString processErrorReason(int error)
{
    switch (error) {
    case QProcess::FailedToStart:
        return QStringLiteral(
            " The process failed to start. Either the invoked program is missing, or you may "
            "have insufficient permissions to invoke the program.");
    case QProcess::Crashed:
        return QStringLiteral(" The process crashed some time after starting successfully.");
    case QProcess::Timedout:
        return QStringLiteral(" Timeout.");
    case QProcess::ReadError:
        return QStringLiteral(" An error occurred when attempting to read from the process. For example, the "
                              "process may not be running.");
    case QProcess::WriteError:
        return QStringLiteral(" An error occurred when attempting to write to the process. For example, the "
                              "process may not be running, or it may have closed its input channel.");
    default:
        return QStringLiteral(" Unknown error, code error ") + QString::number(error);
    }
}

} // namespace

const char Updates::automaticUpdatesEnabledKey[] = "automaticUpdatesEnabled";

Updates::Updates(QWidget* parent) : Updates(parent, defaultMaintenanceToolPath()) {}

Updates::Updates(QWidget* parent, const QString& maintenanceToolPath)
    : QObject(parent), m_parent(parent), m_maintenancetool(canonicalToolPath(maintenanceToolPath)),
      m_timeoutMs(CheckUpdatesThread::defaultTimeoutMs)
{
    COMMON_LOG(updatesLogger, info, "Updates created");
    COMMON_LOG(updatesLogger, debug, "m_maintenancetool path = {}", m_maintenancetool);
}

Updates::~Updates()
{
    // A check may still be waiting for the tool when the program closes: end
    // the tool and let the thread finish before its object goes with us.
    const auto threads = findChildren<CheckUpdatesThread*>(QString(), Qt::FindDirectChildrenOnly);
    for (CheckUpdatesThread* t : threads) {
        t->requestInterruption();
        t->quit();
    }
    for (CheckUpdatesThread* t : threads)
        t->wait();
    COMMON_LOG(updatesLogger, info, "Updates destroyed");
}

QString Updates::maintenanceToolName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("maintenancetool.exe");
#else
    return QStringLiteral("maintenancetool");
#endif
}

QString Updates::maintenanceToolPathFor(const QString& applicationDir)
{
    const QString installDir = QDir::cleanPath(applicationDir + QStringLiteral("/.."));
    return QFileInfo(QDir(installDir), maintenanceToolName()).canonicalFilePath();
}

QString Updates::defaultMaintenanceToolPath()
{
    return maintenanceToolPathFor(QCoreApplication::applicationDirPath());
}

bool Updates::automaticUpdatesEnabled(const QSettings& settings)
{
    const QString key = QString::fromLatin1(automaticUpdatesEnabledKey);
    return settings.contains(key) ? settings.value(key).toBool() : true;
}

void Updates::setAutomaticUpdatesEnabled(QSettings& settings, bool enabled)
{
    settings.setValue(QString::fromLatin1(automaticUpdatesEnabledKey), enabled);
}

int Updates::runningChecks() const
{
    int n = 0;
    const auto threads = findChildren<CheckUpdatesThread*>(QString(), Qt::FindDirectChildrenOnly);
    for (const CheckUpdatesThread* t : threads)
        if (!t->isFinished())
            ++n;
    return n;
}

QString Updates::repositoryLink(const char* url) const
{
    return QStringLiteral("<a href='") + QString::fromLatin1(url) + QStringLiteral("'>Orvane repository</a>");
}

void Updates::checkUpdates(bool isAutomaticUpdatesEnabled, bool isAtStartup)
{
    COMMON_LOG(updatesLogger, trace, "checkUpdates called, isAutomaticUpdatesEnabled = {}, isAtStartup = {}",
               isAutomaticUpdatesEnabled, isAtStartup);
    if (!isAutomaticUpdatesEnabled)
        return;

    const QStringList arguments{QStringLiteral("--checkupdates")};

    if (m_maintenancetool.isEmpty()) {
        const QString text = QStringLiteral("Cannot start maintancetool ") + m_maintenancetool +
                             QStringLiteral(", please reinstall the application with ONLINE or OFFLINE "
                                            "installer from ") +
                             repositoryLink(ProgramInfo::installersUrl) +
                             QStringLiteral(" and if the issue persists contact the support.");
        QMessageBox::critical(m_parent, boxTitle, text, QMessageBox::Ok);
        COMMON_LOG(updatesLogger, error, "{}", text);
        return;
    }

    auto* thread = new CheckUpdatesThread(m_maintenancetool, arguments, isAtStartup, this);
    thread->setTimeout(m_timeoutMs);
    COMMON_LOG(updatesLogger, info, "CheckUpdatesThread created");
    connect(thread, &CheckUpdatesThread::resultReady, this, &Updates::checkResult);
    // A finished check has nothing left to give; repeated checks would
    // otherwise pile up thread objects for the rest of the run.
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void Updates::checkResult(int error, QByteArray data, bool isAtStartup)
{
    COMMON_LOG(updatesLogger, trace, "checkResult, error = {}, data = {}, isAtStartup = {}", error,
               QString::fromUtf8(data), isAtStartup);

    if (error != QProcess::UnknownError) {
        const QString text = QStringLiteral("Error calling maintenancetool ") + m_maintenancetool +
                             QStringLiteral(". ") + processErrorReason(error);
        QMessageBox::critical(m_parent, boxTitle, text, QMessageBox::Ok);
        COMMON_LOG(updatesLogger, error, "{}", text);
        return;
    }

    // The tool's answer is text up to the first zero byte.
    const QString output = QString::fromUtf8(data.constData());
    if (!output.contains(QStringLiteral("<updates>"), Qt::CaseSensitive)) {
        if (!isAtStartup)
            QMessageBox::information(m_parent, boxTitle, QStringLiteral("No updates available."),
                                     QMessageBox::Ok);
        COMMON_LOG(updatesLogger, debug, "No updates available");
        return;
    }

    const auto answer = QMessageBox::information(
        m_parent, boxTitle,
        QStringLiteral("There are updates, would you like to upgrade (the application will be closed)?"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        COMMON_LOG(updatesLogger, debug, "User skipped updates");
        return;
    }

    if (QProcess::startDetached(m_maintenancetool, {QStringLiteral("--updater")})) {
        QCoreApplication::quit();
        return;
    }

    const QString text =
        QStringLiteral("The maintancetool is installed properly but an error occurs, check if "
                       "you have access permission and if ") +
        repositoryLink(ProgramInfo::updateRepositoryUrl) +
        QStringLiteral(" is reachable (i.e. firewall or proxy is blocking it) and try again "
                       "later; if the issue persists contact the support.");
    QMessageBox::critical(m_parent, boxTitle, text, QMessageBox::Ok);
    COMMON_LOG(updatesLogger, error, "{}", text);
}
