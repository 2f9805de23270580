#include "faultdialog.h"
#include "ui_faultdialog.h"

#include "loggers.h"
#include "ps_data.h"
#include "screenfit.h"

namespace
{

const QString faultStyle = QStringLiteral("background-color:rgba(255, 126, 126, 255)");
const QString okStyle = QStringLiteral("background-color:rgba(30, 250, 30, 255)");

// Memory cells holding the names of external interlocks #1..#4.
constexpr std::array<int, 4> interlockNameCells{93, 95, 97, 99};

// Label texts of bits 31..16 for one family; an empty text hides the label.
// "#1".."#4" stand for the resolved names of the external interlocks.
struct FamilyLabels {
    const char* family;
    std::array<const char*, 16> texts; // bit 31 first
};

const std::array<FamilyLabels, 4> familyLabels{{
    {"KORA-PS",
     {"Over-Power", "DCCT Fault", "", "", "#2", "#1", "", "Regulation Fault", "Earth Fuse Blown",
      "Earth Leakage (A)", "DC-Link Fault", "Temperature (\u00b0C)", "DC fuse", "Crowbar",
      "Input Over-Current", "Over-Voltage"}},
    {"KORA-PS-M",
     {"Over-Power", "DCCT Fault", "", "", "#2", "#1", "", "Regulation Fault", "Earth Fuse Blown",
      "Earth Leakage (A)", "DC-Link Fault", "Temperature (\u00b0C)", "DC-link Fuse", "Crowbar",
      "Input Over-Current", "Over-Voltage"}},
    {"ORTX",
     {"Over-Power", "DCCT Fault", "#4", "#3", "#2", "#1", "", "Regulation Fault", "Earth Fuse Blown",
      "Earth Leakage (A)", "DC-Link Fault", "Temperature (\u00b0C)", "", "", "Primary Over-Current",
      "Over-Voltage"}},
    {"KORA-PS-1K5",
     {"Over-Power", "DCCT Fault", "#4", "#3", "#2", "#1", "", "Regulation Fault", "Earth Fuse Blown",
      "Earth Leakage (A)", "DC-Link Fault", "Temperature (\u00b0C)", "Quench Fault", "Crowbar",
      "Input Over-Current", "Over-Voltage"}},
}};

} // namespace

FaultDialog::FaultDialog(QWidget* parent) : QDialog(parent), ui(new Ui::FaultDialog)
{
    ui->setupUi(this);
    fitToScreen(this);
    labels = {ui->label_16, ui->label_17, ui->label_18, ui->label_19, ui->label_20, ui->label_21,
              ui->label_22, ui->label_23, ui->label_24, ui->label_25, ui->label_26, ui->label_27,
              ui->label_28, ui->label_29, ui->label_30, ui->label_31};
    for (size_t i = 0; i < labels.size(); ++i)
        formTexts[i] = labels[i]->text();
    faultDialogLogger->info("FaultDialog initialized");
}

FaultDialog::~FaultDialog()
{
    delete ui;
    faultDialogLogger->info("FaultDialog destroyed");
}

QLabel* FaultDialog::bitLabel(int bit) const
{
    if (bit < 16 || bit > 31)
        return nullptr;
    return labels[size_t(bit - 16)];
}

void FaultDialog::setStatus(quint32 status)
{
    faultDialogLogger->trace("setStatus called, status = {}", status);
    for (int bit = 31; bit >= 16; --bit) {
        // Restyling re-parses the sheet; skip labels whose colour is unchanged
        // since this runs on every status report.
        const QString& style = (status >> bit) & 1u ? faultStyle : okStyle;
        if (bitLabel(bit)->styleSheet() != style)
            bitLabel(bit)->setStyleSheet(style);
    }
}

void FaultDialog::setStatusText(const QString& status)
{
    bool ok = false;
    const quint32 word = status.trimmed().toUInt(&ok, 16);
    if (!ok) {
        faultDialogLogger->debug("status text {} is no status word", status);
        return;
    }
    setStatus(word);
}

void FaultDialog::showNothingRead()
{
    faultDialogLogger->trace("showNothingRead called");
    for (size_t i = 0; i < labels.size(); ++i) {
        labels[i]->setStyleSheet(QString());
        labels[i]->setText(formTexts[i]);
        labels[i]->setVisible(true);
    }
    lastFamily.clear();
    lastInterlockNames = {};
}

QString FaultDialog::extInterlockName(QString name, QString defaultName)
{
    faultDialogLogger->trace("extInterlockName called, name = {}, defaultName = {}", name, defaultName);
    return name.isEmpty() ? defaultName : name;
}

void FaultDialog::setModel(const ps_data& data)
{
    faultDialogLogger->trace("setModel called");

    std::array<QString, 4> names;
    for (size_t i = 0; i < names.size(); ++i) {
        const int cell = interlockNameCells[i];
        const QString stored = cell < data.memory.size() ? data.memory.at(cell) : QString();
        names[i] = extInterlockName(stored, QStringLiteral("External Int. #%1").arg(i + 1));
    }

    if (data.family == lastFamily && names == lastInterlockNames)
        return;
    lastFamily = data.family;
    lastInterlockNames = names;

    for (const FamilyLabels& entry : familyLabels) {
        if (data.family != QLatin1String(entry.family))
            continue;
        faultDialogLogger->debug("model = {}", data.family);

        // Visibility first for all labels, then the texts of the visible ones.
        for (int bit = 31; bit >= 16; --bit)
            bitLabel(bit)->setVisible(*entry.texts[size_t(31 - bit)] != '\0');
        for (int bit = 31; bit >= 16; --bit) {
            const QString text = QString::fromUtf8(entry.texts[size_t(31 - bit)]);
            if (text.isEmpty())
                continue;
            if (text.size() == 2 && text.startsWith(QLatin1Char('#')))
                bitLabel(bit)->setText(names[size_t(text.at(1).digitValue() - 1)]);
            else
                bitLabel(bit)->setText(text);
        }
        return;
    }
}

void FaultDialog::replaceReading(QLabel* label, const QString& value, const QString& unit)
{
    QString text = label->text();
    const int bracket = text.indexOf(QLatin1Char('('));
    if (bracket >= 0)
        text.truncate(bracket);
    label->setText(text + QLatin1Char('(') + value + unit + QLatin1Char(')'));
}

void FaultDialog::setTemperature(QString value)
{
    faultDialogLogger->trace("setTemperature called, value = {}", value);
    replaceReading(ui->label_20, value, QStringLiteral(" \u00b0C"));
}

void FaultDialog::setEarthLeak(QString value)
{
    faultDialogLogger->trace("setEarthLeak called, value = {}", value);
    replaceReading(ui->label_22, value, QStringLiteral(" A"));
}
