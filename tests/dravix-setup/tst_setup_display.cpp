// What the set-up dialog queues when it opens, how its progress bar runs, and
// what it shows for crafted status reports.

#include "setuprig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>
#include <QtTest>

#include <limits>

class SetupRefreshTest : public QObject
{
    Q_OBJECT

private slots:
    void constructionQueuesTheRefresh();
    void refreshCountsCodesStillWaiting();
    void barFillsInTwentyStepsThenStops();
    void shortEstimateTicksAtOnce();
    void reportHidesTheBar();
};

class SetupDisplayTest : public QObject
{
    Q_OBJECT

private slots:
    void passwordState();
    void identityAndNetwork();
    void headModel_data();
    void headModel();
    void clockAndCurrent();
    void channels_data();
    void channels();
    void numbers_data();
    void numbers();
    void modeRule();
    void trigger_data();
    void trigger();
    void alarm();
    void headMatch();
    void calibrationValues();
    void sdCardMounted();
    void sdSizesMissingOrInvalid();
    void sdCardNotMounted();
    void savingStateAsksNothing();
    void samplingTimeWarning_data();
    void samplingTimeWarning();
    void samplingTimeWarnsOnce();
};

static const QStringList refreshCodes = {"80",  "73",  "256", "257", "258", "133", "134", "67", "71", "69",
                                         "7",   "5",   "39",  "40",  "130", "131", "117", "82", "4",  "136",
                                         "144", "146", "148", "262", "264", "272", "274", "32", "103"};

// ---- Refresh and progress -----------------------------------------------------

void SetupRefreshTest::constructionQueuesTheRefresh()
{
    SetupRig rig;
    QCOMPARE(rig.queued(), refreshCodes);
    // 29 codes x 80 ms, in twenty steps.
    QVERIFY(rig.dialog->progressTimer().isActive());
    QCOMPARE(rig.dialog->progressTimer().interval(), 116);
    QVERIFY(!rig.w<QProgressBar>("progressBar_refresh")->isHidden());
}

void SetupRefreshTest::refreshCountsCodesStillWaiting()
{
    SetupRig rig;
    rig.click("pushButton_refresh");
    QCOMPARE(rig.queued(), refreshCodes + refreshCodes);
    QCOMPARE(rig.dialog->progressTimer().interval(), 58 * 80 / 20);
}

void SetupRefreshTest::barFillsInTwentyStepsThenStops()
{
    SetupRig rig(2); // 29 x 2 ms: a 2 ms step
    auto* bar = rig.w<QProgressBar>("progressBar_refresh");
    QCOMPARE(rig.dialog->progressTimer().interval(), 2);
    QTRY_COMPARE(bar->value(), 100);
    QTRY_VERIFY(!rig.dialog->progressTimer().isActive());
    QCOMPARE(bar->value(), 100);
}

void SetupRefreshTest::shortEstimateTicksAtOnce()
{
    SetupRig rig;
    rig.clearQueue();
    rig.thread.interval_ms = 0;
    rig.click("pushButton_refresh");
    QCOMPARE(rig.dialog->progressTimer().interval(), 0);
}

void SetupRefreshTest::reportHidesTheBar()
{
    SetupRig rig;
    auto* bar = rig.w<QProgressBar>("progressBar_refresh");
    bar->setValue(35);
    rig.show(Dcct_data());
    QVERIFY(bar->isHidden());
    QCOMPARE(bar->value(), 0);
    // Only the bar goes: a running estimate keeps counting the hidden bar.
    QVERIFY(rig.dialog->progressTimer().isActive());
}

// ---- Display --------------------------------------------------------------------

