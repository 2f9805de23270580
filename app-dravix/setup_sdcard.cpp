// Setup_dialog: the SD card page (mount, listing, delete, fetch) and saving a
// fetched file on the PC.

#include "setup_dialog.h"
#include "ui_setup_dialog.h"

#include "dcct_thread.h"
#include "prompts.h"
#include "savebytes.h"
#include "setup_checks.h"

namespace
{

// Each listing entry keeps the file's exact name and its size in bytes (an
// invalid variant when the size is not known) beside its display text.
constexpr int fileNameRole = Qt::UserRole;
constexpr int fileSizeRole = Qt::UserRole + 1;

} // namespace

void Setup_dialog::show_sd_card(const Dcct_data& data)
{
    form->comboBox_SD_files->clear();
    if (data.sd_mounted) {
        card_mounted = true;
        form->pushButton_SD_mount_unmount->setText(tr("Unmount"));
        form->label_SD_status->setText(tr("Mounted"));
        for (int i = 0; i < data.sd_files.size(); ++i) {
            // A size the box did not give stays unknown; sizes pair with files by position.
            const double bytes = i < data.sd_sizes.size() ? data.sd_sizes.at(i) : Dcct_data::sd_size_unknown;
            const QString& name = data.sd_files.at(i);
            form->comboBox_SD_files->addItem(SetupChecks::sdEntryText(name, bytes), name);
            if (SetupChecks::sdSizeKnown(bytes))
                form->comboBox_SD_files->setItemData(form->comboBox_SD_files->count() - 1, bytes,
                                                     fileSizeRole);
        }
    } else {
        card_mounted = false;
        form->pushButton_SD_mount_unmount->setText(tr("Mount"));
        // "-" until the box has said whether its card is mounted.
        const bool known = data.wasRead(80) || data.wasRead(103);
        form->label_SD_status->setText(known ? tr("Not Mounted") : QStringLiteral("-"));
    }
}

QString Setup_dialog::selected_sd_file() const
{
    const int index = form->comboBox_SD_files->currentIndex();
    if (index < 0)
        return QString();
    return form->comboBox_SD_files->itemData(index, fileNameRole).toString();
}

void Setup_dialog::set_file_read_pending(bool pending)
{
    file_read_pending = pending;
    if (!pending)
        pending_file_name.clear();
    // One fetch at a time: its contents are matched to the name asked for.
    form->pushButton_SD_mount_unmount->setEnabled(!pending);
    form->pushButton_SD_list_update->setEnabled(!pending);
    form->pushButton_SD_save->setEnabled(!pending);
    form->pushButton_SD_delete->setEnabled(!pending);
}

void Setup_dialog::on_pushButton_SD_mount_unmount_clicked()
{
    thread->enqueue(card_mounted ? 102 : 101);
    start_progress(1);
    thread->enqueue(103);
}

void Setup_dialog::on_pushButton_SD_list_update_clicked()
{
    if (card_mounted)
        thread->enqueue(96);
    else
        warn(tr("SD-Card not Mounted"));
    start_progress(1);
}

void Setup_dialog::on_pushButton_SD_delete_clicked()
{
    if (!card_mounted) {
        warn(tr("SD-Card not Mounted"));
    } else {
        const QString name = selected_sd_file();
        if (name.isEmpty())
            return;
        thread->enqueue(98, name);
    }
    start_progress(1);
    thread->enqueue(96);
}

void Setup_dialog::on_pushButton_SD_save_clicked()
{
    if (!card_mounted) {
        warn(tr("SD-Card not Mounted"));
        return;
    }
    const int index = form->comboBox_SD_files->currentIndex();
    const QString name = selected_sd_file();
    if (name.isEmpty() || file_read_pending)
        return;
    const QVariant size = form->comboBox_SD_files->itemData(index, fileSizeRole);
    const double bytes = size.isValid() ? size.toDouble() : Dcct_data::sd_size_unknown;

    pending_file_name = name;
    set_file_read_pending(true);
    thread->enqueue(97, name);
    start_progress(SetupChecks::sdFetchFactor(bytes));
}

void Setup_dialog::update_file_read_dialog(Dcct_data data)
{
    hide_progress();
    // Only a fetch this dialog asked for is offered for saving.
    if (!file_read_pending)
        return;
    const QString name = pending_file_name;
    set_file_read_pending(false);

    if (!data.file_read_ok) {
        warn(tr("The file %1 could not be read from the SD card.").arg(name));
        return;
    }

    const QString path = Prompts::saveFileName(this, tr("Save File"), SetupChecks::plainFileName(name),
                                               tr("Text File (*.txt);; All (*.*)"));
    if (path.isEmpty())
        return;

    // Written byte for byte as received (each entry keeps its own line
    // break), and only replaces an existing file once everything is on disk.
    const SaveResult saved = saveBytes(path, data.file_lines);
    if (!saved.ok())
        Prompts::critical(this, tr("Save File"), tr("Could not save %1: %2").arg(path, saved.error));
}

void Setup_dialog::ask_for_unmount(bool checked)
{
    if (checked)
        return;
    if (ask(tr("Unmount SD-CARD?")) == QMessageBox::Yes)
        unmount_on_apply = true;
}
