// PID parameter files, the configuration file, memory files and the PID
// picture window of the configuration window.
#include "configurationdialog.h"
#include "ui_configurationdialog.h"

#include "configfile.h"
#include "configprompts.h"
#include "loggers.h"
#include "memoryfile.h"
#include "memorymap.h"
#include "pidconfig.h"
#include "readbytes.h"
#include "savebytes.h"
#include "screenfit.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QUrl>

namespace
{

QLineEdit* pidLineEdit(QWidget* page, const QString& key)
{
    return page->findChild<QLineEdit*>(QStringLiteral("lineEdit_") + key);
}

// The list's text for a PID parameter file: its name without ".json".
QString entryText(const QString& path)
{
    QString text = path;
    text.remove(QStringLiteral(".json"));
    return QFileInfo(text).fileName();
}

} // namespace

// ---- PID parameter files ----

bool ConfigurationDialog::loadPIDConfig(QString fileName, bool isToApply)
{
    configurationDialogLogger->trace("loadPIDConfig called, fileName = {}, isToApplt = {}", fileName, isToApply);
    const QString title = QStringLiteral("JSON error");
    if (fileName.isEmpty()) {
        ConfigPrompts::warning(this, title, fileName + QStringLiteral(" is empty."));
        return false;
    }
    pid_json_name = fileName;
    const ReadResult read = readBytes(fileName, PIDConfig::maxFileSize);
    if (!read.ok()) {
        ConfigPrompts::warning(this, title,
                               QStringLiteral("Couldn't open ") + fileName + QStringLiteral(". ") + read.error);
        return false;
    }
    const QJsonDocument document = QJsonDocument::fromJson(read.bytes);
    if (document.isNull()) {
        ConfigPrompts::warning(this, title, QStringLiteral("Couldn't parse ") + fileName + QStringLiteral("."));
        return false;
    }
    PIDConfig config;
    if (!config.read(document.object(), isToApply))
        return false;
    if (isToApply) {
        for (int i = 0; i < PIDConfig::KeyCount; ++i) {
            if (QLineEdit* edit = pidLineEdit(ui->toolBox_PID, PIDConfig::keys().at(i)))
                edit->setText(config.value(i));
        }
    }
    return true;
}

ConfigurationDialog::AppendResult ConfigurationDialog::appendEntry(const QString& path)
{
    if (!loadPIDConfig(path, false))
        return AppendResult::Unreadable;
    // Listing a file never sends it to the supply: only a choice of the user does.
    const int listed = pid_json_files.indexOf(path);
    if (listed >= 0 && unavailable_pid_json_files.contains(path)) {
        setEntryAvailable(listed);
        ui->comboBoxPIDConfig->setCurrentIndex(listed);
        return AppendResult::Listed;
    }
    if (listed >= 0) {
        ConfigPrompts::warning(this, QStringLiteral("JSON error"),
                               QStringLiteral("File ") + path + QStringLiteral(" already exists."));
        return AppendResult::AlreadyListed;
    }
    pid_json_files.append(path);
    ui->comboBoxPIDConfig->addItem(entryText(path));
    ui->comboBoxPIDConfig->setCurrentIndex(ui->comboBoxPIDConfig->count() - 1);
    return AppendResult::Listed;
}

void ConfigurationDialog::listUnavailable(const QString& path)
{
    pid_json_files.append(path);
    unavailable_pid_json_files.append(path);
    ui->comboBoxPIDConfig->addItem(entryText(path) + tr(" (unavailable)"));
}

void ConfigurationDialog::setEntryAvailable(int index)
{
    if (unavailable_pid_json_files.removeAll(pid_json_files.at(index)) > 0)
        ui->comboBoxPIDConfig->setItemText(index, entryText(pid_json_files.at(index)));
}

void ConfigurationDialog::appendPIDJsonFileToCombobox(QString droppedFile)
{
    configurationDialogLogger->trace("appendPIDJsonFileToCombobox called, droppedFile = {}", droppedFile);
    if (appendEntry(droppedFile) == AppendResult::Listed)
        saveConfigFile();
}

void ConfigurationDialog::on_comboBoxPIDConfig_currentIndexChanged(int index)
{
    // The program changes the current entry too (listing, removing): only
    // the user's choice, seen by applyEntry, writes to the supply.
    configurationDialogLogger->trace("on_comboBoxPIDConfig_currentIndexChanged called, indexx = {}", index);
}

void ConfigurationDialog::applyEntry(int index)
{
    configurationDialogLogger->trace("applyEntry called, index = {}", index);
    if (!jsonMode() || index < 0 || index >= pid_json_files.size())
        return;
    QString refusal;
    if (!unit_data_current)
        refusal = tr("The supply's settings are not read yet: refresh first. Nothing was sent.");
    else
        refusal = statusLock();
    bool applied = false;
    if (!refusal.isEmpty()) {
        configurationDialogLogger->warn("PID set not applied: {}", refusal);
        ConfigPrompts::warning(this, tr("Save"), refusal);
    } else if (loadPIDConfig(pid_json_files.at(index), true)) {
        setEntryAvailable(index);
        applied = savePidPage();
    }
    if (applied) {
        applied_pid_json = pid_json_files.at(index);
        return;
    }
    // A choice that was not applied leaves the list on the entry the supply has.
    const int shown = pid_json_files.indexOf(applied_pid_json);
    if (shown >= 0)
        ui->comboBoxPIDConfig->setCurrentIndex(shown);
}

