// What the main window shows for the worker's reports: the status byte with
// its colours and enabled groups, readings and power, model, ratings and
// set-point ranges, the widgets that depend on the supply's capabilities,
// the feeds of the fault window, and the command refusals in the status bar.
// The display side never posts a task.

#include "livetest.h"

#include "errorcodes.h"
#include "faultdialog.h"
#include "logcapture.h"
#include "ps_replies.h"
#include "realtimeplot.h"
#include "supplyview.h"

#include "tempsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStatusBar>
#include <qcustomplot.h>

#include <memory>

using namespace LiveTest;

namespace
{
const QString neutral = QStringLiteral("background-color:rgba(235, 235, 255, 255)");
const QString yellow = QStringLiteral("background-color:rgb(236, 236, 0)");
const QString green = QStringLiteral("background-color:rgba(30, 250, 30, 255)");
const QString red = QStringLiteral("background-color:rgba(255, 126, 126, 255)");
// What a readings report follows: an answered poll, a supply that answers nothing, a poll that read none.
constexpr int answered = 0, silent = 1, notRead = 2;

ps_data statusRecord(quint32 flags, const QString& capabilities = QString())
{
    ps_data d;
    d.status_flags = flags;
    d.status = QString::number(flags, 16);
    d.status_read = d.readings_read = true;
    d.capabilities = capabilities;
    return d;
}

ps_data modelRecord(const QStringList& limits, const QString& kind, const QString& capabilities)
{
    ps_data d;
    d.model_text = QStringLiteral("KORA-PS 10-20");
    d.family = QStringLiteral("KORA-PS");
    d.polarity_kind = kind;
    d.capabilities = capabilities;
    d.limits = limits;
    return d;
}

template <typename T> T* widget(MainWindow& w, const char* name)
{
    auto* found = w.findChild<T*>(QLatin1String(name));
    Q_ASSERT(found);
    return found;
}

bool enabled(MainWindow& w, const char* name)
{
    return widget<QWidget>(w, name)->isEnabled();
}

// Collects what Qt says about style sheets while it lives.
struct StyleSheetWarnings {
    StyleSheetWarnings()
    {
        texts().clear();
        previous = qInstallMessageHandler(collect);
    }
    ~StyleSheetWarnings() { qInstallMessageHandler(previous); }
    static QStringList& texts()
    {
        static QStringList list;
        return list;
    }
    static void collect(QtMsgType, const QMessageLogContext&, const QString& text)
    {
        if (text.contains(QLatin1String("QCss")) || text.contains(QLatin1String("stylesheet")))
            texts() << text;
    }
    QtMessageHandler previous;
};
} // namespace

class LiveDisplayTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statusByteDecoding_data();
    void statusByteDecoding();
    void statusByteInWindow_data();
    void statusByteInWindow();
    void readingsAndPower_data();
    void readingsAndPower();
    void reportWhileDisconnectedChangesNothing();
    void ranges_data();
    void ranges();
    void rangesKeptUntilLimitsAreNumbers();
    void analogEntryFollowsCapability_data();
    void analogEntryFollowsCapability();
    void polarityBoxFollowsCapability();
    void directPolarityFromLiveRecord_data();
    void directPolarityFromLiveRecord();
    void faultWindowFedWhileVisible();
    void unreadableStatusKeepsLastState_data();
    void unreadableStatusKeepsLastState();
    void identityAndReadingsFeeds();
    void displayPostsNoTask();
    void refusalShownWithoutLineEnd_data();
    void refusalShownWithoutLineEnd();

private:
    std::unique_ptr<TempSettings> settings;
};

void LiveDisplayTest::init()
{
    settings = std::make_unique<TempSettings>();
}

void LiveDisplayTest::cleanup()
{
    settings.reset();
}

