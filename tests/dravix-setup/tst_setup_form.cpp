// The set-up dialog's form as the code and the user meet it: the names the
// code binds, texts, ranges, decimals, locales, the validators and the
// states the dialog opens with.

#include "setuprig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QMetaMethod>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>
#include <QValidator>
#include <QtTest>

class SetupFormTest : public QObject
{
    Q_OBJECT

private slots:
    void windowIsFixed();
    void tabsInOrder();
    void widgetTexts_data();
    void widgetTexts();
    void everyBoundSlotFindsItsButton();
    void spinBoxFormats_data();
    void spinBoxFormats();
    void usLocaleBoxesReadAPoint();
    void openingStates();
    void boldWidgets();
    void addressValidator_data();
    void addressValidator();
    void textValidators_data();
    void textValidators();
};

void SetupFormTest::windowIsFixed()
{
    SetupRig rig;
    Setup_dialog* d = rig.dialog.get();
    QCOMPARE(d->objectName(), QStringLiteral("Setup_dialog"));
    QCOMPARE(d->size(), QSize(750, 727));
    QCOMPARE(d->minimumSize(), QSize(750, 727));
    QCOMPARE(d->maximumSize(), QSize(750, 727));
    QCOMPARE(d->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(d->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(d->windowTitle(), QStringLiteral("Dialog"));
}

void SetupFormTest::tabsInOrder()
{
    SetupRig rig;
    auto* tabs = rig.w<QTabWidget>("tabWidget");
    QVERIFY(tabs);
    const QStringList pages = {"tab", "tab_2", "tab_3", "tab_5", "tab_4"};
    const QStringList texts = {"General", "Acquisition", "I/O Alarm", "SD Card", "Calibration"};
    QCOMPARE(tabs->count(), 5);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(tabs->widget(i)->objectName(), pages.at(i));
        QCOMPARE(tabs->tabText(i), texts.at(i));
    }
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(!tabs->documentMode());
    QVERIFY(!tabs->tabsClosable());
    QVERIFY(!tabs->isMovable());
}

void SetupFormTest::widgetTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");

    auto row = [](const char* name, const char* cls, const QString& text) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(cls) << text;
    };
    // General
    row("groupBox_2", "QGroupBox", "SENTREL Info");
    row("label_9", "QLabel", "Matched Head:");
    row("label_dcct_des", "QLabel", "-");
    row("label_12", "QLabel", "SENTREL S.N.:");
    row("label_sentrel_des", "QLabel", "-");
    row("label_13", "QLabel", "SENTREL fw Ver.:");
    row("label_sentrel_f_ver", "QLabel", "-");
    row("groupBox", "QGroupBox", "DCCT Head Info");
    row("label", "QLabel", "Head S.N.:");
    row("label_dcct_model", "QLabel", "-");
    row("label_4", "QLabel", "Head is matched:");
    row("label_matched_2", "QLabel", "-");
    row("groupBox_3", "QGroupBox", "SENTREL");
    row("label_15", "QLabel", "User Name:");
    row("lineEdit_sentrel_name", "QLineEdit", "");
    row("pushButton_save_name", "QPushButton", "Save");
    row("label_17", "QLabel", "System Date [dd/mm/yyyy]:");
    row("dateEdit_date", "QDateEdit", "11/04/1978");
    row("pushButton_apply_date", "QPushButton", "Apply");
    row("label_16", "QLabel", "System Time [hh:mm:ss]:");
    row("timeEdit_time", "QTimeEdit", "00:00:00");
    row("pushButton_apply_time", "QPushButton", "Apply");
    row("groupBox_4", "QGroupBox", "SENTREL Ethernet");
    row("label_18", "QLabel", "IP Add. in use:");
    row("label_ip_address", "QLabel", "-");
    row("label_ip_address_3", "QLabel", "/ New:");
    row("lineEdit_new_ipAddress", "QLineEdit", "");
    row("label_19", "QLabel", "Sub.M. in use:");
    row("label_sub_net", "QLabel", "-");
    row("label_ip_address_5", "QLabel", "/ New:");
    row("lineEdit_new_subNet", "QLineEdit", "");
    row("label_20", "QLabel", "Gatew. in use:");
    row("label_gateway", "QLabel", "-");
    row("label_ip_address_6", "QLabel", "/ New:");
    row("lineEdit_new_gateway", "QLineEdit", "");
    row("label_21", "QLabel", "MAC Address:");
    row("label_mac_address", "QLabel", "hh:hh:hh:hh:hh:hh");
    row("pushButton_apply_ip", "QPushButton", "Apply");
    // Acquisition
    row("groupBox_7", "QGroupBox", "Operation Mode");
    row("radioButton_datalogger", "QRadioButton", "Data Logger");
    row("label_frequency", "QLabel", "Frequency [Hz]:");
    row("checkBox_ACQ_headT", "QCheckBox", "Acquire Head Temperature");
    row("checkBox_ACQ_extT", "QCheckBox", "Acquire External Temperature");
    row("checkBox_save_to_SD", "QCheckBox", "Save Data to SD-Card (and mount)");
    row("radioButton_scope", "QRadioButton", "Oscilloscope");
    row("label_ts", "QLabel", QStringLiteral("Ts [") + QChar(0x00b5) + QStringLiteral("s]:"));
    row("checkBox_ACQ_ADC_T", "QCheckBox", "Acquire ADC Temperature");
    row("pushButton_apply_mode", "QPushButton", "Apply");
    row("groupBox_13", "QGroupBox", "Scaling");
    row("label_2", "QLabel", "Ip-Turns:");
    row("pushButton_apply_pturns", "QPushButton", "Apply");
    row("groupBox_11", "QGroupBox", "Read Current");
    row("label_33", "QLabel", "Current Measurements:");
    row("pushButton_read_curr_2", "QPushButton", "Read Current");
    row("groupBox_12", "QGroupBox", "Offset Reset");
    row("label_34", "QLabel", "Offset:");
    row("pushButton_zero_offset_2", "QPushButton", "Zero Offset");
    // I/O Alarm
    row("groupBox_5", "QGroupBox", "Trigger source");
    row("checkBox_trig_enable", "QCheckBox", "Enable I/O Trigger");
    row("radioButton_trg_internal", "QRadioButton", "Use external trigger");
    row("radioButton_trg_external", "QRadioButton", "Generate output trigger");
    row("pushButton_apply_triger", "QPushButton", "Apply");
    row("groupButton_alarm", "QGroupBox", "Alarm");
    row("checkBox_alarm", "QCheckBox", "Enable Alarm");
    row("label_23", "QLabel", "Upper Limit [A]:");
    row("label_24", "QLabel", "Lower Limit [A]:");
    row("pushButton_apply_alarm", "QPushButton", "Apply");
    // SD Card
    row("groupBox_6", "QGroupBox", "SD Card");
    row("label_26", "QLabel", "SD Log:");
    row("label_SD_log", "QLabel", "-");
    row("label_25", "QLabel", "SD Card Status:");
    row("label_SD_status", "QLabel", "-");
    row("pushButton_SD_mount_unmount", "QPushButton", "Mount SD");
    row("groupBox_8", "QGroupBox", "Files in SD");
    row("comboBox_SD_files", "QComboBox", "");
    row("pushButton_SD_list_update", "QPushButton", "Update");
    row("pushButton_SD_save", "QPushButton", "Save to File");
    row("pushButton_SD_delete", "QPushButton", "Delete");
    // Calibration
    row("groupBox_10", "QGroupBox", "SENTREL Calibration Values");
    row("checkBox_enable_cal", "QCheckBox", "Enable Calibration Parameters");
    row("pushButton_apply_cal", "QPushButton", "Apply");
    row("label_5", "QLabel", "Offset:");
    row("pushButton_zero_offset", "QPushButton", "Zero Offset");
    row("label_6", "QLabel", "Gain Positive:");
    row("pushButton_apply_gain_pos", "QPushButton", "Apply");
    row("label_30", "QLabel", "Gain Negative:");
    row("pushButton_apply_gain_neg", "QPushButton", "Apply");
    row("label_10", "QLabel", "Current Reference Positive[A]:");
    row("pushButton_calibrate_pos", "QPushButton", "Set Pos");
    row("label_31", "QLabel", "Current Reference Negative[A]:");
    row("pushButton_calibrate_neg", "QPushButton", "Set Neg");
    row("label_7", "QLabel", "Current Measurements:");
    row("pushButton_read_curr", "QPushButton", "Read Current");
    row("groupBox_9", "QGroupBox", "EEPROM Value");
    row("label_32", "QLabel", "Initialize Eprom with Default Value:");
    row("pushButton_init", "QPushButton", "Init");
    row("label_14", "QLabel", "DCCT Model & Serial Number:");
    row("lineEdit_dcct_model_sn", "QLineEdit", "");
    row("pushButton_apply_dcct_model", "QPushButton", "Apply");
    row("label_8", "QLabel", "DCCT is matched?");
    row("label_matched", "QLabel", "?");
    row("pushButton_match", "QPushButton", "Force Match");
    row("label_11", "QLabel", "SENTREL is Matched with DCCT Head:");
    row("lineEdit_dcct_des", "QLineEdit", "");
    row("pushButton_apply_dcct_des", "QPushButton", "Apply");
    row("label_28", "QLabel", "SENTREL Serial Number:");
    row("lineEdit_sentrel_des", "QLineEdit", "");
    row("pushButton_apply_sentrel_des", "QPushButton", "Apply");
    row("label_27", "QLabel", "SENTREL S.N. (internal):");
    row("label_sentrel_sn", "QLabel", "?");
    row("label_29", "QLabel", "Head S.N. (internal) / Match S.N.:");
    row("label_dcct_sn", "QLabel", "?");
    row("label_22", "QLabel", "MAC Add. in use:");
    row("label_mac_address_2", "QLabel", "hh:hh:hh:hh:hh:hh");
    row("lineEdit_new_mac_address", "QLineEdit", "");
    row("pushButton_apply_mac", "QPushButton", "Apply");
    // Bottom bar
    row("progressBar_refresh", "QProgressBar", "");
    row("pushButton_password", "QPushButton", "Set Password");
    row("pushButton_refresh", "QPushButton", "Refresh");
    row("pushButton_Close", "QPushButton", "Close");
}

