// Dcct_thread: the tick, the box command table and the acquisition stream.

#include "dcct_thread.h"

#include "box_commands.h"
#include "box_protocol.h"
#include "command.h"

#include <QDebug>
#include <QMutexLocker>
#include <QTimer>

bool Dcct_thread::streaming() const
{
    return data.acquiring && data.printing;
}

int Dcct_thread::exchange(const QString& text, bool query)
{
    if (!streaming())
        return command->send(text);
    // While the box streams its answer arrives among data lines; those lines
    // are samples like any other and go to the plot.
    const int result = command->send_during_stream(text, query);
    if (!command->stream_counter.isEmpty())
        acquire_current();
    return result;
}

int Dcct_thread::exchange_starting_stream(const QString& text)
{
    if (streaming())
        return exchange(text);
    return command->send_starting_stream(text);
}

void Dcct_thread::process()
{
    // Once a stop is asked for, no further exchange starts: the run ends as
    // soon as its event loop looks at the quit.
    if (link_down || !command || isInterruptionRequested())
        return;

    const bool wasStreaming = streaming();
    Queued next;
    bool quietPoll = false;
    if (wasStreaming) {
        if (command->read_stream())
            acquire_current();
        const bool quiet = stream_went_quiet();
        QMutexLocker lock(&mutex);
        if (codes.isEmpty()) {
            // A box that stopped, or streams to another link only, sends no
            // lines here: its status is polled as when idle, so the row
            // learns what the box does.
            if (!quiet || ++quiet_ticks % 3 != 0)
                return;
            next = Queued{80, QString(), false};
            quietPoll = true;
        } else {
            const int front = codes.first().code;
            if (front != 3 && front != 16) {
                // Only acquisition and printing on/off are taken while streaming.
                codes.clear();
                return;
            }
            next = codes.takeFirst();
        }
    } else {
        bool report = false;
        bool have = false;
        {
            QMutexLocker lock(&mutex);
            if (!codes.isEmpty()) {
                next = codes.takeFirst();
                have = true;
            } else if (status_pending) {
                status_pending = false;
                report = true;
            }
        }
        if (!have) {
            if (report)
                emit_status();
            else if (polling)
                enqueue(80);
            return;
        }
    }

    run_code(next);

    if (!streaming() && (wasStreaming || !command->stream_counter.isEmpty())) {
        // Whatever the box still had in flight belongs to the finished run
        // (or to a start the box refused).
        command->reset_stream();
    } else if (!wasStreaming && streaming()) {
        // Lines that came with the start acknowledgement are the first samples.
        if (!command->stream_counter.isEmpty())
            acquire_current();
    }
    if (!streaming())
        end_stream_watch();
    if (quietPoll)
        emit_status();
    link_up();
}

bool Dcct_thread::stream_went_quiet()
{
    if (!stream_clock.isValid())
        stream_clock.start();
    double limit = stream_quiet_ms;
    double freq;
    if (parseBoxNumber(data.freq, &freq) && freq > 0)
        limit = qMax(limit, 3000.0 / freq);
    const bool quiet = double(stream_clock.elapsed()) > limit;
    Dcct_data copy;
    {
        QMutexLocker lock(&mutex);
        if (data.stream_quiet == quiet)
            return quiet;
        data.stream_quiet = quiet;
        copy = data;
    }
    quiet_ticks = 0;
    emit status_updated(copy);
    return quiet;
}

void Dcct_thread::end_stream_watch()
{
    if (!stream_clock.isValid())
        return;
    stream_clock.invalidate();
    QMutexLocker lock(&mutex);
    data.stream_quiet = false;
}

void Dcct_thread::note_read(int code, bool read)
{
    if (read)
        data.read_codes.insert(code);
    else
        data.read_codes.remove(code);
}

void Dcct_thread::query_text(int code, const QString& text, QString Dcct_data::*field)
{
    const bool answered = exchange(text, true) == Command::Value;
    QMutexLocker lock(&mutex);
    if (answered)
        data.*field = command->reply;
    note_read(code, answered);
}

void Dcct_thread::query_value(int code, const QString& text,
                              const std::function<bool(Dcct_data&, const QString&)>& apply)
{
    const bool answered = exchange(text, true) == Command::Value;
    QMutexLocker lock(&mutex);
    note_read(code, answered && apply(data, command->reply));
}

void Dcct_thread::send_paused(const QString& text)
{
    const bool ticking = timer && timer->isActive();
    if (timer)
        timer->stop();
    exchange(text);
    if (ticking && !link_down)
        timer->start(interval_ms);
}

