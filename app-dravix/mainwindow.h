#pragma once

#include "dcct_data.h"

#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

namespace Ui
{
class MainWindow;
}

class AboutDialog;
class ChangeLog;
class ColumnShare;
class Dcct_thread;
class Dialog_status;
class Monitor;
class New_connection_dialog;
class QCPGraph;
class QCPRange;
class QCustomPlot;
class QDialog;
class QPushButton;
class QTimer;
class Updates;

// The viewer's main window: a table with one row per SENTREL box, each row
// owning the box's worker thread and the buttons that drive it, and above it
// one live plot of every box's current and temperatures.
//
// The source is split by concern: mainwindow.cpp (construction, shutdown,
// menus), mainwindow_rows.cpp (the box table), mainwindow_acquisition.cpp
// (row buttons, acquire-all), mainwindow_plot.cpp (live plot),
// mainwindow_export.cpp (graph export), mainwindow_setup.cpp (set-up dialog).
//
// Box signals are matched to their row by the sending thread; a signal from
// a thread whose row is gone is ignored.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    enum RowButton {
        AddressButton,
        ConnectButton,
        SetupButton,
        StatusButton,
        AcquireButton,
        MonitorButton,
        CancelButton
    };
    enum RowGraph { CurrentGraph, ExternalGraph, HeadGraph, AdcGraph };

    // Adds a box row with the given address, as "Add New" does after an
    // accepted dialog (for scripted runs); returns the new row.
    int addBox(bool is_tcp, const QString& ip, const QString& com_port);

    // A read-only view of the rows, for tests and scripted runs.
    int boxCount() const { return thread_list.size(); }
    Dcct_thread* boxThread(int row) const;
    QPushButton* rowButton(int row, RowButton which) const;
    QCPGraph* rowGraph(int row, RowGraph which) const;
    Monitor* rowMonitor(int row) const;
    Dialog_status* rowStatusWindow(int row) const;
    double rowTimeOffset(int row) const;
    QPushButton* addNewButton() const { return add_button; }
    QPushButton* acquireAllButton() const { return acquire_all_button; }
    QCustomPlot* plot() const;
    New_connection_dialog* connectionDialog() const { return new_connection_dialog; }
    double timeOrigin() const { return x_origin; }
    bool isAcquireAllRunning() const { return acquire_all_running; }

    // How long the window waits, in all, for its box threads to end when it
    // closes; a box busy with a slow reply still gets the time to finish it.
    static constexpr int shutdownWaitMs = 8000;
    // Delay between asking a box to stop streaming and ending its thread.
    static constexpr int quitDelayMs = 90;
    // Delay between a row's removal and the deletion of its thread.
    static constexpr int threadDeleteDelayMs = 500;
    // The acquire-all sequence: the master starts this long after the
    // others, and the result is checked after checkDelayMs.
    static constexpr int masterDelayMs = 90;
    static constexpr int checkDelayMs = 1000;
    // Incoming samples are drawn at most once a frame (25 frames a second),
    // however many boxes stream and however their blocks interleave.
    static constexpr int frameIntervalMs = 40;

    // Whether samples received are still waiting for their frame.
    bool framePending() const;

protected:
    bool event(QEvent* e) override;

private slots:
    void button_add_dcct_clicked();
    void button_connect_clicked();
    void ip_com_port_button_clicked();
    void button_cancel_clicked();
    void button_configure_clicked();
    void button_acquisition_clicked();
    void button_status_clicked();
    void button_acquisition_all_clicked();
    void button_monitor_clicked();
    void monitor_finished();
    void set_connection_state(int error, bool is_conn);
    void update_data(Dcct_data data);
    void update_status(Dcct_data data);
    void sentrel_acquiring(Dcct_data data);
    void acquisition_ON_is_OK(Dcct_data data);
    void check_all_are_acquiring();
    void onXRangeChanged(const QCPRange& range);
    void onYRangeChanged(const QCPRange& range);
    void selectionChanged();
    void mousePress();
    void mouseWheel();
    void contextMenuRequest(QPoint pos);
    void interpolate();
    void save_to_file();
    void moveLegend();
    void auto_scale_xAxis();
    void auto_scale_yAxis();
    void auto_scale_yAxis2();
    void on_actionCheck_for_Updates_triggered();
    void on_actionWebsite_Updates_triggered();
    void on_actionAutomatic_Updates_Enabled_triggered();
    void on_actionAutomatic_Updates_Enabled_changed();

