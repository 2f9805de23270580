#include "configfile.h"
#include "configprompts.h"
#include "configrules.h"
#include "memoryfile.h"
#include "memorymap.h"
#include "pidconfig.h"
#include "ps_data.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTextCodec>
#include <QtTest>

using ConfigRules::CellWrite;
using MemoryMap::Table;

Q_DECLARE_METATYPE(MemoryMap::Table)

class ConfigRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        boxes.clear();
        ConfigPrompts::setBoxHook([this](QWidget*, ConfigPrompts::BoxKind, const QString& title,
                                         const QString& text) { boxes << title + QLatin1Char('|') + text; });
    }
    void cleanup() { ConfigPrompts::setBoxHook({}); }

    void memoryMapLevels_data();
    void memoryMapLevels();
    void memoryMapRules();
    void writeBackPlanSendsChangedWritableRows();
    void writeBackResultsSplitRefusedAndUnanswered();
    void interlockBitsKeepHiddenOnes_data();
    void interlockBitsKeepHiddenOnes();
    void defaultPidLimits();
    void wireSafetyAndNumbers();
    void saveButtonRule();
    void pidConfigReadChecksEveryKey();
    void pidConfigWriteRefusesNonNumbers();
    void memoryFileRoundTripKeepsColons();
    void memoryFileSkipsAndCountsBadRows();
    void memoryFileEncodings();
    void configFileList();

private:
    QStringList boxes;
};

void ConfigRulesTest::memoryMapLevels_data()
{
    QTest::addColumn<Table>("table");
    QTest::addColumn<int>("level2");
    QTest::addColumn<int>("level1");
    QTest::addColumn<int>("level0");
    QTest::newRow("KORA-PS") << Table::KoraPs << 25 << 15 << 24;
    QTest::newRow("ORTX") << Table::Ortx << 33 << 21 << 24;
    QTest::newRow("KORA-PS-1K5") << Table::KoraPs1K5 << 29 << 25 << 24;
}

void ConfigRulesTest::memoryMapLevels()
{
    QFETCH(Table, table);
    QFETCH(int, level2);
    QFETCH(int, level1);
    QFETCH(int, level0);
    int counts[3] = {0, 0, 0};
    const QStringList fields = MemoryMap::fieldTexts(table);
    QCOMPARE(fields.size(), 131);
    for (const QString& field : fields) {
        const int level = MemoryMap::writeLevel(field);
        if (level != MemoryMap::ReservedRow)
            ++counts[level];
    }
    QCOMPARE(counts[2], level2);
    QCOMPARE(counts[1], level1);
    QCOMPARE(counts[0], level0);
    QVERIFY(MemoryMap::isReserved(fields.at(113)));
    for (int cell : {30, 31, 32, 35, 40, 49, 60, 69})
        QCOMPARE(MemoryMap::writeLevel(fields.at(cell)), 0);
}

void ConfigRulesTest::memoryMapRules()
{
    QCOMPARE(MemoryMap::tableOf(QStringLiteral("ORTX")), Table::Ortx);
    QCOMPARE(MemoryMap::tableOf(QStringLiteral("KORA-PS-1K5")), Table::KoraPs1K5);
    for (const char* other : {"KORA-PS", "KORA-PS-M", "UNDEFINED", "", "ORTX ", "ortx"})
        QCOMPARE(MemoryMap::tableOf(QLatin1String(other)), Table::KoraPs);

    // Misspellings are the supplies' own.
    QCOMPARE(MemoryMap::fieldText(Table::Ortx, 0), QStringLiteral("Firwmare ID (**)"));
    QVERIFY(MemoryMap::fieldText(Table::KoraPs1K5, 70).contains(QLatin1String("signle")));
    QVERIFY(MemoryMap::fieldText(Table::KoraPs1K5, 102).startsWith(QLatin1String("Intervnetion")));
    QVERIFY(MemoryMap::fieldText(Table::Ortx, 26).startsWith(QLatin1String("Primary Current 1")));
    QVERIFY(MemoryMap::fieldText(Table::KoraPs1K5, 26).startsWith(QLatin1String("AUX Input 1")));

    // "(**)" does not contain "(*)": row 50 is admin, row 70 superadmin.
    const QString row50 = MemoryMap::fieldText(Table::KoraPs, 50);
    const QString row70 = MemoryMap::fieldText(Table::KoraPs, 70);
    QVERIFY(MemoryMap::isWritable(row50, 1));
    QVERIFY(!MemoryMap::isWritable(row70, 1));
    QVERIFY(MemoryMap::isWritable(row70, 2));
    QVERIFY(!MemoryMap::isWritable(row50, 0));
    QVERIFY(!MemoryMap::isWritable(QStringLiteral("reserved"), 2));

    QCOMPARE(MemoryMap::privilegeLevel(QStringLiteral("SUPERADMIN")), 2);
    QCOMPARE(MemoryMap::privilegeLevel(QStringLiteral("ADMIN")), 1);
    for (const char* other : {"USER", "", "admin", " ADMIN", "SUPERADMIN "})
        QCOMPARE(MemoryMap::privilegeLevel(QLatin1String(other)), 0);
}

