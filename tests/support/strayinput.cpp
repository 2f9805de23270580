#include "strayinput.h"

#include "modalanswerer.h"
#include "postedevents.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

namespace
{

QString controlName(QWidget* w)
{
    // A spin box's or combo box's own line edit stands for its owner.
    QWidget* parent = w->parentWidget();
    if (qobject_cast<QLineEdit*>(w) &&
        (qobject_cast<QAbstractSpinBox*>(parent) || qobject_cast<QComboBox*>(parent)))
        w = parent;
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

// Brings every page that holds `w` to the front.
void showPagesOf(QWidget* w)
{
    for (QWidget *child = w, *parent = w->parentWidget(); parent;
         child = parent, parent = parent->parentWidget()) {
        auto* stack = qobject_cast<QStackedWidget*>(parent);
        if (!stack)
            continue;
        if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
            tabs->setCurrentWidget(child);
        else
            stack->setCurrentWidget(child);
    }
}

bool reachable(QWidget* w)
{
    showPagesOf(w);
    return w->isEnabled() && w->isVisible();
}

QSet<QWidget*> shownWindows()
{
    QSet<QWidget*> shown;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            shown.insert(w);
    return shown;
}

void showWindow(QWidget* window)
{
    window->show();
    (void)QTest::qWaitForWindowExposed(window);
    // Offscreen, a window shown again after a hide stays the focus window
    // and is never activated again: the widgets are told directly.
    QApplication::setActiveWindow(window);
    deliverPostedEvents();
}

// What one input set off besides the control it was aimed at.
class Watch
{
public:
    Watch(QWidget* window, ModalAnswerer& answerer) : window(window), answerer(answerer)
    {
        before = shownWindows();
        answerer.clear();
    }

    QStringList seen(const std::function<QString()>& effects)
    {
        deliverPostedEvents();
        QStringList what;
        for (const ModalAnswerer::Seen& box : answerer.seen())
            what << QStringLiteral("opened \"%1\"").arg(box.title);
        for (QWidget* w : shownWindows() - before) {
            what << QStringLiteral("showed \"%1\"").arg(w->windowTitle());
            w->hide();
        }
        if (!window->isVisible()) {
            what << QStringLiteral("closed the window");
            showWindow(window);
        }
        const QString more = effects();
        if (!more.isEmpty())
            what << more;
        return what;
    }

private:
    QWidget* window;
    ModalAnswerer& answerer;
    QSet<QWidget*> before;
};

QString report(QWidget* window, QWidget* control, const QStringList& what)
{
    return QStringLiteral("%1 %2: %3")
        .arg(QString::fromLatin1(window->metaObject()->className()), controlName(control),
             what.join(QStringLiteral(", ")));
}

// Records the widgets a wheel event is delivered to while it propagates.
class WheelTrail : public QObject
{
public:
    WheelTrail() { qApp->installEventFilter(this); }
    ~WheelTrail() override { qApp->removeEventFilter(this); }

    QList<QObject*> receivers;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Wheel)
            receivers << watched;
        return false;
    }
};

QVariant valueOf(QWidget* control)
{
    if (auto* list = qobject_cast<QComboBox*>(control))
        return list->currentIndex();
    return control->metaObject()->userProperty().read(control);
}

void putBack(QWidget* control, const QVariant& value)
{
    const QSignalBlocker blocker(control);
    if (auto* list = qobject_cast<QComboBox*>(control))
        list->setCurrentIndex(value.toInt());
    else
        control->metaObject()->userProperty().write(control, value);
}

void dropFocus()
{
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus();
}

} // namespace

// One notch (up, away from the user, or down), delivered as the window
// system delivers it: spontaneous, so that it may give the focus and travel
// up to the parents (sendEvent would make it a plain one).
void wheelNotch(QWidget* control, int direction)
{
    const QPoint centre = control->rect().center();
    QWidget* target = control->childAt(centre);
    if (!target)
        target = control;
    const QPoint local = target->mapFrom(control, centre);
    QWheelEvent wheel(local, target->mapToGlobal(local), QPoint(),
                      QPoint(0, direction * QWheelEvent::DefaultDeltasPerStep), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    qApp->notify(target, &wheel);
}

QStringList returnInEveryControl(QWidget* window, const std::function<QString()>& effects)
{
    ModalAnswerer answerer;
    answerer.leave(window);
    QStringList found;
    showWindow(window);
    effects(); // what showing the window did is not the controls' doing
    QSet<QWidget*> pressed;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (qobject_cast<QPushButton*>(w) || qobject_cast<QToolButton*>(w))
            continue;
        if (!(w->focusPolicy() & Qt::TabFocus) || w->window() != window || !reachable(w))
            continue;
        w->setFocus(Qt::TabFocusReason);
        QWidget* focused = QApplication::focusWidget();
        if (!focused || pressed.contains(focused))
            continue;
        pressed.insert(focused);
        // Return is text in a multi-line editor; every other control keeps its value.
        const bool typed = qobject_cast<QPlainTextEdit*>(focused) || qobject_cast<QTextEdit*>(focused);
        const QVariant value = typed ? QVariant() : valueOf(focused);
        Watch watch(window, answerer);
        QTest::keyClick(focused, Qt::Key_Return);
        QStringList what = watch.seen(effects);
        if (!typed && valueOf(focused) != value)
            what << QStringLiteral("changed from %1 to %2").arg(value.toString(), valueOf(focused).toString());
        if (!what.isEmpty())
            found << report(window, focused, what);
    }
    window->hide();
    deliverPostedEvents();
    return found;
}

