// Window sizing: fitting the screen (room, frames, scrolling, placement).
#include "windowfit.h"
#include "windowfit_parts.h"

#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace windowfit_parts
{

// ---- Fitting the screen ----

QScreen* screenOf(const QWidget* window)
{
    QScreen* screen = window->screen();
    return screen ? screen : QGuiApplication::primaryScreen();
}

// The frame a window manager puts around the window: known once it is
// shown, taken from another window before; else a title bar's height.
QMargins frameOf(const QWidget* window)
{
    auto margins = [](const QWidget* w) {
        const QRect frame = w->frameGeometry();
        const QRect inner = w->geometry();
        return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                        frame.bottom() - inner.bottom());
    };
    if (window->isVisible() && window->frameGeometry() != window->geometry())
        return margins(window);
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != window && other->isVisible() && other->frameGeometry() != other->geometry())
            return margins(other);
    return QMargins(0, window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window), 0, 0);
}

// The room the screen leaves a window inside its frame.
QRect roomOf(const QWidget* window)
{
    const QScreen* screen = screenOf(window);
    return screen ? screen->availableGeometry() - frameOf(window) : QRect();
}

void moveOntoScreen(QWidget* window)
{
    const QScreen* screen = screenOf(window);
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    const QRect frame = window->geometry() + frameOf(window);
    auto into = [](int at, int length, int start, int roomLength) {
        return std::max(start, std::min(at, start + roomLength - length));
    };
    window->move(into(frame.x(), frame.width(), room.x(), room.width()),
                 into(frame.y(), frame.height(), room.y(), room.height()));
}

// A window placed by the program, or over its parent (a dialog), is kept on
// the screen; where the others open is the system's choice.
void keepOnScreen(QWidget* window)
{
    if ((window->testAttribute(Qt::WA_Moved) || window->parentWidget()) && !fitsItsScreen(window))
        moveOntoScreen(window);
}

QScrollArea* scrolling(QWidget* content, QWidget* parent)
{
    auto* area = new QScrollArea(parent);
    area->setObjectName(content->objectName() + QStringLiteral("Scroll"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(content);
    return area;
}

// Each page of the tab widget scrolls on its own; the tabs stay in view.
void scrollPages(QTabWidget* tabs)
{
    const QSignalBlocker blocker(tabs);
    const int current = tabs->currentIndex();
    for (int i = 0; i < tabs->count(); ++i) {
        QWidget* page = tabs->widget(i);
        const QString text = tabs->tabText(i);
        const QIcon icon = tabs->tabIcon(i);
        const QString tip = tabs->tabToolTip(i);
        const bool enabled = tabs->isTabEnabled(i);
        const bool visible = tabs->isTabVisible(i);
        tabs->removeTab(i);
        tabs->insertTab(i, scrolling(page, tabs), icon, text);
        tabs->setTabToolTip(i, tip);
        tabs->setTabEnabled(i, enabled);
        tabs->setTabVisible(i, visible);
    }
    tabs->setCurrentIndex(current);
}

// The window's whole content scrolls: a main window's central widget, or
// everything its layout holds.
void scrollContent(QWidget* window)
{
    if (auto* main = qobject_cast<QMainWindow*>(window)) {
        if (QWidget* central = main->takeCentralWidget())
            main->setCentralWidget(scrolling(central, main));
        return;
    }
    QLayout* layout = window->layout();
    if (!layout)
        return;
    auto* content = new QWidget;
    content->setObjectName(window->objectName() + QStringLiteral("Content"));
    content->setLayout(layout);
    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scrolling(content, window));
}

// Makes what the window holds scroll where it needs more than `room`: the
// pages of a tab widget the window's layout holds, so what lies beside or
// below them stays in reach, or else the whole content.
void scrollWhatDoesNotFit(QWidget* window, QSize room)
{
    auto* main = qobject_cast<QMainWindow*>(window);
    const QWidget* host = main ? main->centralWidget() : window;
    QLayout* layout = host ? host->layout() : nullptr;
    for (int i = 0; layout && i < layout->count(); ++i) {
        if (auto* tabs = qobject_cast<QTabWidget*>(layout->itemAt(i)->widget())) {
            scrollPages(tabs);
            const QSize needed = layoutNeeds(window);
            if (needed.width() <= room.width() && needed.height() <= room.height())
                return;
            break;
        }
    }
    scrollContent(window);
}

// Where the window needs `excess` more than its screen has, the widgets that
// grew with the font give back up to that much, down to the form's minimum.
void yieldGrownRoom(QWidget* window, QSize excess)
{
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QSize form = w->property(formMinimumProperty).toSize();
        if (form.isEmpty() || (excess.width() <= 0 && excess.height() <= 0))
            continue;
        const QSize min = w->minimumSize();
        const QSize yielded(std::max(form.width(), min.width() - std::max(0, excess.width())),
                            std::max(form.height(), min.height() - std::max(0, excess.height())));
        excess -= min - yielded;
        w->setMinimumSize(yielded);
    }
}

// How much more a widget in the window may ask for: up to the screen above
// 96 dpi, where windows grow with their content; at 96 dpi nothing, the
// window keeps the form's size.
QSize roomToGrow(QWidget* window)
{
    if (!growsWithFont(window))
        return QSize(0, 0);
    return (roomOf(window).size() - window->minimumSize()).expandedTo(QSize(0, 0));
}

} // namespace windowfit_parts

using namespace windowfit_parts;

bool fitsItsScreen(const QWidget* window)
{
    const QScreen* screen = screenOf(window);
    return !screen || screen->availableGeometry().contains(window->geometry() + frameOf(window));
}

void placeBeside(QWidget* window, const QWidget* neighbour)
{
    const QScreen* screen = screenOf(neighbour);
    const QRect beside = neighbour->frameGeometry();
    const QRect frame = window->geometry() + frameOf(window);
    constexpr int gap = 10;
    int x = beside.right() + 1 + gap;
    if (screen) {
        const QRect room = screen->availableGeometry();
        if (x + frame.width() > room.right() + 1 && beside.left() - gap - frame.width() >= room.left())
            x = beside.left() - gap - frame.width();
    }
    window->move(x, beside.top());
    if (!fitsItsScreen(window))
        moveOntoScreen(window);
}
