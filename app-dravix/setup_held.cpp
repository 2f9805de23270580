// Setup_dialog: the fields that a Save or Apply writes back to the box. Each
// shows the box's value only when the latest query of it on this connection
// gave one the field can show exactly. Otherwise the field shows the value as
// not read, or keeps it aside (text it cannot parse, beyond its range, more
// digits or characters than it takes); an unchanged Save or Apply then leaves
// it as the box holds it, and the window says so once.

#include "setup_dialog.h"
#include "ui_setup_dialog.h"

#include "setup_checks.h"

#include <cmath>

namespace
{

bool numberIn(const QString& text, double* value)
{
    bool ok = false;
    *value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(*value);
}

QString onOff(bool on)
{
    return on ? QStringLiteral("ON") : QStringLiteral("OFF");
}

// A reply as the window names it: whole, or by its length when it would not
// fit a message.
QString valueWords(const QString& text, const QString& unit = QString())
{
    if (text.size() > 40)
        return Setup_dialog::tr("%1 characters long").arg(text.size());
    return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
}

QString quoted(const QString& text)
{
    return text.size() > 40 ? valueWords(text) : QLatin1Char('"') + text + QLatin1Char('"');
}

QString cannotShow(const QString& value, const QString& reach)
{
    return Setup_dialog::tr("%1, which the form cannot show (%2)").arg(value, reach);
}

// The pair's radio buttons from the box: one checked, or neither while the
// choice is not known (exclusivity is lifted for that moment).
void checkPair(QRadioButton* on, QRadioButton* off, bool known)
{
    if (known) {
        on->setChecked(true);
        return;
    }
    for (QRadioButton* b : {on, off}) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }
}

} // namespace

QString Setup_dialog::mode_arg() const
{
    if (form->radioButton_datalogger->isChecked())
        return QStringLiteral("DLOG");
    return form->radioButton_scope->isChecked() ? QStringLiteral("OSC") : QString();
}

QString Setup_dialog::channel_digits() const
{
    // Head, external, ADC temperature; the boxes count even when disabled or hidden.
    QString digits;
    for (const QCheckBox* b : {form->checkBox_ACQ_headT, form->checkBox_ACQ_extT, form->checkBox_ACQ_ADC_T})
        digits += b->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
    return digits;
}

QString Setup_dialog::trigger_arg() const
{
    if (!form->checkBox_trig_enable->isChecked())
        return QStringLiteral("OFF");
    return form->radioButton_trg_internal->isChecked() ? QStringLiteral("IN") : QStringLiteral("OUT");
}

QString Setup_dialog::model_arg() const
{
    return QString::number(form->comboBox_dcct_model->currentIndex()) + QLatin1Char(' ') +
           form->lineEdit_dcct_model_sn->text();
}

void Setup_dialog::watch_held_values()
{
    const QList<QPair<QWidget*, HeldValue*>> fields = {
        {form->lineEdit_sentrel_name, &held_name},
        {form->dateEdit_date, &held_date},
        {form->timeEdit_time, &held_time},
        {form->lineEdit_new_ipAddress, &held_ip_new},
        {form->lineEdit_new_subNet, &held_mask_new},
        {form->lineEdit_new_gateway, &held_gate_new},
        {form->radioButton_datalogger, &held_mode},
        {form->radioButton_scope, &held_mode},
        {form->checkBox_save_to_SD, &held_save_sd},
        {form->checkBox_ACQ_headT, &held_channels},
        {form->checkBox_ACQ_extT, &held_channels},
        {form->checkBox_ACQ_ADC_T, &held_channels},
        {form->spinBox_freq, &held_freq},
        {form->spinBox_ts, &held_ts},
        {form->spinBox_pturns, &held_pturns},
        {form->checkBox_trig_enable, &held_trigger},
        {form->radioButton_trg_internal, &held_trigger},
        {form->radioButton_trg_external, &held_trigger},
        {form->checkBox_alarm, &held_alarm},
        {form->doubleSpinBox_alaMax, &held_ulim},
        {form->doubleSpinBox_alaMin, &held_llim},
        {form->checkBox_enable_cal, &held_cal},
        {form->doubleSpinBox_gain_pos, &held_gain_pos},
        {form->doubleSpinBox_gain_neg, &held_gain_neg},
        {form->comboBox_dcct_model, &held_model},
        {form->lineEdit_dcct_model_sn, &held_model},
        {form->lineEdit_dcct_des, &held_dcct_des},
        {form->lineEdit_sentrel_des, &held_sentrel_des},
        {form->lineEdit_new_mac_address, &held_mac_new},
    };
    for (const auto& f : fields)
        watchUserEdits(f.first, f.second);
}

