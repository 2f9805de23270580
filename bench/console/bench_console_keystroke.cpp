// The time one typed character takes at the end of a console holding
// 100,000 lines of older output (goal: 5 ms or less).

#include "benchsupport.h"
#include "qconsole.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QVector>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QConsole console(nullptr, QStringLiteral("Welcome\n"));
    console.setPrompt(QStringLiteral(">"), true);
    console.resize(800, 500);
    console.show();

    QStringList lines;
    for (int i = 0; i < 100000; ++i)
        lines << QStringLiteral("#MPLST:%1:12.3456:00000001").arg(i);
    console.pExecCommand(QStringLiteral("MPLST"));
    console.printCommandExecutionResults(lines.join(QLatin1Char('\n')), QConsole::Complete);
    QApplication::processEvents();
    std::printf("document: %d blocks\n", console.document()->blockCount());

    QVector<qint64> samples;
    for (int i = 0; i < 300; ++i) {
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(&console, Qt::Key_A);
        QApplication::processEvents();
        samples << clock.nsecsElapsed();
        if (i % 60 == 59) // start a fresh command now and then, as a user does
            for (int k = 0; k < 60; ++k)
                QTest::keyClick(&console, Qt::Key_Backspace);
    }
    std::printf(
        "keystroke at the end: median %.3f ms, 95th percentile %.3f ms, largest %.3f ms (goal <= 5 ms)\n",
        percentile(samples, 0.5) / 1e6, percentile(samples, 0.95) / 1e6, percentile(samples, 1.0) / 1e6);
    return 0;
}
