// Main window: output buttons, set-points and mode selectors. Every control
// only posts tasks to the worker, which runs them on its next tick.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "loggers.h"
#include "ps_thread.h"

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

// The polarity-inversion wait and the mode selectors are not wired to the
// supply yet: the slots exist and are bound, and only note their call.

void MainWindow::setPolarity(double value)
{
    mainWindowLogger->trace("setPolarity called, value = {}", value);
}

void MainWindow::on_comboBox_TriggerMode_currentIndexChanged(int index)
{
    mainWindowLogger->trace("on_comboBox_TriggerMode_currentIndexChanged called, index = {}", index);
}

void MainWindow::on_comboBoxFloatMode_currentIndexChanged(int index)
{
    mainWindowLogger->trace("on_comboBoxFloatMode_currentIndexChanged called, index = {}", index);
}

void MainWindow::on_comboBox_Loop_currentIndexChanged(int index)
{
    mainWindowLogger->trace("regulation_mode_changed called, index = {}", index);
}

void MainWindow::on_comboBox_Upmode_currentIndexChanged(int index)
{
    mainWindowLogger->trace("upmode_changed called, index = {}", index);
}

void MainWindow::update_trigger_mode(ps_data data)
{
    Q_UNUSED(data)
    mainWindowLogger->trace("trigger_mode_changed called");
}

void MainWindow::update_float_mode(ps_data data)
{
    Q_UNUSED(data)
    mainWindowLogger->trace("update_float_mode called");
}

void MainWindow::update_upmode(ps_data data)
{
    Q_UNUSED(data)
    mainWindowLogger->trace("update_upmode called");
}

void MainWindow::update_loop_mode(ps_data data)
{
    Q_UNUSED(data)
    mainWindowLogger->trace("update_loop_mode called");
}
