// How the console's reply handling grows with the amount of text: replies of
// 80 characters printed one after the other, and one long reply gathered
// from 1 KiB reads. Both must grow linearly: the time per reply (or per KiB)
// stays flat as the count grows.

#include "qconsole.h"
#include "replyframer.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace
{

// Prints `count` replies of 80 characters, each after a command, as the
// console window does; returns the milliseconds taken.
double printReplies(int count)
{
    QConsole console(nullptr, QStringLiteral("Welcome\n"));
    console.setPrompt(QStringLiteral(">"), true);
    console.resize(800, 400);
    console.show();
    const QString reply = QString(78, QLatin1Char('x')) + QStringLiteral("\r\n");
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        console.pExecCommand(QStringLiteral("MRI"));
        console.printCommandExecutionResults(reply, QConsole::Complete);
    }
    QApplication::processEvents();
    return clock.nsecsElapsed() / 1e6;
}

// Gathers one reply of `kib` KiB arriving in 1 KiB reads; returns milliseconds.
double gatherReply(int kib, int* replies)
{
    const QByteArray read(1024, 'y');
    const QByteArray last = QByteArray(1022, 'y') + "\r\n";
    ReplyFramer framer;
    *replies = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kib; ++i) {
        bool complete = false;
        framer.feed(i + 1 < kib ? read : last, &complete);
        if (complete) {
            framer.takeReply();
            ++*replies;
        }
    }
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);

    std::printf("printing 80-character replies\n");
    for (int count : {2500, 5000, 10000}) {
        const double ms = printReplies(count);
        std::printf("  %6d replies: %8.1f ms, %6.1f us per reply\n", count, ms, ms * 1000 / count);
    }

    std::printf("gathering one reply from 1 KiB reads\n");
    for (int kib : {256, 512, 1024}) {
        int replies = 0;
        double best = 1e9;
        for (int run = 0; run < 5; ++run)
            best = qMin(best, gatherReply(kib, &replies));
        std::printf("  %5d KiB: %7.2f ms, %6.2f us per KiB, %d reply\n", kib, best, best * 1000 / kib,
                    replies);
    }
    return 0;
}
