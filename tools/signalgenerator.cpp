#include "signalgenerator.h"
#include "ui_signalgenerator.h"

#include "deliberateinput.h"
#include "limitvalidators.h"
#include "loggers.h"
#include "ps_thread.h"
#include "readbytes.h"
#include "savebytes.h"
#include "screenfit.h"
#include "typedinput.h"
#include "workerlookup.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QMimeData>
#include <QSignalBlocker>
#include <QUrl>

#include <qcustomplot.h>

#include <cmath>
#include <limits>

namespace
{

SignalGenerator::SaveFileChooser& saveFileChooser()
{
    static SignalGenerator::SaveFileChooser chooser;
    return chooser;
}

QString number(double v)
{
    return QString::number(v, 'g', 6);
}

const QString jsonError = QStringLiteral("JSON error");

void showReadWarning(const QString& text)
{
    QMessageBox::warning(nullptr, jsonError, text, QMessageBox::Ok);
}

} // namespace

SignalGenerator::SignalGenerator(QWidget* parent, ps_thread* psThread)
    : QDialog(parent), ui(new Ui::SignalGenerator), psThread(psThread ? psThread : workerOf(parent))
{
    ui->setupUi(this);
    fitToScreen(this);
    showValuesWhole(this);
    keepReturnLocal(this);
    guardWheel(this);
    keepSentAsShown(this);
    if (!this->psThread)
        signalGeneratorLogger->error("SignalGenerator has no supply worker");

    ui->widgetPlot->addGraph();
    ui->widgetPlot->xAxis->setLabel(QStringLiteral("t [s]"));
    ui->widgetPlot->yAxis->setLabel(QStringLiteral("Amplitude"));

    const double largest = std::numeric_limits<double>::max();
    ui->lineEditConfigMinY->setValidator(new ValidatorDoubleLimit(-1, -largest, largest, this));
    ui->lineEditConfigMaxY->setValidator(new ValidatorDoubleLimit(1, -largest, largest, this));
    ui->lineEditConfigGain->setValidator(new ValidatorDoubleLimit(1, -largest, largest, this));
    ui->lineEditConfigOffsetY->setValidator(new ValidatorDoubleLimit(0, -largest, largest, this));
    ui->lineEditConfigF->setValidator(new ValidatorDoubleLimit(1, fMin, fMax, this));
    ui->lineEditGeneratorDutyCycle->setValidator(new ValidatorDoubleLimit(0.5, 0, 1, this));
    ui->lineEditGeneratorA->setValidator(new ValidatorDoubleLimit(0.5, 0, 1, this));
    ui->lineEditRuntimeRepeat->setValidator(
        new ValidatorIntLimit(1, 1, std::numeric_limits<qint64>::max(), this));

    // Looping is the default; the repeat count only matters without it.
    ui->checkBoxRuntimeLoop->setChecked(signalDescriptor.isLoopSet);
    ui->lineEditRuntimeRepeat->setEnabled(false);

    updateParamsFromSignalDescriptor();
    updatePlot();
    setAcceptDrops(true);

    signalGeneratorLogger->info("SignalGenerator created");
}

SignalGenerator::~SignalGenerator()
{
    signalGeneratorLogger->info("SignalGenerator destroyed");
    delete ui;
}

void SignalGenerator::setSaveFileChooser(SaveFileChooser chooser)
{
    saveFileChooser() = std::move(chooser);
}

double SignalGenerator::updateFApprox(double f)
{
    signalGeneratorLogger->trace("updateFApprox called, f = {}", f);
    const double fApprox = waveform::approximateFrequency(f);
    ui->labelFApprox->setText(number(fApprox));
    return fApprox;
}

void SignalGenerator::on_lineEditConfigF_textChanged(QString text)
{
    signalGeneratorLogger->trace("on_lineEditConfigF_textChanged called");
    const double fApprox = updateFApprox(typedNumber(text));
    ui->labelT->setText(number(1.0 / fApprox));
}

