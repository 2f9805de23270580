// The identification, interlock and PID pages of the configuration window.
#include "configurationdialog.h"
#include "ui_configurationdialog.h"

#include "configprompts.h"
#include "loggers.h"
#include "memorymap.h"
#include "ps_thread.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

using ConfigRules::CellWrite;

namespace
{

bool hasFourInterlocks(const QString& family)
{
    return family == QLatin1String("ORTX") || family == QLatin1String("KORA-PS-1K5");
}

bool hasQuench(const QString& family)
{
    return family == QLatin1String("KORA-PS-1K5");
}

} // namespace

// ---- the pages' cells ----

QList<QPair<int, QLineEdit*>> ConfigurationDialog::textCells() const
{
    return {
        {30, ui->id_lineEdit},
        {93, ui->lineEdit_Name_Int1},
        {95, ui->lineEdit_Name_Int2},
        {97, ui->lineEdit_Name_Int3},
        {99, ui->lineEdit_Name_Int4},
        {82, ui->lineEdit_max_temperature},
        {83, ui->lineEdit_min_dc_link},
        {84, ui->lineEdit_max_earth_current},
        {86, ui->lineEdit_regulation_current_limit},
        {87, ui->lineEdit_regulation_voltage_limit},
        {88, ui->lineEdit_regulation_int_time},
        {100, ui->lineEdit_quench_Rmax},
        {101, ui->lineEdit_quench_Rmin},
        {102, ui->lineEdit_quench_current_thr},
        {103, ui->lineEdit_quench_int_time},
        {40, ui->lineEdit_PIDI_Kp_v},
        {41, ui->lineEdit_PIDI_Ki_v},
        {42, ui->lineEdit_PIDI_Kd_v},
        {43, ui->lineEdit_PIDI_Kp_i},
        {44, ui->lineEdit_PIDI_Ki_i},
        {45, ui->lineEdit_PIDI_Kd_i},
        {46, ui->lineEdit_PIDI_V_max},
        {47, ui->lineEdit_PIDI_V_min},
        {48, ui->lineEdit_PIDI_I_max},
        {49, ui->lineEdit_PIDI_I_min},
        {60, ui->lineEdit_PIDV_Kp_i},
        {61, ui->lineEdit_PIDV_Ki_i},
        {62, ui->lineEdit_PIDV_Kd_i},
        {63, ui->lineEdit_PIDV_Kp_v},
        {64, ui->lineEdit_PIDV_Ki_v},
        {65, ui->lineEdit_PIDV_Kd_v},
        {66, ui->lineEdit_PIDV_I_max},
        {67, ui->lineEdit_PIDV_I_min},
        {68, ui->lineEdit_PIDV_V_max},
        {69, ui->lineEdit_PIDV_V_min},
    };
}

QList<QPair<int, QSpinBox*>> ConfigurationDialog::delayCells() const
{
    return {{92, ui->spinBox_Delay_Int1},
            {94, ui->spinBox_Delay_Int2},
            {96, ui->spinBox_Delay_Int3},
            {98, ui->spinBox_Delay_Int4}};
}

QList<QCheckBox*> ConfigurationDialog::enableBoxes() const
{
    return {ui->checkBox_Enable_Int1, ui->checkBox_Enable_Int2, ui->checkBox_Enable_Int3,
            ui->checkBox_Enable_Int4};
}

QList<QCheckBox*> ConfigurationDialog::levelBoxes() const
{
    return {ui->checkBox_Active_Level_Int1, ui->checkBox_Active_Level_Int2, ui->checkBox_Active_Level_Int3,
            ui->checkBox_Active_Level_Int4};
}

QList<int> ConfigurationDialog::pageCells(const QString& family) const
{
    QList<int> cells{30, 93, 95, 90, 91, 92, 94, 82, 83, 84, 86, 87, 88};
    if (hasFourInterlocks(family))
        cells << 97 << 99 << 96 << 98;
    if (hasQuench(family))
        cells << 100 << 101 << 102 << 103;
    for (int cell = 40; cell <= 49; ++cell)
        cells << cell << cell + 20;
    return cells;
}

namespace
{
// The boxes' states as one text, to tell a change from the fill.
QString boxStates(const QList<QCheckBox*>& boxes)
{
    QString states;
    for (const QCheckBox* box : boxes)
        states += box->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
    return states;
}
} // namespace

