#pragma once

#include <QValidator>

// Validators of the waveform generator's fields. They never refuse a
// keystroke; text that is unreadable or out of range is only Intermediate,
// and fixup() replaces it by the default or the nearest limit.
class ValidatorIntLimit : public QValidator
{
    Q_OBJECT

public:
    ValidatorIntLimit(qint64 defaultValue, qint64 minValue, qint64 maxValue, QObject* parent);

    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

private:
    qint64 defaultValue;
    qint64 minValue;
    qint64 maxValue;
};

class ValidatorDoubleLimit : public QValidator
{
    Q_OBJECT

public:
    ValidatorDoubleLimit(double defaultValue, double minValue, double maxValue, QObject* parent);

    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

private:
    double defaultValue;
    double minValue;
    double maxValue;
};
