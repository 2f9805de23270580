#include "checkupdatesthread.h"

#include "commonlog.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

CheckUpdatesThread::CheckUpdatesThread(const QString& program, const QStringList& arguments, bool isAtStartup,
                                       QObject* parent)
    : QThread(parent), m_program(program), m_arguments(arguments), m_isAtStartup(isAtStartup)
{
}

CheckUpdatesThread::~CheckUpdatesThread()
{
    COMMON_LOG(updatesLogger, info, "CheckUpdatesThread destroyed");
}

void CheckUpdatesThread::run()
{
    COMMON_LOG(updatesLogger, trace, "run called");

    QProcess process;
    process.start(m_program, m_arguments, QIODevice::ReadWrite);

    // Wait in a local event loop rather than in waitForFinished(), so that the
    // owner can stop a run at once with quit() when the program closes.
    bool timedOut = false;
    if (process.state() != QProcess::NotRunning) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        connect(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &loop,
                &QEventLoop::quit);
        connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
        connect(&timer, &QTimer::timeout, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        timer.start(m_timeoutMs);
        // A quit() that came before this point makes exec() return at once.
        if (process.state() != QProcess::NotRunning)
            loop.exec();
    }

    int error = process.error();
    if (timedOut && process.state() != QProcess::NotRunning)
        error = QProcess::Timedout;
    const QByteArray output = process.readAllStandardOutput();

    // A tool still running after the time-out (or when the program closes)
    // is ended here rather than left behind.
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }

    if (isInterruptionRequested())
        return; // the owner is going away; nobody wants the answer
    emit resultReady(error, output, m_isAtStartup);
}