void SetupDisplayTest::passwordState()
{
    SetupRig rig;
    auto* tabs = rig.w<QTabWidget>("tabWidget");
    Dcct_data d;
    d.password_set = true;
    rig.show(d);
    QVERIFY(tabs->isTabEnabled(4));
    QVERIFY(!rig.w<QCheckBox>("checkBox_ACQ_ADC_T")->isHidden());
    QCOMPARE(rig.w<QPushButton>("pushButton_password")->text(), QStringLiteral("Reset Password"));

    d.password_set = false;
    rig.show(d);
    QVERIFY(!tabs->isTabEnabled(4));
    QVERIFY(rig.w<QCheckBox>("checkBox_ACQ_ADC_T")->isHidden());
    QCOMPARE(rig.w<QPushButton>("pushButton_password")->text(), QStringLiteral("Set Password"));
}

void SetupDisplayTest::identityAndNetwork()
{
    SetupRig rig;
    Dcct_data d;
    d.name = "SENTREL-01";
    d.box_des = "Beam line 3";
    d.box_sn = "SN-42";
    d.fw_version = "2.3.1";
    d.dcct_des = "Ring DCCT";
    d.dcct_sn = "H-77";
    d.ip = "192.168.0.20";
    d.mask = "255.255.255.0";
    d.gate = "192.168.0.1";
    d.mac = "00:1A:2B:3C:4D:5E";
    d.ip_new = "10.0.0.5";
    d.mask_new = "255.0.0.0";
    d.gate_new = "10.0.0.1";
    d.mac_new = "00:1A:2B:3C:4D:5F";
    rig.show(d);

    QCOMPARE(rig.w<QLineEdit>("lineEdit_sentrel_name")->text(), d.name);
    QCOMPARE(rig.w<QLabel>("label_sentrel_des")->text(), d.box_des);
    QCOMPARE(rig.w<QLineEdit>("lineEdit_sentrel_des")->text(), d.box_des);
    QCOMPARE(rig.w<QLabel>("label_sentrel_sn")->text(), d.box_sn);
    QCOMPARE(rig.w<QLabel>("label_sentrel_f_ver")->text(), d.fw_version);
    QCOMPARE(rig.w<QLabel>("label_dcct_des")->text(), d.dcct_des);
    QCOMPARE(rig.w<QLineEdit>("lineEdit_dcct_des")->text(), d.dcct_des);
    QCOMPARE(rig.w<QLabel>("label_dcct_sn")->text(), d.dcct_sn);
    QCOMPARE(rig.w<QLabel>("label_ip_address")->text(), d.ip);
    QCOMPARE(rig.w<QLabel>("label_sub_net")->text(), d.mask);
    QCOMPARE(rig.w<QLabel>("label_gateway")->text(), d.gate);
    QCOMPARE(rig.w<QLabel>("label_mac_address")->text(), d.mac);
    QCOMPARE(rig.w<QLabel>("label_mac_address_2")->text(), d.mac);
    QCOMPARE(rig.w<QLineEdit>("lineEdit_new_ipAddress")->text(), d.ip_new);
    QCOMPARE(rig.w<QLineEdit>("lineEdit_new_subNet")->text(), d.mask_new);
    QCOMPARE(rig.w<QLineEdit>("lineEdit_new_gateway")->text(), d.gate_new);
    QCOMPARE(rig.w<QLineEdit>("lineEdit_new_mac_address")->text(), d.mac_new);

    // A report overwrites what was typed and not applied.
    rig.w<QLineEdit>("lineEdit_sentrel_name")->setText("typed");
    rig.show(d);
    QCOMPARE(rig.w<QLineEdit>("lineEdit_sentrel_name")->text(), d.name);
}

void SetupDisplayTest::headModel_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("serial");

    QTest::newRow("VANTO-300") << "3 A1234"
                               << "VANTO-300 A1234" << 3 << "A1234";
    QTest::newRow("VANTO-1000") << "6 Z9"
                                << "VANTO-1000 Z9" << 6 << "Z9";
    QTest::newRow("no serial") << "5"
                               << "VANTO-600 " << 5 << "";
    QTest::newRow("unknown model") << "9 A1234"
                                   << "- A1234" << -1 << "A1234";
    QTest::newRow("negative model") << "-1 A1234"
                                    << "- A1234" << -1 << "A1234";
    QTest::newRow("huge model") << "99999999999 X"
                                << "- X" << -1 << "X";
    QTest::newRow("record default") << "-"
                                    << "- " << -1 << "";
    QTest::newRow("not a number") << "NAK"
                                  << "- " << -1 << "";
    QTest::newRow("plus sign") << "+2 S1"
                               << "VANTO-200 S1" << 2 << "S1";
}

