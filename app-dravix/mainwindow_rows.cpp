// MainWindow: the box table. Adding a row, changing its address, removing
// it, and showing a row's connection state and box status.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "columnshare.h"
#include "dcct_thread.h"
#include "dialog_status.h"
#include "monitor.h"
#include "new_connection_dialog.h"
#include "prompts.h"

#include <QPushButton>
#include <QTableWidgetItem>
#include <QTimer>

#include <memory>

MainWindow::BoxFlags MainWindow::flagsOf(Dcct_thread* thread)
{
    BoxFlags f;
    if (!thread)
        return f;
    QMutexLocker lock(&thread->mutex);
    f.acquiring = thread->data.acquiring;
    f.error = thread->data.error;
    f.trigger_out = thread->data.trigger_out;
    f.printing = thread->data.printing;
    f.line_layout = thread->data.line_layout;
    f.name = thread->data.name;
    return f;
}

int MainWindow::rowOfThread(const QObject* thread) const
{
    // Compared as pointers only: the sender of a late queued signal may
    // already be gone.
    for (int i = 0; i < thread_list.size(); ++i)
        if (static_cast<const QObject*>(thread_list.at(i)) == thread)
            return i;
    return -1;
}

int MainWindow::rowOfButton(const QList<QPushButton*>& buttons, const QObject* button) const
{
    for (int i = 0; i < buttons.size(); ++i)
        if (static_cast<const QObject*>(buttons.at(i)) == button)
            return i;
    return -1;
}

Dcct_thread* MainWindow::boxThread(int row) const
{
    return thread_list.value(row, nullptr);
}

QPushButton* MainWindow::rowButton(int row, RowButton which) const
{
    switch (which) {
    case AddressButton:
        return address_buttons.value(row, nullptr);
    case ConnectButton:
        return connect_buttons.value(row, nullptr);
    case SetupButton:
        return setup_buttons.value(row, nullptr);
    case StatusButton:
        return status_buttons.value(row, nullptr);
    case AcquireButton:
        return acquire_buttons.value(row, nullptr);
    case MonitorButton:
        return monitor_buttons.value(row, nullptr);
    case CancelButton:
        return cancel_buttons.value(row, nullptr);
    }
    return nullptr;
}

Monitor* MainWindow::rowMonitor(int row) const
{
    return monitors.value(row, nullptr);
}

Dialog_status* MainWindow::rowStatusWindow(int row) const
{
    return status_windows.value(row, nullptr);
}

double MainWindow::rowTimeOffset(int row) const
{
    return row_time_offset.value(row, 0.0);
}

void MainWindow::setButtonState(QPushButton* button, const QString& text, Qt::GlobalColor colour)
{
    if (!button)
        return;
    // Status copies arrive with every block of samples; an unchanged button
    // is left alone rather than repainted.
    if (button->text() == text &&
        button->palette().color(QPalette::Disabled, QPalette::ButtonText) == QColor(colour))
        return;
    button->setText(text);
    QPalette palette = button->palette();
    palette.setColor(QPalette::All, QPalette::ButtonText, QColor(colour));
    button->setPalette(palette);
}

void MainWindow::setCentredText(int row, int column, const QString& text)
{
    const QTableWidgetItem* present = ui->tableWidget_dcct->item(row, column);
    if (present && present->text() == text)
        return;
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    // Long head descriptions do not fit the column; the whole text is a
    // hover away.
    item->setToolTip(text);
    ui->tableWidget_dcct->setItem(row, column, item);
}

QPushButton* MainWindow::makeRowButton(int row, int column, const QString& text, void (MainWindow::*slot)())
{
    auto* button = new QPushButton(text, this);
    ui->tableWidget_dcct->setCellWidget(row, column, button);
    connect(button, &QPushButton::clicked, this, slot);
    return button;
}

void MainWindow::button_add_dcct_clicked()
{
    // The dialog runs before the row is built, so the row's lists never
    // stand half filled while its modal loop delivers box signals.
    const int result = Prompts::execDialog(new_connection_dialog);
    insertBoxRow(new_connection_dialog->is_ethernet(), new_connection_dialog->ip_address(),
                 new_connection_dialog->com_port(), result == QDialog::Accepted);
}

