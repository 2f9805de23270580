#pragma once

#include <QString>
#include <QStringList>

// What the configuration window knows of a supply's configuration memory:
// cells 0 to 130 of each family as one fixed table of Field texts. A Field
// text names the cell and carries who may write it: "(**)" superadmin,
// "(*)" admin, no mark anyone, "reserved" no cell of that family.
namespace MemoryMap
{

constexpr int RowCount = 131;

// The three tables, numbered as the pages of the window's table stack.
enum class Table { KoraPs = 0, Ortx = 1, KoraPs1K5 = 2 };

// The table of a family text (exact, case-sensitive): "ORTX" and
// "KORA-PS-1K5" have their own; every other text takes the KORA-PS table.
Table tableOf(const QString& family);

// The Field text of a row (empty outside 0..130).
QString fieldText(Table table, int row);
QStringList fieldTexts(Table table);

constexpr int ReservedRow = -1;
// Write level of a Field text: 2, 1 or 0, or ReservedRow.
int writeLevel(const QString& field);
bool isReserved(const QString& field);
// True when a user at `privilegeLevel` may write the row.
bool isWritable(const QString& field, int privilegeLevel);

// The name of a cell for messages: its Field text without the write mark
// (the KORA-PS-1K5 table's, or the ORTX one's where that one has it reserved).
QString cellName(int cell);

// Privilege level from the reply to the privilege query: "SUPERADMIN" 2,
// "ADMIN" 1, anything else 0 (exact, case-sensitive).
int privilegeLevel(const QString& privilegeText);

} // namespace MemoryMap