void SetupFormTest::widgetTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, text);

    SetupRig rig;
    QWidget* widget = rig.dialog->findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QVERIFY2(widget->inherits(className.toLatin1().constData()), widget->metaObject()->className());

    QString shown;
    if (auto* l = qobject_cast<QLabel*>(widget))
        shown = l->text();
    else if (auto* b = qobject_cast<QAbstractButton*>(widget))
        shown = b->text();
    else if (auto* g = qobject_cast<QGroupBox*>(widget))
        shown = g->title();
    else if (auto* e = qobject_cast<QLineEdit*>(widget))
        shown = e->text();
    else if (auto* s = qobject_cast<QAbstractSpinBox*>(widget))
        shown = s->text();
    QCOMPARE(shown, text);
}

void SetupFormTest::everyBoundSlotFindsItsButton()
{
    SetupRig rig;
    const QMetaObject* mo = rig.dialog->metaObject();
    int bound = 0;
    for (int i = mo->methodOffset(); i < mo->methodCount(); ++i) {
        const QString sig = QString::fromLatin1(mo->method(i).methodSignature());
        if (!sig.startsWith(QLatin1String("on_")))
            continue;
        QVERIFY2(sig.endsWith(QLatin1String("_clicked()")), qPrintable(sig));
        const QString object = sig.mid(3, sig.size() - 3 - int(strlen("_clicked()")));
        QVERIFY2(rig.dialog->findChild<QPushButton*>(object), qPrintable(object));
        ++bound;
    }
    QCOMPARE(bound, 29);

    // Clicking a bound button reaches its slot: "Refresh" queues the 29 reads.
    rig.clearQueue();
    rig.click("pushButton_refresh");
    QCOMPARE(rig.queued().size(), 29);
}

