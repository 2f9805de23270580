// Main window: the once-per-connection comparison of the supply's firmware
// with this program's version and with the firmware files beside it.

#include "mainwindow.h"

#include "firmwarecheck.h"
#include "firmwareupdatedialog.h"
#include "loggers.h"
#include "ps_thread.h"

#include <QMessageBox>

void MainWindow::checkFirmware()
{
    mainWindowLogger->trace("checkFirmware called");
    if (firmwareChecked && firmwareChecked2)
        return;
    mainWindowLogger->debug("Checking firmware");
    // Set before anything else: the questions below run event loops in which
    // more status reports arrive, and a restart by this check is not checked again.
    firmwareChecked = true;
    firmwareChecked2 = true;

    ps_data live;
    thread->get_ps_data(live);
    mainWindowLogger->info("Detected firmware: ID = {}, fw_version = {}, model_complete = {}, model = {}, "
                           "model_type = {}, capabilities = {}",
                           live.id, live.version, live.model_text, live.family, live.polarity_kind,
                           live.capabilities);

    mainWindowLogger->debug("Detected firmware version = {}", live.version);
    FirmwareCheck::Version supply;
    int parts = 0;
    if (!FirmwareCheck::parseVersion(live.version, &supply, &parts)) {
        mainWindowLogger->debug("The detected remote firmware version is wrong, the size is {}", parts);
        return;
    }

    const FirmwareCheck::NewerFile newer =
        FirmwareCheck::findNewerFile(firmwareUpdateDialog->default_firmware_path, live.family, supply);
    if (newer.found) {
        mainWindowLogger->info("Detected local firmware version = {}", newer.loggedName);
        mainWindowLogger->info("There are updates for remote firmware");
        stopThread();
        const auto answer =
            QMessageBox::warning(this, QStringLiteral("Firmware updates"),
                                 QStringLiteral("There are firmware updates. Would you like to upgrade?"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
        if (answer == QMessageBox::Yes) {
            mainWindowLogger->debug("User wants to upgrade remote firmware");
            firmwareUpdateDialog->prepare_dialog(ip, firmwareDialogPortText);
            firmwareUpdateDialog->show();
            // The user picks the file; the chooser opens in the firmware folder.
            firmwareUpdateDialog->on_browse_Button_clicked();
            return;
        }
        mainWindowLogger->info("User skipped the firmware updates");
        startThread();
    }

    if (!FirmwareCheck::isCompatible(supply, FirmwareCheck::programVersion())) {
        mainWindowLogger->warn(
            "Stopping thread because the firmware version is not compatible with current version of Amperix");
        stopThread();
        const auto answer = QMessageBox::warning(
            this, QStringLiteral("Error firmware release"),
            QStringLiteral("This release of Amperix is not compatible with remote firmware version ") +
                live.version + QStringLiteral(". Would you like to continue anyway?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
        if (answer == QMessageBox::Yes) {
            mainWindowLogger->warn(
                "Restarting thread because user wants to use the current version of Amperix "
                "with no compatible firmware");
            startThread();
        }
    }
}