QStringList wheelOverEveryControl(QWidget* window, const std::function<QString()>& effects)
{
    ModalAnswerer answerer;
    answerer.leave(window);
    QStringList found;
    showWindow(window);
    effects();
    QList<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                             (qobject_cast<QAbstractSlider*>(w) && !qobject_cast<QScrollBar*>(w));
        if (control && w->window() == window)
            controls << w;
    }
    for (QWidget* control : qAsConst(controls)) {
        if (!reachable(control))
            control = nullptr;
        QStringList what;
        // A control at one end of its range moves only one way: both are tried.
        for (const int direction : {1, -1}) {
            if (!control)
                break;
            const QVariant value = valueOf(control);
            dropFocus();
            {
                Watch watch(window, answerer);
                WheelTrail trail;
                wheelNotch(control, direction);
                what << watch.seen(effects);
                if (valueOf(control) != value)
                    what << QStringLiteral("changed from %1 to %2 unfocused")
                                .arg(value.toString(), valueOf(control).toString());
                if (control->hasFocus())
                    what << QStringLiteral("took the focus");
                const bool passedOn =
                    std::any_of(trail.receivers.begin(), trail.receivers.end(), [control](QObject* r) {
                        return r->isWidgetType() && r != control &&
                               static_cast<QWidget*>(r)->isAncestorOf(control);
                    });
                if (!passedOn)
                    what << QStringLiteral("kept the wheel from the page");
            }
            putBack(control, value);

            control->setFocus(Qt::TabFocusReason);
            {
                Watch watch(window, answerer);
                wheelNotch(control, direction);
                for (const QString& w : watch.seen(effects))
                    what << w + QStringLiteral(" focused");
            }
            putBack(control, value);
            effects();
        }
        what.removeDuplicates();
        if (!what.isEmpty())
            found << report(window, control, what);
    }
    // Tables and scroll areas still scroll under the wheel.
    for (QAbstractScrollArea* area : window->findChildren<QAbstractScrollArea*>()) {
        QScrollBar* bar = area->verticalScrollBar();
        if (area->window() != window || !reachable(area) || bar->maximum() == 0)
            continue;
        const int before = bar->value();
        wheelNotch(area->viewport(), before < bar->maximum() ? -1 : 1);
        if (bar->value() == before)
            found << report(window, area, {QStringLiteral("did not scroll")});
    }
    window->hide();
    deliverPostedEvents();
    return found;
}

QStringList returnOnEveryButton(QWidget* window)
{
    ModalAnswerer answerer;
    answerer.leave(window);
    QStringList found;
    showWindow(window);
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!qobject_cast<QPushButton*>(button) && !qobject_cast<QToolButton*>(button))
            continue;
        if (button->window() != window || !reachable(button))
            continue;
        button->disconnect();
        QSignalSpy clicks(button, &QAbstractButton::clicked);
        button->setFocus(Qt::TabFocusReason);
        Watch watch(window, answerer);
        QStringList what;
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            clicks.clear();
            QTest::keyClick(button, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            deliverPostedEvents();
            if (clicks.count() != 1)
                what << QStringLiteral("%1 clicked it %2 times")
                            .arg(key == Qt::Key_Enter ? QStringLiteral("Enter") : QStringLiteral("Return"))
                            .arg(clicks.count());
        }
        // A held key repeats nothing.
        clicks.clear();
        QKeyEvent held(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(button, &held);
        if (!clicks.isEmpty())
            what << QStringLiteral("a held Return clicked it");
        what << watch.seen([] { return QString(); });
        if (!what.isEmpty())
            found << report(window, button, what);
    }
    window->hide();
    deliverPostedEvents();
    return found;
}

bool nothingFound(const QStringList& found)
{
    for (const QString& line : found)
        qWarning().noquote() << line;
    return found.isEmpty();
}
