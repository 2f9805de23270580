#pragma once

#include <QMap>
#include <QSet>
#include <QString>

// Misbehaviour the simulator can be told to show, for testing the program's
// error paths. Keys name commands by their upper-case text: a key matches a
// command equal to it or starting with it followed by ':' ("MWI" matches
// "MWI:5" and "MWI:?", "MRG:130" matches only that cell).
struct FaultSwitches {
    enum class NulMode { Off, Inside, After };

    QMap<QString, int> refusals;         // key -> refusal code
    QMap<QString, QString> fixedReplies; // key -> reply body sent instead
    QSet<QString> ignored;               // keys never answered
    int delayMs = 0;                     // every reply waits this long
    QMap<QString, int> commandDelays;    // key -> delay in place of delayMs (slow commands)
    QMap<QString, QString> staleLines;   // key -> body of one extra line put before the next matching reply
    bool stall = false;                  // commands are read but never answered
    int chunkSize = 0;                   // replies go out in pieces of this size (0: whole)
    int chunkGapMs = 5;                  // pause between two pieces
    bool garbage = false;                // replies are replaced by unrelated bytes
    NulMode nul = NulMode::Off;          // NUL inside the reply, or after its CR LF
    int dropAfter = -1;                  // commands still answered before a drop (-1: never)
    bool refuseConnections = false;      // new connections are closed at once

    static bool matches(const QString& key, const QString& upperCommand)
    {
        return upperCommand == key || (upperCommand.startsWith(key) && upperCommand.size() > key.size() &&
                                       upperCommand.at(key.size()) == QLatin1Char(':'));
    }

    // The longest matching key wins, so "MRG:130" can differ from "MRG".
    template <typename Map>
    static typename Map::const_iterator find(const Map& map, const QString& upperCommand)
    {
        auto best = map.constEnd();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            if (matches(it.key(), upperCommand) &&
                (best == map.constEnd() || it.key().size() > best.key().size()))
                best = it;
        return best;
    }

    bool isIgnored(const QString& upperCommand) const
    {
        for (const QString& key : ignored)
            if (matches(key, upperCommand))
                return true;
        return false;
    }

    void clear() { *this = FaultSwitches(); }
};
