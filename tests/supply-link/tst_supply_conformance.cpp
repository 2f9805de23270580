// The supply link against a peer that answers exactly as the command protocol
// allows, in each reply shape a supply may use: with or without the leading
// "#", ended by CR or by CR LF, and any one separator after a query's echo.
// Checks the bytes that go out, the results, the record and the signals.

#include "commlink.h"
#include "ps_thread.h"
#include "scriptedpeer.h"
#include "workerfixture.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

namespace
{

struct ReplyShape {
    QByteArray prefix;      // "#" or nothing
    QByteArray terminator;  // "\r" or "\r\n"
    QByteArray separator;   // the one character after a query's echo
    int lateLineFeedMs = 0; // > 0: CR at once, the LF of CR LF this much later, on its own
};

const QList<QPair<const char*, ReplyShape>> shapes{
    {"# CRLF ':'", {"#", "\r\n", ":"}},
    {"bare CR ':'", {"", "\r", ":"}},
    {"# CR ' '", {"#", "\r", " "}},
    {"bare CRLF '='", {"", "\r\n", "="}},
    {"# CRLF ','", {"#", "\r\n", ","}},
    {"# CRLF tab", {"#", "\r\n", "\t"}},
    {"# CR, late LF ':'", {"#", "\r", ":", 15}},
};

// Values the supply gives, by query echo.
QMap<QString, QString> supplyValues(const QString& capabilities)
{
    return {
        {"VER", "KORA-PS-M 5-40:1.3.6"},
        {"MRG:130", capabilities},
        {"MRG:42", "7.5"},
        {"MRID", ""},
        {"MPLST", "1.2500:-3.5000:0000800D"},
        {"MRI", "1.2500"},
        {"MRV", "-3.5000"},
        {"MRP", "48.0"},
        {"MRT", "31.5"},
        {"MGC", "0.250"},
        {"MST", "0000800D"},
        {"MLIMITS", "0.0:40.0:0.0:5.0"},
        {"PMODE", "OFF"},
        {"PCONNECTIONS", "2"},
        {"LOOP", "V"},
        {"UPMODE", "WAVEFORM"},
        {"TRGMODE", "ON"},
        {"SETFLOAT", "N"},
        {"POL", "INVERT"},
        {"PASSWORD", "SUPERADMIN"},
        {"MWI", "2.0000000000"},
        {"EPICS:PV_NAME", "KORA:PS1:Current"},
        {"EPICS:PV_VALUE", "1.25"},
        {"EPICS:DB", "# db\nrecord(ai, \"$(P)I\") {\n  field(SCAN, \"1 second\")\n}\n"},
        {"EPICS:PROTOCOLS", "# proto\nTerminator = CR;\ngetI { out \"MRI\"; in \"#MRI:%f\"; }\n"},
    };
}

// Answers every command the way the protocol describes: a query with its echo
// (the command without ":?"), the separator and the value; a set command with
// "AK"; `bodies` overrides the body for single commands ("*": for all).
void answerLiterally(ScriptedPeer& peer, const ReplyShape& shape, const QMap<QString, QString>& values,
                     const QMap<QString, QByteArray>& bodies = {})
{
    peer.setResponder([shape, values, bodies](const QString& command) -> std::optional<PeerReply> {
        QByteArray body;
        if (bodies.contains(command)) {
            body = bodies.value(command);
        } else if (bodies.contains("*")) {
            body = bodies.value("*");
        } else if (ScriptedPeer::isQuery(command)) {
            QString echo = command;
            echo.remove(QStringLiteral(":?"));
            body = echo.toLatin1() + shape.separator + values.value(echo).toLatin1();
        } else {
            body = "AK";
        }
        if (body == "<silence>")
            return PeerReply::silence();
        if (shape.lateLineFeedMs > 0)
            return PeerReply::split({shape.prefix + body + shape.terminator, "\n"}, shape.lateLineFeedMs);
        return PeerReply::text(shape.prefix + body + shape.terminator);
    });
}

// Every signal of the worker, by name, in the order the test thread gets them.
class SignalLog : public QObject
{
public:
    explicit SignalLog(ps_thread* t)
    {
        auto record = [this](const char* name) {
            return [this, name](ps_data d) {
                names.append(QLatin1String(name));
                records.append(d);
            };
        };
        auto plain = [this](const char* name) {
            return [this, name] {
                names.append(QLatin1String(name));
                records.append(ps_data());
            };
        };
        auto cell = [this](const char* name) {
            return [this, name](int c) {
                names.append(QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(c));
                records.append(ps_data());
            };
        };
        connect(t, &ps_thread::memory_data_read, this, cell("memory_data_read"));
        connect(t, &ps_thread::memory_data_write, this, cell("memory_data_write"));
        connect(t, &ps_thread::status_read, this, record("status_read"));
        connect(t, &ps_thread::current_voltage_status_read, this, record("current_voltage_status_read"));
        connect(t, &ps_thread::temperature_read, this, record("temperature_read"));
        connect(t, &ps_thread::dc_link_read, this, record("dc_link_read"));
        connect(t, &ps_thread::leakage_current_read, this, record("leakage_current_read"));
        connect(t, &ps_thread::version_model_capabilities_read, this,
                record("version_model_capabilities_read"));
        connect(t, &ps_thread::loop_mode_read, this, record("loop_mode_read"));
        connect(t, &ps_thread::update_mode_read, this, record("update_mode_read"));
        connect(t, &ps_thread::trigger_mode_read, this, record("trigger_mode_read"));
        connect(t, &ps_thread::float_mode_read, this, record("float_mode_read"));
        connect(t, &ps_thread::id_read, this, record("id_read"));
        connect(t, &ps_thread::limits_read, this, record("limits_read"));
        connect(t, &ps_thread::privileges_read, this, plain("privileges_read"));
        connect(t, &ps_thread::password_set, this, [this](int e) {
            names.append(QStringLiteral("password_set(%1)").arg(e));
            records.append(ps_data());
        });
        connect(t, &ps_thread::void_sync_signal, this, plain("void_sync_signal"));
        connect(t, &ps_thread::directPolarityRead, this, plain("directPolarityRead"));
        connect(t, &ps_thread::data_ready, this, record("data_ready"));
        connect(t, &ps_thread::EPICS_PV_name_ready, this, record("EPICS_PV_name_ready"));
        connect(t, &ps_thread::EPICS_PV_value_ready, this, record("EPICS_PV_value_ready"));
        connect(t, &ps_thread::EPICS_protocols_ready, this, record("EPICS_protocols_ready"));
        connect(t, &ps_thread::EPICS_db_ready, this, record("EPICS_db_ready"));
    }

