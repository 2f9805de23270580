// What every action of the set-up dialog queues in the box's worker: codes,
// arguments, their order, the progress estimate, and the refusals.

#include "setuprig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QtTest>

using RecordEdit = std::function<void(Dcct_data&)>;
Q_DECLARE_METATYPE(RecordEdit)

// A rig whose queue is empty after the opening refresh, with every page usable.
class ReadyRig : public SetupRig
{
public:
    ReadyRig()
    {
        show(unlockedRecord());
        clearQueue();
        prompts.clear();
    }
    int progressInterval() const { return dialog->progressTimer().interval(); }
};

class SetupGeneralTest : public QObject
{
    Q_OBJECT

private slots:
    void saveName_data();
    void saveName();
    void dateAndTime_data();
    void dateAndTime();
    void network_data();
    void network();
    void unchangedSaveSendsOnlyWhatWasRead_data();
    void unchangedSaveSendsOnlyWhatWasRead();
};

class SetupAcquisitionTest : public QObject
{
    Q_OBJECT

private slots:
    void applyModeDataLogger();
    void applyModeScopeWithUnmount();
    void applyKeepsWhatTheFormCannotShow_data();
    void applyKeepsWhatTheFormCannotShow();
    void unmountQuestion_data();
    void unmountQuestion();
    void channelDigits_data();
    void channelDigits();
    void turnsCurrentAndOffset();
    void trigger_data();
    void trigger();
    void alarmLimitsEqual();
    void alarmLimits_data();
    void alarmLimits();
    void alarmKeepsWhatTheFormCannotShow_data();
    void alarmKeepsWhatTheFormCannotShow();
};

class SetupCalibrationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void referencesAndGains_data();
    void referencesAndGains();
    void calibrationSwitch();
    void readCurrentAndMatch();
    void headModel_data();
    void headModel();
    void unansweredHeadModelIsNotSentBack();
    void descriptions_data();
    void descriptions();
    void macAddress_data();
    void macAddress();
    void eepromInit_data();
    void eepromInit();
    void password_data();
    void password();

private:
    QLocale before;
};

// ---- General --------------------------------------------------------------------

void SetupGeneralTest::saveName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<QString>("left");
    QTest::addColumn<int>("warnings");
    QTest::newRow("name") << "BOX-7" << QStringList{"72:BOX-7", "73"} << "" << 0;
    QTest::newRow("blanks kept") << " a b " << QStringList{"72: a b ", "73"} << "" << 0;
    QTest::newRow("empty reads back") << "" << QStringList{"73"} << "" << 0;
    QTest::newRow("accent refused") << QStringLiteral("M\u00fcller") << QStringList{}
                                    << QStringLiteral("M\u00fcller") << 1;
    QTest::newRow("line break refused") << "A\rstatus:?" << QStringList{} << "A\rstatus:?" << 1;
    QTest::newRow("sent whole") << QString(40, 'x') << QStringList{"72:" + QString(40, 'x'), "73"} << "" << 0;
}

void SetupGeneralTest::saveName()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, queued);
    QFETCH(QString, left);
    QFETCH(int, warnings);
    ReadyRig rig;
    rig.w<QLineEdit>("lineEdit_sentrel_name")->setText(typed);
    rig.click("pushButton_save_name");
    QCOMPARE(rig.take(), queued);
    QCOMPARE(rig.w<QLineEdit>("lineEdit_sentrel_name")->text(), left);
    QCOMPARE(rig.prompts.size(), warnings);
}

void SetupGeneralTest::dateAndTime_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("dateText");
    QTest::addColumn<QString>("timeText");
    QTest::newRow("2018") << QDate(2018, 3, 7) << QTime(14, 5, 9) << "07.03.2018"
                          << "14.05.09";
    QTest::newRow("end of year") << QDate(1999, 12, 31) << QTime(23, 59, 59) << "31.12.1999"
                                 << "23.59.59";
    QTest::newRow("midnight") << QDate(1978, 4, 11) << QTime(0, 0, 0) << "11.04.1978"
                              << "00.00.00";
}

void SetupGeneralTest::dateAndTime()
{
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(QString, dateText);
    QFETCH(QString, timeText);
    ReadyRig rig;
    rig.w<QDateEdit>("dateEdit_date")->setDate(date);
    rig.click("pushButton_apply_date");
    QCOMPARE(rig.take(), (QStringList{"70:" + dateText, "71"}));
    QCOMPARE(rig.progressInterval(), 1 * 1 * 80 / 20);
    rig.w<QTimeEdit>("timeEdit_time")->setTime(time);
    rig.click("pushButton_apply_time");
    QCOMPARE(rig.take(), (QStringList{"68:" + timeText, "69"}));
}