private:
    // The fields of a row's live record that the window reads (under the
    // thread's mutex).
    struct BoxFlags {
        bool acquiring = false;
        bool error = false;
        bool trigger_out = false;
        bool printing = false;
        int line_layout = 0;
        QString name;
    };
    static BoxFlags flagsOf(Dcct_thread* thread);

    // Rows.
    int rowOfThread(const QObject* thread) const;
    int rowOfButton(const QList<QPushButton*>& buttons, const QObject* button) const;
    QPushButton* makeRowButton(int row, int column, const QString& text, void (MainWindow::*slot)());
    int insertBoxRow(bool is_tcp, const QString& ip, const QString& com_port, bool accepted);
    void removeBoxRow(int row);
    void retireThread(Dcct_thread* thread);
    void setCentredText(int row, int column, const QString& text);
    static void setButtonState(QPushButton* button, const QString& text, Qt::GlobalColor colour);
    void shutDown();

    // Row actions.
    int connectedRowOfSender(const QList<QPushButton*>& buttons);
    void toggleConnection(int row);
    // What keeps the row's address from being a connection; empty when usable.
    static QString connectionProblem(const Dcct_thread* thread);
    void waitForRunEnd(int row);
    void toggleAcquisition(int row);
    bool rowShowsAcquiring(int row) const;
    void startAcquireAll();
    void stopAcquireAll();
    void clickAcquireButton(int row, bool wantRunning);
    bool otherRowAcquiring(int row) const;
    void startTimeAxisAt(double origin);
    void runSetupDialog(int row);

    // Plot.
    void setup_plot();
    void makeRowGraphs();
    void show_temperature_graphs(int row);
    void showCurrentGraph(int row);
    void clearRowGraphs(int row);
    void plotBlock(int row, const Dcct_data& data);
    void removeRowGraphs(int row);
    void requestFrame();
    void drawFrame();

    Ui::MainWindow* ui;
    New_connection_dialog* new_connection_dialog;
    ColumnShare* column_share = nullptr;

    QList<Dcct_thread*> thread_list;
    QList<QPushButton*> address_buttons;
    QList<QPushButton*> connect_buttons;
    QList<QPushButton*> setup_buttons;
    QList<QPushButton*> status_buttons;
    QList<QPushButton*> acquire_buttons;
    QList<QPushButton*> monitor_buttons;
    QList<QPushButton*> cancel_buttons;
    QList<Dialog_status*> status_windows;
    QList<Monitor*> monitors;
    QList<QCPGraph*> current_graphs;
    QList<QCPGraph*> ext_graphs;
    QList<QCPGraph*> head_graphs;
    QList<QCPGraph*> adc_graphs;
    QList<double> row_time_offset;
    QList<bool> first_block;
    // Set from a row's disconnect (or a report that its link is down) until
    // the box reports the link up again: the record that closes every run
    // is a reset one and says nothing about the box.
    QList<bool> link_down;

    // Set while the acquire-all sequence clicks a row's acquire button: the
    // way the click goes (start when true).
    std::optional<bool> sequence_wants_running;

    // Threads of removed rows, until they have ended and been deleted.
    QList<QPointer<Dcct_thread>> retired_threads;

    QPushButton* add_button;
    int add_row;
    QPushButton* acquire_all_button;

    double x_origin;
    bool acquire_all_running;
    bool all_acquiring;
    int master_row;
    QList<int> slave_rows;

    AboutDialog* about_window;
    ChangeLog* change_log_window;
    Updates* updates;
    QPointer<QDialog> setup_dialog;

    int paint_events;
    bool shutting_down;

    // The plot's frame clock: the next frame is due frameIntervalMs after
    // the last one drawn.
    QTimer* frame_timer;
    QElapsedTimer last_frame;
};
