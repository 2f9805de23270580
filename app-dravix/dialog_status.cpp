#include "dialog_status.h"
#include "ui_dialog_status.h"

#include "dcct_thread.h"
#include "deliberateinput.h"
#include "screenfit.h"

namespace
{

// The indicators are radio buttons; an auto-exclusive one refuses to be
// unchecked directly, so exclusivity is lifted for the moment of the change.
void setIndicator(QRadioButton* button, bool on, bool known)
{
    // A flag not read on this connection is neither set nor clear.
    button->setEnabled(known);
    button->setToolTip(known ? QString() : QStringLiteral("Not read from SENTREL"));
    on = on && known;
    if (button->isChecked() == on)
        return;
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(on);
    button->setAutoExclusive(exclusive);
}

} // namespace

Dialog_status::Dialog_status(Dcct_thread* thread, QWidget* parent)
    : QDialog(parent), ui(new Ui::Dialog_status), thread(thread)
{
    ui->setupUi(this);
    fitToScreen(this);
    // Return on an indicator must not reach Reset: the window is opened to
    // read the latched flags, which Reset clears.
    keepReturnLocal(this);
}

Dialog_status::~Dialog_status()
{
    delete ui;
}

void Dialog_status::hide_reset_button()
{
    ui->pushButton_reset->hide();
}

void Dialog_status::show_reset_button()
{
    ui->pushButton_reset->show();
}

void Dialog_status::update_data_status_dialog(Dcct_data data)
{
    // The detailed error flags mean something only while the error bit is
    // up, and are known only once the error word was read.
    const bool known = data.statusKnown();
    const bool e = data.error;
    const bool errors = known && (!e || data.wasRead(82));
    setIndicator(ui->radioButton_sd_mount_err, e && data.err_sd_mount, errors);
    setIndicator(ui->radioButton_sd_err, e && data.err_sd, errors);
    setIndicator(ui->radioButton_sd_full, e && data.err_sd_full, errors);
    setIndicator(ui->radioButton_buff_of, e && data.err_buffer_overflow, errors);
    setIndicator(ui->radioButton_head_fault, e && data.err_head_fault, errors);
    setIndicator(ui->radioButton_head_match, e && data.err_head_match, errors);

    setIndicator(ui->radioButton_adc_temp, !data.ready, known);

    setIndicator(ui->radioButton_alarm_up, data.alarm_active && data.alarm_over, known);
    setIndicator(ui->radioButton_alarm_down, data.alarm_active && !data.alarm_over, known);

    setWindowTitle(data.name);
}

void Dialog_status::on_pushButton_reset_clicked()
{
    if (!thread)
        return;
    thread->enqueue(83);                        // err:clr
    thread->enqueue(41, QStringLiteral("CLR")); // alarm:CLR
    thread->enqueue(80);                        // status:? to show the state after the reset
}
