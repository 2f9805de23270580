// Cost of the main window's handling of one status report (update_window),
// called as the worker's queued signal would call it, in the GUI thread.

#include "benchwindow.h"

#include "faultdialog.h"
#include "ps_thread.h"
#include "realtimeplot.h"

#include "tempsettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>

#include <cstdio>

namespace
{
ps_data report(int i, quint32 flags)
{
    ps_data d;
    d.status_flags = flags;
    d.status = QString::number(flags, 16);
    d.status_read = true; // as on a connection that has read its supply
    d.readings_read = true;
    d.capabilities = QStringLiteral("AIN,TRIG");
    d.current = QString::number(5.0 + (i % 7) * 0.0001, 'f', 4);
    d.voltage = QString::number(12.0 - (i % 5) * 0.0001, 'f', 4);
    d.current_avg.add(d.current);
    d.voltage_avg.add(d.voltage);
    return d;
}

void measure(MainWindow& w, const char* label, int calls, quint32 (*flagsFor)(int))
{
    // Reports prepared beforehand: the worker builds them, not the window.
    QList<ps_data> reports;
    for (int i = 0; i < 64; ++i)
        reports << report(i, flagsFor(i));
    QList<qint64> times;
    for (int i = 0; i < calls; ++i) {
        const ps_data& d = reports.at(i % reports.size());
        QElapsedTimer t;
        t.start();
        QMetaObject::invokeMethod(&w, "update_window", Qt::DirectConnection, Q_ARG(ps_data, d));
        times << t.nsecsElapsed();
        // Let the window repaint now and then, as it would between polls.
        if (i % 20 == 19)
            QApplication::processEvents();
    }
    std::printf("%-58s median %7.1f us, p90 %7.1f us, p99 %7.1f us (%d calls)\n", label,
                percentile(times, 0.5) / 1e3, percentile(times, 0.9) / 1e3, percentile(times, 0.99) / 1e3,
                calls);
}

quint32 steadyOn(int)
{
    return 0x01;
}

quint32 toggling(int i)
{
    // Output and fault flip on every report: every indication changes colour.
    return i % 2 ? 0x01 : 0x02;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TempSettings settings;
    // No update check at start-up.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
              QStringLiteral("Amperix"))
        .setValue(QStringLiteral("automaticUpdatesEnabled"), false);
    MainWindow w;
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        std::fprintf(stderr, "the window is not exposed\n");
    QMetaObject::invokeMethod(&w, "slotStateChanged",
                              Q_ARG(QTcpSocket::SocketState, QAbstractSocket::ConnectedState));
    // The first report runs the firmware check (nothing to compare here).
    QMetaObject::invokeMethod(&w, "update_window", Q_ARG(ps_data, report(0, 0x01)));

    std::printf("update_window per status report (goal: median <= 200 us)\n");
    measure(w, "output on, readings changing", 5000, steadyOn);
    measure(w, "status colours changing on every report", 5000, toggling);

    w.findChild<FaultDialog*>()->show();
    w.findChild<RealTimePlot*>()->show();
    QApplication::processEvents();
    measure(w, "fault window and live plot open, readings changing", 3000, steadyOn);
    w.findChild<FaultDialog*>()->close();
    w.findChild<RealTimePlot*>()->close();

    // Why a style sheet is set only when it changes: what setting the same
    // sheet again costs on one label.
    auto* label = w.findChild<QLabel*>(QStringLiteral("on_off_label"));
    const QString sheet = label->styleSheet();
    QList<qint64> times;
    for (int i = 0; i < 2000; ++i) {
        QElapsedTimer t;
        t.start();
        label->setStyleSheet(sheet);
        times << t.nsecsElapsed();
    }
    std::printf("%-58s median %7.1f us\n", "for comparison: setStyleSheet with an unchanged sheet",
                percentile(times, 0.5) / 1e3);
    return 0;
}
