// A 32 MB firmware image uploaded to supply-sim's firmware port on loopback:
// the dialog's throughput against a bare socket sending the same file, and
// the GUI thread's longest pause while the dialog uploads and installs.

#include "benchsupport.h"

#include "firmwareupdatedialog.h"
#include "simulatorprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    SimulatorProcess sim(QStringLiteral("supply-sim"));
    if (!sim.start({QStringLiteral("--firmware-port"), QStringLiteral("0")})) {
        std::printf("supply-sim did not start\n");
        return 1;
    }
    sim.control(QStringLiteral("firmware port"));
    const quint16 port = quint16(sim.lastReply().mid(3).toUInt());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.updt"));
    const qint64 size = 32 * 1024 * 1024;
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        QByteArray block(1024 * 1024, 'x');
        for (int i = 0; i < block.size(); ++i)
            block[i] = char(i * 131);
        for (qint64 written = 0; written < size; written += block.size())
            f.write(block);
    }

    // Bare socket: the whole file in 16 KiB writes, until every byte is out.
    double bareMs = 0;
    {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        socket.waitForConnected(4000);
        QElapsedTimer t;
        t.start();
        for (QByteArray chunk = f.read(16384); !chunk.isEmpty(); chunk = f.read(16384)) {
            socket.write(chunk);
            socket.waitForBytesWritten(4000);
        }
        while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(4000)) {
        }
        bareMs = double(t.nsecsElapsed()) / 1e6;
        socket.abort();
    }
    sim.control(QStringLiteral("firmware received"));
    std::printf("bare socket: %lld bytes in %.1f ms (%.0f MB/s); simulator received %s\n", size, bareMs,
                size / 1048576.0 / (bareMs / 1000), qPrintable(sim.lastReply().mid(3)));

    FirmwareUpdateDialog dialog;
    dialog.prepare_dialog(QStringLiteral("127.0.0.1"), QStringLiteral("10001"));
    dialog.setUploadPort(port);
    dialog.findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(path);
    dialog.show();
    QApplication::processEvents();

    QElapsedTimer clock;
    qint64 uploadedAt = -1;
    auto* bar = dialog.findChild<QProgressBar*>(QStringLiteral("progressBar"));
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int v) {
        if (v == 8 && uploadedAt < 0)
            uploadedAt = clock.nsecsElapsed();
    });
    // Ticks of a 1 ms timer show how long the GUI thread went without events.
    QList<qint64> uploadGaps, installGaps;
    qint64 last = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        (uploadedAt < 0 ? uploadGaps : installGaps) << now - last;
        last = now;
        // The success box closes itself.
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->accept();
    });
    clock.start();
    tick.start(1);
    dialog.on_update_firwmare_button_clicked();
    tick.stop();
    const double totalMs = double(clock.nsecsElapsed()) / 1e6;
    const double uploadMs = double(uploadedAt) / 1e6;

    sim.control(QStringLiteral("firmware received"));
    std::printf("dialog: uploaded in %.1f ms (%.0f MB/s), %.2fx the bare socket (goal >= 0.5x); "
                "installed after %.1f ms; simulator received %s\n",
                uploadMs, size / 1048576.0 / (uploadMs / 1000), bareMs / uploadMs, totalMs,
                qPrintable(sim.lastReply().mid(3)));
    std::printf("GUI thread longest pause: %.1f ms uploading, %.1f ms installing (goal <= 50 ms)\n",
                percentile(uploadGaps, 1.0) / 1e6, percentile(installGaps, 1.0) / 1e6);
    return 0;
}
