#include "configurationdialog.h"
#include "ui_configurationdialog.h"

#include "loggers.h"
#include "ps_data.h"
#include "ps_thread.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutexLocker>

ConfigurationDialog::ConfigurationDialog(ps_thread* thread, QWidget* parent)
    : QDialog(parent), ui(new Ui::ConfigurationDialog), thread(thread)
{
    ui->setupUi(this);

    const QString appDir = QCoreApplication::applicationDirPath();
    psm_dir_path = QDir::cleanPath(appDir + QStringLiteral("/../Firmware_PS/psm"));
    config_file_path = QDir::cleanPath(appDir + QStringLiteral("/Amperix.config"));
    configurationDialogLogger->info("PSM directory path is set to {}", psm_dir_path);
    configurationDialogLogger->info("config file path is set to {}", config_file_path);

    connect(ui->close_button, &QPushButton::clicked, this, &QDialog::close);

    if (thread) {
        connect(thread, &ps_thread::memory_data_read, this, &ConfigurationDialog::read_mem_field);
        connect(thread, &ps_thread::memory_data_write, this, &ConfigurationDialog::write_mem_filed);
        connect(thread, &ps_thread::void_sync_signal, this, &ConfigurationDialog::update_visualization);
    }

    ui->tabWidget->setCurrentIndex(0);

    // Field texts name the cells and carry their write marks: never editable.
    for (QTableWidget* table :
         {ui->table_ORTX_series, ui->table_koraPS_series, ui->table_KORAPS_1K5_series}) {
        for (int row = 0; row < table->rowCount(); ++row)
            table->item(row, 0)->setFlags(Qt::ItemIsEnabled);
    }

    writable_brush = QBrush(Qt::green, Qt::Dense4Pattern);
    locked_brush = QBrush(Qt::lightGray, Qt::FDiagPattern);
    pid_json_name = QStringLiteral("pid.json");

    configurationDialogLogger->info("ConfigurationDialog initialized");
}

ConfigurationDialog::~ConfigurationDialog()
{
    delete ui;
    configurationDialogLogger->info("ConfigurationDialog destroyed");
}

void ConfigurationDialog::refresh_visualization()
{
    configurationDialogLogger->trace("refresh_visualization called");
    refresh_table_parameters();
    read_module_information();
}

void ConfigurationDialog::refresh_table_parameters()
{
    configurationDialogLogger->trace("refresh_table_parameters called");
    read_count = 0;

    ps_data data;
    if (thread)
        thread->get_ps_data(data);

    if (data.family == QLatin1String("ORTX")) {
        ps_mem_table = ui->table_ORTX_series;
        ui->stackedWidget_table->setCurrentIndex(1);
    } else if (data.family == QLatin1String("KORA-PS-1K5")) {
        ps_mem_table = ui->table_KORAPS_1K5_series;
        ui->stackedWidget_table->setCurrentIndex(2);
    } else {
        ps_mem_table = ui->table_koraPS_series;
        ui->stackedWidget_table->setCurrentIndex(0);
    }

    // Every cell the family uses is read; "reserved" rows stand for none.
    int posted = 0;
    for (int row = 0; row < ps_mem_table->rowCount(); ++row) {
        if (ps_mem_table->item(row, 0)->text().contains(QLatin1String("reserved")))
            continue;
        if (thread)
            thread->set_task(ps_thread::TaskReadMemory, QString::number(row));
        ++posted;
    }

    ui->progressBar->setMaximum(posted);
    ui->progressBar->show();
    setBusy(true);
}

void ConfigurationDialog::read_module_information()
{
    configurationDialogLogger->trace("read_module_information called");
    if (!thread)
        return;
    // The sync task goes last so that its signal follows every reply.
    thread->set_task(ps_thread::TaskReadStatus);
    thread->set_task(ps_thread::TaskReadPrivileges);
    thread->set_task(ps_thread::TaskSync);
}

void ConfigurationDialog::read_mem_field(int index)
{
    configurationDialogLogger->trace("read_mem_field called, index = {}", index);
    if (!ps_mem_table) {
        configurationDialogLogger->debug("ps_mem_table is nullptr");
        return;
    }

    ps_data data;
    if (thread)
        thread->get_ps_data(data);
    if (index >= 0 && index < ps_mem_table->rowCount() && index < data.memory.size())
        ps_mem_table->setItem(index, 1, new QTableWidgetItem(data.memory.at(index)));

    ++read_count;
    ui->progressBar->setValue(read_count);
    if (read_count == ui->progressBar->maximum()) {
        setBusy(false);
        ui->progressBar->setValue(0);
    }
}

void ConfigurationDialog::write_mem_filed(int index)
{
    configurationDialogLogger->trace("write_mem_filed called, index = {}", index);
    ++write_count;
    ui->progressBar->setValue(write_count);
    if (write_count == ui->progressBar->maximum()) {
        setBusy(false);
        ui->progressBar->setValue(0);
    }
    ui->progressBar->show();
}

void ConfigurationDialog::update_visualization()
{
    configurationDialogLogger->trace("update_visualization called");
}

void ConfigurationDialog::on_clear_table_button_clicked()
{
    configurationDialogLogger->trace("on_clear_table_button_clicked called");
    // Before the first refresh no family is known yet: clear the table shown.
    QTableWidget* table = ps_mem_table ? ps_mem_table : ui->table_koraPS_series;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (QTableWidgetItem* value = table->item(row, 1))
            value->setText(QString());
    }
}

void ConfigurationDialog::on_refresh_button_clicked()
{
    configurationDialogLogger->trace("on_refresh_button_clicked called");
    refresh_visualization();
}

void ConfigurationDialog::on_ConfigurationDialog_finished(int result)
{
    configurationDialogLogger->trace("on_ConfigurationDialog_finished called, result = {}", result);
}

void ConfigurationDialog::setBusy(bool busy)
{
    ui->refresh_button->setEnabled(!busy);
    ui->save_in_ps_memory_button->setEnabled(!busy);
}
