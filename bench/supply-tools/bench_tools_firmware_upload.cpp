// A 32 MB firmware image uploaded on loopback to a peer standing in for the
// supply's firmware port: the dialog's throughput against a bare socket
// sending the same file, both timed to the last byte the peer received, and
// the GUI thread's longest pause while the dialog uploads and while it
// follows the installation that starts there.

#include "benchsupport.h"

#include "firmwareupdatedialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>

namespace
{

constexpr qint64 imageSize = 32 * 1024 * 1024;
constexpr int waitMs = 10000;
constexpr int rounds = 5;

// One stopwatch for both threads; stamps are nanoseconds since it started.
QElapsedTimer stopwatch;

// The supply's side, in a thread of its own as a supply is a machine of its
// own: takes the uploads one after the other, reading as fast as they come, and
// stamps the arrival of each one's last byte. With `install` set it then
// answers as supply-sim does: a line of text, four progress lines 50 ms
// apart, "#ACK".
class Peer : public QThread
{
public:
    quint16 port = 0;
    QSemaphore listening;
    QSemaphore allIn;                   // released at each upload's last byte
    std::atomic<qint64> lastByteAt{-1}; // stamp of the latest upload's last byte
    std::atomic<qint64> received{0};    // bytes of the latest upload
    std::atomic<bool> install{false};

protected:
    void run() override
    {
        QTcpServer server;
        if (server.listen(QHostAddress::LocalHost))
            port = server.serverPort();
        listening.release();
        for (int upload = 0; upload < 2 * rounds && port && server.waitForNewConnection(waitMs); ++upload) {
            QTcpSocket* socket = server.nextPendingConnection();
            received = 0;
            lastByteAt = -1;
            while (received < imageSize && (socket->bytesAvailable() > 0 || socket->waitForReadyRead(waitMs)))
                received += socket->read(1 << 20).size();
            lastByteAt = stopwatch.nsecsElapsed();
            allIn.release();
            if (install) {
                socket->write("Installing firmware\n");
                for (const char* line : {"$:10\n", "$:40\n", "$:70\n", "$:90\n"}) {
                    socket->waitForBytesWritten(waitMs);
                    QThread::msleep(50);
                    socket->write(line);
                }
                socket->write("#ACK\r\n");
                socket->waitForBytesWritten(waitMs);
            }
            if (socket->state() == QAbstractSocket::ConnectedState)
                socket->waitForDisconnected(waitMs);
            delete socket;
        }
    }
};

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

double mbPerS(qint64 ns)
{
    return imageSize / 1048576.0 / (double(ns) / 1e9);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    stopwatch.start();
    Peer peer;
    peer.start();
    peer.listening.acquire();
    if (!peer.port) {
        std::printf("the peer could not listen\n");
        return 1;
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.updt"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        QByteArray block(1024 * 1024, 'x');
        for (int i = 0; i < block.size(); ++i)
            block[i] = char(i * 131);
        for (qint64 written = 0; written < imageSize; written += block.size())
            f.write(block);
    }

    FirmwareUpdateDialog dialog;
    dialog.setUploadPort(peer.port);
    dialog.findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(path);
    dialog.show();
    QApplication::processEvents();

    // The dialog's upload starts once its connection stands, as the bare socket's.
    qint64 sendingFrom = -1;
    qint64 uploadedShownAt = -1;
    QObject::connect(&dialog, &FirmwareUpdateDialog::updateText, [&](const QString& text) {
        if (text == QLatin1String("Firmware Upload\n"))
            sendingFrom = stopwatch.nsecsElapsed();
        else if (text == QLatin1String("\nFiwmware uploaded"))
            uploadedShownAt = stopwatch.nsecsElapsed();
    });
    // Ticks of a 1 ms timer show how long the GUI thread went without events,
    // counted as uploading while the dialog is in its sending loop (the last
    // bytes may reach the peer after it has gone on to wait for the answer).
    QList<qint64> uploadGaps, installGaps;
    qint64 last = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = stopwatch.nsecsElapsed();
        (uploadedShownAt < 0 ? uploadGaps : installGaps) << now - last;
        last = now;
        // The success box closes itself.
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->accept();
    });

    // Bare and dialog runs take turns, so both see the same load.
    QList<qint64> bare, upload, shown, install;
    for (int round = 0; round < rounds; ++round) {
        // Bare socket: the whole file in 16 KiB writes, as the dialog sends it.
        peer.install = false;
        {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            QTcpSocket socket;
            socket.connectToHost(QStringLiteral("127.0.0.1"), peer.port);
            socket.waitForConnected(waitMs);
            const qint64 start = stopwatch.nsecsElapsed();
            for (QByteArray chunk = f.read(16384); !chunk.isEmpty(); chunk = f.read(16384)) {
                socket.write(chunk);
                socket.waitForBytesWritten(waitMs);
            }
            while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(waitMs)) {
            }
            if (!peer.allIn.tryAcquire(1, waitMs) || peer.received != imageSize) {
                std::printf("bare socket: the peer received only %lld of %lld bytes\n", qint64(peer.received),
                            imageSize);
                return 1;
            }
            bare << peer.lastByteAt - start;
            socket.disconnectFromHost();
        }

        peer.install = true;
        dialog.prepare_dialog(QStringLiteral("127.0.0.1"), QStringLiteral("10001"));
        sendingFrom = uploadedShownAt = -1;
        peer.lastByteAt = -1;
        last = stopwatch.nsecsElapsed();
        tick.start(1);
        dialog.on_update_firwmare_button_clicked();
        const qint64 endedAt = stopwatch.nsecsElapsed();
        tick.stop();
        if (!peer.allIn.tryAcquire(1, waitMs) || peer.received != imageSize || sendingFrom < 0) {
            std::printf("dialog: the peer received only %lld of %lld bytes\n", qint64(peer.received),
                        imageSize);
            return 1;
        }
        upload << peer.lastByteAt - sendingFrom;
        shown << uploadedShownAt - peer.lastByteAt;
        install << endedAt - peer.lastByteAt;
    }

    const qint64 bareNs = qint64(percentile(bare, 0.5));
    const qint64 uploadNs = qint64(percentile(upload, 0.5));
    std::printf("medians of %d runs, each timed to the last byte the peer received:\n", rounds);
    std::printf("bare socket: %.1f ms (%.0f MB/s)\n", ms(bareNs), mbPerS(bareNs));
    std::printf("dialog uploading: %.1f ms (%.0f MB/s), %.2fx the bare socket's rate (goal >= 0.5x); "
                "\"Fiwmware uploaded\" shown at %+.1f ms from the last byte (before it: the rest was "
                "in the kernel's buffers)\n",
                ms(uploadNs), mbPerS(uploadNs), double(bareNs) / double(uploadNs),
                ms(qint64(percentile(shown, 0.5))));
    std::printf("dialog installing: %.1f ms from the last byte to the end (the peer answers over 200 ms)\n",
                ms(qint64(percentile(install, 0.5))));
    std::printf("GUI thread longest pause: %.1f ms uploading, %.1f ms installing (goal <= 50 ms)\n",
                percentile(uploadGaps, 1.0) / 1e6, percentile(installGaps, 1.0) / 1e6);
    peer.wait();
    return 0;
}
