// The main window's controls post exactly their task sequences: output
// buttons, set buttons, and every selector with its save and read-back;
// selectors set from reports post nothing. The polarity-inversion wait:
// when it is shown, and how it runs.

#include "livetest.h"

#include "inversionwait.h"
#include "supplyview.h"

#include "tempsettings.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>

#include <memory>

using namespace LiveTest;

class LiveControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void buttonsPostTheirTask_data();
    void buttonsPostTheirTask();
    void setButtonSendsStoredSetPoint();
    void triggerSelector();
    void floatSelector();
    void loopSelector_data();
    void loopSelector();
    void updateModeSelector_data();
    void updateModeSelector();
    void selectorsFromReports_data();
    void selectorsFromReports();
    void triggerSelectorEnabled_data();
    void triggerSelectorEnabled();
    void inversionDecision_data();
    void inversionDecision();
    void inversionWaitRuns_data();
    void inversionWaitRuns();

private:
    std::unique_ptr<TempSettings> settings;
    std::unique_ptr<MainWindow> window;
};

void LiveControlsTest::initTestCase()
{
    InversionWait::setStepMs(1);
}

void LiveControlsTest::init()
{
    settings = std::make_unique<TempSettings>();
    window = std::make_unique<MainWindow>();
    // Connected, the limits read, every group enabled: every control can be used.
    QVERIFY(reportState(*window, QAbstractSocket::ConnectedState));
    ps_data limits;
    limits.limits = QStringList{"-20.0", "20.0", "-10.0", "10.0"};
    QVERIFY(deliver(*window, "update_model", limits));
    QVERIFY(QMetaObject::invokeMethod(window.get(), "enableMainWindow", Q_ARG(bool, true)));
    clearQueue(window->getThread());
}

void LiveControlsTest::cleanup()
{
    window.reset();
    settings.reset();
}

void LiveControlsTest::buttonsPostTheirTask_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QList<int>>("tasks");
    QTest::newRow("ON") << "on_button" << QList<int>{1};
    QTest::newRow("OFF") << "off_button" << QList<int>{2};
    QTest::newRow("RESET") << "reset_button" << QList<int>{3};
    QTest::newRow("Set Current") << "set_current_button" << QList<int>{512};
    QTest::newRow("Ramp Current") << "ramp_current_button" << QList<int>{513};
    QTest::newRow("Set Voltage") << "set_voltage_button" << QList<int>{514};
    QTest::newRow("Ramp Voltage") << "ramp_voltage_button" << QList<int>{515};
}

void LiveControlsTest::buttonsPostTheirTask()
{
    QFETCH(QString, button);
    auto* b = window->findChild<QPushButton*>(button);
    QVERIFY(b);
    QVERIFY(b->isEnabled());
    b->click();
    QTEST(queuedTaskIds(window->getThread()), "tasks");
}

void LiveControlsTest::setButtonSendsStoredSetPoint()
{
    ps_thread* worker = window->getThread();
    window->findChild<QDoubleSpinBox*>(QStringLiteral("current_spin"))->setValue(5.0);
    window->findChild<QDoubleSpinBox*>(QStringLiteral("voltage_spin"))->setValue(-7.125);
    QVERIFY(queuedTaskIds(worker).isEmpty()); // a value change posts nothing
    window->findChild<QPushButton*>(QStringLiteral("set_current_button"))->click();
    window->findChild<QPushButton*>(QStringLiteral("ramp_voltage_button"))->click();
    QCOMPARE(queuedTaskIds(worker), (QList<int>{512, 515}));
    QMutexLocker lock(&worker->mutex);
    QCOMPARE(worker->current_setpoint, QStringLiteral("5.0000000000"));
    QCOMPARE(worker->voltage_setpoint, QStringLiteral("-7.1250000000"));
}