void SetupDisplayTest::headModel()
{
    QFETCH(QString, reply);
    QFETCH(QString, label);
    QFETCH(int, index);
    QFETCH(QString, serial);

    SetupRig rig;
    Dcct_data d;
    d.dcct_model = reply;
    rig.show(d);
    QCOMPARE(rig.w<QLabel>("label_dcct_model")->text(), label);
    QCOMPARE(rig.w<QComboBox>("comboBox_dcct_model")->currentIndex(), index);
    QCOMPARE(rig.w<QLineEdit>("lineEdit_dcct_model_sn")->text(), serial);
}

void SetupDisplayTest::clockAndCurrent()
{
    SetupRig rig;
    Dcct_data d;
    d.date = QDate(2018, 3, 7);
    d.time = QTime(14, 5, 9);
    d.current = 149.987654321;
    rig.show(d);
    QCOMPARE(rig.w<QDateEdit>("dateEdit_date")->text(), QStringLiteral("07/03/2018"));
    QCOMPARE(rig.w<QTimeEdit>("timeEdit_time")->text(), QStringLiteral("14:05:09"));
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_current")->text(), QStringLiteral("149.987654321"));
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_current_2")->text(), QStringLiteral("149.987654321"));
}

void SetupDisplayTest::channels_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<bool>("head");
    QTest::addColumn<bool>("ext");
    QTest::addColumn<bool>("adc");
    QTest::newRow("0") << 0 << false << false << false;
    QTest::newRow("5") << 5 << true << false << true;
    QTest::newRow("6") << 6 << true << true << false;
    QTest::newRow("7") << 7 << true << true << true;
    // Outside 0..7 the boxes stay as the previous report (layout 7) left them.
    QTest::newRow("8 keeps") << 8 << true << true << true;
    QTest::newRow("-1 keeps") << -1 << true << true << true;
}

void SetupDisplayTest::channels()
{
    QFETCH(int, layout);
    QFETCH(bool, head);
    QFETCH(bool, ext);
    QFETCH(bool, adc);
    SetupRig rig;
    Dcct_data d;
    d.line_layout = 7;
    rig.show(d);
    d.line_layout = layout;
    rig.show(d);
    QCOMPARE(rig.w<QCheckBox>("checkBox_ACQ_headT")->isChecked(), head);
    QCOMPARE(rig.w<QCheckBox>("checkBox_ACQ_extT")->isChecked(), ext);
    QCOMPARE(rig.w<QCheckBox>("checkBox_ACQ_ADC_T")->isChecked(), adc);
}

void SetupDisplayTest::numbers_data()
{
    QTest::addColumn<QString>("ts");
    QTest::addColumn<QString>("freq");
    QTest::addColumn<QString>("pturns");
    QTest::addColumn<int>("shownTs");
    QTest::addColumn<double>("shownFreq");
    QTest::addColumn<int>("shownPturns");

    QTest::newRow("plain") << "100"
                           << "2.5"
                           << "7" << 100 << 2.5 << 7;
    QTest::newRow("truncated") << "1000.9"
                               << "10"
                               << "3.99" << 1000 << 10.0 << 3;
    QTest::newRow("clamped") << "5"
                             << "250"
                             << "500" << 10 << 10.0 << 100;
    QTest::newRow("huge") << "1e300"
                          << "1e300"
                          << "1e300" << 1000000 << 10.0 << 100;
    QTest::newRow("not numbers") << "abc"
                                 << ""
                                 << "NAK" << 10 << 0.1 << 1;
    QTest::newRow("infinities") << "inf"
                                << "-inf"
                                << "nan" << 10 << 0.1 << 1;
}

