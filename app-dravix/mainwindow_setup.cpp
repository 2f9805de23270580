// MainWindow: the row's "Configure" button opens the box's set-up dialog.

#include "mainwindow.h"

// HOOK (set-up dialog): Setup_dialog (setup_dialog.h/.cpp) is not part of
// this build yet, so the button stops after its checks. Once it is, this
// function makes a Setup_dialog for the row's thread (parent: the window)
// into `setup_dialog`, modal, clears the thread's `polling`, connects the
// thread's status_updated to update_status_conf_dialog and file_read to
// update_file_read_dialog (both queued), titles it with the box's name, runs
// it through Prompts::execDialog, and afterwards disconnects both signals,
// sets `polling` again and deletes the dialog later.
void MainWindow::runSetupDialog(int row)
{
    Q_UNUSED(row);
}
