// Acquisition stream: splitting bytes into lines across reads, dropping bad
// lines whole, the buffer cap, and the record's double buffer.

#include "command.h"
#include "dcct_thread.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>

namespace {

QByteArray layout7Lines(int first, int count)
{
    QByteArray out;
    for (int i = first; i < first + count; ++i)
        out += QByteArray::number(i) + ' ' + QByteArray::number(i % 3 ? 0 : 0x41, 16) + ' ' +
               QByteArray::number(i * 0.5) + ' ' + QByteArray::number(20 + i) + ' ' +
               QByteArray::number(30 + i) + ' ' + QByteArray::number(40 + i) + "\r\n";
    return out;
}

} // namespace

class StreamSplitTest : public QObject
{
    Q_OBJECT

private slots:
    // The same text must decode the same whatever the read boundaries.
    void everySegmentation_data()
    {
        QTest::addColumn<int>("chunk");
        for (int c : {1, 2, 3, 5, 7, 13, 64, 1000})
            QTest::newRow(qPrintable(QStringLiteral("chunks of %1").arg(c))) << c;
    }
    void everySegmentation()
    {
        QFETCH(int, chunk);
        const QByteArray text = layout7Lines(1, 40);
        Command cmd(nullptr, nullptr, nullptr, true);
        cmd.line_layout = 7;
        for (int i = 0; i < text.size(); i += chunk) {
            const QByteArray part = text.mid(i, chunk);
            cmd.feed_stream(part.constData(), part.size());
        }
        QCOMPARE(cmd.stream_counter.size(), 40);
        QCOMPARE(cmd.stream_head_t.size(), 40);
        QCOMPARE(cmd.stream_ext_t.size(), 40);
        QCOMPARE(cmd.stream_adc_t.size(), 40);
        for (int i = 0; i < 40; ++i) {
            QCOMPARE(cmd.stream_counter[i], double(i + 1));
            QCOMPARE(cmd.stream_current[i], (i + 1) * 0.5);
            QCOMPARE(cmd.stream_head_t[i], double(21 + i));
            QCOMPARE(cmd.stream_adc_t[i], double(41 + i));
        }
        QCOMPARE(cmd.stream_lines_dropped, qint64(0));
    }

    void everyTwoPartCut()
    {
        const QByteArray text = layout7Lines(1, 3);
        for (int cut = 0; cut <= text.size(); ++cut) {
            Command cmd(nullptr, nullptr, nullptr, true);
            cmd.line_layout = 7;
            cmd.feed_stream(text.constData(), cut);
            cmd.feed_stream(text.constData() + cut, text.size() - cut);
            QCOMPARE(cmd.stream_counter, QVector<double>({1, 2, 3}));
            QCOMPARE(cmd.stream_lines_dropped, qint64(0));
        }
    }

    // A line cut across reads is completed by the next read, not taken as
    // a short line of its own.
    void cutLineIsKeptForTheNextRead()
    {
        Command cmd(nullptr, nullptr, nullptr, true);
        const QByteArray first("1 0 1.5\r2 0 2.");
        QVERIFY(cmd.feed_stream(first.constData(), first.size()));
        QCOMPARE(cmd.stream_current, QVector<double>({1.5}));
        QCOMPARE(cmd.stream_buffer, QByteArray("2 0 2."));
        const QByteArray second("5\r");
        QVERIFY(cmd.feed_stream(second.constData(), second.size()));
        QCOMPARE(cmd.stream_current, QVector<double>({1.5, 2.5}));
        QCOMPARE(cmd.stream_counter, QVector<double>({1, 2}));
    }

    void textWithoutCarriageReturnStaysBuffered()
    {
        Command cmd(nullptr, nullptr, nullptr, true);
        const QByteArray part("12 0 3");
        QVERIFY(!cmd.feed_stream(part.constData(), part.size()));
        QCOMPARE(cmd.stream_buffer, part);
        QVERIFY(cmd.stream_counter.isEmpty());
    }