void SetupDisplayTest::numbers()
{
    QFETCH(QString, ts);
    QFETCH(QString, freq);
    QFETCH(QString, pturns);
    QFETCH(int, shownTs);
    QFETCH(double, shownFreq);
    QFETCH(int, shownPturns);
    SetupRig rig;
    Dcct_data d;
    d.ts = ts;
    d.freq = freq;
    d.pturns = pturns;
    rig.show(d);
    QCOMPARE(rig.w<QSpinBox>("spinBox_ts")->value(), shownTs);
    QCOMPARE(rig.w<QDoubleSpinBox>("spinBox_freq")->value(), shownFreq);
    QCOMPARE(rig.w<QSpinBox>("spinBox_pturns")->value(), shownPturns);
}

void SetupDisplayTest::modeRule()
{
    SetupRig rig;
    const char* dlogSide[] = {"checkBox_ACQ_ADC_T",  "checkBox_ACQ_extT", "checkBox_ACQ_headT",
                              "checkBox_save_to_SD", "spinBox_freq",      "label_frequency"};
    const char* scopeSide[] = {"label_ts", "spinBox_ts"};
    Dcct_data d;
    d.mode_dlog = true;
    rig.show(d);
    QVERIFY(rig.w<QRadioButton>("radioButton_datalogger")->isChecked());
    QVERIFY(!rig.w<QRadioButton>("radioButton_scope")->isChecked());
    for (const char* n : dlogSide)
        QVERIFY2(rig.w<QWidget>(n)->isEnabled(), n);
    for (const char* n : scopeSide)
        QVERIFY2(!rig.w<QWidget>(n)->isEnabled(), n);

    d.mode_dlog = false;
    rig.show(d);
    QVERIFY(!rig.w<QRadioButton>("radioButton_datalogger")->isChecked());
    QVERIFY(rig.w<QRadioButton>("radioButton_scope")->isChecked());
    for (const char* n : dlogSide)
        QVERIFY2(!rig.w<QWidget>(n)->isEnabled(), n);
    for (const char* n : scopeSide)
        QVERIFY2(rig.w<QWidget>(n)->isEnabled(), n);
}

void SetupDisplayTest::trigger_data()
{
    QTest::addColumn<bool>("in");
    QTest::addColumn<bool>("out");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("internal");
    QTest::addColumn<bool>("external");
    QTest::newRow("input") << true << false << true << true << false;
    QTest::newRow("output") << false << true << true << false << true;
    // Off: the radio buttons keep the previous report's choice (output).
    QTest::newRow("off") << false << false << false << false << true;
}

void SetupDisplayTest::trigger()
{
    QFETCH(bool, in);
    QFETCH(bool, out);
    QFETCH(bool, enabled);
    QFETCH(bool, internal);
    QFETCH(bool, external);
    SetupRig rig;
    Dcct_data d;
    d.trigger_out = true;
    rig.show(d);
    d.trigger_in = in;
    d.trigger_out = out;
    rig.show(d);
    QCOMPARE(rig.w<QCheckBox>("checkBox_trig_enable")->isChecked(), enabled);
    QCOMPARE(rig.w<QRadioButton>("radioButton_trg_internal")->isChecked(), internal);
    QCOMPARE(rig.w<QRadioButton>("radioButton_trg_external")->isChecked(), external);
    QCOMPARE(rig.w<QRadioButton>("radioButton_trg_internal")->isEnabled(), enabled);
    QCOMPARE(rig.w<QRadioButton>("radioButton_trg_external")->isEnabled(), enabled);
}

void SetupDisplayTest::alarm()
{
    SetupRig rig;
    Dcct_data d;
    d.alarm_ulim = "250.5";
    d.alarm_llim = "-12.25";
    d.alarm_enabled = true;
    rig.show(d);
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_alaMax")->value(), 250.5);
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_alaMin")->value(), -12.25);
    QVERIFY(rig.w<QCheckBox>("checkBox_alarm")->isChecked());
    for (const char* n : {"doubleSpinBox_alaMax", "doubleSpinBox_alaMin", "label_23", "label_24"})
        QVERIFY2(rig.w<QWidget>(n)->isEnabled(), n);

    d.alarm_enabled = false;
    rig.show(d);
    for (const char* n : {"doubleSpinBox_alaMax", "doubleSpinBox_alaMin", "label_23", "label_24"})
        QVERIFY2(!rig.w<QWidget>(n)->isEnabled(), n);
}

