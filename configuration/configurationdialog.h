#pragma once

#include "configrules.h"
#include "heldvalue.h"
#include "piddialog.h"
#include "ps_data.h"

#include <QBrush>
#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

namespace Ui
{
class ConfigurationDialog;
}

class QDragEnterEvent;
class QDropEvent;
class QCheckBox;
class QLineEdit;
class QSpinBox;
class QTableWidget;
class ps_thread;

// Amperix's configuration window: shows the supply's configuration memory as
// a table of cells (one table per supply family) and, on further pages, the
// settings taken from those cells. It never talks to the supply itself; it
// posts tasks to the supply worker and reacts to the worker's signals.
class ConfigurationDialog : public QDialog
{
    Q_OBJECT

public:
    ConfigurationDialog(ps_thread* thread, QWidget* parent = nullptr);
    ~ConfigurationDialog() override;

    // Re-reads everything the window shows from the supply. The main window
    // calls it right before showing the window.
    void refresh_visualization();

    // The memory table of the family chosen by the last refresh (nullptr
    // before the first one, and after a refresh refused for an unknown family).
    QTableWidget* currentTable() const { return ps_mem_table; }
    QString configFilePath() const { return config_file_path; }
    // The listed PID parameter files, in list order, unavailable ones included.
    QStringList pidJsonFiles() const { return pid_json_files; }
    PIDdialog* pidDialog() const { return pid_dialog; }

    // Checks a PID parameter file and, with `isToApply`, puts its values on the page.
    bool loadPIDConfig(QString fileName, bool isToApply);
    // Lists a PID parameter file (after checking it) and selects it.
    void appendPIDJsonFileToCombobox(QString droppedFile);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void read_mem_field(int index);
    void write_mem_filed(int index);
    void update_privileges_visualization();
    void on_save_ID_button_clicked();
    void update_general_tab();
    void on_save_interlocks_limits_button_clicked();
    void update_interlocks_limits_tab();
    void on_save_PID_button_clicked();
    void update_pid_tab();
    void updatePIDCCMode(int mode);
    void updatePIDCVMode(int mode);
    void refresh_table_parameters();
    void on_save_to_file_button_clicked();
    void on_load_from_file_button_clicked();
    void on_clear_table_button_clicked();
    void on_save_in_ps_memory_button_clicked();
    void read_module_information();
    void update_visualization();
    void on_refresh_button_clicked();
    void on_set_password_button_clicked();
    void password_set_slot(int error);
    void write_access(ps_data data);
    void on_pushButtonPIDCC_clicked();
    void on_pushButtonPIDCV_clicked();
    void on_ConfigurationDialog_finished(int result);
    void showPIDImage(EnumPIDType PIDType, bool isFast);
    void on_checkBoxFastCVLoop_clicked(bool checked);
    void on_checkBoxFastCCLoop_clicked(bool checked);
    void on_pushButtonDefaultPIDLimits_clicked();
    int PCONNECTIONS();
    void on_pushButtonPIDRemoveConfig_clicked();
    void on_pushButtonPIDRemoveAllConfig_clicked();
    void on_pushButtonPIDConfigExport_clicked();
    void on_comboBoxPIDConfig_currentIndexChanged(int index);
    void on_groupBoxJSON_clicked();

private:
    // Replies of one posted batch of reads or writes; the worker answers
    // batches in posting order. Only the refresh and the write-back batches
    // move the progress bar and end the busy state, and only the latest
    // of them: a refresh stops the counting of the ones before it.
    struct Batch {
        bool counted = false;
        int remaining = 0;
    };

    enum class AppendResult { Listed, Unreadable, AlreadyListed };

