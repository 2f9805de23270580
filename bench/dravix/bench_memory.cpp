// Resident memory over simulated hours of acquisition on 8 boxes at 10
// samples a second (current, head and external temperature each): blocks of
// 5 samples travel from each box thread's signal to the window as they do
// in the program, the plot redraws on the way, and memory is compared with
// what the plotted points themselves take.

#include "benchsupport.h"
#include "benchviewer.h"

#include <QApplication>
#include <qcustomplot.h>

#include <cmath>
#include <cstdio>

namespace
{

constexpr int boxes = 8;
constexpr double rate = 10; // samples a second
constexpr int layout = 6;   // head and external temperature

double residentMiB()
{
    const qint64 bytes = residentBytes();
    return bytes < 0 ? -1 : double(bytes) / (1024.0 * 1024.0);
}

Dcct_data block(double t0)
{
    Dcct_data d;
    d.buf_select = true;
    d.line_layout = layout;
    d.acquiring = true;
    d.printing = true;
    d.name = QStringLiteral("BOX");
    for (int i = 0; i < 5; ++i) {
        const double t = t0 + i / rate;
        d.time_a.append(t);
        d.current_a.append(150 + 3 * std::sin(t / 10));
        d.head_t_a.append(30 + std::sin(t / 100));
        d.ext_t_a.append(24 + std::cos(t / 100));
    }
    // The half being filled travels along too, as it does in the program.
    d.time_b = d.time_a.mid(0, 2);
    d.current_b = d.current_a.mid(0, 2);
    return d;
}

} // namespace

int main(int argc, char** argv)
{
    preferOffscreen();
    QApplication app(argc, argv);
    ViewerSettings settings;

    const int hours =
        qEnvironmentVariableIsSet("BENCH_HOURS") ? qMax(1, qEnvironmentVariableIntValue("BENCH_HOURS")) : 2;
    MainWindow w;
    w.resize(1200, 800);
    w.show();
    startAcquiring(w, boxes, layout);
    QCoreApplication::processEvents();

    const double start = residentMiB();
    std::printf("%-6s %12s %14s %14s %8s\n", "hour", "points", "resident [MiB]", "points [MiB]", "ratio");
    std::printf("%-6d %12d %14.1f %14s %8s\n", 0, 0, start, "-", "-");
    const int blocksPerHour = int(3600 * rate / 5);
    double t = 0;
    for (int h = 1; h <= hours; ++h) {
        for (int k = 0; k < blocksPerHour; ++k) {
            for (int b = 0; b < boxes; ++b)
                emit w.boxThread(b)->data_updated(block(t));
            t += 5 / rate;
            // The window takes the blocks of every 5 s at once, so an hour
            // passes in well under a minute; what is kept is the same.
            if (k % 10 == 9)
                QCoreApplication::processEvents();
        }
        long long points = 0;
        for (int i = 0; i < w.plot()->graphCount(); ++i)
            points += w.plot()->graph(i)->dataCount();
        const double pointsMiB = double(points) * sizeof(QCPGraphData) / (1024.0 * 1024.0);
        const double grown = residentMiB() - start;
        std::printf("%-6d %12lld %14.1f %14.1f %8.2f\n", h, points, start + grown, pointsMiB,
                    grown / pointsMiB);
        std::fflush(stdout);
    }
    for (int b = 0; b < boxes; ++b)
        w.boxThread(b)->connected = false;
    return 0;
}
