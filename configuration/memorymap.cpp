#include "memorymap.h"

// The Field texts as the supplies' memory tables give them, spelling kept.

namespace
{

const char16_t* const koraPsRows[MemoryMap::RowCount] = {
    u"Firwmare ID (**)", // 0
    u"PS Model (**)", // 1
    u"Serial Number (**)", // 2
    u"MAC Ethernet (**)", // 3
    u"MAC SFP#1 (**)", // 4
    u"MAC SFP#2 (**)", // 5
    u"reserved", // 6
    u"reserved", // 7
    u"reserved", // 8
    u"Calibration date (**)", // 9
    u"Current Calibration Parameter a (**)", // 10
    u"Current Calibration Parameter b (**)", // 11
    u"Current Calibration Parameter c (**)", // 12
    u"Current Calibration Parameter d (**)", // 13
    u"Voltage Calibration Parameter a (**)", // 14
    u"Voltage Calibration Parameter b (**)", // 15
    u"Voltage Calibration Parameter c (**)", // 16
    u"Voltage Calibration Parameter d (**)", // 17
    u"DC-link Calibration Parameter a (**)", // 18
    u"DC-link Calibration Parameter b (**)", // 19
    u"reserved", // 20
    u"reserved", // 21
    u"Earth Leakage Calibration Parameter a (**)", // 22
    u"Earth Leakage Calibration Parameter b (**)", // 23
    u"Analog Input Calibration Parameter a (**)", // 24
    u"Analog Input Calibration Parameter b (**)", // 25
    u"reserved", // 26
    u"reserved", // 27
    u"reserved", // 28
    u"reserved", // 29
    u"Module name", // 30
    u"Default Current Slew Rate [A/s]", // 31
    u"Default Voltage Slew Rate [V/s]", // 32
    u"reserved", // 33
    u"reserved", // 34
    u"TFT timeout [minutes]", // 35
    u"reserved", // 36
    u"reserved", // 37
    u"reserved", // 38
    u"reserved", // 39
    u"Constant Current (CC) PID: Kp_v", // 40
    u"Constant Current (CC) PID: Ki_v", // 41
    u"Constant Current (CC) PID: Kd_v", // 42
    u"Constant Current (CC) PID: Kp_i", // 43
    u"Constant Current (CC) PID: Ki_i", // 44
    u"Constant Current (CC) PID: Kd_i", // 45
    u"Constant Current (CC) PID: Max Output Voltage", // 46
    u"Constant Current (CC) PID: Min Output Voltage", // 47
    u"Constant Current (CC) PID: Max Output Current", // 48
    u"Constant Current (CC) PID: Min Output Current", // 49
    u"Constant Current (CC) PID: Mode (0 = single, 1 = double) (*)", // 50
    u"reserved", // 51
    u"reserved", // 52
    u"reserved", // 53
    u"reserved", // 54
    u"reserved", // 55
    u"reserved", // 56
    u"reserved", // 57
    u"reserved", // 58
    u"reserved", // 59
    u"Constant Voltage (CV) PID: Kp_i", // 60
    u"Constant Voltage (CV) PID: Ki_i", // 61
    u"Constant Voltage (CV) PID: Kd_i", // 62
    u"Constant Voltage (CV) PID: Kp_v", // 63
    u"Constant Voltage (CV) PID: Ki_v", // 64
    u"Constant Voltage (CV) PID: Kd_v", // 65
    u"Constant Voltage (CV) PID: Max Output Current", // 66
    u"Constant Voltage (CV) PID: Min Output Current", // 67
    u"Constant Voltage (CV) PID: Max Output Voltage", // 68
    u"Constant Voltage (CV) PID: Min Output Voltage", // 69
    u"Constant Current (CV) PID: Mode (0 = single, 1 = double) (**)", // 70
    u"Duty Norm Offset (**)", // 71
    u"Duty Norm Gain (**)", // 72
    u"reserved", // 73
    u"reserved", // 74
    u"reserved", // 75
    u"reserved", // 76
    u"reserved", // 77
    u"reserved", // 78
    u"reserved", // 79
    u"reserved", // 80
    u"reserved", // 81
    u"Max Temperature [\u00b0C] (*)", // 82
    u"Min DC-link Value [V] (*)", // 83
    u"Earth Leakage Limit [A] (*)", // 84
    u"reserved", // 85
    u"Current Regulation Fault Limit [A] (*)", // 86
    u"Voltage Regulation Fault Limit [V] (*)", // 87
    u"Regulation Fault Intervention Time [s] (*)", // 88
    u"reserved", // 89
    u"Interlock Enable Mask (*)", // 90
    u"Interlock Activation Level (*)", // 91
    u"Interlock #1 Intervention Time [ms] (*)", // 92
    u"Interlock #1 Name (*)", // 93
    u"Interlock #2 Intervention Time [ms] (*)", // 94
    u"Interlock #2 Name (*)", // 95
    u"reserved", // 96
    u"reserved", // 97
    u"reserved", // 98
    u"reserved", // 99
    u"reserved", // 100
    u"reserved", // 101
    u"reserved", // 102
    u"reserved", // 103
    u"reserved", // 104
    u"reserved", // 105
    u"reserved", // 106
    u"reserved", // 107
    u"reserved", // 108
    u"reserved", // 109
    u"reserved", // 110
    u"reserved", // 111
    u"reserved", // 112
    u"reserved", // 113
    u"reserved", // 114
    u"reserved", // 115
    u"reserved", // 116
    u"reserved", // 117
    u"reserved", // 118
    u"reserved", // 119
    u"reserved", // 120
    u"reserved", // 121
    u"reserved", // 122
    u"SFP #1 IP Address (*)", // 123
    u"reserved", // 124
    u"reserved", // 125
    u"reserved", // 126
    u"reserved", // 127
    u"reserved", // 128
    u"KORA Address ID (*)", // 129
    u"Capabilities (**)", // 130
};

const char16_t* const ortxRows[MemoryMap::RowCount] = {
    u"Firwmare ID (**)", // 0
    u"PS Model (**)", // 1
    u"Serial Number (**)", // 2
    u"MAC Ethernet (**)", // 3
    u"MAC SFP#1 (**)", // 4
    u"MAC SFP#2 (**)", // 5
    u"reserved", // 6
    u"reserved", // 7
    u"reserved", // 8
    u"Calibration date (**)", // 9
    u"Current Calibration Parameter a (**)", // 10
    u"Current Calibration Parameter b (**)", // 11
    u"Current Calibration Parameter c (**)", // 12
    u"Current Calibration Parameter d (**)", // 13
    u"Voltage Calibration Parameter a (**)", // 14
    u"Voltage Calibration Parameter b (**)", // 15
    u"Voltage Calibration Parameter c (**)", // 16
    u"Voltage Calibration Parameter d (**)", // 17
    u"DC-link Calibration Parameter a (**)", // 18
    u"DC-link Calibration Parameter b (**)", // 19
    u"AC-link Calibration Parameter a (**)", // 20
    u"AC-link Calibration Parameter b (**)", // 21
    u"Earth Leakage Calibration Parameter a (**)", // 22
    u"Earth Leakage Calibration Parameter b (**)", // 23
    u"Analog Input Calibration Parameter a (**)", // 24
    u"Analog Input Calibration Parameter b (**)", // 25
    u"Primary Current 1 Calibration Parameter a (**)", // 26
    u"Primary Current 1 Calibration Parameter b (**)", // 27
    u"AUX Input 2 Calibration Parameter a (*)", // 28
    u"AUX Input 2 Calibration Parameter b (*)", // 29
    u"Module name", // 30
    u"Default Current Slew Rate [A/s]", // 31
    u"Default Voltage Slew Rate [V/s]", // 32
    u"reserved", // 33
    u"reserved", // 34
    u"TFT timeout [minutes]", // 35
    u"reserved", // 36
    u"reserved", // 37
    u"reserved", // 38
    u"reserved", // 39
    u"Constant Current (CC) PID: Kp_v", // 40
    u"Constant Current (CC) PID: Ki_v", // 41
    u"Constant Current (CC) PID: Kd_v", // 42
    u"Constant Current (CC) PID: Kp_i", // 43
    u"Constant Current (CC) PID: Ki_i", // 44
    u"Constant Current (CC) PID: Kd_i", // 45
    u"Constant Current (CC) PID: Max Output Voltage", // 46
    u"Constant Current (CC) PID: Min Output Voltage", // 47
    u"Constant Current (CC) PID: Max Output Current", // 48
    u"Constant Current (CC) PID: Min Output Current", // 49
    u"Constant Current (CC) PID: Mode (0 = single, 1 = double) (*)", // 50
    u"reserved", // 51
    u"reserved", // 52
    u"reserved", // 53
    u"reserved", // 54
    u"reserved", // 55
    u"reserved", // 56
    u"reserved", // 57
    u"reserved", // 58
    u"reserved", // 59
    u"Constant Voltage (CV) PID: Kp_i", // 60
    u"Constant Voltage (CV) PID: Ki_i", // 61
    u"Constant Voltage (CV) PID: Kd_i", // 62
    u"Constant Voltage (CV) PID: Kp_v", // 63
    u"Constant Voltage (CV) PID: Ki_v", // 64
    u"Constant Voltage (CV) PID: Kd_v", // 65
    u"Constant Voltage (CV) PID: Max Output Current", // 66
    u"Constant Voltage (CV) PID: Min Output Current", // 67
    u"Constant Voltage (CV) PID: Max Output Voltage", // 68
    u"Constant Voltage (CV) PID: Min Output Voltage", // 69
    u"Constant Current (CV) PID: Mode (0 = single, 1 = double) (**)", // 70
    u"Duty Norm Offset (**)", // 71
    u"Duty Norm Gain (**)", // 72
    u"reserved", // 73
    u"reserved", // 74
    u"Max Transformer Temp. [\u00b0C] (**)", // 75
    u"Min DCCT Shunt Temp. [\u00b0C] (**)", // 76
    u"Max DCCT Shunt Temp. [\u00b0C] (**)", // 77
    u"reserved", // 78
    u"reserved", // 79
    u"reserved", // 80
    u"reserved", // 81
    u"Max Temperature [\u00b0C] (*)", // 82
    u"Min DC-link Value [V] (*)", // 83
    u"Earth Leakage Limit [A] (*)", // 84
    u"reserved", // 85
    u"Current Regulation Fault Limit [A] (*)", // 86
    u"Voltage Regulation Fault Limit [V] (*)", // 87
    u"Regulation Fault Intervention Time [s] (*)", // 88
    u"Primary Current Limit (**)", // 89
    u"Interlock Enable Mask (*)", // 90
    u"Interlock Activation Level (*)", // 91
    u"Interlock #1 Intervention Time [ms] (*)", // 92
    u"Interlock #1 Name (*)", // 93
    u"Interlock #2 Intervention Time [ms] (*)", // 94
    u"Interlock #2 Name (*)", // 95
    u"Interlock #3 Intervention Time [ms] (*)", // 96
    u"Interlock #3 Name (*)", // 97
    u"Interlock #4 Intervention Time [ms] (*)", // 98
    u"Interlock #4 Name (*)", // 99
    u"reserved", // 100
    u"reserved", // 101
    u"reserved", // 102
    u"reserved", // 103
    u"reserved", // 104
    u"reserved", // 105
    u"reserved", // 106
    u"reserved", // 107
    u"reserved", // 108
    u"reserved", // 109
    u"reserved", // 110
    u"reserved", // 111
    u"reserved", // 112
    u"reserved", // 113
    u"reserved", // 114
    u"reserved", // 115
    u"reserved", // 116
    u"reserved", // 117
    u"reserved", // 118
    u"reserved", // 119
    u"reserved", // 120
    u"reserved", // 121
    u"reserved", // 122
    u"SFP #1 IP Address (*)", // 123
    u"reserved", // 124
    u"reserved", // 125
    u"reserved", // 126
    u"reserved", // 127
    u"reserved", // 128
    u"KORA Address ID (*)", // 129
    u"Capabilities (**)", // 130
};

const char16_t* const koraPs1K5Rows[MemoryMap::RowCount] = {
    u"Firwmare ID (**)", // 0
    u"PS Model (**)", // 1
    u"Serial Number (**)", // 2
    u"MAC Ethernet (**)", // 3
    u"MAC SFP#1 (**)", // 4
    u"MAC SFP#2 (**)", // 5
    u"reserved", // 6
    u"reserved", // 7
    u"reserved", // 8
    u"Calibration date (**)", // 9
    u"Current Calibration Parameter a (**)", // 10
    u"Current Calibration Parameter b (**)", // 11
    u"Current Calibration Parameter c (**)", // 12
    u"Current Calibration Parameter d (**)", // 13
    u"Voltage Calibration Parameter a (**)", // 14
    u"Voltage Calibration Parameter b (**)", // 15
    u"Voltage Calibration Parameter c (**)", // 16
    u"Voltage Calibration Parameter d (**)", // 17
    u"DC-link Calibration Parameter a (**)", // 18
    u"DC-link Calibration Parameter b (**)", // 19
    u"AC-link Calibration Parameter a (**)", // 20
    u"AC-link Calibration Parameter b (**)", // 21
    u"Earth Leakage Calibration Parameter a (**)", // 22
    u"Earth Leakage Calibration Parameter b (**)", // 23
    u"Analog Input Calibration Parameter a (**)", // 24
    u"Analog Input Calibration Parameter b (**)", // 25
    u"AUX Input 1 Calibration Parameter a (**)", // 26
    u"AUX Input 1 Calibration Parameter b (**)", // 27
    u"AUX Input 2 Calibration Parameter a (*)", // 28
    u"AUX Input 2 Calibration Parameter b (*)", // 29
    u"Module name", // 30
    u"Default Current Slew Rate [A/s]", // 31
    u"Default Voltage Slew Rate [V/s]", // 32
    u"reserved", // 33
    u"reserved", // 34
    u"TFT timeout [minutes]", // 35
    u"reserved", // 36
    u"reserved", // 37
    u"reserved", // 38
    u"reserved", // 39
    u"Constant Current (CC) PID: Kp_v", // 40
    u"Constant Current (CC) PID: Ki_v", // 41
    u"Constant Current (CC) PID: Kd_v", // 42
    u"Constant Current (CC) PID: Kp_i", // 43
    u"Constant Current (CC) PID: Ki_i", // 44
    u"Constant Current (CC) PID: Kd_i", // 45
    u"Constant Current (CC) PID: Max Output Voltage", // 46
    u"Constant Current (CC) PID: Min Output Voltage", // 47
    u"Constant Current (CC) PID: Max Output Current", // 48
    u"Constant Current (CC) PID: Min Output Current", // 49
    u"Constant Current (CC) PID: Mode (0 = single, 1 = double) (*)", // 50
    u"reserved", // 51
    u"reserved", // 52
    u"reserved", // 53
    u"reserved", // 54
    u"reserved", // 55
    u"reserved", // 56
    u"reserved", // 57
    u"reserved", // 58
    u"reserved", // 59
    u"Constant Voltage (CV) PID: Kp_i", // 60
    u"Constant Voltage (CV) PID: Ki_i", // 61
    u"Constant Voltage (CV) PID: Kd_i", // 62
    u"Constant Voltage (CV) PID: Kp_v", // 63
    u"Constant Voltage (CV) PID: Ki_v", // 64
    u"Constant Voltage (CV) PID: Kd_v", // 65
    u"Constant Voltage (CV) PID: Max Output Current", // 66
    u"Constant Voltage (CV) PID: Min Output Current", // 67
    u"Constant Voltage (CV) PID: Max Output Voltage", // 68
    u"Constant Voltage (CV) PID: Min Output Voltage", // 69
    u"Constant Current (CV) PID: Mode (0 = signle, 1 = double) (**)", // 70
    u"Duty Norm Offset (**)", // 71
    u"Duty Norm Gain (**)", // 72
    u"reserved", // 73
    u"reserved", // 74
    u"reserved", // 75
    u"reserved", // 76
    u"reserved", // 77
    u"reserved", // 78
    u"reserved", // 79
    u"reserved", // 80
    u"reserved", // 81
    u"Max Temperature [\u00b0C] (*)", // 82
    u"Min DC-link Value [V] (*)", // 83
    u"Earth Leakage Limit [A] (*)", // 84
    u"reserved", // 85
    u"Current Regulation Fault Limit [A] (*)", // 86
    u"Voltage Regulation Fault Limit [V] (*)", // 87
    u"Regulation Fault Intervention Time [s] (*)", // 88
    u"reserved", // 89
    u"Interlock Enable Mask (*)", // 90
    u"Interlock Activation Level (*)", // 91
    u"Interlock #1 Intervention Time [ms] (*)", // 92
    u"Interlock #1 Name (*)", // 93
    u"Interlock #2 Intervention Time [ms] (*)", // 94
    u"Interlock #2 Name (*)", // 95
    u"Interlock #3 Intervention Time [ms] (*)", // 96
    u"Interlock #3 Name (*)", // 97
    u"Interlock #4 Intervention Time [ms] (*)", // 98
    u"Interlock #4 Name (*)", // 99
    u"Maximum Magnet Resistance [\u2126] (*)", // 100
    u"Minimum Magnet Resistance [\u2126] (*)", // 101
    u"Intervnetion Current Threshold [A] (*)", // 102
    u"Quench Fault Intervention Time [s] (*)", // 103
    u"reserved", // 104
    u"reserved", // 105
    u"reserved", // 106
    u"reserved", // 107
    u"reserved", // 108
    u"reserved", // 109
    u"reserved", // 110
    u"reserved", // 111
    u"reserved", // 112
    u"reserved", // 113
    u"reserved", // 114
    u"reserved", // 115
    u"reserved", // 116
    u"reserved", // 117
    u"reserved", // 118
    u"reserved", // 119
    u"reserved", // 120
    u"reserved", // 121
    u"reserved", // 122
    u"SFP #1 IP Address (*)", // 123
    u"reserved", // 124
    u"reserved", // 125
    u"reserved", // 126
    u"reserved", // 127
    u"reserved", // 128
    u"KORA Address ID (*)", // 129
    u"Capabilities (**)", // 130
};

const char16_t* const* rowsOf(MemoryMap::Table table)
{
    switch (table) {
    case MemoryMap::Table::Ortx:
        return ortxRows;
    case MemoryMap::Table::KoraPs1K5:
        return koraPs1K5Rows;
    case MemoryMap::Table::KoraPs:
        break;
    }
    return koraPsRows;
}

} // namespace

