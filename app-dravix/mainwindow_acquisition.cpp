// MainWindow: the row buttons (connect, acquire, status, monitor, set-up)
// and the acquire-all sequence with its trigger master.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "dcct_thread.h"
#include "dialog_status.h"
#include "monitor.h"
#include "prompts.h"

#include <QDateTime>
#include <QPushButton>
#include <QTimer>

namespace
{

void connectionError(QWidget* parent)
{
    Prompts::critical(parent, QStringLiteral("Connection Error"), QStringLiteral("Connect to SENTREL first"));
}

} // namespace

void MainWindow::button_connect_clicked()
{
    const int row = rowOfButton(connect_buttons, sender());
    if (row >= 0)
        toggleConnection(row);
}

void MainWindow::toggleConnection(int row)
{
    Dcct_thread* thread = thread_list.at(row);
    if (thread->connected) {
        // Streaming off first, so the box is quiet for the next connection.
        thread->enqueue(16, QStringLiteral("OFF"));
        QTimer::singleShot(quitDelayMs, thread, [thread] {
            // A long exchange (an SD listing) looks for this between its steps.
            thread->requestInterruption();
            thread->quit();
        });
        link_down[row] = true;
        setButtonState(connect_buttons.at(row), QStringLiteral("Connect"), Qt::black);
        waitForRunEnd(row);
        setButtonState(status_buttons.at(row), QStringLiteral("Status"), Qt::black);
        setButtonState(acquire_buttons.at(row), QStringLiteral("Acquire"), Qt::black);
        setCentredText(row, 4, QStringLiteral("-"));
        setCentredText(row, 3, QStringLiteral("-"));
        return;
    }
    const QString problem = connectionProblem(thread);
    if (!problem.isEmpty()) {
        Prompts::critical(this, QStringLiteral("Connection Error"), problem);
        return;
    }
    thread->start();
    thread->polling = true;
}

QString MainWindow::connectionProblem(const Dcct_thread* thread)
{
    if (!thread->is_tcp) {
        if (thread->com_port.trimmed().isEmpty())
            return QStringLiteral(
                "No serial port is set for this SENTREL: choose one with its Address button.");
        return QString();
    }
    if (thread->ip.trimmed().isEmpty())
        return QStringLiteral("No IP address is set for this SENTREL: choose one with its Address button.");
    bool ok = false;
    const uint port = thread->tcp_port.trimmed().toUInt(&ok, 10);
    if (!ok || port < 1 || port > 65535)
        return QStringLiteral("The TCP port \"%1\" of this SENTREL is not a number from 1 to 65535.")
            .arg(thread->tcp_port);
    return QString();
}

void MainWindow::waitForRunEnd(int row)
{
    // A run still waiting for a stalled box's reply ends only after it: the
    // row cannot be connected again before (the end enables the button).
    if (thread_list.at(row)->isRunning())
        connect_buttons.at(row)->setEnabled(false);
}

void MainWindow::button_acquisition_clicked()
{
    const int row = rowOfButton(acquire_buttons, sender());
    if (row >= 0)
        toggleAcquisition(row);
}

