#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class ps_data;

// The configuration window's rules, as plain functions of their inputs.
namespace ConfigRules
{

struct CellWrite {
    int cell = 0;
    QString value;
    bool operator==(const CellWrite& o) const { return cell == o.cell && value == o.value; }
};

// The rows a Save to PS Memory sends, in ascending order: the Value is not
// empty, differs from the last value the worker holds for the cell, and the
// row is writable at `privilegeLevel`. `fields` and `values` are the table's
// columns; `memory` the worker's memory list.
QList<CellWrite> writeBackPlan(const QStringList& fields, const QStringList& values, const QStringList& memory,
                               int privilegeLevel);

// The writes of a plan the supply did not take, by the results the worker
// recorded: refused (a refusal or another reply) and unanswered (no reply,
// or not sent; the supply may hold the value or not).
struct WriteBackResults {
    QList<CellWrite> refused;
    QList<CellWrite> unanswered;
};
WriteBackResults writeBackResults(const QList<CellWrite>& sent, const ps_data& after);

// Interlock bit sets (cells 90 and 91) are hexadecimal texts of at most 32
// bits, bit 0 for interlock 1. Any other text ("-1", "3.0", "nan", nine
// digits, nothing) is no bit set the page can show.
bool interlockBitsReadable(const QString& cellText);
// The bits as the page shows them; an unreadable text shows none set.
QList<bool> decodeInterlockBits(const QString& cellText, int count);
// The text to write: the page's `checked` bits replace the ones it shows,
// the others keep what the cell held (none, when it was unreadable).
// Lower-case hexadecimal.
QString encodeInterlockBits(const QString& oldCellText, const QList<bool>& checked);

// Output limits that the Default button proposes from the supply's four
// limit texts (vmin, vmax, imin, imax) and its parallel-connection count;
// nothing when the count is not above 0.
struct PidLimits {
    QString vMin;
    QString vMax;
    QString iMin;
    QString iMax;
};
std::optional<PidLimits> defaultPidLimits(const QStringList& limits, int connections);

// Text that can travel in one command: no CR, LF or NUL and nothing outside
// Latin-1 (commands go out Latin-1 encoded, ended by a CR).
bool isSafeForWire(const QString& text);
// A finite decimal number ("1e3" style included) with no blanks around it.
bool isNumber(const QString& text);

// The enabled state of the window's save buttons.
struct SaveButtons {
    bool memory = false;   // "Save to PS Memory"
    bool pid = false;      // the PID page's Save
    bool pages = false;    // the identification and interlock pages' Save
};
SaveButtons saveButtons(bool local, bool busy, bool jsonMode);

} // namespace ConfigRules