void SetupDisplayTest::headMatch()
{
    SetupRig rig;
    Dcct_data d;
    d.err_head_match = true;
    rig.show(d);
    QCOMPARE(rig.w<QLabel>("label_matched")->text(), QStringLiteral("No"));
    QCOMPARE(rig.w<QLabel>("label_matched_2")->text(), QStringLiteral("No"));
    d.err_head_match = false;
    rig.show(d);
    QCOMPARE(rig.w<QLabel>("label_matched")->text(), QStringLiteral("Yes"));
    QCOMPARE(rig.w<QLabel>("label_matched_2")->text(), QStringLiteral("Yes"));
    // Neither the match, the card, a current, the mode nor the name read on this connection.
    d.read_codes = {7};
    rig.show(d);
    for (const char* n : {"label_matched", "label_matched_2", "label_SD_status"})
        QCOMPARE(rig.w<QLabel>(n)->text(), QStringLiteral("-"));
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_current")->text(), QStringLiteral("-"));
    QVERIFY(!rig.w<QRadioButton>("radioButton_scope")->isChecked());
    QVERIFY(rig.w<QLineEdit>("lineEdit_sentrel_name")->text().isEmpty());
    rig.prompts.clear();
    rig.dialog->update_status_conf_dialog(Dcct_data()); // a closed link's record: nothing said
    QVERIFY(rig.prompts.isEmpty());
}

void SetupDisplayTest::calibrationValues()
{
    SetupRig rig;
    Dcct_data d = SetupRig::unlockedRecord();
    d.cal_on = true;
    d.gain_pos = "1000.250000";
    d.gain_neg = "999.870000";
    d.offset = "0.002134";
    rig.show(d);
    QVERIFY(rig.w<QCheckBox>("checkBox_enable_cal")->isChecked());
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_gain_pos")->text(), QStringLiteral("1000.250000"));
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_gain_neg")->text(), QStringLiteral("999.870000"));
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_offset")->text(), QStringLiteral("0.002134000"));
    d.cal_on = false;
    rig.show(d);
    QVERIFY(!rig.w<QCheckBox>("checkBox_enable_cal")->isChecked());
}

void SetupDisplayTest::sdCardMounted()
{
    SetupRig rig;
    Dcct_data d;
    d.sd_mounted = true;
    d.sd_state = "Mounted";
    d.sd_files = QStringList{"LOG001.TXT", "MY DATA.TXT", "EMPTY.TXT"};
    d.sd_sizes = QList<double>{2560, 40960, 0};
    rig.show(d);
    auto* files = rig.w<QComboBox>("comboBox_SD_files");
    QCOMPARE(files->count(), 3);
    QCOMPARE(files->itemText(0), QStringLiteral("LOG001.TXT   Size: 2.5 kB"));
    QCOMPARE(files->itemText(1), QStringLiteral("MY DATA.TXT   Size: 40.0 kB"));
    QCOMPARE(files->itemText(2), QStringLiteral("EMPTY.TXT   Size: 0.0 kB"));
    QCOMPARE(rig.w<QPushButton>("pushButton_SD_mount_unmount")->text(), QStringLiteral("Unmount"));
    QCOMPARE(rig.w<QLabel>("label_SD_status")->text(), QStringLiteral("Mounted"));
    QCOMPARE(rig.w<QLabel>("label_SD_log")->text(), QStringLiteral("Mounted"));
    QVERIFY(rig.dialog->cardMounted());
}

