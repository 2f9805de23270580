#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Reads what the supply sends on its firmware port while it takes an upload:
// free text with progress lines "$:<n>\n", ended by a marker "#ACK" (installed)
// or "#NAK:<detail>" (refused).
//
// A "#" whose word has not fully arrived ("#", "#AC", "#NAK:12" without its
// line end) is held until the rest comes, so a marker split across reads is
// judged whole; finish() judges what is held once nothing more will come.
class FirmwareReplyParser
{
public:
    enum class Outcome { Pending, Success, Failure };

    struct Step {
        QString shown;         // text for the progress view, progress lines removed
        QList<int> progress;   // numbers of the progress lines found, in order
        Outcome outcome = Outcome::Pending;
        QString detail;        // the failure text: the reply without its "#NAK:"
    };

    // One read's bytes (cut at their first NUL).
    Step feed(const QByteArray& bytes);
    // Nothing more will arrive: a held marker is judged as it stands.
    Step finish();

    // True while a "#" waits for the rest of its word.
    bool holding() const { return !held.isEmpty(); }

private:
    Step judge(const QString& reply, bool final);

    QString held;
};
