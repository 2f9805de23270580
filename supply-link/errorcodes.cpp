#include "errorcodes.h"

#include "loggers.h"

namespace
{

QMap<int, QString> errorTable()
{
    return {
        {-1, QStringLiteral("Unknown Error")},
        {1, QStringLiteral("Unknown Command")},
        {2, QStringLiteral("Unknown Parameter")},
        {3, QStringLiteral("Index Out Of Range")},
        {4, QStringLiteral("Not Enough Arguments")},
        {5, QStringLiteral("Privilege Level Requirement not met")},
        {6, QStringLiteral("Save Error")},
        {7, QStringLiteral("Invalid Password")},
        {8, QStringLiteral("Unit in Fault")},
        {9, QStringLiteral("Unit Already ON")},
        {10, QStringLiteral("Setpoint is Out of Hardware Limits")},
        {11, QStringLiteral("Setpoint is Out of Software Limits")},
        {12, QStringLiteral("Setpoint is Not A Number")},
        {13, QStringLiteral("Unit is OFF")},
        {14, QStringLiteral("Slew Rate: Out of Limits")},
        {15, QStringLiteral("Device in Local Mode")},
        {16, QStringLiteral("Unit is Not Generating a Waveform")},
        {17, QStringLiteral("Unit is Currently Generating a Waveform")},
        {18, QStringLiteral("Unit is Not in Local Mode")},
        {19, QStringLiteral("Loop Mode Already Set")},
        {20, QStringLiteral("Loop mode is not the same that uses the variable required to change")},
        {21, QStringLiteral("Module is On")},
        {22, QStringLiteral("Module is not in normal update mode")},
        {23, QStringLiteral("Float mode already set to desired value")},
        {24, QStringLiteral("Unknown sub-command for SFP command")},
        {25, QStringLiteral("Unknown feature or feature not available for actual module (AIN,TRIG)")},
        {26, QStringLiteral("Parallel fault")},
        {27, QStringLiteral("Waveform error")},
        {28, QStringLiteral("Cannot open the file")},
        {29, QStringLiteral("Cannot change set point because the module is inverting polarity")},
        {99, QStringLiteral("Unknown Error")},
    };
}

} // namespace

ErrorCodes::ErrorCodes(QObject* parent) : QObject(parent), codes(errorTable())
{
    for (auto it = codes.constBegin(); it != codes.constEnd(); ++it)
        errorCodesLogger->debug("Added error code {} with value {}", it.key(), it.value());
    errorCodesLogger->info("ErrorCodes created");
}

ErrorCodes::~ErrorCodes() = default;

QString ErrorCodes::message(int code) const
{
    return codes.value(code);
}
