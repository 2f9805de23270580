// The supply-state record, its running means and the error-code table.

#include "errorcodes.h"
#include "ps_data.h"
#include "ps_replies.h"

#include <QTest>

#include <cmath>

class PsDataRecord : public QObject
{
    Q_OBJECT

private slots:
    void newRecordIsEmpty()
    {
        const ps_data data;
        QCOMPARE(data.memory.size(), 200);
        for (const QString& cell : data.memory)
            QVERIFY(cell.isEmpty());
        QCOMPARE(data.limits.size(), 4);
        QCOMPARE(data.status_flags, 0u);
        QVERIFY(!data.status_unreadable);
        QVERIFY(data.family.isEmpty());
        QCOMPARE(data.current_avg.window, 1);
        QCOMPARE(data.voltage_avg.window, 1);
        QCOMPARE(data.temperature_avg.window, 100);
        QCOMPARE(data.leakage_avg.window, 10);
        QCOMPARE(data.temperature_avg.value, 0.0);
        QCOMPARE(data.leakage_avg.text(2), QStringLiteral("0.00"));
    }

    void copyIsSnapshot()
    {
        ps_data live;
        live.temperature_avg.add("25");
        live.memory[7] = "A";
        const ps_data copy = live;
        live.temperature_avg.add("35");
        live.memory[7] = "B";
        QCOMPARE(copy.temperature_avg.value, 25.0);
        QCOMPARE(copy.temperature_avg.samples.size(), 100);
        QCOMPARE(copy.memory.at(7), QStringLiteral("A"));
        QCOMPARE(live.temperature_avg.text(1), QStringLiteral("25.1"));
    }

    void assignmentCopiesAverages()
    {
        ps_data a;
        a.leakage_avg.add("2");
        ps_data b;
        b = a;
        a.leakage_avg.add("12");
        QCOMPARE(b.leakage_avg.value, 2.0);
        QCOMPARE(a.leakage_avg.value, 3.0);
    }

    // A status text that is no 32-bit hexadecimal word is no state: the
    // record says so and keeps the last word read; a real 0 is a state.
    void statusWordDecoding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("flags");
        QTest::addColumn<bool>("unreadable");
        QTest::newRow("word") << "0000800D" << 0x800Du << false;
        QTest::newRow("zero") << "0" << 0u << false;
        QTest::newRow("all bits") << "FFFFFFFF" << 0xFFFFFFFFu << false;
        QTest::newRow("not hexadecimal") << "ZZ" << 0x20003u << true;
        QTest::newRow("signed") << "-1" << 0x20003u << true;
        QTest::newRow("wider than 32 bits") << "1FFFFFFFF" << 0x20003u << true;
        QTest::newRow("empty") << "" << 0x20003u << true;
    }
    void statusWordDecoding()
    {
        QFETCH(QString, text);
        ps_data data;
        QVERIFY(applyCurrentVoltageStatus(data, QStringLiteral("1.5:2:00020003")));
        QVERIFY(!data.status_unreadable);
        QVERIFY(applyCurrentVoltageStatus(data, QStringLiteral("1.5:2:") + text));
        QCOMPARE(data.status, text);
        QTEST(data.status_flags, "flags");
        QTEST(data.status_unreadable, "unreadable");

        // The next word that reads is the state again.
        applyStatus(data, QStringLiteral("4"));
        QCOMPARE(data.status_flags, 0x4u);
        QVERIFY(!data.status_unreadable);
    }

    // The cells a text may name are exactly the record's: 0 to 199.
    void memoryCellsAreTheRecordsCells_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cell");
        QTest::newRow("first") << "0" << 0;
        QTest::newRow("last") << "199" << 199;
        QTest::newRow("one past the last") << "200" << -1;
        QTest::newRow("one before the first") << "-1" << -1;
    }
    void memoryCellsAreTheRecordsCells()
    {
        QFETCH(QString, text);
        QTEST(memoryCellOf(text), "cell");
    }
};

