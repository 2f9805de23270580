#include "faultdialog.h"
#include "ps_data.h"

#include <QLabel>
#include <QtTest>

namespace
{

const QString red = QStringLiteral("background-color:rgba(255, 126, 126, 255)");
const QString green = QStringLiteral("background-color:rgba(30, 250, 30, 255)");

ps_data record(const QString& family, const QStringList& interlockNames = {})
{
    ps_data d;
    d.family = family;
    const int cells[] = {93, 95, 97, 99};
    for (int i = 0; i < interlockNames.size(); ++i)
        d.memory[cells[i]] = interlockNames.at(i);
    return d;
}

} // namespace

class FaultDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void formStartsWithBitNames();

    void statusColoursEveryFaultBit_data();
    void statusColoursEveryFaultBit();

    void readingReplacesTextAfterBracket_data();
    void readingReplacesTextAfterBracket();

    void modelNamesLabelsPerFamily_data();
    void modelNamesLabelsPerFamily();
    void interlockNamesComeFromMemoryCells();
    void unknownFamilyLeavesLabels();
    void familyChangeSwitchesVisibility();
    void unparsableStatusKeepsIndicators();
};

void FaultDialogTest::formStartsWithBitNames()
{
    FaultDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Fault Detail"));
    QCOMPARE(dialog.minimumSize(), QSize(240, 418));
    QCOMPARE(dialog.maximumSize(), QSize(240, 418));
    for (int bit = 16; bit <= 31; ++bit) {
        QLabel* label = dialog.findChild<QLabel*>(QStringLiteral("label_%1").arg(bit));
        QVERIFY(label);
        QCOMPARE(dialog.bitLabel(bit), label);
        QCOMPARE(label->text(), QStringLiteral("bit %1").arg(bit));
        QVERIFY(!label->isHidden());
    }
    QVERIFY(!dialog.bitLabel(15));
}

void FaultDialogTest::statusColoursEveryFaultBit_data()
{
    QTest::addColumn<quint32>("status");
    QTest::newRow("nothing") << quint32(0);
    QTest::newRow("bit 31 only") << quint32(0x80000000u);
    QTest::newRow("bit 16 only") << quint32(0x00010000u);
    QTest::newRow("low bits are ignored") << quint32(0x0000FFFFu);
    QTest::newRow("every bit") << quint32(0xFFFFFFFFu);
    QTest::newRow("mixed") << quint32(0xA5C30001u);
}

void FaultDialogTest::statusColoursEveryFaultBit()
{
    QFETCH(quint32, status);
    FaultDialog dialog;
    dialog.setStatus(status);
    for (int bit = 16; bit <= 31; ++bit)
        QCOMPARE(dialog.bitLabel(bit)->styleSheet(), (status >> bit) & 1u ? red : green);

    // A later word recolours every label, set bits and cleared ones alike.
    dialog.setStatus(~status);
    for (int bit = 16; bit <= 31; ++bit)
        QCOMPARE(dialog.bitLabel(bit)->styleSheet(), (~status >> bit) & 1u ? red : green);
}

void FaultDialogTest::readingReplacesTextAfterBracket_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("temperature");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("expected");

    QTest::newRow("temperature") << "KORA-PS" << true << "25.4" << QString()
                                 << QString::fromUtf8("Temperature (25.4 °C)");
    QTest::newRow("temperature replaced") << "ORTX" << true << "25.4"
                                          << "31.0" << QString::fromUtf8("Temperature (31.0 °C)");
    QTest::newRow("leakage") << "KORA-PS" << false << "0.02" << QString() << "Earth Leakage (0.02 A)";
    QTest::newRow("leakage replaced") << "KORA-PS-M" << false << "0.02"
                                      << "1.50"
                                      << "Earth Leakage (1.50 A)";
    QTest::newRow("no bracket yet") << QString() << true << "20.0" << QString()
                                    << QString::fromUtf8("bit 20(20.0 °C)");
    QTest::newRow("no bracket, leakage") << QString() << false << "0.10" << QString() << "bit 22(0.10 A)";
}