    // Position just after the n-th data_ready (n from 1), or -1.
    int afterDataReady(int n) const
    {
        int seen = 0;
        for (int i = 0; i < names.size(); ++i) {
            if (names.at(i) == QLatin1String("data_ready") && ++seen == n)
                return i + 1;
        }
        return -1;
    }
    int dataReadyCount() const { return names.count(QStringLiteral("data_ready")); }

    QStringList names;
    QList<ps_data> records;
};

const QStringList pollCommands{"VER",      "MRG:130",   "MRID",      "MPLST",        "MRT",
                               "MGC",      "MLIMITS:?", "PMODE",     "PCONNECTIONS", "LOOP:?",
                               "UPMODE:?", "TRGMODE",   "SETFLOAT:?"};

// The signals of one poll set, each task's own signal followed by data_ready.
QStringList pollSignals(bool polarity, bool answered)
{
    QStringList s{"version_model_capabilities_read",
                  "data_ready",
                  "id_read",
                  "data_ready",
                  "current_voltage_status_read",
                  "data_ready",
                  "temperature_read",
                  "data_ready",
                  "leakage_current_read",
                  "data_ready",
                  "limits_read",
                  "data_ready",
                  "data_ready", // 56
                  "data_ready", // 57
                  "loop_mode_read",
                  "data_ready",
                  "update_mode_read",
                  "data_ready",
                  "trigger_mode_read",
                  "data_ready",
                  "float_mode_read",
                  "data_ready"};
    if (polarity) {
        if (answered)
            s << "directPolarityRead";
        s << "data_ready";
    }
    return s;
}

struct Worker {
    explicit Worker(int waitTime = 200, int refresh = 20) : thread(10), recorder(&thread), log(&thread)
    {
        configureWorker(thread, peer.port(), waitTime, refresh);
    }
    ~Worker() { thread.stop(); }
    bool start()
    {
        thread.start();
        return recorder.waitForState(QAbstractSocket::ConnectedState);
    }
    // Queues the whole batch at once, so that one tick runs all of it.
    void postAtomically(const QList<ps_task>& tasks)
    {
        QMutexLocker locker(&thread.mutex);
        thread.task_queue.append(tasks);
    }

