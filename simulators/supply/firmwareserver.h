#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpServer;
class QTcpSocket;

// The supply's firmware port (13192): it takes an upload as raw bytes, with
// no length or terminator, and treats a pause in the data as its end. Then it
// "installs": a line of text, progress lines "$:<n>\n", and "#ACK" or
// "#NAK:<code>" to end. Control lines ("firmware ...") choose a refusal,
// silence, or a connection closed in the middle of the installation.
class FirmwareServer : public QObject
{
    Q_OBJECT

public:
    enum class Ending { Ack, Refuse, Silence, Close };

    explicit FirmwareServer(QObject* parent = nullptr);
    ~FirmwareServer() override;

    bool listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const;
    void closeAll();

    // The rest of a "firmware" control line.
    QString control(const QString& rest);

private:
    struct Upload;

    void accept();
    void received(Upload* upload);
    void install(Upload* upload);
    void sendStep(Upload* upload);
    void sendMarker(Upload* upload, const QByteArray& marker);
    void drop(Upload* upload);

    QTcpServer* server;
    QList<Upload*> uploads;

    // Switches.
    Ending ending = Ending::Ack;
    QString refusalCode = QStringLiteral("12");
    QString earlyRefusal; // refuse as soon as data comes (empty: never)
    bool splitMarker = false;
    int gapMs = 300;  // quiet time that ends an upload
    int stepMs = 50;  // time between two installation lines

    // The last upload seen, for the tests to compare with what they sent.
    int uploadCount = 0;
    qint64 lastBytes = 0;
    QByteArray lastSha1;
};
