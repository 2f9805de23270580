#include "epicsdialog.h"
#include "ui_epicsdialog.h"

#include "deliberateinput.h"
#include "loggers.h"
#include "ps_data.h"
#include "ps_thread.h"
#include "screenfit.h"
#include "workerlookup.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

EPICSDialog::EPICSDialog(QWidget* parent, ps_thread* worker)
    : QDialog(parent), ui(new Ui::EPICSDialog), worker(worker ? worker : workerOf(parent))
{
    ui->setupUi(this);
    fitToScreen(this);
    showValuesWhole(this);
    keepReturnLocal(this);
    watchUserEdits(ui->plainTextEditDb, &held_db);
    watchUserEdits(ui->plainTextEditProtocols, &held_protocols);

    // Until a file has been read, its editor holds nothing of the supply's and
    // saving it would overwrite the supply's file with that.
    ui->pushButtonProtocolsSave->setEnabled(false);
    ui->pushButtonDbSave->setEnabled(false);

    if (this->worker) {
        connect(this->worker, &ps_thread::EPICS_db_ready, this, &EPICSDialog::onEPICS_db_ready);
        connect(this->worker, &ps_thread::EPICS_protocols_ready, this, &EPICSDialog::onEPICS_protocols_ready);
        connect(this->worker, &ps_thread::EPICS_PV_name_ready, this, &EPICSDialog::onEPICS_PV_name_ready);
        connect(this->worker, &ps_thread::EPICS_PV_value_ready, this, &EPICSDialog::onEPICS_PV_value_ready);
        connect(this->worker, &ps_thread::signalStateChanged, this, &EPICSDialog::forgetFiles);
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

void EPICSDialog::post(int task)
{
    if (worker)
        worker->set_task(task);
}

void EPICSDialog::remindRestart(const QString& title)
{
    QMessageBox::warning(this, title, QStringLiteral("Remember to restart the power supply to apply the changes"),
                         QMessageBox::Ok);
}

void EPICSDialog::showEvent(QShowEvent*)
{
    epicsDialogLogger->trace("showEvent called");
    // What the editors held came from an earlier opening, perhaps from another
    // supply; saving it would overwrite this supply's file. Each file can be
    // saved again once this opening's read of it is answered.
    forgetFiles();
    ui->plainTextEditProtocols->clear();
    ui->plainTextEditDb->clear();
    post(ps_thread::TaskReadEpicsPvName);
    post(ps_thread::TaskReadEpicsPvValue);
    post(ps_thread::TaskReadEpicsDb);
    post(ps_thread::TaskReadEpicsProtocols);
}

void EPICSDialog::forgetFiles()
{
    ui->pushButtonProtocolsSave->setEnabled(false);
    ui->pushButtonDbSave->setEnabled(false);
}

void EPICSDialog::saveFile(HeldValue& held, const QString& text, bool ps_data::*read, QString ps_data::*file,
                           int writeTask, int readTask)
{
    ps_data live;
    if (worker)
        worker->get_ps_data(live);
    // Unchanged, the editor goes back only as the supply's file as last read:
    // not when a later read of it failed or gave another text.
    if (!held.mayWrite(text, live.*read ? HeldValue::Holding(live.*file) : std::nullopt)) {
        const QString why = QStringLiteral("The file was not read from the supply since it was shown: refresh it "
                                           "first. Nothing was sent.");
        epicsDialogLogger->warn("{}", why);
        QMessageBox::warning(this, QStringLiteral("Save"), why, QMessageBox::Ok);
        return;
    }
    remindRestart(QStringLiteral("Save"));
    if (worker)
        worker->set_task(writeTask, text);
    post(readTask);
}

void EPICSDialog::on_pushButtonProtocolsSave_clicked()
{
    epicsDialogLogger->trace("on_pushButtonProtocolsSave_clicked called");
    saveFile(held_protocols, ui->plainTextEditProtocols->toPlainText(), &ps_data::epics_protocols_read,
             &ps_data::epics_protocols, ps_thread::TaskWriteEpicsProtocols, ps_thread::TaskReadEpicsProtocols);
}

void EPICSDialog::on_pushButtonProtocolsRestore_clicked()
{
    epicsDialogLogger->trace("on_pushButtonProtocolsRestore_clicked called");
    remindRestart(QStringLiteral("Restore"));
    post(ps_thread::TaskRestoreEpicsProtocols);
    post(ps_thread::TaskReadEpicsProtocols);
}

void EPICSDialog::on_pushButtonProtocolsRefresh_clicked()
{
    epicsDialogLogger->trace("on_pushButtonProtocolsRefresh_clicked called");
    post(ps_thread::TaskReadEpicsProtocols);
}

void EPICSDialog::on_pushButtonDbSave_clicked()
{
    epicsDialogLogger->trace("on_pushButtonDbSave_clicked called");
    saveFile(held_db, ui->plainTextEditDb->toPlainText(), &ps_data::epics_db_read, &ps_data::epics_db,
             ps_thread::TaskWriteEpicsDb, ps_thread::TaskReadEpicsDb);
}

void EPICSDialog::on_pushButtonDbRestore_clicked()
{
    epicsDialogLogger->trace("on_pushButtonDbRestore_clicked called");
    remindRestart(QStringLiteral("Restore"));
    post(ps_thread::TaskRestoreEpicsDb);
    post(ps_thread::TaskReadEpicsDb);
}

void EPICSDialog::on_pushButtonDbRefresh_clicked()
{
    epicsDialogLogger->trace("on_pushButtonDbRefresh_clicked called");
    post(ps_thread::TaskReadEpicsDb);
}

void EPICSDialog::on_pushButtonOPI_clicked()
{
    epicsDialogLogger->trace("on_pushButtonOPI_clicked called");
    QDesktopServices::openUrl(QUrl(QStringLiteral("Examples/EPICS/opi")));
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
    const QString shown = ui->plainTextEditDb->toPlainText();
    held_db.fillText(data.epics_db, shown);
    ui->pushButtonDbSave->setEnabled(true);
}

void EPICSDialog::onEPICS_protocols_ready(ps_data data)
{
    epicsDialogLogger->trace("onEPICS_protocols_ready called");
    ui->plainTextEditProtocols->setPlainText(data.epics_protocols);
    const QString shown = ui->plainTextEditProtocols->toPlainText();
    held_protocols.fillText(data.epics_protocols, shown);
    ui->pushButtonProtocolsSave->setEnabled(true);
}
