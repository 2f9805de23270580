#pragma once

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QWidget>

// Controls of a window act only on input the user aimed at them: a wheel
// turned while the pointer merely passes over a list or a spin box, or a
// Return pressed in a field, never changes what goes to an instrument.

namespace deliberate_input
{

// Property of a control whose wheel is locked (see lockWheel).
constexpr const char* wheelLockedProperty = "deliberateInputWheelLocked";

class Guard : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Wheel: {
            auto* control = static_cast<QWidget*>(watched);
            if (control->hasFocus() && !control->property(wheelLockedProperty).toBool())
                return false;
            // Ignored and taken away from the control, the wheel goes on to
            // the control's parent: the page under the pointer scrolls.
            event->ignore();
            return true;
        }
        case QEvent::KeyPress:
            return keyPress(watched, static_cast<QKeyEvent*>(event));
        default:
            return false;
        }
    }

private:
    static bool isReturn(const QKeyEvent* key)
    {
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::NoModifier;
    }

    // Return presses the focused button, once: a held key repeats nothing.
    static bool keyPress(QObject* watched, QKeyEvent* key)
    {
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button || !isReturn(key))
            return false;
        if (!key->isAutoRepeat() && button->isEnabled())
            button->click();
        return true;
    }
};

inline Guard* guardOf(QWidget* window)
{
    // Guard has no meta-object of its own, so qobject_cast cannot tell it.
    for (QObject* child : window->children())
        if (auto* guard = dynamic_cast<Guard*>(child))
            return guard;
    return new Guard(window);
}

// Every list, spin box and slider of `window` (scroll bars aside) takes the
// wheel only while it has the focus, and no longer takes the focus from the
// wheel: passing over it with the wheel scrolls the page instead.
inline void guardWheel(QWidget* window)
{
    Guard* guard = guardOf(window);
    auto guardControl = [guard](QWidget* control) {
        if (qobject_cast<QScrollBar*>(control))
            return;
        if (control->focusPolicy() == Qt::WheelFocus)
            control->setFocusPolicy(Qt::StrongFocus);
        control->installEventFilter(guard);
    };
    for (QComboBox* list : window->findChildren<QComboBox*>())
        guardControl(list);
    for (QAbstractSpinBox* spin : window->findChildren<QAbstractSpinBox*>())
        guardControl(spin);
    for (QAbstractSlider* slider : window->findChildren<QAbstractSlider*>())
        guardControl(slider);
}

// A closed list whose choice writes to an instrument never takes the wheel,
// focused or not; it is chosen from its open popup or with the keys. The
// window must be guarded with guardWheel.
inline void lockWheel(QComboBox* list)
{
    list->setProperty(wheelLockedProperty, true);
}

// For a window whose fields are committed with Return: Return in a field
// commits that field and nothing else, and Return on a focused push or tool
// button presses it. No push button is default or auto-default, so a Return
// that a field leaves unused finds no button to click (an auto-default one
// would also become the default whenever it had the focus). Call it once
// the form is built.
inline void keepReturnLocal(QWidget* window)
{
    Guard* guard = guardOf(window);
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (auto* push = qobject_cast<QPushButton*>(button)) {
            push->setAutoDefault(false);
            push->setDefault(false);
        } else if (!qobject_cast<QToolButton*>(button)) {
            continue; // check boxes and radio buttons keep their keys
        }
        button->installEventFilter(guard);
    }
}

} // namespace deliberate_input

using deliberate_input::guardWheel;
using deliberate_input::keepReturnLocal;
using deliberate_input::lockWheel;
