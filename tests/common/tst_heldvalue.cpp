#include "heldvalue.h"

#include <QtTest>

#include <functional>

using Fill = std::function<void(HeldValue&)>;
Q_DECLARE_METATYPE(Fill)

namespace
{
using State = HeldValue::State;

Fill notRead(const QString& shown = QString())
{
    return [=](HeldValue& v) { v.fillNotRead(shown); };
}
Fill text(const QString& read, const QString& shown)
{
    return [=](HeldValue& v) { v.fillText(read, shown); };
}
Fill number(const QString& read, std::optional<double> value, double shownNumber)
{
    return [=](HeldValue& v) { v.fillNumber(read, value, shownNumber, QString::number(shownNumber)); };
}
} // namespace

class HeldValueTest : public QObject
{
    Q_OBJECT

private slots:
    void fillAndWrite_data();
    void fillAndWrite();
    void namedOnce_data();
    void namedOnce();
};

// A fill, then the field as it stands when a Save comes: the state, whether
// it may be written given what the instrument holds now (null: its read
// failed since) and as of the fill, and whether a Save leaving it unwritten
// is news to the window.
void HeldValueTest::fillAndWrite_data()
{
    QTest::addColumn<Fill>("fill");
    QTest::addColumn<bool>("told"); // the fill's message named it
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("marked"); // the user edited it
    QTest::addColumn<QString>("shownNow");
    QTest::addColumn<QString>("now");
    QTest::addColumn<bool>("mayWrite");
    QTest::addColumn<bool>("asFilled");
    QTest::addColumn<bool>("leftIsNews");
    const int nr = int(State::NotRead), sh = int(State::Shown), he = int(State::Held);
    const QString none;
    QTest::newRow("not read") << notRead() << false << nr << false << "" << none << false << false << true;
    QTest::newRow("not read, told") << notRead() << true << nr << false << ""
                                    << "7" << false << false << false;
    QTest::newRow("not read, typed") << notRead() << true << nr << false << "7" << none << true << true
                                     << false;
    QTest::newRow("not read, typed back")
        << notRead() << true << nr << true << "" << none << true << true << false;
    QTest::newRow("shown, holds it") << text("abc", "abc") << false << sh << false << "abc"
                                     << "abc" << true << true << false;
    QTest::newRow("shown, read failed since")
        << text("abc", "abc") << false << sh << false << "abc" << none << false << true << true;
    QTest::newRow("shown, changed since") << text("abc", "abc") << false << sh << false << "abc"
                                          << "abd" << false << true << true;
    QTest::newRow("shown, typed again") << text("abc", "abc") << false << sh << true << "abc"
                                        << "abd" << true << true << false;
    QTest::newRow("cut by the field") << text(QString(9, 'n'), QString(8, 'n')) << true << he << false
                                      << QString(8, 'n') << QString(9, 'n') << false << false << false;
    QTest::newRow("held, put in by a button") << text("a\r\nb", "a\nb") << true << he << false << "x"
                                              << "a\r\nb" << true << true << false;
    QTest::newRow("number shown") << number(" 5", 5, 5) << false << sh << false << "5"
                                  << " 5" << true << true << false;
    QTest::newRow("number beyond the field")
        << number("20000", 20000, 10000) << false << he << false << "10000"
        << "20000" << false << false << true;
    QTest::newRow("no number") << number("abc", std::nullopt, 1) << false << he << false << "1"
                               << "abc" << false << false << true;
    QTest::newRow("a fill clears the mark") << Fill([](HeldValue& v) {
        v.markChanged();
        v.fillShown("1", "1");
    }) << false << sh << false << "1"
                                            << "2" << false << true << true;
}

void HeldValueTest::fillAndWrite()
{
    QFETCH(Fill, fill);
    QFETCH(bool, told);
    QFETCH(int, state);
    QFETCH(bool, marked);
    QFETCH(QString, shownNow);
    QFETCH(QString, now);
    QFETCH(bool, mayWrite);
    QFETCH(bool, asFilled);
    QFETCH(bool, leftIsNews);
    HeldValue value;
    fill(value);
    if (told)
        value.takeNotice();
    if (marked)
        value.markChanged();
    QCOMPARE(int(value.state()), state);
    QCOMPARE(value.holding().has_value(), state != int(State::NotRead));
    QCOMPARE(value.mayWrite(shownNow, now.isNull() ? HeldValue::Holding() : HeldValue::Holding(now)),
             mayWrite);
    QCOMPARE(value.mayWrite(shownNow), asFilled);
    // A Save leaves only a field it may not write.
    KeptValues left;
    if (!mayWrite)
        left.addLeft(value, QStringLiteral("it"));
    QCOMPARE(left.isNews(), leftIsNews);
}

// Fills one after another ("N" not read, "S:x" shown, "H:x" held, "h:x" held
// and not worth a word), and what the window names at each: "n" not read, "h"
// held, "-" nothing.
void HeldValueTest::namedOnce_data()
{
    QTest::addColumn<QStringList>("fills");
    QTest::addColumn<QString>("named");
    QTest::newRow("not read, again and again") << QStringList{"N", "N", "N"} << "n--";
    QTest::newRow("held, again") << QStringList{"H:a", "H:a"} << "h-";
    QTest::newRow("held another value") << QStringList{"H:a", "H:b"} << "hh";
    QTest::newRow("not read, then held") << QStringList{"N", "H:a"} << "nh";
    QTest::newRow("kept a second time") << QStringList{"H:a", "S:a", "H:a"} << "h-h";
    QTest::newRow("not read a second time") << QStringList{"N", "S:x", "N", "N"} << "n-n-";
    QTest::newRow("shown") << QStringList{"S:a", "S:b"} << "--";
    QTest::newRow("held without a word") << QStringList{"h:a", "H:a", "S:a", "H:a"} << "---h";
}

void HeldValueTest::namedOnce()
{
    QFETCH(QStringList, fills);
    QFETCH(QString, named);
    HeldValue value;
    QString said;
    for (const QString& step : fills) {
        const QString read = step.mid(2);
        if (step == QLatin1String("N"))
            value.fillNotRead();
        else if (step.startsWith('S'))
            value.fillShown(read, read);
        else
            value.fillHeld(read, read);
        KeptValues kept;
        const bool added = kept.add(value, step.startsWith('h') ? QString() : QStringLiteral("it"));
        QCOMPARE(added, kept.isNews());
        QCOMPARE(kept.named().size(), int(added));
        said += !added ? '-' : kept.notRead().isEmpty() ? 'h' : 'n';
    }
    QCOMPARE(said, named);
}

QTEST_GUILESS_MAIN(HeldValueTest)
#include "tst_heldvalue.moc"
