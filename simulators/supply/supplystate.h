#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

// Everything the simulated power supply knows about itself. The network layer
// and the command vocabulary only read and change it through this class, so
// further ports (firmware upload, waveform streaming) can share the same state.
class SupplyState
{
public:
    static constexpr int MemoryCells = 200;
    static constexpr int CapabilitiesCell = 130;
    static constexpr int UpdateModeCell = 113;

    // Status word layout.
    static constexpr quint32 OutputBit = 0x1;
    static constexpr quint32 FaultSummaryBit = 0x2;
    static constexpr quint32 LocalRemoteMask = 0xC;
    static constexpr quint32 FaultMask = 0xFFFF0000u;

    SupplyState();

    static QStringList families();
    // Loads the model, limits, capabilities and memory contents of a family.
    bool setFamily(const QString& family);
    QString family() const { return familyName; }
    bool isMonopolarFamily() const;

    // Output and status.
    bool outputOn() const { return status & OutputBit; }
    void setOutput(bool on);
    bool isLocal() const { return (status & LocalRemoteMask) != 0; }
    bool inFault() const { return (status & (FaultMask | FaultSummaryBit)) != 0; }
    void clearFaults();
    QString statusText() const;

    // Readings as the supply sends them (texts, so tests can inject odd values).
    QString currentText();
    QString voltageText();
    QString powerText();
    QString temperatureText();
    QString leakageText();
    QString dcLinkText();
    QString pvValueText();

    // Set-points. `ramped` moves the output at the slew rate instead of at once.
    void setCurrentSetpoint(double value, bool ramped);
    void setVoltageSetpoint(double value, bool ramped);

    // Limits: voltage min, voltage max, current min, current max.
    QString limitsText() const { return limits; }
    bool currentAllowed(double value) const;
    bool voltageAllowed(double value) const;

    QString capabilities() const { return memory.value(CapabilitiesCell); }
    bool hasCapability(const QString& word) const
    {
        return capabilities().contains(word, Qt::CaseInsensitive);
    }

    // Privilege level needed to write a memory cell (0 user, 1 admin, 2 superadmin).
    int writeLevel(int cell) const;
    int privilegeLevel() const;

    // Waveform player.
    bool startWaveform();
    void stopWaveform() { waveformRunning = false; }
    bool isWaveformRunning();

    // Control access by field name; values and results are plain texts.
    static QStringList fieldNames();
    bool setField(const QString& name, const QString& value, QString* error);
    bool field(const QString& name, QString* value);

    void restoreEpicsDb() { epicsDb = defaultEpicsDb(); }
    void restoreEpicsProtocols() { epicsProtocols = defaultEpicsProtocols(); }

    // Public state: the command vocabulary works on it directly.
    QString model;
    QString version = QStringLiteral("1.3.6");
    QString id = QStringLiteral("1042");
    quint32 status = 0;
    double currentSetpoint = 0, voltageSetpoint = 0;
    double currentRampSetpoint = 0, voltageRampSetpoint = 0;
    double currentSlew = 10, voltageSlew = 10;
    double maxSlew = 100;
    QString loopMode = QStringLiteral("I");
    QString updateMode = QStringLiteral("NORMAL");
    QString triggerMode = QStringLiteral("OFF");
    QString floatMode = QStringLiteral("N");
    QString polarity = QStringLiteral("DIRECT");
    QString pmode = QStringLiteral("OFF");
    QString pconnections = QStringLiteral("0");
    QString dutyMode = QStringLiteral("0");
    QString tftMode = QStringLiteral("ON");
    QString privileges = QStringLiteral("USER");
    QString adminPassword = QStringLiteral("admin");
    QString superadminPassword = QStringLiteral("superadmin");
    bool enforcePrivileges = false;
    QString limits;
    QStringList memory;
    QStringList savedMemory;
    QString epicsDb, epicsProtocols, epicsOpi, epicsPvName;
    double noise = 0.002;
    QVector<double> waveformPoints;
    qint64 waveformPeriods = 0;
    // Fixed reply texts set from the control channel ("current" -> "nan").
    QHash<QString, QString> overrides;

private:
    struct Ramp {
        double level = 0;
        double target = 0;
        qint64 lastMs = 0;
    };

    static QString defaultEpicsDb();
    static QString defaultEpicsProtocols();
    void fillMemory();
    double limit(int index, bool* ok) const;
    double advance(Ramp& ramp, double slew);
    double outputLevel(bool currentSide);
    double jitter(double amplitude) const;
    static QString number(double v, int decimals) { return QString::number(v, 'f', decimals); }

    QString familyName;
    QElapsedTimer clock;
    Ramp currentRamp, voltageRamp;
    bool waveformRunning = false;
    qint64 waveformStartMs = 0;
};