void FaultDialogTest::readingReplacesTextAfterBracket()
{
    QFETCH(QString, family);
    QFETCH(bool, temperature);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, expected);

    FaultDialog dialog;
    if (!family.isEmpty())
        dialog.setModel(record(family));
    auto set = [&](const QString& v) { temperature ? dialog.setTemperature(v) : dialog.setEarthLeak(v); };
    set(first);
    if (!second.isEmpty())
        set(second);
    QCOMPARE(dialog.bitLabel(temperature ? 20 : 22)->text(), expected);
}

void FaultDialogTest::modelNamesLabelsPerFamily_data()
{
    QTest::addColumn<QString>("family");
    // Texts of bits 31..16; empty means hidden.
    QTest::addColumn<QStringList>("texts");

    const QString t = QString::fromUtf8("Temperature (°C)");
    QTest::newRow("KORA-PS") << "KORA-PS"
                             << QStringList{"Over-Power",
                                            "DCCT Fault",
                                            "",
                                            "",
                                            "External Int. #2",
                                            "External Int. #1",
                                            "",
                                            "Regulation Fault",
                                            "Earth Fuse Blown",
                                            "Earth Leakage (A)",
                                            "DC-Link Fault",
                                            t,
                                            "DC fuse",
                                            "Crowbar",
                                            "Input Over-Current",
                                            "Over-Voltage"};
    QTest::newRow("KORA-PS-M") << "KORA-PS-M"
                               << QStringList{"Over-Power",
                                              "DCCT Fault",
                                              "",
                                              "",
                                              "External Int. #2",
                                              "External Int. #1",
                                              "",
                                              "Regulation Fault",
                                              "Earth Fuse Blown",
                                              "Earth Leakage (A)",
                                              "DC-Link Fault",
                                              t,
                                              "DC-link Fuse",
                                              "Crowbar",
                                              "Input Over-Current",
                                              "Over-Voltage"};
    QTest::newRow("ORTX") << "ORTX"
                          << QStringList{"Over-Power",
                                         "DCCT Fault",
                                         "External Int. #4",
                                         "External Int. #3",
                                         "External Int. #2",
                                         "External Int. #1",
                                         "",
                                         "Regulation Fault",
                                         "Earth Fuse Blown",
                                         "Earth Leakage (A)",
                                         "DC-Link Fault",
                                         t,
                                         "",
                                         "",
                                         "Primary Over-Current",
                                         "Over-Voltage"};
    QTest::newRow("KORA-PS-1K5") << "KORA-PS-1K5"
                                 << QStringList{"Over-Power",
                                                "DCCT Fault",
                                                "External Int. #4",
                                                "External Int. #3",
                                                "External Int. #2",
                                                "External Int. #1",
                                                "",
                                                "Regulation Fault",
                                                "Earth Fuse Blown",
                                                "Earth Leakage (A)",
                                                "DC-Link Fault",
                                                t,
                                                "Quench Fault",
                                                "Crowbar",
                                                "Input Over-Current",
                                                "Over-Voltage"};
}

void FaultDialogTest::modelNamesLabelsPerFamily()
{
    QFETCH(QString, family);
    QFETCH(QStringList, texts);
    QCOMPARE(texts.size(), 16);

    FaultDialog dialog;
    dialog.setModel(record(family));
    for (int bit = 31; bit >= 16; --bit) {
        const QString expected = texts.at(31 - bit);
        QLabel* label = dialog.bitLabel(bit);
        if (expected.isEmpty()) {
            QVERIFY2(label->isHidden(), qPrintable(QStringLiteral("bit %1 should be hidden").arg(bit)));
            QCOMPARE(label->text(), QStringLiteral("bit %1").arg(bit)); // hidden labels keep their text
        } else {
            QVERIFY2(!label->isHidden(), qPrintable(QStringLiteral("bit %1 should be shown").arg(bit)));
            QCOMPARE(label->text(), expected);
        }
    }
}

