#include "firmwareupdatedialog.h"
#include "modalanswerer.h"
#include "simulatorprocess.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// A supply on loopback, in a thread of its own so it keeps reading while the
// dialog waits on its socket. It takes one connection and hands it to talk().
class PeerThread : public QThread
{
public:
    quint16 port() const { return listening; }

    bool listen()
    {
        start();
        ready.acquire();
        return listening != 0;
    }

protected:
    static constexpr int ceilingMs = 30000;

    virtual void prepare(QTcpServer&) {}
    virtual void talk(QTcpSocket* socket) = 0;

    void run() override
    {
        QTcpServer server;
        if (server.listen(QHostAddress::LocalHost)) {
            prepare(server);
            listening = server.serverPort();
        }
        ready.release();
        if (!listening || !server.waitForNewConnection(ceilingMs))
            return;
        talk(server.nextPendingConnection());
    }

private:
    QSemaphore ready;
    quint16 listening = 0;
};

// A supply that takes an upload a little at a time. Once it holds every byte
// it says so (allIn) and answers "#ACK".
class SlowPeer : public PeerThread
{
public:
    explicit SlowPeer(qint64 expected) : expected(expected) {}

    std::atomic<qint64> received{0};
    QSemaphore allIn;

protected:
    void prepare(QTcpServer& server) override
    {
        // Inherited by the accepted connection: little is held on this side.
        const int small = 4096;
        ::setsockopt(int(server.socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    }

    void talk(QTcpSocket* socket) override
    {
        socket->setReadBufferSize(1024);
        while (received < expected && socket->state() == QAbstractSocket::ConnectedState) {
            if (socket->bytesAvailable() == 0 && !socket->waitForReadyRead(ceilingMs))
                return;
            received += socket->read(1024).size();
        }
        allIn.release();
        socket->write("#ACK\r\n");
        socket->waitForBytesWritten(ceilingMs);
        socket->waitForDisconnected(ceilingMs);
    }

private:
    const qint64 expected;
};

// A supply that takes the upload and then, when told (go), sends `reply` in
// one piece, and closes the connection at once if `close` is set.
class ScriptedPeer : public PeerThread
{
public:
    ScriptedPeer(qint64 expected, const QByteArray& reply, bool close)
        : expected(expected), reply(reply), close(close)
    {
    }

    QSemaphore go;

protected:
    void talk(QTcpSocket* socket) override
    {
        qint64 received = 0;
        while (received < expected && (socket->bytesAvailable() > 0 || socket->waitForReadyRead(ceilingMs)))
            received += socket->readAll().size();
        if (!go.tryAcquire(1, ceilingMs))
            return;
        socket->write(reply);
        socket->waitForBytesWritten(ceilingMs);
        if (close)
            socket->disconnectFromHost();
        else
            socket->waitForDisconnected(ceilingMs);
    }

private:
    const qint64 expected;
    const QByteArray reply;
    const bool close;
};

// The test process's own connection to `port` on loopback; -1 if there is none.
int connectionTo(quint16 port)
{
    const QStringList fds =
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System);
    for (const QString& name : fds) {
        const int fd = name.toInt();
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0 &&
            peer.sin_family == AF_INET && ntohs(peer.sin_port) == port)
            return fd;
    }
    return -1;
}

// Gives the test process's own connection to `port` on loopback a small send
// buffer; false if there is none.
bool shrinkSendBufferOfConnectionTo(quint16 port)
{
    const int fd = connectionTo(port);
    const int small = 4096;
    return fd >= 0 && ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &small, sizeof small) == 0;
}

// Bytes the kernel holds for `fd` that nobody has read yet.
int unread(int fd)
{
    int n = 0;
    return ::ioctl(fd, FIONREAD, &n) == 0 ? n : -1;
}

// Waits until `fd` has `events` (POLLIN, POLLRDHUP) or the ceiling passes.
bool waitFor(int fd, short events, int ceilingMs)
{
    pollfd p{fd, events, 0};
    return ::poll(&p, 1, ceilingMs) == 1 && (p.revents & events);
}

} // namespace

// Uploads to supply-sim's firmware port, which stands in for the supply's
// port 13192, and reads the simulator's account of what it received.
class FirmwareUploadTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void bytesReceivedEqualTheFile_data();
    void bytesReceivedEqualTheFile();
    void uploadedIsShownOnlyOnceEveryByteIsSent();
    void verdictAlreadyReadInIsJudged_data();
    void verdictAlreadyReadInIsJudged();
    void refusalKeepsItsCode_data();
    void refusalKeepsItsCode();
    void earlyRefusalIsReadDuringUpload();
    void refusedPort();
    void peerClosingMidInstall();
    void silentInstallationEnds();
    void fileThatIsNoRegularFileIsRefusedBeforeSending();
    void pipeWithoutWriterIsRefusedWithoutOpeningIt();
    void readErrorIsAnError();
    void uploadCannotBeRestartedClosedOrHidden();

