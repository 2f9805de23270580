#pragma once

// For scripted runs that must know when a modal box or dialog is up (to act
// while it is): with the given environment variable set to 1, every modal
// dialog the program shows is named on standard output as
// "dialog shown: <title>", one line each, at once.

#include <QApplication>
#include <QDialog>
#include <QEvent>

#include <cstdio>

class DialogReport : public QObject
{
public:
    static void installIfRequested(const char* variable)
    {
        if (qgetenv(variable) == "1")
            qApp->installEventFilter(new DialogReport(qApp));
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            auto* dialog = qobject_cast<QDialog*>(object);
            if (dialog && dialog->isModal()) {
                std::printf("dialog shown: %s\n", qPrintable(dialog->windowTitle()));
                std::fflush(stdout);
            }
        }
        return false;
    }

private:
    using QObject::QObject;
};
