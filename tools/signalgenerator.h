#pragma once

#include "waveform.h"

#include <QDialog>
#include <QString>
#include <QVector>

#include <functional>

namespace Ui
{
class SignalGenerator;
}

class QJsonObject;
class ValidatorDoubleLimit;
class ps_thread;

// Waveform generator: the user shapes one period of a waveform, previews it
// and loads it into the supply's waveform player through the supply worker.
// Waveforms are saved with Export and loaded by dropping their files.
class SignalGenerator : public QDialog
{
    Q_OBJECT

public:
    // Asks for a file name to save to; returns an empty text when cancelled.
    // Same arguments as QFileDialog::getSaveFileName.
    using SaveFileChooser = std::function<QString(QWidget* parent, const QString& caption, const QString& dir,
                                                  const QString& filter)>;

    // `psThread` defaults to the ps_thread owned by `parent` (the main window).
    explicit SignalGenerator(QWidget* parent, ps_thread* psThread = nullptr);
    ~SignalGenerator() override;

    ps_thread* worker() const { return psThread; }
    const SignalDescriptor& descriptor() const { return signalDescriptor; }
    const QVector<double>& outputValues() const { return yOut; }

    // Replaces the save-file chooser of every generator (tests answer it this
    // way); an empty function restores QFileDialog.
    static void setSaveFileChooser(SaveFileChooser chooser);

    static void writeSignalDescriptorJson(const SignalDescriptor& descriptor, QJsonObject& object);
    static bool readJsonDoubleArray(const QJsonObject& object, const QString& key, QVector<double>* out);
    static bool readJsonDouble(const QJsonObject& object, const QString& key, double* out);
    static bool readJsonInteger(const QJsonObject& object, const QString& key, qint64* out);
    static bool readJsonBool(const QJsonObject& object, const QString& key, bool* out);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void on_lineEditConfigMinY_editingFinished();
    void on_lineEditConfigMaxY_editingFinished();
    void on_lineEditConfigF_editingFinished();
    void on_lineEditConfigGain_editingFinished();
    void on_lineEditConfigOffsetY_editingFinished();
    void on_comboBoxGeneratorSignal_currentIndexChanged(int index);
    void on_lineEditRuntimeRepeat_editingFinished();
    void on_checkBoxRuntimeLoop_clicked();
    void on_pushButtonGeneratorExport_clicked();
    void on_pushButtonRuntimeApply_clicked();
    void on_lineEditConfigF_textChanged(QString text);
    void on_lineEditGeneratorDutyCycle_editingFinished();
    void on_lineEditGeneratorOffsetX_editingFinished();
    void on_lineEditGeneratorA_editingFinished();

private:
    void calculateSignal();
    void updateSignalDescriptor();
    void updateOutputs();
    void updatePlot();
    void updateParamsFromSignalDescriptor();
    double updateFApprox(double f);

    void applyShape(int index);
    void replaceOffsetXValidator(double period);
    bool loadFile(const QString& file);
    void warn(const QString& text);

    const double R = waveform::pointRate; // points per second a period is sized for
    const double fMin = waveform::fMin;   // Hz
    const double fMax = waveform::fMax;

    Ui::SignalGenerator* ui;
    ps_thread* psThread;
    QString lastFilePath;
    SignalDescriptor signalDescriptor;
    QVector<double> xOut;
    QVector<double> yOut;
    ValidatorDoubleLimit* offsetXValidator = nullptr;
    bool keepPoints = false; // the form is being written from the descriptor
};
