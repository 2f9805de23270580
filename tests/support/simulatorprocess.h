#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// Starts one of the project's instrument simulators (supply-sim, box-sim) on a
// free loopback port and stops it again.
//
// The simulators share a small start-up contract:
//  - they listen on the loopback address unless told another one;
//  - "--port 0" makes them listen on a free port and print "PORT <n>" on stdout;
//  - "--pty" (box-sim) also prints "PTY <path>";
//  - "--log FILE" appends every command received, one per line;
//  - each line written to their standard input is a control command (fault
//    switches and state changes); they answer it with a line "OK ..." or
//    "ERR ..." on stdout.
class SimulatorProcess
{
public:
    explicit SimulatorProcess(const QString& programName);
    ~SimulatorProcess();

    // Full path of a program built into the project's bin folder.
    static QString programPath(const QString& programName);
    // The addresses of this machine other than 127.0.0.1 (another loopback
    // address and each interface's own) that accept a connection on `port`.
    static QStringList acceptedBeyondLoopback(quint16 port);

    // Starts the program with "--port 0 --log <temp file>" plus `extraArgs`
    // and waits for its "PORT" line (and "PTY" line when `expectPty`).
    bool start(const QStringList& extraArgs = {}, bool expectPty = false, int timeoutMs = 30000);
    void stop();
    bool isRunning() const;

    quint16 port() const { return listenPort; }
    qint64 processId() const { return process.processId(); }
    QString ptyPath() const { return pty; }
    QString logPath() const { return logFile; }

    // Sends one control line and waits for its "OK"/"ERR" answer.
    // Returns true for "OK"; the answer line is stored in lastReply().
    bool control(const QString& line, int timeoutMs = 20000);
    QString lastReply() const { return reply; }

    // The commands the simulator has received so far, as logged.
    QStringList commandLog() const;
    // Waits until the command log holds at least `count` lines.
    bool waitForLogLines(int count, int timeoutMs = 20000) const;
    // Everything else the program printed (diagnostics).
    QString output() const { return outputText; }

private:
    bool readLineUntil(const QString& prefix, QString* value, int timeoutMs);

    QString name;
    QProcess process;
    QTemporaryDir dir;
    QString logFile;
    quint16 listenPort = 0;
    QString pty;
    QString reply;
    QString outputText;
};