void ConfigRulesTest::writeBackPlanSendsChangedWritableRows()
{
    const QStringList fields = MemoryMap::fieldTexts(Table::KoraPs);
    QStringList memory;
    for (int i = 0; i < 200; ++i)
        memory << QStringLiteral("0");
    QStringList values = memory.mid(0, 131);
    values[10] = QStringLiteral("1.5");   // (**)
    values[42] = QStringLiteral("7");     // unmarked
    values[82] = QStringLiteral("60");    // (*)
    values[20] = QStringLiteral("9");     // reserved on KORA-PS
    values[30] = QString();               // cleared: never sent
    values[31] = QStringLiteral("0");     // unchanged
    values[32] = QStringLiteral("abc");   // sent as typed

    QCOMPARE(ConfigRules::writeBackPlan(fields, values, memory, 2),
             (QList<CellWrite>{{10, "1.5"}, {32, "abc"}, {42, "7"}, {82, "60"}}));
    QCOMPARE(ConfigRules::writeBackPlan(fields, values, memory, 1),
             (QList<CellWrite>{{32, "abc"}, {42, "7"}, {82, "60"}}));
    QCOMPARE(ConfigRules::writeBackPlan(fields, values, memory, 0), (QList<CellWrite>{{32, "abc"}, {42, "7"}}));
}

void ConfigRulesTest::writeBackResultsSplitRefusedAndUnanswered()
{
    const QList<CellWrite> sent = {{30, "a"}, {32, "b"}, {42, "c"}, {43, "d"}, {44, "e"}};
    ps_data after; // 43: a reply that is no refusal; 44 not written
    for (const auto& [cell, result] : {std::pair{30, ps_data::unanswered}, {32, 2}, {42, 0}, {43, -1}})
        after.memory_write_result[cell] = result;
    const ConfigRules::WriteBackResults results = ConfigRules::writeBackResults(sent, after);
    QCOMPARE(results.refused, (QList<CellWrite>{{32, "b"}, {43, "d"}}));
    QCOMPARE(results.unanswered, (QList<CellWrite>{{30, "a"}, {44, "e"}}));
}

void ConfigRulesTest::interlockBitsKeepHiddenOnes_data()
{
    QTest::addColumn<QString>("old");
    QTest::addColumn<QList<bool>>("checked");
    QTest::addColumn<QString>("written");
    QTest::newRow("two, first on") << "0" << QList<bool>{true, false} << "1";
    QTest::newRow("two, both on") << "0" << QList<bool>{true, true} << "3";
    QTest::newRow("four, 1 and 4") << "0" << QList<bool>{true, false, false, true} << "9";
    QTest::newRow("four, 2 3 4") << "0" << QList<bool>{false, true, true, true} << "e";
    QTest::newRow("four, none") << "F" << QList<bool>{false, false, false, false} << "0";
    QTest::newRow("four unchanged A") << "A" << QList<bool>{false, true, false, true} << "a";
    // Interlocks 3 and 4 are hidden on a two-interlock page: their bits stay.
    QTest::newRow("two keeps hidden bits") << "A" << QList<bool>{false, true} << "a";
    QTest::newRow("two clears shown only") << "F" << QList<bool>{false, false} << "c";
    QTest::newRow("not a number") << "xyz" << QList<bool>{true, false} << "1";
}

void ConfigRulesTest::interlockBitsKeepHiddenOnes()
{
    QFETCH(QString, old);
    QFETCH(QList<bool>, checked);
    QFETCH(QString, written);
    QCOMPARE(ConfigRules::encodeInterlockBits(old, checked), written);
    QCOMPARE(ConfigRules::decodeInterlockBits(written, checked.size()), checked);
}

void ConfigRulesTest::defaultPidLimits()
{
    auto limits = ConfigRules::defaultPidLimits({"0", "100", "-50", "50"}, 2);
    QVERIFY(limits);
    QCOMPARE(limits->vMin, QStringLiteral("0"));
    QCOMPARE(limits->vMax, QStringLiteral("100"));
    QCOMPARE(limits->iMin, QStringLiteral("-25"));
    QCOMPARE(limits->iMax, QStringLiteral("25"));
    QCOMPARE(ConfigRules::defaultPidLimits({"0", "0", "0", "100"}, 3)->iMax, QStringLiteral("33.3333"));
    QCOMPARE(ConfigRules::defaultPidLimits({"0", "1234567", "", "abc"}, 1)->vMax, QStringLiteral("1.23457e+06"));
    QCOMPARE(ConfigRules::defaultPidLimits({"0", "1", "", "abc"}, 1)->iMax, QStringLiteral("0"));
    QVERIFY(!ConfigRules::defaultPidLimits({"0", "1", "2", "3"}, 0));
    QVERIFY(!ConfigRules::defaultPidLimits({"0", "1", "2", "3"}, -1));
}