void SetupFormTest::spinBoxFormats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("decimals"); // -1: an int spin box
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("step");
    QTest::addColumn<QString>("locale"); // "US", "UK" or "" for the default
    QTest::addColumn<bool>("buttons");

    QTest::newRow("freq") << "spinBox_freq" << 1 << 0.1 << 10.0 << 0.1 << 1.0 << "UK" << true;
    QTest::newRow("ts") << "spinBox_ts" << -1 << 10.0 << 1000000.0 << 10.0 << 10.0 << "" << true;
    QTest::newRow("pturns") << "spinBox_pturns" << -1 << 1.0 << 100.0 << 1.0 << 1.0 << "" << true;
    QTest::newRow("current_2") << "doubleSpinBox_current_2" << 9 << -1e9 << 1e9 << 0.0 << 1.0 << "US"
                               << false;
    QTest::newRow("alaMax") << "doubleSpinBox_alaMax" << 3 << -1200.0 << 1200.0 << 100.0 << 1.0 << "" << true;
    QTest::newRow("alaMin") << "doubleSpinBox_alaMin" << 3 << -1200.0 << 1200.0 << -100.0 << 1.0 << ""
                            << true;
    QTest::newRow("offset") << "doubleSpinBox_offset" << 9 << -1e9 << 1e9 << 0.0 << 1.0 << "US" << false;
    QTest::newRow("gain_pos") << "doubleSpinBox_gain_pos" << 6 << 0.0 << 1e6 << 1000.0 << 1.0 << "US"
                              << false;
    QTest::newRow("gain_neg") << "doubleSpinBox_gain_neg" << 6 << 0.0 << 1e6 << 1000.0 << 1.0 << "US"
                              << false;
    QTest::newRow("ref_pos") << "doubleSpinBox_current_ref_pos" << 9 << 0.0 << 1001.0 << 100.0 << 1.0 << "US"
                             << false;
    QTest::newRow("ref_neg") << "doubleSpinBox_current_ref_neg" << 9 << -1001.0 << 0.0 << -100.0 << 1.0
                             << "US" << false;
    QTest::newRow("current") << "doubleSpinBox_current" << 9 << -1e9 << 1e9 << 0.0 << 1.0 << "US" << false;
}