    ps_data copyData() const;
    void setBusy(bool busy);
    void updateSaveButtons();
    // Says in label_information why the Saves are locked, or nothing.
    void showWhySavesAreLocked();
    // A change of the worker's connection: what the window shows came from
    // an earlier unit, and the old connection's unanswered tasks are gone.
    void forgetUnit(QTcpSocket::SocketState state);
    // True when the window may write to the supply: its pages and table were
    // read from the unit of this connection, which is not in local mode.
    bool mayWrite() const;
    // Why the supply's status locks the Saves (local mode, or no status read
    // on this connection); empty when it does not.
    QString statusLock() const;
    bool jsonMode() const;
    QTableWidget* shownTable() const;
    // The pages' cells follow one rule (HeldValue): a cell not read on this
    // connection shows as not read, one the page cannot show as the supply
    // holds it is held aside, and neither is written by a Save unless the
    // user changed its field.
    void fillText(QLineEdit* edit, int cell, const ps_data& data);
    // What the supply holds now in `cell`: none when its latest read failed.
    static HeldValue::Holding holding(int cell, const ps_data& data);
    // Drops the writes a Save may not make and says, once, which cells it left.
    QList<ConfigRules::CellWrite> keepUnwritable(const QList<ConfigRules::CellWrite>& writes, const ps_data& data,
                                                const QString& title);
    // Says once, after the pages were filled, which cells they keep as the
    // supply holds them (not read, or not shown as read), and which rows of
    // the memory table the refresh could not read.
    void tellKept();
    QString cellPhrase(int cell) const;
    // True, after a box, when a value cannot travel in a command (refuseUnsafe)
    // or is not a number (refuseNotNumber, which lets through a field showing
    // what the supply holds).
    bool refuseUnsafe(const QList<ConfigRules::CellWrite>& writes, const QString& title);
    bool refuseNotNumber(const QList<ConfigRules::CellWrite>& writes, const QString& title);
    // Posts task 17 for each write, as a batch whose replies are not counted.
    void postWrites(const QList<ConfigRules::CellWrite>& writes);
    void postReads(const QList<int>& cells);
    // Says which writes of the last Save to PS Memory the supply refused and
    // which it did not answer, and shows the refused rows as the supply kept them.
    void reportWriteBack();
    bool savePidPage();
    // Loads the list entry the user chose (JSON mode) and writes it to the supply.
    void applyEntry(int index);
    AppendResult appendEntry(const QString& path);
    void listUnavailable(const QString& path);
    void setEntryAvailable(int index);
    void saveConfigFile();
    void loadConfigFile();
    QList<ConfigRules::CellWrite> pidPageWrites() const;
    // The page fields and their cells.
    QList<QPair<int, QLineEdit*>> textCells() const;
    QList<QPair<int, QSpinBox*>> delayCells() const;
    QList<QCheckBox*> enableBoxes() const;
    QList<QCheckBox*> levelBoxes() const;
    // The cells the pages show for `family`.
    QList<int> pageCells(const QString& family) const;

    Ui::ConfigurationDialog* ui;
    PIDdialog* pid_dialog = nullptr;
    ps_thread* thread;
    QTableWidget* ps_mem_table = nullptr;
    int read_count = 0;
    int write_count = 0;
    int privileges_level = 0;
    QBrush writable_brush;
    QBrush locked_brush;
    QString pid_json_name;
    QStringList pid_json_files;
    QString applied_pid_json; // the entry whose PID set was last written to the supply
    QString psm_dir_path;
    QString config_file_path;

    // Entries of the configuration file that failed their check at start-up
    // (a file on a share not mounted yet): kept in the list, marked.
    QStringList unavailable_pid_json_files;
    QList<Batch> read_batches;
    QList<Batch> write_batches;
    QList<ConfigRules::CellWrite> write_back_sent;
    bool write_back_check = false;
    bool busy = false;
    bool local_mode = false;   // the Saves are locked by the supply's status...
    bool status_known = false; // ... which may be one not read yet
    bool loading_config = false;
    bool config_unsaved = false; // the last save of the configuration file failed
    bool unit_table_read = false;   // this connection's latest refresh has all its replies
    bool unit_data_current = false; // ... and the pages were filled after it

    bool refreshing = false;      // a refresh is posted and its pages are not filled yet
    bool refresh_stopped = false; // a connection change ended a refresh
    bool family_unknown = false;  // the last refresh was refused: the model was not read yet
    QString table_family;     // family the current table was chosen for
    QString interlock_family; // family the interlock page was filled for
    bool interlock_filled = false;
    // What each page cell's field knows of the supply's value, by cell number.
    HeldValue held_cells[ps_data::memory_size];
    // What each memory-table row knows of its cell, for what the window says
    // of the rows not read; the write-back compares the table with the
    // worker's memory list itself.
    HeldValue held_rows[ps_data::memory_size];
};
