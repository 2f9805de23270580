#include "supplycommands.h"

#include "supplystate.h"

#include <cmath>

namespace
{

QString fixed(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

// Parses a set-point or rate; "nan" and "inf" count as not a number.
bool parseNumber(const QString& text, double* value)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

bool parseCell(const QString& text, int* cell)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok)
        return false;
    *cell = v;
    return true;
}

} // namespace

SupplyCommand::SupplyCommand(const QString& received) : text(received), upper(received.toUpper())
{
    const int colon = text.indexOf(QLatin1Char(':'));
    hasArgument = colon >= 0;
    word = hasArgument ? upper.left(colon) : upper;
    if (hasArgument)
        argument = text.mid(colon + 1);
}

QString SupplyCommand::echo() const
{
    QString e = text;
    e.remove(QLatin1String(":?"));
    return e;
}

QString SupplyReply::refusalBody(int code)
{
    return QStringLiteral("NAK:%1").arg(code, 2, 10, QLatin1Char('0'));
}

QString SupplyReply::body() const
{
    switch (kind) {
    case Ack:
        return QStringLiteral("AK");
    case Refusal:
        return refusalBody(code);
    case Value:
        return text;
    case Silent:
        break;
    }
    return {};
}

SupplyCommands::SupplyCommands(SupplyState& s) : state(s)
{
    addQueries();
    addOutputCommands();
    addSetpointCommands();
    addModeCommands();
    addMemoryCommands();
    addWaveformCommands();
    addEpicsCommands();
    addConsoleCommands();
}

void SupplyCommands::addCommand(const QString& word, Handler handler)
{
    handlers.insert(word.toUpper(), std::move(handler));
}

QStringList SupplyCommands::words() const
{
    QStringList list = handlers.keys();
    list.sort();
    return list;
}

SupplyReply SupplyCommands::execute(const QString& received)
{
    const SupplyCommand cmd(received);
    const auto it = handlers.constFind(cmd.word);
    if (cmd.text.isEmpty() || it == handlers.constEnd())
        return SupplyReply::refuse(Nak::UnknownCommand);
    return (*it)(cmd);
}

bool SupplyCommands::refusedInLocal(SupplyReply* reply) const
{
    if (!state.isLocal())
        return false;
    *reply = SupplyReply::refuse(Nak::LocalMode);
    return true;
}

SupplyReply SupplyCommands::readOnly(const SupplyCommand& cmd, const std::function<QString()>& value)
{
    if (!cmd.isQuery())
        return SupplyReply::refuse(Nak::UnknownParameter);
    return SupplyReply::value(cmd, value());
}

void SupplyCommands::addQueries()
{
    auto query = [this](const char* word, std::function<QString()> value) {
        addCommand(QLatin1String(word), [this, value](const SupplyCommand& c) { return readOnly(c, value); });
    };
    query("MRI", [this] { return state.currentText(); });
    query("MRV", [this] { return state.voltageText(); });
    query("MRW", [this] { return state.powerText(); });
    query("MRP", [this] { return state.dcLinkText(); });
    query("MGC", [this] { return state.leakageText(); });
    query("MRT", [this] { return state.temperatureText(); });
    query("MST", [this] { return state.statusText(); });
    query("MRID", [this] { return state.id; });
    query("VER", [this] { return state.model + QLatin1Char(':') + state.version; });
    query("MPLST", [this] {
        const QString current = state.currentText();
        const QString voltage = state.voltageText();
        return current + QLatin1Char(':') + voltage + QLatin1Char(':') + state.statusText();
    });
    query("MLIMITS", [this] { return state.limitsText(); });
    query("PCONNECTIONS", [this] { return state.pconnections; });
    query("MSLAVESTATE", [] { return QStringLiteral("0"); });
}