void LiveDisplayTest::statusByteDecoding_data()
{
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<bool>("local");
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("fault");
    QTest::addColumn<bool>("controls");
    QTest::addColumn<bool>("regulation");
    QTest::addColumn<bool>("setPoints");

    QTest::newRow("0x00 remote, off") << 0x00u << false << false << false << true << true << false;
    QTest::newRow("0x01 remote, on") << 0x01u << false << true << false << true << false << true;
    QTest::newRow("0x02 fault") << 0x02u << false << false << true << true << true << false;
    QTest::newRow("0x03 on with fault") << 0x03u << false << true << true << true << false << true;
    QTest::newRow("0x04 local") << 0x04u << true << false << false << false << false << false;
    QTest::newRow("0x05 local, on") << 0x05u << true << true << false << false << false << false;
    QTest::newRow("0x08 field 2") << 0x08u << false << false << false << false << false << false;
    QTest::newRow("0x0C field 3") << 0x0Cu << false << false << false << false << false << false;
    QTest::newRow("0xC1 on, pages locked") << 0xC1u << false << true << false << true << false << false;
    QTest::newRow("0x41 bit 6 alone") << 0x41u << false << true << false << true << false << true;
    QTest::newRow("0x81 bit 7 alone") << 0x81u << false << true << false << true << false << true;
    QTest::newRow("high bits ignored") << 0xFFFF0100u << false << false << false << true << true << false;
}

void LiveDisplayTest::statusByteDecoding()
{
    QFETCH(quint32, flags);
    const SupplyView::StatusView v = SupplyView::decodeStatus(flags);
    QTEST(v.local, "local");
    QTEST(v.outputOn, "on");
    QTEST(v.fault, "fault");
    QTEST(v.controlsEnabled, "controls");
    QTEST(v.regulationEnabled, "regulation");
    QTEST(v.setPointsEnabled, "setPoints");
    QCOMPARE(v.decidesPolarityBox, v.controlsEnabled);
}

void LiveDisplayTest::statusByteInWindow_data()
{
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("controlStyle");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("outputStyle");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("faultStyle");
    QTest::addColumn<bool>("controls");
    QTest::addColumn<bool>("regulation");
    QTest::addColumn<bool>("setPoints");

    QTest::newRow("0x01") << 0x01u << "Remote" << neutral << "ON" << green << "NO" << neutral << true << false
                          << true;
    QTest::newRow("0x04") << 0x04u << "Local" << yellow << "OFF" << neutral << "NO" << neutral << false
                          << false << false;
    QTest::newRow("0x08") << 0x08u << "Remote" << neutral << "OFF" << neutral << "NO" << neutral << false
                          << false << false;
    QTest::newRow("0x0C") << 0x0Cu << "Remote" << neutral << "OFF" << neutral << "NO" << neutral << false
                          << false << false;
    QTest::newRow("0xC1") << 0xC1u << "Remote" << neutral << "ON" << green << "NO" << neutral << true << false
                          << false;
    QTest::newRow("0x02") << 0x02u << "Remote" << neutral << "OFF" << neutral << "YES" << red << true << true
                          << false;
}

void LiveDisplayTest::statusByteInWindow()
{
    QFETCH(quint32, flags);
    MainWindow w;
    QVERIFY(reportState(w, QAbstractSocket::ConnectedState));
    QVERIFY(deliver(w, "update_model", modelRecord({"-20.0", "20.0", "-10.0", "10.0"}, "Bipolar", "")));
    // A first report in another state, so each case shows a change.
    QVERIFY(deliver(w, "update_window", statusRecord(flags == 0x01u ? 0x06u : 0x01u)));
    QVERIFY(deliver(w, "update_window", statusRecord(flags)));

    QTEST(widget<QLabel>(w, "loc_rem_label")->text(), "control");
    QTEST(widget<QLabel>(w, "loc_rem_label")->styleSheet(), "controlStyle");
    QTEST(widget<QLabel>(w, "on_off_label")->text(), "output");
    QTEST(widget<QLabel>(w, "on_off_label")->styleSheet(), "outputStyle");
    QTEST(widget<QPushButton>(w, "fault_pushButton")->text(), "fault");
    QTEST(widget<QPushButton>(w, "fault_pushButton")->styleSheet(), "faultStyle");
    QTEST(enabled(w, "groupBox_Controls"), "controls");
    QTEST(enabled(w, "groupBox_RegulationMode"), "regulation");
    QTEST(enabled(w, "stackedWidget_Set"), "setPoints");
    // The information groups stay as the connection left them.
    QVERIFY(enabled(w, "groupBox_Infos"));
    QVERIFY(enabled(w, "groupBox_Status"));
    QVERIFY(enabled(w, "groupBox_Output"));
}

