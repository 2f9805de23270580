#include "firmwarereply.h"

#include <QtTest>

using Outcome = FirmwareReplyParser::Outcome;

class FirmwareReplyTest : public QObject
{
    Q_OBJECT

private slots:
    void progressLinesAreTakenOutOfTheText();
    void markerSplitAcrossReadsWaitsForTheRest_data();
    void markerSplitAcrossReadsWaitsForTheRest();
    void heldMarkerIsJudgedWhenNothingMoreComes();
    void textAfterNulIsDropped();
};

void FirmwareReplyTest::progressLinesAreTakenOutOfTheText()
{
    FirmwareReplyParser parser;
    const auto step = parser.feed("erasing\n$:45\n$:x\nwriting\n");
    QCOMPARE(step.progress, (QList<int>{45, 0}));
    QCOMPARE(step.shown, QStringLiteral("erasing\nwriting\n"));
    QCOMPARE(step.outcome, Outcome::Pending);
    QVERIFY(!parser.holding());

    // A chunk with a marker ends the exchange; what came before the marker
    // in the same chunk still counts as progress.
    const auto end = parser.feed("$:50\n#ACK\r\n");
    QCOMPARE(end.outcome, Outcome::Success);
    QCOMPARE(end.progress, QList<int>{50});
}

void FirmwareReplyTest::markerSplitAcrossReadsWaitsForTheRest_data()
{
    QTest::addColumn<QByteArrayList>("reads");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("detail");
    QTest::newRow("ack whole") << QByteArrayList{"#ACK\r\n"} << int(Outcome::Success) << QString();
    QTest::newRow("hash alone") << QByteArrayList{"$:90\n#", "ACK\r\n"} << int(Outcome::Success) << QString();
    QTest::newRow("ack halves") << QByteArrayList{"#AC", "K"} << int(Outcome::Success) << QString();
    QTest::newRow("nak code split") << QByteArrayList{"#NA", "K:1", "2\r\n"} << int(Outcome::Failure) << "12";
    QTest::newRow("progress then refusal") << QByteArrayList{"$:90\n#NAK:12\r\n"} << int(Outcome::Failure) << "12";
    QTest::newRow("progress then split refusal") << QByteArrayList{"$:90\n#NAK:1", "2\n"} << int(Outcome::Failure) << "12";
    QTest::newRow("refusal inside a broken marker") << QByteArrayList{"#N#NAK:AK:\n"} << int(Outcome::Failure) << "AK:";
    QTest::newRow("other marker") << QByteArrayList{"#BUSY\n"} << int(Outcome::Failure) << "#BUSY";
}

void FirmwareReplyTest::markerSplitAcrossReadsWaitsForTheRest()
{
    QFETCH(QByteArrayList, reads);
    FirmwareReplyParser parser;
    FirmwareReplyParser::Step step;
    for (int i = 0; i < reads.size(); ++i) {
        step = parser.feed(reads.at(i));
        if (i + 1 < reads.size()) {
            QCOMPARE(step.outcome, Outcome::Pending);
            QVERIFY(step.shown.isEmpty() || !step.shown.contains(QLatin1Char('#')));
        }
    }
    QFETCH(int, outcome);
    QFETCH(QString, detail);
    QCOMPARE(int(step.outcome), outcome);
    QCOMPARE(step.detail, detail);
}

void FirmwareReplyTest::heldMarkerIsJudgedWhenNothingMoreComes()
{
    FirmwareReplyParser parser;
    QCOMPARE(parser.feed("#NAK:12").outcome, Outcome::Pending);
    QVERIFY(parser.holding());
    const auto step = parser.finish();
    QCOMPARE(step.outcome, Outcome::Failure);
    QCOMPARE(step.detail, QStringLiteral("12"));
    QCOMPARE(parser.finish().outcome, Outcome::Pending);
}

void FirmwareReplyTest::textAfterNulIsDropped()
{
    FirmwareReplyParser parser;
    const auto step = parser.feed(QByteArray("ok\0#ACK", 7));
    QCOMPARE(step.outcome, Outcome::Pending);
    QCOMPARE(step.shown, QStringLiteral("ok"));
}

QTEST_MAIN(FirmwareReplyTest)
#include "tst_firmwarereply.moc"
