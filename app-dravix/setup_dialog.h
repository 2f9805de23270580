#pragma once

#include "dcct_data.h"
#include "dialog_password.h"

#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <functional>

namespace Ui
{
class Setup_dialog;
}

class Dcct_thread;

// The set-up window of one SENTREL box: identity, clock and network
// settings, acquisition mode, trigger and alarm, SD card and calibration.
//
// It never talks to the box and never waits for it: every action queues box
// command codes in the row's worker thread, followed by the queries that read
// the changed settings back, and the widgets change only when the worker's
// next status report arrives (update_status_conf_dialog). A file fetched from
// the SD card arrives through update_file_read_dialog.
//
// The source is split by concern: setup_dialog.cpp (construction, refresh,
// progress bar, display, enabling rules, password), setup_settings.cpp
// (General, Acquisition, I/O Alarm and Calibration actions), setup_sdcard.cpp
// (SD card and file saving).
class Setup_dialog : public QDialog
{
    Q_OBJECT

public:
    Setup_dialog(Dcct_thread* thread, QWidget* parent = nullptr);
    ~Setup_dialog() override;

    // The dialog's message boxes go through these hooks, so a test or a
    // scripted run can answer them; an empty function opens the real box.
    // (The password dialog and the save-file dialog go through Prompts.)
    using WarningHook = std::function<void(QWidget* parent, const QString& title, const QString& text)>;
    using QuestionHook = std::function<QMessageBox::StandardButton(QWidget* parent, const QString& title,
                                                                   const QString& text)>;
    static void setWarningHook(WarningHook hook);
    static void setQuestionHook(QuestionHook hook);

    // Read-only views for tests and scripted runs.
    bool cardMounted() const { return card_mounted; }
    bool unmountOnApply() const { return unmount_on_apply; }
    bool fileReadPending() const { return file_read_pending; }
    QString pendingFileName() const { return pending_file_name; }
    const QTimer& progressTimer() const { return progress_timer; }
    Dialog_password* passwordDialog() { return &password_dialog; }

public slots:
    void update_status_conf_dialog(Dcct_data data);
    void update_file_read_dialog(Dcct_data data);

private slots:
    void on_pushButton_refresh_clicked();
    void on_pushButton_password_clicked();
    void progress_bar_update();
    void toggle_datalogger(bool);
    void toggle_trigger(bool);
    void toggle_alarm(bool);
    void chack_ts_value();
    void chack_freq_value();
    void ask_for_unmount(bool checked);

    // General
    void on_pushButton_save_name_clicked();
    void on_pushButton_apply_date_clicked();
    void on_pushButton_apply_time_clicked();
    void on_pushButton_apply_ip_clicked();
    // Acquisition
    void on_pushButton_apply_mode_clicked();
    void on_pushButton_apply_pturns_clicked();
    void on_pushButton_read_curr_2_clicked();
    void on_pushButton_zero_offset_2_clicked();
    // I/O Alarm
    void on_pushButton_apply_triger_clicked();
    void on_pushButton_apply_alarm_clicked();
    // Calibration
    void on_pushButton_apply_cal_clicked();
    void on_pushButton_zero_offset_clicked();
    void on_pushButton_apply_gain_pos_clicked();
    void on_pushButton_apply_gain_neg_clicked();
    void on_pushButton_calibrate_pos_clicked();
    void on_pushButton_calibrate_neg_clicked();
    void on_pushButton_read_curr_clicked();
    void on_pushButton_match_clicked();
    void on_pushButton_apply_dcct_model_clicked();
    void on_pushButton_apply_dcct_des_clicked();
    void on_pushButton_apply_sentrel_des_clicked();
    void on_pushButton_apply_mac_clicked();
    void on_pushButton_init_clicked();
    // SD card
    void on_pushButton_SD_mount_unmount_clicked();
    void on_pushButton_SD_list_update_clicked();
    void on_pushButton_SD_delete_clicked();
    void on_pushButton_SD_save_clicked();

private:
    void start_progress(int factor);
    void hide_progress();
    void show_sd_card(const Dcct_data& data);
    void show_head_model(const QString& dcct_model);
    // Notes whether the frequency, sampling-time and alarm-limit fields show
    // exactly what the box holds, and says so once when they cannot.
    void note_held_settings(const Dcct_data& data);
    void watch_held_settings();
    void set_file_read_pending(bool pending);
    // The file name of the selected SD listing entry; empty when none is.
    QString selected_sd_file() const;

    // Queues a set code whose argument is text typed by the user; text the
    // box cannot take is refused with a message instead (returns false).
    bool queue_text(int code, const QString& text);
    // Every text of an action must pass before any of its codes is queued.
    bool check_box_text(const QString& text);

    void warn(const QString& text);
    QMessageBox::StandardButton ask(const QString& text);

    Ui::Setup_dialog* form;
    QTimer progress_timer;
    Dcct_thread* thread;
    Dialog_password password_dialog;
    bool unmount_on_apply;
    bool card_mounted;

    // A file fetch in flight: the name asked for when it was queued (the
    // selection may change before the contents arrive).
    bool file_read_pending;
    QString pending_file_name;
    // The sampling-time warning is open (its own focus change must not
    // raise it a second time).
    bool ts_warning_open;

    // A setting shown in a spin box that may not be able to show it as the
    // box holds it (outside the range, finer than the decimals, or not yet
    // read). Apply rewrites it only when the field shows it exactly or the
    // user changed the field since the last report.
    struct HeldSetting {
        QString held;       // the box's text at the last report
        bool shown = false; // the field shows exactly that value
        bool changed = false;
        QString told; // the held text last said to be out of the field's reach
    };
    HeldSetting held_freq;
    HeldSetting held_ts;
    HeldSetting held_ulim;
    HeldSetting held_llim;
};
