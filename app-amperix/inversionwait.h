#pragma once

// The wait shown while a supply with a polarity inverter turns its output
// round after a set-point of the other sign.

#include <QString>

class QWidget;

namespace InversionWait
{

// The unit inverts its polarity for `value`: it has the inverter and its
// polarity ("DIRECT" or not) does not match the set-point's sign.
bool needed(const QString& capabilities, const QString& polarity, double value);

// Runs the wait: a window-modal progress of 100 steps of stepMs() each over
// `parent`. The window keeps painting and taking the worker's reports
// meanwhile; the user cannot use it until the inversion is through.
void run(QWidget* parent);

// Length of one step of the wait, in milliseconds (80 by default, 8 s in all).
int stepMs();
void setStepMs(int ms);

} // namespace InversionWait