void SetupGeneralTest::network_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("gate");
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<int>("warnings");
    const QStringList reads = {"262", "264", "272"};
    QTest::newRow("all three") << "10.0.0.5"
                               << "255.0.0.0"
                               << "10.0.0.1"
                               << (QStringList{"137:10.0.0.5", "145:255.0.0.0", "147:10.0.0.1"} + reads) << 0;
    QTest::newRow("leading zeros") << "010.000.000.001"
                                   << ""
                                   << "" << (QStringList{"137:010.000.000.001"} + reads) << 0;
    QTest::newRow("empty fields not sent") << ""
                                           << "255.255.0.0"
                                           << "" << (QStringList{"145:255.255.0.0"} + reads) << 0;
    QTest::newRow("nothing typed") << ""
                                   << ""
                                   << "" << reads << 0;
    QTest::newRow("incomplete refused") << "10.0.0.5"
                                        << "255.255"
                                        << "10.0.0.1" << QStringList{} << 1;
    QTest::newRow("out of range refused") << "300.1.1.1"
                                          << ""
                                          << "" << QStringList{} << 1;
}

void SetupGeneralTest::network()
{
    QFETCH(QString, ip);
    QFETCH(QString, mask);
    QFETCH(QString, gate);
    QFETCH(QStringList, queued);
    QFETCH(int, warnings);
    ReadyRig rig;
    rig.w<QLineEdit>("lineEdit_new_ipAddress")->setText(ip);
    rig.w<QLineEdit>("lineEdit_new_subNet")->setText(mask);
    rig.w<QLineEdit>("lineEdit_new_gateway")->setText(gate);
    rig.click("pushButton_apply_ip");
    QCOMPARE(rig.take(), queued);
    QCOMPARE(rig.prompts.size(), warnings);
}

// Every field written back: read here and shown exactly, or left as the box
// holds it by an unchanged Save or Apply, which the window says once.
void SetupGeneralTest::unchangedSaveSendsOnlyWhatWasRead_data()
{
    QTest::addColumn<RecordEdit>("edit");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<QString>("told");
    // The box holds `value` in `field`; with `code`, its latest query failed.
    auto holds = [](QString Dcct_data::*field, const QString& value, int code = -1) {
        return RecordEdit([=](Dcct_data& d) {
            d.*field = value;
            d.read_codes.remove(code);
        });
    };
    auto unread = [](const QList<int>& codes) {
        return RecordEdit([codes](Dcct_data& d) { d.read_codes -= QSet<int>(codes.begin(), codes.end()); });
    };
    const QStringList modeReads{"80", "5", "7", "103"};
    const QString cannot = "which the form cannot show";
    QTest::newRow("name not read") << unread({73}) << "pushButton_save_name" << QStringList{"73"}
                                   << "name was not read";
    QTest::newRow("name not plain ASCII")
        << holds(&Dcct_data::name, QStringLiteral("M\u00fcller")) << "pushButton_save_name"
        << QStringList{"73"}
        << QStringLiteral("name is \"M\u00fcller\", ") + cannot + " (printable ASCII characters)";
    QTest::newRow("date not read") << unread({71}) << "pushButton_apply_date" << QStringList{"71"} << "date";
    QTest::newRow("time not read") << unread({69}) << "pushButton_apply_time" << QStringList{"69"} << "time";
    QTest::newRow("new address not read")
        << holds(&Dcct_data::ip_new, "10.0.0.5", 262) << "pushButton_apply_ip"
        << QStringList{"262", "264", "272"} << "new IP address was not read";
    QTest::newRow("status not read") << unread({80, 0, 17, 53}) << "pushButton_apply_mode" << modeReads
                                     << "operation mode was not read";
    QTest::newRow("frequency not read")
        << holds(&Dcct_data::freq, "2.5", 5) << "pushButton_apply_mode"
        << (QStringList{"1:OSC", "18:OFF", "54:000"} + modeReads) << "sampling frequency was not read";
    QTest::newRow("turns beyond the form")
        << holds(&Dcct_data::pturns, "250") << "pushButton_apply_pturns" << QStringList{"32"}
        << "Ip-turns is 250, " + cannot + " (1 to 100)";
    QTest::newRow("turns not read") << unread({32}) << "pushButton_apply_pturns" << QStringList{"32"}
                                    << "Ip-turns";
    QTest::newRow("trigger not read")
        << unread({80, 49}) << "pushButton_apply_triger" << QStringList{"80"} << "trigger was not read";
    QTest::newRow("alarm switch not read")
        << unread({80, 36}) << "pushButton_apply_alarm" << QStringList{"37:0", "38:-5", "80", "39", "40"}
        << "alarm switch";
    // The check is on the limits the box will hold: an upper one not read is none.
    QTest::newRow("alarm upper limit not read")
        << holds(&Dcct_data::alarm_ulim, "-10", 39) << "pushButton_apply_alarm"
        << QStringList{"41:OFF", "38:-5", "80", "39", "40"} << "alarm upper limit was not read";
    QTest::newRow("calibration not read")
        << unread({80, 34}) << "pushButton_apply_cal" << QStringList{"80"} << "calibration switch";
    QTest::newRow("gain no number") << holds(&Dcct_data::gain_pos, "abc") << "pushButton_apply_gain_pos"
                                    << QStringList{"130"} << "positive gain is abc";
    QTest::newRow("gain beyond the form") << holds(&Dcct_data::gain_neg, "2000000")
                                          << "pushButton_apply_gain_neg" << QStringList{"131"} << "2000000";
    QTest::newRow("gain not read") << unread({130}) << "pushButton_apply_gain_pos" << QStringList{"130"}
                                   << "positive gain was not read";
    QTest::newRow("head model not read")
        << holds(&Dcct_data::dcct_model, "3 A1234", 258) << "pushButton_apply_dcct_model" << QStringList{}
        << "head model was not read";
    QTest::newRow("head not plain ASCII")
        << holds(&Dcct_data::dcct_des, QString(65, 'D') + QChar(0xb5)) << "pushButton_apply_dcct_des"
        << QStringList{"257"} << "66 characters long";
    QTest::newRow("serial number not read")
        << holds(&Dcct_data::box_des, "SN-1", 134) << "pushButton_apply_sentrel_des" << QStringList{"134"}
        << "serial number was not read";
    QTest::newRow("new MAC not read")
        << unread({274}) << "pushButton_apply_mac" << QStringList{"274"} << "new MAC address was not read";
}