void LiveControlsTest::triggerSelector()
{
    auto* combo = window->findChild<QComboBox*>(QStringLiteral("comboBox_TriggerMode"));
    combo->setCurrentIndex(1);
    QCOMPARE(queuedTasks(window->getThread()), (QStringList{"1026:1", "18", "1027"}));
    clearQueue(window->getThread());
    combo->setCurrentIndex(0);
    QCOMPARE(queuedTasks(window->getThread()), (QStringList{"1026:0", "18", "1027"}));
}

void LiveControlsTest::floatSelector()
{
    auto* combo = window->findChild<QComboBox*>(QStringLiteral("comboBoxFloatMode"));
    combo->setCurrentIndex(1);
    QCOMPARE(queuedTasks(window->getThread()), (QStringList{"1030:F", "18", "1031"}));
    clearQueue(window->getThread());
    combo->setCurrentIndex(0);
    QCOMPARE(queuedTasks(window->getThread()), (QStringList{"1030:N", "18", "1031"}));
}

void LiveControlsTest::loopSelector_data()
{
    QTest::addColumn<QString>("supplyLoop");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QList<int>>("tasks");
    QTest::newRow("to V from I") << "I" << 0 << 1 << QList<int>{769, 18, 53};
    QTest::newRow("to I from V") << "V" << 1 << 0 << QList<int>{768, 18, 53};
    QTest::newRow("to I, already I") << "I" << 1 << 0 << QList<int>{};
    QTest::newRow("to V, already V") << "V" << 0 << 1 << QList<int>{};
    QTest::newRow("to I, loop unknown") << "" << 1 << 0 << QList<int>{};
    QTest::newRow("to V, loop unknown") << "" << 0 << 1 << QList<int>{769, 18, 53};
}

void LiveControlsTest::loopSelector()
{
    QFETCH(QString, supplyLoop);
    QFETCH(int, start);
    QFETCH(int, chosen);
    auto* combo = window->findChild<QComboBox*>(QStringLiteral("comboBox_Loop"));
    {
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(start);
    }
    // The decision reads the supply's live loop, not the selector.
    editLive(window->getThread(), [&](ps_data& live) { live.loop_mode = supplyLoop; });
    combo->setCurrentIndex(chosen);
    QTEST(queuedTaskIds(window->getThread()), "tasks");
}

void LiveControlsTest::updateModeSelector_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QList<int>>("tasks");
    QTest::newRow("Analog") << 0 << 1 << QList<int>{1025, 18, 54};
    QTest::newRow("Waveform") << 0 << 2 << QList<int>{1029, 18, 54};
    QTest::newRow("Normal") << 2 << 0 << QList<int>{1024, 18, 54};
}

void LiveControlsTest::updateModeSelector()
{
    QFETCH(int, start);
    QFETCH(int, chosen);
    auto* combo = window->findChild<QComboBox*>(QStringLiteral("comboBox_Upmode"));
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(2), QStringLiteral("Waveform"));
    {
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(start);
    }
    combo->setCurrentIndex(chosen);
    QTEST(queuedTaskIds(window->getThread()), "tasks");
}

void LiveControlsTest::selectorsFromReports_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("floating");
    QTest::addColumn<QString>("update");
    QTest::addColumn<QString>("loop");
    QTest::addColumn<int>("triggerIndex");
    QTest::addColumn<int>("floatIndex");
    QTest::addColumn<int>("updateIndex");
    QTest::addColumn<int>("loopIndex");
    QTest::addColumn<int>("page");

    QTest::newRow("ON F ANALOG V") << "ON"
                                   << "F"
                                   << "ANALOG"
                                   << "V" << 1 << 1 << 1 << 1 << 1;
    QTest::newRow("OFF N NORMAL I") << "OFF"
                                    << "N"
                                    << "NORMAL"
                                    << "I" << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("waveform, current loop") << "OFF"
                                            << "N"
                                            << "WAVEFORM"
                                            << "I" << 0 << 0 << 2 << 0 << 2;
    QTest::newRow("waveform, voltage loop") << "ON"
                                            << "F"
                                            << "WAVEFORM"
                                            << "V" << 1 << 1 << 2 << 1 << 2;
    QTest::newRow("lower-case words") << "on"
                                      << "n"
                                      << "waveform"
                                      << "v" << 0 << 1 << 0 << 0 << 0;
    // Not read: no entry says a mode.
    QTest::newRow("empty words") << ""
                                 << ""
                                 << ""
                                 << "" << -1 << -1 << -1 << -1 << 0;
}

