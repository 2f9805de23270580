// Setup_dialog: construction, the configuration refresh, the progress bar,
// the display of a status report, the enabling rules and the password.

#include "setup_dialog.h"
#include "ui_setup_dialog.h"

#include "box_protocol.h"
#include "dcct_thread.h"
#include "deliberateinput.h"
#include "prompts.h"
#include "screenfit.h"
#include "setup_checks.h"
#include "typedinput.h"

#include <QLineEdit>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include <climits>
#include <cmath>

namespace
{

// Display texts of the head models, indexed by model number.
const char* const headModelTexts[] = {
    "VANTO-100 ", "VANTO-150 ", "VANTO-200 ", "VANTO-300 ", "VANTO-400 ", "VANTO-600 ", "VANTO-1000 ",
};
constexpr int headModelCount = int(sizeof(headModelTexts) / sizeof(headModelTexts[0]));

// The queries that read a box's whole configuration, in the order sent.
const int refreshCodes[] = {80,  73,  256, 257, 258, 133, 134, 67,  71,  69,  7,   5,   39, 40, 130,
                            131, 117, 82,  4,   136, 144, 146, 148, 262, 264, 272, 274, 32, 103};

Setup_dialog::WarningHook& warningHook()
{
    static Setup_dialog::WarningHook hook;
    return hook;
}

Setup_dialog::QuestionHook& questionHook()
{
    static Setup_dialog::QuestionHook hook;
    return hook;
}

} // namespace

void Setup_dialog::setWarningHook(WarningHook hook)
{
    warningHook() = std::move(hook);
}

void Setup_dialog::setQuestionHook(QuestionHook hook)
{
    questionHook() = std::move(hook);
}

Setup_dialog::Setup_dialog(Dcct_thread* thread, QWidget* parent)
    : QDialog(parent), form(new Ui::Setup_dialog), thread(thread), password_dialog(nullptr),
      unmount_on_apply(false), card_mounted(false), file_read_pending(false), ts_warning_open(false)
{
    form->setupUi(this);
    fitToScreen(this);
    showValuesWhole(this);
    keepReturnLocal(this);
    guardWheel(this);
    keepSentAsShown(this);

    connect(&progress_timer, &QTimer::timeout, this, &Setup_dialog::progress_bar_update);

    auto* addressValidator =
        new QRegularExpressionValidator(QRegularExpression(SetupChecks::ipv4Pattern()), this);
    form->lineEdit_new_ipAddress->setValidator(addressValidator);
    form->lineEdit_new_gateway->setValidator(addressValidator);
    form->lineEdit_new_subNet->setValidator(addressValidator);

    // Whatever is typed for the box must reach it as plain ASCII.
    auto* textValidator =
        new QRegularExpressionValidator(QRegularExpression(SetupChecks::boxTextPattern()), this);
    form->lineEdit_sentrel_name->setValidator(textValidator);
    form->lineEdit_sentrel_des->setValidator(textValidator);
    form->lineEdit_dcct_des->setValidator(textValidator);
    if (auto* passwordEdit = password_dialog.findChild<QLineEdit*>(QStringLiteral("lineEdit_password")))
        passwordEdit->setValidator(textValidator);
    form->lineEdit_dcct_model_sn->setValidator(
        new QRegularExpressionValidator(QRegularExpression(SetupChecks::headSerialPattern()), this));
    form->lineEdit_new_mac_address->setValidator(
        new QRegularExpressionValidator(QRegularExpression(SetupChecks::macPattern()), this));

    form->dateEdit_date->setDate(QDate(1978, 4, 11));
    form->timeEdit_time->setTime(QTime(0, 0, 0));
    form->progressBar_refresh->setValue(0);
    form->progressBar_refresh->hide();

    connect(form->radioButton_datalogger, &QRadioButton::toggled, this, &Setup_dialog::toggle_datalogger);
    connect(form->radioButton_scope, &QRadioButton::toggled, this, &Setup_dialog::toggle_datalogger);
    connect(form->spinBox_ts, &QSpinBox::editingFinished, this, &Setup_dialog::chack_ts_value);
    connect(form->spinBox_freq, &QDoubleSpinBox::editingFinished, this, &Setup_dialog::chack_freq_value);
    watch_held_values();
    for (QDoubleSpinBox* box :
         {form->doubleSpinBox_current, form->doubleSpinBox_current_2, form->doubleSpinBox_offset})
        box->setSpecialValueText(QStringLiteral("-"));
    // Names and descriptions have no length limit here: the box says what it
    // keeps, and a text it refuses is reported (show_set_answers).
    for (QLineEdit* edit : {form->lineEdit_sentrel_name, form->lineEdit_sentrel_des, form->lineEdit_dcct_des})
        edit->setMaxLength(INT_MAX);
    connect(form->checkBox_trig_enable, &QCheckBox::toggled, this, &Setup_dialog::toggle_trigger);
    connect(form->checkBox_alarm, &QCheckBox::toggled, this, &Setup_dialog::toggle_alarm);
    connect(form->checkBox_save_to_SD, &QCheckBox::clicked, this, &Setup_dialog::ask_for_unmount);

    toggle_alarm(false);
    toggle_trigger(false);

    // Opening the dialog reads the whole configuration at once.
    on_pushButton_refresh_clicked();

    // The calibration page and the ADC channel open only with a password.
    form->tabWidget->setTabEnabled(4, false);
    form->checkBox_ACQ_ADC_T->hide();
    form->checkBox_ACQ_ADC_T->setEnabled(true);
    unmount_on_apply = false;
    card_mounted = false;
    form->comboBox_dcct_model->addItem(QStringLiteral("VANTO-100"));
    form->comboBox_dcct_model->addItem(QStringLiteral("VANTO-150"));
    form->comboBox_dcct_model->addItem(QStringLiteral("VANTO-200"));
    form->comboBox_dcct_model->addItem(QStringLiteral("VANTO-300"));
    form->comboBox_dcct_model->addItem(QStringLiteral("VANTO-400"));
    form->comboBox_dcct_model->addItem(QStringLiteral("VANTO-600"));
    form->comboBox_dcct_model->addItem(QStringLiteral("VANTO-1000"));
}

