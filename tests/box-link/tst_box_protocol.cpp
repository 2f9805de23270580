// Pure protocol pieces: reply classes, numbers, the status/error/stream
// words, the per-command reply decoders and the multi-line framing helpers.

#include "box_commands.h"
#include "box_protocol.h"
#include "dcct_data.h"

#include <QtTest>

#include <cmath>
#include <cstdlib>
#include <cstring>

class ReplyClassTest : public QObject
{
    Q_OBJECT

private slots:
    void classify_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("expected");
        QTest::newRow("ack") << "ACK" << 1;
        QTest::newRow("nak") << "NAK" << 2;
        QTest::newRow("ack with blanks") << " ACK " << 1;
        QTest::newRow("value") << "12.5" << 3;
        QTest::newRow("name SNAKE is a value") << "SNAKE" << 3;
        QTest::newRow("name RACK-1 is a value") << "RACK-1" << 3;
        QTest::newRow("ACKNOWLEDGED is a value") << "ACKNOWLEDGED" << 3;
        QTest::newRow("empty value") << "" << 3;
    }
    void classify()
    {
        QFETCH(QString, line);
        QFETCH(int, expected);
        QCOMPARE(classifyReply(line), expected);
    }

    void sendable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::newRow("plain") << "sentrel:name:BOX 1" << true;
        QTest::newRow("blank") << " " << true;
        QTest::newRow("carriage return") << "sentrel:name:A\rSD:RM:X" << false;
        QTest::newRow("line feed") << "sentrel:name:A\nB" << false;
        QTest::newRow("nul") << QString::fromLatin1("name:A\0B", 8) << false;
    }
    void sendable()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QCOMPARE(isSendable(text), ok);
    }

    void commandTableHas75Codes()
    {
        int n = 0;
        const BoxCommandInfo* t = boxCommands(&n);
        QCOMPARE(n, 75);
        for (int i = 1; i < n; ++i)
            QVERIFY(t[i - 1].code < t[i].code);
        QVERIFY(findBoxCommand(2) == nullptr);
        QCOMPARE(boxCommandText(*findBoxCommand(6), QStringLiteral("1000")), QStringLiteral("freq:1000"));
        QCOMPARE(boxCommandText(*findBoxCommand(80), QStringLiteral("x")), QStringLiteral("status:?"));
        QCOMPARE(findBoxCommand(97)->kind, BoxCommandKind::Set);
    }
};

class NumberTest : public QObject
{
    Q_OBJECT

private slots:
    void decimal_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << QByteArray("123456") << true << 123456.0;
        QTest::newRow("fraction") << QByteArray("12.345678") << true << 12.345678;
        QTest::newRow("negative") << QByteArray("-0.000123") << true << -0.000123;
        QTest::newRow("plus") << QByteArray("+5") << true << 5.0;
        QTest::newRow("leading dot") << QByteArray(".5") << true << 0.5;
        QTest::newRow("trailing dot") << QByteArray("5.") << true << 5.0;
        QTest::newRow("exponent") << QByteArray("1.5e-3") << true << 0.0015;
        QTest::newRow("exponent upper") << QByteArray("2E+2") << true << 200.0;
        QTest::newRow("many digits") << QByteArray("3.14159265358979323846264338") << true << 3.141592653589793;
        QTest::newRow("huge") << QByteArray("123456789012345678901234567890") << true << 1.2345678901234568e29;
        QTest::newRow("tiny") << QByteArray("1e-300") << true << 1e-300;
        QTest::newRow("empty") << QByteArray("") << false << 0.0;
        QTest::newRow("sign only") << QByteArray("-") << false << 0.0;
        QTest::newRow("dot only") << QByteArray(".") << false << 0.0;
        QTest::newRow("letters") << QByteArray("abc") << false << 0.0;
        QTest::newRow("trailing junk") << QByteArray("12.5x") << false << 0.0;
        QTest::newRow("two dots") << QByteArray("1.2.3") << false << 0.0;
        QTest::newRow("bad exponent") << QByteArray("1e") << false << 0.0;
        QTest::newRow("inf") << QByteArray("inf") << false << 0.0;
        QTest::newRow("nan") << QByteArray("nan") << false << 0.0;
        QTest::newRow("overflow") << QByteArray("1e400") << false << 0.0;
        QTest::newRow("comma") << QByteArray("12,5") << false << 0.0;
    }
    void decimal()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        double v = -1;
        QCOMPARE(parseBoxNumber(text.constData(), text.constData() + text.size(), &v), ok);
        if (ok)
            QCOMPARE(v, value);
    }

    // The fast path must give the same double as the library conversion.
    void decimalMatchesStrtod()
    {
        const char* samples[] = {"0.1",      "0.2",       "0.3",        "1.0000001",  "9007199254740993",
                                 "25.123456", "-273.15",  "0.000000001", "123.456e5", "4.9406564584124654e-324"};
        for (const char* s : samples) {
            double v;
            QVERIFY2(parseBoxNumber(s, s + std::strlen(s), &v), s);
            QCOMPARE(v, std::strtod(s, nullptr));
        }
    }

    void hex_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<quint64>("value");
        QTest::newRow("lower") << "1a0001" << true << quint64(0x1a0001);
        QTest::newRow("upper") << "3F" << true << quint64(0x3f);
        QTest::newRow("prefix") << "0x41" << true << quint64(0x41);
        QTest::newRow("padded") << "  c0 " << true << quint64(0xc0);
        QTest::newRow("not hex") << "XYZ" << false << quint64(0);
        QTest::newRow("empty") << "" << false << quint64(0);
        QTest::newRow("NAK") << "NAK" << false << quint64(0);
        QTest::newRow("too long") << "11112222333344445" << false << quint64(0);
    }
    void hex()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(quint64, value);
        quint64 v = 0;
        QCOMPARE(parseHexWord(text, &v), ok);
        if (ok)
            QCOMPARE(v, value);
    }
};

class StreamLineTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("layout");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("counter");
        QTest::addColumn<int>("flags");
        QTest::addColumn<double>("current");
        QTest::addColumn<double>("head");
        QTest::addColumn<double>("ext");
        QTest::addColumn<double>("adc");
        QTest::newRow("layout 0") << QByteArray("7 41 1.25") << 0 << true << 7.0 << 0x41 << 1.25 << 0.0 << 0.0 << 0.0;
        QTest::newRow("layout 1") << QByteArray("7 0 1.25 30.5") << 1 << true << 7.0 << 0 << 1.25 << 0.0 << 0.0 << 30.5;
        QTest::newRow("layout 3") << QByteArray("7 0 -2 21 30.5") << 3 << true << 7.0 << 0 << -2.0 << 0.0 << 21.0 << 30.5;
        QTest::newRow("layout 5") << QByteArray("7 0 2 25 30") << 5 << true << 7.0 << 0 << 2.0 << 25.0 << 0.0 << 30.0;
        QTest::newRow("layout 7") << QByteArray("9 ff 3 25 21 30") << 7 << true << 9.0 << 0xff << 3.0 << 25.0 << 21.0 << 30.0;
        QTest::newRow("leading line feed") << QByteArray("\n7 0 1") << 0 << true << 7.0 << 0 << 1.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("trailing blank") << QByteArray("7 0 1 ") << 0 << true << 7.0 << 0 << 1.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("extra field ignored") << QByteArray("7 0 1 99") << 0 << true << 7.0 << 0 << 1.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("flags keep low byte") << QByteArray("7 1c3 1") << 0 << true << 7.0 << 0xc3 << 1.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("empty") << QByteArray("") << 0 << false << 0.0 << 0 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("only line feed") << QByteArray("\n") << 0 << false << 0.0 << 0 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("too few fields") << QByteArray("7 0") << 0 << false << 0.0 << 0 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("missing temperature") << QByteArray("7 0 1 25") << 3 << false << 0.0 << 0 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("counter not a number") << QByteArray("x 0 1") << 0 << false << 0.0 << 0 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("current not a number") << QByteArray("7 0 abc") << 0 << false << 0.0 << 0 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("flags not hex") << QByteArray("7 zz 1") << 0 << false << 0.0 << 0 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("double blank") << QByteArray("7  0 1") << 0 << false << 0.0 << 0 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("layout above 7") << QByteArray("7 0 1 2 3 4 5") << 8 << false << 0.0 << 0 << 0.0 << 0.0 << 0.0 << 0.0;
    }
    void parse()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, layout);
        QFETCH(bool, ok);
        StreamSample s;
        QCOMPARE(parseStreamLine(line.constData(), line.constData() + line.size(), layout, &s), ok);
        if (!ok)
            return;
        QTEST(s.counter, "counter");
        QTEST(s.flags, "flags");
        QTEST(s.current, "current");
        QTEST(s.head_t, "head");
        QTEST(s.ext_t, "ext");
        QTEST(s.adc_t, "adc");
    }

    void sampleTimes_data()
    {
        QTest::addColumn<double>("counter");
        QTest::addColumn<QString>("freq");
        QTest::addColumn<double>("time");
        QTest::newRow("counter 1 is zero") << 1.0 << "1000" << 0.0;
        QTest::newRow("counter 2 at 1 kHz") << 2.0 << "1000" << 0.002;
        QTest::newRow("freq 0 counts as 1 Hz") << 5.0 << "0" << 5.0;
        QTest::newRow("empty freq") << 5.0 << "" << 5.0;
        QTest::newRow("freq not a number") << 5.0 << "NAK" << 5.0;
        QTest::newRow("negative freq") << 5.0 << "-10" << 5.0;
        QTest::newRow("fractional freq") << 5.0 << "2.5" << 2.0;
    }
    void sampleTimes()
    {
        QFETCH(double, counter);
        QFETCH(QString, freq);
        const double t = sampleTime(counter, sampleFrequency(freq));
        QVERIFY(std::isfinite(t));
        QTEST(t, "time");
    }
};

class WordDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    void statusAcquiringPrintingAdc()
    {
        Dcct_data d;
        QVERIFY(decodeStatusWord(QString::number((1u << 0) | (1u << 20) | (1u << 19), 16), &d));
        QVERIFY(d.acquiring);
        QVERIFY(d.printing);
        QCOMPARE(d.line_layout, 1);
        QVERIFY(!d.error);
    }

    void statusBits_data()
    {
        QTest::addColumn<int>("bit");
        QTest::addColumn<QString>("field");
        QTest::newRow("error") << 1 << "error";
        QTest::newRow("alarm") << 2 << "alarm_active";
        QTest::newRow("alarm over") << 3 << "alarm_over";
        QTest::newRow("sd") << 5 << "sd_mounted";
        QTest::newRow("cal") << 14 << "cal_on";
        QTest::newRow("password") << 15 << "password_set";
        QTest::newRow("dlog") << 16 << "mode_dlog";
        QTest::newRow("save") << 21 << "save_sd";
        QTest::newRow("alarm enabled") << 22 << "alarm_enabled";
        QTest::newRow("ready") << 25 << "ready";
    }
    void statusBits()
    {
        QFETCH(int, bit);
        QFETCH(QString, field);
        Dcct_data d;
        QVERIFY(decodeStatusWord(QString::number(1u << bit, 16), &d));
        const QMap<QString, bool> flags{{"error", d.error},         {"alarm_active", d.alarm_active},
                                        {"alarm_over", d.alarm_over}, {"sd_mounted", d.sd_mounted},
                                        {"cal_on", d.cal_on},       {"password_set", d.password_set},
                                        {"mode_dlog", d.mode_dlog}, {"save_sd", d.save_sd},
                                        {"alarm_enabled", d.alarm_enabled}, {"ready", d.ready}};
        for (auto it = flags.begin(); it != flags.end(); ++it)
            QCOMPARE(it.value(), it.key() == field);
    }

    void statusLayoutAndTrigger_data()
    {
        QTest::addColumn<quint32>("word");
        QTest::addColumn<int>("layout");
        QTest::addColumn<bool>("trigIn");
        QTest::addColumn<bool>("trigOut");
        QTest::newRow("none") << 0u << 0 << false << false;
        QTest::newRow("ext") << (1u << 17) << 2 << false << false;
        QTest::newRow("head") << (1u << 18) << 4 << false << false;
        QTest::newRow("ext+head") << (3u << 17) << 6 << false << false;
        QTest::newRow("adc") << (1u << 19) << 1 << false << false;
        QTest::newRow("ext+adc") << ((1u << 17) | (1u << 19)) << 3 << false << false;
        QTest::newRow("head+adc") << ((1u << 18) | (1u << 19)) << 5 << false << false;
        QTest::newRow("all") << (7u << 17) << 7 << false << false;
        QTest::newRow("trigger out") << (3u << 23) << 0 << false << true;
        QTest::newRow("trigger in") << (1u << 23) << 0 << true << false;
        QTest::newRow("bit 24 alone") << (1u << 24) << 0 << false << false;
    }
    void statusLayoutAndTrigger()
    {
        QFETCH(quint32, word);
        Dcct_data d;
        d.trigger_in = d.trigger_out = true;
        QVERIFY(decodeStatusWord(QString::number(word, 16), &d));
        QTEST(d.line_layout, "layout");
        QTEST(d.trigger_in, "trigIn");
        QTEST(d.trigger_out, "trigOut");
    }

    void nonHexStatusKeepsRecord_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::newRow("garbage") << "XYZ";
        QTest::newRow("empty") << "";
        QTest::newRow("NAK") << "NAK";
        QTest::newRow("half hex") << "1G";
    }
    void nonHexStatusKeepsRecord()
    {
        QFETCH(QString, reply);
        Dcct_data d;
        d.acquiring = true;
        d.printing = true;
        d.line_layout = 5;
        QVERIFY(!decodeStatusWord(reply, &d));
        QVERIFY(d.acquiring);
        QVERIFY(d.printing);
        QCOMPARE(d.line_layout, 5);
        d.err_sd = true;
        QVERIFY(!decodeErrorWord(reply, &d));
        QVERIFY(d.err_sd);
    }

    void errorWord_data()
    {
        QTest::addColumn<quint32>("word");
        QTest::addColumn<QString>("field");
        QTest::newRow("mount") << 0x1u << "err_sd_mount";
        QTest::newRow("sd bit 1") << 0x2u << "err_sd";
        QTest::newRow("sd bit 4") << 0x10u << "err_sd";
        QTest::newRow("full") << 0x20u << "err_sd_full";
        QTest::newRow("head fault") << 0x100u << "err_head_fault";
        QTest::newRow("overflow") << 0x10000u << "err_buffer_overflow";
        QTest::newRow("head match") << 0x20000u << "err_head_match";
    }
    void errorWord()
    {
        QFETCH(quint32, word);
        QFETCH(QString, field);
        Dcct_data d;
        QVERIFY(decodeErrorWord(QString::number(word, 16), &d));
        const QMap<QString, bool> flags{{"err_sd_mount", d.err_sd_mount},
                                        {"err_sd", d.err_sd},
                                        {"err_sd_full", d.err_sd_full},
                                        {"err_head_fault", d.err_head_fault},
                                        {"err_buffer_overflow", d.err_buffer_overflow},
                                        {"err_head_match", d.err_head_match}};
        for (auto it = flags.begin(); it != flags.end(); ++it)
            QCOMPARE(it.value(), it.key() == field);
    }

    void streamFlags()
    {
        Dcct_data d;
        d.alarm_over = true;
        decodeStreamFlags(0x41, &d);
        QVERIFY(d.error);
        QVERIFY(d.alarm_active);
        QVERIFY(!d.alarm_over);
        decodeStreamFlags(0xc0, &d);
        QVERIFY(!d.error);
        QVERIFY(d.alarm_active);
        QVERIFY(d.alarm_over);
        decodeStreamFlags(0x00, &d);
        QVERIFY(!d.alarm_active);
        QVERIFY(d.alarm_over); // left as it was
        decodeStreamFlags(0x1e, &d);
        QVERIFY(d.err_head_fault && d.err_buffer_overflow && d.err_sd_full && d.err_sd);
    }
};

class ReplyDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    void acqChannels_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("previous");
        QTest::addColumn<int>("layout");
        QTest::newRow("11") << "11" << 4 << 3;
        QTest::newRow("01") << "01" << 0 << 1;
        QTest::newRow("10") << "10" << 0 << 2;
        QTest::newRow("00") << "00" << 7 << 0;
        QTest::newRow("three digits head+adc") << "101" << 0 << 5;
        QTest::newRow("three digits head+ext") << "110" << 0 << 6;
        QTest::newRow("NAK keeps") << "NAK" << 6 << 6;
        QTest::newRow("empty keeps") << "" << 2 << 2;
    }
    void acqChannels()
    {
        QFETCH(QString, reply);
        QFETCH(int, previous);
        QTEST(decodeAcqChannels(reply, previous), "layout");
    }

    void boxTime_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QTime>("time");
        QTest::newRow("valid") << "14.05.09" << true << QTime(14, 5, 9);
        QTest::newRow("missing seconds") << "14.05" << false << QTime();
        QTest::newRow("not numbers") << "aa.bb.cc" << false << QTime();
        QTest::newRow("out of range") << "25.00.00" << false << QTime();
        QTest::newRow("NAK") << "NAK" << false << QTime();
    }
    void boxTime()
    {
        QFETCH(QString, reply);
        QFETCH(bool, ok);
        QFETCH(QTime, time);
        QTime t(1, 2, 3);
        QCOMPARE(decodeBoxTime(reply, &t), ok);
        QCOMPARE(t, ok ? time : QTime(1, 2, 3));
    }

    void boxDate_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QDate>("date");
        QTest::newRow("valid") << "11.04.2018" << true << QDate(2018, 4, 11);
        QTest::newRow("missing year") << "11.04" << false << QDate();
        QTest::newRow("invalid day") << "31.02.2018" << false << QDate();
        QTest::newRow("empty") << "" << false << QDate();
    }
    void boxDate()
    {
        QFETCH(QString, reply);
        QFETCH(bool, ok);
        QFETCH(QDate, date);
        QDate d(1978, 4, 11);
        QCOMPARE(decodeBoxDate(reply, &d), ok);
        QCOMPARE(d, ok ? date : QDate(1978, 4, 11));
    }

    void firmwareVersion_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("version");
        QTest::newRow("two colons") << "VER:1.4.2:2018" << "1.4.2";
        QTest::newRow("one colon") << "VER:1.4.2" << "1.4.2";
        QTest::newRow("no colon") << "1.4.2" << "1.4.2";
    }
    void firmwareVersion()
    {
        QFETCH(QString, reply);
        QTEST(decodeFirmwareVersion(reply), "version");
    }
};

