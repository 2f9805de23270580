#include "limitvalidators.h"

#include "typedinput.h"

#include <cmath>

// "nan" reads as a number to QString::toDouble() but lies within no limits.
// A decimal comma of the user's locale reads as the point; a group separator
// makes the text no number.
// An integer field accepts only whole numbers as typed: "2.5" or "1e3" would
// read as 0 where the generator takes the field as an integer.

ValidatorIntLimit::ValidatorIntLimit(qint64 defaultValue, qint64 minValue, qint64 maxValue, QObject* parent)
    : QValidator(parent), defaultValue(defaultValue), minValue(minValue), maxValue(maxValue)
{
}

QValidator::State ValidatorIntLimit::validate(QString& input, int&) const
{
    bool ok = false;
    const qint64 v = input.toLongLong(&ok, 10);
    if (!ok || v < minValue || v > maxValue)
        return Intermediate;
    return Acceptable;
}

void ValidatorIntLimit::fixup(QString& input) const
{
    bool ok = false;
    const qint64 v = input.toLongLong(&ok, 10);
    if (!ok) {
        input = QString::number(defaultValue);
        return;
    }
    if (v < minValue)
        input = QString::number(minValue);
    else if (v > maxValue)
        input = QString::number(maxValue);
}

ValidatorDoubleLimit::ValidatorDoubleLimit(double defaultValue, double minValue, double maxValue,
                                           QObject* parent)
    : QValidator(parent), defaultValue(defaultValue), minValue(minValue), maxValue(maxValue)
{
}

QValidator::State ValidatorDoubleLimit::validate(QString& input, int&) const
{
    bool ok = false;
    const double v = typedNumber(input, &ok);
    if (!ok || std::isnan(v) || v < minValue || v > maxValue)
        return Intermediate;
    return Acceptable;
}

void ValidatorDoubleLimit::fixup(QString& input) const
{
    bool ok = false;
    const double v = typedNumber(input, &ok);
    if (!ok || std::isnan(v)) {
        input = QString::number(defaultValue, 'g', 6);
        return;
    }
    if (v < minValue)
        input = QString::number(minValue, 'g', 6);
    else if (v > maxValue)
        input = QString::number(maxValue, 'g', 6);
}
