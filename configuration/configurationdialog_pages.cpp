// The identification, interlock and PID pages of the configuration window.
#include "configurationdialog.h"
#include "ui_configurationdialog.h"

#include "configprompts.h"
#include "loggers.h"
#include "ps_thread.h"

#include <QSignalBlocker>

using ConfigRules::CellWrite;

namespace
{

bool hasFourInterlocks(const QString& family)
{
    return family == QLatin1String("ORTX") || family == QLatin1String("KORA-PS-1K5");
}

bool hasQuench(const QString& family)
{
    return family == QLatin1String("KORA-PS-1K5");
}

} // namespace

void ConfigurationDialog::update_general_tab()
{
    configurationDialogLogger->trace("update_general_tab called");
    const ps_data data = copyData();
    ui->id_lineEdit->setText(data.memory.value(30));
    ui->model_lineEdit->setText(data.model_text);
    ui->serial_lineEdit->setText(data.memory.value(2));
    ui->cal_date_lineEdit->setText(data.memory.value(9));
    ui->firmware_lineEdit->setText(data.version);
    ui->capabilities_lineEdit->setText(data.memory.value(130));
}

void ConfigurationDialog::on_save_ID_button_clicked()
{
    configurationDialogLogger->trace("on_save_ID_button_clicked called");
    if (!mayWrite())
        return;
    const QList<CellWrite> writes = {{30, ui->id_lineEdit->text()}};
    if (refuseUnsafe(writes, tr("Save")))
        return;
    postWrites(writes);
    if (thread)
        thread->set_task(ps_thread::TaskSave);
    postReads({30});
}

void ConfigurationDialog::update_interlocks_limits_tab()
{
    configurationDialogLogger->trace("update_interlocks_limits_tab called");
    const ps_data data = copyData();
    const bool four = hasFourInterlocks(data.family);
    for (QWidget* w : {static_cast<QWidget*>(ui->label_Int3), static_cast<QWidget*>(ui->lineEdit_Name_Int3),
                       static_cast<QWidget*>(ui->spinBox_Delay_Int3), static_cast<QWidget*>(ui->checkBox_Enable_Int3),
                       static_cast<QWidget*>(ui->checkBox_Active_Level_Int3), static_cast<QWidget*>(ui->label_Int4),
                       static_cast<QWidget*>(ui->lineEdit_Name_Int4), static_cast<QWidget*>(ui->spinBox_Delay_Int4),
                       static_cast<QWidget*>(ui->checkBox_Enable_Int4),
                       static_cast<QWidget*>(ui->checkBox_Active_Level_Int4)})
        w->setVisible(four);

    QLineEdit* names[4] = {ui->lineEdit_Name_Int1, ui->lineEdit_Name_Int2, ui->lineEdit_Name_Int3,
                           ui->lineEdit_Name_Int4};
    QSpinBox* delays[4] = {ui->spinBox_Delay_Int1, ui->spinBox_Delay_Int2, ui->spinBox_Delay_Int3,
                           ui->spinBox_Delay_Int4};
    QCheckBox* enables[4] = {ui->checkBox_Enable_Int1, ui->checkBox_Enable_Int2, ui->checkBox_Enable_Int3,
                             ui->checkBox_Enable_Int4};
    QCheckBox* levels[4] = {ui->checkBox_Active_Level_Int1, ui->checkBox_Active_Level_Int2,
                            ui->checkBox_Active_Level_Int3, ui->checkBox_Active_Level_Int4};
    const int nameCells[4] = {93, 95, 97, 99};
    const int delayCells[4] = {92, 94, 96, 98};
    const QList<bool> mask = ConfigRules::decodeInterlockBits(data.memory.value(90), 4);
    const QList<bool> level = ConfigRules::decodeInterlockBits(data.memory.value(91), 4);
    enables_readable = ConfigRules::interlockBitsReadable(data.memory.value(90));
    levels_readable = ConfigRules::interlockBitsReadable(data.memory.value(91));
    QStringList unshowable;
    if (!enables_readable)
        unshowable << tr("cell 90 (interlock enable) \"%1\"").arg(data.memory.value(90));
    if (!levels_readable)
        unshowable << tr("cell 91 (interlock active level) \"%1\"").arg(data.memory.value(91));
    for (int n = 0; n < (four ? 4 : 2); ++n) {
        names[n]->setText(data.memory.value(nameCells[n]));
        const QString delay = data.memory.value(delayCells[n]);
        delays[n]->setValue(delay.toInt());
        shown_delays[n] = delays[n]->value();
        if (delays[n]->text() != delay.trimmed())
            unshowable << tr("cell %1 (delay of interlock %2) \"%3\"").arg(delayCells[n]).arg(n + 1).arg(delay);
        enables[n]->setChecked(mask.at(n));
        levels[n]->setChecked(level.at(n));
    }
    for (int n = 0; n < 4; ++n) {
        shown_enables[n] = enables[n]->isChecked();
        shown_levels[n] = levels[n]->isChecked();
    }
    tellUnshowable(unshowable);

    ui->lineEdit_max_temperature->setText(data.memory.value(82));
    ui->lineEdit_min_dc_link->setText(data.memory.value(83));
    ui->lineEdit_max_earth_current->setText(data.memory.value(84));
    ui->lineEdit_regulation_current_limit->setText(data.memory.value(86));
    ui->lineEdit_regulation_voltage_limit->setText(data.memory.value(87));
    ui->lineEdit_regulation_int_time->setText(data.memory.value(88));

    if (hasQuench(data.family)) {
        ui->toolBox_Limits->setItemEnabled(3, true);
        ui->lineEdit_quench_Rmax->setText(data.memory.value(100));
        ui->lineEdit_quench_Rmin->setText(data.memory.value(101));
        ui->lineEdit_quench_current_thr->setText(data.memory.value(102));
        ui->lineEdit_quench_int_time->setText(data.memory.value(103));
    } else {
        ui->toolBox_Limits->setItemEnabled(3, false);
    }
    interlock_family = data.family;
    interlock_filled = true;
}

