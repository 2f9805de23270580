#pragma once

#include "dcct_data.h"

#include <QDialog>

namespace Ui
{
class Dialog_status;
}
class Dcct_thread;

// A box's error flags, readiness and alarm direction as a column of
// indicators, with a "Reset" button that clears the box's errors and alarm.
// It follows the box's status copies for the whole life of its row, shown or
// hidden, and keeps no state besides its widgets.
class Dialog_status : public QDialog
{
    Q_OBJECT

public:
    // `thread` is the row's worker; it is not owned.
    Dialog_status(Dcct_thread* thread, QWidget* parent = nullptr);
    ~Dialog_status() override;

    void hide_reset_button();
    void show_reset_button();

public slots:
    void update_data_status_dialog(Dcct_data data);

private slots:
    void on_pushButton_reset_clicked();

private:
    Ui::Dialog_status* ui;
    Dcct_thread* thread;
};
