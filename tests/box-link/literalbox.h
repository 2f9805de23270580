#pragma once

#include "scriptedbox.h"

#include <QByteArray>
#include <QMutex>

// A SENTREL box written plainly from the protocol, independent of box-sim:
// every reply is the bare text and one CR, the status word is lower-case hex
// with a "0x" prefix, "acqt:?" answers two digits, unknown commands (the
// greeting's blank included) get "NAK", and stream lines end in a CR alone.
// Unlike box-sim it lets a few lines already on their way follow the "ACK"
// of a stop, and it may stream from before the program connects.
class LiteralBox
{
public:
    explicit LiteralBox(ScriptedBox::Transport transport = ScriptedBox::Tcp);

    bool start();
    ScriptedBox& link() { return box; }

    struct State {
        bool acquiring = false;
        bool printing = false;
        bool ext_t = true; // streamed temperatures: external and ADC
        bool adc_t = true;
        QByteArray name = "BOX 1";
        QByteArray head = "HEAD 7";
        QByteArray freq = "100";
        int counter = 1;
        int lines_per_tick = 1; // every 10 ms
        int lines_after_stop = 2;
        // Lines sent in the same write as the "ACK" that starts the stream
        // (acq:ON while printing, print:ON while acquiring), before or after it.
        int lines_with_start = 0;
        bool lines_before_ack = false;
        bool nak_everything = false;   // but the greeting still gets its "NAK"
        bool refuse_print_off = false; // "NAK", and printing stays on
        // Lines still queued in the box's output when an answer is written
        // while it streams: they go out ahead of the answer, which follows
        // 30 ms later.
        int lines_ahead_of_answers = 0;
    };
    State state();
    void change(const std::function<void(State&)>& edit);

    // What a stream line for `counter` reads (current = counter / 10 + 100,
    // external 24.5, ADC 38.25).
    QByteArray streamLine(int counter) const;

private:
    QList<ScriptedBox::Piece> answer(const QByteArray& command);
    QList<ScriptedBox::Piece> answerAlone(const QByteArray& command);
    QByteArray tick();
    QByteArray statusWord() const;

    ScriptedBox box;
    QMutex mutex;
    State s;
};
