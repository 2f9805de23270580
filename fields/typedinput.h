#pragma once

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QList>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QValidator>
#include <QWidget>

// What a button sends is what its window showed when the user pressed it.
// Numbers are typed with a decimal point or with the decimal comma of the
// user's locale, never with group separators ("1,000" is never a thousand);
// on the wire and in files they keep the point.

namespace typed_input
{

// `text` read as a number typed by the user: 0, and *ok false, when it is
// none. QString::toDouble reads the C form and takes no group separator.
inline double typedNumber(const QString& text, bool* ok = nullptr)
{
    const QChar userPoint = QLocale().decimalPoint();
    if (userPoint == QLatin1Char('.') || !text.contains(userPoint))
        return text.toDouble(ok);
    QString pointed = text;
    pointed.replace(userPoint, QLatin1Char('.'));
    return pointed.toDouble(ok);
}

// Stands in front of a spin box's own validator. A spin box drops the group
// separators of its locale, so that "1,5" would read as 15: text holding one
// is refused, and a typed point or decimal comma becomes the box's own
// decimal point.
class SpinBoxText : public QValidator
{
public:
    SpinBoxText(QAbstractSpinBox* box, const QValidator* own) : QValidator(box), box(box), own(own) {}

    State validate(QString& input, int& pos) const override
    {
        const QLocale shown = box->locale();
        if (qobject_cast<QDoubleSpinBox*>(box)) {
            const QChar userPoint = QLocale().decimalPoint();
            for (QChar& ch : input)
                if (ch == QLatin1Char('.') || ch == userPoint)
                    ch = shown.decimalPoint();
        }
        if (input.contains(shown.groupSeparator()))
            return Invalid;
        return own ? own->validate(input, pos) : Acceptable;
    }

    void fixup(QString& input) const override
    {
        if (own)
            own->fixup(input);
    }

private:
    QAbstractSpinBox* box;
    const QValidator* own; // the box's, which lives as long as the box
};

// Whether leaving `field` now would replace its text with a correction.
inline bool correctionPending(QObject* field)
{
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        const QValidator* validator = edit->validator();
        if (!validator || edit->isReadOnly() || edit->hasAcceptableInput())
            return false;
        // As QLineEdit does: the fixed text replaces the typed one only when
        // the validator accepts it.
        QString fixed = edit->text();
        validator->fixup(fixed);
        int pos = fixed.size();
        return fixed != edit->text() && validator->validate(fixed, pos) == QValidator::Acceptable;
    }
    if (auto* box = qobject_cast<QAbstractSpinBox*>(field))
        return !box->isReadOnly() && !box->hasAcceptableInput();
    return false;
}

inline bool isField(QWidget* widget)
{
    if (qobject_cast<QAbstractSpinBox*>(widget))
        return true;
    // A spin box's or a list's own line edit is handled through its owner.
    return qobject_cast<QLineEdit*>(widget) && !qobject_cast<QAbstractSpinBox*>(widget->parentWidget()) &&
           !qobject_cast<QComboBox*>(widget->parentWidget());
}

// Holds back the press of a sending button that moved the focus out of a
// field whose text was then corrected: the user sees the correction first
// and presses again. A Return that corrects a field goes no further either,
// so it cannot reach a default button.
class Guard : public QObject
{
public:
    using QObject::QObject;

    QList<QPointer<QAbstractButton>> senders;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::FocusOut:
            // The focus widget is already the one the click goes to.
            if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason &&
                correctionPending(watched))
                holdPressOf(qobject_cast<QAbstractButton*>(QApplication::focusWidget()));
            return false;
        case QEvent::KeyPress:
            return returnCorrects(watched, static_cast<QKeyEvent*>(event));
        case QEvent::MouseButtonPress:
            if (held && watched == held) {
                heldPress = held;
                held = nullptr;
                return true;
            }
            heldPress = nullptr;
            return false;
        case QEvent::MouseButtonDblClick:
            // The second half of a double click whose first press was held.
            if (heldPress && watched == heldPress) {
                heldPress = nullptr;
                return true;
            }
            return false;
        default:
            return false;
        }
    }

private:
    void holdPressOf(QAbstractButton* button)
    {
        if (!button || !senders.contains(button))
            return;
        held = button;
        // The press follows the focus change at once; nothing is held later.
        QMetaObject::invokeMethod(
            this, [this] { held = nullptr; }, Qt::QueuedConnection);
    }

    static bool returnCorrects(QObject* field, QKeyEvent* key)
    {
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || mods != Qt::NoModifier)
            return false;
        if (!correctionPending(field))
            return false;
        field->event(key); // the field commits its correction
        key->accept();     // and the parents never see the Return
        return true;
    }

    QPointer<QAbstractButton> held;
    QPointer<QAbstractButton> heldPress;
};

inline Guard* guardOf(QWidget* window)
{
    for (QObject* child : window->children())
        if (auto* guard = dynamic_cast<Guard*>(child))
            return guard;
    return new Guard(window);
}

// Every spin box of `window` reads typed numbers as above, and the buttons
// `senders`, which send the window's fields, never send a correction that
// the user has not seen. Call it once the form is built.
inline void keepSentAsShown(QWidget* window, const QList<QAbstractButton*>& senders)
{
    Guard* guard = guardOf(window);
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!isField(widget))
            continue;
        widget->installEventFilter(guard);
        auto* box = qobject_cast<QAbstractSpinBox*>(widget);
        if (!qobject_cast<QSpinBox*>(box) && !qobject_cast<QDoubleSpinBox*>(box))
            continue;
        auto* edit = box->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
        if (edit && !dynamic_cast<const SpinBoxText*>(edit->validator()))
            edit->setValidator(new SpinBoxText(box, edit->validator()));
    }
    for (QAbstractButton* button : senders) {
        if (!guard->senders.contains(button)) {
            guard->senders.append(button);
            button->installEventFilter(guard);
        }
    }
}

// The same, where every push and tool button of `window` but a Cancel sends
// its fields.
inline void keepSentAsShown(QWidget* window)
{
    QList<QAbstractButton*> senders;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!qobject_cast<QPushButton*>(button) && !qobject_cast<QToolButton*>(button))
            continue;
        auto* box = qobject_cast<QDialogButtonBox*>(button->parentWidget());
        if (box && box->buttonRole(button) == QDialogButtonBox::RejectRole)
            continue;
        senders << button;
    }
    keepSentAsShown(window, senders);
}

// Shows the correction of every field of `window` that the user can see
// and edit and whose text is not acceptable, as leaving the field would, and
// says whether there was one: then nothing is sent, whatever way the button
// was pressed.
inline bool showCorrections(QWidget* window)
{
    bool corrected = false;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!isField(widget) || !widget->isEnabled() || !widget->isVisibleTo(window) ||
            !correctionPending(widget))
            continue;
        corrected = true;
        if (auto* box = qobject_cast<QAbstractSpinBox*>(widget)) {
            box->interpretText();
            continue;
        }
        auto* edit = static_cast<QLineEdit*>(widget);
        QString fixed = edit->text();
        edit->validator()->fixup(fixed);
        edit->setText(fixed);
        emit edit->editingFinished();
    }
    return corrected;
}

} // namespace typed_input

using typed_input::keepSentAsShown;
using typed_input::showCorrections;
using typed_input::typedNumber;