HeldValue::Holding ConfigurationDialog::holding(int cell, const ps_data& data)
{
    return data.memory_read.value(cell) ? HeldValue::Holding(data.memory.value(cell)) : std::nullopt;
}

void ConfigurationDialog::fillText(QLineEdit* edit, int cell, const ps_data& data)
{
    const HeldValue::Holding holds = holding(cell, data);
    edit->setText(holds.value_or(QString()));
    edit->setPlaceholderText(holds ? QString() : tr("not read"));
    // A text longer than the field takes is cut by it: held, not shown.
    if (holds)
        held_cells[cell].fillText(*holds, edit->text());
    else
        held_cells[cell].fillNotRead(edit->text());
}

QList<CellWrite> ConfigurationDialog::keepUnwritable(const QList<CellWrite>& writes, const ps_data& data,
                                                     const QString& title)
{
    QList<CellWrite> kept;
    KeptValues left;
    for (const CellWrite& write : writes) {
        HeldValue& held = held_cells[write.cell];
        if (held.mayWrite(write.value, holding(write.cell, data)))
            kept << write;
        else
            left.addLeft(held, cellPhrase(write.cell));
    }
    if (!left.left().isEmpty()) {
        const QString text =
            tr("Not written, left as the supply holds them: %1.").arg(left.left().join(QStringLiteral(", ")));
        configurationDialogLogger->warn("{}", text);
        // Said when the pages were filled, unless a cell's read failed or
        // its value changed since.
        if (left.isNews())
            ConfigPrompts::warning(this, title, text);
    }
    return kept;
}

QString ConfigurationDialog::cellPhrase(int cell) const
{
    const HeldValue& held = held_cells[cell];
    QString name;
    if (cell == 90)
        name = tr("interlock enable");
    else if (cell == 91)
        name = tr("interlock active level");
    else if (cell >= 92 && cell <= 98 && cell % 2 == 0)
        name = tr("delay of interlock %1").arg((cell - 92) / 2 + 1);
    else
        name = MemoryMap::cellName(cell);
    const QString phrase = tr("cell %1 (%2)").arg(cell).arg(name);
    if (held.state() == HeldValue::State::NotRead)
        return phrase + tr(" not read");
    return phrase + QStringLiteral(" \"") + held.text() + QLatin1Char('"');
}

void ConfigurationDialog::tellKept()
{
    // Each cell the pages keep is named once, not at every refresh.
    KeptValues cells;
    for (int cell : pageCells(interlock_family))
        cells.add(held_cells[cell], cellPhrase(cell));
    // The memory table's other rows the refresh could not read.
    KeptValues rows;
    if (ps_mem_table && unit_table_read) {
        const QList<int> onPages = pageCells(interlock_family);
        for (int row = 0; row < ps_mem_table->rowCount(); ++row) {
            if (!onPages.contains(row) && !MemoryMap::isReserved(ps_mem_table->item(row, 0)->text()))
                rows.add(held_rows[row], QString::number(row));
        }
    }
    if (!cells.isNews() && !rows.isNews())
        return;
    QStringList notRead = cells.notRead();
    if (!rows.notRead().isEmpty())
        notRead << tr("memory rows %1").arg(rows.notRead().join(QStringLiteral(", ")));
    QStringList parts;
    if (!notRead.isEmpty())
        parts << tr("These cells were not read from the supply: %1.").arg(notRead.join(QStringLiteral(", ")));
    if (!cells.held().isEmpty())
        parts << tr("The supply holds what this page cannot show: %1.")
                     .arg(cells.held().join(QStringLiteral(", ")));
    const QString text =
        parts.join(QLatin1Char(' ')) + tr(" Save leaves each of them as it is unless you change it.");
    configurationDialogLogger->warn("{}", text);
    // After the refresh has filled every page: a box waits for its answer.
    QMetaObject::invokeMethod(
        this, [this, text]() { ConfigPrompts::warning(this, tr("Configuration"), text); },
        Qt::QueuedConnection);
}

// ---- identification page ----

void ConfigurationDialog::update_general_tab()
{
    configurationDialogLogger->trace("update_general_tab called");
    const ps_data data = copyData();
    fillText(ui->id_lineEdit, 30, data);
    ui->model_lineEdit->setText(data.model_text);
    // Shown only: a cell not read is empty, and says so.
    const std::pair<QLineEdit*, int> shown[] = {
        {ui->serial_lineEdit, 2}, {ui->cal_date_lineEdit, 9}, {ui->capabilities_lineEdit, 130}};
    for (const auto& [edit, cell] : shown) {
        const bool read = data.memory_read.value(cell);
        edit->setText(read ? data.memory.value(cell) : QString());
        edit->setPlaceholderText(read ? QString() : tr("not read"));
    }
    ui->firmware_lineEdit->setText(data.version);
}