void LiveDisplayTest::readingsAndPower_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("voltage");
    QTest::addColumn<QString>("shownCurrent");
    QTest::addColumn<QString>("shownVoltage");
    QTest::addColumn<QString>("power");
    QTest::addColumn<int>("poll"); // what came before the report

    QTest::newRow("negative current") << "-2.5"
                                      << "4"
                                      << "-2.5000"
                                      << "4.0000"
                                      << "10.0000" << answered;
    QTest::newRow("rounded product") << "1.23456"
                                     << "2.00004"
                                     << "1.2346"
                                     << "2.0000"
                                     << "2.4692" << answered;
    QTest::newRow("minus zero") << "-0.00001"
                                << "-0"
                                << "0.0000"
                                << "0.0000"
                                << "0.0000" << answered;
    QTest::newRow("not numbers") << "abc"
                                 << ""
                                 << "-"
                                 << "-"
                                 << "-" << answered;
    QTest::newRow("voltage no number") << "1.5"
                                       << "nan"
                                       << "1.5000"
                                       << "-"
                                       << "-" << answered;
    QTest::newRow("widest fixed") << "-1234567.25"
                                  << "0.5"
                                  << "-1234567.2500"
                                  << "0.5000"
                                  << "617283.6250" << answered;
    QTest::newRow("power too wide") << "1000000"
                                    << "1000"
                                    << "1000000.0000"
                                    << "1000.0000"
                                    << "1.0000e+09" << answered;
    QTest::newRow("huge current") << "1e308"
                                  << "2"
                                  << "1.0000e+308"
                                  << "2.0000"
                                  << "out of range" << answered;
    // Only this poll's readings are shown and plotted.
    QTest::newRow("supply answers nothing") << "1.5"
                                            << "2"
                                            << "-"
                                            << "-"
                                            << "-" << silent;
    QTest::newRow("this poll read none") << "1.5"
                                         << "2"
                                         << "-"
                                         << "-"
                                         << "-" << notRead;
}

void LiveDisplayTest::readingsAndPower()
{
    QFETCH(QString, current);
    QFETCH(QString, voltage);
    QFETCH(int, poll);
    MainWindow w;
    QVERIFY(reportState(w, QAbstractSocket::ConnectedState));
    auto* plot = w.findChild<RealTimePlot*>();
    plot->show();
    if (poll == silent)
        QVERIFY(QMetaObject::invokeMethod(&w, "showSupplyAnswering", Q_ARG(bool, false)));
    ps_data d = statusRecord(0x01);
    d.readings_read = poll != notRead;
    d.current = current;
    d.voltage = voltage;
    d.current_avg.add(current);
    d.voltage_avg.add(voltage);
    QVERIFY(deliver(w, "update_window", d));
    QTEST(widget<QLabel>(w, "current_display_label")->text(), "shownCurrent");
    QTEST(widget<QLabel>(w, "voltage_display_label")->text(), "shownVoltage");
    QTEST(widget<QLabel>(w, "power_display_label")->text(), "power");
    QFETCH(QString, power);
    QCOMPARE(plot->plot()->graph(0)->dataCount(), power == QLatin1String("-") ? 0 : 1);
    plot->close();
}

void LiveDisplayTest::reportWhileDisconnectedChangesNothing()
{
    // A report handled after the connection closed (for example inside the
    // firmware check's question) must not bring the controls back.
    MainWindow w;
    ps_data d = statusRecord(0x01);
    d.current_avg.add(QStringLiteral("3"));
    QVERIFY(deliver(w, "update_window", d));
    for (const char* name : {"groupBox_Controls", "groupBox_RegulationMode", "stackedWidget_Set"})
        QVERIFY2(!enabled(w, name), name);
    QCOMPARE(widget<QLabel>(w, "on_off_label")->text(), QStringLiteral("OFF"));
    QCOMPARE(widget<QLabel>(w, "current_display_label")->text(), QStringLiteral("0"));
}

