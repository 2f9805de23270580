// Main window: what the worker's readings show in the window and in the
// fault view, the live plot and the console's command list.
//
// The readings are not shown yet: each slot below is connected to its
// worker signal and only notes its call.

#include "mainwindow.h"

#include "loggers.h"

void MainWindow::update_window(ps_data data)
{
    Q_UNUSED(data)
    mainWindowLogger->trace("update_window called");
    checkFirmware();
}

void MainWindow::update_model(ps_data data)
{
    Q_UNUSED(data)
    mainWindowLogger->trace("update_model called");
}

void MainWindow::update_id(ps_data data)
{
    Q_UNUSED(data)
    mainWindowLogger->trace("update_id called");
}

void MainWindow::update_temperature(ps_data data)
{
    Q_UNUSED(data)
    mainWindowLogger->trace("update_temperature called");
}

void MainWindow::update_leakage_current(ps_data data)
{
    Q_UNUSED(data)
    mainWindowLogger->trace("update_leakage_current called");
}

void MainWindow::update_limits(ps_data data)
{
    Q_UNUSED(data)
    mainWindowLogger->trace("update_limits called");
}

void MainWindow::updateDirectPolarity()
{
    mainWindowLogger->trace("updateDirectPolarity called");
}
