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

#include <QStatusBar>

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
} // namespace

void MainWindow::update_window(ps_data data)
{
    mainWindowLogger->trace("update_window called");
    checkFirmware();
    // The firmware check's questions run their own event loop, in which the
    // connection may have been closed: a closed window keeps its controls off.
    if (socketState != QAbstractSocket::ConnectedState)
        return;

    if (faultDialog->isVisible()) {
        ps_data live;
        thread->get_ps_data(live);
        faultDialog->setStatusText(live.status);
    }
    if (realTimePlot->isVisible())
        realTimePlot->addData(data.current.toDouble(), data.voltage.toDouble());

    const QString current = data.current_avg.text(4);
    const QString voltage = data.voltage_avg.text(4);
    ui->current_display_label->setText(current);
    ui->voltage_display_label->setText(voltage);
    // The product of the readings as shown, so the three labels agree.
    ui->power_display_label->setText(SupplyView::powerText(current, voltage));

    // A status text that is no word is no state: what the last word showed
    // stays, controls included.
    if (data.status_unreadable) {
        reportUnreadableStatus(data.status);
        return;
    }
    if (statusUnreadable) {
        statusUnreadable = false;
        mainWindowLogger->info("Status {} is readable again", data.status);
    }

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
    ui->stackedWidget_Set->setEnabled(status.setPointsEnabled);
    if (status.decidesPolarityBox) {
        const bool inverter = SupplyView::hasCapability(data.capabilities, "POLARITY_INVERTER");
        ui->checkBoxDirectPolarity->setVisible(inverter);
        if (!inverter)
            ui->checkBoxDirectPolarity->setChecked(false);
    }
}

void MainWindow::reportUnreadableStatus(const QString& status)
{
    // The supply's text is shown as far as a status bar can hold it.
    const QString shown = status.size() > 20 ? status.left(20) + QStringLiteral("...") : status;
    const QString message = QStringLiteral("The supply's status \"") + shown +
                            QStringLiteral("\" is unreadable: the last status read is shown");
    if (!statusUnreadable) {
        statusUnreadable = true;
        mainWindowLogger->error("Status {} is unreadable, the last status read stays shown", status);
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
    ui->type_label->setText(data.polarity_kind);
    mainWindowLogger->debug("model_label = {}, type_label = {}", data.model_text, data.polarity_kind);

    // The first poll reads the model before the limits, and a supply may not
    // report them at all: ranges and ratings change only for four numbers.
    const SupplyView::SetPointRanges ranges =
        SupplyView::rangesFor(data.limits, data.polarity_kind, data.capabilities);
    if (ranges.valid) {
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
    faultDialog->setTemperature(data.temperature_avg.text(1));
}

void MainWindow::update_leakage_current(ps_data data)
{
    mainWindowLogger->trace("update_leakage_current called");
    faultDialog->setEarthLeak(data.leakage_avg.text(2));
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
