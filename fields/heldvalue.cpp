#include "heldvalue.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

void HeldValue::fill(State state, const QString& text, const QString& shownText)
{
    current = state;
    read_text = state == State::NotRead ? QString() : text;
    shown_text = shownText;
    changed = false;
    // A value shown is one the window names again once it is kept again.
    if (current == State::Shown)
        noticed = false;
}

void HeldValue::fillNotRead(const QString& shownText)
{
    fill(State::NotRead, QString(), shownText);
}

void HeldValue::fillShown(const QString& text, const QString& shownText)
{
    fill(State::Shown, text, shownText);
}

void HeldValue::fillHeld(const QString& text, const QString& shownText)
{
    fill(State::Held, text, shownText);
}

void HeldValue::fillText(const QString& text, const QString& shownText)
{
    fill(shownText == text ? State::Shown : State::Held, text, shownText);
}

void HeldValue::fillNumber(const QString& text, std::optional<double> number, double shownNumber,
                           const QString& shownText)
{
    fill(number && *number == shownNumber ? State::Shown : State::Held, text, shownText);
}

bool HeldValue::mayWrite(const QString& shownNow, const Holding& now) const
{
    if (isChanged(shownNow))
        return true;
    return current == State::Shown && now && *now == read_text;
}

bool HeldValue::takeNotice()
{
    if (current == State::Shown)
        return false;
    if (noticed && noticed_state == current && noticed_text == read_text)
        return false;
    noticed = true;
    noticed_state = current;
    noticed_text = read_text;
    return true;
}

bool KeptValues::add(HeldValue& value, const QString& phrase)
{
    if (!value.takeNotice() || phrase.isEmpty())
        return false;
    all << phrase;
    (value.state() == HeldValue::State::NotRead ? not_read : held_aside) << phrase;
    news = true;
    return true;
}

void KeptValues::addLeft(HeldValue& value, const QString& phrase)
{
    left_alone << phrase;
    // A field that shows its value is left only when that value went since
    // the fill, which the window never said.
    const bool untold = value.takeNotice() || value.state() == HeldValue::State::Shown;
    news = news || untold;
}

void watchUserEdits(QWidget* field, HeldValue* value)
{
    const auto mark = [value] { value->markChanged(); };
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        QObject::connect(edit, &QLineEdit::textEdited, edit, mark);
    } else if (auto* box = qobject_cast<QAbstractSpinBox*>(field)) {
        // Typing reaches the inner edit; arrows, keys and the wheel step the
        // box without it. A fill from code steps it too, but resets the mark.
        if (auto* inner = box->findChild<QLineEdit*>())
            QObject::connect(inner, &QLineEdit::textEdited, box, mark);
        if (auto* spin = qobject_cast<QSpinBox*>(box))
            QObject::connect(spin, qOverload<int>(&QSpinBox::valueChanged), box, mark);
        else if (auto* dspin = qobject_cast<QDoubleSpinBox*>(box))
            QObject::connect(dspin, qOverload<double>(&QDoubleSpinBox::valueChanged), box, mark);
        else if (auto* dt = qobject_cast<QDateTimeEdit*>(box))
            QObject::connect(dt, &QDateTimeEdit::dateTimeChanged, box, mark);
    } else if (auto* button = qobject_cast<QAbstractButton*>(field)) {
        QObject::connect(button, &QAbstractButton::clicked, button, mark);
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(field)) {
        // Also emitted for a fill from code, which resets the mark after it.
        QObject::connect(text, &QPlainTextEdit::textChanged, text, mark);
    } else if (auto* list = qobject_cast<QComboBox*>(field)) {
        QObject::connect(list, qOverload<int>(&QComboBox::activated), list, mark);
    }
}