Setup_dialog::~Setup_dialog()
{
    delete form;
}

void Setup_dialog::on_pushButton_refresh_clicked()
{
    for (const int code : refreshCodes)
        thread->enqueue(code);
    start_progress(1);
}

void Setup_dialog::start_progress(int factor)
{
    int waiting = 0;
    int interval = 0;
    {
        QMutexLocker lock(&thread->mutex);
        waiting = thread->codes.size();
        interval = thread->interval_ms;
    }
    // The bar fills in twenty steps over the estimated duration.
    const qint64 duration = qint64(qMax(factor, 0)) * waiting * qMax(interval, 0);
    progress_timer.start(int(qMin<qint64>(duration / 20, INT_MAX)));
    form->progressBar_refresh->setValue(0);
    form->progressBar_refresh->show();
}

void Setup_dialog::progress_bar_update()
{
    if (form->progressBar_refresh->value() >= 100)
        progress_timer.stop();
    else
        form->progressBar_refresh->setValue(form->progressBar_refresh->value() + 5);
}

void Setup_dialog::hide_progress()
{
    form->progressBar_refresh->hide();
    form->progressBar_refresh->setValue(0);
}

void Setup_dialog::update_status_conf_dialog(Dcct_data data)
{
    if (data.password_set) {
        form->checkBox_ACQ_ADC_T->show();
        form->tabWidget->setTabEnabled(4, true);
        form->pushButton_password->setText(tr("Reset Password"));
    } else {
        form->checkBox_ACQ_ADC_T->hide();
        form->tabWidget->setTabEnabled(4, false);
        form->pushButton_password->setText(tr("Set Password"));
    }

    // A value whose latest query on this connection failed is no value of the box.
    const auto shown = [&data](int code, const QString& text) {
        return data.wasRead(code) ? text : QStringLiteral("-");
    };
    form->label_sentrel_des->setText(shown(134, data.box_des));
    // Descriptions wrap in their place; one too long even for that is a hover away.
    form->label_sentrel_des->setToolTip(form->label_sentrel_des->text());
    form->label_sentrel_sn->setText(shown(133, data.box_sn));
    form->label_sentrel_f_ver->setText(shown(67, data.fw_version));
    form->label_dcct_des->setText(shown(257, data.dcct_des));
    form->label_dcct_des->setToolTip(form->label_dcct_des->text());
    form->label_dcct_sn->setText(shown(256, data.dcct_sn));

    show_sd_card(data);
    form->label_SD_log->setText(data.sd_state);

    // A reading not taken on this connection shows as the boxes' lowest
    // value, which reads "-".
    const double lowest = form->doubleSpinBox_current->minimum();
    const double current = data.wasRead(4) && std::isfinite(data.current) ? data.current : lowest;
    form->doubleSpinBox_current->setValue(current);
    form->doubleSpinBox_current_2->setValue(current);
    double offset = 0;
    const bool offsetRead = data.wasRead(117) && parseBoxNumber(data.offset, &offset);
    form->doubleSpinBox_offset->setValue(offsetRead ? offset : form->doubleSpinBox_offset->minimum());

    // The match is known from the error word or the match query only.
    const bool matchKnown = data.wasRead(82) || data.wasRead(113);
    const QString matched = !matchKnown ? QStringLiteral("-") : data.err_head_match ? tr("No") : tr("Yes");
    form->label_matched->setText(matched);
    form->label_matched_2->setText(matched);

    form->label_ip_address->setText(shown(136, data.ip));
    form->label_sub_net->setText(shown(144, data.mask));
    form->label_gateway->setText(shown(146, data.gate));
    form->label_mac_address->setText(shown(148, data.mac));
    form->label_mac_address_2->setText(shown(148, data.mac));

    hide_progress();
    show_held_values(data);
    show_set_answers(data);

    // A fetch whose box went away will never answer: free the SD buttons.
    if (file_read_pending && !thread->connected)
        set_file_read_pending(false);
}

