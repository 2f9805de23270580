#pragma once

#include <QDialog>

#include "ps_data.h"

namespace Ui
{
class EPICSDialog;
}

class ps_thread;

// Shows the supply's EPICS process variable and the protocol and database
// files it keeps; everything goes through the supply worker's tasks.
class EPICSDialog : public QDialog
{
    Q_OBJECT

public:
    // `worker` defaults to the ps_thread owned by `parent` (the main window).
    explicit EPICSDialog(QWidget* parent, ps_thread* worker = nullptr);
    ~EPICSDialog() override;

private slots:
    void onEPICS_PV_name_ready(ps_data data);
    void onEPICS_PV_value_ready(ps_data data);
    void onEPICS_db_ready(ps_data data);
    void onEPICS_protocols_ready(ps_data data);

private:
    Ui::EPICSDialog* ui;
    ps_thread* worker;
};
