// Main window: construction, actions, child windows and shutdown.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "aboutdialog.h"
#include "amperixsettings.h"
#include "changelog.h"
#include "configurationdialog.h"
#include "consoledialog.h"
#include "deliberateinput.h"
#include "epicsdialog.h"
#include "errorcodes.h"
#include "faultdialog.h"
#include "firmwareupdatedialog.h"
#include "loggers.h"
#include "programinfo.h"
#include "ps_thread.h"
#include "realtimeplot.h"
#include "screenfit.h"
#include "setipdialog.h"
#include "signalgenerator.h"
#include "supplyview.h"
#include "typedinput.h"
#include "updates.h"

#include <QDesktopServices>
#include <QEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

namespace
{
const QString neutralStyle = QString::fromLatin1(SupplyView::neutralStyle);
const QString notConnectedText = QStringLiteral("Connect to the Power Supply first");
} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    mainWindowLogger->trace("MainWindow called");
    ui->setupUi(this);
    fitToScreen(this);
    guardWheel(this);
    keepSentAsShown(this, {ui->set_current_button, ui->ramp_current_button, ui->set_voltage_button,
                           ui->ramp_voltage_button});
    // Each pick in these lists is written to the supply and stored there.
    for (QComboBox* list :
         {ui->comboBox_TriggerMode, ui->comboBox_Upmode, ui->comboBox_Loop, ui->comboBoxFloatMode})
        lockWheel(list);
    initVariables();
    createActions();
    mainWindowLogger->info("Mainwindow initialized");
}

MainWindow::~MainWindow()
{
    mainWindowLogger->trace("~MainWindow called");
    mainWindowLogger->info("Destroying MainWindow and dropping all loggers");
    // The worker must be idle before its object and the windows go away; the
    // exchange in flight is cut short rather than waited for.
    thread->stop();
    endRepeatedFailures();
    delete ui;
    ui = nullptr;
    spdlog::drop_all();
}

void MainWindow::initVariables()
{
    mainWindowLogger->trace("initVariables called");
    mainWindowLogger->debug("Initializing internal variables");

    setWindowTitle(QString::fromUtf8(ProgramInfo::name) + QStringLiteral(" v.") +
                   QString::fromUtf8(ProgramInfo::version));
    qRegisterMetaType<ps_data>("ps_data");
    mainWindowLogger->info("SW_NAME = {}, SW_DATE = {}, SW_VERSION = {}", ProgramInfo::name,
                           ProgramInfo::date, ProgramInfo::version);

    thread = new ps_thread(10, this);
    // Hand the worker the spin boxes' starting values, so a set button pressed
    // before any edit sends 0 rather than an empty argument.
    thread->set_current(ui->current_spin->value());
    thread->set_voltage(ui->voltage_spin->value());

    setIpDialog = new SetIpDialog(this);
    configurationDialog = new ConfigurationDialog(thread, this);
    firmwareUpdateDialog = new FirmwareUpdateDialog(this);
    faultDialog = new FaultDialog(this);
    aboutDialog = new AboutDialog(this);
    changeLog = new ChangeLog(this);
    realTimePlot = new RealTimePlot(this);
    signalGenerator = new SignalGenerator(this);
    epicsDialog = new EPICSDialog(this);
    consoleDialog = new ConsoleDialog(this);

    ip = setIpDialog->get_ip();
    port = setIpDialog->get_port();
    data_refresh = setIpDialog->getRefresh();
    socket_wait = setIpDialog->getTimeout();
    mainWindowLogger->info("Initial IP_Address = {}, IP_Port = {}, data_refresh = {}, wait_socket = {}", ip,
                           port, data_refresh, socket_wait);

    socketState = QAbstractSocket::UnconnectedState;
    enableMainWindow(false);

    errorCodes = new ErrorCodes(this);
    supplyNotice = new QLabel(this);
    supplyNotice->setObjectName(QStringLiteral("supplyNotice"));
    statusBar()->addPermanentWidget(supplyNotice);
    supplyNotice->hide();

    ui->checkBoxDirectPolarity->hide();
    ui->loc_rem_label->setStyleSheet(neutralStyle);
    ui->on_off_label->setStyleSheet(neutralStyle);
    ui->fault_pushButton->setStyleSheet(neutralStyle);
    ui->stackedWidget_Set->setCurrentIndex(0);
    // Index 2 is the supply's waveform update mode: offered, so the selector
    // can show it and choose it, and the waveform page can be reached.
    ui->comboBox_Upmode->addItem(QStringLiteral("Waveform"));
    ui->pushButtonWaveformGenerator->setIcon(QIcon(QStringLiteral(":/Images/Images/SignalGenerator.png")));
    ui->pushButtonWaveformGenerator->setIconSize(ui->pushButtonWaveformGenerator->size());

    // Checking or unchecking fires the action's changed signal, which keeps
    // "Check for Updates..." in step.
    const bool automaticUpdates = Updates::automaticUpdatesEnabled(AmperixSettings::open());
    ui->actionAutomatic_Updates_Enabled->setChecked(automaticUpdates);

    updates = new Updates(this);
    mainWindowLogger->info("Automatic updates enabled = {}", automaticUpdates);
    mainWindowLogger->debug("Completed initialization of internal variables");
}

