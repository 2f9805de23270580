// Main window: the once-per-connection comparison of the supply's firmware
// with this program's version and with the firmware files beside it.
//
// Not active yet: the check is called from update_window and only notes it.

#include "mainwindow.h"

#include "loggers.h"

void MainWindow::checkFirmware()
{
    mainWindowLogger->trace("checkFirmware called");
}
