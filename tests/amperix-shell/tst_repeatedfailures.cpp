// Which failures of the supply's commands reach the log: the first of a run
// of identical ones, then its count when the run ends (answered, failing
// another way, connection closed), never a count of none.

#include "repeatedfailures.h"

#include <QTest>

class RepeatedFailuresTest : public QObject
{
    Q_OBJECT

private slots:
    void linesWritten_data()
    {
        // Events: "CMD code" a failure, "CMD" an answer, "end" the connection's end.
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("lines");
        const QString twice = QStringLiteral("VER -1: repeated 1 more times");
        QTest::newRow("first failure") << QStringList{"VER -1"} << QStringList{"VER -1"};
        QTest::newRow("repeats counted until answered")
            << QStringList{"VER -1", "VER -1", "VER -1", "VER"}
            << QStringList{"VER -1", "VER -1: repeated 2 more times"};
        QTest::newRow("fails another way")
            << QStringList{"VER -1", "VER -1", "VER 5", "VER 5", "end"}
            << QStringList{"VER -1", twice, "VER 5", "VER 5: repeated 1 more times"};
        QTest::newRow("another way at once")
            << QStringList{"VER -1", "VER -2", "VER"} << QStringList{"VER -1", "VER -2"};
        QTest::newRow("answered after one failure")
            << QStringList{"VER -1", "VER", "end"} << QStringList{"VER -1"};
        QTest::newRow("answered, then failing again")
            << QStringList{"VER -1", "VER -1", "VER", "VER -1"} << QStringList{"VER -1", twice, "VER -1"};
        QTest::newRow("commands apart, counts at the end")
            << QStringList{"VER -1", "MST 5", "VER -1", "MRT -2", "MST 5", "MST 5", "end", "end"}
            << QStringList{"VER -1", "MST 5", "MRT -2", "MST 5: repeated 2 more times", twice};
    }
    void linesWritten()
    {
        QFETCH(QStringList, events);
        RepeatedFailures failures;
        QStringList lines;
        for (const QString& event : events) {
            const QStringList parts = event.split(QLatin1Char(' '));
            // As the window logs them.
            if (event == QLatin1String("end")) {
                lines += failures.endAll();
            } else if (parts.size() == 1) {
                const QString count = failures.answered(event);
                if (!count.isEmpty())
                    lines += count;
            } else if (failures.failed(parts.at(0), parts.at(1).toInt(), event, &lines)) {
                lines += event;
            }
        }
        QTEST(lines, "lines");
    }
};

QTEST_GUILESS_MAIN(RepeatedFailuresTest)
#include "tst_repeatedfailures.moc"
