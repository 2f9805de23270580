#pragma once

#include <QList>
#include <QString>

#include <functional>

// One serial port as the new-connection dialog lists it.
struct SerialPortEntry {
    QString portName;
    QString description;
    QString manufacturer;
    QString serialNumber;
    QString systemLocation;
    quint16 vendorIdentifier = 0; // 0: not known
    quint16 productIdentifier = 0;
};

// Where the new-connection dialog takes its list of serial ports from: the
// system's enumeration, followed by the device paths named in the
// environment variable DRAVIX_EXTRA_SERIAL_PORTS (separated like PATH: ':'
// on Unix, ';' on Windows). The system does not enumerate pseudo-terminals
// or symbolic links to ports, which is how a box simulator or a renamed
// adapter is reached. Tests replace the whole source with their own list.
namespace SerialPortSource
{

using Provider = std::function<QList<SerialPortEntry>()>;

constexpr const char extraPortsVariable[] = "DRAVIX_EXTRA_SERIAL_PORTS";

// The ports to offer, in order.
QList<SerialPortEntry> availablePorts();

// Replaces the source (an empty function restores the default one).
void setProvider(Provider provider);

// The default source's two halves.
QList<SerialPortEntry> systemPorts();
// Paths of `variableValue` that exist and are not already in `known`
// (compared by port name and by system location), each listed under its
// full path.
QList<SerialPortEntry> extraPorts(const QString& variableValue, const QList<SerialPortEntry>& known);

} // namespace SerialPortSource
