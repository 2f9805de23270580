// MainWindow: the row's "Configure" button opens the box's set-up dialog.

#include "mainwindow.h"

#include "dcct_thread.h"
#include "prompts.h"
#include "setup_dialog.h"

// A new dialog for each opening, run modally; the box is not polled while it
// is open, so its reports follow the dialog's own commands.
void MainWindow::runSetupDialog(int row)
{
    Dcct_thread* thread = thread_list.at(row);
    const QPointer<Dcct_thread> alive = thread;
    auto* dialog = new Setup_dialog(thread, this);
    setup_dialog = dialog;
    dialog->setModal(true);
    thread->polling = false;

    const QMetaObject::Connection statusLink =
        connect(thread, &Dcct_thread::status_updated, dialog, &Setup_dialog::update_status_conf_dialog,
                Qt::QueuedConnection);
    const QMetaObject::Connection fileLink =
        connect(thread, &Dcct_thread::file_read, dialog, &Setup_dialog::update_file_read_dialog,
                Qt::QueuedConnection);
    dialog->setWindowTitle(flagsOf(thread).name);

    Prompts::execDialog(dialog);

    disconnect(statusLink);
    disconnect(fileLink);
    if (alive)
        thread->polling = true;
    dialog->deleteLater();
}