void ConfigRulesTest::wireSafetyAndNumbers()
{
    QVERIFY(ConfigRules::isSafeForWire(QStringLiteral("00:1A:2B name with blanks")));
    QVERIFY(ConfigRules::isSafeForWire(QString::fromUtf8("25 \u00b0C")));
    QVERIFY(!ConfigRules::isSafeForWire(QStringLiteral("a\rb")));
    QVERIFY(!ConfigRules::isSafeForWire(QStringLiteral("a\nb")));
    QVERIFY(!ConfigRules::isSafeForWire(QString(QChar(0))));
    QVERIFY(!ConfigRules::isSafeForWire(QString::fromUtf8("5 \u2126")));

    for (const char* number : {"1", "-2.5", "1e3", "0.000012"})
        QVERIFY2(ConfigRules::isNumber(QLatin1String(number)), number);
    for (const char* text : {"", " 1", "abc", "1,5", "nan", "inf"})
        QVERIFY2(!ConfigRules::isNumber(QLatin1String(text)), text);
}

void ConfigRulesTest::saveButtonRule()
{
    auto s = ConfigRules::saveButtons(false, false, false);
    QVERIFY(s.memory && s.pid && s.pages);
    s = ConfigRules::saveButtons(true, false, false);
    QVERIFY(!s.memory && !s.pid && !s.pages);
    s = ConfigRules::saveButtons(false, true, false);
    QVERIFY(!s.memory && s.pid && s.pages);
    s = ConfigRules::saveButtons(false, false, true);
    QVERIFY(s.memory && !s.pid && s.pages);
}

void ConfigRulesTest::pidConfigReadChecksEveryKey()
{
    QJsonObject json;
    for (int i = 0; i < PIDConfig::KeyCount; ++i)
        json[PIDConfig::keys().at(i)] = i % 3;
    json[QStringLiteral("PIDI_Kp_v")] = 1234567;
    json[QStringLiteral("PIDI_Ki_v")] = 0.000012345678;
    json[QStringLiteral("extra")] = QStringLiteral("ignored");

    PIDConfig config;
    QVERIFY(config.read(json, false));
    QVERIFY(config.value(0).isEmpty()); // a pure check
    QVERIFY(config.read(json, true));
    QCOMPARE(config.value(0), QStringLiteral("1.23457e+06"));
    QCOMPARE(config.value(1), QStringLiteral("1.23457e-05"));
    QCOMPARE(config.value(2), QStringLiteral("2"));
    QVERIFY(boxes.isEmpty());

    json[QStringLiteral("PIDI_Kd_v")] = QStringLiteral("3");
    json[QStringLiteral("PIDV_V_min")] = QStringLiteral("3");
    QVERIFY(!config.read(json, true));
    QCOMPARE(boxes, QStringList{QStringLiteral("JSON error|PIDI_Kd_v should be a number.")});

    boxes.clear();
    QVERIFY(!PIDConfig().read(QJsonObject(), false));
    QCOMPARE(boxes, QStringList{QStringLiteral("JSON error|PIDI_Kp_v should be a number.")});
}

void ConfigRulesTest::pidConfigWriteRefusesNonNumbers()
{
    QStringList texts;
    for (int i = 0; i < PIDConfig::KeyCount; ++i)
        texts << QString::number(i + 0.5);
    QJsonObject json;
    QVERIFY(PIDConfig(texts).write(json));
    QCOMPARE(json.size(), PIDConfig::KeyCount);
    PIDConfig back;
    QVERIFY(back.read(json, true));
    QCOMPARE(back.texts(), texts);

    texts[3] = QStringLiteral("abc");
    QJsonObject refused;
    QString badKey;
    QVERIFY(!PIDConfig(texts).write(refused, &badKey));
    QCOMPARE(badKey, QStringLiteral("PIDI_Kp_i"));
    QVERIFY(refused.isEmpty());
    texts[3] = QString();
    QVERIFY(!PIDConfig(texts).write(refused, &badKey));
}