int MainWindow::addBox(bool is_tcp, const QString& ip, const QString& com_port)
{
    return insertBoxRow(is_tcp, ip, com_port, true);
}

int MainWindow::insertBoxRow(bool is_tcp, const QString& ip, const QString& com_port, bool accepted)
{
    QTableWidget* table = ui->tableWidget_dcct;
    // Cell widgets follow their rows, so "Add New" (and "Acquire All") move
    // down with the last row.
    table->insertRow(add_row);
    const int r = add_row;
    ++add_row;

    const QString address = accepted ? (is_tcp ? ip : com_port) : QStringLiteral("Address");
    address_buttons.append(makeRowButton(r, 0, address, &MainWindow::ip_com_port_button_clicked));
    // A device path may be longer than the column.
    address_buttons.last()->setToolTip(address);
    connect_buttons.append(
        makeRowButton(r, 1, QStringLiteral("Connect"), &MainWindow::button_connect_clicked));

    auto* thread = new Dcct_thread(is_tcp, ip, 80, com_port, this);
    thread_list.append(thread);
    connect(thread, &Dcct_thread::connection_changed, this, &MainWindow::set_connection_state,
            Qt::QueuedConnection);
    connect(thread, &Dcct_thread::status_updated, this, &MainWindow::update_status, Qt::QueuedConnection);
    connect(thread, &Dcct_thread::sentrel_is_acquiring, this, &MainWindow::sentrel_acquiring,
            Qt::QueuedConnection);
    connect(thread, &Dcct_thread::sentrel_start_acquire, this, &MainWindow::acquisition_ON_is_OK,
            Qt::QueuedConnection);
    connect(
        thread, &QThread::finished, this,
        [this, thread] {
            const int row = rowOfThread(thread);
            if (row >= 0)
                connect_buttons.at(row)->setEnabled(true);
        },
        Qt::QueuedConnection);

    setup_buttons.append(makeRowButton(r, 2, QStringLiteral("Setup"), &MainWindow::button_configure_clicked));
    status_buttons.append(makeRowButton(r, 5, QStringLiteral("Status"), &MainWindow::button_status_clicked));

    auto* status_window = new Dialog_status(thread, this);
    status_window->setModal(false);
    connect(thread, &Dcct_thread::status_updated, status_window, &Dialog_status::update_data_status_dialog,
            Qt::QueuedConnection);
    status_windows.append(status_window);

    acquire_buttons.append(
        makeRowButton(r, 6, QStringLiteral("Acquire"), &MainWindow::button_acquisition_clicked));
    monitor_buttons.append(
        makeRowButton(r, 7, QStringLiteral("Monitor"), &MainWindow::button_monitor_clicked));

    auto* monitor = new Monitor(this);
    monitor->setModal(false);
    monitors.append(monitor);

    // Made once, when the second row arrives: a later row must not replace a
    // running sequence's "STOP ALL" with a fresh "Acquire All".
    if (acquire_buttons.size() >= 2 && !acquire_all_button) {
        acquire_all_button = new QPushButton(QStringLiteral("Acquire All"), this);
        table->setCellWidget(add_row, 6, acquire_all_button);
        connect(acquire_all_button, &QPushButton::clicked, this, &MainWindow::button_acquisition_all_clicked);
    }

    makeRowGraphs();
    first_block.append(false);
    row_time_offset.append(0.0);
    link_down.append(false);
    plot()->replot(QCustomPlot::rpQueuedReplot);

    cancel_buttons.append(makeRowButton(r, 8, QStringLiteral("Cancel"), &MainWindow::button_cancel_clicked));
    return r;
}