void SetupGeneralTest::unchangedSaveSendsOnlyWhatWasRead()
{
    QFETCH(RecordEdit, edit);
    QFETCH(QString, button);
    QFETCH(QStringList, queued);
    QFETCH(QString, told);
    ReadyRig rig;
    Dcct_data d = SetupRig::unlockedRecord();
    d.read_codes = SetupRig::everyCode();
    d.alarm_llim = "-5";
    edit(d);
    rig.show(d);
    rig.show(d); // said once
    QCOMPARE(rig.promptKinds(), QStringList{"warning"});
    QVERIFY2(rig.prompts.at(0).text.contains(told), qPrintable(rig.prompts.at(0).text));
    // A box with no empty state shows a value not read as such.
    static const QHash<QString, QString> notReadBox{{"date not read", "dateEdit_date"},
                                                   {"time not read", "timeEdit_time"},
                                                   {"frequency not read", "spinBox_freq"},
                                                   {"turns not read", "spinBox_pturns"},
                                                   {"gain not read", "doubleSpinBox_gain_pos"},
                                                   {"alarm upper limit not read", "doubleSpinBox_alaMax"}};
    QStringList shownNotRead;
    for (const QAbstractSpinBox* box : rig.dialog->findChildren<QAbstractSpinBox*>())
        if (box->text() == QLatin1String("not read"))
            shownNotRead << box->objectName();
    QCOMPARE(shownNotRead.join(QLatin1Char(' ')), notReadBox.value(QLatin1String(QTest::currentDataTag())));
    rig.click(qPrintable(button));
    QCOMPARE(rig.take(), queued);
}

// ---- Acquisition and I/O Alarm -----------------------------------------------------

void SetupAcquisitionTest::applyModeDataLogger()
{
    ReadyRig rig;
    rig.w<QRadioButton>("radioButton_datalogger")->setChecked(true);
    rig.w<QCheckBox>("checkBox_save_to_SD")->setChecked(true);
    rig.w<QCheckBox>("checkBox_ACQ_headT")->setChecked(true);
    rig.w<QCheckBox>("checkBox_ACQ_extT")->setChecked(true);
    rig.w<QCheckBox>("checkBox_ACQ_ADC_T")->setChecked(false);
    rig.w<QDoubleSpinBox>("spinBox_freq")->setValue(2.5);
    rig.w<QSpinBox>("spinBox_ts")->setValue(100);
    rig.click("pushButton_apply_mode");
    QCOMPARE(rig.take(),
             (QStringList{"1:DLOG", "101", "18:ON", "54:110", "6:2.5", "8:100", "80", "5", "7", "103"}));
    // 2 x 6 codes x 80 ms: the read-backs are queued after the estimate.
    QCOMPARE(rig.progressInterval(), 960 / 20);
}