class MultilineFramingTest : public QObject
{
    Q_OBJECT

private slots:
    void listingEntries()
    {
        QCOMPARE(sdListingEntries(QStringLiteral("LOG001.TXT\r\nmy file.txt\r\n\r\nBACKUP.TXT\r\n")),
                 QStringList({"LOG001.TXT", "my file.txt", "BACKUP.TXT"}));
        QCOMPARE(sdListingEntries(QStringLiteral("A\rB\nC")), QStringList({"A", "B", "C"}));
        // Blanks around a name belong to it; a line of blanks names nothing.
        QCOMPARE(sdListingEntries(QStringLiteral(" LEAD.TXT\r\n   \r\nTRAIL.TXT  \r\n")),
                 QStringList({" LEAD.TXT", "TRAIL.TXT  "}));
        QVERIFY(sdListingEntries(QString()).isEmpty());
    }

    void linesKeepTheirBreaks_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QByteArrayList({"a\r\n", "b\r\n"});
        QTest::newRow("lf") << QByteArray("a\nb") << QByteArrayList({"a\n", "b"});
        QTest::newRow("cr") << QByteArray("a\rb\r") << QByteArrayList({"a\r", "b\r"});
        QTest::newRow("blank lines") << QByteArray("\r\n\r\nx") << QByteArrayList({"\r\n", "\r\n", "x"});
        const QByteArray binary("\xb0\x00\xff\r\n", 5);
        QTest::newRow("bytes that are not text") << binary << QByteArrayList({binary});
        QTest::newRow("empty") << QByteArray() << QByteArrayList();
    }
    void linesKeepTheirBreaks()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArrayList, lines);
        QCOMPARE(splitKeepingLineBreaks(text), lines);
        QCOMPARE(splitKeepingLineBreaks(text).join(), text);
    }

    void ackLine_data()
    {
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<int>("body");
        QTest::addColumn<bool>("nak");
        QTest::newRow("bare ack") << QByteArray("ACK\r") << 0 << false;
        QTest::newRow("body then ack") << QByteArray("a\r\nb\r\nACK\r") << 6 << false;
        QTest::newRow("ack with lf") << QByteArray("a\nACK\n") << 2 << false;
        QTest::newRow("BACKUP is not the end") << QByteArray("BACKUP\r\nx\r\n") << -1 << false;
        QTest::newRow("ack inside a line") << QByteArray("PACK ACK\r\n") << -1 << false;
        QTest::newRow("incomplete ack") << QByteArray("a\r\nACK") << -1 << false;
        QTest::newRow("nak first") << QByteArray("NAK\r") << -1 << true;
        QTest::newRow("nak as a file line") << QByteArray("x\r\nNAK\r\n") << -1 << false;
    }
    void ackLine()
    {
        QFETCH(QByteArray, buffer);
        QFETCH(int, body);
        QFETCH(bool, nak);
        qsizetype scan = 0;
        bool sawNak = false;
        QCOMPARE(int(findAckLine(buffer, &scan, &sawNak)), body);
        QCOMPARE(sawNak, nak);
    }

    // Where a box that went quiet closed its body without a line "ACK".
    void trailingAck_data()
    {
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<int>("at");
        QTest::newRow("unterminated") << QByteArray("a\r\nACK") << 3;
        QTest::newRow("glued, CR") << QByteArray("a\r\nbACK\r") << 4;
        QTest::newRow("glued, CR LF") << QByteArray("a\r\nbACK\r\n") << 4;
        QTest::newRow("blank and NUL after") << QByteArray("bACK \0\r", 8) << 1;
        QTest::newRow("two line breaks after") << QByteArray("bACK\r\n\r\n") << -1;
        QTest::newRow("ACK inside the last line") << QByteArray("ACK=2\r\n") << -1;
        QTest::newRow("cut mid line") << QByteArray("a\r\nAC") << -1;
        QTest::newRow("empty") << QByteArray() << -1;
    }
    void trailingAck()
    {
        QFETCH(QByteArray, buffer);
        QTEST(int(findTrailingAck(buffer)), "at");
    }

    // The search resumes where it stopped, whatever the cut.
    void ackLineAcrossEveryCut()
    {
        const QByteArray all("line one\r\nBACKUP 2\r\n\r\nlast\r\nACK\r\n");
        for (int cut = 0; cut <= all.size(); ++cut) {
            QByteArray buf = all.left(cut);
            qsizetype scan = 0;
            bool nak = false;
            qsizetype found = findAckLine(buf, &scan, &nak);
            if (found < 0) {
                buf += all.mid(cut);
                found = findAckLine(buf, &scan, &nak);
            }
            QCOMPARE(int(found), all.indexOf("ACK\r"));
        }
    }
};

