#include "supplystate.h"

#include <QRandomGenerator>

#include <cmath>

namespace
{

struct FamilyDefaults {
    const char* family;
    const char* model;
    const char* limits; // voltage min, voltage max, current min, current max
    const char* caps;
    bool monopolar;
};

// The longer names come first so a model text is matched to the right family.
const FamilyDefaults familyTable[] = {
    {"KORA-PS-1K5", "KORA-PS-1K5 50-30", "-30.0:30.0:-50.0:50.0", "AIN", false},
    {"KORA-PS-M", "KORA-PS-M 5-40", "0.0:40.0:0.0:5.0", "AIN,TRIG", true},
    {"KORA-PS", "KORA-PS 10-20", "-20.0:20.0:-10.0:10.0", "AIN,TRIG", false},
    {"ORTX", "ORTX 100-50", "0.0:50.0:0.0:100.0", "AIN", true},
};

const FamilyDefaults* findFamily(const QString& name)
{
    for (const FamilyDefaults& f : familyTable)
        if (name.compare(QLatin1String(f.family), Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

bool parseBool(const QString& text, bool* value)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("1") || t == QLatin1String("on") || t == QLatin1String("true") ||
        t == QLatin1String("yes")) {
        *value = true;
        return true;
    }
    if (t == QLatin1String("0") || t == QLatin1String("off") || t == QLatin1String("false") ||
        t == QLatin1String("no")) {
        *value = false;
        return true;
    }
    return false;
}

bool parseDouble(const QString& text, double* value)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

bool parseHex(const QString& text, quint32* value)
{
    QString t = text.trimmed();
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        t = t.mid(2);
    bool ok = false;
    const quint32 v = t.toUInt(&ok, 16);
    if (!ok)
        return false;
    *value = v;
    return true;
}

// Reading names whose reply text can be fixed from the control channel.
const char* const readingNames[] = {"current", "voltage", "power",    "temperature",
                                    "leakage", "dc_link", "pv_value", "status_text"};

bool isReadingName(const QString& name)
{
    for (const char* n : readingNames)
        if (name == QLatin1String(n))
            return true;
    return false;
}

} // namespace

SupplyState::SupplyState()
{
    clock.start();
    memory.reserve(MemoryCells);
    for (int i = 0; i < MemoryCells; ++i)
        memory << QStringLiteral("0");
    epicsDb = defaultEpicsDb();
    epicsProtocols = defaultEpicsProtocols();
    epicsOpi = QStringLiteral("kora_ps.opi");
    epicsPvName = QStringLiteral("KORA:PS1:Current");
    setFamily(QStringLiteral("KORA-PS"));
}

QStringList SupplyState::families()
{
    QStringList names;
    for (const FamilyDefaults& f : familyTable)
        names << QLatin1String(f.family);
    return names;
}

bool SupplyState::setFamily(const QString& name)
{
    const FamilyDefaults* f = findFamily(name);
    if (!f)
        return false;
    familyName = QLatin1String(f->family);
    model = QLatin1String(f->model);
    limits = QLatin1String(f->limits);
    fillMemory();
    memory[CapabilitiesCell] = QLatin1String(f->caps);
    savedMemory = memory;
    return true;
}

bool SupplyState::isMonopolarFamily() const
{
    const FamilyDefaults* f = findFamily(familyName);
    return f && f->monopolar;
}

void SupplyState::fillMemory()
{
    for (int i = 0; i < MemoryCells; ++i)
        memory[i] = QStringLiteral("0");
    auto set = [this](int cell, const QString& v) { memory[cell] = v; };
    auto lim = [this](int i) {
        bool ok = false;
        const double v = limit(i, &ok);
        return number(ok ? v : 0.0, 1);
    };
    const bool ortx = familyName == QLatin1String("ORTX");
    const bool k1k5 = familyName == QLatin1String("KORA-PS-1K5");

    set(0, QStringLiteral("20171220"));
    set(1, model.toUpper());
    set(2, QStringLiteral("SN-2017-0042"));
    set(3, QStringLiteral("00:1A:2B:3C:4D:5E"));
    set(4, QStringLiteral("00:1A:2B:3C:4D:5F"));
    set(5, QStringLiteral("00:1A:2B:3C:4D:60"));
    set(9, QStringLiteral("2017-12-20"));
    // Calibration pairs and quadruples: gain 1, everything else 0.
    for (int c : {10, 14})
        set(c, QStringLiteral("1.000000"));
    for (int c : {18, 22, 24})
        set(c, QStringLiteral("1.000000"));
    for (int c : {11, 12, 13, 15, 16, 17, 19, 23, 25})
        set(c, QStringLiteral("0.000000"));
    if (ortx || k1k5) {
        for (int c : {20, 26, 28})
            set(c, QStringLiteral("1.000000"));
        for (int c : {21, 27, 29})
            set(c, QStringLiteral("0.000000"));
    }
    set(30, familyName + QStringLiteral("-LAB1"));
    set(31, QStringLiteral("10.0"));
    set(32, QStringLiteral("10.0"));
    set(35, QStringLiteral("5"));
    // Constant-current loop: Kp_v, Ki_v, Kd_v, Kp_i, Ki_i, Kd_i, Vmax, Vmin, Imax, Imin.
    const QStringList cc{QStringLiteral("0.5"),
                         QStringLiteral("0.05"),
                         QStringLiteral("0.0"),
                         QStringLiteral("1.2"),
                         QStringLiteral("0.1"),
                         QStringLiteral("0.0"),
                         lim(1),
                         lim(0),
                         lim(3),
                         lim(2)};
    for (int i = 0; i < cc.size(); ++i)
        set(40 + i, cc.at(i));
    set(50, QStringLiteral("0"));
    // Constant-voltage loop: Kp_i, Ki_i, Kd_i, Kp_v, Ki_v, Kd_v, Imax, Imin, Vmax, Vmin.
    const QStringList cv{QStringLiteral("0.8"),
                         QStringLiteral("0.08"),
                         QStringLiteral("0.0"),
                         QStringLiteral("1.5"),
                         QStringLiteral("0.2"),
                         QStringLiteral("0.0"),
                         lim(3),
                         lim(2),
                         lim(1),
                         lim(0)};
    for (int i = 0; i < cv.size(); ++i)
        set(60 + i, cv.at(i));
    set(70, QStringLiteral("0"));
    set(71, QStringLiteral("0.0"));
    set(72, QStringLiteral("1.0"));
    set(82, QStringLiteral("75.0"));
    set(83, QStringLiteral("20.0"));
    set(84, QStringLiteral("0.5"));
    set(86, QStringLiteral("1.0"));
    set(87, QStringLiteral("2.0"));
    set(88, QStringLiteral("0.5"));
    set(90, QStringLiteral("0"));
    set(91, QStringLiteral("0"));
    set(92, QStringLiteral("10"));
    set(93, QStringLiteral("DOOR"));
    set(94, QStringLiteral("10"));
    set(95, QStringLiteral("WATER FLOW"));
    if (ortx || k1k5) {
        set(96, QStringLiteral("10"));
        set(97, QStringLiteral("MAGNET TEMP"));
        set(98, QStringLiteral("10"));
        set(99, QStringLiteral("EMERGENCY STOP"));
    }
    if (ortx) {
        set(75, QStringLiteral("90.0"));
        set(76, QStringLiteral("5.0"));
        set(77, QStringLiteral("60.0"));
        set(89, QStringLiteral("200.0"));
    }
    if (k1k5) {
        set(100, QStringLiteral("2.0"));
        set(101, QStringLiteral("0.01"));
        set(102, QStringLiteral("5.0"));
        set(103, QStringLiteral("0.1"));
    }
    set(UpdateModeCell, QStringLiteral("0"));
    set(123, QStringLiteral("192.168.1.10"));
    set(129, QStringLiteral("1"));
}

int SupplyState::writeLevel(int cell) const
{
    const bool ortx = familyName == QLatin1String("ORTX");
    const bool k1k5 = familyName == QLatin1String("KORA-PS-1K5");
    auto in = [cell](std::initializer_list<int> cells) {
        for (int c : cells)
            if (c == cell)
                return true;
        return false;
    };
    if ((cell >= 0 && cell <= 5) || (cell >= 9 && cell <= 19) || (cell >= 22 && cell <= 25) ||
        in({70, 71, 72, CapabilitiesCell}))
        return 2;
    if ((ortx || k1k5) && in({20, 21, 26, 27}))
        return 2;
    if (ortx && in({75, 76, 77, 89}))
        return 2;
    if (in({50, 82, 83, 84, 86, 87, 88, 123, 129}) || (cell >= 90 && cell <= 95))
        return 1;
    if ((ortx || k1k5) && (in({28, 29}) || (cell >= 96 && cell <= 99)))
        return 1;
    if (k1k5 && cell >= 100 && cell <= 103)
        return 1;
    return 0;
}

int SupplyState::privilegeLevel() const
{
    if (privileges == QLatin1String("SUPERADMIN"))
        return 2;
    if (privileges == QLatin1String("ADMIN"))
        return 1;
    return 0;
}

void SupplyState::setOutput(bool on)
{
    if (on && !outputOn()) {
        // The output comes up at the set-points.
        currentRamp.level = currentRamp.target;
        voltageRamp.level = voltageRamp.target;
        currentRamp.lastMs = voltageRamp.lastMs = clock.elapsed();
    }
    if (on)
        status |= OutputBit;
    else
        status &= ~OutputBit;
    if (!on)
        waveformRunning = false;
}

void SupplyState::clearFaults()
{
    status &= ~(FaultMask | FaultSummaryBit);
}

QString SupplyState::statusText() const
{
    const auto it = overrides.constFind(QStringLiteral("status_text"));
    if (it != overrides.constEnd())
        return *it;
    return QStringLiteral("%1").arg(status, 8, 16, QLatin1Char('0')).toUpper();
}

double SupplyState::jitter(double amplitude) const
{
    if (amplitude <= 0)
        return 0;
    return amplitude * (2.0 * QRandomGenerator::global()->generateDouble() - 1.0);
}

double SupplyState::advance(Ramp& ramp, double slew)
{
    const qint64 now = clock.elapsed();
    const double dt = (now - ramp.lastMs) / 1000.0;
    ramp.lastMs = now;
    const double step = std::fabs(slew) * dt;
    if (std::fabs(ramp.target - ramp.level) <= step)
        ramp.level = ramp.target;
    else
        ramp.level += ramp.target > ramp.level ? step : -step;
    return ramp.level;
}

double SupplyState::outputLevel(bool currentSide)
{
    if (!outputOn())
        return 0;
    const bool loopI = loopMode != QLatin1String("V");
    if (isWaveformRunning() && currentSide == loopI && !waveformPoints.isEmpty()) {
        // The player runs at 100000 points per second.
        const qint64 elapsed = clock.elapsed() - waveformStartMs;
        return waveformPoints.at(int((elapsed * 100) % waveformPoints.size()));
    }
    return currentSide ? advance(currentRamp, currentSlew) : advance(voltageRamp, voltageSlew);
}

QString SupplyState::currentText()
{
    const auto it = overrides.constFind(QStringLiteral("current"));
    if (it != overrides.constEnd())
        return *it;
    const double v = outputLevel(true);
    return number(outputOn() ? v + jitter(noise) : 0.0, 4);
}

QString SupplyState::voltageText()
{
    const auto it = overrides.constFind(QStringLiteral("voltage"));
    if (it != overrides.constEnd())
        return *it;
    const double v = outputLevel(false);
    return number(outputOn() ? v + jitter(noise) : 0.0, 4);
}

QString SupplyState::powerText()
{
    const auto it = overrides.constFind(QStringLiteral("power"));
    if (it != overrides.constEnd())
        return *it;
    return number(std::fabs(currentText().toDouble() * voltageText().toDouble()), 4);
}

QString SupplyState::temperatureText()
{
    const auto it = overrides.constFind(QStringLiteral("temperature"));
    if (it != overrides.constEnd())
        return *it;
    if (!outputOn())
        return number(25.0, 1);
    const double power = std::fabs(outputLevel(true) * outputLevel(false));
    return number(30.0 + 0.02 * power + jitter(noise * 50), 1);
}

QString SupplyState::leakageText()
{
    const auto it = overrides.constFind(QStringLiteral("leakage"));
    if (it != overrides.constEnd())
        return *it;
    return number(outputOn() ? 0.012 + jitter(noise) : 0.0, 3);
}

QString SupplyState::dcLinkText()
{
    const auto it = overrides.constFind(QStringLiteral("dc_link"));
    if (it != overrides.constEnd())
        return *it;
    return number(48.0 + (outputOn() ? jitter(noise * 50) : 0.0), 1);
}

QString SupplyState::pvValueText()
{
    const auto it = overrides.constFind(QStringLiteral("pv_value"));
    if (it != overrides.constEnd())
        return *it;
    return currentText();
}

void SupplyState::setCurrentSetpoint(double value, bool ramped)
{
    if (ramped)
        currentRampSetpoint = value;
    else
        currentSetpoint = value;
    advance(currentRamp, currentSlew);
    currentRamp.target = value;
    if (!ramped)
        currentRamp.level = value;
}

void SupplyState::setVoltageSetpoint(double value, bool ramped)
{
    if (ramped)
        voltageRampSetpoint = value;
    else
        voltageSetpoint = value;
    advance(voltageRamp, voltageSlew);
    voltageRamp.target = value;
    if (!ramped)
        voltageRamp.level = value;
}

double SupplyState::limit(int index, bool* ok) const
{
    const QStringList parts = limits.split(QLatin1Char(':'));
    *ok = false;
    if (index >= parts.size())
        return 0;
    double v = 0;
    *ok = parseDouble(parts.at(index), &v);
    return *ok ? v : 0;
}

bool SupplyState::currentAllowed(double value) const
{
    bool okMin = false, okMax = false;
    double lo = limit(2, &okMin);
    const double hi = limit(3, &okMax);
    // With a polarity inverter a monopolar stage can also drive the other sign.
    if (okMin && okMax && lo >= 0 && hasCapability(QStringLiteral("POLARITY_INVERTER")))
        lo = -hi;
    return (!okMin || value >= lo) && (!okMax || value <= hi);
}

bool SupplyState::voltageAllowed(double value) const
{
    bool okMin = false, okMax = false;
    double lo = limit(0, &okMin);
    const double hi = limit(1, &okMax);
    if (okMin && okMax && lo >= 0 && hasCapability(QStringLiteral("POLARITY_INVERTER")))
        lo = -hi;
    return (!okMin || value >= lo) && (!okMax || value <= hi);
}

bool SupplyState::startWaveform()
{
    if (waveformPoints.isEmpty())
        return false;
    waveformRunning = true;
    waveformStartMs = clock.elapsed();
    return true;
}

bool SupplyState::isWaveformRunning()
{
    if (waveformRunning && waveformPeriods > 0 && !waveformPoints.isEmpty()) {
        const qint64 elapsed = clock.elapsed() - waveformStartMs;
        if (elapsed * 100 >= waveformPeriods * waveformPoints.size())
            waveformRunning = false;
    }
    return waveformRunning;
}

QString SupplyState::defaultEpicsDb()
{
    return QStringLiteral("# KORA-PS EPICS database\n"
                          "record(ai, \"$(P)Current\") {\n"
                          "    field(DTYP, \"stream\")\n"
                          "    field(INP, \"@kora.proto getCurrent $(PORT)\")\n"
                          "    field(SCAN, \"1 second\")\n"
                          "}\n"
                          "record(ao, \"$(P)CurrentSet\") {\n"
                          "    field(DTYP, \"stream\")\n"
                          "    field(OUT, \"@kora.proto setCurrent $(PORT)\")\n"
                          "}\n");
}

QString SupplyState::defaultEpicsProtocols()
{
    return QStringLiteral("# KORA-PS stream protocol\n"
                          "Terminator = CR;\n"
                          "getCurrent { out \"MRI\"; in \"#MRI:%f\"; }\n"
                          "setCurrent { out \"MWI:%f\"; in \"#AK\"; }\n");
}

QStringList SupplyState::fieldNames()
{
    return {QStringLiteral("output"),
            QStringLiteral("status"),
            QStringLiteral("local"),
            QStringLiteral("fault_bits"),
            QStringLiteral("status_text"),
            QStringLiteral("current"),
            QStringLiteral("voltage"),
            QStringLiteral("power"),
            QStringLiteral("temperature"),
            QStringLiteral("leakage"),
            QStringLiteral("dc_link"),
            QStringLiteral("pv_value"),
            QStringLiteral("current_setpoint"),
            QStringLiteral("voltage_setpoint"),
            QStringLiteral("current_ramp_setpoint"),
            QStringLiteral("voltage_ramp_setpoint"),
            QStringLiteral("current_slew"),
            QStringLiteral("voltage_slew"),
            QStringLiteral("loop"),
            QStringLiteral("update_mode"),
            QStringLiteral("trigger"),
            QStringLiteral("float"),
            QStringLiteral("polarity"),
            QStringLiteral("pmode"),
            QStringLiteral("pconnections"),
            QStringLiteral("privileges"),
            QStringLiteral("password_admin"),
            QStringLiteral("password_superadmin"),
            QStringLiteral("enforce_privileges"),
            QStringLiteral("family"),
            QStringLiteral("model"),
            QStringLiteral("version"),
            QStringLiteral("caps"),
            QStringLiteral("id"),
            QStringLiteral("limits"),
            QStringLiteral("mem"),
            QStringLiteral("epics_db"),
            QStringLiteral("epics_protocols"),
            QStringLiteral("epics_opi"),
            QStringLiteral("epics_pv_name"),
            QStringLiteral("noise"),
            QStringLiteral("waveform_running"),
            QStringLiteral("waveform_periods"),
            QStringLiteral("waveform_points")};
}

bool SupplyState::setField(const QString& name, const QString& value, QString* error)
{
    auto fail = [error](const QString& text) {
        *error = text;
        return false;
    };
    bool b = false;
    double d = 0;
    quint32 u = 0;

    if (isReadingName(name)) {
        if (value.trimmed().compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0)
            overrides.remove(name);
        else
            overrides.insert(name, value);
        return true;
    }
    if (name == QLatin1String("output")) {
        if (!parseBool(value, &b))
            return fail(QStringLiteral("output takes on or off"));
        setOutput(b);
    } else if (name == QLatin1String("status")) {
        if (!parseHex(value, &u))
            return fail(QStringLiteral("status takes a hexadecimal word"));
        // Bit 0 goes through setOutput so the output comes up at the set-points.
        status = (u & ~OutputBit) | (status & OutputBit);
        setOutput(u & OutputBit);
    } else if (name == QLatin1String("local")) {
        bool ok = false;
        const uint field = value.trimmed().toUInt(&ok);
        if (!ok || field > 3)
            return fail(QStringLiteral("local takes 0 to 3"));
        status = (status & ~LocalRemoteMask) | (field << 2);
    } else if (name == QLatin1String("fault_bits")) {
        if (!parseHex(value, &u))
            return fail(QStringLiteral("fault_bits takes a hexadecimal word"));
        status &= ~(FaultMask | FaultSummaryBit);
        status |= u & FaultMask;
        if (u & FaultMask) {
            // A fault trips the output, as on the real unit.
            status |= FaultSummaryBit;
            setOutput(false);
        }
    } else if (name == QLatin1String("current_setpoint") || name == QLatin1String("current_ramp_setpoint")) {
        if (!parseDouble(value, &d))
            return fail(QStringLiteral("not a number"));
        setCurrentSetpoint(d, name == QLatin1String("current_ramp_setpoint"));
    } else if (name == QLatin1String("voltage_setpoint") || name == QLatin1String("voltage_ramp_setpoint")) {
        if (!parseDouble(value, &d))
            return fail(QStringLiteral("not a number"));
        setVoltageSetpoint(d, name == QLatin1String("voltage_ramp_setpoint"));
    } else if (name == QLatin1String("current_slew") || name == QLatin1String("voltage_slew") ||
               name == QLatin1String("noise")) {
        if (!parseDouble(value, &d) || d < 0)
            return fail(QStringLiteral("takes a number of 0 or more"));
        (name == QLatin1String("noise")          ? noise
         : name == QLatin1String("current_slew") ? currentSlew
                                                 : voltageSlew) = d;
    } else if (name == QLatin1String("loop")) {
        loopMode = value.trimmed();
    } else if (name == QLatin1String("update_mode")) {
        updateMode = value.trimmed();
    } else if (name == QLatin1String("trigger")) {
        triggerMode = value.trimmed();
    } else if (name == QLatin1String("float")) {
        floatMode = value.trimmed();
    } else if (name == QLatin1String("polarity")) {
        polarity = value.trimmed();
    } else if (name == QLatin1String("pmode")) {
        pmode = value.trimmed();
    } else if (name == QLatin1String("pconnections")) {
        pconnections = value.trimmed();
    } else if (name == QLatin1String("privileges")) {
        privileges = value.trimmed();
    } else if (name == QLatin1String("password_admin")) {
        adminPassword = value;
    } else if (name == QLatin1String("password_superadmin")) {
        superadminPassword = value;
    } else if (name == QLatin1String("enforce_privileges")) {
        if (!parseBool(value, &b))
            return fail(QStringLiteral("enforce_privileges takes on or off"));
        enforcePrivileges = b;
    } else if (name == QLatin1String("family")) {
        if (!setFamily(value.trimmed()))
            return fail(QStringLiteral("family is one of ") + families().join(QLatin1String(", ")));
    } else if (name == QLatin1String("model")) {
        model = value;
    } else if (name == QLatin1String("version")) {
        version = value;
    } else if (name == QLatin1String("caps")) {
        memory[CapabilitiesCell] = value;
    } else if (name == QLatin1String("id")) {
        id = value;
    } else if (name == QLatin1String("limits")) {
        limits = value;
    } else if (name == QLatin1String("mem")) {
        const int space = value.indexOf(QLatin1Char(' '));
        bool ok = false;
        const int cell = value.left(space < 0 ? value.size() : space).toInt(&ok);
        if (!ok || cell < 0 || cell >= MemoryCells)
            return fail(QStringLiteral("mem takes a cell 0 to 199 and a value"));
        memory[cell] = space < 0 ? QString() : value.mid(space + 1);
    } else if (name == QLatin1String("epics_db")) {
        epicsDb = value;
    } else if (name == QLatin1String("epics_protocols")) {
        epicsProtocols = value;
    } else if (name == QLatin1String("epics_opi")) {
        epicsOpi = value;
    } else if (name == QLatin1String("epics_pv_name")) {
        epicsPvName = value;
    } else if (name == QLatin1String("waveform_running")) {
        if (!parseBool(value, &b))
            return fail(QStringLiteral("waveform_running takes on or off"));
        if (!b)
            stopWaveform();
        else if (!startWaveform())
            return fail(QStringLiteral("no waveform points loaded"));
    } else if (name == QLatin1String("waveform_periods")) {
        bool ok = false;
        const qint64 n = value.trimmed().toLongLong(&ok);
        if (!ok || n < 0)
            return fail(QStringLiteral("waveform_periods takes a count of 0 or more"));
        waveformPeriods = n;
    } else if (name == QLatin1String("waveform_points")) {
        QVector<double> points;
        if (!value.trimmed().isEmpty()) {
            for (const QString& p : value.split(QLatin1Char(':'))) {
                if (!parseDouble(p, &d))
                    return fail(QStringLiteral("waveform_points takes numbers separated by ':'"));
                points << d;
            }
        }
        waveformPoints = points;
    } else {
        return fail(QStringLiteral("unknown field ") + name);
    }
    return true;
}

bool SupplyState::field(const QString& name, QString* value)
{
    // Readings are computed on demand, so asking for one advances the ramps.
    SupplyState* self = this;
    const QString head = name.section(QLatin1Char(' '), 0, 0);
    if (head == QLatin1String("output"))
        *value = outputOn() ? QStringLiteral("on") : QStringLiteral("off");
    else if (head == QLatin1String("status"))
        *value = QStringLiteral("%1").arg(status, 8, 16, QLatin1Char('0')).toUpper();
    else if (head == QLatin1String("local"))
        *value = QString::number((status & LocalRemoteMask) >> 2);
    else if (head == QLatin1String("fault_bits"))
        *value = QStringLiteral("%1").arg(status & FaultMask, 8, 16, QLatin1Char('0')).toUpper();
    else if (head == QLatin1String("status_text"))
        *value = statusText();
    else if (head == QLatin1String("current"))
        *value = self->currentText();
    else if (head == QLatin1String("voltage"))
        *value = self->voltageText();
    else if (head == QLatin1String("power"))
        *value = self->powerText();
    else if (head == QLatin1String("temperature"))
        *value = self->temperatureText();
    else if (head == QLatin1String("leakage"))
        *value = self->leakageText();
    else if (head == QLatin1String("dc_link"))
        *value = self->dcLinkText();
    else if (head == QLatin1String("pv_value"))
        *value = self->pvValueText();
    else if (head == QLatin1String("current_setpoint"))
        *value = number(currentSetpoint, 4);
    else if (head == QLatin1String("voltage_setpoint"))
        *value = number(voltageSetpoint, 4);
    else if (head == QLatin1String("current_ramp_setpoint"))
        *value = number(currentRampSetpoint, 4);
    else if (head == QLatin1String("voltage_ramp_setpoint"))
        *value = number(voltageRampSetpoint, 4);
    else if (head == QLatin1String("current_slew"))
        *value = number(currentSlew, 4);
    else if (head == QLatin1String("voltage_slew"))
        *value = number(voltageSlew, 4);
    else if (head == QLatin1String("loop"))
        *value = loopMode;
    else if (head == QLatin1String("update_mode"))
        *value = updateMode;
    else if (head == QLatin1String("trigger"))
        *value = triggerMode;
    else if (head == QLatin1String("float"))
        *value = floatMode;
    else if (head == QLatin1String("polarity"))
        *value = polarity;
    else if (head == QLatin1String("pmode"))
        *value = pmode;
    else if (head == QLatin1String("pconnections"))
        *value = pconnections;
    else if (head == QLatin1String("privileges"))
        *value = privileges;
    else if (head == QLatin1String("password_admin"))
        *value = adminPassword;
    else if (head == QLatin1String("password_superadmin"))
        *value = superadminPassword;
    else if (head == QLatin1String("enforce_privileges"))
        *value = enforcePrivileges ? QStringLiteral("on") : QStringLiteral("off");
    else if (head == QLatin1String("family"))
        *value = familyName;
    else if (head == QLatin1String("model"))
        *value = model;
    else if (head == QLatin1String("version"))
        *value = version;
    else if (head == QLatin1String("caps"))
        *value = capabilities();
    else if (head == QLatin1String("id"))
        *value = id;
    else if (head == QLatin1String("limits"))
        *value = limits;
    else if (head == QLatin1String("mem")) {
        bool ok = false;
        const int cell = name.section(QLatin1Char(' '), 1, 1).toInt(&ok);
        if (!ok || cell < 0 || cell >= MemoryCells)
            return false;
        *value = memory.at(cell);
    } else if (head == QLatin1String("epics_db"))
        *value = epicsDb;
    else if (head == QLatin1String("epics_protocols"))
        *value = epicsProtocols;
    else if (head == QLatin1String("epics_opi"))
        *value = epicsOpi;
    else if (head == QLatin1String("epics_pv_name"))
        *value = epicsPvName;
    else if (head == QLatin1String("noise"))
        *value = number(noise, 4);
    else if (head == QLatin1String("waveform_running"))
        *value = self->isWaveformRunning() ? QStringLiteral("on") : QStringLiteral("off");
    else if (head == QLatin1String("waveform_periods"))
        *value = QString::number(waveformPeriods);
    else if (head == QLatin1String("waveform_points"))
        *value = QString::number(waveformPoints.size());
    else
        return false;
    return true;
}
