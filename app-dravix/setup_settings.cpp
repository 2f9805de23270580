// Setup_dialog: the actions of the General, Acquisition, I/O Alarm and
// Calibration pages. Each queues its set codes, starts the progress bar, then
// queues the queries that read the settings back; the widgets follow at the
// next status report. A field is sent only when its held value allows it
// (setup_held.cpp): it shows the box's value, or the user changed it.

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
    // The field takes no more than the box keeps, and a longer name the box
    // holds is shown cut: held, so it goes only once the user changed it.
    if (!name.isEmpty() && held_name.mayWrite(name)) {
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
    if (held_date.mayWrite(form->dateEdit_date->text()))
        thread->enqueue(70, QString::asprintf("%02d.%02d.%04d", date.day(), date.month(), date.year()));
    start_progress(1);
    thread->enqueue(71);
}

void Setup_dialog::on_pushButton_apply_time_clicked()
{
    const QTime time = form->timeEdit_time->time();
    if (held_time.mayWrite(form->timeEdit_time->text()))
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
        const HeldValue& held;
        bool send() const { return !edit->text().isEmpty() && held.mayWrite(edit->text()); }
    };
    const Field fields[] = {
        {form->lineEdit_new_ipAddress, 137, tr("IP address"), held_ip_new},
        {form->lineEdit_new_subNet, 145, tr("subnet mask"), held_mask_new},
        {form->lineEdit_new_gateway, 147, tr("gateway"), held_gate_new},
    };
    // An empty or half-typed address could leave the box unreachable: an
    // empty field is left alone, an incomplete one stops the whole apply.
    for (const Field& f : fields) {
        const QString text = f.edit->text();
        if (f.send() && !SetupChecks::isCompleteIPv4(text)) {
            warn(tr("The new %1 is incomplete: enter four numbers from 0 to 255 separated by dots.")
                     .arg(f.what));
            return;
        }
    }
    for (const Field& f : fields) {
        if (f.send())
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
    const QString mode = mode_arg();
    if (!mode.isEmpty() && held_mode.mayWrite(mode))
        thread->enqueue(1, mode);

    const bool saving = form->checkBox_save_to_SD->isChecked();
    if (held_save_sd.mayWrite(saving ? QStringLiteral("ON") : QStringLiteral("OFF"))) {
        if (saving) {
            thread->enqueue(101);
            thread->enqueue(18, QStringLiteral("ON"));
        } else {
            thread->enqueue(18, QStringLiteral("OFF"));
            if (unmount_on_apply)
                thread->enqueue(102);
        }
    }

    if (held_channels.mayWrite(channel_digits()))
        thread->enqueue(54, channel_digits());
    if (held_freq.mayWrite(form->spinBox_freq->text()))
        thread->enqueue(6, QString::number(form->spinBox_freq->value(), 'g', 6));
    if (held_ts.mayWrite(form->spinBox_ts->text()))
        thread->enqueue(8, QString::number(form->spinBox_ts->value()));

    start_progress(2);
    thread->enqueue(80);
    thread->enqueue(5);
    thread->enqueue(7);
    thread->enqueue(103);
}

void Setup_dialog::on_pushButton_apply_pturns_clicked()
{
    if (held_pturns.mayWrite(form->spinBox_pturns->text()))
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

// ---- I/O Alarm --------------------------------------------------------------

void Setup_dialog::on_pushButton_apply_triger_clicked()
{
    if (held_trigger.mayWrite(trigger_arg()))
        thread->enqueue(50, trigger_arg());
    start_progress(1);
    thread->enqueue(80);
}

void Setup_dialog::on_pushButton_apply_alarm_clicked()
{
    // A limit the field cannot show as the box holds it stays as the box
    // holds it; the check is on the limits the box will hold afterwards (a
    // text that is no number passes it: the box decides).
    auto after = [](const HeldValue& held, const QDoubleSpinBox* box, bool* send) {
        *send = held.mayWrite(box->text());
        if (*send)
            return box->value();
        bool ok = false;
        const double value = held.text().trimmed().toDouble(&ok);
        return ok ? value : std::nan("");
    };
    bool sendUpper = false;
    bool sendLower = false;
    const double upper = after(held_ulim, form->doubleSpinBox_alaMax, &sendUpper);
    const double lower = after(held_llim, form->doubleSpinBox_alaMin, &sendLower);
    if (lower >= upper) {
        warn(tr("Upper Limit must be greater than Lower Limit"));
        return;
    }
    const QString alarm = form->checkBox_alarm->isChecked() ? QStringLiteral("ON") : QStringLiteral("OFF");
    if (held_alarm.mayWrite(alarm))
        thread->enqueue(41, alarm);
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
    const QString cal = form->checkBox_enable_cal->isChecked() ? QStringLiteral("ON") : QStringLiteral("OFF");
    if (held_cal.mayWrite(cal))
        thread->enqueue(35, cal);
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
    const QDoubleSpinBox* box = form->doubleSpinBox_gain_pos;
    // The number, never the box's "not read" text.
    if (held_gain_pos.mayWrite(box->text()))
        thread->enqueue(129, QString::number(box->value(), 'f', box->decimals()));
    start_progress(1);
    thread->enqueue(130);
}

void Setup_dialog::on_pushButton_apply_gain_neg_clicked()
{
    const QDoubleSpinBox* box = form->doubleSpinBox_gain_neg;
    const QString gain = QString::number(box->value(), 'f', box->decimals());
    if (held_gain_neg.mayWrite(box->text())) {
        qDebug().noquote() << gain;
        thread->enqueue(128, gain);
    }
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
    if (held_model.mayWrite(model_arg()))
        thread->enqueue(260, model_arg());
    start_progress(1);
    thread->enqueue(258);
}

void Setup_dialog::on_pushButton_apply_dcct_des_clicked()
{
    const QString des = form->lineEdit_dcct_des->text();
    if (held_dcct_des.mayWrite(des) && !queue_text(259, des))
        return;
    start_progress(1);
    thread->enqueue(257);
}

void Setup_dialog::on_pushButton_apply_sentrel_des_clicked()
{
    const QString des = form->lineEdit_sentrel_des->text();
    if (held_sentrel_des.mayWrite(des) && !queue_text(261, des))
        return;
    start_progress(1);
    thread->enqueue(134);
}

void Setup_dialog::on_pushButton_apply_mac_clicked()
{
    const QString mac = form->lineEdit_new_mac_address->text();
    const bool send = !mac.isEmpty() && held_mac_new.mayWrite(mac);
    if (send && !SetupChecks::isMacAddress(mac)) {
        warn(tr("The MAC address must be six pairs of hexadecimal digits separated by \":\" (for instance "
                "00:1A:2B:3C:4D:5E)."));
        return;
    }
    // An empty field sends nothing: it only reads the setting back.
    if (send)
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
