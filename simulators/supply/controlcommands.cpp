#include "controlcommands.h"

#include "commandlog.h"
#include "commandserver.h"
#include "faultswitches.h"
#include "supplystate.h"

#include <QStringList>

namespace
{

const QString ok = QStringLiteral("OK");

QString err(const QString& why)
{
    return QStringLiteral("ERR ") + why;
}

// Values may carry \r, \n, \0, \t, \s, \\ and \xHH, so any text fits on one line.
QString unescaped(const QString& text)
{
    return QString::fromLatin1(CommandLog::unescape(text.toLatin1()));
}

QString escaped(const QString& text)
{
    return QString::fromLatin1(CommandLog::escape(text.toLatin1()));
}

bool parseInt(const QString& text, int* value, int min)
{
    bool good = false;
    const int v = text.trimmed().toInt(&good);
    if (!good || v < min)
        return false;
    *value = v;
    return true;
}

const char* const helpText =
    "refuse KEY CODE | refuse-clear [KEY] | reply KEY BODY | reply-clear [KEY] | ignore KEY | "
    "ignore-clear [KEY] | stale KEY BODY | stale-clear [KEY] | delay MS | delay KEY MS | delay-clear [KEY] | "
    "stall on|off | chunk N [GAP_MS] | "
    "garbage on|off | "
    "nul off|inside|after | drop-after N|off | refuse-connections on|off | close-all | connections | "
    "unanswered | received | port | clear-faults | set FIELD VALUE | get FIELD | fields | quit";

} // namespace

ControlCommands::ControlCommands(SupplyState& s, FaultSwitches& f) : state(s), faults(f) {}

QString ControlCommands::setSwitch(bool& flag, const QString& value)
{
    const QString v = value.trimmed().toLower();
    if (v == QLatin1String("on") || v == QLatin1String("1") || v.isEmpty())
        flag = true;
    else if (v == QLatin1String("off") || v == QLatin1String("0"))
        flag = false;
    else
        return err(QStringLiteral("expected on or off"));
    return ok;
}

