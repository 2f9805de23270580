#include "ps_replies.h"

#include "ps_data.h"

namespace
{

const QChar CR(QLatin1Char('\r'));
const QChar LF(QLatin1Char('\n'));

// Code of a "NAK" reply: the number after "NAK" and one separator. A refusal
// must never read as success, so a missing, non-numeric or zero code gives -1.
int refusalResult(const QString& reply)
{
    if (reply.left(3) != QLatin1String("NAK"))
        return -1;
    bool ok = false;
    const int code = reply.mid(4).toInt(&ok);
    return ok && code > 0 ? code : -1;
}

// Removes a reply's own framing: the line feeds that end a line (one that
// ended the previous reply may come in just ahead of this one) and the "#"
// in front. Every other character, a "#" inside a value too, is the
// supply's. A file text keeps its line feeds after the leading ones.
QString unframed(QString reply, bool fileText)
{
    int start = 0;
    while (start < reply.size() && reply.at(start) == LF)
        ++start;
    if (start < reply.size() && reply.at(start) == QLatin1Char('#'))
        ++start;
    reply.remove(0, start);
    if (!fileText) {
        reply.remove(CR);
        reply.remove(LF);
    }
    return reply;
}

QString familyOf(const QString& model)
{
    // Longer names first, so "KORA-PS-M" is not taken for "KORA-PS".
    static const char* const families[] = {"KORA-PS-1K5", "KORA-PS-M", "KORA-PS", "ORTX"};
    for (const char* family : families) {
        if (model.contains(QLatin1String(family)))
            return QLatin1String(family);
    }
    return QStringLiteral("UNDEFINED");
}

QString polarityKindOf(const QString& family)
{
    if (family == QLatin1String("KORA-PS-1K5") || family == QLatin1String("KORA-PS"))
        return QStringLiteral("Bipolar");
    if (family == QLatin1String("KORA-PS-M") || family == QLatin1String("ORTX"))
        return QStringLiteral("Monopolar");
    return QStringLiteral("UNDEFINED");
}

} // namespace

bool SupplyReplyCollector::add(QByteArray chunk)
{
    const int nul = chunk.indexOf('\0');
    if (nul >= 0)
        chunk.truncate(nul);
    chunk.truncate(qMax(cap - collected.size(), 0));
    collected.append(chunk);
    terminated = chunk.contains('\r');
    return terminated || collected.size() >= cap;
}

QString SupplyReplyCollector::text() const
{
    QString reply = QString::fromLatin1(collected);
    // Whatever follows the first CR belongs to no reply of ours.
    const int cr = reply.indexOf(CR);
    if (cr >= 0)
        reply.truncate(cr);
    return reply;
}

int setReplyResult(QString reply)
{
    reply = unframed(reply, false);
    if (reply == QLatin1String("AK"))
        return 0;
    return refusalResult(reply);
}

int queryReplyResult(const QString& command, QString reply, bool fileText, QString* value)
{
    reply = unframed(reply, fileText);

    QString echo = command;
    echo.remove(QStringLiteral(":?"));
    if (reply.left(echo.size()) == echo) {
        *value = reply.mid(echo.size() + 1);
        return 0;
    }
    return refusalResult(reply);
}

bool statusFlagsOf(const QString& text, quint32* flags)
{
    bool ok = false;
    const quint32 word = text.toUInt(&ok, 16);
    if (ok)
        *flags = word;
    return ok;
}

void applyStatus(ps_data& record, const QString& text)
{
    record.status = text;
    record.status_unreadable = !statusFlagsOf(text, &record.status_flags);
    if (!record.status_unreadable)
        record.status_read = true;
}

int memoryCellOf(const QString& text)
{
    bool ok = false;
    const int cell = text.toInt(&ok);
    return ok && cell >= 0 && cell < ps_data::memory_size ? cell : -1;
}

void applyVersionReply(ps_data& record, const QString& text)
{
    const int colon = text.indexOf(QLatin1Char(':'));
    record.model_text = colon < 0 ? text : text.left(colon);
    record.version = colon < 0 ? text : text.mid(colon + 1);
    record.family = familyOf(record.model_text);
    record.polarity_kind = polarityKindOf(record.family);
}

bool applyCurrentVoltageStatus(ps_data& record, const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 3)
        return false;
    record.current = parts.at(0);
    record.current_avg.add(parts.at(0));
    record.voltage = parts.at(1);
    record.voltage_avg.add(parts.at(1));
    record.readings_read = true;
    applyStatus(record, parts.at(2));
    return true;
}

bool applyLimits(ps_data& record, const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 4)
        return false;
    for (int i = 0; i < 4; ++i)
        record.limits[i] = parts.at(i);
    return true;
}

ResyncReader::ResyncReader(const QString& echo, int count, int cap) : echo(echo), remaining(count), cap(cap)
{
}

bool ResyncReader::add(QByteArray chunk)
{
    const int nul = chunk.indexOf('\0');
    if (nul >= 0)
        chunk.truncate(nul);
    int from = 0;
    while (!done()) {
        const int cr = chunk.indexOf('\r', from);
        const QByteArray piece = chunk.mid(from, cr < 0 ? -1 : cr - from);
        // Past the cap a line is no answer; only its end is still looked for.
        if (!lineOverlong && line.size() + piece.size() > cap) {
            lineOverlong = true;
            line.clear();
        }
        if (!lineOverlong)
            line.append(piece);
        if (cr < 0)
            break;
        takeLine();
        from = cr + 1;
    }
    return done();
}

void ResyncReader::takeLine()
{
    const QString text = unframed(QString::fromLatin1(line), false);
    if (!lineOverlong && text.size() > echo.size() && text.startsWith(echo))
        --remaining;
    line.clear();
    lineOverlong = false;
}