void Dcct_thread::run_code(const Queued& q)
{
    const BoxCommandInfo* info = findBoxCommand(q.code);
    if (!info)
        return;
    // A set code needs its argument; without one there is nothing to send.
    if (info->kind == BoxCommandKind::Set && !q.has_arg)
        return;
    const QString text = boxCommandText(*info, q.arg);
    // A line break inside the argument would reach the box as a second command.
    if (!isSendable(text))
        return;

    auto contains = [](const char* what) {
        return [what](const QString& r) { return r.contains(QLatin1String(what)); };
    };
    auto text_of = [&](QString Dcct_data::*field) { query_text(q.code, text, field); };
    // A flag query: any value the box gives decides the flag.
    auto flag_of = [&](const std::function<void(Dcct_data&, const QString&)>& apply) {
        query_value(q.code, text, [&](Dcct_data& d, const QString& r) {
            apply(d, r);
            return true;
        });
    };

    switch (q.code) {
    case 0:
        flag_of([&](Dcct_data& d, const QString& r) { d.mode_dlog = contains("DLOG")(r); });
        break;
    case 3:
        set_acquisition(text, q.arg.contains(QLatin1String("ON"), Qt::CaseInsensitive));
        break;
    case 4: {
        if (data.trigger_in)
            break; // a slave takes its readings from the trigger, not on request
        const bool ticking = timer && timer->isActive();
        if (timer)
            timer->stop();
        query_value(q.code, text,
                    [](Dcct_data& d, const QString& r) { return parseBoxNumber(r, &d.current); });
        if (ticking && !link_down)
            timer->start(interval_ms);
        break;
    }
    case 5:
        text_of(&Dcct_data::freq);
        break;
    case 7:
        text_of(&Dcct_data::ts);
        break;
    case 16:
        set_printing(text, q.arg.contains(QLatin1String("ON"), Qt::CaseInsensitive));
        break;
    case 17:
        flag_of([&](Dcct_data& d, const QString& r) { d.save_sd = contains("ON")(r); });
        break;
    case 32:
        text_of(&Dcct_data::pturns);
        break;
    case 34:
        flag_of([&](Dcct_data& d, const QString& r) { d.cal_on = contains("ON")(r); });
        break;
    case 36:
        flag_of([&](Dcct_data& d, const QString& r) { d.alarm_enabled = contains("ON")(r); });
        break;
    case 39:
        text_of(&Dcct_data::alarm_ulim);
        break;
    case 40:
        text_of(&Dcct_data::alarm_llim);
        break;
    case 49:
        flag_of([&](Dcct_data& d, const QString& r) {
            d.trigger_in = contains("IN")(r);
            d.trigger_out = contains("OUT")(r);
        });
        break;
    case 53:
        query_value(q.code, text, [](Dcct_data& d, const QString& r) {
            const int layout = decodeAcqChannels(r, -1);
            if (layout >= 0)
                d.line_layout = layout;
            return layout >= 0;
        });
        command->line_layout = data.line_layout;
        break;
    case 65:
        text_of(&Dcct_data::adc_reading);
        break;
    case 67:
        query_value(q.code, text, [](Dcct_data& d, const QString& r) {
            d.fw_version = decodeFirmwareVersion(r);
            return true;
        });
        break;
    case 69:
        query_value(q.code, text, [](Dcct_data& d, const QString& r) { return decodeBoxTime(r, &d.time); });
        break;
    case 71:
        query_value(q.code, text, [](Dcct_data& d, const QString& r) { return decodeBoxDate(r, &d.date); });
        break;
    case 73:
        text_of(&Dcct_data::name);
        break;
    case 80:
        read_status_word();
        break;
    case 82:
        read_error_word();
        break;
    case 96:
        read_sd_listing();
        break;
    case 97:
        read_sd_file(text);
        break;
    case 101: {
        const bool ok = exchange(text) == Command::Ack;
        QMutexLocker lock(&mutex);
        data.sd_mounted = ok;
        data.sd_state = ok ? QStringLiteral("Mounted") : QStringLiteral("Mounting Fail (Is SD present?)");
        break;
    }
    case 102: {
        const bool ok = exchange(text) == Command::Ack;
        QMutexLocker lock(&mutex);
        if (ok)
            data.sd_mounted = false;
        data.sd_state = ok ? QStringLiteral("Unmounted") : QStringLiteral("Unmounting Fail");
        break;
    }
    case 103:
        flag_of([&](Dcct_data& d, const QString& r) { d.sd_mounted = !contains("UNMOUNT")(r); });
        break;
    case 113:
        flag_of([&](Dcct_data& d, const QString& r) { d.err_head_match = !contains("TRUE")(r); });
        break;
    case 117:
        text_of(&Dcct_data::offset);
        break;
    case 118:
    case 120:
        send_paused(text);
        break;
    case 121:
        qDebug().noquote() << text;
        send_paused(text);
        break;
    case 130:
        text_of(&Dcct_data::gain_pos);
        break;
    case 131:
        text_of(&Dcct_data::gain_neg);
        break;
    case 133:
        text_of(&Dcct_data::box_sn);
        break;
    case 134:
        text_of(&Dcct_data::box_des);
        break;
    case 136:
        text_of(&Dcct_data::ip);
        break;
    case 144:
        text_of(&Dcct_data::mask);
        break;
    case 146:
        text_of(&Dcct_data::gate);
        break;
    case 148:
        text_of(&Dcct_data::mac);
        break;
    case 256:
        text_of(&Dcct_data::dcct_sn);
        break;
    case 257:
        text_of(&Dcct_data::dcct_des);
        break;
    case 258:
        text_of(&Dcct_data::dcct_model);
        break;
    case 262:
        text_of(&Dcct_data::ip_new);
        break;
    case 264:
        text_of(&Dcct_data::mask_new);
        break;
    case 272:
        text_of(&Dcct_data::gate_new);
        break;
    case 274:
        text_of(&Dcct_data::mac_new);
        break;
    default: {
        // Set codes and actions whose reply the record does not hold; the
        // window that queued one may look its answer up.
        const int result = exchange(text);
        QMutexLocker lock(&mutex);
        data.set_results.insert(q.code, result);
        break;
    }
    }
}