void SignalGenerator::on_lineEditConfigF_editingFinished()
{
    signalGeneratorLogger->trace("on_lineEditConfigF_editingFinished called");
    const double f = typedNumber(ui->lineEditConfigF->text());
    const double fApprox = updateFApprox(f);
    signalDescriptor.nPoints = waveform::pointCount(f);
    ui->lineEditGeneratorNPoints->setText(QString::number(signalDescriptor.nPoints));
    replaceOffsetXValidator(1.0 / fApprox);
    updatePlot();
}

void SignalGenerator::replaceOffsetXValidator(double period)
{
    // One validator at a time: the previous one goes as soon as it is replaced.
    auto* validator = new ValidatorDoubleLimit(0, -period, period, this);
    ui->lineEditGeneratorOffsetX->setValidator(validator);
    delete offsetXValidator;
    offsetXValidator = validator;
}

void SignalGenerator::updateSignalDescriptor()
{
    signalGeneratorLogger->trace("updateSignalDescriptor called");
    SignalDescriptor& d = signalDescriptor;
    d.minY = typedNumber(ui->lineEditConfigMinY->text());
    d.maxY = typedNumber(ui->lineEditConfigMaxY->text());
    d.gain = typedNumber(ui->lineEditConfigGain->text());
    d.offsetY = typedNumber(ui->lineEditConfigOffsetY->text());
    d.f = typedNumber(ui->lineEditConfigF->text());
    d.offsetX = typedNumber(ui->lineEditGeneratorOffsetX->text());
    d.dutyCycle = typedNumber(ui->lineEditGeneratorDutyCycle->text());
    d.a = typedNumber(ui->lineEditGeneratorA->text());
    d.signalType = ui->comboBoxGeneratorSignal->currentIndex();
    d.nRepetitions = ui->lineEditRuntimeRepeat->text().toLongLong(nullptr, 10);
    d.isLoopSet = ui->checkBoxRuntimeLoop->isChecked();
    calculateSignal();
}

void SignalGenerator::calculateSignal()
{
    signalGeneratorLogger->trace("calculateSignal called");
    signalDescriptor.signalType = ui->comboBoxGeneratorSignal->currentIndex();
    waveform::calculate(signalDescriptor);
}

void SignalGenerator::updateOutputs()
{
    signalGeneratorLogger->trace("updateOutputs called");
    waveform::outputs(signalDescriptor, xOut, yOut);
}

void SignalGenerator::updatePlot()
{
    signalGeneratorLogger->trace("updatePlot called");
    updateSignalDescriptor();
    updateOutputs();
    QCustomPlot* plot = ui->widgetPlot;
    plot->graph(0)->data()->clear();
    plot->graph(0)->setData(xOut, yOut, true);
    const double f = signalDescriptor.f;
    plot->xAxis->setRange(-0.1 / f, 1.0 / f + 0.1 / f);
    const auto range = waveform::valueRange(signalDescriptor.minY, signalDescriptor.maxY);
    plot->yAxis->setRange(range.first, range.second);
    plot->replot();
}

void SignalGenerator::on_lineEditConfigMinY_editingFinished()
{
    signalGeneratorLogger->trace("on_lineEditConfigMinY_editingFinished called");
    updatePlot();
}

void SignalGenerator::on_lineEditConfigMaxY_editingFinished()
{
    signalGeneratorLogger->trace("on_lineEditConfigMaxY_editingFinished called");
    updatePlot();
}

void SignalGenerator::on_lineEditConfigGain_editingFinished()
{
    signalGeneratorLogger->trace("on_lineEditConfigGain_editingFinished called");
    updatePlot();
}

void SignalGenerator::on_lineEditConfigOffsetY_editingFinished()
{
    signalGeneratorLogger->trace("on_lineEditConfigOffsetY_editingFinished called");
    updatePlot();
}

void SignalGenerator::on_lineEditGeneratorOffsetX_editingFinished()
{
    signalGeneratorLogger->trace("on_lineEditGeneratorOffsetX_editingFinished called");
    updatePlot();
}

void SignalGenerator::on_lineEditGeneratorDutyCycle_editingFinished()
{
    signalGeneratorLogger->trace("on_lineEditGeneratorDutyCycle_editingFinished called");
    updatePlot();
}