void SetupAcquisitionTest::applyModeScopeWithUnmount()
{
    ReadyRig rig;
    Dcct_data d = SetupRig::unlockedRecord();
    d.mode_dlog = true;
    d.save_sd = true;
    rig.show(d);
    // Switching saving off asks whether to unmount; Yes marks the next apply.
    rig.click("checkBox_save_to_SD");
    QCOMPARE(rig.promptKinds(), QStringList{"question"});
    QCOMPARE(rig.prompts.at(0).text, QStringLiteral("Unmount SD-CARD?"));
    QVERIFY(rig.dialog->unmountOnApply());
    rig.w<QRadioButton>("radioButton_scope")->setChecked(true);
    rig.w<QSpinBox>("spinBox_ts")->setValue(25); // not a multiple of 10: still sent
    rig.w<QDoubleSpinBox>("spinBox_freq")->setValue(10);
    rig.click("pushButton_apply_mode");
    QCOMPARE(rig.take(),
             (QStringList{"1:OSC", "18:OFF", "102", "54:000", "6:10", "8:25", "80", "5", "7", "103"}));

    // Checking the box again does not forget the answer.
    rig.w<QRadioButton>("radioButton_datalogger")->setChecked(true);
    rig.click("checkBox_save_to_SD");
    rig.click("checkBox_save_to_SD");
    QVERIFY(rig.dialog->unmountOnApply());
}

// Types the last character of a spin box's text again: the text, and so the
// value, ends as it was.
static void retypeLastCharacter(QAbstractSpinBox* box)
{
    auto* edit = box->findChild<QLineEdit*>();
    const QString text = edit->text();
    edit->end(false);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text.right(1));
    QCOMPARE(edit->text(), text);
}

void SetupAcquisitionTest::applyKeepsWhatTheFormCannotShow_data()
{
    QTest::addColumn<QString>("freq");
    QTest::addColumn<QString>("ts");
    QTest::addColumn<bool>("dlog");
    QTest::addColumn<QString>("told");
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("retyped");
    const QStringList reads{"80", "5", "7", "103"};
    QTest::newRow("frequency above the form")
        << "20"
        << "100" << true << "20 Hz" << (QStringList{"1:DLOG", "18:OFF", "54:000", "8:100"} + reads)
        << "spinBox_freq"
        << "6:10";
    QTest::newRow("sampling time below the form")
        << "2.5"
        << "5" << false << QStringLiteral("5 \u00b5s")
        << (QStringList{"1:OSC", "18:OFF", "54:000", "6:2.5"} + reads) << "spinBox_ts"
        << "8:10";
}

void SetupAcquisitionTest::applyKeepsWhatTheFormCannotShow()
{
    QFETCH(QString, freq);
    QFETCH(QString, ts);
    QFETCH(bool, dlog);
    QFETCH(QString, told);
    QFETCH(QStringList, queued);
    QFETCH(QString, field);
    QFETCH(QString, retyped);
    ReadyRig rig;
    Dcct_data d = SetupRig::unlockedRecord();
    d.mode_dlog = dlog;
    d.freq = freq;
    d.ts = ts;
    rig.show(d);
    rig.show(d); // said once
    QCOMPARE(rig.promptKinds(), QStringList{"warning"});
    QVERIFY2(rig.prompts.at(0).text.contains(told), qPrintable(rig.prompts.at(0).text));
    rig.click("pushButton_apply_mode");
    QCOMPARE(rig.take(), queued);
    // Typing the value the field shows again is a change: the box gets it.
    retypeLastCharacter(rig.w<QAbstractSpinBox>(qPrintable(field)));
    rig.click("pushButton_apply_mode");
    QVERIFY2(rig.take().contains(retyped), qPrintable(retyped));
}

void SetupAcquisitionTest::unmountQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("unmount");
    QTest::newRow("yes") << int(QMessageBox::Yes) << true;
    QTest::newRow("no") << int(QMessageBox::No) << false;
    QTest::newRow("closed") << int(QMessageBox::Cancel) << false;
}

void SetupAcquisitionTest::unmountQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, unmount);
    ReadyRig rig;
    Dcct_data d = SetupRig::unlockedRecord();
    d.mode_dlog = true;
    d.save_sd = true;
    rig.show(d);
    rig.questionAnswer = QMessageBox::StandardButton(answer);
    rig.click("checkBox_save_to_SD");
    QCOMPARE(rig.dialog->unmountOnApply(), unmount);
    rig.click("pushButton_apply_mode");
    const QStringList q = rig.take();
    QCOMPARE(q.at(1), QStringLiteral("18:OFF"));
    QCOMPARE(q.at(2) == QLatin1String("102"), unmount);
}

void SetupAcquisitionTest::channelDigits_data()
{
    QTest::addColumn<bool>("head");
    QTest::addColumn<bool>("ext");
    QTest::addColumn<bool>("adc");
    QTest::addColumn<QString>("digits");
    for (int i = 0; i < 8; ++i) {
        const bool h = i & 4, e = i & 2, a = i & 1;
        const QString digits = QString::number(int(h)) + QString::number(int(e)) + QString::number(int(a));
        QTest::newRow(qPrintable(digits)) << h << e << a << digits;
    }
}

