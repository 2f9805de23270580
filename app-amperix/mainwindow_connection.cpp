// Main window: connecting and disconnecting the worker, the socket state it
// reports, and the supply's refusals of single commands.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "configurationdialog.h"
#include "consoledialog.h"
#include "errorcodes.h"
#include "loggers.h"
#include "ps_thread.h"
#include "setipdialog.h"

#include <QMessageBox>
#include <QStatusBar>

namespace
{
const char* socketStateName(int state)
{
    static const char* const names[] = {"UnconnectedState", "HostLookupState", "ConnectingState",
                                        "ConnectedState",   "BoundState",      "ListeningState",
                                        "ClosingState"};
    return state >= 0 && state < 7 ? names[state] : "UnknownState";
}

// One socket-error box at a time: reports handled inside the box's own event
// loop must not stack a second one on top.
bool socketErrorBoxOpen = false;

// What keeps the stored address and port from being a connection; empty when
// they can be one. An empty address reaches here as "0" (the dialog reads
// empty parts as 0).
QString connectionSettingsProblem(const QString& ip, const QString& port)
{
    if (ps_thread::parseAddress(ip).isNull()) {
        if (ip.trimmed().isEmpty() || ip.trimmed() == QLatin1String("0"))
            return QStringLiteral("No supply address is set. Choose one with Set IP.");
        return QStringLiteral(
                   "The supply address \"%1\" is not four numbers from 0 to 255 separated by dots. "
                   "Correct it with Set IP.")
            .arg(ip);
    }
    // Read as the worker reads it.
    bool ok = false;
    const ushort number = port.toUShort(&ok, 10);
    if (!ok || number == 0)
        return QStringLiteral("The port \"%1\" is not a number from 1 to 65535. Correct it with Set IP.")
            .arg(port);
    return QString();
}
} // namespace

void MainWindow::connect_button_clicked()
{
    mainWindowLogger->trace("connect_button_clicked called, socketState = {}", socketState);
    if (socketState == QAbstractSocket::UnconnectedState) {
        mainWindowLogger->debug("socketState = UnconnectedState");
        // Settings that cannot be a connection are named, and nothing is tried.
        const QString problem = connectionSettingsProblem(ip, port);
        if (!problem.isEmpty()) {
            mainWindowLogger->error("Connection settings refused: {}", problem);
            ui->actionConnection->setChecked(false);
            QMessageBox::warning(this, QStringLiteral("Socket connection error"), problem, QMessageBox::Ok);
            return;
        }
        firmwareChecked = false;
        firmwareChecked2 = false;
        startThread();
    } else if (socketState == QAbstractSocket::ConnectedState) {
        mainWindowLogger->debug("socketState = ConnectedState");
        stopThread();
    }
    // While connecting or closing a second press does nothing; the action's
    // check mark is put right by the next state report.
}

void MainWindow::startThread()
{
    mainWindowLogger->trace("startThread called");
    // Callers start only a stopped worker; make sure of it, since its
    // settings are written without the lock.
    if (thread->isRunning())
        thread->stop();
    // A stop-and-restart (the firmware check) may come before the stopped
    // run's last reports were handled; those are dropped from here on, so
    // the window shows the closed connection itself.
    if (socketState != QAbstractSocket::UnconnectedState) {
        socketState = QAbstractSocket::UnconnectedState;
        showUnconnected();
    }
    ++runGeneration;

    thread->task_refresh = data_refresh.toInt() / 2;
    thread->wait_time = socket_wait.toInt();
    thread->ip_address = ip;
    thread->ip_port = port;
    mainWindowLogger->info(
        "Thread is called with task_refresh = {}, wait_time = {}, ip_address = {}, ip_port = {}",
        thread->task_refresh, thread->wait_time, thread->ip_address, thread->ip_port);
    thread->start(QThread::InheritPriority);
}

void MainWindow::stopThread()
{
    mainWindowLogger->trace("stopThread called");
    // Interrupts the exchange in flight, so a stalled supply does not hold
    // the window for a whole batch of reply waits.
    thread->stop();
}

void MainWindow::openSetIpDialog()
{
    mainWindowLogger->trace("openSetIpDialog called");
    if (setIpDialog->exec() != QDialog::Accepted)
        return;
    // Takes effect at the next connection; a running one is left alone.
    ip = setIpDialog->get_ip();
    port = setIpDialog->get_port();
    data_refresh = setIpDialog->getRefresh();
    socket_wait = setIpDialog->getTimeout();
    mainWindowLogger->info(
        "Read data from ui_SetIp, IP_Address = {}, IP_Port = {}, data_refresh = {}, wait_socket = {}", ip,
        port, data_refresh, socket_wait);
}

void MainWindow::enableMainWindow(bool enable)
{
    mainWindowLogger->trace("enableMainWindow called, enable = {}", enable);
    ui->groupBox_Controls->setEnabled(enable);
    ui->groupBox_RegulationMode->setEnabled(enable);
    ui->stackedWidget_Set->setEnabled(enable);
    ui->groupBox_Infos->setEnabled(enable);
    ui->groupBox_Status->setEnabled(enable);
    ui->groupBox_Output->setEnabled(enable);
}

