#include "console.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>

void printLine(const QByteArray& line, FILE* stream)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

void printLine(const QString& line, FILE* stream)
{
    printLine(line.toUtf8(), stream);
}

namespace
{

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int)
{
    stopRequested = 1;
}

} // namespace

void quitOnStopSignals()
{
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, QCoreApplication::instance(), [] {
        if (stopRequested)
            QCoreApplication::quit();
    });
    poll->start(50);
}
