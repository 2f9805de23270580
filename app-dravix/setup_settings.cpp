// Setup_dialog: the actions of the General, Acquisition, I/O Alarm and
// Calibration pages. Each queues its set codes, starts the progress bar, then
// queues the queries that read the settings back; the widgets follow at the
// next status report.

#include "setup_dialog.h"
#include "ui_setup_dialog.h"

#include "dcct_thread.h"
#include "setup_checks.h"

#include <QDebug>
#include <QLineEdit>
#include <QStringList>

#include <cmath>

// ---- General ----------------------------------------------------------------

void Setup_dialog::on_pushButton_save_name_clicked()
{
    const QString name = form->lineEdit_sentrel_name->text();
    if (!name.isEmpty()) {
        if (!queue_text(72, name))
            return;
        form->lineEdit_sentrel_name->clear();
    }
    start_progress(1);
    thread->enqueue(73);
}

void Setup_dialog::on_pushButton_apply_date_clicked()
{
    // The box takes and answers the date as dd.MM.yyyy.
    const QDate date = form->dateEdit_date->date();
    thread->enqueue(70, QString::asprintf("%02d.%02d.%04d", date.day(), date.month(), date.year()));
    start_progress(1);
    thread->enqueue(71);
}

void Setup_dialog::on_pushButton_apply_time_clicked()
{
    const QTime time = form->timeEdit_time->time();
    thread->enqueue(68, QString::asprintf("%02d.%02d.%02d", time.hour(), time.minute(), time.second()));
    start_progress(1);
    thread->enqueue(69);
}

void Setup_dialog::on_pushButton_apply_ip_clicked()
{
    struct Field {
        QLineEdit* edit;
        int code;
        QString what;
    };
    const Field fields[] = {
        {form->lineEdit_new_ipAddress, 137, tr("IP address")},
        {form->lineEdit_new_subNet, 145, tr("subnet mask")},
        {form->lineEdit_new_gateway, 147, tr("gateway")},
    };
    // An empty or half-typed address could leave the box unreachable: an
    // empty field is left alone, an incomplete one stops the whole apply.
    for (const Field& f : fields) {
        const QString text = f.edit->text();
        if (!text.isEmpty() && !SetupChecks::isCompleteIPv4(text)) {
            warn(tr("The new %1 is incomplete: enter four numbers from 0 to 255 separated by dots.")
                     .arg(f.what));
            return;
        }
    }
    for (const Field& f : fields) {
        if (!f.edit->text().isEmpty())
            thread->enqueue(f.code, f.edit->text());
    }
    start_progress(1);
    thread->enqueue(262);
    thread->enqueue(264);
    thread->enqueue(272);
}

// ---- Acquisition ------------------------------------------------------------

void Setup_dialog::on_pushButton_apply_mode_clicked()
{
    thread->enqueue(1, form->radioButton_datalogger->isChecked() ? QStringLiteral("DLOG")
                                                                 : QStringLiteral("OSC"));

    if (form->checkBox_save_to_SD->isChecked()) {
        thread->enqueue(101);
        thread->enqueue(18, QStringLiteral("ON"));
    } else {
        thread->enqueue(18, QStringLiteral("OFF"));
        if (unmount_on_apply)
            thread->enqueue(102);
    }

    // Head, external, ADC temperature; the boxes count even when disabled or hidden.
    QString channels;
    channels += form->checkBox_ACQ_headT->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
    channels += form->checkBox_ACQ_extT->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
    channels += form->checkBox_ACQ_ADC_T->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
    thread->enqueue(54, channels);

    // A value the field cannot show stays as the box holds it.
    if (held_freq.shown || held_freq.changed)
        thread->enqueue(6, QString::number(form->spinBox_freq->value(), 'g', 6));
    if (held_ts.shown || held_ts.changed)
        thread->enqueue(8, QString::number(form->spinBox_ts->value()));

    start_progress(2);
    thread->enqueue(80);
    thread->enqueue(5);
    thread->enqueue(7);
    thread->enqueue(103);
}

void Setup_dialog::on_pushButton_apply_pturns_clicked()
{
    thread->enqueue(33, QString::number(form->spinBox_pturns->value()));
    start_progress(1);
    thread->enqueue(32);
}

void Setup_dialog::on_pushButton_read_curr_2_clicked()
{
    thread->enqueue(4);
    start_progress(5);
    thread->enqueue(80);
}

void Setup_dialog::on_pushButton_zero_offset_2_clicked()
{
    thread->enqueue(118);
    start_progress(5);
    thread->enqueue(117);
}