private:
    QString writeFile(qint64 size);
    void upload();
    QString firmware(const QString& line);

    QTemporaryDir dir;
    SimulatorProcess* sim = nullptr;
    FirmwareUpdateDialog* dialog = nullptr;
    ModalAnswerer* answerer = nullptr;
    quint16 port = 0;
};

void FirmwareUploadTest::initTestCase()
{
    if (!QFileInfo::exists(SimulatorProcess::programPath(QStringLiteral("supply-sim"))))
        QSKIP("supply-sim is not built");
    QVERIFY(dir.isValid());
}

void FirmwareUploadTest::init()
{
    sim = new SimulatorProcess(QStringLiteral("supply-sim"));
    QVERIFY(sim->start({QStringLiteral("--firmware-port"), QStringLiteral("0"), QStringLiteral("--control"),
                        QStringLiteral("firmware gap 100"), QStringLiteral("--control"),
                        QStringLiteral("firmware step 10")}));
    port = quint16(firmware(QStringLiteral("port")).toUInt());
    QVERIFY(port != 0);
    dialog = new FirmwareUpdateDialog;
    dialog->prepare_dialog(QStringLiteral("127.0.0.1"), QStringLiteral("10001"));
    dialog->setUploadPort(port);
    answerer = new ModalAnswerer;
}

void FirmwareUploadTest::cleanup()
{
    delete answerer;
    delete dialog;
    delete sim;
}

QString FirmwareUploadTest::firmware(const QString& line)
{
    if (!sim->control(QStringLiteral("firmware ") + line))
        return QString();
    return sim->lastReply().mid(3);
}

QString FirmwareUploadTest::writeFile(qint64 size)
{
    static int n = 0;
    const QString path = dir.filePath(QStringLiteral("image%1.updt").arg(++n));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    QByteArray data(int(size), Qt::Uninitialized);
    for (char& c : data)
        c = char(QRandomGenerator::global()->bounded(256));
    f.write(data);
    return path;
}

void FirmwareUploadTest::upload()
{
    dialog->on_update_firwmare_button_clicked();
}

static QString fileSha1(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex());
}

void FirmwareUploadTest::bytesReceivedEqualTheFile_data()
{
    QTest::addColumn<qint64>("size");
    QTest::newRow("empty") << qint64(0);
    QTest::newRow("chunk - 1") << qint64(16383);
    QTest::newRow("chunk") << qint64(16384);
    QTest::newRow("chunk + 1") << qint64(16385);
    QTest::newRow("several chunks") << qint64(3 * 16384 + 7);
}

void FirmwareUploadTest::bytesReceivedEqualTheFile()
{
    QFETCH(qint64, size);
    const QString path = writeFile(size);
    dialog->findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(path);
    auto* bar = dialog->findChild<QProgressBar*>(QStringLiteral("progressBar"));
    QList<int> values;
    connect(bar, &QProgressBar::valueChanged, this, [&values](int v) { values << v; });

    upload();

    QCOMPARE(answerer->count(QStringLiteral("Fimrware Updated")), 1);
    QCOMPARE(firmware(QStringLiteral("received")),
             QStringLiteral("%1 %2").arg(size).arg(fileSha1(path)));
    // Progress lines move the bar (n + 8) and are not shown as text.
    QVERIFY(values.contains(98));
    QCOMPARE(bar->value(), 100);
    const QString text = dialog->findChild<QTextBrowser*>(QStringLiteral("textBrowser"))->toPlainText();
    QVERIFY(text.contains(QLatin1String("Installing firmware")));
    QVERIFY(!text.contains(QLatin1String("$:")));
    QVERIFY(text.endsWith(QLatin1String("FIRMWARE SUCCESSFULLY UPDATED!!!")));
}

void FirmwareUploadTest::uploadedIsShownOnlyOnceEveryByteIsSent()
{
    const qint64 size = 1024 * 1024;
    SlowPeer peer(size);
    QVERIFY(peer.listen());
    dialog->setUploadPort(peer.port());
    dialog->findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(writeFile(size));

    // On loopback the kernel's send buffer grows to megabytes, and a socket is
    // writable only with a third of it free, so every chunk would be taken
    // whole and none would be left in the socket's own buffer at the end. With
    // a small send buffer and a slow peer, the last chunks wait there.
    bool shrunk = false;
    bool allInWhenShown = false;
    qint64 receivedWhenShown = -1;
    connect(dialog, &FirmwareUpdateDialog::updateText, this, [&](const QString& text) {
        if (text == QLatin1String("Socket Opened\n"))
            shrunk = shrinkSendBufferOfConnectionTo(peer.port());
        // The dialog waits here: what it has not handed over yet cannot reach the peer.
        if (text == QLatin1String("\nFiwmware uploaded")) {
            allInWhenShown = peer.allIn.tryAcquire(1, 30000);
            receivedWhenShown = peer.received;
        }
    });

    upload();
    peer.wait();
    QVERIFY(shrunk);
    QVERIFY2(allInWhenShown,
             qPrintable(
                 QStringLiteral("the peer could get only %1 of %2 bytes").arg(receivedWhenShown).arg(size)));
    QCOMPARE(answerer->count(QStringLiteral("Fimrware Updated")), 1);
}