    ScriptedPeer peer;
    ps_thread thread;
    WorkerRecorder recorder;
    SignalLog log;
};

ps_task task(int id, QStringList params = {QString()})
{
    ps_task t;
    t.id = id;
    t.params = std::move(params);
    return t;
}

} // namespace

Q_DECLARE_METATYPE(ReplyShape)

// PS_Comm: every reply shape gives the same results.
class ReplyShapes : public QObject
{
    Q_OBJECT

private slots:
    void queries_data()
    {
        QTest::addColumn<ReplyShape>("shape");
        for (const auto& s : shapes)
            QTest::newRow(s.first) << s.second;
    }
    void queries()
    {
        QFETCH(ReplyShape, shape);
        CommLink link(200);
        QVERIFY(link.connected);
        const QMap<QString, QString> values = supplyValues("AIN,TRIG,POLARITY_INVERTER");
        answerLiterally(link.peer, shape, values);
        QSignalSpy errors(&link.comm, &PS_Comm::commandReplyError);

        struct Case {
            const char* echo;
            std::function<int(PS_Comm&, QString&)> read;
        };
        const QList<Case> cases{
            {"MRI", [](PS_Comm& c, QString& v) { return c.readCurrent(v); }},
            {"MWI", [](PS_Comm& c, QString& v) { return c.readCurrentSetpoint(v); }},
            {"PASSWORD", [](PS_Comm& c, QString& v) { return c.readPrivileges(v); }},
            {"MRG:130", [](PS_Comm& c, QString& v) { return c.readMemory("130", v); }},
            {"VER", [](PS_Comm& c, QString& v) { return c.readVersion(v); }},
            {"MRID", [](PS_Comm& c, QString& v) { return c.readId(v); }},
            {"MPLST", [](PS_Comm& c, QString& v) { return c.readCurrentVoltageStatus(v); }},
            {"MLIMITS", [](PS_Comm& c, QString& v) { return c.readLimits(v); }},
            {"EPICS:PV_NAME", [](PS_Comm& c, QString& v) { return c.readEpicsPvName(v); }},
            {"EPICS:DB", [](PS_Comm& c, QString& v) { return c.readEpicsDb(v); }},
            {"EPICS:PROTOCOLS", [](PS_Comm& c, QString& v) { return c.readEpicsProtocols(v); }},
        };
        for (const Case& c : cases) {
            QString value = QStringLiteral("unchanged");
            QCOMPARE(c.read(link.comm, value), 0);
            QCOMPARE(value, values.value(QLatin1String(c.echo)));
        }
        QCOMPARE(errors.count(), 0);
    }

    void setReplies_data()
    {
        QTest::addColumn<ReplyShape>("shape");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("result");
        const QList<QPair<QByteArray, int>> bodies{
            {"AK", 0},      {"NAK:5", 5}, {"NAK:05", 5}, {"NAK 7", 7},  {"NAK=29", 29},
            {"NAK:99", 99}, {"NAK", -1},  {"NAK:", -1},  {"NAK:x", -1}, {"AK:", -1}};
        for (const auto& s : shapes) {
            for (const auto& b : bodies)
                QTest::newRow(QByteArray(s.first) + " " + b.first) << s.second << b.first << b.second;
        }
    }
    void setReplies()
    {
        QFETCH(ReplyShape, shape);
        QFETCH(QByteArray, body);
        QFETCH(int, result);
        CommLink link(200);
        answerLiterally(link.peer, shape, {}, {{"*", body}});
        QSignalSpy errors(&link.comm, &PS_Comm::commandReplyError);
        QCOMPARE(link.comm.writeCurrent("1.5000000000"), result);
        QCOMPARE(errors.count(), result == 0 ? 0 : 1);
        if (result != 0) {
            QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("MWI:1.5000000000\r"));
            QCOMPARE(errors.at(0).at(1).toInt(), result);
        }
        // A refused query reports its code and the command without CR.
        QString value = QStringLiteral("kept");
        const int queried = link.comm.readTemperature(value);
        QCOMPARE(value, QStringLiteral("kept"));
        QCOMPARE(queried, result == 0 ? -1 : result);
        QCOMPARE(errors.last().at(0).toString(), QStringLiteral("MRT"));
    }
};