void SetupDisplayTest::sdSizesMissingOrInvalid()
{
    SetupRig rig;
    Dcct_data d;
    d.sd_mounted = true;
    d.sd_files = QStringList{"A.TXT", "B.TXT", "C.TXT", "D.TXT", "E.TXT", "F.TXT"};
    // F has no size at all: the list is one short.
    d.sd_sizes = QList<double>{Dcct_data::sd_size_unknown, std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN(), -5.0, 1e300};
    rig.show(d);
    auto* files = rig.w<QComboBox>("comboBox_SD_files");
    QCOMPARE(files->count(), 6);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(files->itemText(i), d.sd_files.at(i) + QStringLiteral("   Size: unknown"));
}

void SetupDisplayTest::sdCardNotMounted()
{
    SetupRig rig;
    Dcct_data d;
    d.sd_mounted = true;
    d.sd_files = QStringList{"LOG001.TXT"};
    d.sd_sizes = QList<double>{100};
    rig.show(d);
    d.sd_mounted = false;
    d.sd_state = "Unmounted";
    rig.show(d);
    QCOMPARE(rig.w<QComboBox>("comboBox_SD_files")->count(), 0);
    QCOMPARE(rig.w<QPushButton>("pushButton_SD_mount_unmount")->text(), QStringLiteral("Mount"));
    QCOMPARE(rig.w<QLabel>("label_SD_status")->text(), QStringLiteral("Not Mounted"));
    QCOMPARE(rig.w<QLabel>("label_SD_log")->text(), QStringLiteral("Unmounted"));
    QVERIFY(!rig.dialog->cardMounted());
}

void SetupDisplayTest::savingStateAsksNothing()
{
    SetupRig rig;
    Dcct_data d;
    d.mode_dlog = true;
    d.save_sd = true;
    rig.show(d);
    QVERIFY(rig.w<QCheckBox>("checkBox_save_to_SD")->isChecked());
    d.save_sd = false;
    rig.show(d);
    QVERIFY(!rig.w<QCheckBox>("checkBox_save_to_SD")->isChecked());
    QVERIFY(!rig.promptKinds().contains("question"));
    QVERIFY(!rig.dialog->unmountOnApply());
}

void SetupDisplayTest::samplingTimeWarning_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("warns");
    QTest::newRow("25") << 25 << true;
    QTest::newRow("30") << 30 << false;
    QTest::newRow("1000000") << 1000000 << false;
    QTest::newRow("11") << 11 << true;
}

void SetupDisplayTest::samplingTimeWarning()
{
    QFETCH(int, value);
    QFETCH(bool, warns);
    SetupRig rig;
    auto* ts = rig.w<QSpinBox>("spinBox_ts");
    ts->setValue(value);
    emit ts->editingFinished();
    if (!warns) {
        QVERIFY(rig.prompts.isEmpty());
        return;
    }
    QCOMPARE(rig.prompts.size(), 1);
    QCOMPARE(rig.prompts.at(0).kind, QStringLiteral("warning"));
    QCOMPARE(rig.prompts.at(0).title, QStringLiteral("SENTREL Viewer"));
    QCOMPARE(rig.prompts.at(0).text,
             QStringLiteral("Sampling Time must be multiple of 10 ") + QChar(0x00b5) + QStringLiteral("s"));
    // The value stays and can still be applied.
    QCOMPARE(ts->value(), value);
    // The frequency check says nothing.
    emit rig.w<QDoubleSpinBox>("spinBox_freq")->editingFinished();
    QCOMPARE(rig.prompts.size(), 1);
}

void SetupDisplayTest::samplingTimeWarnsOnce()
{
    SetupRig rig;
    auto* ts = rig.w<QSpinBox>("spinBox_ts");
    ts->setValue(25);
    // The warning takes the focus away, which finishes the editing again.
    Setup_dialog::setWarningHook([&](QWidget*, const QString& title, const QString& text) {
        rig.prompts.append({QStringLiteral("warning"), title, text});
        emit ts->editingFinished();
    });
    emit ts->editingFinished();
    QCOMPARE(rig.prompts.size(), 1);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int status = 0;
    {
        SetupRefreshTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        SetupDisplayTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_setup_display.moc"