void SupplyCommands::addOutputCommands()
{
    addCommand(QStringLiteral("MON"), [this](const SupplyCommand& c) {
        SupplyReply r;
        if (c.hasArgument)
            return SupplyReply::refuse(Nak::UnknownParameter);
        if (refusedInLocal(&r))
            return r;
        if (state.inFault())
            return SupplyReply::refuse(Nak::UnitInFault);
        if (state.outputOn())
            return SupplyReply::refuse(Nak::UnitAlreadyOn);
        state.setOutput(true);
        return SupplyReply::ack();
    });
    addCommand(QStringLiteral("MOFF"), [this](const SupplyCommand& c) {
        SupplyReply r;
        if (c.hasArgument)
            return SupplyReply::refuse(Nak::UnknownParameter);
        if (refusedInLocal(&r))
            return r;
        state.setOutput(false);
        return SupplyReply::ack();
    });
    addCommand(QStringLiteral("MRESET"), [this](const SupplyCommand& c) {
        if (c.hasArgument)
            return SupplyReply::refuse(Nak::UnknownParameter);
        state.clearFaults();
        return SupplyReply::ack();
    });
    auto reboot = [this](const SupplyCommand& c) {
        if (c.hasArgument)
            return SupplyReply::refuse(Nak::UnknownParameter);
        // A restart drops the output, the faults and the granted privileges.
        state.setOutput(false);
        state.clearFaults();
        state.privileges = QStringLiteral("USER");
        return SupplyReply::ack();
    };
    addCommand(QStringLiteral("MREBOOT"), reboot);
    addCommand(QStringLiteral("HWRESET"), reboot);
    addCommand(QStringLiteral("MSAVE"), [this](const SupplyCommand& c) {
        if (c.hasArgument)
            return SupplyReply::refuse(Nak::UnknownParameter);
        state.savedMemory = state.memory;
        return SupplyReply::ack();
    });
}

SupplyReply SupplyCommands::setpoint(const SupplyCommand& cmd, bool current, bool ramped)
{
    if (!cmd.hasArgument)
        return SupplyReply::refuse(Nak::NotEnoughArguments);
    if (cmd.argument == QLatin1String("?")) {
        const double v = current ? (ramped ? state.currentRampSetpoint : state.currentSetpoint)
                                 : (ramped ? state.voltageRampSetpoint : state.voltageSetpoint);
        return SupplyReply::value(cmd, fixed(v, 4));
    }
    SupplyReply r;
    if (refusedInLocal(&r))
        return r;
    double v = 0;
    if (!parseNumber(cmd.argument.trimmed(), &v))
        return SupplyReply::refuse(Nak::NotANumber);
    if (current ? !state.currentAllowed(v) : !state.voltageAllowed(v))
        return SupplyReply::refuse(Nak::OutOfHardwareLimits);
    if (state.hasCapability(QStringLiteral("POLARITY_INVERTER")))
        state.polarity = v < 0 ? QStringLiteral("INVERT") : QStringLiteral("DIRECT");
    if (current)
        state.setCurrentSetpoint(v, ramped);
    else
        state.setVoltageSetpoint(v, ramped);
    return SupplyReply::ack();
}

SupplyReply SupplyCommands::slewRate(const SupplyCommand& cmd, bool current)
{
    if (!cmd.hasArgument)
        return SupplyReply::refuse(Nak::NotEnoughArguments);
    const QString arg = cmd.argument.toUpper();
    if (arg == QLatin1String("?"))
        return SupplyReply::value(cmd, fixed(current ? state.currentSlew : state.voltageSlew, 4));
    if (arg == QLatin1String("MAX:?"))
        return SupplyReply::value(cmd, fixed(state.maxSlew, 4));
    double v = 0;
    if (!parseNumber(cmd.argument.trimmed(), &v))
        return SupplyReply::refuse(Nak::NotANumber);
    if (v <= 0 || v > state.maxSlew)
        return SupplyReply::refuse(Nak::SlewRateOutOfLimits);
    (current ? state.currentSlew : state.voltageSlew) = v;
    return SupplyReply::ack();
}

void SupplyCommands::addSetpointCommands()
{
    addCommand(QStringLiteral("MWI"), [this](const SupplyCommand& c) { return setpoint(c, true, false); });
    addCommand(QStringLiteral("MWIR"), [this](const SupplyCommand& c) { return setpoint(c, true, true); });
    addCommand(QStringLiteral("MWV"), [this](const SupplyCommand& c) { return setpoint(c, false, false); });
    addCommand(QStringLiteral("MWVR"), [this](const SupplyCommand& c) { return setpoint(c, false, true); });
    addCommand(QStringLiteral("MSRI"), [this](const SupplyCommand& c) { return slewRate(c, true); });
    addCommand(QStringLiteral("MSRV"), [this](const SupplyCommand& c) { return slewRate(c, false); });
}

