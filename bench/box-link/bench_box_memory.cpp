// Memory of a long simulated acquisition through the worker's stream path
// (decoder, double buffer, a record copy per block). Without a receiver the
// resident size must stay flat; with a receiver that keeps every sample (as
// the plot does) it must grow only by the series it keeps.

#include "benchsupport.h"
#include "command.h"
#include "dcct_thread.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

QByteArray makeBatch(int first, int count, int layout)
{
    QByteArray out;
    char buf[128];
    for (int i = first; i < first + count; ++i) {
        int n = std::snprintf(buf, sizeof buf, "%d 0 %.6f", i, 150.0 + (i % 1000) * 1e-6);
        if (layout & 4)
            n += std::snprintf(buf + n, sizeof buf - n, " 30.%02d", i % 100);
        if (layout & 2)
            n += std::snprintf(buf + n, sizeof buf - n, " 24.%02d", i % 100);
        if (layout & 1)
            n += std::snprintf(buf + n, sizeof buf - n, " 38.%02d", i % 100);
        out.append(buf, n);
        out.append("\r\n");
    }
    return out;
}

struct Series {
    QVector<double> time, current, head, ext, adc;
    qint64 bytes() const
    {
        return 8 * qint64(time.capacity() + current.capacity() + head.capacity() + ext.capacity() + adc.capacity());
    }
    qint64 samples() const { return time.size(); }
};

// Feeds `lines` lines in ticks of 50 lines, cut into 1500-byte reads.
void acquire(Dcct_thread& thread, Command& cmd, int layout, int firstLine, int lines)
{
    const int perTick = 50;
    for (int at = firstLine; at < firstLine + lines; at += perTick) {
        const QByteArray batch = makeBatch(at, perTick, layout);
        for (int off = 0; off < batch.size(); off += 1500) {
            const int n = qMin(1500, batch.size() - off);
            cmd.feed_stream(batch.constData() + off, n);
        }
        thread.acquire_current();
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 ? QByteArray(argv[1]).toInt() : 2000000;
    const int layout = 7;

    Dcct_thread thread(true, QStringLiteral("127.0.0.1"), 80, QString());
    Command cmd(nullptr, nullptr, nullptr, true);
    thread.command = &cmd;
    thread.data.line_layout = layout;
    thread.data.freq = QStringLiteral("1000");
    cmd.line_layout = layout;

    std::printf("simulated acquisition, layout %d, %d lines per phase\n", layout, lines);

    // Warm-up so allocator pools and the record's buffers exist.
    acquire(thread, cmd, layout, 1, 100000);
    const qint64 r0 = residentBytes();
    QElapsedTimer t;
    t.start();
    acquire(thread, cmd, layout, 100001, lines);
    const qint64 r1 = residentBytes();
    std::printf("no receiver:   resident %+.2f MiB after %d lines (%.1f s)\n", (r1 - r0) / 1048576.0, lines,
                t.elapsed() / 1000.0);

    // A receiver that keeps every block, as the live plot does.
    Series kept;
    QObject::connect(
        &thread, &Dcct_thread::data_updated, &thread,
        [&kept](const Dcct_data& d) {
            const bool a = d.buf_select;
            kept.time += a ? d.time_a : d.time_b;
            kept.current += a ? d.current_a : d.current_b;
            kept.head += a ? d.head_t_a : d.head_t_b;
            kept.ext += a ? d.ext_t_a : d.ext_t_b;
            kept.adc += a ? d.adc_t_a : d.adc_t_b;
        },
        Qt::DirectConnection);
    const qint64 r2 = residentBytes();
    acquire(thread, cmd, layout, 100001 + lines, lines);
    const qint64 r3 = residentBytes();
    const double grown = (r3 - r2) / 1048576.0;
    const double series = kept.bytes() / 1048576.0;
    std::printf("with receiver: resident %+.2f MiB, kept series %.2f MiB (%lld samples x 5 series, "
                "capacity included)\n",
                grown, series, kept.samples());
    std::printf("  growth beyond the kept series: %+.2f MiB\n", grown - series);
    std::printf("stream decoder: %lld lines dropped, %lld bytes discarded, buffer %d bytes\n",
                cmd.stream_lines_dropped, cmd.stream_bytes_discarded, int(cmd.stream_buffer.capacity()));
    thread.command = nullptr;
    return 0;
}