void MainWindow::handleStateReport(QTcpSocket::SocketState state, int run)
{
    if (run != runGeneration) {
        mainWindowLogger->debug("Socket state {} of a stopped connection ignored", socketStateName(state));
        return;
    }
    slotStateChanged(state);
}

void MainWindow::showUnconnected()
{
    ui->actionConnection->setChecked(false);
    ui->actionConfiguration->setEnabled(false);
    ui->actionConsole->setEnabled(false);
    ui->actionSetIP->setEnabled(true);
    ui->actionActionFirmwareUpdate->setEnabled(true);
    consoleDialog->close();
    // The configuration window shows one unit's memory: never a later unit's.
    configurationDialog->close();
    enableMainWindow(false);
    supplyNotice->hide();
    endRepeatedFailures();
}

void MainWindow::slotStateChanged(QTcpSocket::SocketState state)
{
    mainWindowLogger->trace("slotStateChanged called, state = {}", int(state));
    socketState = state;

    // The worker keeps its socket's error text for us, so nothing here
    // touches the socket it is using.
    QString errorText = QStringLiteral("None");
    const QString workerError = thread->socketErrorString();
    if (!workerError.isEmpty())
        errorText = workerError;

    if (state == QAbstractSocket::UnconnectedState) {
        mainWindowLogger->info("Socket state = UnconnectedState, socket error = {}", errorText);
        showUnconnected();
        if (thread->isRunning())
            thread->stop();
        statusBar()->showMessage(QStringLiteral("Socket:Unconnected"), statusMessageMs);
    } else if (state == QAbstractSocket::ConnectedState) {
        mainWindowLogger->info("Socket state = ConnectedState, socket error = {}", errorText);
        ui->actionConnection->setChecked(true);
        ui->actionConfiguration->setEnabled(true);
        ui->actionConsole->setEnabled(true);
        ui->actionSetIP->setEnabled(false);
        ui->actionActionFirmwareUpdate->setEnabled(false);
        enableMainWindow(true);
        // This may be another unit: what the last one said is not its state.
        showNothingRead();
        statusUnreadable = false;
        statusBar()->showMessage(QStringLiteral("Socket:Connected"), statusMessageMs);
    }

    mainWindowLogger->debug("Socket state detected is {}", socketStateName(state));

    // One box per failed connection: the error stays readable for every later
    // report of that run (closing, unconnected), which must not repeat it.
    const int run = runGeneration;
    if (errorText != QLatin1String("None") && !socketErrorBoxOpen && errorShownRun != run) {
        socketErrorBoxOpen = true;
        errorShownRun = run;
        QMessageBox::warning(this, QStringLiteral("Socket connection error"), errorText, QMessageBox::Ok);
        mainWindowLogger->error("Cannot connect to socket, error = {}", errorText);
        socketErrorBoxOpen = false;
    }
}

void MainWindow::replyError(QString command, int error)
{
    // Commands are reported as they went out, with their line end.
    while (command.endsWith(QLatin1Char('\r')) || command.endsWith(QLatin1Char('\n')))
        command.chop(1);
    mainWindowLogger->trace("replyError called, command = {}, error = {}", command, error);
    // The supply's code table has no entry for silence; a command whose
    // answer is not known says so, whatever its result number.
    const bool noReply = unansweredCommands.remove(command) > 0 || error == -2;
    const QString message = noReply ? QStringLiteral("No reply from the supply") : errorCodes->message(error);
    const QString line = QStringLiteral("Command ") + command + QStringLiteral(", ") + message;
    // A failure that comes back on every poll is written once; its count
    // follows when it ends.
    QStringList ended;
    const bool first = repeatedFailures.failed(command, error, line, &ended);
    for (const QString& count : qAsConst(ended))
        mainWindowLogger->error("{}", count);
    if (first)
        mainWindowLogger->error("Command {}, {}", command, message);
    // While nothing is answered, the status bar's notice says it for all.
    if (supplyAnswers)
        statusBar()->showMessage(line, statusMessageMs);
}

void MainWindow::noteUnanswered(QString command)
{
    // Its replyError follows, through the same queue.
    while (command.endsWith(QLatin1Char('\r')) || command.endsWith(QLatin1Char('\n')))
        command.chop(1);
    unansweredCommands.insert(command);
}

void MainWindow::logAnsweredAgain(QString command)
{
    mainWindowLogger->trace("logAnsweredAgain called, command = {}", command);
    const QString count = repeatedFailures.answered(command);
    if (!count.isEmpty())
        mainWindowLogger->error("{}", count);
}

void MainWindow::endRepeatedFailures()
{
    const QStringList counts = repeatedFailures.endAll();
    for (const QString& count : counts)
        mainWindowLogger->error("{}", count);
}