void SetupFormTest::spinBoxFormats()
{
    QFETCH(QString, name);
    QFETCH(int, decimals);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(double, value);
    QFETCH(double, step);
    QFETCH(QString, locale);
    QFETCH(bool, buttons);

    SetupRig rig;
    auto* box = rig.dialog->findChild<QAbstractSpinBox*>(name);
    QVERIFY(box);
    if (decimals < 0) {
        auto* s = qobject_cast<QSpinBox*>(box);
        QVERIFY(s);
        QCOMPARE(double(s->minimum()), minimum);
        QCOMPARE(double(s->maximum()), maximum);
        QCOMPARE(double(s->value()), value);
        QCOMPARE(double(s->singleStep()), step);
    } else {
        auto* s = qobject_cast<QDoubleSpinBox*>(box);
        QVERIFY(s);
        QCOMPARE(s->decimals(), decimals);
        QCOMPARE(s->minimum(), minimum);
        QCOMPARE(s->maximum(), maximum);
        QCOMPARE(s->value(), value);
        QCOMPARE(s->singleStep(), step);
    }
    if (locale == QLatin1String("US"))
        QCOMPARE(box->locale(), QLocale(QLocale::English, QLocale::UnitedStates));
    else if (locale == QLatin1String("UK"))
        QCOMPARE(box->locale(), QLocale(QLocale::English, QLocale::UnitedKingdom));
    QCOMPARE(box->buttonSymbols() != QAbstractSpinBox::NoButtons, buttons);
}