void SetupAcquisitionTest::channelDigits()
{
    QFETCH(bool, head);
    QFETCH(bool, ext);
    QFETCH(bool, adc);
    QFETCH(QString, digits);
    ReadyRig rig;
    // The check state counts even while the boxes are disabled (scope mode)
    // or hidden (the ADC box without a password).
    rig.show(Dcct_data());
    rig.clearQueue();
    rig.w<QCheckBox>("checkBox_ACQ_headT")->setChecked(head);
    rig.w<QCheckBox>("checkBox_ACQ_extT")->setChecked(ext);
    rig.w<QCheckBox>("checkBox_ACQ_ADC_T")->setChecked(adc);
    rig.click("pushButton_apply_mode");
    QVERIFY(rig.queued().contains("54:" + digits));
}

void SetupAcquisitionTest::turnsCurrentAndOffset()
{
    ReadyRig rig;
    rig.w<QSpinBox>("spinBox_pturns")->setValue(7);
    rig.click("pushButton_apply_pturns");
    QCOMPARE(rig.take(), (QStringList{"33:7", "32"}));
    rig.click("pushButton_read_curr_2");
    QCOMPARE(rig.take(), (QStringList{"4", "80"}));
    QCOMPARE(rig.progressInterval(), 5 * 1 * 80 / 20);
    rig.click("pushButton_zero_offset_2");
    QCOMPARE(rig.take(), (QStringList{"118", "117"}));
    QCOMPARE(rig.progressInterval(), 5 * 1 * 80 / 20);
}

void SetupAcquisitionTest::trigger_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("external");
    QTest::addColumn<QString>("arg");
    QTest::newRow("off, input chosen") << false << false << "OFF";
    QTest::newRow("off, output chosen") << false << true << "OFF";
    QTest::newRow("input") << true << false << "IN";
    QTest::newRow("output") << true << true << "OUT";
}

void SetupAcquisitionTest::trigger()
{
    QFETCH(bool, enabled);
    QFETCH(bool, external);
    QFETCH(QString, arg);
    ReadyRig rig;
    rig.w<QCheckBox>("checkBox_trig_enable")->setChecked(enabled);
    if (external)
        rig.w<QRadioButton>("radioButton_trg_external")->setChecked(true);
    else
        rig.w<QRadioButton>("radioButton_trg_internal")->setChecked(true);
    rig.click("pushButton_apply_triger");
    QCOMPARE(rig.take(), (QStringList{"50:" + arg, "80"}));
}

void SetupAcquisitionTest::alarmLimitsEqual()
{
    ReadyRig rig;
    rig.w<QDoubleSpinBox>("doubleSpinBox_alaMax")->setValue(5);
    rig.w<QDoubleSpinBox>("doubleSpinBox_alaMin")->setValue(5);
    rig.click("pushButton_apply_alarm");
    QVERIFY(rig.queued().isEmpty());
    QCOMPARE(rig.promptKinds(), QStringList{"warning"});
    QCOMPARE(rig.prompts.at(0).text, QStringLiteral("Upper Limit must be greater than Lower Limit"));
    QVERIFY(rig.w<QWidget>("progressBar_refresh")->isHidden());
}

void SetupAcquisitionTest::alarmLimits_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("lower");
    QTest::addColumn<QStringList>("queued");
    QTest::newRow("off") << false << 5.0 << -5.0 << QStringList{"41:OFF", "37:5", "38:-5", "80", "39", "40"};
    QTest::newRow("on") << true << 1200.0 << 0.125
                        << QStringList{"41:ON", "37:1200", "38:0.125", "80", "39", "40"};
    QTest::newRow("six digits") << true << 123.456 << -1199.999
                                << QStringList{"41:ON", "37:123.456", "38:-1200", "80", "39", "40"};
}

void SetupAcquisitionTest::alarmLimits()
{
    QFETCH(bool, enabled);
    QFETCH(double, upper);
    QFETCH(double, lower);
    QFETCH(QStringList, queued);
    // A comma locale must not reach the box.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        ReadyRig rig;
        rig.w<QCheckBox>("checkBox_alarm")->setChecked(enabled);
        rig.w<QDoubleSpinBox>("doubleSpinBox_alaMax")->setValue(upper);
        rig.w<QDoubleSpinBox>("doubleSpinBox_alaMin")->setValue(lower);
        rig.click("pushButton_apply_alarm");
        QCOMPARE(rig.take(), queued);
        QVERIFY(rig.prompts.isEmpty());
    }
    QLocale::setDefault(before);
}

