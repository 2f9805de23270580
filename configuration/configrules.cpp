#include "configrules.h"

#include "memorymap.h"
#include "ps_data.h"

#include <QtGlobal>
#include <cmath>

namespace ConfigRules
{

QList<CellWrite> writeBackPlan(const QStringList& fields, const QStringList& values, const QStringList& memory,
                               int privilegeLevel)
{
    QList<CellWrite> plan;
    const int rows = qMin(fields.size(), values.size());
    for (int row = 0; row < rows; ++row) {
        const QString& value = values.at(row);
        if (value.isEmpty() || value == memory.value(row))
            continue;
        if (!MemoryMap::isWritable(fields.at(row), privilegeLevel))
            continue;
        plan.append({row, value});
    }
    return plan;
}

WriteBackResults writeBackResults(const QList<CellWrite>& sent, const ps_data& after)
{
    WriteBackResults results;
    for (const CellWrite& write : sent) {
        const int result = after.memory_write_result.value(write.cell, ps_data::not_written);
        if (result > 0 || result == ps_data::other_reply)
            results.refused.append(write);
        else if (result != 0)
            results.unanswered.append(write);
    }
    return results;
}

bool interlockBitsReadable(const QString& cellText)
{
    bool ok = false;
    cellText.toUInt(&ok, 16);
    return ok;
}

QList<bool> decodeInterlockBits(const QString& cellText, int count)
{
    const uint bits = cellText.toUInt(nullptr, 16);
    QList<bool> decoded;
    for (int i = 0; i < count; ++i)
        decoded << bool(bits & (1u << i));
    return decoded;
}

QString encodeInterlockBits(const QString& oldCellText, const QList<bool>& checked)
{
    uint shown = 0;
    uint set = 0;
    for (int i = 0; i < checked.size(); ++i) {
        shown |= 1u << i;
        if (checked.at(i))
            set |= 1u << i;
    }
    const uint old = oldCellText.toUInt(nullptr, 16);
    return QString::number((old & ~shown) | set, 16);
}

std::optional<PidLimits> defaultPidLimits(const QStringList& limits, int connections)
{
    if (connections <= 0)
        return std::nullopt;
    auto limit = [&limits](int i) { return limits.value(i).toFloat(); };
    auto text = [](float v) { return QString::number(v, 'g', 6); };
    PidLimits result;
    result.vMin = text(limit(0));
    result.vMax = text(limit(1));
    result.iMin = text(limit(2) / connections);
    result.iMax = text(limit(3) / connections);
    return result;
}

bool isSafeForWire(const QString& text)
{
    for (const QChar ch : text) {
        const ushort u = ch.unicode();
        if (u == '\r' || u == '\n' || u == 0 || u > 0xFF)
            return false;
    }
    return true;
}

bool isNumber(const QString& text)
{
    if (text.isEmpty() || text != text.trimmed())
        return false;
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && qIsFinite(value);
}

SaveButtons saveButtons(bool local, bool busy, bool jsonMode)
{
    SaveButtons buttons;
    buttons.memory = !local && !busy;
    buttons.pid = !local && !jsonMode;
    buttons.pages = !local;
    return buttons;
}

} // namespace ConfigRules
