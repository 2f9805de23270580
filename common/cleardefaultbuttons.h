#pragma once

#include <QPushButton>
#include <QWidget>

// For a dialog whose fields are committed with Return: a dialog clicks its
// default push button on a Return its focused widget leaves unused, and
// makes its first auto-default button the default when shown. With no
// button default or auto-default, Return commits the field and does nothing
// else. Call it once the form is built.
inline void clearDefaultButtons(QWidget* window)
{
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}