void ConfigurationDialog::tellUnshowable(const QStringList& cells)
{
    const QString text =
        cells.isEmpty()
            ? QString()
            : tr("The supply holds what this page cannot show: %1. Save leaves each of them as it is unless you "
                 "change it.")
                  .arg(cells.join(QStringLiteral(", ")));
    // Said once for what the supply holds, not at every refresh.
    if (text == told_unshowable)
        return;
    told_unshowable = text;
    if (text.isEmpty())
        return;
    configurationDialogLogger->warn("{}", text);
    // After the refresh has filled every page: a box waits for its answer.
    QMetaObject::invokeMethod(
        this, [this, text]() { ConfigPrompts::warning(this, tr("Interlocks and Limits"), text); },
        Qt::QueuedConnection);
}

void ConfigurationDialog::on_save_interlocks_limits_button_clicked()
{
    configurationDialogLogger->trace("on_save_interlocks_limits_button_clicked called");
    if (!mayWrite())
        return;
    const ps_data data = copyData();
    if (!interlock_filled || data.family != interlock_family) {
        ConfigPrompts::warning(this, tr("Save"),
                               tr("The supply changed since the page was filled: refresh first. Nothing was sent."));
        return;
    }
    const bool four = hasFourInterlocks(data.family);
    const int count = four ? 4 : 2;

    QList<CellWrite> names;
    names << CellWrite{93, ui->lineEdit_Name_Int1->text()} << CellWrite{95, ui->lineEdit_Name_Int2->text()};
    if (four)
        names << CellWrite{97, ui->lineEdit_Name_Int3->text()} << CellWrite{99, ui->lineEdit_Name_Int4->text()};

    QCheckBox* enables[4] = {ui->checkBox_Enable_Int1, ui->checkBox_Enable_Int2, ui->checkBox_Enable_Int3,
                             ui->checkBox_Enable_Int4};
    QCheckBox* levels[4] = {ui->checkBox_Active_Level_Int1, ui->checkBox_Active_Level_Int2,
                            ui->checkBox_Active_Level_Int3, ui->checkBox_Active_Level_Int4};
    QList<bool> enabled;
    QList<bool> activeHigh;
    for (int n = 0; n < count; ++n) {
        enabled << enables[n]->isChecked();
        activeHigh << levels[n]->isChecked();
    }
    // A mask the page could not read showed no interlock enabled, which is
    // not what the supply holds: it is written only when the user changed
    // one of its boxes. A readable one is written as the page shows it.
    QList<CellWrite> bits;
    const auto addBits = [&](int cell, const QList<bool>& checked, const bool* shown, bool filledReadable) {
        bool changed = false;
        for (int n = 0; n < count; ++n)
            changed = changed || checked.at(n) != shown[n];
        const QString held = data.memory.value(cell);
        if (changed || (filledReadable && ConfigRules::interlockBitsReadable(held)))
            bits << CellWrite{cell, ConfigRules::encodeInterlockBits(held, checked)};
    };
    addBits(90, enabled, shown_enables, enables_readable);
    addBits(91, activeHigh, shown_levels, levels_readable);

    QSpinBox* delays[4] = {ui->spinBox_Delay_Int1, ui->spinBox_Delay_Int2, ui->spinBox_Delay_Int3,
                           ui->spinBox_Delay_Int4};
    const int delayCells[4] = {92, 94, 96, 98};
    QList<CellWrite> delayWrites;
    for (int n = 0; n < count; ++n) {
        // A delay is written when it differs from what the supply holds now
        // (read back, or accepted when written), so the page and the supply
        // agree after every Save. A cell the spin box cannot show (no number,
        // or out of its range) shows something else: it is written only when
        // the user changed that delay.
        bool number = false;
        const int held = data.memory.value(delayCells[n]).toInt(&number);
        const bool shown = number && held >= delays[n]->minimum() && held <= delays[n]->maximum();
        if (delays[n]->value() != (shown ? held : shown_delays[n]))
            delayWrites << CellWrite{delayCells[n], delays[n]->text()};
    }

    QList<CellWrite> numbers = {
        {82, ui->lineEdit_max_temperature->text()},          {83, ui->lineEdit_min_dc_link->text()},
        {84, ui->lineEdit_max_earth_current->text()},        {86, ui->lineEdit_regulation_current_limit->text()},
        {87, ui->lineEdit_regulation_voltage_limit->text()}, {88, ui->lineEdit_regulation_int_time->text()},
    };
    if (hasQuench(data.family)) {
        numbers << CellWrite{100, ui->lineEdit_quench_Rmax->text()} << CellWrite{101, ui->lineEdit_quench_Rmin->text()}
                << CellWrite{102, ui->lineEdit_quench_current_thr->text()}
                << CellWrite{103, ui->lineEdit_quench_int_time->text()};
    }

    if (refuseNotNumber(numbers, tr("Save")) || refuseUnsafe(names, tr("Save")))
        return;

    postWrites(names + bits + delayWrites + numbers);
    if (thread)
        thread->set_task(ps_thread::TaskSave);

    QList<int> reads = {93, 95, 92, 94};
    if (four)
        reads << 97 << 99 << 96 << 98;
    reads << 90 << 91;
    if (data.family != QLatin1String("ORTX"))
        reads << 78 << 79;
    reads << 80 << 81 << 82 << 83 << 84 << 86 << 87 << 88;
    if (hasQuench(data.family))
        reads << 100 << 101 << 102 << 103;
    postReads(reads);
}

