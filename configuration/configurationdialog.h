#pragma once

#include <QBrush>
#include <QDialog>
#include <QString>
#include <QStringList>

namespace Ui
{
class ConfigurationDialog;
}

class QTableWidget;
class ps_thread;

// Amperix's configuration window: shows the supply's configuration memory as
// a table of cells (one table per supply family) and, on further pages, the
// settings taken from those cells. It never talks to the supply itself; it
// posts tasks to the supply worker and reacts to the worker's signals.
class ConfigurationDialog : public QDialog
{
    Q_OBJECT

public:
    ConfigurationDialog(ps_thread* thread, QWidget* parent = nullptr);
    ~ConfigurationDialog() override;

    // Re-reads everything the window shows from the supply. The main window
    // calls it right before showing the window.
    void refresh_visualization();

    // The memory table of the family chosen by the last refresh (nullptr
    // before the first one).
    QTableWidget* currentTable() const { return ps_mem_table; }

private slots:
    void read_mem_field(int index);
    void write_mem_filed(int index);
    void refresh_table_parameters();
    void on_clear_table_button_clicked();
    void read_module_information();
    void update_visualization();
    void on_refresh_button_clicked();
    void on_ConfigurationDialog_finished(int result);

private:
    void setBusy(bool busy);

    Ui::ConfigurationDialog* ui;
    ps_thread* thread;
    QTableWidget* ps_mem_table = nullptr;
    int read_count = 0;
    int write_count = 0;
    int privileges_level = 0;
    QBrush writable_brush;
    QBrush locked_brush;
    QString pid_json_name;
    QStringList pid_json_files;
    QString psm_dir_path;
    QString config_file_path;
};