void ConfigRulesTest::memoryFileRoundTripKeepsColons()
{
    QStringList values;
    for (int i = 0; i < 131; ++i)
        values << QString();
    values[3] = QStringLiteral("00:1A:2B:3C:4D:5E");
    values[30] = QString::fromUtf8("Magnet \u00b0 \u2126");
    const QByteArray bytes = MemoryFile::format(values);
    QVERIFY(bytes.startsWith("0:\n1:\n2:\n3:00:1A:2B:3C:4D:5E\n"));
    QVERIFY(bytes.endsWith("130:\n"));
    QCOMPARE(bytes.count('\n'), 131);

    const MemoryFile::Parsed parsed = MemoryFile::parse(bytes, 131);
    QCOMPARE(parsed.ignored, 0);
    QCOMPARE(parsed.values.size(), 2); // empty values change nothing
    QCOMPARE(parsed.values.value(3), values[3]);
    QCOMPARE(parsed.values.value(30), values[30]);
}

void ConfigRulesTest::memoryFileSkipsAndCountsBadRows()
{
    const QByteArray bytes = "7:abc\r\n7:def\nx:5\n:5\n-1:5\n131:5\n+4:5\n 4:5\n99999999999:5\n12\n12:\n\n4:ok\n";
    const MemoryFile::Parsed parsed = MemoryFile::parse(bytes, 131);
    QCOMPARE(parsed.values.size(), 2);
    QCOMPARE(parsed.values.value(7), QStringLiteral("def")); // a later line wins
    QCOMPARE(parsed.values.value(4), QStringLiteral("ok"));
    QVERIFY(!parsed.values.contains(0)); // nothing lands in row 0
    QCOMPARE(parsed.ignored, 7);
}

void ConfigRulesTest::memoryFileEncodings()
{
    const QString text = QString::fromUtf8("30:Caf\u00e9 \u2126\n");
    QCOMPARE(MemoryFile::parse("\xEF\xBB\xBF" + text.toUtf8(), 131).values.value(30), text.mid(3, 6));
    QCOMPARE(MemoryFile::parse("\xEF\xBB\xBF" "31:TAIL", 131).values.value(31), QStringLiteral("TAIL"));
    QByteArray utf16 = QTextCodec::codecForName("UTF-16LE")->fromUnicode(text);
    utf16.prepend("\xFF\xFE");
    QCOMPARE(MemoryFile::parse(utf16, 131).values.value(30), text.mid(3, 6));
    // Bytes that are not UTF-8 are Latin-1.
    QCOMPARE(MemoryFile::parse("30:Caf\xE9\n", 131).values.value(30), QString::fromUtf8("Caf\u00e9"));

    // A NUL ends neither a value nor the file, whatever the encoding: the
    // value keeps it (a Save to the supply then refuses that row by name).
    const QByteArray withNul("30:ID-\xe9\n2:SN\0X\n9:2020-01-01\n31:TAIL\n", 36);
    for (const QByteArray& bytes : {withNul, "\xEF\xBB\xBF" + withNul, QString::fromLatin1(withNul.constData(), withNul.size()).toUtf8()}) {
        const MemoryFile::Parsed parsed = MemoryFile::parse(bytes, 131);
        QCOMPARE(parsed.ignored, 0);
        QCOMPARE(parsed.values.value(2), QString::fromLatin1("SN\0X", 4));
        QCOMPARE(parsed.values.value(9), QStringLiteral("2020-01-01"));
        QCOMPARE(parsed.values.value(31), QStringLiteral("TAIL"));
        QCOMPARE(parsed.values.value(30).left(3), QStringLiteral("ID-"));
    }
}

void ConfigRulesTest::configFileList()
{
    const QStringList paths = {QStringLiteral("/data/pids/cc.json"), QString::fromUtf8("/d/\u00e9t\u00e9.json"),
                               QStringLiteral(" ")};
    const QByteArray bytes = ConfigFile::format(paths);
    QCOMPARE(ConfigFile::parse(bytes), paths);
    QCOMPARE(ConfigFile::parse("a.json\r\n\r\nb.json\n\nc"), (QStringList{"a.json", "b.json", "c"}));
    // A line with a NUL is no path; the lines after it still are.
    QCOMPARE(ConfigFile::parse(QByteArray("a.json\nb\0x\nc.json\n", 18)), (QStringList{"a.json", "c.json"}));
    QVERIFY(ConfigFile::parse("").isEmpty());

    QTemporaryDir writable;
    QCOMPARE(ConfigFile::location(writable.path(), QStringLiteral("/user/data")),
             writable.path() + QStringLiteral("/Amperix.config"));
    QCOMPARE(ConfigFile::location(QStringLiteral("/no/such/folder"), QStringLiteral("/user/data")),
             QStringLiteral("/user/data/Amperix.config"));
}

QTEST_MAIN(ConfigRulesTest)
#include "tst_configrules.moc"