void FaultDialogTest::interlockNamesComeFromMemoryCells()
{
    FaultDialog dialog;
    dialog.setModel(record("ORTX"));
    QCOMPARE(dialog.bitLabel(26)->text(), QStringLiteral("External Int. #1"));

    // Once the configuration window has read the names, the next report shows them.
    dialog.setModel(record("ORTX", {"Door", "", "Water", "Air"}));
    QCOMPARE(dialog.bitLabel(26)->text(), QStringLiteral("Door"));
    QCOMPARE(dialog.bitLabel(27)->text(), QStringLiteral("External Int. #2"));
    QCOMPARE(dialog.bitLabel(28)->text(), QStringLiteral("Water"));
    QCOMPARE(dialog.bitLabel(29)->text(), QStringLiteral("Air"));

    QCOMPARE(dialog.extInterlockName(QString(), "fallback"), QStringLiteral("fallback"));
    QCOMPARE(dialog.extInterlockName("name", "fallback"), QStringLiteral("name"));
}

void FaultDialogTest::unknownFamilyLeavesLabels()
{
    FaultDialog dialog;
    dialog.setModel(record("UNDEFINED"));
    for (int bit = 16; bit <= 31; ++bit) {
        QCOMPARE(dialog.bitLabel(bit)->text(), QStringLiteral("bit %1").arg(bit));
        QVERIFY(!dialog.bitLabel(bit)->isHidden());
    }

    dialog.setModel(record("KORA-PS"));
    dialog.setTemperature("30.0");
    // Repeating the same family rewrites nothing, so the reading stays.
    dialog.setModel(record("KORA-PS"));
    QCOMPARE(dialog.bitLabel(20)->text(), QString::fromUtf8("Temperature (30.0 °C)"));
    dialog.setModel(record("UNDEFINED"));
    QCOMPARE(dialog.bitLabel(20)->text(), QString::fromUtf8("Temperature (30.0 °C)"));
    QCOMPARE(dialog.bitLabel(19)->text(), QStringLiteral("DC fuse"));
}

void FaultDialogTest::familyChangeSwitchesVisibility()
{
    FaultDialog dialog;
    dialog.setModel(record("ORTX"));
    QVERIFY(!dialog.bitLabel(28)->isHidden());
    QVERIFY(!dialog.bitLabel(29)->isHidden());
    QVERIFY(dialog.bitLabel(18)->isHidden());
    QVERIFY(dialog.bitLabel(19)->isHidden());

    dialog.setModel(record("KORA-PS"));
    QVERIFY(dialog.bitLabel(28)->isHidden());
    QVERIFY(dialog.bitLabel(29)->isHidden());
    QVERIFY(!dialog.bitLabel(18)->isHidden());
    QVERIFY(!dialog.bitLabel(19)->isHidden());
    QCOMPARE(dialog.bitLabel(17)->text(), QStringLiteral("Input Over-Current"));
}

void FaultDialogTest::unparsableStatusKeepsIndicators()
{
    FaultDialog dialog;
    dialog.setStatusText(QStringLiteral("80000000"));
    const QString red = dialog.bitLabel(31)->styleSheet();
    const QString green = dialog.bitLabel(30)->styleSheet();
    QVERIFY(red != green);
    for (const QString& text : {QString(), QStringLiteral("nan"), QStringLiteral("ZZ")}) {
        dialog.setStatusText(text);
        QCOMPARE(dialog.bitLabel(31)->styleSheet(), red);
    }
    dialog.setStatusText(QStringLiteral("0"));
    QCOMPARE(dialog.bitLabel(31)->styleSheet(), green);
}

QTEST_MAIN(FaultDialogTest)
#include "tst_faultdialog.moc"