void LiveControlsTest::selectorsFromReports()
{
    QFETCH(QString, trigger);
    QFETCH(QString, floating);
    QFETCH(QString, update);
    QFETCH(QString, loop);
    MainWindow& w = *window;
    ps_data d;
    d.family = QStringLiteral("KORA-PS");
    d.capabilities = QStringLiteral("AIN,TRIG");
    d.trigger_mode = trigger;
    d.float_mode = floating;
    d.update_mode = update;
    d.loop_mode = loop;
    // In the order of the poll: loop, update mode, trigger, float; then the
    // loop again, which places the set-point page.
    for (const char* slot : {"update_loop_mode", "update_upmode", "update_trigger_mode", "update_float_mode",
                             "update_loop_mode"})
        QVERIFY(deliver(w, slot, d));

    QTEST(w.findChild<QComboBox*>(QStringLiteral("comboBox_TriggerMode"))->currentIndex(), "triggerIndex");
    QTEST(w.findChild<QComboBox*>(QStringLiteral("comboBoxFloatMode"))->currentIndex(), "floatIndex");
    QTEST(w.findChild<QComboBox*>(QStringLiteral("comboBox_Upmode"))->currentIndex(), "updateIndex");
    QTEST(w.findChild<QComboBox*>(QStringLiteral("comboBox_Loop"))->currentIndex(), "loopIndex");
    QTEST(w.findChild<QStackedWidget*>(QStringLiteral("stackedWidget_Set"))->currentIndex(), "page");
    QCOMPARE(queuedTaskIds(w.getThread()), QList<int>());

    QFETCH(int, updateIndex);
    QFETCH(int, page);
    QCOMPARE(SupplyView::setPointPage(updateIndex, loop == QLatin1String("V")), page);
}

void LiveControlsTest::triggerSelectorEnabled_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("caps");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("KORA-PS with TRIG") << "KORA-PS"
                                       << "AIN,TRIG" << true;
    QTest::newRow("KORA-PS-M with TRIG") << "KORA-PS-M"
                                         << "TRIG" << true;
    QTest::newRow("KORA-PS without TRIG") << "KORA-PS"
                                          << "AIN" << false;
    QTest::newRow("KORA-PS-1K5") << "KORA-PS-1K5"
                                 << "AIN,TRIG" << false;
    QTest::newRow("ORTX") << "ORTX"
                          << "TRIG" << false;
    QTest::newRow("UNDEFINED") << "UNDEFINED"
                               << "TRIG" << false;
}

void LiveControlsTest::triggerSelectorEnabled()
{
    QFETCH(QString, family);
    QFETCH(QString, caps);
    ps_data d;
    d.family = family;
    d.capabilities = caps;
    d.trigger_mode = QStringLiteral("ON");
    QVERIFY(deliver(*window, "update_trigger_mode", d));
    auto* combo = window->findChild<QComboBox*>(QStringLiteral("comboBox_TriggerMode"));
    QTEST(combo->isEnabled(), "enabled");
    QCOMPARE(combo->currentIndex(), 1);
    QTEST(SupplyView::triggerSelectable(family, caps), "enabled");
    QCOMPARE(queuedTaskIds(window->getThread()), QList<int>());
}

