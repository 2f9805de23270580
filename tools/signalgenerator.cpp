#include "signalgenerator.h"
#include "ui_signalgenerator.h"

#include "loggers.h"
#include "ps_thread.h"
#include "workerlookup.h"

#include <qcustomplot.h>

SignalGenerator::SignalGenerator(QWidget* parent, ps_thread* psThread)
    : QDialog(parent), ui(new Ui::SignalGenerator), psThread(psThread ? psThread : workerOf(parent))
{
    ui->setupUi(this);
    if (!this->psThread)
        signalGeneratorLogger->error("SignalGenerator has no supply worker");

    ui->widgetPlot->addGraph();
    ui->widgetPlot->xAxis->setLabel(QStringLiteral("t [s]"));
    ui->widgetPlot->yAxis->setLabel(QStringLiteral("Amplitude"));

    // Looping is the default; the repeat count only matters without it.
    ui->checkBoxRuntimeLoop->setChecked(true);
    ui->lineEditRuntimeRepeat->setEnabled(false);

    signalGeneratorLogger->info("SignalGenerator created");
}

SignalGenerator::~SignalGenerator()
{
    signalGeneratorLogger->info("SignalGenerator destroyed");
    delete ui;
}
