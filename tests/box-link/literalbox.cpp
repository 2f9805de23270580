#include "literalbox.h"

#include <QMutexLocker>

LiteralBox::LiteralBox(ScriptedBox::Transport transport) : box(transport) {}

bool LiteralBox::start()
{
    if (!box.start())
        return false;
    box.setResponder([this](const QByteArray& c) { return answer(c); });
    box.setTicker(10, [this] { return tick(); });
    return true;
}

LiteralBox::State LiteralBox::state()
{
    QMutexLocker lock(&mutex);
    return s;
}

void LiteralBox::change(const std::function<void(State&)>& edit)
{
    QMutexLocker lock(&mutex);
    edit(s);
}

QByteArray LiteralBox::streamLine(int counter) const
{
    QByteArray line = QByteArray::number(counter) + " 0 " + QByteArray::number(100 + counter / 10.0, 'f', 6);
    if (s.ext_t)
        line += " 24.5";
    if (s.adc_t)
        line += " 38.25";
    return line + '\r';
}

QByteArray LiteralBox::statusWord() const
{
    quint32 w = 1u << 25; // ready
    if (s.acquiring)
        w |= 1u;
    if (s.ext_t)
        w |= 1u << 17;
    if (s.adc_t)
        w |= 1u << 19;
    if (s.printing)
        w |= 1u << 20;
    return "0x" + QByteArray::number(w, 16);
}

QList<ScriptedBox::Piece> LiteralBox::answer(const QByteArray& command)
{
    QMutexLocker lock(&mutex);
    QByteArray ahead;
    if (s.acquiring && s.printing) {
        for (int i = 0; i < s.lines_ahead_of_answers; ++i)
            ahead += streamLine(s.counter++);
    }
    QList<ScriptedBox::Piece> out = answerAlone(command);
    if (!ahead.isEmpty() && !out.isEmpty()) {
        // The queued lines take a while to go out over the line.
        out.first().first += 30;
        out.prepend(ScriptedBox::Piece(0, ahead));
    }
    return out;
}

QList<ScriptedBox::Piece> LiteralBox::answerAlone(const QByteArray& command)
{
    const QByteArray c = command.toLower();
    auto reply = [](const QByteArray& text) { return ScriptedBox::line(text); };
    if (c == " " || s.nak_everything || (c == "print:off" && s.refuse_print_off))
        return reply("NAK");
    if (c == "print:on" || c == "print:off" || c == "acq:on") {
        const bool starts = (c == "acq:on" && s.printing) || (c == "print:on" && s.acquiring);
        if (c == "acq:on") {
            s.acquiring = true;
            s.counter = 1;
        } else {
            s.printing = c.endsWith("on");
        }
        if (!starts)
            return reply("ACK");
        // A box that starts streaming at once can put lines next to its answer.
        QByteArray lines;
        for (int i = 0; i < s.lines_with_start; ++i)
            lines += streamLine(s.counter++);
        const QByteArray out = s.lines_before_ack ? lines + "ACK\r" : "ACK\r" + lines;
        return {ScriptedBox::Piece(0, out)};
    }
    if (c == "acq:off") {
        // Lines already in the box's output buffer still go out.
        QByteArray out = "ACK\r";
        if (s.acquiring && s.printing) {
            for (int i = 0; i < s.lines_after_stop; ++i)
                out += streamLine(s.counter++);
        }
        s.acquiring = false;
        return {ScriptedBox::Piece(0, out)};
    }
    if (c == "status:?")
        return reply(statusWord());
    if (c == "err:?")
        return reply("0");
    if (c == "sentrel:name:?")
        return reply(s.name);
    if (c == "dcct:des:?")
        return reply(s.head);
    if (c == "freq:?")
        return reply(s.freq);
    if (c == "acqt:?")
        return reply(QByteArray(s.ext_t ? "1" : "0") + (s.adc_t ? "1" : "0"));
    return reply("NAK");
}

QByteArray LiteralBox::tick()
{
    QMutexLocker lock(&mutex);
    if (!s.acquiring || !s.printing)
        return QByteArray();
    QByteArray out;
    for (int i = 0; i < s.lines_per_tick; ++i)
        out += streamLine(s.counter++);
    return out;
}