void Dcct_thread::set_acquisition(const QString& text, bool on)
{
    if (!on) {
        if (exchange(text) != Command::Ack)
            return;
        QMutexLocker lock(&mutex);
        data.acquiring = false;
        for (QVector<double>* v :
             {&data.current_a, &data.head_t_a, &data.ext_t_a, &data.time_a, &data.adc_t_a, &data.current_b,
              &data.head_t_b, &data.ext_t_b, &data.time_b, &data.adc_t_b})
            v->clear();
        return;
    }
    // A start may make the box stream at once, with lines next to its answer,
    // also when the record does not know that printing is on.
    const int result = exchange_starting_stream(text);
    if (result == Command::Ack) {
        QMutexLocker lock(&mutex);
        data.acquiring = true;
    }
    // Whether the box acquires and streams to this link is what it answered.
    // When the start, or the printing before it, went unanswered, its status
    // word says (a query only, read among stream lines should it stream).
    if (!link_down &&
        (result == Command::NoReply || (result == Command::Ack && !data.printing && printing_unconfirmed)))
        confirm_by_status();
    Dcct_data copy;
    {
        QMutexLocker lock(&mutex);
        if (data.acquiring)
            codes.clear(); // what was queued behind the start is dropped
        copy = data;
    }
    emit sentrel_start_acquire(copy);
}

void Dcct_thread::set_printing(const QString& text, bool on)
{
    const int result = on && data.acquiring ? exchange_starting_stream(text) : exchange(text);
    printing_unconfirmed = on && result == Command::NoReply;
    if (result != Command::Ack)
        return;
    QMutexLocker lock(&mutex);
    data.printing = on;
}

void Dcct_thread::confirm_by_status()
{
    const bool answered = command->send_during_stream(QStringLiteral("status:?"), true) == Command::Value;
    QMutexLocker lock(&mutex);
    const bool decoded = answered && decodeStatusWord(command->reply, &data);
    if (decoded) {
        command->line_layout = data.line_layout;
        printing_unconfirmed = false;
    }
    note_read(80, decoded);
}

void Dcct_thread::read_status_word()
{
    bool started = false;
    const bool answered = exchange(QStringLiteral("status:?"), true) == Command::Value;
    {
        QMutexLocker lock(&mutex);
        const bool was = data.acquiring;
        const bool decoded = answered && decodeStatusWord(command->reply, &data);
        if (decoded) {
            command->line_layout = data.line_layout;
            printing_unconfirmed = false;
        }
        note_read(80, decoded);
        // A status that cannot be read on poll after poll is counted, so a
        // window says so once, with the count, rather than at every poll.
        data.status_failures = decoded ? 0 : data.status_failures + 1;
        started = !was && data.acquiring;
        if (was && !data.acquiring) {
            // Stopped from elsewhere (another link, the box's panel): the
            // next start fills empty halves, as after a stop sent from here.
            for (QVector<double>* v :
                 {&data.current_a, &data.head_t_a, &data.ext_t_a, &data.time_a, &data.adc_t_a,
                  &data.current_b, &data.head_t_b, &data.ext_t_b, &data.time_b, &data.adc_t_b})
                v->clear();
        }
    }
    if (data.error && !link_down)
        read_error_word();
    if (started && !link_down) {
        // Started from elsewhere: told to the windows as for a box found
        // acquiring at connection, with the frequency its samples are timed by.
        query_text(5, QStringLiteral("freq:?"), &Dcct_data::freq);
        const Dcct_data copy = data_snapshot();
        emit status_updated(copy);
        emit sentrel_is_acquiring(copy);
    }
}