// ---- PID page ----

QList<CellWrite> ConfigurationDialog::pidPageWrites() const
{
    const QLineEdit* cc[10] = {ui->lineEdit_PIDI_Kp_v, ui->lineEdit_PIDI_Ki_v, ui->lineEdit_PIDI_Kd_v,
                               ui->lineEdit_PIDI_Kp_i, ui->lineEdit_PIDI_Ki_i, ui->lineEdit_PIDI_Kd_i,
                               ui->lineEdit_PIDI_V_max, ui->lineEdit_PIDI_V_min, ui->lineEdit_PIDI_I_max,
                               ui->lineEdit_PIDI_I_min};
    const QLineEdit* cv[10] = {ui->lineEdit_PIDV_Kp_i, ui->lineEdit_PIDV_Ki_i, ui->lineEdit_PIDV_Kd_i,
                               ui->lineEdit_PIDV_Kp_v, ui->lineEdit_PIDV_Ki_v, ui->lineEdit_PIDV_Kd_v,
                               ui->lineEdit_PIDV_I_max, ui->lineEdit_PIDV_I_min, ui->lineEdit_PIDV_V_max,
                               ui->lineEdit_PIDV_V_min};
    QList<CellWrite> writes;
    for (int i = 0; i < 10; ++i)
        writes << CellWrite{40 + i, cc[i]->text()};
    for (int i = 0; i < 10; ++i)
        writes << CellWrite{60 + i, cv[i]->text()};
    return writes;
}