void LiveDisplayTest::ranges_data()
{
    QTest::addColumn<QStringList>("limits");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caps");
    QTest::addColumn<double>("iMin");
    QTest::addColumn<double>("iMax");
    QTest::addColumn<double>("vMin");
    QTest::addColumn<double>("vMax");
    QTest::addColumn<QString>("ratings");

    QTest::newRow("bipolar") << QStringList{"-20.0", "20.0", "-10.0", "10.0"} << "Bipolar"
                             << "AIN,TRIG" << -10.0 << 10.0 << -20.0 << 20.0 << "10A / 20V";
    QTest::newRow("monopolar") << QStringList{"0.0", "40.0", "0.0", "5.0"} << "Monopolar"
                               << "AIN,TRIG" << 0.0 << 5.0 << 0.0 << 40.0 << "5A / 40V";
    QTest::newRow("monopolar reports negatives")
        << QStringList{"-50.0", "50.0", "-100.0", "100.0"} << "Monopolar"
        << "AIN" << 0.0 << 100.0 << 0.0 << 50.0 << "100A / 50V";
    QTest::newRow("monopolar with inverter")
        << QStringList{"-50.0", "50.0", "-100.0", "100.0"} << "Monopolar"
        << "POLARITY_INVERTER,AIN" << -100.0 << 100.0 << -50.0 << 50.0 << "100A / 50V";
    QTest::newRow("undefined kind is bipolar") << QStringList{"-1.5", "1.5", "-2.25", "2.25"} << "UNDEFINED"
                                               << "" << -2.25 << 2.25 << -1.5 << 1.5 << "2A / 1V";
    QTest::newRow("whole numbers") << QStringList{"-30", "30", "-50", "50"} << "Bipolar"
                                   << "" << -50.0 << 50.0 << -30.0 << 30.0 << "50A / 30V";
}

void LiveDisplayTest::ranges()
{
    QFETCH(QStringList, limits);
    QFETCH(QString, kind);
    QFETCH(QString, caps);
    MainWindow w;
    QVERIFY(deliver(w, "update_model", modelRecord(limits, kind, caps)));
    auto* current = widget<QDoubleSpinBox>(w, "current_spin");
    auto* voltage = widget<QDoubleSpinBox>(w, "voltage_spin");
    QTEST(current->minimum(), "iMin");
    QTEST(current->maximum(), "iMax");
    QTEST(voltage->minimum(), "vMin");
    QTEST(voltage->maximum(), "vMax");
    QTEST(widget<QLabel>(w, "description_label")->text(), "ratings");
    QCOMPARE(widget<QLabel>(w, "model_label")->text(), QStringLiteral("KORA-PS 10-20"));
    QCOMPARE(widget<QLabel>(w, "type_label")->text(), kind);

    // The pure decision agrees.
    const SupplyView::SetPointRanges r = SupplyView::rangesFor(limits, kind, caps);
    QVERIFY(r.valid);
    QTEST(r.currentMin, "iMin");
    QTEST(r.ratings, "ratings");
}

