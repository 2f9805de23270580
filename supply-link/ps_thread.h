#pragma once

// The supply worker: owns the connection to one supply, polls it on a timer,
// runs the tasks that windows post and announces what it read by signals that
// carry copies of the supply-state record.
//
// Windows talk to it only through set_task, set_current, set_voltage,
// get_ps_data and its signals. None of these ever waits for the supply: the
// mutex is held only to move the queue and to copy the record in or out, never
// across a socket wait.

#include "ps_data.h"

#include <QHostAddress>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QThread>

class PS_Comm;
class QEventLoop;
class QTimer;

// One queued unit of work. A task posted without arguments carries one empty text.
struct ps_task {
    int id = 0;
    QStringList params;
};

class ps_thread : public QThread
{
    Q_OBJECT

public:
    // Task ids understood by execute_task.
    enum TaskId {
        TaskOutputOn = 1,
        TaskOutputOff = 2,
        TaskReset = 3,
        TaskReadCurrent = 4,
        TaskReadVoltage = 5,
        TaskReadStatus = 6,
        TaskReadTemperature = 7,
        TaskReadDcLink = 8,
        TaskReadLeakage = 9,
        TaskReadMemory = 16,
        TaskWriteMemory = 17,
        TaskSave = 18,
        TaskSetPassword = 20,
        TaskReadPrivileges = 21,
        TaskReadVersion = 22,
        TaskReadId = 23,
        TaskReboot = 40,
        TaskReadLoopMode = 53,
        TaskReadUpdateMode = 54,
        TaskReadCurrentVoltageStatus = 55,
        TaskReadPMode = 56,
        TaskReadPConnections = 57,
        TaskSync = 257,
        TaskWriteCurrent = 512,
        TaskWriteCurrentRamp = 513,
        TaskWriteVoltage = 514,
        TaskWriteVoltageRamp = 515,
        TaskLoopCurrent = 768,
        TaskLoopVoltage = 769,
        TaskUpdateNormal = 1024,
        TaskUpdateAnalog = 1025,
        TaskWriteTriggerMode = 1026,
        TaskReadTriggerMode = 1027,
        TaskReadLimits = 1028,
        TaskUpdateWaveform = 1029,
        TaskWriteFloatMode = 1030,
        TaskReadFloatMode = 1031,
        TaskReadPolarity = 1280,
        TaskReadEpicsPvName = 1536,
        TaskReadEpicsPvValue = 1537,
        TaskReadEpicsProtocols = 1539,
        TaskReadEpicsDb = 1540,
        TaskWriteEpicsProtocols = 1541,
        TaskWriteEpicsDb = 1542,
        TaskRestoreEpicsDb = 1543,
        TaskRestoreEpicsProtocols = 1544,
        TaskWaveformStart = 1792,
        TaskWaveformStop = 1793,
        TaskWaveformPeriods = 1794,
        TaskWaveformPoints = 1795,
    };

    explicit ps_thread(int task_refresh, QObject* parent = nullptr);
    ~ps_thread() override;

    // Queue a task for the next tick; callable from any thread.
    void set_task(int id);
    void set_task(int id, QString param1);
    void set_task(int id, QString param1, QString param2);

    // Set-point texts (ten decimals) sent by tasks 512/513 and 514/515.
    void set_current(double current);
    void set_voltage(double voltage);

    // Copies the live record.
    void get_ps_data(ps_data& out);

    // The tasks run on every tick when nothing is queued, in order.
    QList<int> pollSet(const QString& capabilities) const;

    // Text of the socket error of the current or last run (empty when there
    // was none), captured by the worker when the error happened. It is the
    // text for the report of the unconnected state that follows the error.
    QString socketErrorString() const;

    // Parses a dotted IPv4 address of four decimal parts 0..255 (leading zeros
    // are decimal, not octal). Returns a null address when the text is not one.
    static QHostAddress parseAddress(const QString& text);

    // Stops a running worker: the exchange in flight ends at its next wait
    // slice, the remaining tasks of the batch are dropped, the socket closes.
    // quit() followed by wait() does the same; this also sets the interruption
    // request so that a stop during the connection wait is seen at once.
    void stop();

    // Connection settings; written by the window while the thread is not running.
    int task_refresh; // timer period, ms
    QString ip_address;
    QString ip_port;
    int wait_time = 0;           // per-wait reply time-out, ms
    int connect_timeout = 10000; // longest wait for the connection, ms

    // Guards task_queue, current_setpoint, voltage_setpoint and ps_response.
    // Never held by the worker across a socket wait.
    mutable QMutex mutex;
    QList<ps_task> task_queue;
    QString current_setpoint;
    QString voltage_setpoint;
    ps_data ps_response;

signals:
    void memory_data_read(int read_cell);
    void memory_data_write(int wrote_cell);
    void status_read(ps_data);
    void current_voltage_status_read(ps_data);
    void temperature_read(ps_data);
    void dc_link_read(ps_data);
    void leakage_current_read(ps_data);
    void version_model_capabilities_read(ps_data);
    void loop_mode_read(ps_data);
    void update_mode_read(ps_data);
    void trigger_mode_read(ps_data);
    void float_mode_read(ps_data);
    void id_read(ps_data);
    void limits_read(ps_data);
    void privileges_read();
    void password_set(int error);
    void void_sync_signal();
    void directPolarityRead();
    void data_ready(ps_data);
    void signalStateChanged(QTcpSocket::SocketState);
    void replyErrorSignal(QString, const int&);
    // The command's answer is not known (no whole reply in time, or not sent
    // while the link was out of step); replyErrorSignal for it follows.
    void commandUnanswered(QString command);
    void EPICS_PV_name_ready(ps_data);
    void EPICS_PV_value_ready(ps_data);
    void EPICS_protocols_ready(ps_data);
    void EPICS_db_ready(ps_data);
    // Declared for the PID pages of the configuration editor; not emitted.
    void PIDCCModeSignal(int mode);
    void PIDCVModeSignal(int mode);
    // A socket error of this run, with the socket's own text (emitted in the
    // worker thread before the socket is closed).
    void socketErrorOccurred(QString errorText);
    // False after a whole poll set in which nothing was answered (a refusal
    // is an answer): what is on the other end does not answer as a supply.
    // True at its next answer.
    // Emitted only on a change; each run starts out taken as answering.
    void supplyAnswering(bool answering);
    // A command that failed earlier in this run has been answered (named as
    // replyErrorSignal names it, without its line end).
    void commandAnsweredAgain(QString command);

public slots:
    void process();
    void connection_tcp_error(QAbstractSocket::SocketError err);

protected:
    void run() override;

protected:
    // Per-run objects, created and deleted by run() in the worker thread.
    // Protected so that a test's subclass can watch their lifetime.
    QTcpSocket* socket = nullptr;
    QTimer* timer = nullptr;
    PS_Comm* comm = nullptr;

private:
    void execute_task(ps_task task);
    bool stopRequested() const;
    bool connectSocket();
    void recordSocketError(const QString& text);
    void endRun();
    void noteFailure(const QString& command, int error);
    void noteAnswer(const QString& command);
    void noteSupplyAnswered();

    ps_data snapshot();
    QString param(const ps_task& task, int index) const;

    QEventLoop* runLoop = nullptr;

    QString socketErrorText; // guarded by mutex

    // What this run's supply answers; touched only in the worker thread.
    int answeredExchanges = 0;
    bool notAnswering = false;
    QSet<QString> failingCommands;
};