void FirmwareUploadTest::verdictAlreadyReadInIsJudged_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("close");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("boxText");
    QTest::newRow("success") << QByteArray("#ACK\r\n") << false << "Fimrware Updated"
                             << "Firmware Successfully Updated!!!";
    QTest::newRow("refusal after a progress line")
        << QByteArray("$:45\n#NAK:12\r\n") << false << "Update Error"
        << "12";
    QTest::newRow("success, then the supply closes") << QByteArray("#ACK\r\n") << true << "Fimrware Updated"
                                                     << "Firmware Successfully Updated!!!";
}

// The socket reads what arrives whenever events are processed, so a verdict
// can be in its buffer before the installation waits for one; it must be
// judged there, not waited for.
void FirmwareUploadTest::verdictAlreadyReadInIsJudged()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, close);
    QFETCH(QString, box);
    QFETCH(QString, boxText);
    const qint64 size = 100;
    ScriptedPeer peer(size, reply, close);
    QVERIFY(peer.listen());
    dialog->setUploadPort(peer.port());
    // Only a reply left unread would run into this.
    dialog->setInstallSilenceLimit(5000);
    dialog->findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(writeFile(size));

    const int ceilingMs = 30000;
    bool readIn = false;
    connect(dialog, &FirmwareUpdateDialog::updateText, this, [&](const QString& text) {
        if (!text.startsWith(QLatin1String("\nFiwmware Installation")))
            return;
        // Sent, arrived in full (and closed), then taken in by the dialog's
        // socket while events are processed, all before its installation waits.
        peer.go.release();
        const int fd = connectionTo(peer.port());
        QDeadlineTimer deadline(ceilingMs);
        while (fd >= 0 && unread(fd) < reply.size() && !deadline.hasExpired())
            waitFor(fd, POLLIN, int(deadline.remainingTime()));
        if (close && !waitFor(fd, POLLRDHUP, int(deadline.remainingTime())))
            return;
        while (fd >= 0 && unread(fd) > 0 && !deadline.hasExpired())
            QCoreApplication::processEvents();
        readIn = fd >= 0 && unread(fd) == 0;
    });

    upload();
    peer.wait();
    QVERIFY2(readIn, "the reply did not reach the dialog's socket before the installation");
    QCOMPARE(answerer->count(box), 1);
    QCOMPARE(answerer->lastText(box), boxText);
    QCOMPARE(answerer->count(QStringLiteral("Socket Error")), 0);
}

void FirmwareUploadTest::refusalKeepsItsCode_data()
{
    QTest::addColumn<bool>("split");
    QTest::newRow("whole marker") << false;
    QTest::newRow("marker split across reads") << true;
}

void FirmwareUploadTest::refusalKeepsItsCode()
{
    QFETCH(bool, split);
    if (split) {
        // A success split after its "#" stays a success.
        firmware(QStringLiteral("split on"));
        dialog->findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(writeFile(100));
        upload();
        QCOMPARE(answerer->count(QStringLiteral("Fimrware Updated")), 1);
        QCOMPARE(answerer->count(QStringLiteral("Update Error")), 0);
    }
    firmware(QStringLiteral("refuse 12"));
    dialog->findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(writeFile(100));
    upload();
    QCOMPARE(answerer->count(QStringLiteral("Update Error")), 1);
    QCOMPARE(answerer->lastText(QStringLiteral("Update Error")), QStringLiteral("12"));
    QCOMPARE(dialog->findChild<QProgressBar*>(QStringLiteral("progressBar"))->value(), 0);
}

void FirmwareUploadTest::earlyRefusalIsReadDuringUpload()
{
    firmware(QStringLiteral("early-refuse 07"));
    dialog->setInstallSilenceLimit(20000);
    dialog->findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(writeFile(4 * 1024 * 1024));
    upload();
    QCOMPARE(answerer->count(QStringLiteral("Update Error")), 1);
    QCOMPARE(answerer->lastText(QStringLiteral("Update Error")), QStringLiteral("07"));
    QCOMPARE(answerer->count(QStringLiteral("Socket Error")), 0);
}