void LiveDisplayTest::rangesKeptUntilLimitsAreNumbers()
{
    MainWindow w;
    auto* current = widget<QDoubleSpinBox>(w, "current_spin");
    auto* voltage = widget<QDoubleSpinBox>(w, "voltage_spin");
    auto* ratings = widget<QLabel>(w, "description_label");

    // The first poll reads the model before the limits: the form's ranges stay.
    QVERIFY(deliver(w, "update_model", modelRecord({"", "", "", ""}, "Bipolar", "")));
    QCOMPARE(current->minimum(), -100.0);
    QCOMPARE(current->maximum(), 100.0);
    QCOMPARE(voltage->maximum(), 31.0);
    QCOMPARE(ratings->text(), QString());
    QCOMPARE(widget<QLabel>(w, "model_label")->text(), QStringLiteral("KORA-PS 10-20"));

    QVERIFY(deliver(w, "update_model", modelRecord({"-20.0", "20.0", "-10.0", "10.0"}, "Bipolar", "")));
    QCOMPARE(current->maximum(), 10.0);
    QCOMPARE(ratings->text(), QStringLiteral("10A / 20V"));

    const QList<QStringList> bad{{"-20.0", "20.0", "-10.0", "abc"},
                                 {"-20.0", "nan", "-10.0", "10.0"},
                                 {"-20.0", "20.0", "-10.0", "inf"},
                                 {"-20.0", "20.0", "-10.0"},
                                 {}};
    for (const QStringList& limits : bad) {
        QVERIFY(deliver(w, "update_model", modelRecord(limits, "Monopolar", "")));
        QCOMPARE(current->minimum(), -10.0);
        QCOMPARE(current->maximum(), 10.0);
        QCOMPARE(voltage->minimum(), -20.0);
        QCOMPARE(voltage->maximum(), 20.0);
        QCOMPARE(ratings->text(), QStringLiteral("10A / 20V"));
        QVERIFY(!SupplyView::rangesFor(limits, "Bipolar", "").valid);
    }

    // Another connection: nothing of the last unit, and no set-point until
    // this one reports its limits.
    QVERIFY(reportState(w, QAbstractSocket::ConnectedState));
    QCOMPARE(widget<QLabel>(w, "model_label")->text(), QString());
    QVERIFY(deliver(w, "update_model", modelRecord({"", "", "", ""}, "Monopolar", "")));
    QVERIFY(deliver(w, "update_window", statusRecord(0x01)));
    QCOMPARE(ratings->text(), QString());
    QCOMPARE(current->maximum(), 0.0);
    QCOMPARE(voltage->maximum(), 0.0);
    QVERIFY(!enabled(w, "stackedWidget_Set"));
    QVERIFY(deliver(w, "update_model", modelRecord({"0.0", "40.0", "0.0", "5.0"}, "Monopolar", "")));
    QVERIFY(deliver(w, "update_window", statusRecord(0x01)));
    QVERIFY(enabled(w, "stackedWidget_Set"));
    QCOMPARE(current->maximum(), 5.0);
}

void LiveDisplayTest::analogEntryFollowsCapability_data()
{
    QTest::addColumn<QString>("caps");
    QTest::addColumn<bool>("selectable");
    QTest::newRow("AIN") << "AIN,TRIG" << true;
    QTest::newRow("no AIN") << "TRIG" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("lower case") << "ain" << false;
}

void LiveDisplayTest::analogEntryFollowsCapability()
{
    QFETCH(QString, caps);
    QFETCH(bool, selectable);
    MainWindow w;
    auto* combo = widget<QComboBox>(w, "comboBox_Upmode");
    auto* model = qobject_cast<QStandardItemModel*>(combo->model());
    QVERIFY(model);
    // Switched the other way first, so each case is a change.
    QVERIFY(deliver(w, "update_model", modelRecord({}, "Bipolar", selectable ? "" : "AIN")));
    QVERIFY(deliver(w, "update_model", modelRecord({}, "Bipolar", caps)));
    const Qt::ItemFlags flags = model->item(1)->flags();
    QCOMPARE(flags.testFlag(Qt::ItemIsEnabled), selectable);
    QCOMPARE(flags.testFlag(Qt::ItemIsSelectable), selectable);
    // The other entries are always there to choose.
    QVERIFY(model->item(0)->isEnabled());
    QVERIFY(model->item(2)->isEnabled());
}

void LiveDisplayTest::polarityBoxFollowsCapability()
{
    MainWindow w;
    QVERIFY(reportState(w, QAbstractSocket::ConnectedState));
    auto* box = widget<QCheckBox>(w, "checkBoxDirectPolarity");
    QVERIFY(box->isHidden());

    QVERIFY(deliver(w, "update_window", statusRecord(0x00, QStringLiteral("AIN,POLARITY_INVERTER"))));
    QVERIFY(!box->isHidden());
    QVERIFY(!box->isEnabled()); // only shows the supply's polarity
    box->setChecked(true);

    // While local the box keeps what the last remote report decided.
    QVERIFY(deliver(w, "update_window", statusRecord(0x04, QStringLiteral("AIN"))));
    QVERIFY(!box->isHidden());
    QVERIFY(box->isChecked());

    QVERIFY(deliver(w, "update_window", statusRecord(0x01, QStringLiteral("AIN"))));
    QVERIFY(box->isHidden());
    QVERIFY(!box->isChecked());
}

