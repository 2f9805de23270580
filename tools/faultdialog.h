#pragma once

#include <QDialog>
#include <QString>

#include <array>

namespace Ui
{
class FaultDialog;
}

class QLabel;
class ps_data;

// Shows the sixteen fault bits (16..31) of the supply's status word as
// coloured labels named after the supply family. The main window feeds it.
class FaultDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FaultDialog(QWidget* parent = nullptr);
    ~FaultDialog() override;

    void setStatus(quint32 status);
    // The status word as the supply sends it (hexadecimal). A text that is
    // no such number leaves the indicators as they are.
    void setStatusText(const QString& status);
    void setModel(const ps_data& data);
    // A new connection: no bit, family or reading of an earlier supply stays;
    // the labels are the form's, uncoloured, until this one reports.
    void showNothingRead();
    void setTemperature(QString value);
    void setEarthLeak(QString value);
    QString extInterlockName(QString name, QString defaultName);

    // The label showing status bit `bit` (16..31), nullptr for other bits.
    QLabel* bitLabel(int bit) const;

private:
    void replaceReading(QLabel* label, const QString& value, const QString& unit);

    Ui::FaultDialog* ui;
    std::array<QLabel*, 16> labels{}; // index = bit - 16
    std::array<QString, 16> formTexts; // the labels' texts before any family named them

    // What setModel last applied; the version poll calls it on every tick and
    // nothing needs redrawing unless the family or an interlock name changed.
    QString lastFamily;
    std::array<QString, 4> lastInterlockNames;
};
