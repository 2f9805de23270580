#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

// Writes one line and flushes at once: the test harness reads the
// simulator's answers while it runs.
void printLine(const QByteArray& line, FILE* stream = stdout);
void printLine(const QString& line, FILE* stream = stdout);

// SIGINT and SIGTERM end the event loop of the running application. The
// handler only sets a flag, which a timer looks at, so nothing unsafe runs
// inside the signal handler.
void quitOnStopSignals();