void ConfigurationDialog::on_save_ID_button_clicked()
{
    configurationDialogLogger->trace("on_save_ID_button_clicked called");
    if (!mayWrite())
        return;
    const QList<CellWrite> writes = keepUnwritable({{30, ui->id_lineEdit->text()}}, copyData(), tr("Save"));
    if (writes.isEmpty() || refuseUnsafe(writes, tr("Save")))
        return;
    postWrites(writes);
    if (thread)
        thread->set_task(ps_thread::TaskSave);
    postReads({30});
}

// ---- interlocks and limits page ----

void ConfigurationDialog::update_interlocks_limits_tab()
{
    configurationDialogLogger->trace("update_interlocks_limits_tab called");
    const ps_data data = copyData();
    const bool four = hasFourInterlocks(data.family);
    for (QWidget* w : {static_cast<QWidget*>(ui->label_Int3), static_cast<QWidget*>(ui->lineEdit_Name_Int3),
                       static_cast<QWidget*>(ui->spinBox_Delay_Int3), static_cast<QWidget*>(ui->checkBox_Enable_Int3),
                       static_cast<QWidget*>(ui->checkBox_Active_Level_Int3), static_cast<QWidget*>(ui->label_Int4),
                       static_cast<QWidget*>(ui->lineEdit_Name_Int4), static_cast<QWidget*>(ui->spinBox_Delay_Int4),
                       static_cast<QWidget*>(ui->checkBox_Enable_Int4),
                       static_cast<QWidget*>(ui->checkBox_Active_Level_Int4)})
        w->setVisible(four);

    const int count = four ? 4 : 2;
    // An enable or level cell that is no mask of at most 32 bits, or was
    // not read, shows no interlock set: held aside, not shown.
    const auto fillBits = [&](int cell, const QList<QCheckBox*>& boxes) {
        const HeldValue::Holding holds = holding(cell, data);
        const bool readable = holds && ConfigRules::interlockBitsReadable(*holds);
        const QList<bool> bits = ConfigRules::decodeInterlockBits(readable ? *holds : QString(), 4);
        for (int n = 0; n < 4; ++n)
            boxes.at(n)->setChecked(n < count && bits.at(n));
        if (!holds)
            held_cells[cell].fillNotRead(boxStates(boxes));
        else if (readable)
            held_cells[cell].fillShown(*holds, boxStates(boxes));
        else
            held_cells[cell].fillHeld(*holds, boxStates(boxes));
    };
    fillBits(90, enableBoxes());
    fillBits(91, levelBoxes());

    const QList<QPair<int, QSpinBox*>> delays = delayCells();
    for (int n = 0; n < count; ++n) {
        QSpinBox* box = delays.at(n).second;
        const int cell = delays.at(n).first;
        const HeldValue::Holding holds = holding(cell, data);
        // The spin box has no empty state: its minimum reads "not read".
        box->setSpecialValueText(holds ? QString() : tr("not read"));
        bool number = false;
        const int delay = holds.value_or(QString()).toInt(&number, 10);
        box->setValue(holds ? delay : box->minimum());
        if (holds)
            held_cells[cell].fillNumber(*holds, number ? std::optional<double>(delay) : std::nullopt,
                                        box->value(), QString::number(box->value()));
        else
            held_cells[cell].fillNotRead(QString::number(box->value()));
    }
    for (const auto& [cell, edit] : textCells()) {
        const bool name = cell >= 93 && cell <= 99 && (four || cell <= 95);
        const bool limit = cell >= 82 && cell <= 88;
        const bool quench = cell >= 100 && cell <= 103 && hasQuench(data.family);
        if (name || limit || quench)
            fillText(edit, cell, data);
    }
    ui->toolBox_Limits->setItemEnabled(3, hasQuench(data.family));
    interlock_family = data.family;
    interlock_filled = true;
}