void MainWindow::ip_com_port_button_clicked()
{
    const int row = rowOfButton(address_buttons, sender());
    if (row < 0)
        return;
    Dcct_thread* thread = thread_list.at(row);
    QPointer<QPushButton> button = address_buttons.at(row);

    if (thread->isRunning()) {
        // A thread that is still connecting is ended as well: it would
        // otherwise go on with the old address.
        if (thread->connected)
            thread->enqueue(16, QStringLiteral("OFF"));
        QTimer::singleShot(quitDelayMs, thread, [thread] { thread->quit(); });
        waitForRunEnd(row);
    }

    new_connection_dialog->preset(thread->is_tcp, thread->ip, thread->com_port);
    if (Prompts::execDialog(new_connection_dialog) != QDialog::Accepted)
        return;
    if (rowOfThread(thread) < 0)
        return;

    const bool is_tcp = new_connection_dialog->is_ethernet();
    const QString ip = new_connection_dialog->ip_address();
    const QString com = new_connection_dialog->com_port();
    if (button) {
        button->setText(is_tcp ? ip : com);
        button->setToolTip(button->text());
        column_share->request();
    }

    // The worker reads its address while it runs, so the new one is handed
    // over only once the run has ended.
    auto apply = [thread, is_tcp, ip, com] {
        thread->is_tcp = is_tcp;
        thread->ip = ip;
        thread->com_port = com;
    };
    if (!thread->isRunning()) {
        apply();
        return;
    }
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = connect(thread, &QThread::finished, thread, [once, apply] {
        QObject::disconnect(*once);
        apply();
    });
    // It may have ended between the test and the connection.
    if (!thread->isRunning()) {
        disconnect(*once);
        apply();
    }
}

void MainWindow::button_cancel_clicked()
{
    const int row = rowOfButton(cancel_buttons, sender());
    if (row < 0)
        return;
    if (acquire_all_running) {
        Prompts::critical(this, QStringLiteral("Acquisition"),
                          QStringLiteral("Not allow in multiple acquisition in progress"));
        return;
    }
    removeBoxRow(row);
}

void MainWindow::retireThread(Dcct_thread* thread)
{
    // Nothing of the thread reaches the windows any more; queued signals
    // already on their way find no row and are dropped.
    thread->disconnect();
    if (shutting_down)
        return; // already stopped, or left to finish on its own
    if (thread->isRunning()) {
        if (thread->connected)
            thread->enqueue(16, QStringLiteral("OFF"));
        QTimer::singleShot(quitDelayMs, thread, [thread] {
            thread->requestInterruption();
            thread->quit();
        });
    }
    retired_threads.append(thread);
    QTimer::singleShot(threadDeleteDelayMs, thread, [thread] {
        // Never deleted while its run goes on.
        connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        if (!thread->isRunning())
            thread->deleteLater();
    });
}

void MainWindow::removeBoxRow(int row)
{
    if (row < 0 || row >= thread_list.size())
        return;
    Dcct_thread* thread = thread_list.at(row);

    removeRowGraphs(row);
    plot()->replot(QCustomPlot::rpQueuedReplot);

    auto dropButton = [this, row](QList<QPushButton*>& list) {
        QPushButton* b = list.takeAt(row);
        b->disconnect();
        disconnect(b, nullptr, this, nullptr);
        b->deleteLater();
    };
    dropButton(cancel_buttons);
    dropButton(setup_buttons);
    dropButton(address_buttons);
    dropButton(acquire_buttons);
    if (acquire_buttons.size() == 1 && acquire_all_button) {
        acquire_all_button->disconnect();
        ui->tableWidget_dcct->removeCellWidget(add_row, 6); // deletes it later
        acquire_all_button = nullptr;
    }

    Monitor* monitor = monitors.takeAt(row);
    monitor->disconnect();
    disconnect(monitor, nullptr, this, nullptr);
    monitor->close();
    monitor->deleteLater();
    dropButton(monitor_buttons);

    thread_list.removeAt(row);
    retireThread(thread);

    dropButton(connect_buttons);
    Dialog_status* status_window = status_windows.takeAt(row);
    status_window->close();
    status_window->deleteLater();
    dropButton(status_buttons);
    row_time_offset.removeAt(row);
    first_block.removeAt(row);
    link_down.removeAt(row);

    // The acquire-all bookkeeping keeps pointing at the same boxes.
    if (master_row == row)
        master_row = -1;
    else if (master_row > row)
        --master_row;
    QList<int> slaves;
    for (int s : qAsConst(slave_rows)) {
        if (s != row)
            slaves.append(s > row ? s - 1 : s);
    }
    slave_rows = slaves;

    ui->tableWidget_dcct->removeRow(row);
    --add_row;
}