QString ControlCommands::execute(const QString& input)
{
    const QString line = input.trimmed();
    const int space = line.indexOf(QLatin1Char(' '));
    const QString verb = (space < 0 ? line : line.left(space)).toLower();
    const QString rest = space < 0 ? QString() : line.mid(space + 1).trimmed();
    const int restSpace = rest.indexOf(QLatin1Char(' '));
    const QString first = restSpace < 0 ? rest : rest.left(restSpace);
    const QString tail = restSpace < 0 ? QString() : rest.mid(restSpace + 1);
    const QString key = unescaped(first).toUpper();

    if (verb.isEmpty())
        return err(QStringLiteral("empty control line"));
    if (extraVerbs.contains(verb))
        return extraVerbs.value(verb)(rest);
    if (verb == QLatin1String("help"))
        return ok + QLatin1Char(' ') + QLatin1String(helpText);
    if (verb == QLatin1String("ping"))
        return ok;
    if (verb == QLatin1String("quit") || verb == QLatin1String("exit")) {
        quit = true;
        return ok;
    }

    if (verb == QLatin1String("refuse")) {
        int code = 0;
        if (key.isEmpty() || !parseInt(tail, &code, 0))
            return err(QStringLiteral("usage: refuse KEY CODE"));
        faults.refusals.insert(key, code);
        return ok;
    }
    if (verb == QLatin1String("refuse-clear") || verb == QLatin1String("clear-refusals") ||
        verb == QLatin1String("unrefuse")) {
        if (key.isEmpty())
            faults.refusals.clear();
        else
            faults.refusals.remove(key);
        return ok;
    }
    if (verb == QLatin1String("reply")) {
        if (key.isEmpty())
            return err(QStringLiteral("usage: reply KEY BODY"));
        faults.fixedReplies.insert(key, unescaped(tail));
        return ok;
    }
    if (verb == QLatin1String("reply-clear")) {
        if (key.isEmpty())
            faults.fixedReplies.clear();
        else
            faults.fixedReplies.remove(key);
        return ok;
    }
    if (verb == QLatin1String("ignore")) {
        if (key.isEmpty())
            return err(QStringLiteral("usage: ignore KEY"));
        faults.ignored.insert(key);
        return ok;
    }
    if (verb == QLatin1String("ignore-clear")) {
        if (key.isEmpty())
            faults.ignored.clear();
        else
            faults.ignored.remove(key);
        return ok;
    }
    if (verb == QLatin1String("stale")) {
        if (key.isEmpty())
            return err(QStringLiteral("usage: stale KEY BODY"));
        faults.staleLines.insert(key, unescaped(tail));
        return ok;
    }
    if (verb == QLatin1String("stale-clear")) {
        if (key.isEmpty())
            faults.staleLines.clear();
        else
            faults.staleLines.remove(key);
        return ok;
    }
    if (verb == QLatin1String("delay")) {
        if (tail.isEmpty()) {
            if (!parseInt(rest, &faults.delayMs, 0))
                return err(QStringLiteral("usage: delay MS | delay KEY MS"));
            return ok;
        }
        // One command (a slow one, such as MSAVE) takes its own time.
        int ms = 0;
        if (!parseInt(tail, &ms, 0))
            return err(QStringLiteral("usage: delay MS | delay KEY MS"));
        faults.commandDelays.insert(key, ms);
        return ok;
    }
    if (verb == QLatin1String("delay-clear")) {
        if (key.isEmpty())
            faults.commandDelays.clear();
        else
            faults.commandDelays.remove(key);
        return ok;
    }
    if (verb == QLatin1String("stall"))
        return setSwitch(faults.stall, rest);
    if (verb == QLatin1String("garbage"))
        return setSwitch(faults.garbage, rest);
    if (verb == QLatin1String("refuse-connections"))
        return setSwitch(faults.refuseConnections, rest);
    if (verb == QLatin1String("chunk")) {
        int size = 0, gap = faults.chunkGapMs;
        if (!parseInt(first, &size, 0) || (!tail.isEmpty() && !parseInt(tail, &gap, 0)))
            return err(QStringLiteral("usage: chunk N [GAP_MS]"));
        faults.chunkSize = size;
        faults.chunkGapMs = gap;
        return ok;
    }
    if (verb == QLatin1String("nul")) {
        const QString mode = rest.toLower();
        if (mode == QLatin1String("off"))
            faults.nul = FaultSwitches::NulMode::Off;
        else if (mode == QLatin1String("on") || mode == QLatin1String("inside") || mode.isEmpty())
            faults.nul = FaultSwitches::NulMode::Inside;
        else if (mode == QLatin1String("after"))
            faults.nul = FaultSwitches::NulMode::After;
        else
            return err(QStringLiteral("usage: nul off|inside|after"));
        return ok;
    }
    if (verb == QLatin1String("drop-after")) {
        if (rest.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0) {
            faults.dropAfter = -1;
            return ok;
        }
        if (!parseInt(rest, &faults.dropAfter, 0))
            return err(QStringLiteral("usage: drop-after N|off"));
        return ok;
    }
    if (verb == QLatin1String("clear-faults")) {
        faults.clear();
        return ok;
    }
    if (verb == QLatin1String("close-all")) {
        if (server)
            server->closeAll();
        return ok;
    }
    if (verb == QLatin1String("connections"))
        return ok + QLatin1Char(' ') + QString::number(server ? server->connectionCount() : 0);
    if (verb == QLatin1String("unanswered"))
        return ok + QLatin1Char(' ') + QString::number(server ? server->unansweredCount() : 0);
    if (verb == QLatin1String("received"))
        return ok + QLatin1Char(' ') + QString::number(server ? server->receivedBytes() : 0);
    if (verb == QLatin1String("port"))
        return ok + QLatin1Char(' ') + QString::number(server ? server->port() : 0);

    if (verb == QLatin1String("fields"))
        return ok + QLatin1Char(' ') + SupplyState::fieldNames().join(QLatin1Char(' '));
    if (verb == QLatin1String("set")) {
        if (first.isEmpty())
            return err(QStringLiteral("usage: set FIELD VALUE"));
        QString why;
        if (!state.setField(first.toLower(), unescaped(tail), &why))
            return err(why);
        return ok;
    }
    if (verb == QLatin1String("get")) {
        QString value;
        const QString name = tail.isEmpty() ? first.toLower() : first.toLower() + QLatin1Char(' ') + tail;
        if (first.isEmpty() || !state.field(name, &value))
            return err(QStringLiteral("unknown field ") + rest);
        return ok + QLatin1Char(' ') + escaped(value);
    }
    return err(QStringLiteral("unknown control command ") + verb);
}