void SupplyCommands::addModeCommands()
{
    // A mode command is a query without argument or with "?", else one of a
    // few words; `apply` checks and stores an accepted word.
    auto mode = [this](const char* word, QString SupplyState::*field, QStringList choices,
                       std::function<SupplyReply(const QString&)> apply) {
        addCommand(QLatin1String(word), [this, field, choices, apply](const SupplyCommand& c) {
            if (c.isQuery())
                return SupplyReply::value(c, state.*field);
            const QString arg = c.argument.toUpper();
            if (!choices.contains(arg))
                return SupplyReply::refuse(Nak::UnknownParameter);
            return apply(arg);
        });
    };

    mode("LOOP", &SupplyState::loopMode, {QStringLiteral("I"), QStringLiteral("V")},
         [this](const QString& a) {
             SupplyReply r;
             if (refusedInLocal(&r))
                 return r;
             if (state.outputOn())
                 return SupplyReply::refuse(Nak::ModuleIsOn);
             if (state.loopMode == a)
                 return SupplyReply::refuse(Nak::LoopModeAlreadySet);
             state.loopMode = a;
             return SupplyReply::ack();
         });
    mode("UPMODE", &SupplyState::updateMode,
         {QStringLiteral("NORMAL"), QStringLiteral("ANALOG"), QStringLiteral("WAVEFORM")},
         [this](const QString& a) {
             SupplyReply r;
             if (refusedInLocal(&r))
                 return r;
             if (a == QLatin1String("ANALOG") && !state.hasCapability(QStringLiteral("AIN")))
                 return SupplyReply::refuse(Nak::FeatureNotAvailable);
             if (a != QLatin1String("WAVEFORM"))
                 state.stopWaveform();
             state.updateMode = a;
             state.memory[SupplyState::UpdateModeCell] = a == QLatin1String("NORMAL")   ? QStringLiteral("0")
                                                         : a == QLatin1String("ANALOG") ? QStringLiteral("3")
                                                                                        : QStringLiteral("1");
             return SupplyReply::ack();
         });
    mode("TRGMODE", &SupplyState::triggerMode, {QStringLiteral("ON"), QStringLiteral("OFF")},
         [this](const QString& a) {
             SupplyReply r;
             if (refusedInLocal(&r))
                 return r;
             if (a == QLatin1String("ON") && !state.hasCapability(QStringLiteral("TRIG")))
                 return SupplyReply::refuse(Nak::FeatureNotAvailable);
             state.triggerMode = a;
             return SupplyReply::ack();
         });
    mode("SETFLOAT", &SupplyState::floatMode, {QStringLiteral("N"), QStringLiteral("F")},
         [this](const QString& a) {
             SupplyReply r;
             if (refusedInLocal(&r))
                 return r;
             if (state.floatMode == a)
                 return SupplyReply::refuse(Nak::FloatModeAlreadySet);
             state.floatMode = a;
             return SupplyReply::ack();
         });
    mode("POL", &SupplyState::polarity, {QStringLiteral("DIRECT"), QStringLiteral("INVERT")},
         [this](const QString& a) {
             SupplyReply r;
             if (refusedInLocal(&r))
                 return r;
             if (!state.hasCapability(QStringLiteral("POLARITY_INVERTER")))
                 return SupplyReply::refuse(Nak::FeatureNotAvailable);
             state.polarity = a;
             return SupplyReply::ack();
         });
    mode("PMODE", &SupplyState::pmode,
         {QStringLiteral("MASTER"), QStringLiteral("OFF"), QStringLiteral("SLAVE")},
         [this](const QString& a) {
             SupplyReply r;
             if (refusedInLocal(&r))
                 return r;
             state.pmode = a;
             return SupplyReply::ack();
         });
    mode("SETDUTYMODE", &SupplyState::dutyMode, {QStringLiteral("0"), QStringLiteral("1")},
         [this](const QString& a) {
             state.dutyMode = a;
             return SupplyReply::ack();
         });
    mode("TFT", &SupplyState::tftMode, {QStringLiteral("ON"), QStringLiteral("OFF")},
         [this](const QString& a) {
             state.tftMode = a;
             return SupplyReply::ack();
         });
}