void MainWindow::set_connection_state(int error, bool is_conn)
{
    Dcct_thread* thread = qobject_cast<Dcct_thread*>(sender());
    if (rowOfThread(sender()) < 0 || !thread)
        return;

    QString text;
    switch (error) {
    case 4:
        text = QStringLiteral("Open Error");
        break;
    case 6:
        text = QStringLiteral("Permission Error");
        break;
    case 11:
        text = QStringLiteral("SENTREL is not responding. Is it a SENTREL?");
        break;
    case 12:
        text = QStringLiteral("Host Not Found");
        break;
    case 13:
        text = QStringLiteral("Connection Refused");
        break;
    case 14:
        text = QStringLiteral("Network Error");
        break;
    default:
        break;
    }
    if (error == 5)
        statusBar()->showMessage(QStringLiteral("Connection Timeout"), 2000);

    if (!text.isEmpty()) {
        Prompts::critical(this, QStringLiteral("Critical Error"), text);
        // The box's modal loop may have let the row go.
        const int row = rowOfThread(thread);
        if (row < 0)
            return;
        setButtonState(connect_buttons.at(row), QStringLiteral("Connect"), Qt::black);
    }

    const int row = rowOfThread(thread);
    if (row < 0)
        return;
    link_down[row] = !is_conn;
    if (is_conn) {
        setButtonState(connect_buttons.at(row), QStringLiteral("Disconnect"), Qt::blue);
    } else {
        setButtonState(connect_buttons.at(row), QStringLiteral("Connect"), Qt::black);
        // Without a link the box cannot be acquiring for this window.
        setButtonState(acquire_buttons.at(row), QStringLiteral("Acquire"), Qt::black);
        setButtonState(status_buttons.at(row), QStringLiteral("Status"), Qt::black);
    }
}

void MainWindow::update_status(Dcct_data data)
{
    const int row = rowOfThread(sender());
    if (row < 0)
        return;
    setCentredText(row, 4, data.name);
    setCentredText(row, 3, data.dcct_des);
    if (link_down.at(row))
        return;

    if (!data.acquiring && rowShowsAcquiring(row)) {
        // Stopped from elsewhere (another link, the box's panel): the row
        // follows as soon as its worker learns of it, and polls again.
        Dcct_thread* thread = thread_list.at(row);
        disconnect(thread, &Dcct_thread::data_updated, this, &MainWindow::update_data);
        setButtonState(acquire_buttons.at(row), QStringLiteral("Acquire"), Qt::black);
        row_time_offset[row] = 0;
        thread->polling = true;
    }

    QPushButton* button = status_buttons.at(row);
    const bool quiet = data.acquiring && data.stream_quiet;
    // A status not read on this connection is no state: the button keeps its
    // first text, and a status that fails poll after poll is said once, by
    // the count it shows on hover. Lines streaming in carry the box's state
    // themselves.
    const bool unread = !data.statusKnown();
    if (quiet)
        button->setToolTip(QStringLiteral("SENTREL acquires, but no samples arrive; its status is polled."));
    else if (unread && data.status_failures > 0)
        button->setToolTip(
            QStringLiteral("SENTREL's status could not be read the last %1 times it was asked.")
                .arg(data.status_failures));
    else
        button->setToolTip(QString());
    if (quiet)
        setButtonState(button, QStringLiteral("No Data"), Qt::red);
    else if (unread)
        setButtonState(button,
                       data.status_failures > 0 ? QStringLiteral("No Status") : QStringLiteral("Status"),
                       data.status_failures > 0 ? Qt::red : Qt::black);
    else if (data.error)
        setButtonState(button, QStringLiteral("Error"), Qt::red);
    else if (data.alarm_active)
        setButtonState(button, QStringLiteral("Alarm"), Qt::blue);
    else if (data.mode_dlog)
        setButtonState(button, QStringLiteral("Data Log"), Qt::black);
    else
        setButtonState(button, QStringLiteral("Scope"), Qt::black);
}
