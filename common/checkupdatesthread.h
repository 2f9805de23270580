#pragma once

#include <QByteArray>
#include <QStringList>
#include <QThread>

// Runs the installer's maintenance tool once, off the GUI thread, and hands
// back its process error code and standard output.
//
// The tool gets `timeoutMs` to finish (30 s by default). The owner may end a
// run early with requestInterruption() followed by quit(): the tool is then
// killed and no result is reported.
class CheckUpdatesThread : public QThread
{
    Q_OBJECT

public:
    static constexpr int defaultTimeoutMs = 30000;

    CheckUpdatesThread(const QString& program, const QStringList& arguments, bool isAtStartup,
                       QObject* parent = nullptr);
    ~CheckUpdatesThread() override;

    void setTimeout(int ms) { m_timeoutMs = ms; }
    int timeout() const { return m_timeoutMs; }

signals:
    // `error` is a QProcess::ProcessError; QProcess::UnknownError (5) means
    // the tool ran and finished in time.
    void resultReady(int error, QByteArray data, bool isAtStartup);

protected:
    void run() override;

private:
    QString m_program;
    QStringList m_arguments;
    bool m_isAtStartup;
    int m_timeoutMs = defaultTimeoutMs;
};
