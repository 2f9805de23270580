// box-sim: a simulated SENTREL DCCT readout box for development and tests.
// See README.md beside this file for the options and control lines.

#include "simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#else
#include <iostream>
#include <string>
#include <thread>
#endif

namespace
{

// Reads control lines from standard input and hands each to the simulator.
// The end of standard input only stops the reading, not the box.
void watchStandardInput(Simulator* sim, QObject* owner)
{
#ifdef Q_OS_UNIX
    auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, owner);
    auto* pending = new QByteArray;
    QObject::connect(notifier, &QObject::destroyed, [pending] { delete pending; });
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [sim, notifier, pending] {
        char buf[4096];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            notifier->setEnabled(false);
            return;
        }
        pending->append(buf, int(n));
        int nl;
        while ((nl = pending->indexOf('\n')) >= 0) {
            const QByteArray line = pending->left(nl);
            pending->remove(0, nl + 1);
            printLine(sim->control(line));
        }
        // A control line is short; a runaway one is thrown away.
        if (pending->size() > 1 << 20)
            pending->clear();
    });
#else
    std::thread([sim] {
        std::string line;
        while (std::getline(std::cin, line)) {
            const QByteArray bytes = QByteArray::fromStdString(line);
            QMetaObject::invokeMethod(sim, [sim, bytes] { printLine(sim->control(bytes)); });
        }
    }).detach();
    Q_UNUSED(owner);
