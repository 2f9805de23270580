#include "configurationdialog.h"
#include "ui_configurationdialog.h"

#include "chooseinpopup.h"
#include "configfile.h"
#include "configprompts.h"
#include "heldvalue.h"
#include "deliberateinput.h"
#include "loggers.h"
#include "memorymap.h"
#include "ps_thread.h"
#include "screenfit.h"
#include "typedinput.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QHeaderView>
#include <QStandardPaths>

using ConfigRules::CellWrite;

ConfigurationDialog::ConfigurationDialog(ps_thread* thread, QWidget* parent)
    : QDialog(parent), ui(new Ui::ConfigurationDialog), thread(thread)
{
    ui->setupUi(this);
    fitToScreen(this);
    showValuesWhole(this);
    keepReturnLocal(this);
    guardWheel(this);
    keepSentAsShown(this);
    // Each entry written is a PID set stored in the supply.
    lockWheel(ui->comboBoxPIDConfig);
    // The Value column fills what Field leaves; it starts narrow, so it never
    // holds the table wider than its view (a stretched last column keeps at
    // least the width it had).
    for (QTableWidget* table : {ui->table_koraPS_series, ui->table_ORTX_series, ui->table_KORAPS_1K5_series})
        table->horizontalHeader()->resizeSection(1, table->horizontalHeader()->minimumSectionSize());

    const QString appDir = QCoreApplication::applicationDirPath();
    psm_dir_path = QDir::cleanPath(appDir + QStringLiteral("/../Firmware_PS/psm"));
    config_file_path =
        ConfigFile::location(appDir, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    configurationDialogLogger->info("PSM directory path is set to {}", psm_dir_path);
    configurationDialogLogger->info("config file path is set to {}", config_file_path);

    connect(ui->close_button, &QPushButton::clicked, this, &QDialog::close);

    if (thread) {
        connect(thread, &ps_thread::memory_data_read, this, &ConfigurationDialog::read_mem_field);
        connect(thread, &ps_thread::memory_data_write, this, &ConfigurationDialog::write_mem_filed);
        connect(thread, &ps_thread::status_read, this, &ConfigurationDialog::write_access);
        connect(thread, &ps_thread::void_sync_signal, this, &ConfigurationDialog::update_visualization);
        connect(thread, &ps_thread::password_set, this, &ConfigurationDialog::password_set_slot);
        connect(thread, &ps_thread::privileges_read, this,
                &ConfigurationDialog::update_privileges_visualization);
        connect(thread, &ps_thread::signalStateChanged, this, &ConfigurationDialog::forgetUnit);
    }
    // Choosing an entry applies it, even the current one; a change of the
    // current entry alone (listing, removing) applies nothing, and neither
    // does browsing: keys on the closed list open it, to pick from.
    connect(ui->comboBoxPIDConfig, QOverload<int>::of(&QComboBox::activated), this,
            &ConfigurationDialog::applyEntry);
    ChooseInPopup::install(ui->comboBoxPIDConfig);

    // What the user edits on the pages is written by their Saves.
    for (const auto& [cell, edit] : textCells())
        watchUserEdits(edit, &held_cells[cell]);
    for (const auto& [cell, box] : delayCells())
        watchUserEdits(box, &held_cells[cell]);
    for (QCheckBox* box : enableBoxes())
        watchUserEdits(box, &held_cells[90]);
    for (QCheckBox* box : levelBoxes())
        watchUserEdits(box, &held_cells[91]);

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
    updateSaveButtons();

    loadConfigFile();
}

ConfigurationDialog::~ConfigurationDialog()
{
    // The list is saved whenever it changes; only a failed save is tried again.
    if (config_unsaved)
        saveConfigFile();
    configurationDialogLogger->info("ConfigurationDialog destroyed");
    delete ui;
}

ps_data ConfigurationDialog::copyData() const
{
    ps_data data;
    if (thread)
        thread->get_ps_data(data);
    return data;
}

QTableWidget* ConfigurationDialog::shownTable() const
{
    // File actions work on the table the user sees: a refused refresh
    // chooses no table and leaves the last one shown.
    switch (ui->stackedWidget_table->currentIndex()) {
    case 1:
        return ui->table_ORTX_series;
    case 2:
        return ui->table_KORAPS_1K5_series;
    default:
        return ui->table_koraPS_series;
    }
}

void ConfigurationDialog::forgetUnit(QTcpSocket::SocketState state)
{
    configurationDialogLogger->debug("Connection state {}: the shown data is stale", int(state));
    // The worker reports a state change before any reply of the new
    // connection, and the old connection's queue is dropped: a refresh
    // still running can never finish.
    refresh_stopped = refreshing;
    if (refresh_stopped)
        configurationDialogLogger->warn("Refresh stopped: the connection changed before it was done");
    refreshing = false;
    read_batches.clear();
    write_batches.clear();
    write_back_check = false;
    unit_table_read = false;
    unit_data_current = false;
    ui->progressBar->setValue(0);
    setBusy(false);
}

QString ConfigurationDialog::statusLock() const
{
    if (!local_mode)
        return QString();
    if (!status_known)
        return tr("The supply's status is not read yet -> Save is NOT permitted");
    return tr("The Power Unit is in LOCAL mode -> Save is NOT permitted");
}

bool ConfigurationDialog::mayWrite() const
{
    return unit_data_current && !local_mode;
}

void ConfigurationDialog::refresh_visualization()
{
    configurationDialogLogger->trace("refresh_visualization called");
    refresh_table_parameters();
    if (ps_mem_table)
        read_module_information();
}

void ConfigurationDialog::refresh_table_parameters()
{
    configurationDialogLogger->trace("refresh_table_parameters called");
    read_count = 0;
    refresh_stopped = false;

    const ps_data data = copyData();
    family_unknown = data.family.isEmpty();
    if (family_unknown) {
        // The model of a new connection is not read yet: showing or writing a
        // table now could mix this unit with the previous one.
        ps_mem_table = nullptr;
        table_family.clear();
        configurationDialogLogger->warn("Refresh refused: the supply's family is not known yet");
        updateSaveButtons();
        return;
    }

    table_family = data.family;
    switch (MemoryMap::tableOf(data.family)) {
    case MemoryMap::Table::Ortx:
        ps_mem_table = ui->table_ORTX_series;
        ui->stackedWidget_table->setCurrentIndex(1);
        break;
    case MemoryMap::Table::KoraPs1K5:
        ps_mem_table = ui->table_KORAPS_1K5_series;
        ui->stackedWidget_table->setCurrentIndex(2);
        break;
    case MemoryMap::Table::KoraPs:
        ps_mem_table = ui->table_koraPS_series;
        ui->stackedWidget_table->setCurrentIndex(0);
        break;
    }

    // A refresh or write-back still running is replaced: its replies are
    // still to come, and they end its own batch without counting for this
    // one, whose replies come after them.
    for (QList<Batch>* batches : {&read_batches, &write_batches}) {
        for (Batch& batch : *batches)
            batch.counted = false;
    }

    // Every cell the family uses is read; "reserved" rows stand for none.
    int posted = 0;
    for (int row = 0; row < ps_mem_table->rowCount(); ++row) {
        if (MemoryMap::isReserved(ps_mem_table->item(row, 0)->text()))
            continue;
        if (thread)
            thread->set_task(ps_thread::TaskReadMemory, QString::number(row));
        ++posted;
    }
    read_batches.append({true, posted});
    refreshing = true;
    unit_table_read = false;

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

    const ps_data data = copyData();
    if (index >= 0 && index < ps_mem_table->rowCount() && index < data.memory.size()) {
        auto* item = new QTableWidgetItem(data.memory.at(index));
        // A read that failed leaves the row empty: no value of the supply.
        if (data.memory_read.value(index)) {
            held_rows[index].fillText(data.memory.at(index), item->text());
        } else {
            item->setToolTip(tr("Not read from the supply"));
            held_rows[index].fillNotRead(item->text());
        }
        ps_mem_table->setItem(index, 1, item);
    }

    if (read_batches.isEmpty())
        return;
    Batch& batch = read_batches.first();
    --batch.remaining;
    const bool counted = batch.counted;
    const bool done = batch.remaining <= 0;
    if (done)
        read_batches.removeFirst();
    if (!counted)
        return;
    ++read_count;
    ui->progressBar->setValue(read_count);
    if (done) {
        unit_table_read = true;
        setBusy(false);
        ui->progressBar->setValue(0);
    }
}

void ConfigurationDialog::write_mem_filed(int index)
{
    configurationDialogLogger->trace("write_mem_filed called, index = {}", index);
    if (write_batches.isEmpty())
        return;
    Batch& batch = write_batches.first();
    --batch.remaining;
    const bool counted = batch.counted;
    const bool done = batch.remaining <= 0;
    if (done)
        write_batches.removeFirst();
    if (!counted)
        return;
    ++write_count;
    ui->progressBar->setValue(write_count);
    if (done) {
        setBusy(false);
        ui->progressBar->setValue(0);
    }
    ui->progressBar->show();
}

void ConfigurationDialog::update_visualization()
{
    configurationDialogLogger->trace("update_visualization called");
    update_general_tab();
    update_interlocks_limits_tab();
    update_pid_tab();
    tellKept();
    if (unit_table_read && refreshing) {
        // The pages now show the cells of this connection's latest refresh.
        refreshing = false;
        unit_data_current = true;
        updateSaveButtons();
    }

    if (write_back_check) {
        write_back_check = false;
        reportWriteBack();
    }
}

void ConfigurationDialog::reportWriteBack()
{
    const ps_data data = copyData();
    const ConfigRules::WriteBackResults results = ConfigRules::writeBackResults(write_back_sent, data);
    // A refused row shows again what the supply kept; an unanswered one keeps
    // the text sent, which the supply may or may not hold.
    for (const CellWrite& write : results.refused) {
        QTableWidgetItem* item = ps_mem_table ? ps_mem_table->item(write.cell, 1) : nullptr;
        if (!item)
            continue;
        const bool read = data.memory_read.value(write.cell);
        item->setText(read ? data.memory.value(write.cell) : QString());
        item->setToolTip(read ? QString() : tr("Not read from the supply"));
    }
    for (const CellWrite& write : results.unanswered) {
        if (QTableWidgetItem* item = ps_mem_table ? ps_mem_table->item(write.cell, 1) : nullptr)
            item->setToolTip(tr("No reply from the supply"));
    }
    const auto cells = [](const QList<CellWrite>& writes) {
        QStringList numbers;
        for (const CellWrite& write : writes)
            numbers << QString::number(write.cell);
        return numbers.join(QStringLiteral(", "));
    };
    QStringList parts;
    if (!results.refused.isEmpty())
        parts << tr("%1 of %2 cells were not accepted: %3")
                     .arg(results.refused.size())
                     .arg(write_back_sent.size())
                     .arg(cells(results.refused));
    if (!results.unanswered.isEmpty())
        parts << tr("No reply from the supply for %1 of %2 cells: %3")
                     .arg(results.unanswered.size())
                     .arg(write_back_sent.size())
                     .arg(cells(results.unanswered));
    if (parts.isEmpty())
        return;
    for (const QString& part : qAsConst(parts))
        configurationDialogLogger->warn("{}", part);
    ConfigPrompts::warning(this, tr("Save to PS Memory"), parts.join(QLatin1Char('\n')));
}

void ConfigurationDialog::on_clear_table_button_clicked()
{
    configurationDialogLogger->trace("on_clear_table_button_clicked called");
    if (!unit_data_current)
        return;
    QTableWidget* table = shownTable();
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

void ConfigurationDialog::setBusy(bool isBusy)
{
    busy = isBusy;
    ui->refresh_button->setEnabled(!busy);
    updateSaveButtons();
}

bool ConfigurationDialog::jsonMode() const
{
    return ui->groupBoxJSON->isChecked();
}

void ConfigurationDialog::updateSaveButtons()
{
    const ConfigRules::SaveButtons state = ConfigRules::saveButtons(local_mode, busy, jsonMode());
    // Until the window has read the unit of this connection it shows another
    // unit's data: nothing of it may be saved, to the supply or to a file.
    const bool current = unit_data_current;
    ui->save_in_ps_memory_button->setEnabled(current && state.memory);
    ui->save_PID_button->setEnabled(current && state.pid);
    ui->save_ID_button->setEnabled(current && state.pages);
    ui->save_interlocks_limits_button->setEnabled(current && state.pages);
    ui->save_to_file_button->setEnabled(current);
    ui->load_from_file_button->setEnabled(current);
    ui->clear_table_button->setEnabled(current);
    ui->pushButtonPIDConfigExport->setEnabled(current && !jsonMode());
    showWhySavesAreLocked();
}

void ConfigurationDialog::showWhySavesAreLocked()
{
    // The first reason that holds; the progress bar alone would not say it.
    QString text;
    if (family_unknown)
        text = tr("The supply's model is not known yet: refresh again");
    else if (refresh_stopped)
        text =
            tr("The refresh stopped because the connection changed: refresh again -> Save is NOT permitted");
    else if (!unit_data_current && refreshing)
        text = tr("Reading the supply's settings -> Save is NOT permitted until they are in");
    else if (!unit_data_current)
        text = tr("The supply's settings are not read yet: refresh first -> Save is NOT permitted");
    else
        text = statusLock();
    ui->label_information->setText(text);
}

// ---- privileges, password and write-back ----

void ConfigurationDialog::write_access(ps_data data)
{
    configurationDialogLogger->trace("write_access called");
    // A status not read on this connection tells nothing of local mode:
    // the Saves stay locked until one is.
    status_known = data.status_read;
    local_mode = !status_known || (data.status_flags & 0xCu) != 0;
    updateSaveButtons();
}

void ConfigurationDialog::on_set_password_button_clicked()
{
    configurationDialogLogger->trace("on_set_password_button_clicked called");
    bool ok = false;
    const QString password = ConfigPrompts::password(this, tr("Set Password"), tr("Password:"), &ok);
    if (!ok || password.isEmpty())
        return;
    if (!ConfigRules::isSafeForWire(password)) {
        ConfigPrompts::warning(this, tr("Password info"),
                               tr("The password holds characters that cannot be sent; nothing was sent"));
        return;
    }
    if (!thread)
        return;
    thread->set_task(ps_thread::TaskSetPassword, password);
    thread->set_task(ps_thread::TaskReadPrivileges);
}

void ConfigurationDialog::password_set_slot(int error)
{
    configurationDialogLogger->trace("password_set_slot called, error = {}", error);
    if (error == ps_data::unanswered)
        ConfigPrompts::warning(this, tr("Password info"), tr("No reply from the supply"));
    else if (error != 0)
        ConfigPrompts::warning(this, tr("Password info"), tr("Wrong Password"));
    else
        ConfigPrompts::information(this, tr("Password info"), tr("Password Accepted"));
}

void ConfigurationDialog::update_privileges_visualization()
{
    configurationDialogLogger->trace("update_privileges_visualization called");
    const ps_data data = copyData();
    ui->lineEdit_privileges->setText(data.privileges);
    privileges_level = MemoryMap::privilegeLevel(data.privileges);

    if (ps_mem_table) {
        for (int row = 0; row < ps_mem_table->rowCount(); ++row) {
            const QString field = ps_mem_table->item(row, 0)->text();
            configurationDialogLogger->debug("Descriptor {}", field);
            configurationDialogLogger->debug("Table len {}", ps_mem_table->rowCount());
            const bool writable = MemoryMap::isWritable(field, privileges_level);
            QTableWidgetItem* value = ps_mem_table->item(row, 1);
            value->setFlags(writable ? Qt::ItemIsEditable | Qt::ItemIsEnabled : Qt::ItemIsEnabled);
            ps_mem_table->item(row, 0)->setData(Qt::BackgroundRole, writable ? writable_brush : locked_brush);
            value->setData(Qt::BackgroundRole, writable ? writable_brush : locked_brush);
        }
    }
    ui->tabWidget->setTabEnabled(1, privileges_level != 0);
}

bool ConfigurationDialog::refuseUnsafe(const QList<CellWrite>& writes, const QString& title)
{
    QStringList bad;
    for (const CellWrite& write : writes) {
        if (!ConfigRules::isSafeForWire(write.value))
            bad << QString::number(write.cell);
    }
    if (bad.isEmpty())
        return false;
    const QString text =
        tr("These cells hold line ends, NUL or characters outside Latin-1 and cannot be sent: %1. Nothing was sent.")
            .arg(bad.join(QStringLiteral(", ")));
    configurationDialogLogger->warn("{}", text);
    ConfigPrompts::warning(this, title, text);
    return true;
}

bool ConfigurationDialog::refuseNotNumber(const QList<CellWrite>& writes, const QString& title)
{
    const ps_data data = copyData();
    for (const CellWrite& write : writes) {
        // A field showing what the supply holds goes back as it is, number or
        // not; an empty field of a cell not read is no such field.
        if (holding(write.cell, data) == write.value)
            continue;
        if (!ConfigRules::isNumber(write.value)) {
            const QString text = tr("%1 is not a number. Nothing was sent.").arg(MemoryMap::cellName(write.cell));
            configurationDialogLogger->warn("{}", text);
            ConfigPrompts::warning(this, title, text);
            return true;
        }
    }
    return false;
}

void ConfigurationDialog::postWrites(const QList<CellWrite>& writes)
{
    if (!thread)
        return;
    for (const CellWrite& write : writes)
        thread->set_task(ps_thread::TaskWriteMemory, QString::number(write.cell), write.value);
    write_batches.append({false, int(writes.size())});
}

void ConfigurationDialog::postReads(const QList<int>& cells)
{
    if (!thread)
        return;
    for (int cell : cells)
        thread->set_task(ps_thread::TaskReadMemory, QString::number(cell));
    read_batches.append({false, int(cells.size())});
}

void ConfigurationDialog::on_save_in_ps_memory_button_clicked()
{
    configurationDialogLogger->trace("on_save_in_ps_memory_button_clicked called");
    if (!mayWrite() || busy || !ps_mem_table)
        return;

    const ps_data data = copyData();
    if (data.family != table_family) {
        ConfigPrompts::warning(this, tr("Save to PS Memory"),
                               tr("The supply changed since the table was read: refresh first. Nothing was sent."));
        return;
    }
    privileges_level = MemoryMap::privilegeLevel(data.privileges);

    QStringList fields;
    QStringList values;
    for (int row = 0; row < ps_mem_table->rowCount(); ++row) {
        fields << ps_mem_table->item(row, 0)->text();
        values << ps_mem_table->item(row, 1)->data(Qt::DisplayRole).toString();
    }
    // A row whose read failed is empty in the worker's memory list: only a value put in goes.
    const QList<CellWrite> plan = ConfigRules::writeBackPlan(fields, values, data.memory, privileges_level);
    if (plan.isEmpty() || refuseUnsafe(plan, tr("Save to PS Memory")))
        return;

    write_count = 0;
    for (const CellWrite& write : plan) {
        if (thread)
            thread->set_task(ps_thread::TaskWriteMemory, QString::number(write.cell), write.value);
        configurationDialogLogger->debug("Privileges level {}", privileges_level);
    }
    write_batches.append({true, int(plan.size())});
    write_back_sent = plan;
    write_back_check = true;
    ui->progressBar->setMaximum(plan.size());
    ui->progressBar->show();
    setBusy(true);
    if (thread) {
        thread->set_task(ps_thread::TaskSave);
        thread->set_task(ps_thread::TaskSync);
    }
}
