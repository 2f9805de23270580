#include "epicsdialog.h"
#include "ui_epicsdialog.h"

#include "loggers.h"
#include "ps_data.h"
#include "ps_thread.h"
#include "workerlookup.h"

EPICSDialog::EPICSDialog(QWidget* parent, ps_thread* worker)
    : QDialog(parent), ui(new Ui::EPICSDialog), worker(worker ? worker : workerOf(parent))
{
    ui->setupUi(this);

    if (this->worker) {
        connect(this->worker, &ps_thread::EPICS_db_ready, this, &EPICSDialog::onEPICS_db_ready);
        connect(this->worker, &ps_thread::EPICS_protocols_ready, this, &EPICSDialog::onEPICS_protocols_ready);
        connect(this->worker, &ps_thread::EPICS_PV_name_ready, this, &EPICSDialog::onEPICS_PV_name_ready);
        connect(this->worker, &ps_thread::EPICS_PV_value_ready, this, &EPICSDialog::onEPICS_PV_value_ready);
    } else {
        epicsDialogLogger->error("EPICSDialog has no supply worker");
    }

    epicsDialogLogger->info("EPICSDialog initialized");
}

EPICSDialog::~EPICSDialog()
{
    delete ui;
    epicsDialogLogger->info("EPICSDialog destroyed");
}

void EPICSDialog::onEPICS_PV_name_ready(ps_data data)
{
    epicsDialogLogger->trace("onEPICS_PV_name_ready called");
    ui->lineEditPVName->setText(data.epics_pv_name);
}

void EPICSDialog::onEPICS_PV_value_ready(ps_data data)
{
    epicsDialogLogger->trace("onEPICS_PV_value_ready called");
    ui->lineEditPVValue->setText(data.epics_pv_value);
}

void EPICSDialog::onEPICS_db_ready(ps_data data)
{
    epicsDialogLogger->trace("onEPICS_db_ready called");
    ui->plainTextEditDb->setPlainText(data.epics_db);
}

void EPICSDialog::onEPICS_protocols_ready(ps_data data)
{
    epicsDialogLogger->trace("onEPICS_protocols_ready called");
    ui->plainTextEditProtocols->setPlainText(data.epics_protocols);
}