void SignalGenerator::on_lineEditGeneratorA_editingFinished()
{
    signalGeneratorLogger->trace("on_lineEditGeneratorA_editingFinished called");
    updatePlot();
}

void SignalGenerator::on_lineEditRuntimeRepeat_editingFinished()
{
    signalGeneratorLogger->trace("on_lineEditRuntimeRepeat_editingFinished called");
    updatePlot();
}

void SignalGenerator::on_checkBoxRuntimeLoop_clicked()
{
    signalGeneratorLogger->trace("on_checkBoxRuntimeLoop_clicked called");
    ui->lineEditRuntimeRepeat->setEnabled(!ui->checkBoxRuntimeLoop->isChecked());
    updatePlot();
}

void SignalGenerator::on_comboBoxGeneratorSignal_currentIndexChanged(int index)
{
    signalGeneratorLogger->trace("on_comboBoxGeneratorSignal_currentIndexChanged called, index = {}", index);
    if (!keepPoints) {
        signalDescriptor.x.clear();
        signalDescriptor.y.clear();
    }
    applyShape(index);
    updatePlot();
}

void SignalGenerator::applyShape(int index)
{
    if (index == waveform::Custom)
        ui->widgetPlot->graph(0)->data()->clear();
    ui->lineEditConfigF->setEnabled(index != waveform::Custom);
    ui->labelGeneratorOffsetX->setVisible(index != waveform::Custom);
    ui->lineEditGeneratorOffsetX->setVisible(index != waveform::Custom);
    ui->labelGeneratorDutyCycle->setVisible(index == waveform::Square);
    ui->lineEditGeneratorDutyCycle->setVisible(index == waveform::Square);
    ui->labelGeneratorA->setVisible(index == waveform::Triangular);
    ui->lineEditGeneratorA->setVisible(index == waveform::Triangular);
}

void SignalGenerator::on_pushButtonRuntimeApply_clicked()
{
    signalGeneratorLogger->trace("on_pushButtonRuntimeApply_clicked called");
    // A field that was not acceptable shows its correction; the user looks
    // and applies again.
    if (showCorrections(this))
        return;
    updateSignalDescriptor();
    updateOutputs();
    const qint64 periods = ui->checkBoxRuntimeLoop->isChecked() ? 0 : signalDescriptor.nRepetitions;
    const QString points = waveform::pointsText(yOut);
    if (!psThread)
        return;
    psThread->set_task(ps_thread::TaskWaveformStop);
    psThread->set_task(ps_thread::TaskWaveformPeriods, QString::number(periods));
    psThread->set_task(ps_thread::TaskWaveformPoints, points);
    psThread->set_task(ps_thread::TaskWaveformStart);
}

void SignalGenerator::updateParamsFromSignalDescriptor()
{
    signalGeneratorLogger->trace("updateParamsFromSignalDescriptor called");
    const SignalDescriptor d = signalDescriptor;
    ui->lineEditConfigMinY->setText(number(d.minY));
    ui->lineEditConfigMaxY->setText(number(d.maxY));
    ui->lineEditConfigGain->setText(number(d.gain));
    ui->lineEditConfigOffsetY->setText(number(d.offsetY));
    ui->lineEditConfigF->setText(number(d.f));
    ui->labelFApprox->setText(number(d.f));
    ui->lineEditGeneratorNPoints->setText(QString::number(d.nPoints));
    ui->lineEditGeneratorOffsetX->setText(number(d.offsetX));
    replaceOffsetXValidator(1.0 / d.f);
    ui->lineEditGeneratorDutyCycle->setText(number(d.dutyCycle));
    ui->lineEditGeneratorA->setText(number(d.a));
    ui->lineEditRuntimeRepeat->setText(QString::number(d.nRepetitions));
    ui->checkBoxRuntimeLoop->setChecked(d.isLoopSet);
    ui->lineEditRuntimeRepeat->setEnabled(!d.isLoopSet);

    keepPoints = true;
    signalDescriptor.x = d.x;
    signalDescriptor.y = d.y;
    ui->comboBoxGeneratorSignal->setCurrentIndex(d.signalType >= 0 && d.signalType <= 3 ? d.signalType : -1);
    keepPoints = false;
    applyShape(ui->comboBoxGeneratorSignal->currentIndex());
}

