#pragma once

#include <QByteArrayList>
#include <QDate>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVector>

// Everything Dravix knows about one SENTREL box. A plain value: the box's
// worker thread owns one and hands copies to the windows through queued
// signals (Qt's implicit sharing keeps a copy per signal cheap).
//
// Text fields hold the box's replies as received; the windows convert them
// when they show or edit them.
class Dcct_data
{
public:
    Dcct_data();

    // Puts every field back to its default (as after construction).
    void reset();

    // Marker in `sd_sizes` for a listed file whose size query failed; the
    // entry keeps its place so every size stays paired with its file.
    static constexpr double sd_size_unknown = -1.0;

    // Latest values
    QString adc_reading;
    double current;
    double head_t;
    double ext_t;
    double adc_t;

    // Identity and settings read back from the box
    QString name;
    QString freq;
    QString ts;
    QString box_sn;
    QString box_des;
    QString dcct_sn;
    QString dcct_des;
    QString dcct_model;
    QString alarm_ulim;
    QString alarm_llim;
    QString ip;
    QString mask;
    QString gate;
    QString mac;
    QString ip_new;
    QString mask_new;
    QString gate_new;
    QString mac_new;
    QString fw_version;
    QDate date;
    QTime time;
    QString gain_pos;
    QString gain_neg;
    QString offset;

    // Status flags (status word, error word, stream flags)
    bool alarm_active;
    bool alarm_enabled;
    bool alarm_over;
    bool acquiring;
    bool printing;
    bool save_sd;
    bool trigger_in;
    bool trigger_out;
    bool password_set;
    bool sd_mounted;
    bool mode_dlog;
    int line_layout; // streamed temperatures: bit 2 head, bit 1 external, bit 0 ADC
    bool cal_on;
    bool error;
    bool err_sd_mount;
    bool err_sd;
    bool err_sd_full;
    bool err_head_fault;
    bool err_head_match;
    bool err_buffer_overflow;
    bool ready;
    QString pturns;
    // The box streams, but no sample line has come for longer than the
    // worker waits for one; meanwhile the worker polls the box's status.
    bool stream_quiet;

    // SD card
    QString sd_state;
    QStringList sd_files;  // one file name per entry
    QByteArrayList file_lines; // last file read, as bytes; each entry keeps its own line
                               // break, so writing them one after another gives the file back
    QList<double> sd_sizes; // one per entry of sd_files, sd_size_unknown when not known

    // Sample double buffer: the half named by buf_select is filling, the
    // other one is the complete block a receiver of data_updated reads.
    QVector<double> current_a, head_t_a, ext_t_a, time_a, adc_t_a;
    QVector<double> current_b, head_t_b, ext_t_b, time_b, adc_t_b;
    bool buf_select; // false: half A is filling, true: half B

    // True when the last SD file read (the one file_read carries) arrived
    // complete; false means file_lines must not be offered as the file.
    bool file_read_ok;

    // The query codes whose latest run on this connection gave a value the
    // record holds now. A query that fails (no reply, "NAK", a reply it
    // cannot decode) takes its code out and leaves its field as it was, so a
    // field holds the box's value only while its code is here; a default or
    // an older value is not the box's.
    QSet<int> read_codes;
    bool wasRead(int code) const { return read_codes.contains(code); }
    // The status flags are the box's: its status word was read on this
    // connection, or lines streaming in carry them.
    bool statusKnown() const { return wasRead(80) || (acquiring && printing); }
    // Status reads in a row that failed since the last one that succeeded.
    int status_failures;
    // The answer (Command::Result: 0 none, 1 "ACK", 2 "NAK", 3 a value) to
    // the latest run of each set or action code whose reply no field holds.
    // Queueing a code takes its entry out until it has run, so a window that
    // queued one knows that the answer it finds is that command's own.
    QHash<int, int> set_results;
};

Q_DECLARE_METATYPE(Dcct_data)

// Registers Dcct_data under its own name for queued signal connections.
// Safe to call any number of times from any thread.
void registerDcctDataMetaType();
