// Stream decoding speed: lines per second for layouts 0 and 7, the stream
// fed in chunks of 1-4 KiB that cut lines anywhere, against a plain decoder
// built on QString::split and toDouble, measured in the same run.

#include "command.h"
#include "dcct_thread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>
#include <QVector>

#include <cstdio>

namespace {

// What a box sends: counter, lower-case hex flags, current with 6 decimals,
// temperatures with 2, each line ended by CR LF.
QByteArray makeStream(int lines, int layout)
{
    QRandomGenerator rng(42);
    QByteArray out;
    out.reserve(lines * 48);
    char buf[128];
    for (int i = 1; i <= lines; ++i) {
        const double current = 150.0 + (rng.bounded(20000) - 10000) * 1e-6;
        int n = std::snprintf(buf, sizeof buf, "%d %x %.6f", i, (i % 97) == 0 ? 0x41 : 0, current);
        if (layout & 4)
            n += std::snprintf(buf + n, sizeof buf - n, " %.2f", 30.0 + rng.bounded(100) * 0.01);
        if (layout & 2)
            n += std::snprintf(buf + n, sizeof buf - n, " %.2f", 24.0 + rng.bounded(100) * 0.01);
        if (layout & 1)
            n += std::snprintf(buf + n, sizeof buf - n, " %.2f", 38.0 + rng.bounded(100) * 0.01);
        out.append(buf, n);
        out.append("\r\n");
    }
    return out;
}

QVector<int> makeChunks(qsizetype total)
{
    QRandomGenerator rng(7);
    QVector<int> sizes;
    for (qsizetype done = 0; done < total;) {
        const int c = 1024 + int(rng.bounded(3 * 1024 + 1));
        sizes << c;
        done += c;
    }
    return sizes;
}

// The plain way: text buffer, split at CR, split each line at blanks,
// toDouble per field. Keeps the incomplete tail, so it decodes correctly.
struct PlainDecoder {
    QString buffer;
    QVector<double> counter, current, head, ext, adc;
    int flags = 0;
    int layout = 0;

    void feed(const char* data, int size)
    {
        buffer += QString::fromUtf8(data, size);
        QStringList lines = buffer.split(QLatin1Char('\r'));
        buffer = lines.takeLast();
        for (QString line : qAsConst(lines)) {
            while (line.startsWith(QLatin1Char('\n')))
                line.remove(0, 1);
            const QStringList f = line.split(QLatin1Char(' '));
            int need = 3 + ((layout >> 2) & 1) + ((layout >> 1) & 1) + (layout & 1);
            if (f.size() < need)
                continue;
            bool ok = true;
            counter << f[0].toDouble(&ok);
            flags = f[1].toInt(&ok, 16);
            current << f[2].toDouble(&ok);
            int k = 3;
            if (layout & 4)
                head << f[k++].toDouble(&ok);
            if (layout & 2)
                ext << f[k++].toDouble(&ok);
            if (layout & 1)
                adc << f[k++].toDouble(&ok);
        }
    }
    void clear()
    {
        counter.clear();
        current.clear();
        head.clear();
        ext.clear();
        adc.clear();
    }
};

struct Result {
    double linesPerSecond;
    double checksum;
};

// Feeds the stream in the given chunks and drains every ~20 chunks and after
// the last, as the worker does on each tick; returns the seconds it took.
template <typename Feed, typename Drain>
double feedInChunks(const QByteArray& stream, const QVector<int>& chunks, Feed feed, Drain drain)
{
    qsizetype at = 0;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < chunks.size(); ++i) {
        const int n = int(qMin<qsizetype>(chunks[i], stream.size() - at));
        feed(stream.constData() + at, n);
        at += n;
        if (i % 20 == 19 || i == chunks.size() - 1)
            drain();
    }
    return t.nsecsElapsed() / 1e9;
}

Result runFast(const QByteArray& stream, const QVector<int>& chunks, int layout, int lines)
{
    Command cmd(nullptr, nullptr, nullptr, true);
    cmd.line_layout = layout;
    double sum = 0;
    int taken = 0;
    const double s = feedInChunks(
        stream, chunks, [&](const char* data, int n) { cmd.feed_stream(data, n); },
        [&] {
            taken += cmd.stream_counter.size();
            if (!cmd.stream_current.isEmpty())
                sum += cmd.stream_current.last();
            cmd.clear_stream_lists();
        });
    if (taken != lines)
        std::printf("  !! fast decoder took %d of %d lines\n", taken, lines);
    return {lines / s, sum};
}

Result runPlain(const QByteArray& stream, const QVector<int>& chunks, int layout, int lines)
{
    PlainDecoder dec;
    dec.layout = layout;
    double sum = 0;
    int taken = 0;
    const double s = feedInChunks(
        stream, chunks, [&](const char* data, int n) { dec.feed(data, n); },
        [&] {
            taken += dec.counter.size();
            if (!dec.current.isEmpty())
                sum += dec.current.last();
            dec.clear();
        });
    if (taken != lines)
        std::printf("  !! plain decoder took %d of %d lines\n", taken, lines);
    return {lines / s, sum};
}

// The whole worker path: decoding plus the record's double buffer (blocks
// of five, a record copy per block; no receivers attached).
double runWorkerPath(const QByteArray& stream, const QVector<int>& chunks, int layout, int lines)
{
    Dcct_thread thread(true, QStringLiteral("127.0.0.1"), 80, QString());
    Command cmd(nullptr, nullptr, nullptr, true);
    thread.command = &cmd;
    thread.data.line_layout = layout;
    thread.data.freq = QStringLiteral("1000");
    cmd.line_layout = layout;
    const double s = feedInChunks(
        stream, chunks, [&](const char* data, int n) { cmd.feed_stream(data, n); },
        [&] { thread.acquire_current(); });
    thread.command = nullptr;
    return lines / s;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 ? QByteArray(argv[1]).toInt() : 2000000;
    std::printf("stream decoding, %d lines per layout, chunks of 1-4 KiB cutting lines\n", lines);
    bool ok = true;
    for (int layout : {0, 7}) {
        const QByteArray stream = makeStream(lines, layout);
        const QVector<int> chunks = makeChunks(stream.size());
        // Warm-up, then best of three for each.
        runFast(stream, chunks, layout, lines);
        Result fast{0, 0}, plain{0, 0};
        for (int r = 0; r < 3; ++r) {
            const Result f = runFast(stream, chunks, layout, lines);
            if (f.linesPerSecond > fast.linesPerSecond)
                fast = f;
            const Result p = runPlain(stream, chunks, layout, lines);
            if (p.linesPerSecond > plain.linesPerSecond)
                plain = p;
        }
        const double worker = runWorkerPath(stream, chunks, layout, lines);
        const double ratio = fast.linesPerSecond / plain.linesPerSecond;
        std::printf("layout %d: %.1f bytes/line\n", layout, double(stream.size()) / lines);
        std::printf("  decoder                 %8.2f M lines/s\n", fast.linesPerSecond / 1e6);
        std::printf("  QString::split+toDouble %8.2f M lines/s\n", plain.linesPerSecond / 1e6);
        std::printf("  speed-up                %8.1f x\n", ratio);
        std::printf("  decoder + double buffer %8.2f M lines/s\n", worker / 1e6);
        if (fast.checksum != plain.checksum)
            std::printf("  !! decoders disagree (%.9f vs %.9f)\n", fast.checksum, plain.checksum);
        ok = ok && ratio >= 5 && fast.linesPerSecond >= 5e6;
    }
    std::printf("goal (>= 5x and >= 5 M lines/s): %s\n", ok ? "met" : "NOT met");
    return 0;
}