    void layoutThreeFieldsGoToExtAndAdc()
    {
        Command cmd(nullptr, nullptr, nullptr, true);
        cmd.line_layout = 3;
        const QByteArray line("5 0 1.25 21.5 30.25\r");
        cmd.feed_stream(line.constData(), line.size());
        QCOMPARE(cmd.stream_counter, QVector<double>({5}));
        QCOMPARE(cmd.stream_flags, 0);
        QCOMPARE(cmd.stream_current, QVector<double>({1.25}));
        QCOMPARE(cmd.stream_ext_t, QVector<double>({21.5}));
        QCOMPARE(cmd.stream_adc_t, QVector<double>({30.25}));
        QVERIFY(cmd.stream_head_t.isEmpty());
    }

    // A bad line adds nothing anywhere, so the lists stay parallel; the
    // flags are those of the last good line.
    void badLinesAreDroppedWhole_data()
    {
        QTest::addColumn<QByteArray>("bad");
        QTest::newRow("too few fields") << QByteArray("2 80 1.0");
        QTest::newRow("counter not a number") << QByteArray("x 80 1.0 20 30");
        QTest::newRow("current not a number") << QByteArray("2 80 --- 20 30");
        QTest::newRow("temperature not a number") << QByteArray("2 80 1.0 20 hot");
        QTest::newRow("flags not hex") << QByteArray("2 qq 1.0 20 30");
        QTest::newRow("garbage") << QByteArray("\x01\x02\xff garbage");
    }
    void badLinesAreDroppedWhole()
    {
        QFETCH(QByteArray, bad);
        Command cmd(nullptr, nullptr, nullptr, true);
        cmd.line_layout = 3;
        const QByteArray text = "1 41 0.5 20 30\r" + bad + "\r\r3 41 1.5 22 32\r";
        cmd.feed_stream(text.constData(), text.size());
        QCOMPARE(cmd.stream_counter, QVector<double>({1, 3}));
        QCOMPARE(cmd.stream_current, QVector<double>({0.5, 1.5}));
        QCOMPARE(cmd.stream_ext_t, QVector<double>({20, 22}));
        QCOMPARE(cmd.stream_adc_t, QVector<double>({30, 32}));
        QCOMPARE(cmd.stream_flags, 0x41);
        QCOMPARE(cmd.stream_lines_dropped, qint64(1)); // the empty line is not counted
    }

    void flagsStayUnsetWhenNoLineIsValid()
    {
        Command cmd(nullptr, nullptr, nullptr, true);
        const QByteArray text("junk\r\r");
        QVERIFY(cmd.feed_stream(text.constData(), text.size()));
        QCOMPARE(cmd.stream_flags, -1);
        QVERIFY(cmd.stream_counter.isEmpty());
    }

    void overlongLineIsDiscardedUpToTheNextCarriageReturn()
    {
        Command cmd(nullptr, nullptr, nullptr, true);
        const QByteArray good("1 0 1\r");
        cmd.feed_stream(good.constData(), good.size());
        const QByteArray flood(40 * 1024, '7');
        cmd.feed_stream(flood.constData(), flood.size());
        cmd.feed_stream(flood.constData(), flood.size()); // past the cap
        QVERIFY(cmd.stream_buffer.size() <= Command::stream_buffer_cap);
        cmd.feed_stream(flood.constData(), flood.size());
        QVERIFY(cmd.stream_buffer.isEmpty());
        const QByteArray tail("777 0 5\r2 0 2\r");
        cmd.feed_stream(tail.constData(), tail.size());
        // The tail of the flood is not taken as a line; the next line is.
        QCOMPARE(cmd.stream_counter, QVector<double>({1, 2}));
        QVERIFY(cmd.stream_bytes_discarded >= 3 * 40 * 1024);
    }