void SetupFormTest::usLocaleBoxesReadAPoint()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        SetupRig rig;
        auto* gain = rig.w<QDoubleSpinBox>("doubleSpinBox_gain_pos");
        QCOMPARE(gain->text(), QStringLiteral("1000.000000"));
        auto* freq = rig.w<QDoubleSpinBox>("spinBox_freq");
        QCOMPARE(freq->text(), QStringLiteral("0.1"));
        auto* ts = rig.w<QSpinBox>("spinBox_ts");
        QCOMPARE(ts->singleStep(), 10);
        QCOMPARE(freq->correctionMode(), QAbstractSpinBox::CorrectToPreviousValue);
        QVERIFY(!freq->isAccelerated());
    }
    QLocale::setDefault(before);
}

void SetupFormTest::openingStates()
{
    SetupRig rig;
    const char* disabled[] = {
        "label_frequency",         "spinBox_freq", "checkBox_ACQ_headT",   "checkBox_ACQ_extT",
        "checkBox_save_to_SD",     "label_ts",     "spinBox_ts",           "label_23",
        "doubleSpinBox_alaMax",    "label_24",     "doubleSpinBox_alaMin", "radioButton_trg_internal",
        "radioButton_trg_external"};
    for (const char* name : disabled) {
        QWidget* w = rig.w<QWidget>(name);
        QVERIFY2(w && !w->isEnabled(), name);
    }
    auto* tabs = rig.w<QTabWidget>("tabWidget");
    QVERIFY(!tabs->isTabEnabled(4));
    for (int i = 0; i < 4; ++i)
        QVERIFY(tabs->isTabEnabled(i));

    auto* adc = rig.w<QCheckBox>("checkBox_ACQ_ADC_T");
    QVERIFY(adc->isHidden());
    QVERIFY(adc->isEnabled());

    QVERIFY(!rig.w<QProgressBar>("progressBar_refresh")->isHidden());
    QCOMPARE(rig.w<QProgressBar>("progressBar_refresh")->value(), 0);

    QVERIFY(!rig.w<QRadioButton>("radioButton_datalogger")->isChecked());
    QVERIFY(!rig.w<QRadioButton>("radioButton_scope")->isChecked());
    QVERIFY(rig.w<QRadioButton>("radioButton_trg_internal")->isChecked());
    QVERIFY(!rig.w<QRadioButton>("radioButton_trg_external")->isChecked());
    QCOMPARE(rig.w<QDateEdit>("dateEdit_date")->date(), QDate(1978, 4, 11));
    QCOMPARE(rig.w<QDateEdit>("dateEdit_date")->displayFormat(), QStringLiteral("dd/MM/yyyy"));
    QVERIFY(rig.w<QDateEdit>("dateEdit_date")->calendarPopup());
    QCOMPARE(rig.w<QTimeEdit>("timeEdit_time")->time(), QTime(0, 0, 0));
    QCOMPARE(rig.w<QTimeEdit>("timeEdit_time")->displayFormat(), QStringLiteral("HH:mm:ss"));

    auto* models = rig.w<QComboBox>("comboBox_dcct_model");
    const QStringList names = {"VANTO-100", "VANTO-150", "VANTO-200", "VANTO-300",
                               "VANTO-400", "VANTO-600", "VANTO-1000"};
    QCOMPARE(models->count(), names.size());
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(models->itemText(i), names.at(i));
    QCOMPARE(models->currentIndex(), 0);
    QCOMPARE(rig.w<QComboBox>("comboBox_SD_files")->count(), 0);
    QVERIFY(!rig.dialog->cardMounted());
    QVERIFY(!rig.dialog->unmountOnApply());

    // Calibration page widgets are out of reach while the tab is disabled.
    QVERIFY(!rig.w<QPushButton>("pushButton_apply_cal")->isEnabled());
}