namespace MemoryMap
{

Table tableOf(const QString& family)
{
    if (family == QLatin1String("ORTX"))
        return Table::Ortx;
    if (family == QLatin1String("KORA-PS-1K5"))
        return Table::KoraPs1K5;
    return Table::KoraPs;
}

QString fieldText(Table table, int row)
{
    if (row < 0 || row >= RowCount)
        return QString();
    return QString::fromUtf16(rowsOf(table)[row]);
}

QStringList fieldTexts(Table table)
{
    QStringList texts;
    for (int row = 0; row < RowCount; ++row)
        texts << fieldText(table, row);
    return texts;
}

bool isReserved(const QString& field)
{
    return field.contains(QLatin1String("reserved"));
}

int writeLevel(const QString& field)
{
    if (isReserved(field))
        return ReservedRow;
    if (field.contains(QLatin1String("(**)")))
        return 2;
    if (field.contains(QLatin1String("(*)")))
        return 1;
    return 0;
}

bool isWritable(const QString& field, int privilegeLevel)
{
    const int level = writeLevel(field);
    return level != ReservedRow && level <= privilegeLevel;
}

int privilegeLevel(const QString& privilegeText)
{
    if (privilegeText == QLatin1String("SUPERADMIN"))
        return 2;
    if (privilegeText == QLatin1String("ADMIN"))
        return 1;
    return 0;
}

QString cellName(int cell)
{
    QString name = fieldText(Table::KoraPs1K5, cell);
    if (isReserved(name))
        name = fieldText(Table::Ortx, cell);
    name.remove(QStringLiteral(" (**)"));
    name.remove(QStringLiteral(" (*)"));
    return name;
}

} // namespace MemoryMap
