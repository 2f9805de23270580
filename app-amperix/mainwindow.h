#pragma once

#include "ps_data.h"
#include "repeatedfailures.h"

#include <QMainWindow>
#include <QSet>
#include <QString>
#include <QTcpSocket>

#include <atomic>

namespace Ui
{
class MainWindow;
}

class ps_thread;
class ErrorCodes;
class QLabel;
class SetIpDialog;
class ConfigurationDialog;
class FirmwareUpdateDialog;
class FaultDialog;
class SignalGenerator;
class AboutDialog;
class ChangeLog;
class RealTimePlot;
class EPICSDialog;
class ConsoleDialog;
class Updates;

// Amperix's main window. It owns the supply worker and every child window
// for the whole run; the windows reach the supply only through the worker.
//
// The sources are split by concern:
//   mainwindow.cpp            construction, actions, child windows, shutdown
//   mainwindow_connection.cpp connecting, socket state, command errors
//   mainwindow_display.cpp    live readings, status, model and limits
//   mainwindow_controls.cpp   set-points, output buttons, mode selectors
//   mainwindow_firmware.cpp   firmware compatibility check at connect
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The supply worker, for the tool windows that take it from their parent.
    ps_thread* getThread() const { return thread; }

protected:
    bool event(QEvent* e) override;

private slots:
    void openSetIpDialog();
    void connect_button_clicked();
    void openConfigurationDialog();
    void closeConfigurationDialog();
    void openSignalGeneratorDialog();
    void openFirmwareUpgradeDialog();
    void openEPICSDialog();
    void on_on_button_clicked();
    void on_off_button_clicked();
    void on_reset_button_clicked();
    void on_fault_pushButton_clicked();
    void on_set_current_button_clicked();
    void on_ramp_current_button_clicked();
    void on_set_voltage_button_clicked();
    void on_ramp_voltage_button_clicked();
    void on_current_spin_valueChanged(double value);
    void on_voltage_spin_valueChanged(double value);
    void enableMainWindow(bool enable);
    void update_loop_mode(ps_data data);
    void update_upmode(ps_data data);
    void update_model(ps_data data);
    void update_id(ps_data data);
    void update_temperature(ps_data data);
    void update_leakage_current(ps_data data);
    void update_window(ps_data data);
    void update_trigger_mode(ps_data data);
    void update_limits(ps_data data);
    void update_float_mode(ps_data data);
    void slotStateChanged(QTcpSocket::SocketState state);
    void replyError(QString command, int error);
    void on_comboBox_TriggerMode_currentIndexChanged(int index);
    void setPolarity(double value);
    void updateDirectPolarity();
    void on_pushButtonWaveformGenerator_clicked();
    void startThread();
    void stopThread();
    void checkFirmware();
    void on_actionCheck_for_Updates_triggered();
    void on_actionWebsite_Updates_triggered();
    void on_actionAutomatic_Updates_Enabled_changed();
    void on_actionAutomatic_Updates_Enabled_triggered();
    void on_actionConsole_triggered();
    void on_comboBoxFloatMode_currentIndexChanged(int index);
    void on_comboBox_Loop_currentIndexChanged(int index);
    void on_comboBox_Upmode_currentIndexChanged(int index);
    void showSupplyAnswering(bool answering);
    void logAnsweredAgain(QString command);
    void noteUnanswered(QString command);

private:
    void initVariables();
    void createActions();
    // A state report of the worker, tagged with the run that emitted it.
    void handleStateReport(QTcpSocket::SocketState state, int run);
    // The window's side of a closed connection: actions, groups, console.
    void showUnconnected();
    // Says that the supply's status text is no status word; the state shown
    // stays (`kept`: a word of this connection was shown before).
    void reportUnreadableStatus(const QString& status, bool kept);
    // A new connection: nothing of an earlier one is shown or can be sent.
    void showNothingRead();
    // The supply's state is not known: no indication says one, no control that sends is enabled.
    void showStatusUnknown();
    // Writes the counts of failures that repeated and forgets them.
    void endRepeatedFailures();

    static constexpr int statusMessageMs = 2000;

    // The port text handed to the firmware-update dialog with the address.
    // The dialog only logs it: the upload always goes to the supply's own
    // firmware port, 13192, whichever command port the user connects to.
    static inline const QString firmwareDialogPortText = QStringLiteral("10001");

    QString ip;
    QString port;
    QString data_refresh;
    QString socket_wait;
    ps_thread* thread = nullptr;
    ErrorCodes* errorCodes = nullptr;
    Ui::MainWindow* ui = nullptr;
    SetIpDialog* setIpDialog = nullptr;
    ConfigurationDialog* configurationDialog = nullptr;
    FirmwareUpdateDialog* firmwareUpdateDialog = nullptr;
    FaultDialog* faultDialog = nullptr;
    SignalGenerator* signalGenerator = nullptr;
    AboutDialog* aboutDialog = nullptr;
    ChangeLog* changeLog = nullptr;
    RealTimePlot* realTimePlot = nullptr;
    EPICSDialog* epicsDialog = nullptr;
    ConsoleDialog* consoleDialog = nullptr;
    int socketState = 0;
    bool firmwareChecked = false;
    bool firmwareChecked2 = false;
    Updates* updates = nullptr;

    // Counts the worker's runs: reports of a run that has since been stopped
    // and replaced must not act on the new one.
    std::atomic<int> runGeneration{0};
    int errorShownRun = -1; // the run whose socket error has been shown
    // The last status report was unreadable: logged once until a word reads again.
    bool statusUnreadable = false;
    QString statusUnreadableMessage; // what the status bar was last given for it
    // The set-point ranges are this connection's supply's limits.
    bool rangesRead = false;
    // False while the supply answers nothing (a whole poll set unanswered).
    bool supplyAnswers = true;
    QLabel* supplyNotice = nullptr; // says so, in the status bar, while it lasts
    RepeatedFailures repeatedFailures;
    // Commands announced unanswered whose replyError has not come yet.
    QSet<QString> unansweredCommands;
};
