#include "firmwareserver.h"

#include <QCryptographicHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace
{

const QString ok = QStringLiteral("OK");

QString err(const QString& why)
{
    return QStringLiteral("ERR ") + why;
}

// What the supply says while it installs, one piece per step.
const QList<QByteArray> installLines{"Installing firmware\n", "$:10\n", "$:40\n", "$:70\n", "$:90\n"};
constexpr int closeAfterLines = 3; // "close" ends the connection after "$:40"

} // namespace

struct FirmwareServer::Upload {
    QPointer<QTcpSocket> socket;
    QTimer gap;
    QTimer steps;
    QCryptographicHash hash{QCryptographicHash::Sha1};
    qint64 bytes = 0;
    int nextLine = 0;
    bool installing = false;
    bool refusedEarly = false;
    QList<QByteArray> pendingMarker; // pieces still to send
};

FirmwareServer::FirmwareServer(QObject* parent) : QObject(parent), server(new QTcpServer(this))
{
    connect(server, &QTcpServer::newConnection, this, &FirmwareServer::accept);
}

FirmwareServer::~FirmwareServer()
{
    closeAll();
}

bool FirmwareServer::listen(const QHostAddress& address, quint16 port, QString* error)
{
    if (server->listen(address, port))
        return true;
    *error = server->errorString();
    return false;
}

quint16 FirmwareServer::port() const
{
    return server->isListening() ? server->serverPort() : 0;
}

void FirmwareServer::closeAll()
{
    const QList<Upload*> open = uploads;
    for (Upload* upload : open)
        drop(upload);
}

void FirmwareServer::accept()
{
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        auto* upload = new Upload;
        upload->socket = socket;
        uploads.append(upload);
        ++uploadCount;
        lastBytes = 0;
        lastSha1 = QCryptographicHash::hash(QByteArray(), QCryptographicHash::Sha1);

        upload->gap.setSingleShot(true);
        upload->gap.setInterval(gapMs);
        upload->steps.setInterval(stepMs);
        connect(&upload->gap, &QTimer::timeout, this, [this, upload] { install(upload); });
        connect(&upload->steps, &QTimer::timeout, this, [this, upload] { sendStep(upload); });
        connect(socket, &QTcpSocket::readyRead, this, [this, upload] { received(upload); });
        connect(socket, &QTcpSocket::disconnected, this, [this, upload] { drop(upload); });
        // An empty upload is a pause from the start.
        upload->gap.start();
    }
}

void FirmwareServer::received(Upload* upload)
{
    const QByteArray data = upload->socket->readAll();
    upload->bytes += data.size();
    upload->hash.addData(data);
    lastBytes = upload->bytes;
    lastSha1 = upload->hash.result();

    if (!earlyRefusal.isEmpty() && !upload->refusedEarly && !upload->installing) {
        upload->refusedEarly = true;
        upload->gap.stop();
        upload->socket->write("#NAK:" + earlyRefusal.toUtf8() + "\r\n");
        return;
    }
    if (!upload->installing && !upload->refusedEarly)
        upload->gap.start();
}

void FirmwareServer::install(Upload* upload)
{
    upload->installing = true;
    if (ending == Ending::Silence)
        return;
    upload->nextLine = 0;
    upload->steps.start();
}

void FirmwareServer::sendStep(Upload* upload)
{
    if (!upload->pendingMarker.isEmpty()) {
        upload->socket->write(upload->pendingMarker.takeFirst());
        if (upload->pendingMarker.isEmpty())
            upload->steps.stop();
        return;
    }
    if (ending == Ending::Close && upload->nextLine == closeAfterLines) {
        upload->steps.stop();
        upload->socket->disconnectFromHost();
        return;
    }
    if (upload->nextLine < installLines.size()) {
        upload->socket->write(installLines.at(upload->nextLine++));
        return;
    }
    sendMarker(upload, ending == Ending::Refuse ? "#NAK:" + refusalCode.toUtf8() + "\r\n" : QByteArray("#ACK\r\n"));
}

void FirmwareServer::sendMarker(Upload* upload, const QByteArray& marker)
{
    if (!splitMarker) {
        upload->steps.stop();
        upload->socket->write(marker);
        return;
    }
    // "#", then the marker's word in two pieces, one step apart.
    upload->pendingMarker = {marker.left(1), marker.mid(1, 3), marker.mid(4)};
    sendStep(upload);
}

void FirmwareServer::drop(Upload* upload)
{
    if (!uploads.removeOne(upload))
        return;
    upload->gap.stop();
    upload->steps.stop();
    if (upload->socket) {
        upload->socket->disconnect(this);
        upload->socket->abort();
        upload->socket->deleteLater();
    }
    delete upload;
}

QString FirmwareServer::control(const QString& rest)
{
    const QStringList words = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString what = words.value(0).toLower();
    const QString value = words.value(1);
    if (what.isEmpty() || what == QLatin1String("status"))
        return ok + QStringLiteral(" %1 %2 %3 %4")
                        .arg(port())
                        .arg(uploadCount)
                        .arg(lastBytes)
                        .arg(QString::fromLatin1(lastSha1.toHex()));
    if (what == QLatin1String("port"))
        return ok + QLatin1Char(' ') + QString::number(port());
    if (what == QLatin1String("received"))
        return ok + QStringLiteral(" %1 %2").arg(lastBytes).arg(QString::fromLatin1(lastSha1.toHex()));
    if (what == QLatin1String("connections"))
        return ok + QLatin1Char(' ') + QString::number(uploads.size());
    if (what == QLatin1String("ack")) {
        ending = Ending::Ack;
        return ok;
    }
    if (what == QLatin1String("refuse")) {
        ending = Ending::Refuse;
        if (!value.isEmpty())
            refusalCode = value;
        return ok;
    }
    if (what == QLatin1String("silence")) {
        ending = Ending::Silence;
        return ok;
    }
    if (what == QLatin1String("close")) {
        ending = Ending::Close;
        return ok;
    }
    if (what == QLatin1String("early-refuse")) {
        earlyRefusal = value.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0 ? QString() : value;
        return ok;
    }
    if (what == QLatin1String("split")) {
        splitMarker = value.compare(QLatin1String("off"), Qt::CaseInsensitive) != 0;
        return ok;
    }
    if (what == QLatin1String("gap") || what == QLatin1String("step")) {
        bool valid = false;
        const int ms = value.toInt(&valid);
        if (!valid || ms < 0)
            return err(QStringLiteral("expected milliseconds"));
        (what == QLatin1String("gap") ? gapMs : stepMs) = ms;
        return ok;
    }
    if (what == QLatin1String("reset")) {
        ending = Ending::Ack;
        refusalCode = QStringLiteral("12");
        earlyRefusal.clear();
        splitMarker = false;
        gapMs = 300;
        stepMs = 50;
        return ok;
    }
    return err(QStringLiteral("unknown firmware switch ") + what);
}