// The slow commands really wait longer: a supply that needs 700 ms to
// answer is heard by them and not by the others (100 ms per wait).
class SlowCommands : public QObject
{
    Q_OBJECT

private slots:
    void lateAnswer_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("result");
        QTest::newRow("MOFF") << Call([](PS_Comm& c) { return c.outputOff(); }) << QByteArray("MOFF\r") << 0;
        QTest::newRow("MRESET") << Call([](PS_Comm& c) { return c.reset(); }) << QByteArray("MRESET\r") << 0;
        QTest::newRow("MSAVE") << Call([](PS_Comm& c) { return c.save(); }) << QByteArray("MSAVE\r") << 0;
        QTest::newRow("cell 3") << Call([](PS_Comm& c) { return c.writeMemory("3", "1.5"); })
                                << QByteArray("MWG:3:1.5\r") << 0;
        QTest::newRow("cell 4") << Call([](PS_Comm& c) { return c.writeMemory("4", "x"); })
                                << QByteArray("MWG:4:x\r") << 0;
        QTest::newRow("cell 5") << Call([](PS_Comm& c) { return c.writeMemory("5", "x"); })
                                << QByteArray("MWG:5:x\r") << 0;
        QTest::newRow("MON") << Call([](PS_Comm& c) { return c.outputOn(); }) << QByteArray("MON\r") << -1;
        QTest::newRow("MREBOOT") << Call([](PS_Comm& c) { return c.reboot(); }) << QByteArray("MREBOOT\r")
                                 << -1;
        QTest::newRow("cell 35") << Call([](PS_Comm& c) { return c.writeMemory("35", "x"); })
                                 << QByteArray("MWG:35:x\r") << -1;
        QTest::newRow("cell 113") << Call([](PS_Comm& c) { return c.writeMemory("113", "0"); })
                                  << QByteArray("MWG:113:0\r") << -1;
    }
    void lateAnswer()
    {
        QFETCH(Call, call);
        QFETCH(QByteArray, sent);
        QFETCH(int, result);
        CommLink link(100);
        link.peer.setResponder(
            [](const QString&) { return std::optional<PeerReply>(PeerReply::text("#AK\r\n", 700)); });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(call(link.comm), result);
        if (result != 0)
            QVERIFY2(clock.elapsed() < 690, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(link.peer.received(), sent);
    }
};

