// Control lines read from standard input: fault switches, state changes and
// questions about the simulator. Each gets exactly one answer line starting
// with "OK" or "ERR".

#include "simulator.h"

#include "session.h"

#include <QDateTime>
#include <functional>

namespace
{

bool parseBool(const QByteArray& text, bool* value)
{
    const QByteArray t = text.trimmed().toLower();
    if (t == "1" || t == "on" || t == "true" || t == "yes") {
        *value = true;
        return true;
    }
    if (t == "0" || t == "off" || t == "false" || t == "no") {
        *value = false;
        return true;
    }
    return false;
}

QByteArray boolText(bool b)
{
    return b ? "1" : "0";
}

QByteArray ok(const QByteArray& detail = {})
{
    return detail.isEmpty() ? QByteArray("OK") : "OK " + detail;
}

QByteArray err(const QByteArray& why)
{
    return "ERR " + why;
}

QByteArray twoDigits(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

} // namespace

QByteArray Simulator::control(const QByteArray& rawLine)
{
    QByteArray line = rawLine;
    while (line.endsWith('\r') || line.endsWith('\n'))
        line.chop(1);
    line = line.trimmed();
    if (line.isEmpty())
        return err("empty control line");
    const int space = line.indexOf(' ');
    const QByteArray word = (space < 0 ? line : line.left(space)).toLower();
    const QByteArray rest = space < 0 ? QByteArray() : line.mid(space + 1).trimmed();
    const QList<QByteArray> args = rest.split(' ');
    const QByteArray arg0 = args.value(0).toLower();

    // Switches that are simply on or off.
    const std::pair<const char*, bool*> switches[] = {
        {"stall", &faults.stall},         {"silent", &faults.silent},       {"garbage", &faults.garbage},
        {"badstatus", &faults.badStatus}, {"badvalues", &faults.badValues}, {"badstream", &faults.badStream},
        {"double", &faults.doubleReply},  {"truncate", &faults.truncate},
    };
    for (const auto& s : switches) {
        if (word != s.first)
            continue;
        bool on = false;
        if (!parseBool(rest, &on))
            return err("expected on or off");
        *s.second = on;
        return ok(word + (on ? " on" : " off"));
    }

    if (word == "help")
        return ok("quit clear reset nak late stale stall silent delay chunk garbage badstatus badvalues "
                  "badstream double "
                  "truncate drop dropafter refuse send junk stream clock set get fields sd");
    if (word == "quit" || word == "exit") {
        emit quitRequested();
        return ok("bye");
    }
    if (word == "clear") {
        faults.clear();
        return ok("faults cleared");
    }
    if (word == "reset") {
        state.reset();
        updateStreamTimer();
        return ok("state reset");
    }
    if (word == "nak") {
        if (rest.isEmpty())
            return err("nak needs a command or off");
        if (arg0 == "off" || arg0 == "clear") {
            faults.nakRules.clear();
            return ok("nak rules cleared");
        }
        // The rule is the whole rest of the line, so "nak \s" covers the
        // single-blank command of the greeting.
        faults.nakRules.append(CommandLog::unescape(rest).toLower());
        return ok("nak " + rest);
    }
    if (word == "late") {
        if (arg0 == "off" || arg0 == "clear") {
            faults.lateRules.clear();
            return ok("late rules cleared");
        }
        bool good = false, goodSkip = true;
        const int ms = args.value(1).toInt(&good);
        const int nth = args.size() > 2 ? args.at(2).toInt(&goodSkip) : 1;
        if (args.size() < 2 || args.size() > 3 || !good || ms < 0 || !goodSkip || nth < 1)
            return err("expected late <command> <ms> [n]");
        faults.lateRules.append({CommandLog::unescape(args.at(0)).toLower(), ms, nth - 1});
        return ok("late " + rest);
    }
    if (word == "stale") {
        if (arg0 == "off" || arg0 == "clear") {
            faults.staleRules.clear();
            return ok("stale rules cleared");
        }
        // The line is the rest after the command, so it may hold blanks.
        const int blank = rest.indexOf(' ');
        if (blank <= 0)
            return err("expected stale <command> <line>");
        const QByteArray line = CommandLog::unescape(rest.mid(blank + 1));
        if (line.contains('\r'))
            return err("the stale line ends at its own CR");
        faults.staleRules.append({CommandLog::unescape(rest.left(blank)).toLower(), line});
        return ok("stale " + rest);
    }
    if (word == "delay") {
        bool good = false;
        const int ms = arg0 == "off" ? 0 : arg0.toInt(&good);
        if (arg0 != "off" && (!good || ms < 0))
            return err("expected milliseconds");
        faults.delayMs = ms;
        return ok("delay " + QByteArray::number(ms));
    }
    if (word == "chunk") {
        if (arg0 == "off" || arg0 == "0") {
            faults.chunkBytes = 0;
            return ok("chunk off");
        }
        bool good = false, goodGap = true;
        const int bytes = arg0.toInt(&good);
        const int gap = args.size() > 1 ? args.at(1).toInt(&goodGap) : faults.chunkGapMs;
        if (!good || bytes < 0 || !goodGap || gap < 0)
            return err("expected chunk <bytes> [gap ms]");
        faults.chunkBytes = bytes;
        faults.chunkGapMs = gap;
        return ok("chunk " + QByteArray::number(bytes) + ' ' + QByteArray::number(gap));
    }
    if (word == "drop") {
        const int n = dropAll();
        QByteArray detail = "dropped " + QByteArray::number(n);
        if (opts.pty)
            detail += " PTY " + ptyPath.toLocal8Bit();
        return ok(detail);
    }
    if (word == "send") {
        const QByteArray bytes = CommandLog::unescape(rest);
        if (bytes.isEmpty())
            return err("send needs bytes");
        const int links = sendToAll(bytes);
        return ok("sent " + QByteArray::number(bytes.size()) + " bytes to " + QByteArray::number(links) +
                  " links");
    }
    if (word == "junk") {
        bool good = false;
        const int n = arg0.toInt(&good);
        if (!good || n <= 0 || n > 16 * 1024 * 1024)
            return err("expected a number of bytes");
        const int links = sendToAll(junk(n));
        return ok("sent " + QByteArray::number(n) + " bytes to " + QByteArray::number(links) + " links");
    }
    if (word == "dropafter") {
        bool good = false;
        const int n = arg0 == "off" ? 0 : arg0.toInt(&good);
        if (arg0 != "off" && (!good || n < 0))
            return err("expected a number of commands");
        faults.dropAfter = n;
        return ok("dropafter " + QByteArray::number(n));
    }
    if (word == "refuse") {
        bool on = false;
        if (!parseBool(rest, &on))
            return err("expected on or off");
        refusing = on;
        if (on) {
            server.close();
        } else if (!server.isListening() && port != 0) {
            QString why;
            if (!listen(&why))
                return err(why.toLocal8Bit());
        }
        return ok(on ? "refuse on" : "refuse off");
    }
    if (word == "stream") {
        bool on = false;
        if (!parseBool(rest, &on))
            return err("expected on or off");
        if (on) {
            if (!state.acquiring)
                state.startAcquisition();
            state.printing = true;
        } else {
            state.stopAcquisition();
            state.printing = false;
        }
        updateStreamTimer();
        return ok(on ? "stream on" : "stream off");
    }
    if (word == "clock") {
        if (arg0 == "hold") {
            const QDateTime now = state.boxNow();
            state.clockHeld = true;
            state.setBoxDateTime(now);
        } else if (arg0 == "run") {
            const QDateTime now = state.boxNow();
            state.clockHeld = false;
            state.setBoxDateTime(now);
        } else {
            return err("expected hold or run");
        }
        return ok("clock " + arg0);
    }
    if (word == "set") {
        const int sp = rest.indexOf(' ');
        const QByteArray field = (sp < 0 ? rest : rest.left(sp)).toLower();
        // The value is the rest of the line with its escapes; "\s" gives a
        // blank at either end, where the line itself is trimmed.
        const QByteArray value = sp < 0 ? QByteArray() : CommandLog::unescape(rest.mid(sp + 1));
        if (field.isEmpty())
            return err("set needs a field");
        const QByteArray answer = controlSet(field, value);
        updateStreamTimer();
        return answer;
    }
    if (word == "get")
        return controlGet(arg0);
    if (word == "fields")
        return ok(fieldList());
    if (word == "sd")
        return controlSd(args, rest);
    return err("unknown control command " + word);
}

namespace
{

struct Field {
    const char* name;
    std::function<QByteArray()> get;
    std::function<bool(const QByteArray&)> set; // empty: read only
};

} // namespace

// The state fields a control line can read and change. Text fields take any
// bytes (so a test can give the box values it would never accept over the
// wire), flags take 1/0/on/off/true/false.
static QList<Field> fields(Simulator* sim, BoxState& s)
{
    auto text = [](const char* name, QByteArray* target) {
        return Field{name, [target] { return *target; },
                     [target](const QByteArray& v) {
                         *target = v;
                         return true;
                     }};
    };
    auto flag = [](const char* name, bool* target) {
        return Field{name, [target] { return boolText(*target); },
                     [target](const QByteArray& v) { return parseBool(v, target); }};
    };
    auto number = [](const char* name, double* target) {
        return Field{name, [target] { return QByteArray::number(*target, 'g', 10); },
                     [target](const QByteArray& v) {
                         bool good = false;
                         const double d = v.trimmed().toDouble(&good);
                         if (good)
                             *target = d;
                         return good;
                     }};
    };
    Q_UNUSED(sim);
    return {
        text("name", &s.name),
        text("box_sn", &s.boxSn),
        text("box_des", &s.boxDes),
        text("dcct_sn", &s.dcctSn),
        text("dcct_des", &s.dcctDes),
        text("dcct_model", &s.dcctModel),
        text("firmware", &s.firmware),
        {"mode", [&s] { return QByteArray(s.modeDlog ? "DLOG" : "OSC"); },
         [&s](const QByteArray& v) {
             const QByteArray u = v.trimmed().toUpper();
             if (u != "DLOG" && u != "OSC")
                 return false;
             s.modeDlog = u == "DLOG";
             return true;
         }},
        text("freq", &s.freq),
        text("ts", &s.ts),
        text("pturns", &s.pturns),
        {"acqt", [&s] { return QByteArray::number(s.layout()); },
         [&s](const QByteArray& v) {
             bool good = false;
             const int n = v.trimmed().toInt(&good);
             if (!good || n < 0 || n > 7)
                 return false;
             s.headT = n & 4;
             s.extT = n & 2;
             s.adcT = n & 1;
             return true;
         }},
        flag("head_t", &s.headT),
        flag("ext_t", &s.extT),
        flag("adc_t", &s.adcT),
        flag("save", &s.saveSd),
        {"trigger",
         [&s] {
             return QByteArray(s.trigger == BoxState::Trigger::In    ? "IN"
                               : s.trigger == BoxState::Trigger::Out ? "OUT"
                                                                     : "OFF");
         },
         [&s](const QByteArray& v) {
             const QByteArray u = v.trimmed().toUpper();
             if (u == "IN")
                 s.trigger = BoxState::Trigger::In;
             else if (u == "OUT")
                 s.trigger = BoxState::Trigger::Out;
             else if (u == "OFF")
                 s.trigger = BoxState::Trigger::Off;
             else
                 return false;
             return true;
         }},
        flag("alarm", &s.alarmEnabled),
        text("alarm_ulim", &s.alarmUlim),
        text("alarm_llim", &s.alarmLlim),
        flag("alarm_active", &s.alarmActive),
        flag("alarm_over", &s.alarmOver),
        text("password", &s.password),
        flag("password_set", &s.passwordSet),
        flag("protect", &s.protect),
        flag("cal", &s.calOn),
        text("gain_pos", &s.gainPos),
        text("gain_neg", &s.gainNeg),
        text("offset", &s.offset),
        number("true_gain_pos", &s.trueGainPos),
        number("true_gain_neg", &s.trueGainNeg),
        number("true_offset", &s.trueOffset),
        flag("matched", &s.headMatched),
        text("ip", &s.ip),
        text("mask", &s.mask),
        text("gate", &s.gate),
        text("mac", &s.mac),
        text("ip_new", &s.ipNew),
        text("mask_new", &s.maskNew),
        text("gate_new", &s.gateNew),
        text("mac_new", &s.macNew),
        {"acquiring", [&s] { return boolText(s.acquiring); },
         [&s](const QByteArray& v) {
             bool on = false;
             if (!parseBool(v, &on))
                 return false;
             if (on && !s.acquiring)
                 s.startAcquisition();
             else if (!on)
                 s.stopAcquisition();
             return true;
         }},
        flag("printing", &s.printing),
        flag("ready", &s.ready),
        {"err", [&s] { return QByteArray::number(s.errorWord(), 16).toUpper(); },
         [&s](const QByteArray& v) {
             bool good = false;
             const uint bits = v.trimmed().toUInt(&good, 16);
             if (good)
                 s.errBits = bits;
             return good;
         }},
        {"status", [&s] { return QByteArray::number(s.statusWord(), 16).toUpper(); }, {}},
        {"date",
         [&s] {
             const QDate d = s.boxNow().date();
             return twoDigits(d.day()) + '.' + twoDigits(d.month()) + '.' + QByteArray::number(d.year());
         },
         [&s](const QByteArray& v) {
             const QDate d =
                 QDate::fromString(QString::fromLatin1(v.trimmed()), QStringLiteral("dd.MM.yyyy"));
             if (!d.isValid())
                 return false;
             s.setBoxDateTime(QDateTime(d, s.boxNow().time()));
             return true;
         }},
        {"time",
         [&s] {
             const QTime t = s.boxNow().time();
             return twoDigits(t.hour()) + '.' + twoDigits(t.minute()) + '.' + twoDigits(t.second());
         },
         [&s](const QByteArray& v) {
             const QTime t = QTime::fromString(QString::fromLatin1(v.trimmed()), QStringLiteral("hh.mm.ss"));
             if (!t.isValid())
                 return false;
             s.setBoxDateTime(QDateTime(s.boxNow().date(), t));
             return true;
         }},
        number("current", &s.baseCurrent),
        number("noise", &s.noise),
        {"turns", [&s] { return QByteArray::number(s.actualTurns); },
         [&s](const QByteArray& v) {
             bool good = false;
             const int n = v.trimmed().toInt(&good);
             if (good && n > 0)
                 s.actualTurns = n;
             return good && n > 0;
         }},
        flag("sd_present", &s.sd.present),
        flag("sd_mounted", &s.sd.mounted),
        {"sd_capacity", [&s] { return QByteArray::number(s.sd.capacity); },
         [&s](const QByteArray& v) {
             bool good = false;
             const qint64 n = v.trimmed().toLongLong(&good);
             if (good && n >= 0)
                 s.sd.capacity = n;
             return good && n >= 0;
         }},
        number("rate_cap", &s.rateCap),
        {"name_max", [&s] { return QByteArray::number(s.nameMax); },
         [&s](const QByteArray& v) {
             bool good = false;
             const int n = v.trimmed().toInt(&good);
             if (good && n >= 0)
                 s.nameMax = n;
             return good && n >= 0;
         }},
        {"des_max", [&s] { return QByteArray::number(s.desMax); },
         [&s](const QByteArray& v) {
             bool good = false;
             const int n = v.trimmed().toInt(&good);
             if (good && n >= 0)
                 s.desMax = n;
             return good && n >= 0;
         }},
        {"rate", [&s] { return QByteArray::number(s.sampleRate(), 'g', 10); }, {}},
        {"counter", [&s] { return QByteArray::number(s.counter); }, {}},
        {"streamed", [&s] { return QByteArray::number(s.streamedLines); }, {}},
        {"stream_eol",
         [&s] {
             return QByteArray(s.streamEol == "\r" ? "cr" : s.streamEol == "\n\r" ? "lfcr" : "crlf");
         },
         [&s](const QByteArray& v) {
             const QByteArray t = v.trimmed().toLower();
             if (t == "cr")
                 s.streamEol = "\r";
             else if (t == "crlf")
                 s.streamEol = "\r\n";
             else if (t == "lfcr")
                 s.streamEol = "\n\r";
             else
                 return false;
             return true;
         }},
    };
}

QByteArray Simulator::fieldList() const
{
    QByteArray names;
    for (const Field& f : fields(const_cast<Simulator*>(this), const_cast<BoxState&>(state)))
        names += QByteArray(f.name) + ' ';
    return names + "sessions commands connections overflows port pty";
}

QByteArray Simulator::controlSet(const QByteArray& field, const QByteArray& value)
{
    for (const Field& f : fields(this, state)) {
        if (field != f.name)
            continue;
        if (!f.set)
            return err(field + " is read only");
        if (!f.set(value))
            return err("bad value for " + field);
        return ok(CommandLog::escape(f.get()));
    }
    return err("unknown field " + field);
}

QByteArray Simulator::controlGet(const QByteArray& field)
{
    if (field == "sessions")
        return ok(QByteArray::number(sessions.size()));
    if (field == "commands")
        return ok(QByteArray::number(commandCount));
    if (field == "connections")
        return ok(QByteArray::number(connectionCount));
    if (field == "overflows")
        return ok(QByteArray::number(overflows));
    if (field == "port")
        return ok(QByteArray::number(port));
    if (field == "pty")
        return ok(ptyPath.toLocal8Bit());
    for (const Field& f : fields(this, state))
        if (field == f.name)
            return ok(CommandLog::escape(f.get()));
    return err("unknown field " + field);
}

// "sd ls", "sd put NAME|CONTENT", "sd gen NAME BYTES", "sd rm NAME",
// "sd clear", "sd defaults". Names and contents take the escapes of the log.
QByteArray Simulator::controlSd(const QList<QByteArray>& words, const QByteArray& rest)
{
    const QByteArray sub = words.value(0).toLower();
    const QByteArray tail = rest.mid(words.value(0).size()).trimmed();
    SdCard& sd = state.sd;
    if (sub == "ls") {
        QByteArray out;
        for (const QByteArray& n : sd.names())
            out += CommandLog::escape(n).replace(' ', "\\s") + ':' +
                   QByteArray::number(sd.find(n)->content.size()) + ' ';
        return ok(QByteArray::number(sd.names().size()) + " files " + out.trimmed());
    }
    if (sub == "put") {
        const int bar = tail.indexOf('|');
        if (bar <= 0)
            return err("expected sd put NAME|CONTENT");
        const QByteArray name = CommandLog::unescape(tail.left(bar));
        sd.put(name, CommandLog::unescape(tail.mid(bar + 1)));
        return ok(QByteArray::number(sd.find(name)->content.size()));
    }
    if (sub == "gen") {
        const int sp = tail.lastIndexOf(' ');
        bool good = false;
        const qint64 bytes = sp > 0 ? tail.mid(sp + 1).toLongLong(&good) : 0;
        if (!good || bytes < 0 || bytes > 64 * 1024 * 1024)
            return err("expected sd gen NAME BYTES");
        const QByteArray name = CommandLog::unescape(tail.left(sp));
        sd.put(name, SdCard::generateLog(bytes, quint32(bytes)));
        return ok(QByteArray::number(sd.find(name)->content.size()));
    }
    if (sub == "rm") {
        if (!sd.remove(CommandLog::unescape(tail)))
            return err("no such file");
        return ok("removed");
    }
    if (sub == "clear") {
        sd.clear();
        return ok("card empty");
    }
    if (sub == "defaults") {
        sd.loadDefaults();
        return ok(QByteArray::number(sd.names().size()) + " files");
    }
    return err("expected sd ls|put|gen|rm|clear|defaults");
}