void Setup_dialog::tell(HeldValue& held, const QString& what, const QString& cannot)
{
    // A value held without a word (`cannot` empty) is one the field shows.
    const QString phrase = held.state() == HeldValue::State::NotRead
                               ? tr("SENTREL's %1 was not read.").arg(what)
                           : cannot.isEmpty() ? QString()
                                              : tr("SENTREL's %1 is %2.").arg(what, cannot);
    held_notes.add(held, phrase);
}

void Setup_dialog::show_exactly(HeldValue& held, bool read, const QString& text, const QString& shown,
                                const QString& what)
{
    if (read)
        held.fillShown(text, shown);
    else
        held.fillNotRead(shown);
    tell(held, what, QString());
}

void Setup_dialog::show_number(QDoubleSpinBox* box, HeldValue& held, bool read, const QString& text,
                               const QString& what, const QString& unit, const std::function<QString()>& sent)
{
    double value = 0;
    const bool number = numberIn(text, &value);
    // The box has no empty state: its minimum reads "not read".
    box->setSpecialValueText(read ? QString() : tr("not read"));
    box->setValue(!read ? box->minimum() : number ? value : 0.0);
    // A value the field shows but Apply would write with fewer digits stays
    // as the box holds it too; the field shows it, so no word.
    const bool visible = number && value == box->value();
    // Shown exactly when the field shows the box's number and an Apply sends it back as it is.
    const double sends = visible ? sent().toDouble() : box->value();
    if (read)
        held.fillNumber(text, number ? std::optional<double>(value) : std::nullopt, sends, box->text());
    else
        held.fillNotRead(box->text());
    const QString range = QString::number(box->minimum(), 'f', box->decimals()) + tr(" to ") +
                          QString::number(box->maximum(), 'f', box->decimals());
    tell(held, what,
         visible ? QString() : cannotShow(valueWords(text.trimmed(), unit), valueWords(range, unit)));
}

void Setup_dialog::show_whole_number(QSpinBox* box, HeldValue& held, bool read, const QString& text,
                                     const QString& what, const QString& unit)
{
    double value = 0;
    const bool number = numberIn(text, &value);
    // Truncated toward zero and clamped before the conversion, so a huge
    // value cannot overflow the int.
    const double whole = number ? std::trunc(value) : 0.0;
    box->setSpecialValueText(read ? QString() : tr("not read"));
    box->setValue(!read || whole <= box->minimum() ? box->minimum()
                  : whole >= box->maximum() ? box->maximum()
                                            : int(whole));
    if (read)
        held.fillNumber(text, number ? std::optional<double>(value) : std::nullopt, box->value(),
                        box->text());
    else
        held.fillNotRead(box->text());
    const QString range = QString::number(box->minimum()) + tr(" to ") + QString::number(box->maximum());
    tell(held, what,
         held.state() == HeldValue::State::Shown
             ? QString()
             : cannotShow(valueWords(text.trimmed(), unit), valueWords(range, unit)));
}

void Setup_dialog::show_text(QLineEdit* edit, HeldValue& held, bool read, const QString& text, bool takes,
                             const QString& what, const QString& takesWhat)
{
    // A field longer than the edit takes is cut by it: held, never sent cut.
    edit->setText(read ? text : QString());
    edit->setPlaceholderText(read ? QString() : tr("not read"));
    if (!read)
        held.fillNotRead(edit->text());
    else if (takes)
        held.fillText(text, edit->text());
    else
        held.fillHeld(text, edit->text());
    tell(held, what,
         held.state() == HeldValue::State::Shown ? QString() : cannotShow(quoted(text), takesWhat));
}