void Setup_dialog::watch_held_settings()
{
    // A report's fill changes the fields too, but note_held_settings runs
    // after it; typing the same value again counts as a change.
    auto mark = [](HeldSetting* s) { return [s] { s->changed = true; }; };
    auto watchEdit = [&](QAbstractSpinBox* box, HeldSetting* s) {
        if (auto* edit = box->findChild<QLineEdit*>())
            connect(edit, &QLineEdit::textEdited, this, mark(s));
    };
    connect(form->spinBox_freq, qOverload<double>(&QDoubleSpinBox::valueChanged), this, mark(&held_freq));
    connect(form->spinBox_ts, qOverload<int>(&QSpinBox::valueChanged), this, mark(&held_ts));
    connect(form->doubleSpinBox_alaMax, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            mark(&held_ulim));
    connect(form->doubleSpinBox_alaMin, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            mark(&held_llim));
    watchEdit(form->spinBox_freq, &held_freq);
    watchEdit(form->spinBox_ts, &held_ts);
    watchEdit(form->doubleSpinBox_alaMax, &held_ulim);
    watchEdit(form->doubleSpinBox_alaMin, &held_llim);
}

void Setup_dialog::note_held_settings(const Dcct_data& data)
{
    struct Field {
        HeldSetting* setting;
        const QString& held;
        double shown;
        QString sent; // what Apply sends for the field as it stands
        QString what;
        QString unit;
        QString range;
        // A setting that is always positive: the record's "0" stands for one
        // not read yet, and only a positive number the box gave is worth a
        // word.
        bool positive;
    };
    auto decimalRange = [](const QDoubleSpinBox* box) {
        return QString::number(box->minimum(), 'f', box->decimals()) + QStringLiteral(" to ") +
               QString::number(box->maximum(), 'f', box->decimals());
    };
    auto limitText = [](double value) { return QString::number(value, 'g', 6); };
    const QDoubleSpinBox* freq = form->spinBox_freq;
    const QSpinBox* ts = form->spinBox_ts;
    const QDoubleSpinBox* ulim = form->doubleSpinBox_alaMax;
    const QDoubleSpinBox* llim = form->doubleSpinBox_alaMin;
    const QString amperes = tr("A");
    const Field fields[] = {
        {&held_freq, data.freq, freq->value(), QString::number(freq->value(), 'g', 6),
         tr("sampling frequency"), tr("Hz"), decimalRange(freq), true},
        {&held_ts, data.ts, double(ts->value()), QString::number(ts->value()), tr("sampling time"),
         QString(QChar(0x00b5)) + QLatin1Char('s'),
         QString::number(ts->minimum()) + QStringLiteral(" to ") + QString::number(ts->maximum()), true},
        {&held_ulim, data.alarm_ulim, ulim->value(), limitText(ulim->value()), tr("alarm upper limit"),
         amperes, decimalRange(ulim), false},
        {&held_llim, data.alarm_llim, llim->value(), limitText(llim->value()), tr("alarm lower limit"),
         amperes, decimalRange(llim), false},
    };
    QStringList untold;
    for (const Field& f : fields) {
        bool ok = false;
        const double value = f.held.trimmed().toDouble(&ok);
        HeldSetting& s = *f.setting;
        s.held = f.held;
        s.changed = false;
        const bool readable = ok && std::isfinite(value);
        // A value the field shows but Apply would write with fewer digits
        // is left as the box holds it too; the field shows it, so no word.
        const bool visible = readable && value == f.shown;
        s.shown = visible && f.sent.toDouble() == value;
        if (visible || s.told == s.held || (f.positive && (!readable || value <= 0)))
            continue;
        s.told = s.held;
        untold << tr("SENTREL's %1 is %2 %3, which the form cannot show (%4 %3). Apply leaves it as it is "
                     "unless you change that field.")
                      .arg(f.what, f.held.trimmed(), f.unit, f.range);
    }
    if (!untold.isEmpty())
        warn(untold.join(QLatin1Char('\n')));
}

// ---- I/O Alarm --------------------------------------------------------------

void Setup_dialog::on_pushButton_apply_triger_clicked()
{
    QString mode = QStringLiteral("OFF");
    if (form->checkBox_trig_enable->isChecked())
        mode = form->radioButton_trg_internal->isChecked() ? QStringLiteral("IN") : QStringLiteral("OUT");
    thread->enqueue(50, mode);
    start_progress(1);
    thread->enqueue(80);
}

