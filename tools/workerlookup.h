#pragma once

#include <QWidget>

#include "ps_thread.h"

// The supply worker owned by `owner` (the main window creates its one
// ps_thread as a direct child before any tool window). Tool windows that are
// handed only their parent take the worker from it this way, so they need no
// knowledge of the main window's class.
inline ps_thread* workerOf(QObject* owner)
{
    return owner ? owner->findChild<ps_thread*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}