#endif
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("box-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated SENTREL DCCT readout box (TCP and pseudo-terminal)."));
    parser.addHelpOption();
    const QCommandLineOption portOpt(QStringLiteral("port"),
                                     QStringLiteral("TCP port (default 10001, 0: any free port)."),
                                     QStringLiteral("n"), QStringLiteral("10001"));
    const QCommandLineOption listenOpt(
        QStringLiteral("listen"),
        QStringLiteral("Address to listen on (default 127.0.0.1, this machine only; any: every address)."),
        QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption ptyOpt(QStringLiteral("pty"), QStringLiteral("Also serve a pseudo-terminal."));
    const QCommandLineOption ptyLinkOpt(
        QStringLiteral("pty-link"),
        QStringLiteral("Keep a symbolic link at this path pointing at the slave."), QStringLiteral("path"));
    const QCommandLineOption logOpt(
        QStringLiteral("log"), QStringLiteral("Append every command to this file."), QStringLiteral("file"));
    const QCommandLineOption maxLineOpt(QStringLiteral("max-line"),
                                        QStringLiteral("Longest command kept (bytes)."), QStringLiteral("n"),
                                        QStringLiteral("4096"));
    const QCommandLineOption backlogOpt(QStringLiteral("backlog"),
                                        QStringLiteral("Stream bytes queued per link before lines are lost."),
                                        QStringLiteral("n"), QStringLiteral("262144"));
    const QCommandLineOption controlOpt(QStringLiteral("control"),
                                        QStringLiteral("Run a control line at start (repeatable)."),
                                        QStringLiteral("line"));
    const QCommandLineOption setOpt(QStringLiteral("set"), QStringLiteral("Set a state field (repeatable)."),
                                    QStringLiteral("field=value"));
    const QCommandLineOption nakOpt(QStringLiteral("nak"),
                                    QStringLiteral("Answer this command with NAK (repeatable)."),
                                    QStringLiteral("command"));
    const QCommandLineOption delayOpt(QStringLiteral("delay"), QStringLiteral("Hold every reply back (ms)."),
                                      QStringLiteral("ms"));
    const QCommandLineOption chunkOpt(QStringLiteral("chunk"),
                                      QStringLiteral("Write output in pieces of n bytes, gap ms apart."),
                                      QStringLiteral("n[,gap]"));
    const QCommandLineOption dropAfterOpt(QStringLiteral("drop-after"),
                                          QStringLiteral("Drop the links after n commands."),
                                          QStringLiteral("n"));
    const QCommandLineOption stallOpt(QStringLiteral("stall"), QStringLiteral("Answer no command."));
    const QCommandLineOption silentOpt(QStringLiteral("silent"),
                                       QStringLiteral("Accept links but never write."));
    const QCommandLineOption garbageOpt(QStringLiteral("garbage"),
                                        QStringLiteral("Replace replies by junk."));
    const QCommandLineOption badStatusOpt(QStringLiteral("bad-status"),
                                          QStringLiteral("Status and error words not hexadecimal."));
    const QCommandLineOption badValuesOpt(QStringLiteral("bad-values"),
                                          QStringLiteral("Malformed date, time, current and ADC readings."));
    const QCommandLineOption badStreamOpt(QStringLiteral("bad-stream"),
                                          QStringLiteral("Mix malformed lines into the stream."));
    const QCommandLineOption refuseOpt(QStringLiteral("refuse"), QStringLiteral("Refuse TCP connections."));
    const QCommandLineOption streamOpt(QStringLiteral("stream"),
                                       QStringLiteral("Start acquiring and streaming."));
    const QCommandLineOption noProtectOpt(QStringLiteral("no-protect"),
                                          QStringLiteral("Calibration settings need no password."));
    const QCommandLineOption holdClockOpt(QStringLiteral("hold-clock"),
                                          QStringLiteral("Stop the box's clock."));
    parser.addOptions({portOpt,      listenOpt,  ptyOpt,    ptyLinkOpt,   logOpt,       maxLineOpt,
                       backlogOpt,   controlOpt, setOpt,    nakOpt,       delayOpt,     chunkOpt,
                       dropAfterOpt, stallOpt,   silentOpt, garbageOpt,   badStatusOpt, badValuesOpt,
                       badStreamOpt, refuseOpt,  streamOpt, noProtectOpt, holdClockOpt});
    parser.process(app);

    Simulator::Options options;
    bool good = false;
    const uint port = parser.value(portOpt).toUInt(&good);
    if (!good || port > 65535) {
        std::fprintf(stderr, "box-sim: bad port %s\n", qPrintable(parser.value(portOpt)));
        return 2;
    }
    options.port = quint16(port);
    const QString listenText = parser.value(listenOpt);
    if (listenText == QLatin1String("any")) {
        options.address = QHostAddress::Any;
    } else {
        options.address = QHostAddress(listenText);
        if (options.address.isNull()) {
            std::fprintf(stderr, "box-sim: bad listen address %s\n", qPrintable(listenText));
            return 2;
        }
    }
    options.pty = parser.isSet(ptyOpt) || parser.isSet(ptyLinkOpt);
    options.ptyLink = parser.value(ptyLinkOpt);
    options.logPath = parser.value(logOpt);
    options.maxLine = qBound(16, parser.value(maxLineOpt).toInt(), 1 << 20);
    options.backlog = qBound<qint64>(1024, parser.value(backlogOpt).toLongLong(), 64 << 20);

    Simulator sim(options);

    // Every switch is a control line run before the links open, so options and
    // control lines can never disagree about what a switch does.
    QList<QByteArray> startup;
    auto flagLine = [&](const QCommandLineOption& opt, const char* line) {
        if (parser.isSet(opt))
            startup << line;
    };
    flagLine(stallOpt, "stall on");
    flagLine(silentOpt, "silent on");
    flagLine(garbageOpt, "garbage on");
    flagLine(badStatusOpt, "badstatus on");
    flagLine(badValuesOpt, "badvalues on");
    flagLine(badStreamOpt, "badstream on");
    flagLine(noProtectOpt, "set protect 0");
    flagLine(holdClockOpt, "clock hold");
    if (parser.isSet(delayOpt))
        startup << "delay " + parser.value(delayOpt).toUtf8();
    if (parser.isSet(chunkOpt))
        startup << "chunk " + parser.value(chunkOpt).toUtf8().replace(',', ' ');
    if (parser.isSet(dropAfterOpt))
        startup << "dropafter " + parser.value(dropAfterOpt).toUtf8();
    for (const QString& n : parser.values(nakOpt))
        startup << "nak " + n.toUtf8();
    for (const QString& s : parser.values(setOpt)) {
        QByteArray assignment = s.toUtf8();
        const int eq = assignment.indexOf('=');
        if (eq > 0)
            assignment[eq] = ' ';
        startup << "set " + assignment;
    }
    flagLine(streamOpt, "stream on");
    for (const QString& c : parser.values(controlOpt))
        startup << c.toUtf8();
    flagLine(refuseOpt, "refuse on");
    for (const QByteArray& line : startup) {
        const QByteArray answer = sim.control(line);
        if (!answer.startsWith("OK")) {
            std::fprintf(stderr, "box-sim: %s: %s\n", line.constData(), answer.constData());
            return 2;
        }
    }

    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "box-sim: %s\n", qPrintable(error));
        return 1;
    }

    QObject::connect(&sim, &Simulator::quitRequested, &app,
                     [] { QTimer::singleShot(0, qApp, &QCoreApplication::quit); });
    quitOnStopSignals();
#ifdef SIGTTIN
    // Started in the background of a terminal, reading stdin must not stop us:
    // the read fails instead, and only the control lines end.
    std::signal(SIGTTIN, SIG_IGN);
#endif
    watchStandardInput(&sim, &app);

#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif

    return app.exec();
}