// A limit is sent as the form shows it only when that is what the box holds,
// or when the user changed the field.
void SetupAcquisitionTest::alarmKeepsWhatTheFormCannotShow_data()
{
    QTest::addColumn<QString>("upper");
    QTest::addColumn<QString>("lower");
    QTest::addColumn<QStringList>("told");
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<QString>("retyped");
    const QStringList reads{"80", "39", "40"};
    QTest::newRow("beyond the form") << "5000"
                                     << "-5000" << QStringList{"5000 A", "-5000 A", "-1200.000 to 1200.000 A"}
                                     << (QStringList{"41:ON"} + reads) << "37:1200";
    QTest::newRow("finer than the form")
        << "10.0004"
        << "-10.0004" << QStringList{"10.0004 A", "-10.0004 A"} << (QStringList{"41:ON"} + reads) << "37:10";
    QTest::newRow("no number") << "nan"
                               << "-5" << QStringList{"upper limit is nan A"}
                               << (QStringList{"41:ON", "38:-5"} + reads) << "37:0";
    QTest::newRow("shown") << "250.5"
                           << "-12.25" << QStringList{}
                           << (QStringList{"41:ON", "37:250.5", "38:-12.25"} + reads) << "37:250.5";
    // The check is on what the box will hold: untouched, these pass; the
    // shown upper limit sent alone would fall below the held lower one.
    QTest::newRow("finer, close together")
        << "10.0004"
        << "10.0002" << QStringList{"10.0004 A", "10.0002 A"} << (QStringList{"41:ON"} + reads) << "";
    // Shown, but six digits would send 1200.
    QTest::newRow("more digits than sent")
        << "1199.999"
        << "-5" << QStringList{} << (QStringList{"41:ON", "38:-5"} + reads) << "37:1200";
    // What the box will hold checked against no number: the box decides.
    QTest::newRow("no number, lower above zero")
        << "abc"
        << "5" << QStringList{"upper limit is abc A"} << (QStringList{"41:ON", "38:5"} + reads) << "";
    // A change of the lower limit is no change of the upper one.
    QTest::newRow("lower typed, upper held")
        << "5000"
        << "-5.125" << QStringList{"5000 A"} << (QStringList{"41:ON", "38:-5.125"} + reads) << "38:-5.125";
}

void SetupAcquisitionTest::alarmKeepsWhatTheFormCannotShow()
{
    QFETCH(QString, upper);
    QFETCH(QString, lower);
    QFETCH(QStringList, told);
    QFETCH(QStringList, queued);
    QFETCH(QString, retyped);
    ReadyRig rig;
    Dcct_data d = SetupRig::unlockedRecord();
    d.alarm_ulim = upper;
    d.alarm_llim = lower;
    d.alarm_enabled = true;
    rig.show(d);
    rig.show(d); // said once, for both limits
    if (told.isEmpty()) {
        QVERIFY(rig.prompts.isEmpty());
    } else {
        QCOMPARE(rig.promptKinds(), QStringList{"warning"});
        for (const QString& part : told)
            QVERIFY2(rig.prompts.at(0).text.contains(part), qPrintable(rig.prompts.at(0).text));
    }
    rig.prompts.clear();
    rig.click("pushButton_apply_alarm");
    QCOMPARE(rig.take(), queued);
    QVERIFY(rig.prompts.isEmpty());
    const bool lowerTyped = retyped.startsWith("38:");
    retypeLastCharacter(
        rig.w<QAbstractSpinBox>(lowerTyped ? "doubleSpinBox_alaMin" : "doubleSpinBox_alaMax"));
    rig.click("pushButton_apply_alarm");
    const QStringList sent = rig.take();
    if (retyped.isEmpty()) {
        QVERIFY(sent.isEmpty());
        QCOMPARE(rig.promptKinds(), QStringList{"warning"});
    } else {
        QVERIFY2(sent.contains(retyped), qPrintable(retyped));
        // The other limit goes only as the unchanged Apply sent it.
        const QString other = lowerTyped ? "37:" : "38:";
        QCOMPARE(sent.filter(other).isEmpty(), queued.filter(other).isEmpty());
    }
}

// ---- Calibration -------------------------------------------------------------------

void SetupCalibrationTest::initTestCase()
{
    // The values must travel with a decimal point whatever the user's locale.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

void SetupCalibrationTest::cleanupTestCase()
{
    QLocale::setDefault(before);
}

void SetupCalibrationTest::referencesAndGains_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<int>("factor");
    QTest::addColumn<QString>("typed"); // then the button is clicked with the mouse
    QTest::newRow("gain pos") << "doubleSpinBox_gain_pos" << 1000.0 << "pushButton_apply_gain_pos"
                              << QStringList{"129:1000.000000", "130"} << 1 << "";
    QTest::newRow("gain neg") << "doubleSpinBox_gain_neg" << 999.87 << "pushButton_apply_gain_neg"
                              << QStringList{"128:999.870000", "131"} << 1 << "";
    QTest::newRow("reference pos") << "doubleSpinBox_current_ref_pos" << 100.0 << "pushButton_calibrate_pos"
                                   << QStringList{"120:100.000000000", "130"} << 5 << "";
    QTest::newRow("reference neg") << "doubleSpinBox_current_ref_neg" << -12.5 << "pushButton_calibrate_neg"
                                   << QStringList{"121:-12.500000000", "131"} << 5 << "";
    QTest::newRow("big gain") << "doubleSpinBox_gain_pos" << 123456.5 << "pushButton_apply_gain_pos"
                              << QStringList{"129:123456.500000", "130"} << 1 << "";
    // The user's decimal comma in a box that shows a point, never a separator.
    QTest::newRow("gain typed 1,5") << "doubleSpinBox_gain_pos" << 0.0 << "pushButton_apply_gain_pos"
                                    << QStringList{"129:1.500000", "130"} << 1 << "1,5";
}

