// MainWindow: construction, the start-up update check, the update menu and
// the orderly end of every box thread when the window goes.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "aboutdialog.h"
#include "changelog.h"
#include "columnshare.h"
#include "dcct_thread.h"
#include "dialog_status.h"
#include "monitor.h"
#include "new_connection_dialog.h"
#include "programinfo.h"
#include "screenfit.h"
#include "updates.h"

#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QEvent>
#include <QHeaderView>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QUrl>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), new_connection_dialog(nullptr), add_button(nullptr),
      add_row(0), acquire_all_button(nullptr), x_origin(0), acquire_all_running(false), all_acquiring(false),
      master_row(-1), about_window(nullptr), change_log_window(nullptr), updates(nullptr), paint_events(0),
      shutting_down(false), frame_timer(nullptr)
{
    ui->setupUi(this);
    // Address, model and name share what the button columns leave, each as
    // its values need while there is room.
    column_share = new ColumnShare(ui->tableWidget_dcct, {0, 3, 4});
    fitToScreen(this);

    add_button = new QPushButton(QStringLiteral("Add New"), this);
    add_row = 0;
    ui->tableWidget_dcct->setCellWidget(add_row, 0, add_button);
    connect(add_button, &QPushButton::clicked, this, &MainWindow::button_add_dcct_clicked);

    new_connection_dialog = new New_connection_dialog(this);

    setup_plot();

    registerDcctDataMetaType();

    first_block.clear();
    x_origin = 0;
    acquire_all_running = false;
    all_acquiring = false;
    master_row = -1;
    slave_rows.clear();

    about_window = new AboutDialog(this);
    change_log_window = new ChangeLog(this);
    connect(ui->actionChangelog, &QAction::triggered, change_log_window, &QWidget::show);
    connect(ui->actionAbout, &QAction::triggered, about_window, &QWidget::show);

    const QSettings settings(QString::fromLatin1(ProgramInfo::organisation),
                             QString::fromLatin1(ProgramInfo::settingsApplication));
    ui->actionAutomatic_Updates_Enabled->setChecked(Updates::automaticUpdatesEnabled(settings));
    // The menu entry's own changed() does not fire for the state the form
    // starts with, so bring "Check for Updates..." in line once here.
    on_actionAutomatic_Updates_Enabled_changed();

    updates = new Updates(this);
}

MainWindow::~MainWindow()
{
    shutDown();
    delete ui;
}

bool MainWindow::event(QEvent* e)
{
    const bool result = QMainWindow::event(e);
    // The check waits for the second paint so the window is on screen before
    // any message about updates can appear.
    if (e->type() == QEvent::Paint && paint_events < 2) {
        ++paint_events;
        // Run after the paint has been handled: the check may open a box,
        // whose modal loop must not run inside a paint.
        if (paint_events == 2)
            QTimer::singleShot(0, this, [this] {
                updates->checkUpdates(ui->actionAutomatic_Updates_Enabled->isChecked(), true);
            });
    }
    return result;
}

void MainWindow::on_actionCheck_for_Updates_triggered()
{
    updates->checkUpdates(ui->actionAutomatic_Updates_Enabled->isChecked(), false);
}

void MainWindow::on_actionWebsite_Updates_triggered()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(ProgramInfo::websiteUpdatesUrl)));
}

void MainWindow::on_actionAutomatic_Updates_Enabled_triggered()
{
    QSettings settings(QString::fromLatin1(ProgramInfo::organisation),
                       QString::fromLatin1(ProgramInfo::settingsApplication));
    Updates::setAutomaticUpdatesEnabled(settings, ui->actionAutomatic_Updates_Enabled->isChecked());
}

void MainWindow::on_actionAutomatic_Updates_Enabled_changed()
{
    ui->actionCheck_for_Updates->setEnabled(ui->actionAutomatic_Updates_Enabled->isChecked());
}

// Ends every box thread in one place, in order: nothing may reach the
// window any more, every thread is asked to stop streaming and to quit, all
// of them end together within one bounded wait, and only then are the rows
// taken apart. A thread that is still busy after the wait is left to finish
// on its own instead of being destroyed while it runs.
void MainWindow::shutDown()
{
    if (shutting_down)
        return;
    shutting_down = true;
    acquire_all_running = false;

    QList<Dcct_thread*> threads = thread_list;
    for (const QPointer<Dcct_thread>& t : qAsConst(retired_threads))
        if (t)
            threads.append(t.data());

    for (Dcct_thread* t : qAsConst(threads)) {
        disconnect(t, nullptr, this, nullptr);
        t->disconnect();
        if (t->isRunning()) {
            if (t->connected)
                t->enqueue(16, QStringLiteral("OFF"));
            t->requestInterruption();
            t->quit();
        }
    }

    QDeadlineTimer deadline(shutdownWaitMs);
    for (Dcct_thread* t : qAsConst(threads))
        t->wait(deadline);

    for (Dcct_thread* t : qAsConst(threads)) {
        if (t->isRunning()) {
            t->setParent(nullptr);
            connect(t, &QThread::finished, t, &QObject::deleteLater);
        }
    }

    // Threads that ended go with the window (their parent); the rows go now.
    for (int row = thread_list.size() - 1; row >= 0; --row)
        removeBoxRow(row);
    retired_threads.clear();
}