void SupplyCommands::addMemoryCommands()
{
    addCommand(QStringLiteral("MRG"), [this](const SupplyCommand& c) {
        if (!c.hasArgument || c.argument.isEmpty())
            return SupplyReply::refuse(Nak::NotEnoughArguments);
        int cell = 0;
        if (!parseCell(c.argument, &cell))
            return SupplyReply::refuse(Nak::UnknownParameter);
        if (cell < 0 || cell >= SupplyState::MemoryCells)
            return SupplyReply::refuse(Nak::IndexOutOfRange);
        return SupplyReply::value(c, state.memory.at(cell));
    });
    addCommand(QStringLiteral("MWG"), [this](const SupplyCommand& c) {
        const int colon = c.argument.indexOf(QLatin1Char(':'));
        if (!c.hasArgument || colon < 0)
            return SupplyReply::refuse(Nak::NotEnoughArguments);
        int cell = 0;
        if (!parseCell(c.argument.left(colon), &cell))
            return SupplyReply::refuse(Nak::UnknownParameter);
        if (cell < 0 || cell >= SupplyState::MemoryCells)
            return SupplyReply::refuse(Nak::IndexOutOfRange);
        SupplyReply r;
        if (refusedInLocal(&r))
            return r;
        if (state.enforcePrivileges && state.writeLevel(cell) > state.privilegeLevel())
            return SupplyReply::refuse(Nak::PrivilegeLevel);
        // The unit keeps memory texts in upper case.
        state.memory[cell] = c.argument.mid(colon + 1).toUpper();
        return SupplyReply::ack();
    });
    addCommand(QStringLiteral("PASSWORD"), [this](const SupplyCommand& c) {
        if (c.argument == QLatin1String("?"))
            return SupplyReply::value(c, state.privileges);
        if (c.argument.isEmpty())
            return SupplyReply::refuse(Nak::NotEnoughArguments);
        if (c.argument == state.superadminPassword)
            state.privileges = QStringLiteral("SUPERADMIN");
        else if (c.argument == state.adminPassword)
            state.privileges = QStringLiteral("ADMIN");
        else
            return SupplyReply::refuse(Nak::InvalidPassword);
        return SupplyReply::ack();
    });
}

void SupplyCommands::addWaveformCommands()
{
    addCommand(QStringLiteral("WAVEFORM"), [this](const SupplyCommand& c) {
        if (c.isQuery())
            return SupplyReply::value(c, state.isWaveformRunning() ? QStringLiteral("RUNNING")
                                                                   : QStringLiteral("STOPPED"));
        const QString arg = c.argument.toUpper();
        SupplyReply r;
        if (arg == QLatin1String("STOP")) {
            state.stopWaveform();
            return SupplyReply::ack();
        }
        if (arg == QLatin1String("START")) {
            if (refusedInLocal(&r))
                return r;
            if (!state.outputOn())
                return SupplyReply::refuse(Nak::UnitIsOff);
            if (state.isWaveformRunning())
                return SupplyReply::refuse(Nak::GeneratingWaveform);
            if (!state.startWaveform())
                return SupplyReply::refuse(Nak::WaveformError);
            return SupplyReply::ack();
        }
        const bool periods = arg.startsWith(QLatin1String("N_PERIODS:"));
        const bool points = arg.startsWith(QLatin1String("POINTS:"));
        if (!periods && !points)
            return SupplyReply::refuse(Nak::UnknownParameter);
        if (state.isWaveformRunning())
            return SupplyReply::refuse(Nak::GeneratingWaveform);
        const QString value = c.argument.mid(c.argument.indexOf(QLatin1Char(':')) + 1);
        if (periods) {
            bool ok = false;
            const qint64 n = value.trimmed().toLongLong(&ok);
            if (!ok || n < 0)
                return SupplyReply::refuse(Nak::UnknownParameter);
            state.waveformPeriods = n;
            return SupplyReply::ack();
        }
        QVector<double> list;
        if (!value.isEmpty()) {
            const QVector<QStringRef> parts = value.splitRef(QLatin1Char(':'));
            list.reserve(parts.size());
            for (const QStringRef& p : parts) {
                bool ok = false;
                const double v = p.toDouble(&ok);
                if (!ok || !std::isfinite(v))
                    return SupplyReply::refuse(Nak::WaveformError);
                list << v;
            }
        }
        state.waveformPoints = list;
        return SupplyReply::ack();
    });
}

