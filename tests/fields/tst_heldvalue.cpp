#include "heldvalue.h"

#include <QComboBox>
#include <QtTest>

#include <functional>
#include <map>

// Steps on one field, blanks apart: a fill ("N" not read, "S:x" shown, "H:x"
// held) gives the state; "+" the user edits the field, "C" chooses the entry its
// list shows; "w:x:y" may a Save write it showing x, the instrument holding y
// ("-": read failed); "k" what the window names (n not read, h held, - nothing).
class HeldValueTest : public QObject
{
    Q_OBJECT

private slots:
    void steps_data();
    void steps();
};

void HeldValueTest::steps_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("results");
    const auto row = [](const char* tag, const char* steps, const char* results) {
        QTest::newRow(tag) << QString(steps) << QString(results);
    };
    row("not read", "N w::- w:7:- w::7 k k + w::-", "N010n-1");
    row("shown", "S:abc w:abc:abc w:abc:- w:abc:abd k + w:abc:abd", "S100-1");
    row("held", "H:x w:x:x k w:2:x C w:x:x + S:1 w:1:2", "H0h11S0");
    row("kept once, and again", "N k H:a k H:b k S:b k H:b k N k S:a N k", "NnHhHhS-HhNnSNn");
}

void HeldValueTest::steps()
{
    QFETCH(QString, steps);
    QFETCH(QString, results);
    HeldValue held;
    QComboBox list;
    list.addItems({"0", "1"});
    watchUserEdits(&list, &held);
    const auto state = [&] { return QString("NSH").at(int(held.state())); };
    const auto now = [](const QString& y) { return y == "-" ? HeldValue::Holding() : HeldValue::Holding(y); };
    const std::map<char, std::function<QString(QString, QString)>> act = {
        {'N', [&](auto, auto) { return held.fillNotRead(), state(); }},
        {'S', [&](auto x, auto) { return held.fillShown(x, x), state(); }},
        {'H', [&](auto x, auto) { return held.fillHeld(x, x), state(); }},
        {'+', [&](auto, auto) { return held.markChanged(), QString(); }},
        {'C', [&](auto, auto) { return emit list.activated(list.currentIndex()), QString(); }},
        {'w', [&](auto x, auto y) { return QString::number(held.mayWrite(x, now(y))); }},
        {'k', [&](auto...) { return KeptValues().add(held, "k") ? QString("nh").at(held.isRead()) : '-'; }},
    };
    QString got;
    for (const QString& step : steps.split(' '))
        got += act.at(step.at(0).toLatin1())(step.section(':', 1, 1), step.section(':', 2, 2));
    QCOMPARE(got, results);
}

QTEST_MAIN(HeldValueTest)
#include "tst_heldvalue.moc"