void ConfigurationDialog::on_save_interlocks_limits_button_clicked()
{
    configurationDialogLogger->trace("on_save_interlocks_limits_button_clicked called");
    if (!mayWrite())
        return;
    const ps_data data = copyData();
    if (!interlock_filled || data.family != interlock_family) {
        ConfigPrompts::warning(this, tr("Save"),
                               tr("The supply changed since the page was filled: refresh first. Nothing was sent."));
        return;
    }
    const bool four = hasFourInterlocks(data.family);
    const int count = four ? 4 : 2;

    QList<CellWrite> names;
    names << CellWrite{93, ui->lineEdit_Name_Int1->text()} << CellWrite{95, ui->lineEdit_Name_Int2->text()};
    if (four)
        names << CellWrite{97, ui->lineEdit_Name_Int3->text()} << CellWrite{99, ui->lineEdit_Name_Int4->text()};

    // A readable mask goes back with the bits the page does not show kept;
    // one the page could not read goes only when the user changed its boxes,
    // its hidden bits then 0.
    QList<CellWrite> bits;
    const auto addBits = [&](int cell, const QList<QCheckBox*>& boxes) {
        QList<bool> checked;
        for (int n = 0; n < count; ++n)
            checked << boxes.at(n)->isChecked();
        const HeldValue::Holding holds = holding(cell, data);
        if (held_cells[cell].mayWrite(boxStates(boxes), holds))
            bits << CellWrite{cell, ConfigRules::encodeInterlockBits(holds.value_or(QString()), checked)};
        else
            configurationDialogLogger->warn("Not written, left as the supply holds it: {}", cellPhrase(cell));
    };
    addBits(90, enableBoxes());
    addBits(91, levelBoxes());

    // A delay goes when the user changed it and it differs from what the
    // supply holds now (read back, or accepted when written), so the page
    // and the supply agree after every Save.
    QList<CellWrite> delayWrites;
    const QList<QPair<int, QSpinBox*>> delays = delayCells();
    for (int n = 0; n < count; ++n) {
        const int cell = delays.at(n).first;
        const QSpinBox* box = delays.at(n).second;
        const QString value = QString::number(box->value());
        const HeldValue::Holding holds = holding(cell, data);
        bool number = false;
        const bool same = holds && holds->toInt(&number, 10) == box->value() && number;
        if (held_cells[cell].mayWrite(value, holds) && !same)
            delayWrites << CellWrite{cell, value};
    }

    QList<CellWrite> numbers = {
        {82, ui->lineEdit_max_temperature->text()},          {83, ui->lineEdit_min_dc_link->text()},
        {84, ui->lineEdit_max_earth_current->text()},        {86, ui->lineEdit_regulation_current_limit->text()},
        {87, ui->lineEdit_regulation_voltage_limit->text()}, {88, ui->lineEdit_regulation_int_time->text()},
    };
    if (hasQuench(data.family)) {
        numbers << CellWrite{100, ui->lineEdit_quench_Rmax->text()} << CellWrite{101, ui->lineEdit_quench_Rmin->text()}
                << CellWrite{102, ui->lineEdit_quench_current_thr->text()}
                << CellWrite{103, ui->lineEdit_quench_int_time->text()};
    }

    const QList<CellWrite> kept = keepUnwritable(names + numbers, data, tr("Save"));
    names.clear();
    numbers.clear();
    for (const CellWrite& write : kept)
        (write.cell >= 93 && write.cell <= 99 ? names : numbers) << write;
    if (refuseNotNumber(numbers, tr("Save")) || refuseUnsafe(names, tr("Save")))
        return;
    const QList<CellWrite> writes = names + bits + delayWrites + numbers;
    if (writes.isEmpty())
        return;

    postWrites(writes);
    if (thread)
        thread->set_task(ps_thread::TaskSave);

    QList<int> reads = {93, 95, 92, 94};
    if (four)
        reads << 97 << 99 << 96 << 98;
    reads << 90 << 91;
    if (data.family != QLatin1String("ORTX"))
        reads << 78 << 79;
    reads << 80 << 81 << 82 << 83 << 84 << 86 << 87 << 88;
    if (hasQuench(data.family))
        reads << 100 << 101 << 102 << 103;
    postReads(reads);
}

// ---- PID page ----

