#include "box_protocol.h"

#include "dcct_data.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

int classifyReply(const QString& line)
{
    const QString t = line.trimmed();
    if (t == QLatin1String("ACK"))
        return 1;
    if (t == QLatin1String("NAK"))
        return 2;
    return 3;
}

bool isSendable(const QString& text)
{
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\r' || u == '\n' || u == 0)
            return false;
    }
    return true;
}

namespace {

inline bool isDigit(char c)
{
    return static_cast<unsigned char>(c - '0') < 10;
}

// Powers of ten that a double holds exactly; a mantissa below 2^53 scaled by
// one of them is rounded once, so the result is the correctly rounded value.
const double exactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

} // namespace

bool parseBoxNumber(const char* begin, const char* end, double* value)
{
    const char* p = begin;
    if (p == end)
        return false;
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        ++p;
    }
    const char* numberStart = p;

    quint64 mantissa = 0;
    int significant = 0; // digits accumulated into mantissa (after leading zeros)
    int dropped = 0;     // integer digits that did not fit into mantissa
    int fractionDigits = 0;
    bool anyDigit = false;

    for (; p != end && isDigit(*p); ++p) {
        anyDigit = true;
        if (significant < 19) {
            mantissa = mantissa * 10 + quint64(*p - '0');
            if (mantissa != 0)
                ++significant;
        } else {
            ++dropped;
        }
    }
    bool inexact = dropped != 0;
    if (p != end && *p == '.') {
        ++p;
        for (; p != end && isDigit(*p); ++p) {
            anyDigit = true;
            if (significant < 19) {
                mantissa = mantissa * 10 + quint64(*p - '0');
                if (mantissa != 0)
                    ++significant;
                ++fractionDigits;
            } else if (*p != '0') {
                inexact = true;
            }
        }
    }
    if (!anyDigit)
        return false;

    int exponent = 0;
    if (p != end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool expNegative = false;
        if (p != end && (*p == '-' || *p == '+')) {
            expNegative = *p == '-';
            ++p;
        }
        if (p == end || !isDigit(*p))
            return false;
        for (; p != end && isDigit(*p); ++p) {
            if (exponent < 100000)
                exponent = exponent * 10 + (*p - '0');
        }
        if (expNegative)
            exponent = -exponent;
    }
    if (p != end)
        return false;

    const int scale = exponent + dropped - fractionDigits;
    if (!inexact && mantissa <= (quint64(1) << 53) && scale >= -22 && scale <= 22) {
        double v = double(mantissa);
        v = scale < 0 ? v / exactPow10[-scale] : v * exactPow10[scale];
        *value = negative ? -v : v;
        return true;
    }

    // Rare long or far-scaled numbers: the library's exact conversion.
    double v = 0;
    const auto res = std::from_chars(numberStart, end, v, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != end || !std::isfinite(v))
        return false;
    *value = negative ? -v : v;
    return true;
}

bool parseBoxNumber(const QString& text, double* value)
{
    const QByteArray b = text.trimmed().toLatin1();
    return parseBoxNumber(b.constData(), b.constData() + b.size(), value);
}