    // A partial line of exactly the cap is kept for its end; one byte more is not.
    void partialLineUpToTheCap_data()
    {
        QTest::addColumn<int>("first");  // bytes of the partial line in the first read
        QTest::addColumn<int>("second"); // and in the second
        QTest::addColumn<bool>("kept");
        const int cap = int(Command::stream_buffer_cap);
        QTest::newRow("cap in one read") << cap << 0 << true;
        QTest::newRow("cap over two reads") << 10 << cap - 10 << true;
        QTest::newRow("one more in one read") << cap + 1 << 0 << false;
        QTest::newRow("one more over two reads") << 10 << cap - 9 << false;
    }
    void partialLineUpToTheCap()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(bool, kept);
        Command cmd(nullptr, nullptr, nullptr, true);
        const QByteArray a(first, '7');
        const QByteArray b(second, '7');
        cmd.feed_stream(a.constData(), a.size());
        cmd.feed_stream(b.constData(), b.size());
        QCOMPARE(cmd.stream_buffer.size(), kept ? first + second : 0);
    }

    void resetDropsPartialLine()
    {
        Command cmd(nullptr, nullptr, nullptr, true);
        const QByteArray part("1 0 1\r2 0");
        cmd.feed_stream(part.constData(), part.size());
        cmd.reset_stream();
        QVERIFY(cmd.stream_buffer.isEmpty());
        QVERIFY(cmd.stream_counter.isEmpty());
        QCOMPARE(cmd.stream_flags, -1);
    }
};

class DoubleBufferTest : public QObject
{
    Q_OBJECT

    struct Rig {
        Dcct_thread thread{true, QStringLiteral("127.0.0.1"), 80, QString()};
        Command cmd{nullptr, nullptr, nullptr, true};
        QSignalSpy dataSpy{&thread, &Dcct_thread::data_updated};
        QSignalSpy statusSpy{&thread, &Dcct_thread::status_updated};
        Rig(int layout, const QString& freq)
        {
            thread.command = &cmd;
            thread.data.line_layout = layout;
            thread.data.freq = freq;
            cmd.line_layout = layout;
        }
        ~Rig() { thread.command = nullptr; }
        void feed(const QByteArray& bytes)
        {
            if (cmd.feed_stream(bytes.constData(), bytes.size()))
                thread.acquire_current();
        }
    };

    static QByteArray lines(int first, int count)
    {
        QByteArray out;
        for (int i = first; i < first + count; ++i)
            out += QByteArray::number(i) + " 0 " + QByteArray::number(i * 10) + "\r";
        return out;
    }

private slots:
    void sixLinesInOneReadOrSix_data()
    {
        QTest::addColumn<bool>("oneRead");
        QTest::newRow("one line per read") << false;
        QTest::newRow("one read") << true;
    }
    void sixLinesInOneReadOrSix()
    {
        QFETCH(bool, oneRead);
        Rig rig(0, QStringLiteral("1000"));
        if (oneRead) {
            rig.feed(lines(1, 6));
        } else {
            for (int i = 1; i <= 6; ++i)
                rig.feed(lines(i, 1));
        }
        QCOMPARE(rig.dataSpy.count(), 1);
        QCOMPARE(rig.statusSpy.count(), 1);
        const Dcct_data block = rig.dataSpy.at(0).at(0).value<Dcct_data>();
        QVERIFY(block.buf_select); // receiver reads half A
        QCOMPARE(block.current_a, QVector<double>({10, 20, 30, 40, 50}));
        QCOMPARE(block.time_a, QVector<double>({0, 0.002, 0.003, 0.004, 0.005}));
        const Dcct_data& d = rig.thread.data;
        QVERIFY(d.buf_select);
        QCOMPARE(d.current_b, QVector<double>({60}));
        QCOMPARE(d.current, 60.0);
        QCOMPARE(d.current_a.size(), 5); // the complete half stays for the next switch
        QVERIFY(rig.cmd.stream_counter.isEmpty());
    }