void FirmwareUploadTest::refusedPort()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 unused = probe.serverPort();
    probe.close();
    dialog->setUploadPort(unused);
    dialog->findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(writeFile(10));
    upload();
    QCOMPARE(answerer->count(QStringLiteral("Socket Error")), 1);
    QCOMPARE(answerer->lastText(QStringLiteral("Socket Error")), QStringLiteral("Connection refused"));
}

void FirmwareUploadTest::peerClosingMidInstall()
{
    firmware(QStringLiteral("close"));
    dialog->findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(writeFile(100));
    upload();
    QCOMPARE(answerer->count(QStringLiteral("Socket Error")), 1);
    QCOMPARE(answerer->lastText(QStringLiteral("Socket Error")),
             QStringLiteral("The remote host closed the connection"));
    QCOMPARE(answerer->count(QStringLiteral("Fimrware Updated")), 0);
}

void FirmwareUploadTest::silentInstallationEnds()
{
    firmware(QStringLiteral("silence"));
    dialog->setInstallSilenceLimit(500);
    dialog->findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(writeFile(100));
    upload();
    QCOMPARE(answerer->count(QStringLiteral("Socket Error")), 1);
    QVERIFY(!dialog->isUploading());
}

void FirmwareUploadTest::fileThatIsNoRegularFileIsRefusedBeforeSending()
{
    // A missing file is refused too, with the reason its opening gives.
    const QString missing = dir.filePath(QStringLiteral("missing.updt"));
    for (const QString& path : {dir.path(), QStringLiteral("/dev/zero"), missing}) {
        answerer->clear();
        dialog->findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(path);
        upload();
        QCOMPARE(answerer->count(QStringLiteral("Error in File Opening")), 1);
        QCOMPARE(answerer->lastText(QStringLiteral("Error in File Opening")),
                 QLatin1String(path == missing ? "No such file or directory" : "Not a regular file"));
    }
    QCOMPARE(firmware(QStringLiteral("status")).section(QLatin1Char(' '), 1, 1), QStringLiteral("0"));
}

void FirmwareUploadTest::pipeWithoutWriterIsRefusedWithoutOpeningIt()
{
    const QString pipe = dir.filePath(QStringLiteral("pipe.updt"));
    QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
    // Opening a pipe that nobody writes to waits for a writer. Should the
    // dialog do so, this stands in for one after a generous ceiling, so the
    // test fails instead of hanging.
    std::mutex mutex;
    std::condition_variable uploadEnded;
    bool ended = false;
    bool stoodIn = false;
    std::thread writer([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (uploadEnded.wait_for(lock, std::chrono::seconds(30), [&] { return ended; }))
            return;
        stoodIn = true;
        const int fd = ::open(QFile::encodeName(pipe).constData(), O_RDWR | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    });
    dialog->findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(pipe);
    upload();
    {
        std::lock_guard<std::mutex> lock(mutex);
        ended = true;
    }
    uploadEnded.notify_one();
    writer.join();
    QVERIFY2(!stoodIn, "the dialog waited for a writer to the pipe");
    QCOMPARE(answerer->count(QStringLiteral("Error in File Opening")), 1);
    QCOMPARE(firmware(QStringLiteral("status")).section(QLatin1Char(' '), 1, 1), QStringLiteral("0"));
}

void FirmwareUploadTest::readErrorIsAnError()
{
    // Reading a process's own memory file from its start fails.
    QFile probe(QStringLiteral("/proc/self/mem"));
    if (!probe.open(QIODevice::ReadOnly) || probe.read(16).size() != 0 || probe.error() == QFile::NoError)
        QSKIP("no file here fails on reading");
    dialog->findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(QStringLiteral("/proc/self/mem"));
    upload();
    QCOMPARE(answerer->count(QStringLiteral("Error in File Reading")), 1);
    QCOMPARE(answerer->count(QStringLiteral("Fimrware Updated")), 0);
}

void FirmwareUploadTest::uploadCannotBeRestartedClosedOrHidden()
{
    firmware(QStringLiteral("silence"));
    dialog->setInstallSilenceLimit(1500);
    dialog->findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"))->setText(writeFile(100));
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    int attempts = 0;
    QTimer poke;
    connect(&poke, &QTimer::timeout, this, [&] {
        if (!dialog->isUploading())
            return;
        ++attempts;
        dialog->reject();
        dialog->close();
        dialog->hide();
        dialog->on_update_firwmare_button_clicked();
    });
    poke.start(50);
    upload();
    poke.stop();
    QVERIFY(attempts > 0);
    QVERIFY(dialog->isVisible());
    QCOMPARE(answerer->count(QStringLiteral("Socket Error")), 1);
    QCOMPARE(firmware(QStringLiteral("status")).section(QLatin1Char(' '), 1, 1), QStringLiteral("1"));
}

QTEST_MAIN(FirmwareUploadTest)
#include "tst_firmwareupload.moc"