void LiveDisplayTest::directPolarityFromLiveRecord_data()
{
    QTest::addColumn<QString>("polarity");
    QTest::addColumn<bool>("checked");
    QTest::newRow("DIRECT") << "DIRECT" << true;
    QTest::newRow("INVERT") << "INVERT" << false;
    QTest::newRow("lower case") << "direct" << false;
    QTest::newRow("empty") << "" << false;
}

void LiveDisplayTest::directPolarityFromLiveRecord()
{
    QFETCH(QString, polarity);
    MainWindow w;
    auto* box = widget<QCheckBox>(w, "checkBoxDirectPolarity");
    box->setChecked(polarity != QLatin1String("DIRECT"));
    editLive(w.getThread(), [&](ps_data& live) { live.polarity = polarity; });
    QVERIFY(QMetaObject::invokeMethod(&w, "updateDirectPolarity"));
    QTEST(box->isChecked(), "checked");
}

void LiveDisplayTest::faultWindowFedWhileVisible()
{
    MainWindow w;
    QVERIFY(reportState(w, QAbstractSocket::ConnectedState));
    auto* faults = w.findChild<FaultDialog*>();
    // The fault window reads the live record's status, not the report's.
    editLive(w.getThread(), [](ps_data& live) { live.status = QStringLiteral("00010002"); });

    QVERIFY(deliver(w, "update_window", statusRecord(0x02)));
    QCOMPARE(faults->bitLabel(16)->styleSheet(), faults->bitLabel(17)->styleSheet());

    // Both windows restyle their indicators without a word from Qt.
    StyleSheetWarnings warnings;
    w.show();
    faults->show();
    QVERIFY(deliver(w, "update_window", statusRecord(0x02)));
    QCOMPARE(faults->bitLabel(16)->styleSheet(), red);
    QCOMPARE(faults->bitLabel(17)->styleSheet(), green);
    QVERIFY(deliver(w, "update_window", statusRecord(0x01)));
    QVERIFY2(StyleSheetWarnings::texts().isEmpty(), qPrintable(StyleSheetWarnings::texts().join('\n')));

    // A status that is not hexadecimal leaves the indicators as they were.
    editLive(w.getThread(), [](ps_data& live) { live.status = QStringLiteral("zz"); });
    QVERIFY(deliver(w, "update_window", statusRecord(0x02)));
    QCOMPARE(faults->bitLabel(16)->styleSheet(), red);
    QVERIFY(QMetaObject::invokeMethod(&w, "showSupplyAnswering", Q_ARG(bool, false)));
    QCOMPARE(faults->bitLabel(16)->styleSheet(), QString());
    faults->close();
}

void LiveDisplayTest::unreadableStatusKeepsLastState_data()
{
    QTest::addColumn<QString>("good");
    QTest::addColumn<QString>("unreadable");
    QTest::addColumn<QString>("then"); // after the unreadable reports
    // Output on with a fault: read as 0 instead, every indication and group would change.
    QTest::newRow("ZZ") << "00020003"
                        << "ZZ"
                        << "";
    QTest::newRow("-1") << "00020003"
                        << "-1"
                        << "";
    QTest::newRow("1FFFFFFFF") << "00020003"
                               << "1FFFFFFFF"
                               << "";
    QTest::newRow("empty") << "00020003"
                           << ""
                           << "";
    // Local: read as 0 instead, the controls would come back.
    QTest::newRow("ZZ while local") << "4"
                                    << "ZZ"
                                    << "";
    // Each time the status stops reading is said again.
    QTest::newRow("ZZ again after a word") << "00020003"
                                           << "ZZ"
                                           << "again";
    // Said again on later reports, but over no other message.
    QTest::newRow("ZZ after a refusal is shown") << "00020003"
                                                 << "ZZ"
                                                 << "refusal";
    // Another connection whose status never reads: nothing of the last one is its state.
    QTest::newRow("ZZ from a new connection's first reply") << "00020003"
                                                            << "ZZ"
                                                            << "reconnect";
}

