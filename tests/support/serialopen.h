#pragma once

#include <QSerialPort>
#include <QTest>

// Opens a pseudo-terminal's slave side as the programs open a serial port.
// The kernel hands out the lowest free terminal number, so numbers come back
// at once while other tests run; a process that has just closed its terminal
// still holds the port's lock file for a moment, and an open in that moment
// is refused with a permission error. Such a refusal is waited out.
inline bool openSerial(QSerialPort& port, QIODevice::OpenMode mode = QIODevice::ReadWrite)
{
    return QTest::qWaitFor(
               [&] {
                   if (port.open(mode))
                       return true;
                   if (port.error() != QSerialPort::PermissionError)
                       return true; // another reason: not worth waiting for
                   port.clearError();
                   return false;
               },
               10000) &&
           port.isOpen();
}
