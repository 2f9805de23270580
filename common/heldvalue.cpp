#include "heldvalue.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

void HeldValue::fill(bool read, const QString& text, bool exact, const QString& shownText)
{
    current = !read ? State::NotRead : exact ? State::Shown : State::Held;
    read_text = read ? text : QString();
    shown_text = shownText;
    changed = false;
    if (current == State::Shown)
        noticed = false;
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
