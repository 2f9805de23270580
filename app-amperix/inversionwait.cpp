#include "inversionwait.h"

#include "supplyview.h"

#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>

namespace InversionWait
{

namespace
{
int step = 80;
constexpr int steps = 100;
} // namespace

bool needed(const QString& capabilities, const QString& polarity, double value)
{
    if (!SupplyView::hasCapability(capabilities, "POLARITY_INVERTER"))
        return false;
    const bool direct = polarity == QLatin1String("DIRECT");
    return direct ? value < 0 : value >= 0;
}

void run(QWidget* parent)
{
    QPointer<QProgressDialog> dialog = new QProgressDialog(
        QStringLiteral("Inverting polarity, please wait..."), QString(), 0, steps, parent);
    dialog->setCancelButton(nullptr);
    dialog->setWindowModality(Qt::WindowModal);

    for (int i = 0; i < steps && dialog; ++i) {
        // Shown again at every step, so closing it does not end the wait early.
        dialog->show();
        dialog->setValue(i);
        // Waits in an event loop rather than asleep: the window repaints and
        // handles the worker's reports while the supply inverts.
        QEventLoop loop;
        QTimer::singleShot(step, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (dialog) {
        dialog->setValue(steps);
        dialog->show();
        delete dialog;
    }
}

int stepMs()
{
    return step;
}

void setStepMs(int ms)
{
    step = qMax(0, ms);
}

} // namespace InversionWait