void LiveControlsTest::inversionDecision_data()
{
    QTest::addColumn<QString>("caps");
    QTest::addColumn<QString>("polarity");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("wait");
    const QString inv = QStringLiteral("AIN,POLARITY_INVERTER");
    QTest::newRow("direct, positive") << inv << "DIRECT" << 5.0 << false;
    QTest::newRow("direct, zero") << inv << "DIRECT" << 0.0 << false;
    QTest::newRow("direct, negative") << inv << "DIRECT" << -5.0 << true;
    QTest::newRow("inverted, negative") << inv << "INVERT" << -5.0 << false;
    QTest::newRow("inverted, zero") << inv << "INVERT" << 0.0 << true;
    QTest::newRow("inverted, positive") << inv << "INVERT" << 5.0 << true;
    QTest::newRow("unknown polarity, positive") << inv << "" << 1.0 << true;
    QTest::newRow("lower-case direct") << inv << "direct" << 1.0 << true;
    QTest::newRow("no inverter") << "AIN,TRIG"
                                 << "DIRECT" << -5.0 << false;
    QTest::newRow("no capabilities") << ""
                                     << "INVERT" << 5.0 << false;
}

void LiveControlsTest::inversionDecision()
{
    QFETCH(QString, caps);
    QFETCH(QString, polarity);
    QFETCH(double, value);
    QTEST(InversionWait::needed(caps, polarity, value), "wait");
}

void LiveControlsTest::inversionWaitRuns_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("caps");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("task");
    QTest::addColumn<bool>("wait");
    const QString inv = QStringLiteral("POLARITY_INVERTER");
    QTest::newRow("Set Current 5") << "set_current_button" << inv << 5.0 << 512 << false;
    QTest::newRow("Set Current -5") << "set_current_button" << inv << -5.0 << 512 << true;
    QTest::newRow("Ramp Current -5") << "ramp_current_button" << inv << -5.0 << 513 << true;
    QTest::newRow("Set Voltage -3") << "set_voltage_button" << inv << -3.0 << 514 << true;
    QTest::newRow("Ramp Voltage 3") << "ramp_voltage_button" << inv << 3.0 << 515 << false;
    QTest::newRow("Set Voltage -3, no inverter") << "set_voltage_button"
                                                 << "AIN" << -3.0 << 514 << false;
}

void LiveControlsTest::inversionWaitRuns()
{
    QFETCH(QString, button);
    QFETCH(QString, caps);
    QFETCH(double, value);
    QFETCH(int, task);
    QFETCH(bool, wait);
    MainWindow& w = *window;
    editLive(w.getThread(), [&](ps_data& live) {
        live.capabilities = caps;
        live.polarity = QStringLiteral("DIRECT");
    });
    w.findChild<QDoubleSpinBox*>(QStringLiteral("current_spin"))->setValue(value);
    w.findChild<QDoubleSpinBox*>(QStringLiteral("voltage_spin"))->setValue(value);

    // Watch for the wait while the button's click runs it.
    QString label;
    bool windowModal = false;
    int highest = -1;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        for (QProgressDialog* p : w.findChildren<QProgressDialog*>()) {
            if (!p->isVisible())
                continue;
            label = p->labelText();
            windowModal = p->windowModality() == Qt::WindowModal;
            highest = qMax(highest, p->value());
        }
    });
    probe.start(0);
    QElapsedTimer clock;
    clock.start();
    w.findChild<QPushButton*>(button)->click();
    const qint64 elapsed = clock.elapsed();
    probe.stop();

    QCOMPARE(queuedTaskIds(w.getThread()), QList<int>{task});
    if (wait) {
        QCOMPARE(label, QStringLiteral("Inverting polarity, please wait..."));
        QVERIFY(windowModal);
        QVERIFY(highest > 0);
        QVERIFY(elapsed >= 100 * InversionWait::stepMs());
    } else {
        QVERIFY(label.isEmpty());
    }
    // The dialog is gone afterwards.
    QCOMPARE(w.findChildren<QProgressDialog*>().size(), 0);
}

QTEST_MAIN(LiveControlsTest)
#include "tst_live_controls.moc"
