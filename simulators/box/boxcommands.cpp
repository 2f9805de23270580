// The SENTREL command vocabulary: queries ending in "?", actions, and sets
// made of a prefix ending in ":" and an argument.

#include "boxstate.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <cmath>

namespace
{

QByteArray onOff(bool on)
{
    return on ? "ON" : "OFF";
}

// "ON" / "OFF" in any case; anything else is refused.
bool parseOnOff(const QByteArray& arg, bool* on)
{
    const QByteArray a = arg.toUpper();
    if (a == "ON" || a == "OFF") {
        *on = a == "ON";
        return true;
    }
    return false;
}

bool isNumber(const QByteArray& text, double* value = nullptr)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || text.trimmed() != text || text.isEmpty())
        return false;
    if (value)
        *value = v;
    return true;
}

bool isPrintable(const QByteArray& text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    return true;
}

bool isDottedQuad(const QByteArray& text)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$"));
    const auto m = re.match(QString::fromLatin1(text));
    if (!m.hasMatch())
        return false;
    for (int i = 1; i <= 4; ++i)
        if (m.captured(i).toInt() > 255)
            return false;
    return true;
}

bool isMac(const QByteArray& text)
{
    static const QRegularExpression re(QStringLiteral("^[0-9A-Fa-f]{2}([:-][0-9A-Fa-f]{2}){5}$"));
    return re.match(QString::fromLatin1(text)).hasMatch();
}

QByteArray twoDigits(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

} // namespace

BoxReply BoxState::execute(const QByteArray& command)
{
    const QByteArray lc = command.toLower();
    bool known = false;
    BoxReply r = query(lc, &known);
    if (known)
        return r;
    r = set(lc, command, &known);
    return known ? r : BoxReply::nak();
}

BoxReply BoxState::query(const QByteArray& lc, bool* known)
{
    using R = BoxReply;
    *known = true;
    const bool bad = faults && faults->badValues;
    const bool badWord = faults && faults->badStatus;

    if (lc == "status:?")
        return badWord ? R::value("ZZ21") : R::value(QByteArray::number(statusWord(), 16).toUpper());
    if (lc == "err:?")
        return badWord ? R::value("ZZ00") : R::value(QByteArray::number(errorWord(), 16).toUpper());
    if (lc == "get")
        return bad ? R::value("n/a") : R::value(QByteArray::number(readCurrent(), 'f', 6));
    if (lc == "gett:adc")
        return bad ? R::value("--.-") : R::value(QByteArray::number(readTemperature(2), 'f', 2));
    if (lc == "time:?") {
        const QTime t = boxNow().time();
        if (bad)
            return R::value(twoDigits(t.hour()) + '.' + twoDigits(t.minute()));
        return R::value(twoDigits(t.hour()) + '.' + twoDigits(t.minute()) + '.' + twoDigits(t.second()));
    }
    if (lc == "date:?") {
        const QDate d = boxNow().date();
        if (bad)
            return R::value(twoDigits(d.day()) + '.' + twoDigits(d.month()));
        return R::value(twoDigits(d.day()) + '.' + twoDigits(d.month()) + '.' + QByteArray::number(d.year()));
    }
    if (lc == "mode:?")
        return R::value(modeDlog ? "DLOG" : "OSC");
    if (lc == "freq:?")
        return R::value(freq);
    if (lc == "ts:?")
        return R::value(ts);
    if (lc == "save:?")
        return R::value(onOff(saveSd));
    if (lc == "pturns:?")
        return R::value(pturns);
    if (lc == "cal:?")
        return R::value(onOff(calOn));
    if (lc == "alarm:?")
        return R::value(onOff(alarmEnabled));
    if (lc == "alarm:ulim:?")
        return R::value(alarmUlim);
    if (lc == "alarm:llim:?")
        return R::value(alarmLlim);
    if (lc == "trg:?")
        return R::value(trigger == Trigger::In ? "IN" : trigger == Trigger::Out ? "OUT" : "OFF");
    if (lc == "acqt:?") // external, then ADC temperature
        return R::value(QByteArray(extT ? "1" : "0") + (adcT ? "1" : "0"));
    if (lc == "ver:?")
        return R::value(firmware);
    if (lc == "sentrel:name:?")
        return R::value(name);
    if (lc == "sentrel:sn:?")
        return R::value(boxSn);
    if (lc == "sentrel:des:?")
        return R::value(boxDes);
    if (lc == "dcct:sn:?")
        return R::value(dcctSn);
    if (lc == "dcct:des:?")
        return R::value(dcctDes);
    if (lc == "dcct:model:?")
        return R::value(dcctModel);
    if (lc == "sd:?")
        return R::value(sd.mounted ? "MOUNTED" : "UNMOUNTED");
    if (lc == "match:?")
        return R::value(headMatched ? "TRUE" : "FALSE");
    if (lc == "offset:?")
        return R::value(offset);
    if (lc == "gain:pos:?")
        return R::value(gainPos);
    if (lc == "gain:neg:?")
        return R::value(gainNeg);
    if (lc == "ip:?")
        return R::value(ip);
    if (lc == "mask:?")
        return R::value(mask);
    if (lc == "gate:?")
        return R::value(gate);
    if (lc == "mac:?")
        return R::value(mac);
    if (lc == "ip:new:?")
        return R::value(ipNew);
    if (lc == "mask:new:?")
        return R::value(maskNew);
    if (lc == "gate:new:?")
        return R::value(gateNew);
    if (lc == "mac:new:?")
        return R::value(macNew);
    if (lc == "sd:ls") {
        if (!sd.mounted)
            return R::nak();
        QByteArray body;
        for (const QByteArray& n : sd.names())
            body += n + "\r\n";
        return R::listing(body);
    }
    *known = false;
    return R::nak();
}