void LiveDisplayTest::unreadableStatusKeepsLastState()
{
    QFETCH(QString, good);
    QFETCH(QString, unreadable);
    LogCapture log(mainWindowLogger);
    MainWindow w;
    QVERIFY(reportState(w, QAbstractSocket::ConnectedState));
    auto* faults = w.findChild<FaultDialog*>();
    faults->show();
    const char* const groups[] = {"groupBox_Controls", "groupBox_RegulationMode", "stackedWidget_Set"};
    const char* const indications[] = {"loc_rem_label", "on_off_label", "fault_pushButton"};
    auto shown = [&] {
        QStringList state;
        for (const char* name : indications)
            state << widget<QWidget>(w, name)->property("text").toString()
                  << widget<QWidget>(w, name)->styleSheet();
        for (const char* name : groups)
            state << QString::number(enabled(w, name));
        return state << faults->bitLabel(17)->styleSheet();
    };
    // Each report as the worker makes it: the live record and the payload alike.
    auto report = [&](const QString& status) {
        ps_data record;
        editLive(w.getThread(), [&](ps_data& live) {
            applyCurrentVoltageStatus(live, QStringLiteral("1.5:2:") + status);
            record = live;
        });
        return deliver(w, "update_window", record);
    };

    QVERIFY(report(good));
    const QStringList last = shown();
    if (good == QLatin1String("00020003"))
        QCOMPARE(last.mid(2, 4), (QStringList{"ON", green, "YES", red}));
    w.statusBar()->clearMessage();

    const QString said = QStringLiteral("\"") + unreadable + QStringLiteral("\" is unreadable");
    for (int i = 0; i < 2; ++i) {
        QVERIFY(report(unreadable));
        QCOMPARE(shown(), last);
        QVERIFY2(w.statusBar()->currentMessage().contains(said), qPrintable(w.statusBar()->currentMessage()));
    }
    QCOMPARE(widget<QLabel>(w, "current_display_label")->text(), QStringLiteral("1.5000"));
    // Said once, not on every report.
    QCOMPARE(log.lines().filter(QStringLiteral("error|")).size(), 1);
    QVERIFY(log.lines().filter(QStringLiteral("error|")).at(0).contains(QStringLiteral("unreadable")));

    QFETCH(QString, then);
    if (then == QLatin1String("reconnect")) {
        QVERIFY(reportState(w, QAbstractSocket::UnconnectedState));
        QVERIFY(reportState(w, QAbstractSocket::ConnectedState));
        editLive(w.getThread(), [](ps_data& live) { live = ps_data(); }); // as each run starts
        QVERIFY(report(unreadable));
        QCOMPARE(shown(), (QStringList{"?", neutral, "?", neutral, "?", neutral, "0", "0", "0", ""}));
    } else if (then == QLatin1String("refusal")) {
        QVERIFY(QMetaObject::invokeMethod(&w, "replyError", Q_ARG(QString, "MON"), Q_ARG(int, 8)));
        const QString refusal = w.statusBar()->currentMessage();
        QVERIFY(report(unreadable));
        QCOMPARE(w.statusBar()->currentMessage(), refusal);
    } else {
        QVERIFY(report(QStringLiteral("0")));
        QCOMPARE(widget<QLabel>(w, "on_off_label")->text(), QStringLiteral("OFF"));
        QVERIFY(enabled(w, "groupBox_RegulationMode"));
        if (then == QLatin1String("again"))
            QVERIFY(report(unreadable));
    }
    QCOMPARE(log.lines().filter(QStringLiteral("error|")).size(), then.isEmpty() ? 1 : 2);
    faults->close();
}