void Setup_dialog::show_held_values(const Dcct_data& data)
{
    const QString ascii = tr("printable ASCII characters");
    // General
    show_text(form->lineEdit_sentrel_name, held_name, data.wasRead(73), data.name,
              SetupChecks::isBoxText(data.name), tr("name"), ascii);
    // The date and time edits have no empty state: their minimum reads "not read".
    for (QDateTimeEdit* edit : {static_cast<QDateTimeEdit*>(form->dateEdit_date), static_cast<QDateTimeEdit*>(form->timeEdit_time)})
        edit->setSpecialValueText(data.wasRead(edit == form->dateEdit_date ? 71 : 69) ? QString() : tr("not read"));
    form->dateEdit_date->setDate(data.wasRead(71) ? data.date : form->dateEdit_date->minimumDate());
    show_exactly(held_date, data.wasRead(71), data.date.toString(QStringLiteral("dd.MM.yyyy")),
                 form->dateEdit_date->text(), tr("date"));
    form->timeEdit_time->setTime(data.wasRead(69) ? data.time : form->timeEdit_time->minimumTime());
    show_exactly(held_time, data.wasRead(69), data.time.toString(QStringLiteral("HH.mm.ss")),
                 form->timeEdit_time->text(), tr("time"));
    const QString address = tr("four numbers from 0 to 255 separated by dots");
    show_text(form->lineEdit_new_ipAddress, held_ip_new, data.wasRead(262), data.ip_new,
              SetupChecks::isCompleteIPv4(data.ip_new), tr("new IP address"), address);
    show_text(form->lineEdit_new_subNet, held_mask_new, data.wasRead(264), data.mask_new,
              SetupChecks::isCompleteIPv4(data.mask_new), tr("new subnet mask"), address);
    show_text(form->lineEdit_new_gateway, held_gate_new, data.wasRead(272), data.gate_new,
              SetupChecks::isCompleteIPv4(data.gate_new), tr("new gateway"), address);

    // Acquisition. The status word carries the switches; each has its own query too.
    const bool status = data.wasRead(80);
    const bool modeKnown = status || data.wasRead(0);
    // Setting one radio button unchecks the other; the toggles apply the
    // mode's enabling rule.
    checkPair(data.mode_dlog ? form->radioButton_datalogger : form->radioButton_scope,
              data.mode_dlog ? form->radioButton_scope : form->radioButton_datalogger, modeKnown);
    show_exactly(held_mode, modeKnown, data.mode_dlog ? QStringLiteral("DLOG") : QStringLiteral("OSC"),
                 mode_arg(), tr("operation mode"));
    const bool savingKnown = status || data.wasRead(17);
    // Set from code, so no clicked(): the unmount question stays quiet.
    form->checkBox_save_to_SD->setChecked(savingKnown && data.save_sd);
    show_exactly(held_save_sd, savingKnown, onOff(data.save_sd),
                 onOff(form->checkBox_save_to_SD->isChecked()), tr("SD-card saving"));
    const bool channelsKnown = status || data.wasRead(53);
    const int layout = channelsKnown ? data.line_layout : 0;
    if (layout >= 0 && layout <= 7) {
        form->checkBox_ACQ_headT->setChecked(layout & 4);
        form->checkBox_ACQ_extT->setChecked(layout & 2);
        form->checkBox_ACQ_ADC_T->setChecked(layout & 1);
    }
    show_exactly(held_channels, channelsKnown, channel_digits(), channel_digits(),
                 tr("temperature selection"));
    show_number(form->spinBox_freq, held_freq, data.wasRead(5), data.freq, tr("sampling frequency"), tr("Hz"),
                [this] { return QString::number(form->spinBox_freq->value(), 'g', 6); });
    show_whole_number(form->spinBox_ts, held_ts, data.wasRead(7), data.ts, tr("sampling time"),
                      QString(QChar(0x00b5)) + QLatin1Char('s'));
    show_whole_number(form->spinBox_pturns, held_pturns, data.wasRead(32), data.pturns, tr("Ip-turns"),
                      QString());

    // I/O Alarm
    const bool triggerKnown = status || data.wasRead(49);
    const bool triggerOn = triggerKnown && (data.trigger_out || data.trigger_in);
    form->checkBox_trig_enable->setChecked(triggerOn);
    if (triggerOn)
        (data.trigger_in ? form->radioButton_trg_internal : form->radioButton_trg_external)->setChecked(true);
    show_exactly(held_trigger, triggerKnown, trigger_arg(), trigger_arg(), tr("trigger"));
    const bool alarmKnown = status || data.wasRead(36);
    form->checkBox_alarm->setChecked(alarmKnown && data.alarm_enabled);
    show_exactly(held_alarm, alarmKnown, onOff(data.alarm_enabled), onOff(form->checkBox_alarm->isChecked()),
                 tr("alarm switch"));
    auto limitText = [](const QDoubleSpinBox* box) {
        return [box] { return QString::number(box->value(), 'g', 6); };
    };
    show_number(form->doubleSpinBox_alaMax, held_ulim, data.wasRead(39), data.alarm_ulim,
                tr("alarm upper limit"), tr("A"), limitText(form->doubleSpinBox_alaMax));
    show_number(form->doubleSpinBox_alaMin, held_llim, data.wasRead(40), data.alarm_llim,
                tr("alarm lower limit"), tr("A"), limitText(form->doubleSpinBox_alaMin));

    // Calibration. The gains go as their fields show them.
    const bool calKnown = status || data.wasRead(34);
    form->checkBox_enable_cal->setChecked(calKnown && data.cal_on);
    show_exactly(held_cal, calKnown, onOff(data.cal_on), onOff(form->checkBox_enable_cal->isChecked()),
                 tr("calibration switch"));
    show_number(form->doubleSpinBox_gain_pos, held_gain_pos, data.wasRead(130), data.gain_pos,
                tr("positive gain"), QString(), [this] { return form->doubleSpinBox_gain_pos->text(); });
    show_number(form->doubleSpinBox_gain_neg, held_gain_neg, data.wasRead(131), data.gain_neg,
                tr("negative gain"), QString(), [this] { return form->doubleSpinBox_gain_neg->text(); });
    const bool modelRead = data.wasRead(258);
    show_head_model(modelRead ? data.dcct_model : QStringLiteral("-"));
    const bool modelShown = form->comboBox_dcct_model->currentIndex() >= 0 &&
                            data.dcct_model.split(QLatin1Char(' '), Qt::SkipEmptyParts).size() <= 2;
    if (!modelRead)
        held_model.fillNotRead(model_arg());
    else if (modelShown)
        held_model.fillShown(data.dcct_model, model_arg());
    else
        held_model.fillHeld(data.dcct_model, model_arg());
    tell(held_model, tr("head model"),
         cannotShow(quoted(data.dcct_model),
                    tr("a model number from 0 to 6 and a serial number without blanks")));
    show_text(form->lineEdit_dcct_des, held_dcct_des, data.wasRead(257), data.dcct_des,
              SetupChecks::isBoxText(data.dcct_des), tr("matched head"), ascii);
    show_text(form->lineEdit_sentrel_des, held_sentrel_des, data.wasRead(134), data.box_des,
              SetupChecks::isBoxText(data.box_des), tr("serial number"), ascii);
    show_text(form->lineEdit_new_mac_address, held_mac_new, data.wasRead(274), data.mac_new,
              SetupChecks::isMacAddress(data.mac_new), tr("new MAC address"),
              tr("six pairs of hexadecimal digits separated by \":\""));

    // Said once; a record with nothing read is the one a closed link leaves,
    // about which the main window speaks.
    if (held_notes.isNews() && !data.read_codes.isEmpty())
        warn(held_notes.named().join(QLatin1Char('\n')) + QLatin1Char('\n') +
             tr("Save and Apply leave these values as the box holds them unless you change their fields."));
    held_notes.clear();
}
