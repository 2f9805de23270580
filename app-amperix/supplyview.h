#pragma once

// What the main window shows for a supply report, decided without widgets:
// the status byte, the set-point ranges and ratings from the limits, and the
// maps between the supply's mode words and the selectors' entries.

#include <QString>
#include <QStringList>

namespace SupplyView
{

// Style sheets of the status indications.
extern const char neutralStyle[];
extern const char localStyle[];
extern const char outputOnStyle[];
extern const char faultStyle[];

// The low byte of the status word as the window reads it.
struct StatusView {
    bool local = false;             // bits 2-3 equal to 1
    bool outputOn = false;          // bit 0
    bool fault = false;             // bit 1
    bool controlsEnabled = false;   // bits 2-3 clear
    bool regulationEnabled = false; // remote and output off
    bool setPointsEnabled = false;  // remote, output on, and bits 6-7 not both set
    // The polarity box is shown or hidden only while the unit is remote;
    // otherwise it keeps what the last remote report decided.
    bool decidesPolarityBox = false;
};

StatusView decodeStatus(quint32 statusFlags);

// Power shown for two shown (rounded) readings: |current x voltage|, 4 decimals,
// in the readings' own form (readingText).
QString powerText(const QString& shownCurrent, const QString& shownVoltage);

// Set-point ranges and the "Ratings" text from the four limits, read in
// reply order as voltage minimum, voltage maximum, current minimum, current
// maximum. `valid` is false unless all four are finite numbers, and then the
// window keeps what it shows.
struct SetPointRanges {
    bool valid = false;
    bool monopolar = false; // ranges start at 0
    double currentMin = 0;
    double currentMax = 0;
    double voltageMin = 0;
    double voltageMax = 0;
    QString ratings; // for example "10A / 20V"
};

SetPointRanges rangesFor(const QStringList& limits, const QString& polarityKind, const QString& capabilities);

bool hasCapability(const QString& capabilities, const char* word);

// Selector entries for the supply's mode words (exact, case-sensitive). An
// empty word was not read (or said nothing): no entry, `noEntry`.
constexpr int noEntry = -1;
int triggerIndex(const QString& triggerMode);
bool triggerSelectable(const QString& family, const QString& capabilities);
int floatIndex(const QString& floatMode);
int loopIndex(const QString& loopMode);
int updateModeIndex(const QString& updateMode);

enum UpdateModeIndex { UpdateNormal = 0, UpdateAnalog = 1, UpdateWaveform = 2 };
enum SetPointPage { PageCurrent = 0, PageVoltage = 1, PageWaveform = 2 };

// The set-point page for the update-mode entry shown and the loop.
int setPointPage(int updateModeIndex, bool voltageLoop);

} // namespace SupplyView