BoxReply BoxState::set(const QByteArray& lc, const QByteArray& command, bool* known)
{
    using R = BoxReply;
    *known = true;

    // Actions without argument.
    if (lc == "einit") {
        if (locked())
            return R::nak();
        gainPos = "1000.000000";
        gainNeg = "1000.000000";
        offset = "0.000000";
        pturns = "1";
        calOn = true;
        return R::ack();
    }
    if (lc == "err:clr") {
        errBits = 0;
        return R::ack();
    }
    if (lc == "sd:mount") {
        if (!sd.present) {
            errBits |= ErrSdMount;
            sd.mounted = false;
            return R::nak();
        }
        errBits &= ~quint32(ErrSdMount);
        sd.mounted = true;
        return R::ack();
    }
    if (lc == "sd:unmount") {
        if (acquiring && !logFile.isEmpty())
            return R::nak(); // the card is being written
        sd.mounted = false;
        return R::ack();
    }
    if (lc == "match:force") {
        if (locked())
            return R::nak();
        headMatched = true;
        return R::ack();
    }
    if (lc == "offset:zero") {
        offset = QByteArray::number(trueOffset, 'f', 6);
        return R::ack();
    }

    // Sets: the prefix is matched without regard to case, the argument is
    // taken from the command as it came. Longer prefixes come first.
    static const char* const prefixes[] = {
        "sd:size:",     "sd:read:",  "sd:rm:",      "alarm:ulim:", "alarm:llim:", "sentrel:name:",
        "sentrel:des:", "dcct:des:", "dcct:model:", "scale:pos:",  "scale:neg:",  "gain:pos:",
        "gain:neg:",    "ip:new:",   "mask:new:",   "gate:new:",   "mac:new:",    "password:",
        "alarm:",       "mode:",     "acq:",        "freq:",       "ts:",         "print:",
        "save:",        "pturns:",   "cal:",        "trg:",        "acqt:",       "time:",
        "date:",        "ip:",       "mask:",       "gate:",       "mac:",
    };
    QByteArray prefix;
    for (const char* p : prefixes) {
        if (lc.startsWith(p)) {
            prefix = p;
            break;
        }
    }
    if (prefix.isEmpty()) {
        *known = false;
        return R::nak();
    }
    const QByteArray arg = command.mid(prefix.size());
    const QByteArray upper = arg.toUpper();
    bool on = false;
    double number = 0;

    if (prefix == "sd:size:" || prefix == "sd:read:" || prefix == "sd:rm:") {
        const SdCard::File* f = sd.mounted ? sd.find(arg) : nullptr;
        if (!f)
            return R::nak();
        if (prefix == "sd:size:")
            return R::value(QByteArray::number(f->content.size()));
        if (prefix == "sd:read:") {
            QByteArray body = f->content;
            // The closing "ACK" always starts a line of its own.
            if (!body.isEmpty() && !body.endsWith('\n') && !body.endsWith('\r'))
                body += "\r\n";
            return R::listing(body);
        }
        if (acquiring && f->name == logFile)
            return R::nak();
        sd.remove(arg);
        return R::ack();
    }
    if (prefix == "acq:") {
        if (!parseOnOff(arg, &on))
            return R::nak();
        if (!on) {
            stopAcquisition();
            return R::ack();
        }
        if (acquiring)
            return R::ack();
        // Saving needs a mounted card with room left.
        if (saveSd && (!sd.mounted || (errBits & ErrSdFull)))
            return R::nak();
        startAcquisition();
        return R::ack();
    }
    if (prefix == "print:") {
        if (!parseOnOff(arg, &on))
            return R::nak();
        printing = on;
        return R::ack();
    }
    if (prefix == "password:") {
        if (upper == "RESET") {
            passwordSet = false;
            return R::ack();
        }
        if (arg != password)
            return R::nak();
        passwordSet = true;
        return R::ack();
    }
    if (prefix == "sentrel:name:") {
        if (arg.isEmpty() || (nameMax > 0 && arg.size() > nameMax) || !isPrintable(arg))
            return R::nak();
        name = arg;
        return R::ack();
    }
    if (prefix == "time:" || prefix == "date:") {
        const QList<QByteArray> parts = arg.split('.');
        bool ok[3] = {false, false, false};
        if (parts.size() != 3)
            return R::nak();
        const int a = parts[0].toInt(&ok[0]), b = parts[1].toInt(&ok[1]), c = parts[2].toInt(&ok[2]);
        if (!ok[0] || !ok[1] || !ok[2])
            return R::nak();
        const QDateTime now = boxNow();
        if (prefix == "time:") {
            const QTime t(a, b, c);
            if (!t.isValid())
                return R::nak();
            setBoxDateTime(QDateTime(now.date(), t));
        } else {
            const QDate d(c, b, a);
            if (!d.isValid())
                return R::nak();
            setBoxDateTime(QDateTime(d, now.time()));
        }
        return R::ack();
    }
    if (prefix == "alarm:ulim:" || prefix == "alarm:llim:") {
        if (!isNumber(arg))
            return R::nak();
        (prefix == "alarm:ulim:" ? alarmUlim : alarmLlim) = arg;
        return R::ack();
    }
    if (prefix == "alarm:") {
        if (upper == "CLR") {
            alarmActive = false;
            alarmOver = false;
            return R::ack();
        }
        if (!parseOnOff(arg, &on))
            return R::nak();
        alarmEnabled = on;
        if (!on)
            alarmActive = false;
        return R::ack();
    }
    if (prefix == "pturns:") {
        bool ok = false;
        const int n = arg.toInt(&ok);
        if (!ok || n < 1 || n > 100)
            return R::nak();
        pturns = QByteArray::number(n);
        return R::ack();
    }
    if (prefix == "ip:" || prefix == "mask:" || prefix == "gate:" || prefix == "ip:new:" ||
        prefix == "mask:new:" || prefix == "gate:new:") {
        // New addresses take effect when the box restarts; until then the
        // addresses in use stay as they are.
        if (!isDottedQuad(arg))
            return R::nak();
        if (prefix.startsWith("ip"))
            ipNew = arg;
        else if (prefix.startsWith("mask"))
            maskNew = arg;
        else
            gateNew = arg;
        return R::ack();
    }

    // Settings that cannot change while the box acquires.
    const bool acquisitionSetting = prefix == "mode:" || prefix == "freq:" || prefix == "ts:" ||
                                    prefix == "save:" || prefix == "trg:" || prefix == "acqt:";
    if (acquisitionSetting && acquiring)
        return R::nak();
    if (prefix == "mode:") {
        if (upper == "DLOG")
            modeDlog = true;
        else if (upper == "OSC")
            modeDlog = false;
        else
            return R::nak();
        return R::ack();
    }
    if (prefix == "freq:") {
        if (!isNumber(arg, &number) || number <= 0 || number > 100000)
            return R::nak();
        freq = arg;
        return R::ack();
    }
    if (prefix == "ts:") {
        bool ok = false;
        const int micros = arg.toInt(&ok);
        if (!ok || micros < 10 || micros > 1000000)
            return R::nak();
        ts = QByteArray::number(micros);
        return R::ack();
    }
    if (prefix == "save:") {
        if (!parseOnOff(arg, &on))
            return R::nak();
        saveSd = on;
        return R::ack();
    }
    if (prefix == "trg:") {
        if (upper == "OFF")
            trigger = Trigger::Off;
        else if (upper == "IN")
            trigger = Trigger::In;
        else if (upper == "OUT")
            trigger = Trigger::Out;
        else
            return R::nak();
        return R::ack();
    }
    if (prefix == "acqt:") { // head, external, ADC temperature
        if (arg.size() != 3 || arg.count('0') + arg.count('1') != 3)
            return R::nak();
        headT = arg.at(0) == '1';
        extT = arg.at(1) == '1';
        adcT = arg.at(2) == '1';
        return R::ack();
    }

    // Calibration and identity: only while the password has been given.
    if (locked())
        return R::nak();
    if (prefix == "cal:") {
        if (!parseOnOff(arg, &on))
            return R::nak();
        calOn = on;
        return R::ack();
    }
    if (prefix == "gain:pos:" || prefix == "gain:neg:") {
        if (!isNumber(arg, &number) || number <= 0)
            return R::nak();
        (prefix == "gain:pos:" ? gainPos : gainNeg) = arg;
        return R::ack();
    }
    if (prefix == "scale:pos:" || prefix == "scale:neg:") {
        // Calibrating against a known reference current brings the gain of
        // that polarity to the head's true gain.
        if (!isNumber(arg, &number) || number == 0)
            return R::nak();
        if (prefix == "scale:pos:")
            gainPos = QByteArray::number(trueGainPos, 'f', 6);
        else
            gainNeg = QByteArray::number(trueGainNeg, 'f', 6);
        return R::ack();
    }
    if (prefix == "sentrel:des:" || prefix == "dcct:des:") {
        if ((desMax > 0 && arg.size() > desMax) || !isPrintable(arg))
            return R::nak();
        (prefix == "sentrel:des:" ? boxDes : dcctDes) = arg;
        return R::ack();
    }
    if (prefix == "dcct:model:") {
        // "<model number> <head serial number>"; the serial number may be empty.
        const QList<QByteArray> words = arg.split(' ');
        bool ok = false;
        const int model = words.value(0).toInt(&ok);
        if (!ok || model < 0 || arg.size() > 64 || !isPrintable(arg))
            return R::nak();
        dcctModel = arg;
        if (words.size() > 1 && !words.at(1).isEmpty())
            dcctSn = words.at(1);
        return R::ack();
    }
    if (prefix == "mac:" || prefix == "mac:new:") {
        if (!isMac(arg))
            return R::nak();
        macNew = arg;
        return R::ack();
    }
    *known = false;
    return R::nak();
}
