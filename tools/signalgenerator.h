#pragma once

#include <QDialog>

namespace Ui
{
class SignalGenerator;
}

class ps_thread;

// Waveform generator: the user shapes one period of a waveform, previews it
// and loads it into the supply's waveform player through the supply worker.
class SignalGenerator : public QDialog
{
    Q_OBJECT

public:
    // `psThread` defaults to the ps_thread owned by `parent` (the main window).
    explicit SignalGenerator(QWidget* parent, ps_thread* psThread = nullptr);
    ~SignalGenerator() override;

    ps_thread* worker() const { return psThread; }

private:
    const double R = 100000.0; // points per second a period is sized for
    const double fMin = 0.2;   // Hz
    const double fMax = 1000.0;

    Ui::SignalGenerator* ui;
    ps_thread* psThread;
};
