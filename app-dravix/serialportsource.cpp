#include "serialportsource.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace
{

SerialPortSource::Provider& provider()
{
    static SerialPortSource::Provider p;
    return p;
}

} // namespace

namespace SerialPortSource
{

QList<SerialPortEntry> systemPorts()
{
    QList<SerialPortEntry> ports;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos) {
        SerialPortEntry e;
        e.portName = info.portName();
        e.description = info.description();
        e.manufacturer = info.manufacturer();
        e.serialNumber = info.serialNumber();
        e.systemLocation = info.systemLocation();
        e.vendorIdentifier = info.hasVendorIdentifier() ? info.vendorIdentifier() : 0;
        e.productIdentifier = info.hasProductIdentifier() ? info.productIdentifier() : 0;
        ports.append(e);
    }
    return ports;
}

QList<SerialPortEntry> extraPorts(const QString& variableValue, const QList<SerialPortEntry>& known)
{
    QList<SerialPortEntry> ports;
    const QStringList paths = variableValue.split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString& raw : paths) {
        const QString path = raw.trimmed();
        if (path.isEmpty() || !QFileInfo::exists(path))
            continue;
        bool duplicate = false;
        for (const SerialPortEntry& k : known + ports)
            if (k.portName == path || k.systemLocation == path)
                duplicate = true;
        if (duplicate)
            continue;
        SerialPortEntry e;
        // The full path is the name: the worker opens it as given.
        e.portName = path;
        e.systemLocation = path;
        ports.append(e);
    }
    return ports;
}

QList<SerialPortEntry> availablePorts()
{
    if (provider())
        return provider()();
    QList<SerialPortEntry> ports = systemPorts();
    ports += extraPorts(QString::fromLocal8Bit(qgetenv(extraPortsVariable)), ports);
    return ports;
}

void setProvider(Provider p)
{
    provider() = std::move(p);
}

} // namespace SerialPortSource