class RecordTest : public QObject
{
    Q_OBJECT

private slots:
    void defaults()
    {
        Dcct_data d;
        QCOMPARE(d.name, QStringLiteral("-"));
        QCOMPARE(d.freq, QStringLiteral("0"));
        QCOMPARE(d.pturns, QStringLiteral("1"));
        QCOMPARE(d.date, QDate(1978, 4, 11));
        QCOMPARE(d.time, QTime(0, 0, 0, 0));
        QCOMPARE(d.line_layout, 0);
        QVERIFY(!d.acquiring && !d.ready && !d.error && !d.buf_select && !d.file_read_ok);
    }

    void resetEmptiesSeriesAndKeepsCopies()
    {
        Dcct_data d;
        d.time_a = {1, 2};
        d.current_b = {3};
        d.buf_select = true;
        d.name = QStringLiteral("BOX");
        const Dcct_data copy = d;
        d.reset();
        QVERIFY(d.time_a.isEmpty() && d.current_b.isEmpty());
        QVERIFY(!d.buf_select);
        QCOMPARE(copy.name, QStringLiteral("BOX"));
        QCOMPARE(copy.time_a.size(), 2);
    }

    void travelsThroughQueuedSignals()
    {
        registerDcctDataMetaType();
        QVERIFY(QMetaType::type("Dcct_data") != QMetaType::UnknownType);
        Dcct_data d;
        d.name = QStringLiteral("X");
        const QVariant v = QVariant::fromValue(d);
        QCOMPARE(v.value<Dcct_data>().name, QStringLiteral("X"));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        ReplyClassTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        NumberTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        StreamLineTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        WordDecoderTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        ReplyDecoderTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        MultilineFramingTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        RecordTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_box_protocol.moc"