// The worker's poll set against a literal supply: the bytes, the record and
// the signals.
class LiteralPollSet : public QObject
{
    Q_OBJECT

private slots:
    void pollSet_data()
    {
        QTest::addColumn<ReplyShape>("shape");
        QTest::addColumn<bool>("polarity");
        for (const auto& s : shapes) {
            QTest::newRow(s.first) << s.second << false;
            QTest::newRow(QByteArray(s.first) + " inverter") << s.second << true;
        }
    }
    void pollSet()
    {
        QFETCH(ReplyShape, shape);
        QFETCH(bool, polarity);
        const QString caps = polarity ? "AIN,TRIG,POLARITY_INVERTER" : "AIN,TRIG";
        Worker w;
        answerLiterally(w.peer, shape, supplyValues(caps));
        QVERIFY(w.start());
        const int first = pollSignals(false, true).count("data_ready");
        const int second = pollSignals(polarity, true).count("data_ready");
        QVERIFY(QTest::qWaitFor([&] { return w.log.dataReadyCount() >= first + second; }, 10000));

        // Exactly these bytes: one CR after each command, nothing else.
        const QByteArray oneSet = pollCommands.join('\r').toLatin1() + '\r';
        const QByteArray bytes = oneSet + oneSet + (polarity ? "POL\r" : "");
        QCOMPARE(w.peer.received().left(bytes.size()), bytes);

        const int from = w.log.afterDataReady(first);
        const int to = w.log.afterDataReady(first + second);
        QCOMPARE(w.log.names.mid(0, from), pollSignals(false, true));
        QCOMPARE(w.log.names.mid(from, to - from), pollSignals(polarity, true));
        QVERIFY(w.recorder.replyErrors.isEmpty());

        const ps_data d = w.log.records.at(to - 1);
        QCOMPARE(d.model_text, QStringLiteral("KORA-PS-M 5-40"));
        QCOMPARE(d.version, QStringLiteral("1.3.6"));
        QCOMPARE(d.family, QStringLiteral("KORA-PS-M"));
        QCOMPARE(d.polarity_kind, QStringLiteral("Monopolar"));
        QCOMPARE(d.capabilities, caps);
        QCOMPARE(d.id, QString());
        QCOMPARE(d.current, QStringLiteral("1.2500"));
        QCOMPARE(d.voltage, QStringLiteral("-3.5000"));
        QCOMPARE(d.status, QStringLiteral("0000800D"));
        QCOMPARE(d.status_flags, 0x800Du);
        QCOMPARE(d.current_avg.value, 1.25);
        QCOMPARE(d.voltage_avg.value, -3.5);
        QCOMPARE(d.temperature, QStringLiteral("31.5"));
        QCOMPARE(d.temperature_avg.text(1), QStringLiteral("31.5"));
        QCOMPARE(d.leakage_current, QStringLiteral("0.250"));
        QCOMPARE(d.leakage_avg.text(2), QStringLiteral("0.25"));
        QCOMPARE(d.limits, (QStringList{"0.0", "40.0", "0.0", "5.0"}));
        QCOMPARE(d.pmode, QStringLiteral("OFF"));
        QCOMPARE(d.pconnections, QStringLiteral("2"));
        QCOMPARE(d.loop_mode, QStringLiteral("V"));
        QCOMPARE(d.update_mode, QStringLiteral("WAVEFORM"));
        QCOMPARE(d.trigger_mode, QStringLiteral("ON"));
        QCOMPARE(d.float_mode, QStringLiteral("N"));
        QCOMPARE(d.polarity, polarity ? QStringLiteral("INVERT") : QString());
    }

    // A supply that refuses everything: every task still signals (the
    // polarity read excepted), the version fields become undefined, the
    // others stay empty, and each refusal is reported once.
    void everythingRefused()
    {
        Worker w;
        answerLiterally(w.peer, {"#", "\r\n", ":"}, {}, {{"*", "NAK:13"}});
        QVERIFY(w.start());
        const int perSet = pollSignals(false, false).count("data_ready");
        QVERIFY(QTest::qWaitFor([&] { return w.log.dataReadyCount() >= perSet; }, 10000));
        const int end = w.log.afterDataReady(perSet);
        QCOMPARE(w.log.names.mid(0, end), pollSignals(false, false));
        const ps_data d = w.log.records.at(end - 1);
        QCOMPARE(d.family, QStringLiteral("UNDEFINED"));
        QCOMPARE(d.polarity_kind, QStringLiteral("UNDEFINED"));
        QVERIFY(d.model_text.isEmpty() && d.version.isEmpty() && d.capabilities.isEmpty());
        QVERIFY(d.current.isEmpty() && d.status.isEmpty() && d.limits.at(0).isEmpty());
        QCOMPARE(d.status_flags, 0u);
        QList<QPair<QString, int>> expected;
        for (const QString& c : pollCommands)
            expected.append(qMakePair(c, 13));
        QCOMPARE(w.recorder.replyErrors.mid(0, pollCommands.size()), expected);
    }