void SetupFormTest::boldWidgets()
{
    SetupRig rig;
    const char* bold[] = {
        "radioButton_datalogger", "radioButton_scope", "spinBox_freq",        "spinBox_ts",
        "checkBox_trig_enable",   "checkBox_alarm",    "checkBox_enable_cal", "label_SD_log",
        "label_SD_status",        "comboBox_SD_files", "comboBox_dcct_model", "groupBox_9"};
    for (const char* name : bold) {
        QWidget* w = rig.w<QWidget>(name);
        QVERIFY2(w && w->font().bold(), name);
        QCOMPARE(w->font().pointSize(), 10);
    }
    const char* normal[] = {"label_9",
                            "lineEdit_sentrel_name",
                            "checkBox_ACQ_headT",
                            "pushButton_apply_mode",
                            "radioButton_trg_internal",
                            "label_matched"};
    for (const char* name : normal) {
        QWidget* w = rig.w<QWidget>(name);
        QVERIFY2(w && !w->font().bold(), name);
        QCOMPARE(w->font().pointSize(), 10);
    }
}

void SetupFormTest::addressValidator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");
    QTest::newRow("complete") << "192.168.0.20" << int(QValidator::Acceptable);
    QTest::newRow("leading zeros") << "010.000.000.001" << int(QValidator::Acceptable);
    QTest::newRow("three parts") << "1.2.3" << int(QValidator::Intermediate);
    QTest::newRow("empty") << "" << int(QValidator::Intermediate);
    QTest::newRow("256") << "256.1.1.1" << int(QValidator::Invalid);
    QTest::newRow("letters") << "1.2.3.a" << int(QValidator::Invalid);
    QTest::newRow("five parts") << "1.2.3.4.5" << int(QValidator::Invalid);
}

void SetupFormTest::addressValidator()
{
    QFETCH(QString, text);
    QFETCH(int, state);
    SetupRig rig;
    for (const char* name : {"lineEdit_new_ipAddress", "lineEdit_new_subNet", "lineEdit_new_gateway"}) {
        const QValidator* v = rig.w<QLineEdit>(name)->validator();
        QVERIFY(v);
        QString t = text;
        int pos = 0;
        QCOMPARE(int(v->validate(t, pos)), state);
    }
}

void SetupFormTest::textValidators_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("name ascii") << "lineEdit_sentrel_name"
                                << "Box 7 (hall)"
                                << "Box 7 (hall)";
    QTest::newRow("name accents") << "lineEdit_sentrel_name" << QStringLiteral("B\u00f6x") << "Bx";
    QTest::newRow("box des") << "lineEdit_sentrel_des" << QStringLiteral("SN\u20ac-1") << "SN-1";
    QTest::newRow("head des") << "lineEdit_dcct_des" << QStringLiteral("Ring \u00b5") << "Ring ";
    QTest::newRow("head serial blank") << "lineEdit_dcct_model_sn"
                                       << "A1 234"
                                       << "A1234";
    QTest::newRow("mac") << "lineEdit_new_mac_address"
                         << "00:1a:2B:3c:4D:5e"
                         << "00:1a:2B:3c:4D:5e";
    QTest::newRow("mac junk") << "lineEdit_new_mac_address"
                              << "00-1A"
                              << "00";
    QTest::newRow("password") << "lineEdit_password" << QStringLiteral("s\u00e9same 1") << "ssame 1";
}

void SetupFormTest::textValidators()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    SetupRig rig;
    // The Calibration page takes input only once a password is set.
    rig.show(SetupRig::unlockedRecord());
    auto* edit = rig.dialog->findChild<QLineEdit*>(name);
    if (!edit) // the password dialog is a window of its own
        edit = rig.dialog->passwordDialog()->findChild<QLineEdit*>(name);
    QVERIFY(edit);
    edit->clear();
    // One key event per character, text included (keyClicks knows ASCII only).
    for (const QChar c : typed)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QCOMPARE(edit->text(), kept);
}

QTEST_MAIN(SetupFormTest)
#include "tst_setup_form.moc"