// Waveform files.

void SignalGenerator::writeSignalDescriptorJson(const SignalDescriptor& descriptor, QJsonObject& object)
{
    signalGeneratorLogger->trace("writeSignalDescriptorJson called");
    const QJsonObject written = waveform::toJson(descriptor);
    for (auto it = written.begin(); it != written.end(); ++it)
        object.insert(it.key(), it.value());
}

bool SignalGenerator::readJsonDoubleArray(const QJsonObject& object, const QString& key, QVector<double>* out)
{
    QString error;
    if (waveform::readDoubleArray(object, key, out, &error))
        return true;
    showReadWarning(error);
    return false;
}

bool SignalGenerator::readJsonDouble(const QJsonObject& object, const QString& key, double* out)
{
    QString error;
    if (waveform::readDouble(object, key, out, &error))
        return true;
    showReadWarning(error);
    return false;
}

bool SignalGenerator::readJsonInteger(const QJsonObject& object, const QString& key, qint64* out)
{
    QString error;
    if (waveform::readInteger(object, key, out, &error))
        return true;
    showReadWarning(error);
    return false;
}

bool SignalGenerator::readJsonBool(const QJsonObject& object, const QString& key, bool* out)
{
    QString error;
    if (waveform::readBool(object, key, out, &error))
        return true;
    showReadWarning(error);
    return false;
}

void SignalGenerator::warn(const QString& text)
{
    QMessageBox::warning(this, jsonError, text, QMessageBox::Ok);
}

void SignalGenerator::on_pushButtonGeneratorExport_clicked()
{
    signalGeneratorLogger->trace("on_pushButtonGeneratorExport_clicked called");
    if (showCorrections(this))
        return;
    updateSignalDescriptor();

    const QString caption = QStringLiteral("Save signal's config");
    const QString filter = QStringLiteral("*.json");
    const QString file = saveFileChooser() ? saveFileChooser()(this, caption, lastFilePath, filter)
                                           : QFileDialog::getSaveFileName(this, caption, lastFilePath, filter);
    if (file.isEmpty())
        return;
    lastFilePath = file;

    QJsonObject object;
    writeSignalDescriptorJson(signalDescriptor, object);
    // A failed export leaves the old file whole.
    const SaveResult saved = saveBytes(file, QJsonDocument(object).toJson());
    if (!saved.ok()) {
        const QString what = saved.stage == SaveResult::NotOpened ? QStringLiteral("Couldn't open ")
                                                                  : QStringLiteral("Couldn't write ");
        warn(what + file + QStringLiteral(". ") + saved.error);
    }
}

void SignalGenerator::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty())
        return;
    for (const QUrl& url : urls)
        if (!url.toString().endsWith(QLatin1String(".json")))
            return;
    event->acceptProposedAction();
}

void SignalGenerator::dropEvent(QDropEvent* event)
{
    for (const QUrl& url : event->mimeData()->urls())
        if (!loadFile(url.toLocalFile()))
            return;
}

bool SignalGenerator::loadFile(const QString& file)
{
    if (file.isEmpty()) {
        warn(file + QStringLiteral(" is empty."));
        return false;
    }
    lastFilePath = file;
    const ReadResult read = readBytes(file, waveform::maxFileSize);
    if (!read.ok()) {
        warn(QStringLiteral("Couldn't open ") + file + QStringLiteral(". ") + read.error);
        return false;
    }
    const QJsonDocument document = QJsonDocument::fromJson(read.bytes);
    if (document.isNull()) {
        warn(QStringLiteral("Couldn't parse ") + file + QLatin1Char('.'));
        return false;
    }
    QString error;
    // More points than typing could give: refused whole, the form keeps its waveform.
    if (!waveform::withinPointLimit(document.object(), &error)) {
        warn(QStringLiteral("Couldn't load ") + file + QStringLiteral(". ") + error);
        return false;
    }
    if (!waveform::fromJson(document.object(), signalDescriptor, &error))
        showReadWarning(error);
    updateParamsFromSignalDescriptor();
    updatePlot();
    return true;
}
