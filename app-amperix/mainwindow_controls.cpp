// Main window: output buttons, set-points and mode selectors. Every control
// only posts tasks to the worker, which runs them on its next tick.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "inversionwait.h"
#include "loggers.h"
#include "ps_thread.h"
#include "supplyview.h"

#include <QSignalBlocker>

void MainWindow::on_on_button_clicked()
{
    mainWindowLogger->trace("on_on_button_clicked called");
    thread->set_task(ps_thread::TaskOutputOn);
}

void MainWindow::on_off_button_clicked()
{
    mainWindowLogger->trace("on_off_button_clicked called");
    thread->set_task(ps_thread::TaskOutputOff);
}

void MainWindow::on_reset_button_clicked()
{
    mainWindowLogger->trace("on_reset_button_clicked called");
    thread->set_task(ps_thread::TaskReset);
}

// The set buttons send the set-point the worker holds: the spin boxes hand it
// over on every value change (and once at construction).
void MainWindow::on_set_current_button_clicked()
{
    mainWindowLogger->trace("on_set_current_button_clicked called");
    thread->set_task(ps_thread::TaskWriteCurrent);
    setPolarity(ui->current_spin->value());
}

void MainWindow::on_ramp_current_button_clicked()
{
    mainWindowLogger->trace("on_ramp_current_button_clicked called");
    thread->set_task(ps_thread::TaskWriteCurrentRamp);
    setPolarity(ui->current_spin->value());
}

void MainWindow::on_set_voltage_button_clicked()
{
    mainWindowLogger->trace("on_set_voltage_button_clicked called");
    thread->set_task(ps_thread::TaskWriteVoltage);
    setPolarity(ui->voltage_spin->value());
}

void MainWindow::on_ramp_voltage_button_clicked()
{
    mainWindowLogger->trace("on_ramp_voltage_button_clicked called");
    thread->set_task(ps_thread::TaskWriteVoltageRamp);
    setPolarity(ui->voltage_spin->value());
}

void MainWindow::on_current_spin_valueChanged(double value)
{
    mainWindowLogger->trace("on_current_spin_valueChanged called, current_set = {}", value);
    thread->set_current(value);
}

void MainWindow::on_voltage_spin_valueChanged(double value)
{
    mainWindowLogger->trace("on_voltage_spin_valueChanged called, voltage_set = {}", value);
    thread->set_voltage(value);
}

void MainWindow::setPolarity(double value)
{
    mainWindowLogger->trace("setPolarity called, value = {}", value);
    ps_data live;
    thread->get_ps_data(live);
    if (InversionWait::needed(live.capabilities, live.polarity, value))
        InversionWait::run(this);
}

// Each mode change is followed by a save and a read-back, so the selector is
// set again from what the supply reports rather than from the user's pick.

void MainWindow::on_comboBox_TriggerMode_currentIndexChanged(int index)
{
    mainWindowLogger->trace("on_comboBox_TriggerMode_currentIndexChanged called, index = {}", index);
    thread->set_task(ps_thread::TaskWriteTriggerMode, index != 0 ? QStringLiteral("1") : QStringLiteral("0"));
    thread->set_task(ps_thread::TaskSave);
    thread->set_task(ps_thread::TaskReadTriggerMode);
}

void MainWindow::on_comboBoxFloatMode_currentIndexChanged(int index)
{
    mainWindowLogger->trace("on_comboBoxFloatMode_currentIndexChanged called, index = {}", index);
    thread->set_task(ps_thread::TaskWriteFloatMode, index != 0 ? QStringLiteral("F") : QStringLiteral("N"));
    thread->set_task(ps_thread::TaskSave);
    thread->set_task(ps_thread::TaskReadFloatMode);
}