void Dcct_thread::read_error_word()
{
    const bool answered = exchange(QStringLiteral("err:?"), true) == Command::Value;
    QMutexLocker lock(&mutex);
    note_read(82, answered && decodeErrorWord(command->reply, &data));
}

void Dcct_thread::read_sd_listing()
{
    QStringList files;
    QList<double> sizes;
    if (command->send_multiline(QStringLiteral("SD:LS"))) {
        files = sdListingEntries(QString::fromUtf8(command->reply_body));
        for (const QString& file : qAsConst(files)) {
            double size = Dcct_data::sd_size_unknown;
            const QString query = QStringLiteral("SD:SIZE:") + file;
            // A long listing against a slow box takes one reply time-out per
            // file: a stop asked for meanwhile ends it here.
            if (isInterruptionRequested())
                break;
            if (!link_down && isSendable(query) && command->send(query) == Command::Value) {
                double v;
                if (parseBoxNumber(command->reply.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty), &v))
                    size = v;
            }
            sizes.append(size);
        }
        while (sizes.size() < files.size())
            sizes.append(Dcct_data::sd_size_unknown);
    }
    QMutexLocker lock(&mutex);
    data.sd_files = files;
    data.sd_sizes = sizes;
}

void Dcct_thread::read_sd_file(const QString& text)
{
    const bool ticking = timer && timer->isActive();
    if (timer)
        timer->stop();
    {
        QMutexLocker lock(&mutex);
        data.file_lines.clear();
        data.file_read_ok = false;
    }
    const bool ok = command->send_multiline(text);
    Dcct_data copy;
    {
        QMutexLocker lock(&mutex);
        if (ok)
            data.file_lines = command->reply_chunks;
        data.file_read_ok = ok;
        copy = data;
    }
    command->reply_chunks.clear();
    command->reply_body.clear();
    emit file_read(copy);
    if (ticking && !link_down)
        timer->start(interval_ms);
}

void Dcct_thread::acquire_current()
{
    if (!command)
        return;
    const int layout = command->line_layout;
    const int n = command->stream_counter.size();
    QVector<Dcct_data> blocks;
    bool resumed = false;
    Dcct_data copy;
    {
        QMutexLocker lock(&mutex);
        if (n > 0) {
            stream_clock.start();
            resumed = data.stream_quiet;
            data.stream_quiet = false;
        }
        if (command->stream_flags >= 0)
            decodeStreamFlags(command->stream_flags, &data);
        const double freq = sampleFrequency(data.freq);
        int head = 0, ext = 0, adc = 0;
        for (int i = 0; i < n; ++i) {
            QVector<double>* time = data.buf_select ? &data.time_b : &data.time_a;
            if (time->size() >= 5) {
                data.buf_select = !data.buf_select;
                blocks.append(data);
                if (data.buf_select) {
                    data.time_b.clear();
                    data.current_b.clear();
                    data.head_t_b.clear();
                    data.ext_t_b.clear();
                    data.adc_t_b.clear();
                } else {
                    data.time_a.clear();
                    data.current_a.clear();
                    data.head_t_a.clear();
                    data.ext_t_a.clear();
                    data.adc_t_a.clear();
                }
                time = data.buf_select ? &data.time_b : &data.time_a;
            }
            const bool b = data.buf_select;
            time->append(sampleTime(command->stream_counter.at(i), freq));
            const double current = command->stream_current.at(i);
            (b ? data.current_b : data.current_a).append(current);
            data.current = current;
            // A temperature only when the line carried it: the layout may
            // have changed since the lines were taken.
            if ((layout & 4) && head < command->stream_head_t.size()) {
                data.head_t = command->stream_head_t.at(head++);
                (b ? data.head_t_b : data.head_t_a).append(data.head_t);
            }
            if ((layout & 2) && ext < command->stream_ext_t.size()) {
                data.ext_t = command->stream_ext_t.at(ext++);
                (b ? data.ext_t_b : data.ext_t_a).append(data.ext_t);
            }
            if ((layout & 1) && adc < command->stream_adc_t.size()) {
                data.adc_t = command->stream_adc_t.at(adc++);
                (b ? data.adc_t_b : data.adc_t_a).append(data.adc_t);
            }
        }
        if (resumed && blocks.isEmpty())
            copy = data;
    }
    command->clear_stream_lists();
    for (const Dcct_data& block : qAsConst(blocks)) {
        emit data_updated(block);
        emit status_updated(block);
    }
    // A stream that was quiet says at once that lines come again.
    if (resumed && blocks.isEmpty())
        emit status_updated(copy);
}