QList<CellWrite> ConfigurationDialog::pidPageWrites() const
{
    const QLineEdit* cc[10] = {ui->lineEdit_PIDI_Kp_v, ui->lineEdit_PIDI_Ki_v, ui->lineEdit_PIDI_Kd_v,
                               ui->lineEdit_PIDI_Kp_i, ui->lineEdit_PIDI_Ki_i, ui->lineEdit_PIDI_Kd_i,
                               ui->lineEdit_PIDI_V_max, ui->lineEdit_PIDI_V_min, ui->lineEdit_PIDI_I_max,
                               ui->lineEdit_PIDI_I_min};
    const QLineEdit* cv[10] = {ui->lineEdit_PIDV_Kp_i, ui->lineEdit_PIDV_Ki_i, ui->lineEdit_PIDV_Kd_i,
                               ui->lineEdit_PIDV_Kp_v, ui->lineEdit_PIDV_Ki_v, ui->lineEdit_PIDV_Kd_v,
                               ui->lineEdit_PIDV_I_max, ui->lineEdit_PIDV_I_min, ui->lineEdit_PIDV_V_max,
                               ui->lineEdit_PIDV_V_min};
    QList<CellWrite> writes;
    for (int i = 0; i < 10; ++i)
        writes << CellWrite{40 + i, cc[i]->text()};
    for (int i = 0; i < 10; ++i)
        writes << CellWrite{60 + i, cv[i]->text()};
    return writes;
}

void ConfigurationDialog::update_pid_tab()
{
    configurationDialogLogger->trace("update_pid_tab called");
    const ps_data data = copyData();
    for (const auto& [cell, edit] : textCells()) {
        if ((cell >= 40 && cell <= 49) || (cell >= 60 && cell <= 69))
            fillText(edit, cell, data);
    }
    // The loop boxes only show cells 50 and 70; one not read is neither.
    const auto fillLoop = [&data](QCheckBox* box, int cell) {
        const HeldValue::Holding holds = holding(cell, data);
        box->setTristate(!holds);
        box->setCheckState(!holds                         ? Qt::PartiallyChecked
                           : *holds == QLatin1String("1") ? Qt::Checked
                                                          : Qt::Unchecked);
    };
    fillLoop(ui->checkBoxFastCCLoop, 50);
    fillLoop(ui->checkBoxFastCVLoop, 70);
}

bool ConfigurationDialog::savePidPage()
{
    if (!mayWrite())
        return false;
    const QList<CellWrite> writes = keepUnwritable(pidPageWrites(), copyData(), tr("Save"));
    if (refuseNotNumber(writes, tr("Save")))
        return false;
    if (writes.isEmpty())
        return true;
    postWrites(writes);
    if (thread)
        thread->set_task(ps_thread::TaskSave);
    QList<int> reads;
    for (int cell = 40; cell <= 49; ++cell)
        reads << cell;
    for (int cell = 60; cell <= 69; ++cell)
        reads << cell;
    reads << 50 << 70;
    postReads(reads);
    return true;
}

void ConfigurationDialog::on_save_PID_button_clicked()
{
    configurationDialogLogger->trace("on_save_PID_button_clicked called");
    savePidPage();
}

void ConfigurationDialog::updatePIDCCMode(int mode)
{
    configurationDialogLogger->trace("updatePIDCCMode called, mode = {}", mode);
    ui->checkBoxFastCCLoop->setChecked(mode != 0);
}

void ConfigurationDialog::updatePIDCVMode(int mode)
{
    configurationDialogLogger->trace("updatePIDCVMode called, mode = {}", mode);
    ui->checkBoxFastCVLoop->setChecked(mode != 0);
}

int ConfigurationDialog::PCONNECTIONS()
{
    const QString text = copyData().pconnections;
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    if (!ok) {
        ConfigPrompts::warning(this, tr("Error default PID's limits"),
                               tr("Cannot set limits because PCONNECTIONS is invalid ") + text);
        return -1;
    }
    return n;
}

void ConfigurationDialog::on_pushButtonDefaultPIDLimits_clicked()
{
    configurationDialogLogger->trace("on_pushButtonDefaultPIDLimits_clicked called");
    const int n = PCONNECTIONS();
    if (n <= 0)
        return;
    const auto limits = ConfigRules::defaultPidLimits(copyData().limits, n);
    if (!limits)
        return;
    ui->lineEdit_PIDI_V_min->setText(limits->vMin);
    ui->lineEdit_PIDI_V_max->setText(limits->vMax);
    ui->lineEdit_PIDI_I_min->setText(limits->iMin);
    ui->lineEdit_PIDI_I_max->setText(limits->iMax);
    ui->lineEdit_PIDV_V_min->setText(limits->vMin);
    ui->lineEdit_PIDV_V_max->setText(limits->vMax);
    ui->lineEdit_PIDV_I_min->setText(limits->iMin);
    ui->lineEdit_PIDV_I_max->setText(limits->iMax);
}