void ConfigurationDialog::on_groupBoxJSON_clicked()
{
    configurationDialogLogger->trace("on_groupBoxJSON_clicked called");
    const bool json = jsonMode();
    setAcceptDrops(json);
    ui->comboBoxPIDConfig->setEnabled(json);
    ui->pushButtonPIDRemoveConfig->setEnabled(json);
    ui->pushButtonPIDRemoveAllConfig->setEnabled(json);
    ui->PID_I->setEnabled(!json);
    ui->PID_V->setEnabled(!json);
    ui->pushButtonDefaultPIDLimits->setEnabled(!json);
    updateSaveButtons();
    if (json)
        applyEntry(ui->comboBoxPIDConfig->currentIndex());
}

void ConfigurationDialog::on_pushButtonPIDConfigExport_clicked()
{
    configurationDialogLogger->trace("on_pushButtonPIDConfigExport_clicked called");
    if (!unit_data_current)
        return;
    const QString path =
        ConfigPrompts::saveFileName(this, QStringLiteral("Save PID's config"), pid_json_name, QStringLiteral("*.json"));
    if (path.isEmpty())
        return;
    pid_json_name = path;

    QStringList texts;
    for (const QString& key : PIDConfig::keys()) {
        const QLineEdit* edit = pidLineEdit(ui->toolBox_PID, key);
        texts << (edit ? edit->text() : QString());
    }
    const PIDConfig config(texts);
    QJsonObject object;
    QString badKey;
    if (!config.write(object, &badKey)) {
        ConfigPrompts::warning(this, QStringLiteral("JSON error"),
                               badKey + tr(" is not a number: the file was not written."));
        return;
    }
    const SaveResult saved = saveBytes(path, QJsonDocument(object).toJson());
    if (!saved.ok()) {
        const QString what = saved.stage == SaveResult::NotOpened ? QStringLiteral("Couldn't open ")
                                                                  : QStringLiteral("Couldn't write ");
        ConfigPrompts::warning(this, QStringLiteral("JSON error"),
                               what + path + QStringLiteral(". ") + saved.error);
        return;
    }
    appendPIDJsonFileToCombobox(path);
}

void ConfigurationDialog::on_pushButtonPIDRemoveConfig_clicked()
{
    configurationDialogLogger->trace("on_pushButtonPIDRemoveConfig_clicked called");
    const int i = ui->comboBoxPIDConfig->currentIndex();
    if (i < 0 || i >= pid_json_files.size())
        return;
    unavailable_pid_json_files.removeAll(pid_json_files.takeAt(i));
    ui->comboBoxPIDConfig->removeItem(i);
    if (!pid_json_files.isEmpty())
        ui->comboBoxPIDConfig->setCurrentIndex(0);
    saveConfigFile();
}

void ConfigurationDialog::on_pushButtonPIDRemoveAllConfig_clicked()
{
    configurationDialogLogger->trace("on_pushButtonPIDRemoveAllConfig_clicked called");
    pid_json_files.clear();
    unavailable_pid_json_files.clear();
    ui->comboBoxPIDConfig->clear();
    saveConfigFile();
}

void ConfigurationDialog::dragEnterEvent(QDragEnterEvent* event)
{
    configurationDialogLogger->trace("dragEnterEvent called");
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty())
        return;
    for (const QUrl& url : urls) {
        if (!url.toString().endsWith(QLatin1String(".json")))
            return;
    }
    event->accept();
}

void ConfigurationDialog::dropEvent(QDropEvent* event)
{
    configurationDialogLogger->trace("dropEvent called");
    for (const QUrl& url : event->mimeData()->urls())
        appendPIDJsonFileToCombobox(url.toLocalFile());
}

// ---- the configuration file ----

void ConfigurationDialog::loadConfigFile()
{
    if (!QFileInfo::exists(config_file_path)) {
        configurationDialogLogger->warn(
            "Cannot open in read mode the file {}, if it is the first startup time then it is OK", config_file_path);
        return;
    }
    const ReadResult read = readBytes(config_file_path, ConfigFile::maxFileSize);
    if (!read.ok()) {
        configurationDialogLogger->error("Cannot read the file {}: {}", config_file_path, read.error);
        return;
    }
    loading_config = true;
    for (const QString& part : ConfigFile::parse(read.bytes)) {
        configurationDialogLogger->info("Trying to append file {}", part);
        if (appendEntry(part) == AppendResult::Unreadable && !pid_json_files.contains(part))
            listUnavailable(part);
    }
    loading_config = false;
    configurationDialogLogger->info("ConfigurationDialog initialized");
}