    void blocksAlternateHalves()
    {
        Rig rig(0, QStringLiteral("10"));
        rig.feed(lines(1, 16));
        QCOMPARE(rig.dataSpy.count(), 3);
        const Dcct_data second = rig.dataSpy.at(1).at(0).value<Dcct_data>();
        QVERIFY(!second.buf_select);
        QCOMPARE(second.current_b, QVector<double>({60, 70, 80, 90, 100}));
        const Dcct_data third = rig.dataSpy.at(2).at(0).value<Dcct_data>();
        QCOMPARE(third.current_a, QVector<double>({110, 120, 130, 140, 150}));
        QCOMPARE(rig.thread.data.current_b, QVector<double>({160}));
    }

    void zeroFrequencyGivesFiniteTimes_data()
    {
        QTest::addColumn<QString>("freq");
        QTest::newRow("zero") << "0";
        QTest::newRow("empty") << "";
        QTest::newRow("not a number") << "NAK";
    }
    void zeroFrequencyGivesFiniteTimes()
    {
        QFETCH(QString, freq);
        Rig rig(0, freq);
        rig.feed(lines(1, 6));
        const Dcct_data block = rig.dataSpy.at(0).at(0).value<Dcct_data>();
        for (double t : block.time_a)
            QVERIFY(std::isfinite(t));
        QCOMPARE(block.time_a, QVector<double>({0, 2, 3, 4, 5}));
    }

    void layoutFiveFillsHeadAndAdcOnly()
    {
        Rig rig(5, QStringLiteral("1"));
        rig.feed("1 0 1 25 30\r2 0 2 26 31\r");
        const Dcct_data& d = rig.thread.data;
        QCOMPARE(d.head_t_a, QVector<double>({25, 26}));
        QCOMPARE(d.adc_t_a, QVector<double>({30, 31}));
        QVERIFY(d.ext_t_a.isEmpty());
        QCOMPARE(d.head_t, 26.0);
        QCOMPARE(d.adc_t, 31.0);
    }

    // Lines taken under one layout and decoded after the layout changed (a
    // status word read in between) add no temperature they did not carry.
    void layoutChangedBeforeDecoding()
    {
        Rig rig(0, QStringLiteral("1"));
        QVERIFY(rig.cmd.feed_stream("1 0 1\r2 0 2\r", 12));
        rig.cmd.line_layout = 7;
        rig.thread.data.line_layout = 7;
        rig.thread.acquire_current();
        const Dcct_data& d = rig.thread.data;
        QCOMPARE(d.current_a, QVector<double>({1, 2}));
        QVERIFY(d.head_t_a.isEmpty());
        QVERIFY(d.ext_t_a.isEmpty());
        QVERIFY(d.adc_t_a.isEmpty());
    }

    // A bad line in the middle must not shift temperatures onto other samples.
    void seriesStayParallelAcrossBadLines()
    {
        Rig rig(7, QStringLiteral("1"));
        rig.feed("1 0 1 21 31 41\r2 0 2 22\r3 0 x 23 33 43\r4 0 4 24 34 44\r");
        const Dcct_data& d = rig.thread.data;
        QCOMPARE(d.current_a, QVector<double>({1, 4}));
        QCOMPARE(d.head_t_a, QVector<double>({21, 24}));
        QCOMPARE(d.ext_t_a, QVector<double>({31, 34}));
        QCOMPARE(d.adc_t_a, QVector<double>({41, 44}));
        QCOMPARE(d.time_a.size(), 2);
    }

    void flagsComeFromTheLastValidLine()
    {
        Rig rig(0, QStringLiteral("1"));
        rig.feed("1 c0 1\r2 zz 2\r");
        QVERIFY(rig.thread.data.alarm_active);
        QVERIFY(rig.thread.data.alarm_over);
        rig.feed("3 41 3\r");
        QVERIFY(rig.thread.data.error);
        QVERIFY(!rig.thread.data.alarm_over);
        rig.feed("4 0 4\r");
        QVERIFY(!rig.thread.data.alarm_active);
        QVERIFY(!rig.thread.data.error);
        // Only garbage: the flags stay as they are.
        rig.feed("5 zz 5\r");
        QVERIFY(!rig.thread.data.error);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        StreamSplitTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        DoubleBufferTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_box_stream.moc"