bool parseHexWord(const char* begin, const char* end, quint64* value)
{
    const char* p = begin;
    if (end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
        p += 2;
    if (p == end || end - p > 16)
        return false;
    quint64 v = 0;
    for (; p != end; ++p) {
        const char c = *p;
        unsigned d;
        if (c >= '0' && c <= '9')
            d = unsigned(c - '0');
        else if (c >= 'a' && c <= 'f')
            d = unsigned(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            d = unsigned(c - 'A' + 10);
        else
            return false;
        v = (v << 4) | d;
    }
    *value = v;
    return true;
}

bool parseHexWord(const QString& text, quint64* value)
{
    const QByteArray b = text.trimmed().toLatin1();
    return parseHexWord(b.constData(), b.constData() + b.size(), value);
}

bool parseStreamLine(const char* begin, const char* end, int layout, StreamSample* out)
{
    if (layout < 0 || layout > 7)
        return false;
    while (begin != end && (*begin == '\n' || *begin == '\0'))
        ++begin;
    while (end != begin && (end[-1] == ' ' || end[-1] == '\n' || end[-1] == '\r' || end[-1] == '\0'))
        --end;
    if (begin == end)
        return false;

    // Fields are separated by single blanks; a field runs to the next blank.
    const char* p = begin;
    auto nextField = [&](const char** fb, const char** fe) -> bool {
        if (p > end)
            return false;
        const char* blank = static_cast<const char*>(std::memchr(p, ' ', size_t(end - p)));
        *fb = p;
        *fe = blank ? blank : end;
        p = blank ? blank + 1 : end + 1;
        return true;
    };

    const char *fb, *fe;
    if (!nextField(&fb, &fe) || !parseBoxNumber(fb, fe, &out->counter))
        return false;
    quint64 flags;
    if (!nextField(&fb, &fe) || !parseHexWord(fb, fe, &flags))
        return false;
    out->flags = int(flags & 0xff);
    if (!nextField(&fb, &fe) || !parseBoxNumber(fb, fe, &out->current))
        return false;
    out->head_t = out->ext_t = out->adc_t = 0;
    if (layout & 4) {
        if (!nextField(&fb, &fe) || !parseBoxNumber(fb, fe, &out->head_t))
            return false;
    }
    if (layout & 2) {
        if (!nextField(&fb, &fe) || !parseBoxNumber(fb, fe, &out->ext_t))
            return false;
    }
    if (layout & 1) {
        if (!nextField(&fb, &fe) || !parseBoxNumber(fb, fe, &out->adc_t))
            return false;
    }
    return true;
}

bool looksLikeStreamLine(const char* begin, const char* end)
{
    StreamSample sample;
    return parseStreamLine(begin, end, 0, &sample);
}

ReplyRead takeReplyLine(const QByteArray& bytes, QString* line, QByteArray* rest)
{
    const int cr = bytes.indexOf('\r');
    if (cr < 0)
        return ReplyRead::Incomplete;
    for (int i = cr + 1; i < bytes.size(); ++i) {
        if (bytes.at(i) != '\n' && bytes.at(i) != '\0')
            return ReplyRead::Several;
    }
    const char* begin = bytes.constData();
    const char* end = begin + cr;
    while (begin != end && (*begin == '\n' || *begin == '\0'))
        ++begin;
    while (end != begin && (end[-1] == '\n' || end[-1] == '\0'))
        --end;
    QByteArray text(begin, int(end - begin));
    // A stray NUL is no part of the box's text.
    text.replace('\0', QByteArray());
    *line = QString::fromUtf8(text);
    *rest = bytes.mid(cr + 1);
    return ReplyRead::One;
}

int lineLayoutFromStatus(quint64 status)
{
    int layout = 0;
    if (status & (1u << 17))
        layout |= 2; // external
    if (status & (1u << 18))
        layout |= 4; // head
    if (status & (1u << 19))
        layout |= 1; // ADC
    return layout;
}

bool decodeStatusWord(const QString& reply, Dcct_data* d)
{
    quint64 w;
    if (!parseHexWord(reply, &w))
        return false;
    auto bit = [w](int n) { return (w >> n) & 1u; };
    d->acquiring = bit(0);
    d->error = bit(1);
    d->alarm_active = bit(2);
    d->alarm_over = bit(3);
    d->sd_mounted = bit(5);
    d->cal_on = bit(14);
    d->password_set = bit(15);
    d->mode_dlog = bit(16);
    d->line_layout = lineLayoutFromStatus(w);
    d->printing = bit(20);
    d->save_sd = bit(21);
    d->alarm_enabled = bit(22);
    if (!bit(23)) {
        d->trigger_in = false;
        d->trigger_out = false;
    } else if (bit(24)) {
        d->trigger_out = true;
        d->trigger_in = false;
    } else {
        d->trigger_in = true;
        d->trigger_out = false;
    }
    d->ready = bit(25);
    return true;
}

bool decodeErrorWord(const QString& reply, Dcct_data* d)
{
    quint64 w;
    if (!parseHexWord(reply, &w))
        return false;
    d->err_sd_mount = w & 0x1;
    d->err_sd = w & 0x1e;
    d->err_sd_full = w & 0x20;
    d->err_head_fault = w & 0x100;
    d->err_buffer_overflow = w & 0x10000;
    d->err_head_match = w & 0x20000;
    return true;
}

void decodeStreamFlags(int flags, Dcct_data* d)
{
    d->error = flags & 0x01;
    d->err_head_fault = flags & 0x02;
    d->err_buffer_overflow = flags & 0x04;
    d->err_sd_full = flags & 0x08;
    d->err_sd = flags & 0x10;
    if (flags & 0x40) {
        d->alarm_active = true;
        d->alarm_over = flags & 0x80;
    } else {
        d->alarm_active = false; // the direction of a cleared alarm stays as last seen
    }
}

int decodeAcqChannels(const QString& reply, int previous)
{
    const QString t = reply.trimmed();
    if (t.size() == 3 && std::all_of(t.begin(), t.end(), [](QChar c) { return c == '0' || c == '1'; }))
        return (t[0] == '1' ? 4 : 0) | (t[1] == '1' ? 2 : 0) | (t[2] == '1' ? 1 : 0);
    if (t.contains(QLatin1String("11")))
        return 3;
    if (t.contains(QLatin1String("01")))
        return 1;
    if (t.contains(QLatin1String("10")))
        return 2;
    if (t.contains(QLatin1String("00")))
        return 0;
    return previous;
}

namespace {

bool threeNumbers(const QString& reply, int* a, int* b, int* c)
{
    const QStringList parts = reply.trimmed().split(QLatin1Char('.'));
    if (parts.size() < 3)
        return false;
    bool ok1, ok2, ok3;
    *a = parts[0].trimmed().toInt(&ok1);
    *b = parts[1].trimmed().toInt(&ok2);
    *c = parts[2].trimmed().toInt(&ok3);
    return ok1 && ok2 && ok3;
}

} // namespace

bool decodeBoxTime(const QString& reply, QTime* time)
{
    int h, m, s;
    if (!threeNumbers(reply, &h, &m, &s))
        return false;
    const QTime t(h, m, s, 0);
    if (!t.isValid())
        return false;
    *time = t;
    return true;
}

bool decodeBoxDate(const QString& reply, QDate* date)
{
    int d, m, y;
    if (!threeNumbers(reply, &d, &m, &y))
        return false;
    const QDate v(y, m, d);
    if (!v.isValid())
        return false;
    *date = v;
    return true;
}

QString decodeFirmwareVersion(const QString& reply)
{
    if (!reply.contains(QLatin1Char(':')))
        return reply;
    return reply.section(QLatin1Char(':'), 1, 1);
}

double sampleFrequency(const QString& freq)
{
    double f;
    if (parseBoxNumber(freq, &f) && f > 0)
        return f;
    return 1.0;
}

double sampleTime(double counter, double freq)
{
    if (counter == 1)
        return 0;
    if (!(freq > 0) || !std::isfinite(freq))
        freq = 1.0;
    return counter / freq;
}

QStringList sdListingEntries(const QString& body)
{
    QStringList entries;
    int start = 0;
    const int n = body.size();
    for (int i = 0; i <= n; ++i) {
        if (i == n || body[i] == QLatin1Char('\r') || body[i] == QLatin1Char('\n')) {
            const QString entry = body.mid(start, i - start);
            if (!entry.trimmed().isEmpty())
                entries << entry;
            start = i + 1;
        }
    }
    return entries;
}

QByteArrayList splitKeepingLineBreaks(const QByteArray& bytes)
{
    QByteArrayList lines;
    int start = 0;
    const int n = bytes.size();
    for (int i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c == '\n' || (c == '\r' && (i + 1 == n || bytes[i + 1] != '\n'))) {
            lines << bytes.mid(start, i + 1 - start);
            start = i + 1;
        }
    }
    if (start < n)
        lines << bytes.mid(start);
    return lines;
}

qsizetype findAckLine(const QByteArray& buffer, qsizetype* scanFrom, bool* nak)
{
    const char* data = buffer.constData();
    const qsizetype n = buffer.size();
    qsizetype s = *scanFrom;
    while (s < n) {
        qsizetype t = s;
        while (t < n && data[t] != '\r' && data[t] != '\n')
            ++t;
        if (t == n)
            break; // the line is not complete yet
        qsizetype b = s, e = t;
        while (b < e && (data[b] == ' ' || data[b] == '\0'))
            ++b;
        while (e > b && (data[e - 1] == ' ' || data[e - 1] == '\0'))
            --e;
        const qsizetype len = e - b;
        if (len == 3 && std::memcmp(data + b, "ACK", 3) == 0) {
            *scanFrom = t + 1;
            return s;
        }
        if (len == 3 && std::memcmp(data + b, "NAK", 3) == 0) {
            // A refusal only counts as the first thing the box said.
            bool first = true;
            for (qsizetype i = 0; i < s && first; ++i)
                first = data[i] == '\r' || data[i] == '\n' || data[i] == ' ' || data[i] == '\0';
            if (first) {
                *nak = true;
                *scanFrom = t + 1;
                return -1;
            }
        }
        s = t + 1;
    }
    *scanFrom = s;
    return -1;
}

qsizetype findTrailingAck(const QByteArray& buffer)
{
    const char* data = buffer.constData();
    qsizetype end = buffer.size();
    while (end > 0 && (data[end - 1] == ' ' || data[end - 1] == '\0'))
        --end;
    if (end > 0 && data[end - 1] == '\n')
        --end;
    if (end > 0 && data[end - 1] == '\r')
        --end;
    while (end > 0 && (data[end - 1] == ' ' || data[end - 1] == '\0'))
        --end;
    if (end < 3 || std::memcmp(data + end - 3, "ACK", 3) != 0)
        return -1;
    return end - 3;
}