void MainWindow::createActions()
{
    mainWindowLogger->trace("createActions called");
    mainWindowLogger->debug("Creating actions");

    connect(ui->actionChangelog, &QAction::triggered, changeLog, &QWidget::show);
    connect(ui->actionAbout, &QAction::triggered, aboutDialog, &QWidget::show);
    connect(ui->actionSetIP, &QAction::triggered, this, &MainWindow::openSetIpDialog);
    connect(ui->actionConnection, &QAction::triggered, this, &MainWindow::connect_button_clicked);
    connect(ui->actionConfiguration, &QAction::triggered, this, &MainWindow::openConfigurationDialog);
    connect(configurationDialog, &QDialog::finished, this, &MainWindow::closeConfigurationDialog);
    connect(ui->actionActionFirmwareUpdate, &QAction::triggered, this,
            &MainWindow::openFirmwareUpgradeDialog);

    // The worker emits from its own thread; every slot runs in the GUI thread.
    connect(thread, &ps_thread::current_voltage_status_read, this, &MainWindow::update_window,
            Qt::QueuedConnection);
    connect(thread, &ps_thread::loop_mode_read, this, &MainWindow::update_loop_mode);
    connect(thread, &ps_thread::update_mode_read, this, &MainWindow::update_upmode);
    connect(thread, &ps_thread::float_mode_read, this, &MainWindow::update_float_mode);
    connect(thread, &ps_thread::trigger_mode_read, this, &MainWindow::update_trigger_mode);
    connect(thread, &ps_thread::version_model_capabilities_read, this, &MainWindow::update_model);
    connect(thread, &ps_thread::id_read, this, &MainWindow::update_id);
    connect(thread, &ps_thread::temperature_read, this, &MainWindow::update_temperature);
    connect(thread, &ps_thread::leakage_current_read, this, &MainWindow::update_leakage_current);
    connect(thread, &ps_thread::limits_read, this, &MainWindow::update_limits);
    connect(thread, &ps_thread::commandUnanswered, this, &MainWindow::noteUnanswered);
    connect(thread, &ps_thread::replyErrorSignal, this, &MainWindow::replyError);
    connect(thread, &ps_thread::commandAnsweredAgain, this, &MainWindow::logAnsweredAgain);
    connect(thread, &ps_thread::supplyAnswering, this, &MainWindow::showSupplyAnswering);
    // State reports are tagged, in the worker's thread as they are emitted,
    // with the run that emits them, and handled queued like the others.
    connect(
        thread, &ps_thread::signalStateChanged, this,
        [this](QTcpSocket::SocketState state) {
            const int run = runGeneration;
            QMetaObject::invokeMethod(
                this, [this, state, run] { handleStateReport(state, run); }, Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    connect(thread, &ps_thread::directPolarityRead, this, &MainWindow::updateDirectPolarity);
}

bool MainWindow::event(QEvent* e)
{
    const bool result = QMainWindow::event(e);

    // The start-up update check waits for the second paint, when the window
    // is really on screen, and runs once per process.
    static int paintCount = 0;
    static bool done = false;
    if (done)
        return result;
    if (e->type() == QEvent::Paint) {
        if (paintCount == 1) {
            done = true;
            paintCount = 2;
            // Just after this paint rather than inside it: the check may
            // open a box, whose modal loop must not run within a paint.
            QTimer::singleShot(0, this, [this] {
                updates->checkUpdates(ui->actionAutomatic_Updates_Enabled->isChecked(), true);
            });
        } else {
            ++paintCount;
        }
    }
    return result;
}

void MainWindow::openConfigurationDialog()
{
    mainWindowLogger->trace("openConfigurationDialog called");
    if (socketState == QAbstractSocket::ConnectedState) {
        configurationDialog->refresh_visualization();
        configurationDialog->setWindowFlags(configurationDialog->windowFlags() | Qt::Tool);
        configurationDialog->show();
    } else {
        QMessageBox::warning(this, QStringLiteral("Configuration Dialog"), notConnectedText, QMessageBox::Ok);
    }
}

void MainWindow::closeConfigurationDialog()
{
    mainWindowLogger->trace("closeConfigurationDialog called");
    // Re-read the module identifier, which the editor may have changed.
    thread->set_task(ps_thread::TaskReadId);
}

void MainWindow::openEPICSDialog()
{
    mainWindowLogger->trace("openEPICSDialog called");
    if (socketState == QAbstractSocket::ConnectedState)
        epicsDialog->exec();
    else
        QMessageBox::warning(this, QStringLiteral("Configuration Dialog"), notConnectedText, QMessageBox::Ok);
}

void MainWindow::on_fault_pushButton_clicked()
{
    mainWindowLogger->trace("on_fault_pushButton_clicked called");
    if (socketState == QAbstractSocket::ConnectedState)
        faultDialog->show();
}

void MainWindow::on_pushButtonWaveformGenerator_clicked()
{
    mainWindowLogger->trace("on_pushButtonWaveformGenerator_clicked called");
    openSignalGeneratorDialog();
}

void MainWindow::openSignalGeneratorDialog()
{
    mainWindowLogger->trace("openSignalGeneratorDialog called");
    const QString title = QStringLiteral("Signal Generator Dialog");
    if (socketState != QAbstractSocket::ConnectedState) {
        QMessageBox::warning(this, title, notConnectedText, QMessageBox::Ok);
        return;
    }
    ps_data live;
    thread->get_ps_data(live);
    if (live.status_flags & 0x1u)
        signalGenerator->show();
    else
        QMessageBox::warning(this, title, QStringLiteral("Switch ON the Power Supply first"),
                             QMessageBox::Ok);
}

void MainWindow::openFirmwareUpgradeDialog()
{
    mainWindowLogger->trace("openFirmwareUpgradeDialog called");
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Warning"));
    box.setText(QStringLiteral("Warning"));
    box.setInformativeText(QStringLiteral("Before continuing with the Firmware Update, please ") +
                           QStringLiteral("verify that your Power Module Output is Disabled (OFF state)"));
    box.setIcon(QMessageBox::Warning);
    box.addButton(QStringLiteral("Abort"), QMessageBox::NoRole);
    QPushButton* continueButton = box.addButton(QStringLiteral("Continue"), QMessageBox::YesRole);
    box.exec();
    if (box.clickedButton() != continueButton)
        return;
    firmwareUpdateDialog->prepare_dialog(ip, firmwareDialogPortText);
    firmwareUpdateDialog->exec();
}

void MainWindow::on_actionConsole_triggered()
{
    mainWindowLogger->trace("on_actionConsole_triggered called");
    consoleDialog->connectToServer(ip, port, socket_wait.toInt());
}

void MainWindow::on_actionCheck_for_Updates_triggered()
{
    mainWindowLogger->trace("on_actionCheck_for_Updates_triggered called");
    updates->checkUpdates(ui->actionAutomatic_Updates_Enabled->isChecked(), false);
}

void MainWindow::on_actionWebsite_Updates_triggered()
{
    mainWindowLogger->trace("on_actionWebsite_Updates_triggered called");
    QDesktopServices::openUrl(QUrl(QString::fromUtf8(ProgramInfo::websiteUpdatesUrl)));
}

void MainWindow::on_actionAutomatic_Updates_Enabled_changed()
{
    mainWindowLogger->trace("on_actionAutomatic_Updates_Enabled_changed called");
    ui->actionCheck_for_Updates->setEnabled(ui->actionAutomatic_Updates_Enabled->isChecked());
}

void MainWindow::on_actionAutomatic_Updates_Enabled_triggered()
{
    mainWindowLogger->trace("on_actionAutomatic_Updates_Enabled_triggered called");
    const bool enabled = ui->actionAutomatic_Updates_Enabled->isChecked();
    QSettings settings = AmperixSettings::open();
    Updates::setAutomaticUpdatesEnabled(settings, enabled);
    mainWindowLogger->debug("automaticUpdatesEnabled = {}", enabled);
}
