#include "setupdialog.h"
#include "ui_setupdialog.h"

#include "deliberateinput.h"
#include "screenfit.h"
#include "typedinput.h"

#include "loggers.h"

SetupDialog::SetupDialog(QWidget* parent) : QDialog(parent), ui(new Ui::SetupDialog)
{
    ui->setupUi(this);
    fitToScreen(this);
    guardWheel(this);
    keepSentAsShown(this);
    setupDialogLogger->info("SetupDialog created");
}

SetupDialog::~SetupDialog()
{
    delete ui;
    setupDialogLogger->info("SetupDialog destroyed");
}

QString SetupDialog::getRefresh()
{
    setupDialogLogger->trace("getRefresh destroyed");
    return ui->spinBox_refresh->text();
}

QString SetupDialog::getTimeout()
{
    setupDialogLogger->trace("getTimeout destroyed");
    return ui->spinBox_timeout->text();
}

void SetupDialog::setRefresh(QString value)
{
    setupDialogLogger->trace("setRefresh destroyed, value = {}", value);
    ui->spinBox_refresh->setValue(value.toInt(nullptr, 10));
}

void SetupDialog::setTimeout(QString value)
{
    setupDialogLogger->trace("setTimeout destroyed, value = {}", value);
    ui->spinBox_timeout->setValue(value.toInt(nullptr, 10));
}