void Setup_dialog::show_head_model(const QString& dcct_model)
{
    const QString first = dcct_model.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    const QString serial = dcct_model.section(QLatin1Char(' '), 1, 1, QString::SectionSkipEmpty);
    // Only a number the table knows selects a model. Anything else (a number
    // outside it, however large or negative, a reply that is no number, or
    // the record's "-" left by a query the box never answered) selects
    // nothing and reads "-", so Apply cannot send a model the box never named.
    static const QRegularExpression wholeNumber(QStringLiteral("^[+-]?[0-9]+$"));
    int model = -1;
    bool known = false;
    if (wholeNumber.match(first).hasMatch()) {
        bool ok = false;
        model = first.toInt(&ok, 10);
        known = ok && model >= 0 && model < headModelCount;
    }
    const QString modelText = known ? QString::fromLatin1(headModelTexts[model]) : QStringLiteral("- ");
    form->label_dcct_model->setText(modelText + serial);
    form->comboBox_dcct_model->setCurrentIndex(known ? model : -1);
    form->lineEdit_dcct_model_sn->setText(serial);
}

void Setup_dialog::toggle_datalogger(bool)
{
    const bool dlog = form->radioButton_datalogger->isChecked();
    form->checkBox_ACQ_ADC_T->setEnabled(dlog);
    form->checkBox_ACQ_extT->setEnabled(dlog);
    form->checkBox_ACQ_headT->setEnabled(dlog);
    form->checkBox_save_to_SD->setEnabled(dlog);
    form->spinBox_freq->setEnabled(dlog);
    form->label_frequency->setEnabled(dlog);
    form->label_ts->setEnabled(!dlog);
    form->spinBox_ts->setEnabled(!dlog);
}

void Setup_dialog::toggle_trigger(bool)
{
    const bool on = form->checkBox_trig_enable->isChecked();
    form->radioButton_trg_external->setEnabled(on);
    form->radioButton_trg_internal->setEnabled(on);
}

void Setup_dialog::toggle_alarm(bool)
{
    const bool on = form->checkBox_alarm->isChecked();
    form->doubleSpinBox_alaMax->setEnabled(on);
    form->doubleSpinBox_alaMin->setEnabled(on);
    form->label_23->setEnabled(on);
    form->label_24->setEnabled(on);
}

void Setup_dialog::chack_ts_value()
{
    if (form->spinBox_ts->value() % 10 == 0 || ts_warning_open)
        return;
    // The warning takes the focus from the spin box, which finishes its
    // editing once more; one warning is enough.
    ts_warning_open = true;
    warn(QStringLiteral("Sampling Time must be multiple of 10 ") + QChar(0x00b5) + QStringLiteral("s"));
    ts_warning_open = false;
}

void Setup_dialog::chack_freq_value() {}

void Setup_dialog::on_pushButton_password_clicked()
{
    bool passwordSet = false;
    {
        QMutexLocker lock(&thread->mutex);
        passwordSet = thread->data.password_set;
    }
    if (passwordSet) {
        thread->enqueue(112, QStringLiteral("RESET"));
    } else if (Prompts::execDialog(&password_dialog) == QDialog::Accepted) {
        queue_text(112, password_dialog.password());
    }
    // The status word tells whether the box took it.
    thread->enqueue(80);
}

bool Setup_dialog::check_box_text(const QString& text)
{
    if (SetupChecks::isBoxText(text))
        return true;
    warn(tr("SENTREL accepts plain ASCII text only (letters, digits, blanks and punctuation)."));
    return false;
}

bool Setup_dialog::queue_text(int code, const QString& text)
{
    if (!check_box_text(text))
        return false;
    thread->enqueue(code, text);
    // The box alone decides which names it keeps; its answer is told when it
    // comes. A password's answer shows in the status word.
    if (code != 112)
        awaiting_answers.insert(code, text);
    return true;
}

void Setup_dialog::show_set_answers(const Dcct_data& data)
{
    for (auto it = awaiting_answers.begin(); it != awaiting_answers.end();) {
        const auto found = data.set_results.constFind(it.key());
        if (found == data.set_results.constEnd()) {
            ++it; // not run yet
            continue;
        }
        const QString what = it.key() == 72    ? tr("name")
                             : it.key() == 259 ? tr("matched head")
                                               : tr("serial number");
        const QString text = QLatin1Char('"') + it.value() + QLatin1Char('"');
        if (*found == 2)
            warn(tr("SENTREL refused the %1 %2.").arg(what, text));
        else if (*found != 1)
            warn(tr("SENTREL did not answer when its %1 was set to %2: whether it took it is not known.")
                     .arg(what, text));
        it = awaiting_answers.erase(it);
    }
}

void Setup_dialog::warn(const QString& text)
{
    const QString title = tr("SENTREL Viewer");
    if (warningHook()) {
        warningHook()(this, title, text);
        return;
    }
    QMessageBox::warning(this, title, text, QMessageBox::Ok);
}

QMessageBox::StandardButton Setup_dialog::ask(const QString& text)
{
    const QString title = tr("SENTREL Viewer");
    if (questionHook())
        return questionHook()(this, title, text);
    return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No);
}