void ConfigurationDialog::update_pid_tab()
{
    configurationDialogLogger->trace("update_pid_tab called");
    const ps_data data = copyData();
    QLineEdit* cc[10] = {ui->lineEdit_PIDI_Kp_v, ui->lineEdit_PIDI_Ki_v, ui->lineEdit_PIDI_Kd_v,
                         ui->lineEdit_PIDI_Kp_i, ui->lineEdit_PIDI_Ki_i, ui->lineEdit_PIDI_Kd_i,
                         ui->lineEdit_PIDI_V_max, ui->lineEdit_PIDI_V_min, ui->lineEdit_PIDI_I_max,
                         ui->lineEdit_PIDI_I_min};
    QLineEdit* cv[10] = {ui->lineEdit_PIDV_Kp_i, ui->lineEdit_PIDV_Ki_i, ui->lineEdit_PIDV_Kd_i,
                         ui->lineEdit_PIDV_Kp_v, ui->lineEdit_PIDV_Ki_v, ui->lineEdit_PIDV_Kd_v,
                         ui->lineEdit_PIDV_I_max, ui->lineEdit_PIDV_I_min, ui->lineEdit_PIDV_V_max,
                         ui->lineEdit_PIDV_V_min};
    for (int i = 0; i < 10; ++i)
        cc[i]->setText(data.memory.value(40 + i));
    ui->checkBoxFastCCLoop->setChecked(data.memory.value(50) == QLatin1String("1"));
    for (int i = 0; i < 10; ++i)
        cv[i]->setText(data.memory.value(60 + i));
    ui->checkBoxFastCVLoop->setChecked(data.memory.value(70) == QLatin1String("1"));
}

bool ConfigurationDialog::savePidPage()
{
    if (!mayWrite())
        return false;
    const QList<CellWrite> writes = pidPageWrites();
    if (refuseNotNumber(writes, tr("Save")))
        return false;
    postWrites(writes);
    if (thread)
        thread->set_task(ps_thread::TaskSave);
    QList<int> reads;
    for (int cell = 40; cell <= 49; ++cell)
        reads << cell;
    for (int cell = 60; cell <= 69; ++cell)
        reads << cell;
    reads << 50 << 70;
    postReads(reads);
    return true;
}

void ConfigurationDialog::on_save_PID_button_clicked()
{
    configurationDialogLogger->trace("on_save_PID_button_clicked called");
    savePidPage();
}

void ConfigurationDialog::updatePIDCCMode(int mode)
{
    configurationDialogLogger->trace("updatePIDCCMode called, mode = {}", mode);
    ui->checkBoxFastCCLoop->setChecked(mode != 0);
}

void ConfigurationDialog::updatePIDCVMode(int mode)
{
    configurationDialogLogger->trace("updatePIDCVMode called, mode = {}", mode);
    ui->checkBoxFastCVLoop->setChecked(mode != 0);
}

int ConfigurationDialog::PCONNECTIONS()
{
    const QString text = copyData().pconnections;
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    if (!ok) {
        ConfigPrompts::warning(this, tr("Error default PID's limits"),
                               tr("Cannot set limits because PCONNECTIONS is invalid ") + text);
        return -1;
    }
    return n;
}

void ConfigurationDialog::on_pushButtonDefaultPIDLimits_clicked()
{
    configurationDialogLogger->trace("on_pushButtonDefaultPIDLimits_clicked called");
    const int n = PCONNECTIONS();
    if (n <= 0)
        return;
    const auto limits = ConfigRules::defaultPidLimits(copyData().limits, n);
    if (!limits)
        return;
    ui->lineEdit_PIDI_V_min->setText(limits->vMin);
    ui->lineEdit_PIDI_V_max->setText(limits->vMax);
    ui->lineEdit_PIDI_I_min->setText(limits->iMin);
    ui->lineEdit_PIDI_I_max->setText(limits->iMax);
    ui->lineEdit_PIDV_V_min->setText(limits->vMin);
    ui->lineEdit_PIDV_V_max->setText(limits->vMax);
    ui->lineEdit_PIDV_I_min->setText(limits->iMin);
    ui->lineEdit_PIDV_I_max->setText(limits->iMax);
}
