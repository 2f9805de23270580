// supply-sim: a stand-in for the power supply's command port, for tests and
// demonstrations. See README.md beside this file for options and control lines.

#include "commandlog.h"
#include "commandserver.h"
#include "console.h"
#include "controlcommands.h"
#include "faultswitches.h"
#include "firmwareserver.h"
#include "stdinreader.h"
#include "supplycommands.h"
#include "supplystate.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>

#include <csignal>
#include <cstdio>

namespace
{

// Long options and the control line each one stands for.
struct OptionLine {
    const char* name;
    const char* valueName;
    const char* description;
    const char* control; // control verb; the option's value follows it
};

const OptionLine optionLines[] = {
    {"family", "name", "Supply family: KORA-PS (default), KORA-PS-M, KORA-PS-1K5 or ORTX.", "set family"},
    {"model", "text", "Model text of the VER reply (default: by family).", "set model"},
    {"version", "text", "Firmware version of the VER reply (default 1.3.6).", "set version"},
    {"caps", "text", "Capabilities text of memory cell 130 (default: by family).", "set caps"},
    {"id", "text", "Module identifier of the MRID reply.", "set id"},
    {"limits", "text", "MLIMITS reply: voltage min:max:current min:max.", "set limits"},
    {"privileges", "text", "Privilege level at start (USER, ADMIN, SUPERADMIN).", "set privileges"},
    {"noise", "amplitude", "Noise added to readings while the output is on (default 0.002).", "set noise"},
    {"delay", "ms", "Delay every reply by this many milliseconds.", "delay"},
    {"chunk", "bytes", "Send replies in pieces of this many bytes.", "chunk"},
    {"nul", "mode", "Put a NUL in replies: inside or after.", "nul"},
    {"drop-after", "n", "Answer n more commands, then drop the connection of the next one.", "drop-after"},
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("supply-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Power-supply simulator for Amperix."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("port"),
                      QStringLiteral("Command port (default 10001, 0: any free port)."), QStringLiteral("n"),
                      QStringLiteral("10001")});
    parser.addOption({QStringLiteral("firmware-port"),
                      QStringLiteral("Firmware-upload port (default 13192, 0: any free port)."),
                      QStringLiteral("n"), QStringLiteral("13192")});
    parser.addOption({QStringLiteral("bind"),
                      QStringLiteral("Address to listen on (default 127.0.0.1, this machine only; "
                                     "0.0.0.0: every IPv4 address)."),
                      QStringLiteral("address")});
    parser.addOption({QStringLiteral("log"), QStringLiteral("Append every command received to this file."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("max-command"),
                      QStringLiteral("Longest command kept, in bytes (default 16777216)."),
                      QStringLiteral("bytes"), QStringLiteral("16777216")});
    for (const OptionLine& o : optionLines)
        parser.addOption({QLatin1String(o.name), QLatin1String(o.description), QLatin1String(o.valueName)});
    parser.addOption({QStringLiteral("set"), QStringLiteral("Set a state field (repeatable)."),
                      QStringLiteral("field=value")});
    parser.addOption({QStringLiteral("refuse"), QStringLiteral("Refuse a command with a code (repeatable)."),
                      QStringLiteral("key=code")});
    parser.addOption({QStringLiteral("control"), QStringLiteral("Run a control line at start (repeatable)."),
                      QStringLiteral("line")});
    parser.addOption({QStringLiteral("stall"), QStringLiteral("Read commands but never answer.")});
    parser.addOption({QStringLiteral("garbage"), QStringLiteral("Send garbage instead of replies.")});
    parser.addOption(
        {QStringLiteral("refuse-connections"), QStringLiteral("Close new connections at once.")});
    parser.addOption({QStringLiteral("enforce-privileges"),
                      QStringLiteral("Refuse memory writes above the granted privilege level.")});
    parser.addOption(
        {QStringLiteral("no-stdin"), QStringLiteral("Do not read control lines from standard input.")});
    parser.process(app);

    if (!parser.positionalArguments().isEmpty()) {
        printLine(QStringLiteral("supply-sim: unexpected argument ") + parser.positionalArguments().first(),
                  stderr);
        return 2;
    }

    SupplyState state;
    FaultSwitches faults;
    ControlCommands control(state, faults);
    FirmwareServer firmware;
    control.addVerb(QStringLiteral("firmware"), [&firmware](const QString& rest) { return firmware.control(rest); });

    // Options become control lines, in a fixed order: the family first, as
    // it resets the model, limits and memory the later options may change.
    QStringList startLines;
    for (const OptionLine& o : optionLines)
        if (parser.isSet(QLatin1String(o.name)))
            startLines << QLatin1String(o.control) + QLatin1Char(' ') + parser.value(QLatin1String(o.name));
    for (const char* flag : {"stall", "garbage", "refuse-connections"})
        if (parser.isSet(QLatin1String(flag)))
            startLines << QLatin1String(flag) + QStringLiteral(" on");
    if (parser.isSet(QStringLiteral("enforce-privileges")))
        startLines << QStringLiteral("set enforce_privileges on");
    auto pair = [](QString text, int eq) {
        if (eq >= 0)
            text[eq] = QLatin1Char(' ');
        return text;
    };
    for (const QString& s : parser.values(QStringLiteral("set")))
        startLines << QStringLiteral("set ") + pair(s, s.indexOf(QLatin1Char('=')));
    for (const QString& r : parser.values(QStringLiteral("refuse")))
        startLines << QStringLiteral("refuse ") + pair(r, r.lastIndexOf(QLatin1Char('=')));
    startLines += parser.values(QStringLiteral("control"));
    for (const QString& line : startLines) {
        const QString answer = control.execute(line);
        if (!answer.startsWith(QLatin1String("OK"))) {
            printLine(QStringLiteral("supply-sim: ") + line + QStringLiteral(": ") + answer, stderr);
            return 2;
        }
    }

    bool ok = false;
    const uint port = parser.value(QStringLiteral("port")).toUInt(&ok);
    const qint64 maxCommand = parser.value(QStringLiteral("max-command")).toLongLong();
    if (!ok || port > 65535 || maxCommand <= 0) {
        printLine(QStringLiteral("supply-sim: invalid --port or --max-command"), stderr);
        return 2;
    }
    // Loopback unless asked: whoever can reach the port can change the state a
    // test or demo checks.
    QHostAddress address(QHostAddress::LocalHost);
    if (parser.isSet(QStringLiteral("bind")) && !address.setAddress(parser.value(QStringLiteral("bind")))) {
        printLine(QStringLiteral("supply-sim: invalid --bind address"), stderr);
        return 2;
    }

    CommandLog log;
    QString error;
    if (parser.isSet(QStringLiteral("log")) && !log.open(parser.value(QStringLiteral("log")), &error)) {
        printLine(QStringLiteral("supply-sim: cannot open the command log: ") + error, stderr);
        return 2;
    }

    SupplyCommands commands(state);
    CommandServer server(commands, faults, log, maxCommand);
    control.setServer(&server);
    if (!server.listen(address, quint16(port), &error)) {
        printLine(QStringLiteral("supply-sim: cannot listen: ") + error, stderr);
        return 1;
    }
    printLine(QStringLiteral("PORT %1").arg(server.port()));

    // The firmware port is a second server beside the command port. When the
    // default port is taken (another simulator runs), the command port still works.
    const uint firmwarePort = parser.value(QStringLiteral("firmware-port")).toUInt(&ok);
    if (!ok || firmwarePort > 65535) {
        printLine(QStringLiteral("supply-sim: invalid --firmware-port"), stderr);
        return 2;
    }
    if (firmware.listen(address, quint16(firmwarePort), &error))
        printLine(QStringLiteral("FIRMWARE_PORT %1").arg(firmware.port()));
    else if (parser.isSet(QStringLiteral("firmware-port"))) {
        printLine(QStringLiteral("supply-sim: cannot listen on the firmware port: ") + error, stderr);
        return 1;
    } else
        printLine(QStringLiteral("supply-sim: firmware port not open: ") + error, stderr);

    quitOnStopSignals();
#ifdef SIGTTIN
    // Started in the background of a terminal, reading stdin must not stop us.
    std::signal(SIGTTIN, SIG_IGN);
#endif

    StdinReader reader;
    QObject::connect(&reader, &StdinReader::lineReceived, &app, [&control](const QString& line) {
        if (line.trimmed().isEmpty())
            return;
        printLine(control.execute(line));
        if (control.quitRequested())
            QCoreApplication::quit();
    });
    QObject::connect(&reader, &StdinReader::inputEnded, &app, [] {
        printLine(QStringLiteral("supply-sim: end of input; running until stopped"), stderr);
    });
    if (!parser.isSet(QStringLiteral("no-stdin")))
        reader.start();

    const int result = app.exec();
    server.closeAll();
    firmware.closeAll();
    return result;
}
