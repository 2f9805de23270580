// The real-time plot at its steady size: addData with a replot when every
// graph holds 1,000 points (10 s at 100 Hz), and resident memory over 60 s
// of readings at 100 Hz (on a stepped clock, so the run takes no minute).

#include "benchsupport.h"

#include "realtimeplot.h"

#include <QApplication>
#include <QElapsedTimer>

#include <qcustomplot.h>

#include <cmath>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    RealTimePlot window;
    window.resize(603, 562);
    window.show();
    QApplication::processEvents();

    double now = 1.7e9;
    window.setClock([&now] { return now; });
    auto feed = [&](int i) {
        now += 0.01 + 1e-6;
        window.addData(std::sin(i * 0.01), 2.0 + std::cos(i * 0.01));
    };

    // Ten seconds of readings fill the window.
    int i = 0;
    for (; i < 1000; ++i)
        feed(i);
    std::printf("points per graph: %d\n", window.plot()->graph(0)->data()->size());

    QList<qint64> calls;
    QElapsedTimer t;
    for (int n = 0; n < 1000; ++n, ++i) {
        t.start();
        feed(i);
        calls << t.nsecsElapsed();
    }
    std::printf("addData + replot: median %.2f ms, p99 %.2f ms, worst %.2f ms (goal < 5 ms)\n",
                percentile(calls, 0.5) / 1e6, percentile(calls, 0.99) / 1e6, percentile(calls, 1.0) / 1e6);

    // 60 s at 100 Hz: resident memory after the first 10 s and at the end.
    const long startKb = procStatus("VmRSS");
    for (int n = 0; n < 6000; ++n, ++i) {
        feed(i);
        if (n % 100 == 0)
            QApplication::processEvents();
    }
    const long endKb = procStatus("VmRSS");
    std::printf("resident memory: %ld kB after 20 s, %ld kB after 80 s of readings (%+ld kB); points per graph %d\n",
                startKb, endKb, endKb - startKb, window.plot()->graph(0)->data()->size());
    return 0;
}
