// Main window: what the worker's readings show in the window and in the
// fault view, the live plot and the console's command list.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "consoledialog.h"
#include "faultdialog.h"
#include "loggers.h"
#include "ps_thread.h"
#include "realtimeplot.h"
#include "supplyview.h"

#include <QSignalBlocker>
#include <QStatusBar>

#include <cmath>

namespace
{
// Setting a style sheet re-polishes the widget, and a status report comes
// several times a second: only a change is applied.
void setStyleIfChanged(QWidget* widget, const char* style)
{
    const QString sheet = QString::fromLatin1(style);
    if (widget->styleSheet() != sheet)
        widget->setStyleSheet(sheet);
}

// The entry's flags live in the model's Qt::UserRole - 1 data.
constexpr int itemFlagsRole = Qt::UserRole - 1;
const QVariant selectableAndEnabled(int(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
const QVariant notSelectable(0);

// What an indication shows for a state not read, and a field for a reading not read.
const QString unknownState = QStringLiteral("?");
const QString noReading = QStringLiteral("-");
} // namespace

void MainWindow::update_window(ps_data data)
{
    mainWindowLogger->trace("update_window called");
    checkFirmware();
    // The firmware check's questions run their own event loop, in which the
    // connection may have been closed: a closed window keeps its controls off.
    if (socketState != QAbstractSocket::ConnectedState)
        return;

    // While the supply answers nothing, the record holds what it said before:
    // no reading and no state of now.
    if (faultDialog->isVisible() && supplyAnswers) {
        ps_data live;
        thread->get_ps_data(live);
        faultDialog->setStatusText(live.status);
    }
    // Only this poll's readings: a poll that read none shows none, rather
    // than the last ones again as if new.
    const bool readings = supplyAnswers && data.readings_read;
    // A reading whose text is no number is none either (its mean of one
    // sample would read 0).
    auto isNumber = [](const QString& text) {
        bool ok = false;
        return std::isfinite(text.toDouble(&ok)) && ok;
    };
    const bool currentRead = readings && isNumber(data.current);
    const bool voltageRead = readings && isNumber(data.voltage);
    // A reading that is no number is not plotted as 0.
    if (realTimePlot->isVisible() && currentRead && voltageRead)
        realTimePlot->addData(data.current.toDouble(), data.voltage.toDouble());
    const QString current = data.current_avg.text(4);
    const QString voltage = data.voltage_avg.text(4);
    ui->current_display_label->setText(currentRead ? current : noReading);
    ui->voltage_display_label->setText(voltageRead ? voltage : noReading);
    // The product of the readings as shown, so the three labels agree.
    ui->power_display_label->setText(currentRead && voltageRead ? SupplyView::powerText(current, voltage)
                                                                : noReading);

    if (data.status_unreadable) {
        reportUnreadableStatus(data.status, data.status_read);
    } else if (statusUnreadable) {
        statusUnreadable = false;
        mainWindowLogger->info("Status {} is readable again", data.status);
    }
    if (!supplyAnswers || !data.status_read) {
        showStatusUnknown();
        return;
    }
    // A status text that is no word is no state: what the last word showed
    // stays, controls included.
    if (data.status_unreadable)
        return;

    const SupplyView::StatusView status = SupplyView::decodeStatus(data.status_flags);
    if (status.local) {
        ui->loc_rem_label->setText(QStringLiteral("Local"));
        setStyleIfChanged(ui->loc_rem_label, SupplyView::localStyle);
    } else {
        ui->loc_rem_label->setText(QStringLiteral("Remote"));
        setStyleIfChanged(ui->loc_rem_label, SupplyView::neutralStyle);
    }
    if (status.outputOn) {
        ui->on_off_label->setText(QStringLiteral("ON"));
        setStyleIfChanged(ui->on_off_label, SupplyView::outputOnStyle);
    } else {
        ui->on_off_label->setText(QStringLiteral("OFF"));
        setStyleIfChanged(ui->on_off_label, SupplyView::neutralStyle);
    }
    if (status.fault) {
        ui->fault_pushButton->setText(QStringLiteral("YES"));
        setStyleIfChanged(ui->fault_pushButton, SupplyView::faultStyle);
    } else {
        ui->fault_pushButton->setText(QStringLiteral("NO"));
        setStyleIfChanged(ui->fault_pushButton, SupplyView::neutralStyle);
    }

    ui->groupBox_Controls->setEnabled(status.controlsEnabled);
    ui->groupBox_RegulationMode->setEnabled(status.regulationEnabled);
    // No set-point goes out before this supply has said what it takes.
    ui->stackedWidget_Set->setEnabled(status.setPointsEnabled && rangesRead);
    const QString pagesTip = status.setPointsEnabled && !rangesRead
                                 ? QStringLiteral("The supply has not reported its limits")
                                 : QString();
    if (ui->stackedWidget_Set->toolTip() != pagesTip)
        ui->stackedWidget_Set->setToolTip(pagesTip);
    if (status.decidesPolarityBox) {
        const bool inverter = SupplyView::hasCapability(data.capabilities, "POLARITY_INVERTER");
        ui->checkBoxDirectPolarity->setVisible(inverter);
        if (!inverter)
            ui->checkBoxDirectPolarity->setChecked(false);
    }
}

void MainWindow::showStatusUnknown()
{
    ui->loc_rem_label->setText(unknownState);
    setStyleIfChanged(ui->loc_rem_label, SupplyView::neutralStyle);
    ui->on_off_label->setText(unknownState);
    setStyleIfChanged(ui->on_off_label, SupplyView::neutralStyle);
    ui->fault_pushButton->setText(unknownState);
    setStyleIfChanged(ui->fault_pushButton, SupplyView::neutralStyle);
    ui->groupBox_Controls->setEnabled(false);
    ui->groupBox_RegulationMode->setEnabled(false);
    ui->stackedWidget_Set->setEnabled(false);
}

void MainWindow::showNothingRead()
{
    rangesRead = false;
    supplyAnswers = true;
    supplyNotice->hide();
    for (QLabel* label : {ui->model_label, ui->type_label, ui->description_label, ui->id_label})
        label->clear();
    ui->id_label->setToolTip(QString());
    // No range until this unit reports its limits; the set-point the worker
    // holds follows the spin boxes down to 0.
    ui->current_spin->setRange(0.0, 0.0);
    ui->voltage_spin->setRange(0.0, 0.0);
    for (QLabel* label : {ui->current_display_label, ui->voltage_display_label, ui->power_display_label})
        label->setText(noReading);
    showStatusUnknown();
    ui->checkBoxDirectPolarity->hide();
    ui->checkBoxDirectPolarity->setChecked(false);
    for (QComboBox* list :
         {ui->comboBox_TriggerMode, ui->comboBox_Upmode, ui->comboBox_Loop, ui->comboBoxFloatMode}) {
        const QSignalBlocker blocker(list);
        list->setCurrentIndex(-1);
    }
    faultDialog->showNothingRead();
}

void MainWindow::showSupplyAnswering(bool answering)
{
    mainWindowLogger->trace("showSupplyAnswering called, answering = {}", answering);
    if (socketState != QAbstractSocket::ConnectedState || answering == supplyAnswers)
        return;
    supplyAnswers = answering;
    const QString peer = thread->ip_address + QLatin1Char(':') + thread->ip_port;
    if (answering) {
        supplyNotice->hide();
        mainWindowLogger->info("{} answers as a supply again", peer);
        return;
    }
    // Said once and kept in sight while it lasts: a box would be gone after
    // one click while the peer goes on not answering.
    supplyNotice->setText(peer + QStringLiteral(" does not answer as a supply"));
    supplyNotice->setToolTip(QStringLiteral("No query of a whole poll was answered. Nothing is shown as the "
                                            "supply's state and no control sends until it answers."));
    supplyNotice->show();
    mainWindowLogger->error("{} does not answer as a supply: no query of a whole poll was answered", peer);
    for (QLabel* label : {ui->current_display_label, ui->voltage_display_label, ui->power_display_label})
        label->setText(noReading);
    showStatusUnknown();
    // Its bits come back with the next answered poll.
    faultDialog->showNothingRead();
}

void MainWindow::reportUnreadableStatus(const QString& status, bool kept)
{
    // The supply's text is shown as far as a status bar can hold it.
    const QString shown = status.size() > 20 ? status.left(20) + QStringLiteral("...") : status;
    const QString message =
        QStringLiteral("The supply's status \"") + shown + QStringLiteral("\" is unreadable: ") +
        (kept ? QStringLiteral("the last status read is shown") : QStringLiteral("the state is unknown"));
    if (!statusUnreadable) {
        statusUnreadable = true;
        mainWindowLogger->error("Status {} is unreadable, {}", status,
                                kept ? "the last status read stays shown" : "the state is unknown");
        statusBar()->showMessage(message, statusMessageMs);
    } else {
        // Renewed on every report while it lasts, but over no other message.
        const QString current = statusBar()->currentMessage();
        if (current.isEmpty() || current == statusUnreadableMessage)
            statusBar()->showMessage(message, statusMessageMs);
    }
    statusUnreadableMessage = message;
}

void MainWindow::update_model(ps_data data)
{
    mainWindowLogger->trace("update_model called");
    ui->model_label->setText(data.model_text);
    // Without a model read there is no type either, "UNDEFINED" as it may be.
    ui->type_label->setText(data.model_text.isEmpty() ? QString() : data.polarity_kind);
    mainWindowLogger->debug("model_label = {}, type_label = {}", data.model_text, data.polarity_kind);

    // The first poll reads the model before the limits, and a supply may not
    // report them at all: ranges and ratings change only for four numbers,
    // and until then are none (set at each connection).
    const SupplyView::SetPointRanges ranges =
        SupplyView::rangesFor(data.limits, data.polarity_kind, data.capabilities);
    if (ranges.valid) {
        rangesRead = true;
        ui->description_label->setText(ranges.ratings);
        mainWindowLogger->debug("description_label = {}", ranges.ratings);
        mainWindowLogger->debug(ranges.monopolar ? "Monopolar limits are set" : "Bipolar limits are set");
        // Minimum first: Qt moves the other bound when they cross.
        ui->current_spin->setMinimum(ranges.currentMin);
        ui->current_spin->setMaximum(ranges.currentMax);
        ui->voltage_spin->setMinimum(ranges.voltageMin);
        ui->voltage_spin->setMaximum(ranges.voltageMax);
    } else {
        mainWindowLogger->debug("Limits {} are not all numbers, set-point ranges kept",
                                data.limits.join(QLatin1Char(':')));
    }

    faultDialog->setModel(data);
    consoleDialog->setModel(data);

    // "Analog (Voltage Input)" can be chosen only on a unit with an analogue input.
    const QVariant analogFlags =
        SupplyView::hasCapability(data.capabilities, "AIN") ? selectableAndEnabled : notSelectable;
    const QModelIndex analog = ui->comboBox_Upmode->model()->index(SupplyView::UpdateAnalog, 0);
    if (ui->comboBox_Upmode->model()->data(analog, itemFlagsRole) != analogFlags)
        ui->comboBox_Upmode->model()->setData(analog, analogFlags, itemFlagsRole);
}

void MainWindow::update_id(ps_data data)
{
    mainWindowLogger->trace("update_id called");
    ui->id_label->setText(data.id);
    // The ID wraps in its place; one too long even for that is a hover away.
    ui->id_label->setToolTip(data.id);
}

void MainWindow::update_temperature(ps_data data)
{
    mainWindowLogger->trace("update_temperature called");
    // An empty text was never read on this connection.
    const bool read = supplyAnswers && !data.temperature.isEmpty();
    faultDialog->setTemperature(read ? data.temperature_avg.text(1) : noReading);
}

void MainWindow::update_leakage_current(ps_data data)
{
    mainWindowLogger->trace("update_leakage_current called");
    const bool read = supplyAnswers && !data.leakage_current.isEmpty();
    faultDialog->setEarthLeak(read ? data.leakage_avg.text(2) : noReading);
}

void MainWindow::update_limits(ps_data data)
{
    // The limits reach the window with the model report (update_model).
    mainWindowLogger->trace("update_limits called");
    mainWindowLogger->debug("limits = {}", data.limits.join(QLatin1Char(':')));
}

void MainWindow::updateDirectPolarity()
{
    mainWindowLogger->trace("updateDirectPolarity called");
    ps_data live;
    thread->get_ps_data(live);
    ui->checkBoxDirectPolarity->setChecked(live.polarity == QLatin1String("DIRECT"));
}