    // A silent supply: every query reports -2 with its CR, and the batch goes on.
    void silentSupply()
    {
        Worker w(15);
        answerLiterally(w.peer, {"#", "\r\n", ":"}, {}, {{"*", "<silence>"}});
        QVERIFY(w.start());
        const int perSet = pollSignals(false, false).count("data_ready");
        QVERIFY(QTest::qWaitFor([&] { return w.log.dataReadyCount() >= perSet; }, 10000));
        QCOMPARE(w.log.names.mid(0, w.log.afterDataReady(perSet)), pollSignals(false, false));
        QList<QPair<QString, int>> expected;
        for (const QString& c : pollCommands)
            expected.append(qMakePair(c + '\r', -2));
        QVERIFY(QTest::qWaitFor([&] { return w.recorder.replyErrors.size() >= pollCommands.size(); }, 5000));
        QCOMPARE(w.recorder.replyErrors.mid(0, pollCommands.size()), expected);
    }
};

// Every task of the table in one batch against a literal supply.
class LiteralTaskTable : public QObject
{
    Q_OBJECT

private slots:
    void wholeTable_data()
    {
        QTest::addColumn<ReplyShape>("shape");
        for (const auto& s : shapes)
            QTest::newRow(s.first) << s.second;
    }
    void wholeTable()
    {
        QFETCH(ReplyShape, shape);
        Worker w;
        answerLiterally(w.peer, shape, supplyValues("AIN,POLARITY_INVERTER"),
                        {{"PASSWORD:wrong", "NAK:07"}, {"MWG:9:v", "NAK:05"}});
        QVERIFY(w.start());
        QVERIFY(QTest::qWaitFor([&] { return w.log.dataReadyCount() >= 12; }, 5000));

        w.thread.set_current(-1.5);
        w.thread.set_voltage(12.25);
        const QString dbText = QStringLiteral("# new\nrecord(ao, \"x\")\n");
        const QList<ps_task> batch{
            task(1),
            task(2),
            task(3),
            task(4),
            task(5),
            task(6),
            task(7),
            task(8),
            task(9),
            task(16, {"42"}),
            task(17, {"12", "abc"}),
            task(17, {"9", "v"}),
            task(18),
            task(20, {"wrong"}),
            task(20, {"superadmin"}),
            task(21),
            task(22),
            task(23),
            task(40),
            task(53),
            task(54),
            task(55),
            task(56),
            task(57),
            task(512),
            task(513),
            task(514),
            task(515),
            task(768),
            task(769),
            task(1024),
            task(1025),
            task(1026, {"1"}),
            task(1026, {"0"}),
            task(1027),
            task(1028),
            task(1029),
            task(1030, {"N"}),
            task(1030, {"F"}),
            task(1031),
            task(1280),
            task(1536),
            task(1537),
            task(1539),
            task(1540),
            task(1541, {"proto\n"}),
            task(1542, {dbText}),
            task(1543),
            task(1544),
            task(1792),
            task(1793),
            task(1794, {"3"}),
            task(1795, {"1:2:3"}),
            task(99),
            task(257),
        };
        w.postAtomically(batch);
        QVERIFY(QTest::qWaitFor([&] { return w.log.names.contains("void_sync_signal"); }, 10000));
        const int end = w.log.names.indexOf("void_sync_signal") + 2;
        QVERIFY(QTest::qWaitFor([&] { return w.log.names.size() >= end; }, 1000));

        const QByteArray expected = "MON\rMOFF\rMRESET\rMRI\rMRV\rMST\rMRT\rMRP\rMGC\rMRG:42\rMWG:12:abc\r"
                                    "MWG:9:v\rMSAVE\rPASSWORD:wrong\rPASSWORD:superadmin\rPASSWORD:?\r"
                                    "VER\rMRG:130\rMRID\rMREBOOT\rLOOP:?\rUPMODE:?\rMPLST\rPMODE\r"
                                    "PCONNECTIONS\rMWI:-1.5000000000\rMWIR:-1.5000000000\r"
                                    "MWV:12.2500000000\rMWVR:12.2500000000\rLOOP:I\rLOOP:V\r"
                                    "MWG:113:0\rUPMODE:NORMAL\rMWG:113:3\rUPMODE:ANALOG\rTRGMODE:ON\r"
                                    "TRGMODE:OFF\rTRGMODE\rMLIMITS:?\rMWG:113:1\rUPMODE:WAVEFORM\r"
                                    "SETFLOAT:N\rSETFLOAT:F\rSETFLOAT:?\rPOL\rEPICS:PV_NAME\r"
                                    "EPICS:PV_VALUE\rEPICS:PROTOCOLS\rEPICS:DB\rEPICS:PROTOCOLS:proto\n\r"
                                    "EPICS:DB:# new\nrecord(ao, \"x\")\n\rEPICS:DB:RESTORE\r"
                                    "EPICS:PROTOCOLS:RESTORE\rWAVEFORM:START\rWAVEFORM:STOP\r"
                                    "WAVEFORM:N_PERIODS:3\rWAVEFORM:POINTS:1:2:3\r";
        const QByteArray received = w.peer.received();
        const int at = received.indexOf("MON\r");
        QVERIFY(at >= 0);
        QCOMPARE(received.mid(at, expected.size()), expected);

        QStringList signalNames;
        for (const ps_task& t : batch) {
            switch (t.id) {
            case 6:
                signalNames << "status_read";
                break;
            case 7:
                signalNames << "temperature_read";
                break;
            case 8:
                signalNames << "dc_link_read";
                break;
            case 9:
                signalNames << "leakage_current_read";
                break;
            case 16:
                signalNames << "memory_data_read(42)";
                break;
            case 17:
                signalNames << "memory_data_write(" + t.params.at(0) + ")";
                break;
            case 20:
                signalNames << (t.params.at(0) == "wrong" ? "password_set(7)" : "password_set(0)");
                break;
            case 21:
                signalNames << "privileges_read";
                break;
            case 22:
                signalNames << "version_model_capabilities_read";
                break;
            case 23:
                signalNames << "id_read";
                break;
            case 53:
                signalNames << "loop_mode_read";
                break;
            case 54:
                signalNames << "update_mode_read";
                break;
            case 55:
                signalNames << "current_voltage_status_read";
                break;
            case 257:
                signalNames << "void_sync_signal";
                break;
            case 1027:
                signalNames << "trigger_mode_read";
                break;
            case 1028:
                signalNames << "limits_read";
                break;
            case 1031:
                signalNames << "float_mode_read";
                break;
            case 1280:
                signalNames << "directPolarityRead";
                break;
            case 1536:
                signalNames << "EPICS_PV_name_ready";
                break;
            case 1537:
                signalNames << "EPICS_PV_value_ready";
                break;
            case 1539:
                signalNames << "EPICS_protocols_ready";
                break;
            case 1540:
                signalNames << "EPICS_db_ready";
                break;
            default:
                break;
            }
            signalNames << "data_ready";
        }
        // The batch ran on one tick of its own; earlier poll sets come before it.
        QVERIFY(end >= signalNames.size());
        QCOMPARE(w.log.names.mid(end - signalNames.size(), signalNames.size()), signalNames);

        const ps_data d = w.log.records.at(end - 1);
        const QMap<QString, QString> values = supplyValues("AIN,POLARITY_INVERTER");
        QCOMPARE(d.memory.at(42), QStringLiteral("7.5"));
        QCOMPARE(d.memory.at(12), QStringLiteral("ABC"));
        QVERIFY(d.memory.at(9).isEmpty());
        QCOMPARE(d.privileges, QStringLiteral("SUPERADMIN"));
        QCOMPARE(d.dc_link, QStringLiteral("48.0"));
        QCOMPARE(d.status_flags, 0x800Du);
        QCOMPARE(d.polarity, QStringLiteral("INVERT"));
        QCOMPARE(d.epics_pv_name, values.value("EPICS:PV_NAME"));
        QCOMPARE(d.epics_pv_value, values.value("EPICS:PV_VALUE"));
        QCOMPARE(d.epics_db, values.value("EPICS:DB"));
        QCOMPARE(d.epics_protocols, values.value("EPICS:PROTOCOLS"));
        QVERIFY(w.recorder.replyErrors.contains(qMakePair(QStringLiteral("PASSWORD:***\r"), 7)));
        QVERIFY(w.recorder.replyErrors.contains(qMakePair(QStringLiteral("MWG:9:v\r"), 5)));
        QCOMPARE(w.recorder.replyErrors.size(), 2);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        ReplyShapes t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        SlowCommands t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        LiteralPollSet t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        LiteralTaskTable t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_supply_conformance.moc"
