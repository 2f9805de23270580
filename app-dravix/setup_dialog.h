#pragma once

#include "dcct_data.h"
#include "dialog_password.h"
#include "heldvalue.h"

#include <QDialog>
#include <QHash>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace Ui
{
class Setup_dialog;
}

class Dcct_thread;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;

// The set-up window of one SENTREL box: identity, clock and network
// settings, acquisition mode, trigger and alarm, SD card and calibration.
//
// It never talks to the box and never waits for it: every action queues box
// command codes in the row's worker thread, followed by the queries that read
// the changed settings back, and the widgets change only when the worker's
// next status report arrives (update_status_conf_dialog). A file fetched from
// the SD card arrives through update_file_read_dialog.
//
// Every field that a Save or Apply writes back holds a HeldValue: it shows
// the box's value only when the latest query of it on this connection gave
// one the field can show exactly, and an unchanged Save or Apply writes only
// such fields. The window says once which values it keeps.
//
// The source is split by concern: setup_dialog.cpp (construction, refresh,
// progress bar, display, enabling rules, password), setup_held.cpp (the
// fields that are written back, and what the window says of them),
// setup_settings.cpp (General, Acquisition, I/O Alarm and Calibration
// actions), setup_sdcard.cpp (SD card and file saving).
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
    // Fills every field that is written back, and says once which of the
    // box's values they keep (setup_held.cpp).
    void show_held_values(const Dcct_data& data);
    void watch_held_values();
    // Names `held`, just filled, in what the window says once: as not read,
    // or as `cannot` (empty: a value the field shows, said without a word).
    void tell(HeldValue& held, const QString& what, const QString& cannot);
    // A field that shows every answer of the box exactly (a date, a switch, a choice).
    void show_exactly(HeldValue& held, bool read, const QString& text, const QString& shown,
                      const QString& what);
    void show_number(QDoubleSpinBox* box, HeldValue& held, bool read, const QString& text,
                     const QString& what, const QString& unit, const std::function<QString()>& sent);
    void show_whole_number(QSpinBox* box, HeldValue& held, bool read, const QString& text,
                           const QString& what, const QString& unit);
    // What the composite fields send as they stand ("" for a mode not chosen).
    QString mode_arg() const;
    QString channel_digits() const;
    QString trigger_arg() const;
    QString model_arg() const;
    void show_text(QLineEdit* edit, HeldValue& held, bool read, const QString& text, bool takes,
                   const QString& what, const QString& takesWhat);
    void set_file_read_pending(bool pending);
    // The file name of the selected SD listing entry; empty when none is.
    QString selected_sd_file() const;

    // Queues a set code whose argument is text typed by the user; text the
    // box cannot take is refused with a message instead (returns false).
    bool queue_text(int code, const QString& text);
    // Tells what the box answered to the names and descriptions queued by
    // queue_text, once the report that carries the answer comes.
    void show_set_answers(const Dcct_data& data);
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

    // The fields written back, one each, by page. A group of widgets sent as
    // one command (the mode's radio buttons, the channel boxes, the trigger
    // controls, the head model and its serial number) is one field.
    HeldValue held_name, held_date, held_time, held_ip_new, held_mask_new, held_gate_new;
    HeldValue held_mode, held_save_sd, held_channels, held_freq, held_ts, held_pturns;
    HeldValue held_trigger, held_alarm, held_ulim, held_llim;
    HeldValue held_cal, held_gain_pos, held_gain_neg, held_model, held_dcct_des, held_sentrel_des,
        held_mac_new;
    // What the window says of them, gathered while a report is shown.
    KeptValues held_notes;
    // Names and descriptions sent whose answer has not been told yet, by code.
    QHash<int, QString> awaiting_answers;
};