void Setup_dialog::on_pushButton_apply_alarm_clicked()
{
    // A limit the field cannot show as the box holds it stays as the box
    // holds it; the check is on the limits the box will hold afterwards (a
    // text that is no number passes it: the box decides).
    auto after = [](const HeldSetting& s, double shown, bool* send) {
        *send = s.shown || s.changed;
        if (*send)
            return shown;
        bool ok = false;
        const double held = s.held.trimmed().toDouble(&ok);
        return ok ? held : std::nan("");
    };
    bool sendUpper = false;
    bool sendLower = false;
    const double upper = after(held_ulim, form->doubleSpinBox_alaMax->value(), &sendUpper);
    const double lower = after(held_llim, form->doubleSpinBox_alaMin->value(), &sendLower);
    if (lower >= upper) {
        warn(tr("Upper Limit must be greater than Lower Limit"));
        return;
    }
    thread->enqueue(41, form->checkBox_alarm->isChecked() ? QStringLiteral("ON") : QStringLiteral("OFF"));
    if (sendUpper)
        thread->enqueue(37, QString::number(upper, 'g', 6));
    if (sendLower)
        thread->enqueue(38, QString::number(lower, 'g', 6));
    start_progress(1);
    thread->enqueue(80);
    thread->enqueue(39);
    thread->enqueue(40);
}

// ---- Calibration ------------------------------------------------------------
// The spin boxes of this page use the US locale, so their text always has a
// decimal point, whatever the system's locale.

void Setup_dialog::on_pushButton_apply_cal_clicked()
{
    thread->enqueue(35,
                    form->checkBox_enable_cal->isChecked() ? QStringLiteral("ON") : QStringLiteral("OFF"));
    start_progress(1);
    thread->enqueue(80);
}

void Setup_dialog::on_pushButton_zero_offset_clicked()
{
    thread->enqueue(118);
    start_progress(5);
    thread->enqueue(117);
}

void Setup_dialog::on_pushButton_apply_gain_pos_clicked()
{
    thread->enqueue(129, form->doubleSpinBox_gain_pos->text());
    start_progress(1);
    thread->enqueue(130);
}

void Setup_dialog::on_pushButton_apply_gain_neg_clicked()
{
    const QString gain = form->doubleSpinBox_gain_neg->text();
    qDebug().noquote() << gain;
    thread->enqueue(128, gain);
    start_progress(1);
    thread->enqueue(131);
}

void Setup_dialog::on_pushButton_calibrate_pos_clicked()
{
    thread->enqueue(120, form->doubleSpinBox_current_ref_pos->text());
    start_progress(5);
    thread->enqueue(130);
}

void Setup_dialog::on_pushButton_calibrate_neg_clicked()
{
    thread->enqueue(121, form->doubleSpinBox_current_ref_neg->text());
    start_progress(5);
    thread->enqueue(131);
}

void Setup_dialog::on_pushButton_read_curr_clicked()
{
    thread->enqueue(4);
    start_progress(5);
    thread->enqueue(71);
}

void Setup_dialog::on_pushButton_match_clicked()
{
    thread->enqueue(114);
    thread->enqueue(83);
    start_progress(1);
    thread->enqueue(82);
}

void Setup_dialog::on_pushButton_apply_dcct_model_clicked()
{
    const int model = form->comboBox_dcct_model->currentIndex();
    if (model < 0) {
        warn(tr("Select the DCCT model first."));
        return;
    }
    const QString serial = form->lineEdit_dcct_model_sn->text();
    // The serial number is the reply's second word: it may hold no blank.
    if (!SetupChecks::isBoxText(serial) || serial.contains(QLatin1Char(' '))) {
        warn(tr("The head serial number may hold printable ASCII characters only, without blanks."));
        return;
    }
    thread->enqueue(260, QString::number(model) + QLatin1Char(' ') + serial);
    start_progress(1);
    thread->enqueue(258);
}

void Setup_dialog::on_pushButton_apply_dcct_des_clicked()
{
    if (!queue_text(259, form->lineEdit_dcct_des->text()))
        return;
    start_progress(1);
    thread->enqueue(257);
}

void Setup_dialog::on_pushButton_apply_sentrel_des_clicked()
{
    if (!queue_text(261, form->lineEdit_sentrel_des->text()))
        return;
    start_progress(1);
    thread->enqueue(134);
}

void Setup_dialog::on_pushButton_apply_mac_clicked()
{
    const QString mac = form->lineEdit_new_mac_address->text();
    if (!mac.isEmpty() && !SetupChecks::isMacAddress(mac)) {
        warn(tr("The MAC address must be six pairs of hexadecimal digits separated by \":\" (for instance "
                "00:1A:2B:3C:4D:5E)."));
        return;
    }
    // An empty field sends nothing: it only reads the setting back.
    if (!mac.isEmpty())
        thread->enqueue(149, mac);
    start_progress(1);
    thread->enqueue(274);
}

void Setup_dialog::on_pushButton_init_clicked()
{
    const QString question = tr("This will Initialize the EEPROM. \n\r The actual calibration values will be "
                                "overridden. \n\r Proceed?");
    if (ask(question) != QMessageBox::Yes)
        return;
    thread->enqueue(19);
    start_progress(1);
    thread->enqueue(80);
}
