#pragma once

#include <QDialog>

#include "heldvalue.h"
#include "ps_data.h"

namespace Ui
{
class EPICSDialog;
}

class ps_thread;

// Shows the supply's EPICS process variable and edits the protocol and
// database files it keeps; every read and write is a task of the supply worker.
class EPICSDialog : public QDialog
{
    Q_OBJECT

public:
    // `worker` defaults to the ps_thread owned by `parent` (the main window).
    explicit EPICSDialog(QWidget* parent, ps_thread* worker = nullptr);
    ~EPICSDialog() override;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void on_pushButtonProtocolsSave_clicked();
    void on_pushButtonProtocolsRestore_clicked();
    void on_pushButtonDbSave_clicked();
    void on_pushButtonDbRestore_clicked();
    void on_pushButtonProtocolsRefresh_clicked();
    void on_pushButtonDbRefresh_clicked();
    void on_pushButtonOPI_clicked();
    void onEPICS_PV_name_ready(ps_data data);
    void onEPICS_PV_value_ready(ps_data data);
    void onEPICS_db_ready(ps_data data);
    void onEPICS_protocols_ready(ps_data data);

private:
    void remindRestart(const QString& title);
    void post(int task);
    // Saves a file's editor when the user changed it, or when it shows
    // exactly the supply's file as its latest read on this connection gave it.
    void saveFile(HeldValue& held, const QString& text, bool ps_data::*read, QString ps_data::*file, int writeTask,
                  int readTask);
    // A new connection: the editors hold no file of this supply.
    void forgetFiles();

    Ui::EPICSDialog* ui;
    ps_thread* worker;
    HeldValue held_db;
    HeldValue held_protocols;
};