void SupplyCommands::addEpicsCommands()
{
    addCommand(QStringLiteral("EPICS"), [this](const SupplyCommand& c) {
        if (!c.hasArgument)
            return SupplyReply::refuse(Nak::NotEnoughArguments);
        const int colon = c.argument.indexOf(QLatin1Char(':'));
        const QString sub = (colon < 0 ? c.argument : c.argument.left(colon)).toUpper();
        const QString text = colon < 0 ? QString() : c.argument.mid(colon + 1);

        // The two files: query without text, "RESTORE", or the new file text
        // (line feeds and all).
        auto file = [&](QString& content, void (SupplyState::*restore)()) {
            if (colon < 0 || text == QLatin1String("?"))
                return SupplyReply::value(c, content);
            if (text.compare(QLatin1String("RESTORE"), Qt::CaseInsensitive) == 0)
                (state.*restore)();
            else
                content = text;
            return SupplyReply::ack();
        };
        if (sub == QLatin1String("DB"))
            return file(state.epicsDb, &SupplyState::restoreEpicsDb);
        if (sub == QLatin1String("PROTOCOLS"))
            return file(state.epicsProtocols, &SupplyState::restoreEpicsProtocols);
        if (colon >= 0 && text != QLatin1String("?"))
            return SupplyReply::refuse(Nak::UnknownParameter);
        if (sub == QLatin1String("OPI"))
            return SupplyReply::value(c, state.epicsOpi);
        if (sub == QLatin1String("PV_VALUE"))
            return SupplyReply::value(c, state.pvValueText());
        if (sub == QLatin1String("PV_NAME"))
            return SupplyReply::value(c, state.epicsPvName);
        return SupplyReply::refuse(Nak::UnknownParameter);
    });
}

void SupplyCommands::addConsoleCommands()
{
    // Words a user may type in a console; the averaged and output-side
    // readings are the plain readings here.
    auto alias = [this](const char* word, const char* target) {
        const Handler h = handlers.value(QLatin1String(target));
        addCommand(QLatin1String(word), h);
    };
    alias("MRIA", "MRI");
    alias("MRVA", "MRV");
    alias("MRWA", "MRW");
    alias("MRIO", "MRI");
    alias("MRVO", "MRV");
    alias("MPLSTA", "MPLST");

    addCommand(QStringLiteral("MWD"), [this](const SupplyCommand& c) {
        if (c.isQuery())
            return SupplyReply::value(c, QStringLiteral("0.0000"));
        double v = 0;
        if (!parseNumber(c.argument.trimmed(), &v))
            return SupplyReply::refuse(Nak::NotANumber);
        SupplyReply r;
        if (refusedInLocal(&r))
            return r;
        return SupplyReply::ack();
    });
    addCommand(QStringLiteral("HELP"), [this](const SupplyCommand& c) {
        return readOnly(c, [this] { return words().join(QLatin1Char(' ')); });
    });
    addCommand(QStringLiteral("CHANGELOG"), [this](const SupplyCommand& c) {
        return readOnly(c, [this] { return state.version + QStringLiteral(" - current release"); });
    });
    addCommand(QStringLiteral("EXIT"), [](const SupplyCommand&) { return SupplyReply::ack(); });
    // Consoles clear their page themselves; one that sends the word anyway is acknowledged.
    addCommand(QStringLiteral("CLEAR"), [](const SupplyCommand&) { return SupplyReply::ack(); });
    addCommand(QStringLiteral("#_LOCAL"), [](const SupplyCommand&) { return SupplyReply::ack(); });

    auto koraOnly = [this] {
        const QString f = state.family();
        return f == QLatin1String("KORA-PS") || f == QLatin1String("KORA-PS-M");
    };
    addCommand(QStringLiteral("SFP"), [koraOnly](const SupplyCommand& c) {
        if (!koraOnly())
            return SupplyReply::refuse(Nak::FeatureNotAvailable);
        const QString sub = c.argument.toUpper();
        if (sub == QLatin1String("COUNTERS_RESET"))
            return SupplyReply::ack();
        if (sub == QLatin1String("ADAPTER") || sub == QLatin1String("INFO") ||
            sub == QLatin1String("LAST_CMD") || sub == QLatin1String("CONV_GAIN"))
            return SupplyReply::value(c, QStringLiteral("0"));
        return SupplyReply::refuse(24); // unknown sub-command for SFP
    });
    addCommand(QStringLiteral("SFP1MDIO"), [this, koraOnly](const SupplyCommand& c) {
        if (!koraOnly())
            return SupplyReply::refuse(Nak::FeatureNotAvailable);
        return readOnly(c, [] { return QStringLiteral("0"); });
    });
    for (const char* word : {"MGPC", "MRA"}) {
        addCommand(QLatin1String(word), [this, koraOnly](const SupplyCommand& c) {
            if (koraOnly())
                return SupplyReply::refuse(Nak::FeatureNotAvailable);
            return readOnly(c, [] { return QStringLiteral("0.0000"); });
        });
    }
}
