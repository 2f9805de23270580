#include "chooseinpopup.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>

ChooseInPopup::ChooseInPopup(QComboBox* list) : QObject(list) {}

void ChooseInPopup::install(QComboBox* list)
{
    list->installEventFilter(new ChooseInPopup(list));
}

bool ChooseInPopup::eventFilter(QObject* watched, QEvent* event)
{
    auto* list = qobject_cast<QComboBox*>(watched);
    if (!list || event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        list->showPopup();
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Space:
        return false; // focus moves, the window's keys, and the list's own way to open
    default:
        break;
    }
    if (key->text().isEmpty())
        return false;
    // Any other text would be a search that steps the closed list.
    if (key->text().at(0).isPrint()) {
        list->showPopup();
        if (list->view()->isVisible())
            QCoreApplication::sendEvent(list->view(), key);
    }
    return true;
}
