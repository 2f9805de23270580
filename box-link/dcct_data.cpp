#include "dcct_data.h"

#include <QMetaType>

Dcct_data::Dcct_data()
{
    reset();
}

void Dcct_data::reset()
{
    adc_reading = QStringLiteral("0");
    current = 0;
    head_t = 0;
    ext_t = 0;
    adc_t = 0;

    const QString dash = QStringLiteral("-");
    const QString zero = QStringLiteral("0");
    name = dash;
    freq = zero;
    ts = zero;
    box_sn = dash;
    box_des = dash;
    dcct_sn = dash;
    dcct_des = dash;
    dcct_model = dash;
    alarm_ulim = zero;
    alarm_llim = zero;
    ip = dash;
    mask = dash;
    gate = dash;
    mac = dash;
    ip_new = dash;
    mask_new = dash;
    gate_new = dash;
    mac_new = dash;
    fw_version = dash;
    date = QDate(1978, 4, 11);
    time = QTime(0, 0, 0, 0);
    gain_pos = zero;
    gain_neg = zero;
    offset = zero;

    alarm_active = false;
    alarm_enabled = false;
    alarm_over = false;
    acquiring = false;
    printing = false;
    save_sd = false;
    trigger_in = false;
    trigger_out = false;
    password_set = false;
    sd_mounted = false;
    mode_dlog = false;
    line_layout = 0;
    cal_on = false;
    error = false;
    err_sd_mount = false;
    err_sd = false;
    err_sd_full = false;
    err_head_fault = false;
    err_head_match = false;
    err_buffer_overflow = false;
    ready = false;
    pturns = QStringLiteral("1");
    stream_quiet = false;

    sd_state = dash;
    sd_files.clear();
    file_lines.clear();
    sd_sizes.clear();

    current_a.clear();
    head_t_a.clear();
    ext_t_a.clear();
    time_a.clear();
    adc_t_a.clear();
    current_b.clear();
    head_t_b.clear();
    ext_t_b.clear();
    time_b.clear();
    adc_t_b.clear();
    buf_select = false;

    file_read_ok = false;
    read_codes.clear();
    status_failures = 0;
    set_results.clear();
}

void registerDcctDataMetaType()
{
    qRegisterMetaType<Dcct_data>("Dcct_data");
}
