#include "screenfit.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace
{

QScreen* screenOf(const QWidget* window)
{
    QScreen* screen = window->screen();
    return screen ? screen : QGuiApplication::primaryScreen();
}

// The frame a window manager puts around the window: known once it is
// mapped, taken from another window before; else a title bar's height.
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

bool fitsIn(QSize size, QSize room)
{
    return size.width() <= room.width() && size.height() <= room.height();
}

void moveOntoScreen(QWidget* window)
{
    const QRect room = screenOf(window)->availableGeometry();
    const QRect frame = window->geometry() + frameOf(window);
    auto into = [](int at, int length, int start, int roomLength) {
        return std::max(start, std::min(at, start + roomLength - length));
    };
    const QPoint at(into(frame.x(), frame.width(), room.x(), room.width()),
                    into(frame.y(), frame.height(), room.y(), room.height()));
    if (at != frame.topLeft())
        window->move(at);
}

// What `holder`'s layout holds moves into a scroll area that takes its place.
void scrollInside(QWidget* holder)
{
    QLayout* layout = holder->layout();
    if (!layout)
        return;
    auto* content = new QWidget;
    content->setObjectName(holder->objectName() + QStringLiteral("Content"));
    content->setLayout(layout); // takes the layout and its widgets from the holder
    auto* area = new QScrollArea(holder);
    area->setObjectName(holder->objectName() + QStringLiteral("Scroll"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(content);
    auto* outer = new QVBoxLayout(holder);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(area);
}

QSize layoutNeeds(QWidget* window)
{
    if (QLayout* layout = window->layout())
        layout->activate();
    return window->minimumSizeHint();
}

// The pages of a tab widget in the window's layout scroll, each inside its
// page, so the tabs and what lies beside them stay in view; where that is not
// enough, the window's whole content scrolls (a main window's central widget,
// below its menu and tool bar).
void scrollWhatDoesNotFit(QWidget* window, QSize room)
{
    auto* main = qobject_cast<QMainWindow*>(window);
    QWidget* host = main ? main->centralWidget() : window;
    QLayout* layout = host ? host->layout() : nullptr;
    for (int i = 0; layout && i < layout->count(); ++i)
        if (auto* tabs = qobject_cast<QTabWidget*>(layout->itemAt(i)->widget())) {
            for (int page = 0; page < tabs->count(); ++page)
                scrollInside(tabs->widget(page));
            if (fitsIn(layoutNeeds(window), room))
                return;
            break;
        }
    if (!main) {
        scrollInside(window);
    } else if (QWidget* central = main->takeCentralWidget()) {
        // A scroll area gives its content no less than the content's own
        // minimum, where the form sets one below what its layout needs.
        central->setMinimumSize(central->minimumSize().expandedTo(central->minimumSizeHint()));
        auto* area = new QScrollArea(main);
        area->setObjectName(central->objectName() + QStringLiteral("Scroll"));
        area->setFrameShape(QFrame::NoFrame);
        area->setWidgetResizable(true);
        area->setWidget(central);
        main->setCentralWidget(area);
    }
}

class ScreenFit : public QObject
{
public:
    explicit ScreenFit(QWidget* window)
        : QObject(window), window(window), formMin(window->minimumSize()), formMax(window->maximumSize())
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != window || event->type() != QEvent::Show)
            return false;
        if (QWindow* handle = window->windowHandle(); handle && handle != watchedHandle) {
            watchedHandle = handle;
            connect(handle, &QWindow::screenChanged, this, &ScreenFit::fit);
        }
        fit();
        // Where a window opens first is the system's (a dialog's, over its
        // parent); one the program placed stays on its screen.
        if (window->testAttribute(Qt::WA_Moved))
            moveOntoScreen(window);
        return false;
    }

private:
    void fit()
    {
        const QScreen* screen = screenOf(window);
        if (!screen)
            return;
        const QSize room = (screen->availableGeometry() - frameOf(window)).size();
        if (fitsIn(formMin.expandedTo(layoutNeeds(window)), room)) {
            setLimits(formMin, formMax);
        } else {
            // A limit of the form's is held to the room; an open one stays
            // open, the window manager's to keep.
            auto capped = [](int limit, int room) {
                return limit < QWIDGETSIZE_MAX ? std::min(limit, room) : limit;
            };
            setLimits(formMin.boundedTo(room),
                      QSize(capped(formMax.width(), room.width()), capped(formMax.height(), room.height())));
            if (!scrolling && !fitsIn(layoutNeeds(window), room)) {
                scrolling = true;
                scrollWhatDoesNotFit(window, room);
            }
        }
        const QSize size = window->size().boundedTo(room).expandedTo(window->minimumSize());
        if (size != window->size())
            window->resize(size);
    }

    void setLimits(QSize min, QSize max)
    {
        if (window->minimumSize() != min)
            window->setMinimumSize(min);
        if (window->maximumSize() != max)
            window->setMaximumSize(max);
    }

    QWidget* const window;
    const QSize formMin;
    const QSize formMax;
    QWindow* watchedHandle = nullptr;
    bool scrolling = false;
};

// A field that shows a value: its first character in view when the value is
// set, and the whole value as the tool tip of its owner (the field, or the
// spin box it belongs to) while the field cuts it.
class ValueField : public QObject
{
public:
    ValueField(QLineEdit* field, QWidget* owner)
        : QObject(field), field(field), owner(owner), formTip(owner->toolTip())
    {
        connect(field, &QLineEdit::textChanged, this, [this] {
            // Not while the user types there.
            if (!this->field->isModified() && !this->field->hasFocus())
                this->field->setCursorPosition(0);
            showWholeOnHover();
        });
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        // A tip only: the field's size is the layout's.
        if (event->type() == QEvent::Resize)
            showWholeOnHover();
        // A spin box sets its field's text with the field's signals blocked
        // and leaves it showing its end; out of focus, where no cursor shows,
        // its start is in view when it is drawn.
        if (event->type() == QEvent::Paint && field != owner) {
            if (!field->hasFocus() && field->cursorPosition() != 0)
                field->setCursorPosition(0);
            showWholeOnHover();
        }
        return false;
    }

private:
    bool isCut() const
    {
        const QMargins margins = field->textMargins();
        const int frame = field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
        // QLineEdit keeps two pixels on either side of the text.
        const int room = field->width() - 2 * (frame + 2) - margins.left() - margins.right();
        return field->fontMetrics().horizontalAdvance(field->displayText()) > room;
    }

    void showWholeOnHover()
    {
        // A tip someone else set since is theirs to keep.
        if (owner->toolTip() != shownTip)
            formTip = owner->toolTip();
        shownTip = isCut() ? field->displayText() : formTip;
        if (owner->toolTip() != shownTip)
            owner->setToolTip(shownTip);
    }

    QLineEdit* const field;
    QWidget* const owner;
    QString formTip;
    QString shownTip = formTip;
};

} // namespace

void fitToScreen(QWidget* window)
{
    new ScreenFit(window);
}

void showValuesWhole(QWidget* window)
{
    for (QLineEdit* field : window->findChildren<QLineEdit*>()) {
        // A list's own field shows its choices; a spin box's shows its value
        // or its word for none ("not read"), with the box's tip.
        auto* spin = qobject_cast<QAbstractSpinBox*>(field->parent());
        if (field->echoMode() == QLineEdit::Normal && !qobject_cast<QComboBox*>(field->parent()))
            new ValueField(field, spin ? static_cast<QWidget*>(spin) : field);
    }
}

void placeBeside(QWidget* window, const QWidget* neighbour)
{
    const QRect room = screenOf(neighbour)->availableGeometry();
    const QRect beside = neighbour->frameGeometry();
    const QRect frame = window->geometry() + frameOf(window);
    constexpr int gap = 10;
    int x = beside.right() + 1 + gap;
    if (x + frame.width() > room.right() + 1 && beside.left() - gap - frame.width() >= room.left())
        x = beside.left() - gap - frame.width();
    window->move(x, beside.top());
    moveOntoScreen(window);
}