void MainWindow::on_comboBox_Loop_currentIndexChanged(int index)
{
    mainWindowLogger->trace("regulation_mode_changed called, index = {}", index);
    ps_data live;
    thread->get_ps_data(live);
    const bool voltageLoop = live.loop_mode == QLatin1String("V");
    if ((index == 0 && !voltageLoop) || (index == 1 && voltageLoop)) {
        mainWindowLogger->debug("Index is not set for loop mode V or I");
        return;
    }
    if (index == 0) {
        mainWindowLogger->debug("Set LOOP_I_INDEX");
        thread->set_task(ps_thread::TaskLoopCurrent);
    } else if (index == 1) {
        mainWindowLogger->debug("Set LOOP_V_INDEX");
        thread->set_task(ps_thread::TaskLoopVoltage);
    } else {
        mainWindowLogger->error("Invalid index for loop mode");
    }
    thread->set_task(ps_thread::TaskSave);
    thread->set_task(ps_thread::TaskReadLoopMode);
}

void MainWindow::on_comboBox_Upmode_currentIndexChanged(int index)
{
    mainWindowLogger->trace("upmode_changed called, index = {}", index);
    switch (index) {
    case SupplyView::UpdateNormal:
        mainWindowLogger->debug("Set UPMODE_NORMAL_INDEX");
        thread->set_task(ps_thread::TaskUpdateNormal);
        break;
    case SupplyView::UpdateAnalog:
        mainWindowLogger->debug("Set UPMODE_AIN_INDEX");
        thread->set_task(ps_thread::TaskUpdateAnalog);
        break;
    case SupplyView::UpdateWaveform:
        mainWindowLogger->debug("Set UPMOD_WAVEFORM_INDEX");
        thread->set_task(ps_thread::TaskUpdateWaveform);
        break;
    default:
        break;
    }
    thread->set_task(ps_thread::TaskSave);
    thread->set_task(ps_thread::TaskReadUpdateMode);
}

// The display side: a selector set from a report posts nothing, its signals
// are blocked while it changes.

void MainWindow::update_trigger_mode(ps_data data)
{
    mainWindowLogger->trace("trigger_mode_changed called");
    const QSignalBlocker blocker(ui->comboBox_TriggerMode);
    ui->comboBox_TriggerMode->setEnabled(SupplyView::triggerSelectable(data.family, data.capabilities));
    ui->comboBox_TriggerMode->setCurrentIndex(SupplyView::triggerIndex(data.trigger_mode));
}

void MainWindow::update_float_mode(ps_data data)
{
    mainWindowLogger->trace("update_float_mode called");
    const QSignalBlocker blocker(ui->comboBoxFloatMode);
    ui->comboBoxFloatMode->setCurrentIndex(SupplyView::floatIndex(data.float_mode));
}

void MainWindow::update_upmode(ps_data data)
{
    mainWindowLogger->trace("update_upmode called");
    const int index = SupplyView::updateModeIndex(data.update_mode);
    if (data.update_mode == QLatin1String("NORMAL"))
        mainWindowLogger->debug("Set UPMODE_NORMAL_INDEX");
    else if (index == SupplyView::UpdateAnalog)
        mainWindowLogger->debug("Set UPMODE_AIN_INDEX");
    else if (index == SupplyView::UpdateWaveform)
        mainWindowLogger->debug("Set UPMOD_WAVEFORM_INDEX");
    const QSignalBlocker blocker(ui->comboBox_Upmode);
    ui->comboBox_Upmode->setCurrentIndex(index);
}

void MainWindow::update_loop_mode(ps_data data)
{
    mainWindowLogger->trace("update_loop_mode called");
    const bool voltageLoop = data.loop_mode == QLatin1String("V");
    mainWindowLogger->debug("Set index for loop mode to {}", voltageLoop);
    const QSignalBlocker blocker(ui->comboBox_Loop);
    ui->comboBox_Loop->setCurrentIndex(SupplyView::loopIndex(data.loop_mode));

    const int page = SupplyView::setPointPage(ui->comboBox_Upmode->currentIndex(), voltageLoop);
    if (page == SupplyView::PageWaveform)
        mainWindowLogger->debug("stackedWidget_Set set to UPMOD_WAVEFORM_INDEX");
    else
        mainWindowLogger->debug("stackedWidget_Set set to {}", page);
    ui->stackedWidget_Set->setCurrentIndex(page);
}