void LiveDisplayTest::identityAndReadingsFeeds()
{
    MainWindow w;
    auto* faults = w.findChild<FaultDialog*>();
    ps_data d;
    d.id = QStringLiteral("PS-0042");
    QVERIFY(deliver(w, "update_id", d));
    QCOMPARE(widget<QLabel>(w, "id_label")->text(), QStringLiteral("PS-0042"));

    d.temperature = QStringLiteral("35");
    d.leakage_current = QStringLiteral("0.126");
    d.temperature_avg.add(QStringLiteral("25"));
    d.temperature_avg.add(QStringLiteral("35"));
    QVERIFY(deliver(w, "update_temperature", d));
    d.leakage_avg.add(QStringLiteral("0.126"));
    QVERIFY(deliver(w, "update_leakage_current", d));
    bool temperature = false;
    bool leakage = false;
    for (QLabel* label : faults->findChildren<QLabel*>()) {
        temperature |= label->text().endsWith(QStringLiteral("(25.1 °C)"));
        leakage |= label->text().endsWith(QStringLiteral("(0.13 A)"));
    }
    QVERIFY(temperature);
    QVERIFY(leakage);

    // Nothing read on this connection: no reading, rather than a mean of none.
    QVERIFY(deliver(w, "update_temperature", ps_data()));
    QVERIFY(faults->bitLabel(20)->text().endsWith(QStringLiteral("(- °C)")));
}

void LiveDisplayTest::displayPostsNoTask()
{
    MainWindow w;
    QVERIFY(reportState(w, QAbstractSocket::ConnectedState));
    ps_thread* worker = w.getThread();
    clearQueue(worker);

    ps_data d = statusRecord(0x01, QStringLiteral("AIN,TRIG,POLARITY_INVERTER"));
    d.family = QStringLiteral("KORA-PS");
    d.polarity_kind = QStringLiteral("Bipolar");
    d.limits = QStringList{"-20.0", "20.0", "-10.0", "10.0"};
    d.trigger_mode = QStringLiteral("ON");
    d.float_mode = QStringLiteral("F");
    d.update_mode = QStringLiteral("ANALOG");
    d.loop_mode = QStringLiteral("V");
    for (const char* slot :
         {"update_model", "update_window", "update_trigger_mode", "update_float_mode", "update_upmode",
          "update_loop_mode", "update_id", "update_temperature", "update_leakage_current", "update_limits"})
        QVERIFY2(deliver(w, slot, d), slot);
    QVERIFY(QMetaObject::invokeMethod(&w, "updateDirectPolarity"));

    // The range change moved no spin value, and the selectors moved without posting.
    QCOMPARE(widget<QComboBox>(w, "comboBox_TriggerMode")->currentIndex(), 1);
    QCOMPARE(widget<QComboBox>(w, "comboBoxFloatMode")->currentIndex(), 1);
    QCOMPARE(widget<QComboBox>(w, "comboBox_Upmode")->currentIndex(), 1);
    QCOMPARE(widget<QComboBox>(w, "comboBox_Loop")->currentIndex(), 1);
    QCOMPARE(queuedTaskIds(worker), QList<int>());
}

void LiveDisplayTest::refusalShownWithoutLineEnd_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("shown");
    QTest::newRow("CR") << "MWI:5.0000000000\r"
                        << "MWI:5.0000000000";
    QTest::newRow("CR LF") << "MON\r\n"
                           << "MON";
    QTest::newRow("none") << "LOOP:?"
                          << "LOOP:?";
    QTest::newRow("inside kept") << "A\rB\r"
                                 << "A\rB";
}

void LiveDisplayTest::refusalShownWithoutLineEnd()
{
    QFETCH(QString, command);
    QFETCH(QString, shown);
    MainWindow w;
    ErrorCodes codes;
    QVERIFY(QMetaObject::invokeMethod(&w, "replyError", Q_ARG(QString, command), Q_ARG(int, 8)));
    QCOMPARE(w.statusBar()->currentMessage(),
             QStringLiteral("Command ") + shown + QStringLiteral(", ") + codes.message(8));
    QVERIFY(!codes.message(8).isEmpty());
}

QTEST_MAIN(LiveDisplayTest)
#include "tst_live_display.moc"