void SetupCalibrationTest::referencesAndGains()
{
    QFETCH(QString, box);
    QFETCH(double, value);
    QFETCH(QString, button);
    QFETCH(QStringList, queued);
    QFETCH(int, factor);
    QFETCH(QString, typed);
    ReadyRig rig;
    auto* spin = rig.dialog->findChild<QDoubleSpinBox*>(box);
    spin->setValue(value);
    if (typed.isEmpty()) {
        rig.click(qPrintable(button));
    } else {
        for (QWidget* w = spin; w->parentWidget(); w = w->parentWidget())
            if (auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget()))
                stack->setCurrentWidget(w);
        rig.dialog->show();
        QApplication::setActiveWindow(rig.dialog.get());
        QVERIFY(QTest::qWaitForWindowActive(rig.dialog.get()));
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, typed);
        QTest::mouseClick(rig.w<QAbstractButton>(qPrintable(button)), Qt::LeftButton);
    }
    QCOMPARE(rig.take(), queued);
    QCOMPARE(rig.progressInterval(), factor * 1 * 80 / 20);
}

void SetupCalibrationTest::calibrationSwitch()
{
    ReadyRig rig;
    rig.w<QCheckBox>("checkBox_enable_cal")->setChecked(false);
    rig.click("pushButton_apply_cal");
    QCOMPARE(rig.take(), (QStringList{"35:OFF", "80"}));
    rig.w<QCheckBox>("checkBox_enable_cal")->setChecked(true);
    rig.click("pushButton_apply_cal");
    QCOMPARE(rig.take(), (QStringList{"35:ON", "80"}));
    rig.click("pushButton_zero_offset");
    QCOMPARE(rig.take(), (QStringList{"118", "117"}));
}

void SetupCalibrationTest::readCurrentAndMatch()
{
    ReadyRig rig;
    rig.click("pushButton_read_curr");
    QCOMPARE(rig.take(), (QStringList{"4", "71"}));
    rig.click("pushButton_match");
    QCOMPARE(rig.take(), (QStringList{"114", "83", "82"}));
    QCOMPARE(rig.progressInterval(), 2 * 80 / 20);
}

void SetupCalibrationTest::headModel_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<int>("warnings");
    QTest::newRow("VANTO-600, no serial") << 5 << "" << QStringList{"260:5 ", "258"} << 0;
    QTest::newRow("VANTO-300 A1234") << 3 << "A1234" << QStringList{"260:3 A1234", "258"} << 0;
    QTest::newRow("no model selected") << -1 << "A1234" << QStringList{} << 1;
    QTest::newRow("serial with blank") << 2 << "A 1" << QStringList{} << 1;
}

void SetupCalibrationTest::headModel()
{
    QFETCH(int, index);
    QFETCH(QString, serial);
    QFETCH(QStringList, queued);
    QFETCH(int, warnings);
    ReadyRig rig;
    rig.w<QComboBox>("comboBox_dcct_model")->setCurrentIndex(index);
    rig.w<QLineEdit>("lineEdit_dcct_model_sn")->setText(serial);
    rig.click("pushButton_apply_dcct_model");
    QCOMPARE(rig.take(), queued);
    QCOMPARE(rig.prompts.size(), warnings);
}

// The record's "-" (the box never answered the model query) selects no
// model, so Apply has nothing to send.
void SetupCalibrationTest::unansweredHeadModelIsNotSentBack()
{
    ReadyRig rig;
    QCOMPARE(rig.w<QComboBox>("comboBox_dcct_model")->currentIndex(), -1);
    rig.click("pushButton_apply_dcct_model");
    QCOMPARE(rig.take(), QStringList());
    QCOMPARE(rig.prompts.size(), 1);
}

void SetupCalibrationTest::descriptions_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("queued");
    QTest::newRow("head") << "lineEdit_dcct_des"
                          << "pushButton_apply_dcct_des"
                          << "Ring DCCT, 200 mm" << QStringList{"259:Ring DCCT, 200 mm", "257"};
    QTest::newRow("head empty") << "lineEdit_dcct_des"
                                << "pushButton_apply_dcct_des"
                                << "" << QStringList{"259:", "257"};
    QTest::newRow("box") << "lineEdit_sentrel_des"
                         << "pushButton_apply_sentrel_des"
                         << "SN-2018-0042" << QStringList{"261:SN-2018-0042", "134"};
    QTest::newRow("head refused") << "lineEdit_dcct_des"
                                  << "pushButton_apply_dcct_des" << QStringLiteral("\u00b5A")
                                  << QStringList{};
    QTest::newRow("box refused") << "lineEdit_sentrel_des"
                                 << "pushButton_apply_sentrel_des"
                                 << "tab\there" << QStringList{};
}