void ConfigurationDialog::saveConfigFile()
{
    if (loading_config)
        return;
    QDir().mkpath(QFileInfo(config_file_path).absolutePath());
    const SaveResult saved = saveBytes(config_file_path, ConfigFile::format(pid_json_files));
    config_unsaved = !saved.ok();
    if (config_unsaved) {
        ConfigPrompts::warning(this, QStringLiteral("Config"),
                               QStringLiteral("Cannot save config file, ") + saved.error);
        configurationDialogLogger->error("Cannot save file {}, error code = {}", config_file_path,
                                         saved.error);
    }
}

// ---- memory files ----

void ConfigurationDialog::on_save_to_file_button_clicked()
{
    configurationDialogLogger->trace("on_save_to_file_button_clicked called");
    if (!unit_data_current)
        return;
    const QString path = ConfigPrompts::saveFileName(this, tr("Save to PS Memory File"), QStringLiteral(".."),
                                                     tr("PS Memory File (*.psm)"));
    if (path.isEmpty())
        return;
    QTableWidget* table = shownTable();
    QStringList values;
    for (int row = 0; row < table->rowCount(); ++row)
        values << table->item(row, 1)->data(Qt::DisplayRole).toString();
    const SaveResult saved = saveBytes(path, MemoryFile::format(values));
    if (!saved.ok()) {
        configurationDialogLogger->error("Cannot save memory file {}: {}", path, saved.error);
        ConfigPrompts::warning(this, tr("Save to PS Memory File"),
                               tr("Cannot save %1: %2").arg(path, saved.error));
    }
}

void ConfigurationDialog::on_load_from_file_button_clicked()
{
    configurationDialogLogger->trace("on_load_from_file_button_clicked called");
    if (!unit_data_current)
        return;
    const QString path = ConfigPrompts::openFileName(this, QStringLiteral("Load form PS Memory File"), psm_dir_path,
                                                     tr("PS Memory File (*.psm)"));
    if (path.isEmpty())
        return;
    const ReadResult read = readBytes(path, MemoryFile::maxFileSize);
    if (!read.ok()) {
        configurationDialogLogger->error("Cannot open memory file {}: {}", path, read.error);
        ConfigPrompts::warning(this, QStringLiteral("Load form PS Memory File"),
                               tr("Cannot open %1: %2").arg(path, read.error));
        return;
    }
    QTableWidget* table = shownTable();
    const MemoryFile::Parsed parsed = MemoryFile::parse(read.bytes, table->rowCount());
    for (auto it = parsed.values.cbegin(); it != parsed.values.cend(); ++it)
        table->item(it.key(), 1)->setData(Qt::DisplayRole, it.value());
    psm_dir_path = path;
    if (parsed.ignored > 0) {
        const QString text = tr("%1 lines were ignored: their row is not a row of the table.").arg(parsed.ignored);
        configurationDialogLogger->warn("{} ({})", text, path);
        ConfigPrompts::warning(this, QStringLiteral("Load form PS Memory File"), text);
    }
}

// ---- PID picture window ----

void ConfigurationDialog::on_pushButtonPIDCC_clicked()
{
    configurationDialogLogger->trace("on_pushButtonPIDCC_clicked called");
    showPIDImage(CC, ui->checkBoxFastCCLoop->isChecked());
}

void ConfigurationDialog::on_pushButtonPIDCV_clicked()
{
    configurationDialogLogger->trace("on_pushButtonPIDCV_clicked called");
    showPIDImage(CV, ui->checkBoxFastCVLoop->isChecked());
}

void ConfigurationDialog::on_checkBoxFastCCLoop_clicked(bool checked)
{
    configurationDialogLogger->trace("on_checkBoxFastCCLoop_clicked called, checked = {}", checked);
    if (pid_dialog)
        pid_dialog->setMode(CC, checked);
}

void ConfigurationDialog::on_checkBoxFastCVLoop_clicked(bool checked)
{
    configurationDialogLogger->trace("on_checkBoxFastCVLoop_clicked called, checked = {}", checked);
    if (pid_dialog)
        pid_dialog->setMode(CV, checked);
}

void ConfigurationDialog::showPIDImage(EnumPIDType PIDType, bool isFast)
{
    configurationDialogLogger->trace("showPIDImage called, PIDType = {}, isFast = {}", int(PIDType), isFast);
    if (pid_dialog) {
        pid_dialog->setTypeAndMode(PIDType, isFast);
        return;
    }
    pid_dialog = new PIDdialog(this);
    pid_dialog->setWindowModality(Qt::NonModal);
    pid_dialog->setTypeAndMode(PIDType, isFast);
    connect(pid_dialog, &QDialog::finished, this, &ConfigurationDialog::on_ConfigurationDialog_finished);
    placeBeside(pid_dialog, this);
    pid_dialog->raise();
    pid_dialog->show();
}

void ConfigurationDialog::on_ConfigurationDialog_finished(int result)
{
    configurationDialogLogger->trace("on_ConfigurationDialog_finished called, result = {}", result);
    if (!pid_dialog)
        return;
    // Forget the window first: closing it finishes it again, which lands here.
    PIDdialog* dialog = pid_dialog;
    pid_dialog = nullptr;
    dialog->close();
    dialog->deleteLater();
}