void MainWindow::toggleAcquisition(int row)
{
    Dcct_thread* thread = thread_list.at(row);
    if (!thread->connected) {
        connectionError(this);
        return;
    }
    // The button does what it shows: the worker may have learned of a start
    // that the row does not show yet. A click of the acquire-all sequence
    // says itself which way it goes.
    const bool stop = sequence_wants_running ? !*sequence_wants_running : rowShowsAcquiring(row);
    if (stop) {
        disconnect(thread, &Dcct_thread::data_updated, this, &MainWindow::update_data);
        thread->enqueue(3, QStringLiteral("OFF"));
        setButtonState(acquire_buttons.at(row), QStringLiteral("Acquire"), Qt::black);
        row_time_offset[row] = 0;
        thread->polling = true;
        return;
    }
    thread->polling = false;
    // One connection at most: a box that is stopped, disconnected or found
    // acquiring again must never feed the plot twice.
    connect(thread, &Dcct_thread::data_updated, this, &MainWindow::update_data,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
    thread->enqueue(5);
    thread->enqueue(16, QStringLiteral("ON"));
    thread->enqueue(3, QStringLiteral("ON"));
}

bool MainWindow::otherRowAcquiring(int row) const
{
    for (int k = 0; k < thread_list.size(); ++k)
        if (k != row && flagsOf(thread_list.at(k)).acquiring)
            return true;
    return false;
}

void MainWindow::startTimeAxisAt(double origin)
{
    x_origin = origin;
    ui->customPlot->xAxis->setRange(x_origin, x_origin + 60);
}

void MainWindow::acquisition_ON_is_OK(Dcct_data data)
{
    const int row = rowOfThread(sender());
    if (row < 0)
        return;
    Dcct_thread* thread = thread_list.at(row);

    if (!data.acquiring) {
        row_time_offset[row] = 0;
        thread->polling = true;
        Prompts::critical(this, QStringLiteral("Acquisition Error"),
                          QStringLiteral("Check SD-Card if you are saving data on it"));
        return;
    }

    setButtonState(acquire_buttons.at(row), QStringLiteral("STOP ACQ"), Qt::blue);
    clearRowGraphs(row);
    ui->customPlot->replot(QCustomPlot::rpQueuedReplot);
    showCurrentGraph(row);
    if (!otherRowAcquiring(row))
        startTimeAxisAt(double(QDateTime::currentSecsSinceEpoch()));
    first_block[row] = true;
    show_temperature_graphs(row);
    if (!data.printing) {
        // The box acquires but did not confirm that it streams its samples
        // here: the row says what the box does, its status is polled (should
        // it stream after all, the plot follows), and the user is told.
        thread->polling = true;
        Prompts::critical(
            this, QStringLiteral("Acquisition Error"),
            QStringLiteral("SENTREL acquires but does not send its samples: stop the acquisition "
                           "and start it again"));
    }
}

void MainWindow::sentrel_acquiring(Dcct_data data)
{
    const int row = rowOfThread(sender());
    if (row < 0)
        return;
    Dcct_thread* thread = thread_list.at(row);

    clearRowGraphs(row);
    ui->customPlot->replot(QCustomPlot::rpQueuedReplot);
    setCentredText(row, 4, data.name);
    setCentredText(row, 3, data.dcct_des);
    if (!otherRowAcquiring(row))
        startTimeAxisAt(double(QDateTime::currentSecsSinceEpoch()));
    first_block[row] = true;
    connect(thread, &Dcct_thread::data_updated, this, &MainWindow::update_data,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
    if (!data.printing)
        thread->enqueue(16, QStringLiteral("ON"));
    setButtonState(acquire_buttons.at(row), QStringLiteral("STOP ACQ"), Qt::blue);
    showCurrentGraph(row);
    show_temperature_graphs(row);
}

void MainWindow::button_acquisition_all_clicked()
{
    if (all_acquiring)
        stopAcquireAll();
    else
        startAcquireAll();
}

// A click of the row's acquire button, made only when it moves the box the
// wanted way: a start never stops a running box and a stop never starts one.
void MainWindow::clickAcquireButton(int row, bool wantRunning)
{
    if (row < 0 || row >= thread_list.size())
        return;
    if (flagsOf(thread_list.at(row)).acquiring == wantRunning)
        return;
    sequence_wants_running = wantRunning;
    acquire_buttons.at(row)->click();
    sequence_wants_running.reset();
}

bool MainWindow::rowShowsAcquiring(int row) const
{
    return acquire_buttons.at(row)->text() == QLatin1String("STOP ACQ");
}

void MainWindow::startAcquireAll()
{
    master_row = -1;
    slave_rows.clear();
    for (int row = 0; row < thread_list.size(); ++row) {
        Dcct_thread* t = thread_list.at(row);
        const BoxFlags f = flagsOf(t);
        if (t->connected && !f.error && f.trigger_out) {
            master_row = row;
            break;
        }
    }
    if (master_row < 0) {
        Prompts::critical(this, QStringLiteral("Critical Error"),
                          QStringLiteral("None of SENTREL have Trigger output (i.e. is a Master)"));
        return;
    }
    for (int row = 0; row < thread_list.size(); ++row) {
        if (row == master_row)
            continue;
        Dcct_thread* t = thread_list.at(row);
        if (t->connected && !flagsOf(t).error)
            slave_rows.append(row);
    }

    acquire_all_running = true;
    for (int row : qAsConst(slave_rows))
        clickAcquireButton(row, true);
    // The master goes last so that its trigger finds every other box ready.
    QPointer<QPushButton> master = acquire_buttons.at(master_row);
    QTimer::singleShot(masterDelayMs, this, [this, master] {
        if (master)
            clickAcquireButton(rowOfButton(acquire_buttons, master), true);
    });
    QTimer::singleShot(checkDelayMs, this, &MainWindow::check_all_are_acquiring);
}

void MainWindow::stopAcquireAll()
{
    acquire_all_running = false;
    for (int row : qAsConst(slave_rows))
        clickAcquireButton(row, false);
    clickAcquireButton(master_row, false);
    QTimer::singleShot(checkDelayMs, this, &MainWindow::check_all_are_acquiring);
}

void MainWindow::check_all_are_acquiring()
{
    bool all =
        master_row >= 0 && master_row < thread_list.size() && flagsOf(thread_list.at(master_row)).acquiring;
    for (int row : qAsConst(slave_rows))
        all = all && row < thread_list.size() && flagsOf(thread_list.at(row)).acquiring;
    all_acquiring = all;
    // A box that did not start ends the sequence; the rows can be changed
    // again and the next "Acquire All" starts what is missing.
    if (!all_acquiring)
        acquire_all_running = false;
    if (all_acquiring)
        setButtonState(acquire_all_button, QStringLiteral("STOP ALL"), Qt::blue);
    else
        setButtonState(acquire_all_button, QStringLiteral("Acquire All"), Qt::black);
}

// The row of the clicked button among `buttons` when its box is connected;
// -1 otherwise, after telling the user to connect first.
int MainWindow::connectedRowOfSender(const QList<QPushButton*>& buttons)
{
    const int row = rowOfButton(buttons, sender());
    if (row < 0)
        return -1;
    if (!thread_list.at(row)->connected) {
        connectionError(this);
        return -1;
    }
    return row;
}

void MainWindow::button_configure_clicked()
{
    const int row = connectedRowOfSender(setup_buttons);
    if (row < 0)
        return;
    if (flagsOf(thread_list.at(row)).acquiring) {
        Prompts::critical(this, QStringLiteral("Acquiring"), QStringLiteral("SENTREL is acquiring data"));
        return;
    }
    runSetupDialog(row);
}

void MainWindow::button_status_clicked()
{
    const int row = connectedRowOfSender(status_buttons);
    if (row < 0)
        return;
    Dialog_status* window = status_windows.at(row);
    if (flagsOf(thread_list.at(row)).acquiring)
        window->hide_reset_button();
    else
        window->show_reset_button();
    window->show();
    window->raise();
}

void MainWindow::button_monitor_clicked()
{
    const int row = connectedRowOfSender(monitor_buttons);
    if (row < 0)
        return;
    Monitor* monitor = monitors.at(row);
    connect(thread_list.at(row), &Dcct_thread::data_updated, monitor, &Monitor::update_data_mon_dialog,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
    connect(monitor, &QDialog::finished, this, &MainWindow::monitor_finished, Qt::UniqueConnection);
    monitor->show();
}

void MainWindow::monitor_finished()
{
    const int row = monitors.indexOf(qobject_cast<Monitor*>(sender()));
    if (row < 0)
        return;
    Monitor* monitor = monitors.at(row);
    disconnect(thread_list.at(row), &Dcct_thread::data_updated, monitor, &Monitor::update_data_mon_dialog);
    disconnect(monitor, &QDialog::finished, this, &MainWindow::monitor_finished);
}
