#pragma once

#include <QByteArray>
#include <QList>

// Misbehaviours the simulated box can be told to show, so the program's worker
// can be tried against every way a real box or its link goes wrong. All of them
// are off by default; "clear" switches them all off again.
struct Faults {
    // Commands answered "NAK" without being carried out. A rule names a command
    // or a leading part of it up to a ":" (lower case), see Faults::naks().
    QList<QByteArray> nakRules;
    bool stall = false;       // commands are logged but neither run nor answered
    bool silent = false;      // nothing at all is written to any link
    int delayMs = 0;          // every reply is held back this long
    int chunkBytes = 0;       // >0: output leaves in pieces of this size ...
    int chunkGapMs = 20;      // ... with this pause between the pieces
    bool garbage = false;     // replies are replaced by a line of junk bytes
    bool badStatus = false;   // status and error words are not hexadecimal
    bool badValues = false;   // date, time, current and ADC readings are malformed
    bool badStream = false;   // malformed lines are mixed into the stream
    bool doubleReply = false; // every reply is sent twice
    bool truncate = false;    // listings stop halfway, without their closing "ACK"
    int dropAfter = 0;        // >0: the links drop after this many more commands

    // One reply held back: the `skip`+1-th next reply to a command the rule
    // covers leaves `ms` late (later replies keep their order behind it).
    struct Late {
        QByteArray rule;
        int ms;
        int skip;
    };
    QList<Late> lateRules;
    // One stale line: the next reply to a command the rule covers goes out
    // with `line` and a CR in front of it, in the same write.
    struct Stale {
        QByteArray rule;
        QByteArray line;
    };
    QList<Stale> staleRules;

    void clear() { *this = Faults(); }

    // True when `rule` covers `lowerCommand`: the rule is the whole command,
    // or a leading part of it that ends just before or just after a ":"
    // ("status" covers "status:?", "sd:read:" covers "sd:read:a.txt").
    static bool covers(const QByteArray& rule, const QByteArray& lowerCommand)
    {
        if (lowerCommand == rule)
            return true;
        if (!lowerCommand.startsWith(rule))
            return false;
        return rule.endsWith(':') || lowerCommand.at(rule.size()) == ':';
    }

    // True when `lowerCommand` is covered by one of the NAK rules.
    bool naks(const QByteArray& lowerCommand) const
    {
        for (const QByteArray& rule : nakRules) {
            if (covers(rule, lowerCommand))
                return true;
        }
        return false;
    }

    // The delay a late rule gives this reply (0 for none); a rule that
    // applies is used up.
    int takeLate(const QByteArray& lowerCommand)
    {
        for (int i = 0; i < lateRules.size(); ++i) {
            Late& late = lateRules[i];
            if (!covers(late.rule, lowerCommand))
                continue;
            if (late.skip-- > 0)
                return 0;
            const int ms = late.ms;
            lateRules.removeAt(i);
            return ms;
        }
        return 0;
    }

    // The stale line a rule puts before this reply (empty for none); used up.
    QByteArray takeStale(const QByteArray& lowerCommand)
    {
        for (int i = 0; i < staleRules.size(); ++i) {
            if (covers(staleRules.at(i).rule, lowerCommand))
                return staleRules.takeAt(i).line + '\r';
        }
        return QByteArray();
    }
};
