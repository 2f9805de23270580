#pragma once

#include <QCoreApplication>
#include <QEvent>

// Delivers every event already posted to the calling thread, and those the
// handlers post in turn. Once a worker thread has finished, everything it
// emitted towards this thread has been posted, so after this call a test can
// check that something did NOT happen without waiting for a duration. A modal
// box opened by one of these events runs its own loop until it is answered
// (see ModalAnswerer), so it has been seen by the time this returns.
inline void deliverPostedEvents()
{
    for (int round = 0; round < 10; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}