class MovingAverage : public QObject
{
    Q_OBJECT

private slots:
    void mean_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<QStringList>("samples");
        QTest::addColumn<double>("mean");
        QTest::newRow("fresh") << 100 << QStringList{} << 0.0;
        QTest::newRow("first sample") << 100 << QStringList{"25"} << 25.0;
        QTest::newRow("second sample") << 100 << QStringList{"25", "35"} << 25.1;
        QTest::newRow("window 1 follows") << 1 << QStringList{"3", "4", "-2.5"} << -2.5;
        QTest::newRow("window 2 slides") << 2 << QStringList{"2", "4", "6"} << 5.0;
        QTest::newRow("empty text") << 10 << QStringList{""} << 0.0;
        QTest::newRow("not a number") << 2 << QStringList{"4", "abc"} << 2.0;
        QTest::newRow("nan text") << 2 << QStringList{"4", "nan"} << 2.0;
        QTest::newRow("inf text") << 2 << QStringList{"4", "inf"} << 2.0;
        QTest::newRow("nan first") << 10 << QStringList{"nan", "10"} << 1.0;
        QTest::newRow("huge values") << 1 << QStringList{"1.7e308", "1.7e308"} << 1.7e308;
    }
    void mean()
    {
        QFETCH(int, window);
        QFETCH(QStringList, samples);
        QFETCH(double, mean);
        moving_average average(window);
        for (const QString& s : samples)
            average.add(s);
        QVERIFY(std::isfinite(average.value));
        QVERIFY2(qAbs(average.value - mean) <= 1e-9 * qMax(1.0, qAbs(mean)),
                 qPrintable(QString::number(average.value, 'g', 17)));
        if (!samples.isEmpty())
            QCOMPARE(average.samples.size(), window);
    }

    void text_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text");
        QTest::newRow("one") << 25.1 << 1 << "25.1";
        QTest::newRow("four") << 1.5 << 4 << "1.5000";
        QTest::newRow("rounds") << 0.125 << 2 << "0.13";
        QTest::newRow("rounds to zero") << -0.00001 << 4 << "0.0000";
        QTest::newRow("rounds away from zero") << -0.00005 << 4 << "-0.0001";
        // Too many whole digits for a reading's field: exponent form.
        QTest::newRow("widest fixed") << -9999999.5 << 1 << "-9999999.5";
        QTest::newRow("one digit more") << 12345678.9 << 4 << "1.2346e+07";
        QTest::newRow("rounds up to one digit more") << 9999999.99996 << 4 << "1.0000e+07";
        QTest::newRow("huge") << 1e308 << 4 << "1.0000e+308";
        QTest::newRow("huge negative") << -1.7e308 << 2 << "-1.70e+308";
    }
    void text()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, text);
        moving_average average(1);
        average.add(QString::number(value, 'g', 17));
        QCOMPARE(average.text(decimals), text);
        QCOMPARE(readingText(value, decimals), text);
    }

    void readingThatIsNoNumber()
    {
        for (double value : {qInf(), -qInf(), qQNaN()})
            QCOMPARE(readingText(value, 4), QStringLiteral("out of range"));
    }
};

class ErrorCodeTable : public QObject
{
    Q_OBJECT

private slots:
    void lookup_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("-1") << -1 << "Unknown Error";
        QTest::newRow("99") << 99 << "Unknown Error";
        QTest::newRow("1") << 1 << "Unknown Command";
        QTest::newRow("7") << 7 << "Invalid Password";
        QTest::newRow("14") << 14 << "Slew Rate: Out of Limits";
        QTest::newRow("25") << 25 << "Unknown feature or feature not available for actual module (AIN,TRIG)";
        QTest::newRow("29") << 29 << "Cannot change set point because the module is inverting polarity";
        QTest::newRow("0") << 0 << "";
        QTest::newRow("-2") << -2 << "";
        QTest::newRow("30") << 30 << "";
    }
    void lookup()
    {
        QFETCH(int, code);
        QFETCH(QString, message);
        ErrorCodes errorCodes;
        QCOMPARE(errorCodes.message(code), message);
        QCOMPARE(errorCodes.codes[code], message);
    }

    void tableHas31Entries()
    {
        ErrorCodes errorCodes;
        QCOMPARE(errorCodes.codes.size(), 31);
        QCOMPARE(errorCodes.codes.firstKey(), -1);
        QCOMPARE(errorCodes.codes.lastKey(), 99);
    }

    // Looking up unknown codes must not grow the table.
    void lookupDoesNotInsert()
    {
        ErrorCodes errorCodes;
        for (int code : {0, -2, 30, 1000})
            (void)errorCodes.codes[code];
        QCOMPARE(errorCodes.codes.size(), 31);
        QVERIFY(!errorCodes.codes.contains(0));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        PsDataRecord t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        MovingAverage t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        ErrorCodeTable t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_ps_data.moc"
