#pragma once

// The supply-state record: everything the supply link has learnt about the
// connected supply. A plain value type; copies are independent snapshots.

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

// A reading as the windows show it: fixed notation with `decimals` decimals,
// never "-0". A value with more whole digits than a reading's field holds
// goes in exponent form with as many decimals, and one that is no finite
// number as "out of range", never as "inf" or "nan".
QString readingText(double value, int decimals);

// Running mean over the last `window` samples, maintained incrementally.
class moving_average
{
public:
    explicit moving_average(int window = 1);

    // Feeds one sample given as the supply's text. A text that is not a finite
    // number counts as 0, so a "nan" or "inf" reading cannot poison the mean.
    void add(QString sample);

    // The mean as readingText() shows it.
    QString text(int decimals) const;

    int window;
    bool primed;
    double value;
    QList<double> samples; // the last `window` samples, each already divided by `window`
};

class ps_data
{
public:
    static constexpr int memory_size = 200;

    ps_data();
    ps_data(const ps_data& other);
    ps_data& operator=(const ps_data& other);
    ~ps_data();

    QString status;       // status register as hexadecimal text
    quint32 status_flags; // the last status word read (hexadecimal text); 0 until one is read
    // The last status text is no status word: `status_flags` is then an older
    // word, and nothing may take it for the supply's present state.
    bool status_unreadable;
    // A status word was read on this connection. Until then `status_flags`
    // is no state of this supply, whatever it holds.
    bool status_read;
    QString current;
    QString voltage;
    // Current and voltage were read by the latest "MPLST" (answered, with
    // all its fields). Otherwise the two texts and their means are older
    // readings, or none.
    bool readings_read;
    moving_average current_avg;
    moving_average voltage_avg;
    QString temperature;
    QString dc_link;
    QString leakage_current;
    moving_average temperature_avg;
    moving_average leakage_avg;
    QString trigger_mode;
    QString float_mode;
    QStringList memory; // cells 0..199, always 200 entries
    // Per cell: the latest read of it on this connection succeeded, or the
    // supply took a write of it. A cell not read (or whose read failed) is
    // empty in `memory` and is no value of the supply.
    QList<bool> memory_read;
    // Results of set commands as the worker hands them on (memory writes,
    // the password): 0 taken, n > 0 refused with code n, or one of these.
    static constexpr int other_reply = -1; // a reply that is neither "AK" nor a refusal
    static constexpr int unanswered = -2;  // no reply in time, or not sent: what the supply did is not known
    static constexpr int not_written = -3; // no write of the cell on this connection
    // Per cell, the result of its latest write on this connection. A write
    // the supply may have taken or not leaves the cell not read.
    QList<int> memory_write_result;
    QString version;       // "VER" value after its first ':'
    QString model_text;    // "VER" value before its first ':'
    QString family;        // "KORA-PS-1K5", "KORA-PS-M", "KORA-PS", "ORTX" or "UNDEFINED"
    QString polarity_kind; // "Bipolar", "Monopolar" or "UNDEFINED"
    QString capabilities;  // memory cell 130
    QString id;
    QString privileges;
    QString loop_mode;
    QString update_mode;
    QStringList limits; // always 4 entries, in "MLIMITS:?" reply order
    QString pmode;
    QString pconnections;
    QString polarity;
    QString epics_db;
    QString epics_protocols;
    // The latest read of the file on this connection was answered; a failed
    // one leaves the file's text empty.
    bool epics_db_read = false;
    bool epics_protocols_read = false;
    QString epics_pv_value;
    QString epics_pv_name;
};

Q_DECLARE_METATYPE(ps_data)