void SetupCalibrationTest::descriptions()
{
    QFETCH(QString, edit);
    QFETCH(QString, button);
    QFETCH(QString, text);
    QFETCH(QStringList, queued);
    ReadyRig rig;
    rig.dialog->findChild<QLineEdit*>(edit)->setText(text);
    rig.click(qPrintable(button));
    QCOMPARE(rig.take(), queued);
    QCOMPARE(rig.prompts.size(), queued.isEmpty() ? 1 : 0);
}

void SetupCalibrationTest::macAddress_data()
{
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<int>("warnings");
    QTest::newRow("valid") << "00:1A:2B:3C:4D:5F" << QStringList{"149:00:1A:2B:3C:4D:5F", "274"} << 0;
    QTest::newRow("lower case") << "0a:1b:2c:3d:4e:5f" << QStringList{"149:0a:1b:2c:3d:4e:5f", "274"} << 0;
    QTest::newRow("empty reads back") << "" << QStringList{"274"} << 0;
    QTest::newRow("five pairs") << "00:1A:2B:3C:4D" << QStringList{} << 1;
    QTest::newRow("dashes") << "00-1A-2B-3C-4D-5E" << QStringList{} << 1;
    QTest::newRow("not hex") << "00:1A:2B:3C:4D:5G" << QStringList{} << 1;
}

void SetupCalibrationTest::macAddress()
{
    QFETCH(QString, mac);
    QFETCH(QStringList, queued);
    QFETCH(int, warnings);
    ReadyRig rig;
    rig.w<QLineEdit>("lineEdit_new_mac_address")->setText(mac);
    rig.click("pushButton_apply_mac");
    QCOMPARE(rig.take(), queued);
    QCOMPARE(rig.prompts.size(), warnings);
}

void SetupCalibrationTest::eepromInit_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("queued");
    QTest::newRow("yes") << int(QMessageBox::Yes) << QStringList{"19", "80"};
    QTest::newRow("no") << int(QMessageBox::No) << QStringList{};
}

void SetupCalibrationTest::eepromInit()
{
    QFETCH(int, answer);
    QFETCH(QStringList, queued);
    ReadyRig rig;
    rig.questionAnswer = QMessageBox::StandardButton(answer);
    rig.click("pushButton_init");
    QCOMPARE(rig.take(), queued);
    QCOMPARE(rig.promptKinds(), QStringList{"question"});
    QCOMPARE(rig.prompts.at(0).title, QStringLiteral("SENTREL Viewer"));
    QCOMPARE(rig.prompts.at(0).text,
             QStringLiteral("This will Initialize the EEPROM. \n\r The actual calibration "
                            "values will be overridden. \n\r Proceed?"));
    QCOMPARE(rig.w<QWidget>("progressBar_refresh")->isHidden(), queued.isEmpty());
}

void SetupCalibrationTest::password_data()
{
    QTest::addColumn<bool>("isSet");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<QStringList>("prompts");
    QTest::newRow("reset") << true << "" << false << QStringList{"112:RESET", "80"} << QStringList{};
    QTest::newRow("set") << false << "sentrel" << true << QStringList{"112:sentrel", "80"}
                         << QStringList{"dialog"};
    QTest::newRow("set empty") << false << "" << true << QStringList{"112:", "80"} << QStringList{"dialog"};
    QTest::newRow("cancel") << false << "sentrel" << false << QStringList{"80"} << QStringList{"dialog"};
    QTest::newRow("refused") << false << QStringLiteral("s\u00e9same") << true << QStringList{"80"}
                             << QStringList{"dialog", "warning"};
}

void SetupCalibrationTest::password()
{
    QFETCH(bool, isSet);
    QFETCH(QString, typed);
    QFETCH(bool, accept);
    QFETCH(QStringList, queued);
    QFETCH(QStringList, prompts);
    ReadyRig rig;
    {
        QMutexLocker lock(&rig.thread.mutex);
        rig.thread.data.password_set = isSet;
    }
    rig.answerPassword(typed, accept);
    rig.click("pushButton_password");
    QCOMPARE(rig.take(), queued);
    QCOMPARE(rig.promptKinds(), prompts);
    // No estimate for the password.
    QCOMPARE(rig.w<QWidget>("progressBar_refresh")->isHidden(), true);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int status = 0;
    {
        SetupGeneralTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        SetupAcquisitionTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        SetupCalibrationTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_setup_actions.moc"
