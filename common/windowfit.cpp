#include "windowfit.h"
#include "windowfit_parts.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMap>
#include <QPair>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <vector>

namespace windowfit_parts
{

// ---- Growing with the font ----

// The font as a 96-dpi desktop draws it. A font set in pixels is the same
// there; one set in points is smaller.
QFontMetrics metricsAt96(const QFont& font)
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_Mono);
        image.setDotsPerMeterX(3780); // 96 dpi
        image.setDotsPerMeterY(3780);
        return image;
    }();
    return QFontMetrics(font, &device);
}

bool growsWithFont(const QWidget* w)
{
    return w->logicalDpiY() > 96;
}

// Whether the form limits a size to `value`: neither nothing nor unbounded.
bool isLimit(int value)
{
    return value > 0 && value < QWIDGETSIZE_MAX;
}

bool isFixedWidth(const QWidget* w)
{
    return isLimit(w->maximumWidth()) && w->minimumWidth() == w->maximumWidth();
}

// The lines a widget shows as its caption, or none.
QStringList captionLines(QWidget* w)
{
    QString text;
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (!label->pixmap(Qt::ReturnByValue).isNull() || label->movie())
            return {};
        text = label->text();
        if (label->textFormat() == Qt::RichText ||
            (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text)))
            text = QTextDocumentFragment::fromHtml(text).toPlainText();
        else if (label->buddy())
            text.remove(QLatin1Char('&'));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        text = button->text();
        text.remove(QLatin1Char('&'));
    } else if (auto* list = qobject_cast<QComboBox*>(w)) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return items;
    } else if (auto* field = qobject_cast<QLineEdit*>(w)) {
        text = field->text().isEmpty() ? field->placeholderText() : field->text();
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
        text = spin->text();
    }
    return text.split(QLatin1Char('\n'));
}

bool showsText(QWidget* w)
{
    if (qobject_cast<QLabel*>(w))
        return !captionLines(w).isEmpty();
    return qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
           qobject_cast<QAbstractSpinBox*>(w);
}

// How much more room the widget's caption takes at its font now than on a
// 96-dpi desktop; never less than nothing.
QSize textGrowth(QWidget* w)
{
    const QFontMetrics now = w->fontMetrics();
    const QFontMetrics then = metricsAt96(w->font());
    int width = 0;
    // Blanks around a line need no room.
    for (const QString& line : captionLines(w))
        width =
            std::max(width, now.horizontalAdvance(line.trimmed()) - then.horizontalAdvance(line.trimmed()));
    auto* label = qobject_cast<QLabel*>(w);
    if (label && label->wordWrap())
        width = 0; // it wraps instead
    return QSize(width, std::max(0, now.height() - then.height()));
}

// A limit of the form's grows by at most what the text grew, and only as far
// as the widget asks for: room the form left spare is used first, and a form
// that gave less than the widget asks for at 96 dpi keeps giving that much
// less.
int grownLimit(int limit, int needed, int growth)
{
    return std::max(limit, std::min(needed, limit + growth));
}

void growTextWidget(QWidget* w)
{
    const bool limited = isLimit(w->minimumWidth()) || isLimit(w->maximumWidth()) ||
                         isLimit(w->minimumHeight()) || isLimit(w->maximumHeight());
    const QSize growth = limited ? textGrowth(w) : QSize();
    if (growth.isNull())
        return;
    const QSize needed = w->sizeHint().expandedTo(w->minimumSizeHint());
    auto grownWidth = [w, needed, growth](int limit) {
        // A field holds as many characters of what the user types as at
        // 96 dpi.
        if (qobject_cast<QLineEdit*>(w)) {
            const int then = metricsAt96(w->font()).averageCharWidth();
            return then > 0 ? std::max(limit, limit * w->fontMetrics().averageCharWidth() / then) : limit;
        }
        return grownLimit(limit, needed.width(), growth.width());
    };
    QSize min = w->minimumSize();
    QSize max = w->maximumSize();
    if (isLimit(min.width()))
        min.setWidth(grownWidth(min.width()));
    if (isLimit(max.width()))
        max.setWidth(grownWidth(max.width()));
    if (isLimit(min.height()))
        min.setHeight(grownLimit(min.height(), needed.height(), growth.height()));
    if (isLimit(max.height()))
        max.setHeight(grownLimit(max.height(), needed.height(), growth.height()));
    // A size the form fixed stays fixed.
    if (w->minimumWidth() == w->maximumWidth())
        min.setWidth(max.width());
    if (w->minimumHeight() == w->maximumHeight())
        min.setHeight(max.height());
    max = max.expandedTo(min);
    if (w->minimumSize() != min)
        w->setMinimumSize(min);
    if (w->maximumSize() != max)
        w->setMaximumSize(max);
}

// A closed list keeps room for its longest choice beside the arrow, which
// some styles draw wider than the list's own size hint counts on.
void fitLongestChoice(QComboBox* list)
{
    if (list->isEditable() || list->count() == 0)
        return;
    QStyleOptionComboBox option;
    option.initFrom(list);
    option.rect = QRect(QPoint(), QSize(QWIDGETSIZE_MAX / 256, list->sizeHint().height()));
    option.frame = list->hasFrame();
    const QRect field =
        list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
    int widest = 0;
    for (int i = 0; i < list->count(); ++i) {
        int width = list->fontMetrics().horizontalAdvance(list->itemText(i).trimmed());
        if (!list->itemIcon(i).isNull())
            width += list->iconSize().width() + 4;
        widest = std::max(widest, width);
    }
    const int needed = widest + option.rect.width() - field.width();
    if (needed > list->minimumSizeHint().width() && needed > list->minimumWidth())
        list->setMinimumWidth(std::min(needed, list->maximumWidth()));
}

// A widget with a layout, or the window itself, is at least as large as the
// layout needs; the form's limits stay where that is less.
QSize layoutNeeds(QWidget* w)
{
    QLayout* layout = w->layout();
    if (!layout)
        return QSize(0, 0);
    layout->activate();
    QSize needed = layout->totalMinimumSize();
    const int width = std::max(w->width(), needed.width());
    // Text that wraps needs the lines it takes at the width it gets, beyond
    // those it takes with room to spare.
    auto wrapping = [](QLayout* l, int at) {
        constexpr int roomy = QWIDGETSIZE_MAX / 256;
        return l && l->hasHeightForWidth()
                   ? std::max(0, l->totalHeightForWidth(at) - l->totalHeightForWidth(roomy))
                   : 0;
    };
    auto* main = qobject_cast<QMainWindow*>(w);
    if (QWidget* central = main ? main->centralWidget() : nullptr)
        needed.rheight() += wrapping(central->layout(), central->width() + width - w->width());
    else
        needed.rheight() += wrapping(layout, width);
    // A tool bar hides behind its arrow what does not fit: it needs its
    // whole width.
    if (w->isWindow()) {
        const QMargins margins = layout->contentsMargins();
        for (QToolBar* bar : w->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
            if (bar->orientation() == Qt::Horizontal && !bar->isHidden())
                needed.setWidth(
                    std::max(needed.width(), bar->sizeHint().width() + margins.left() + margins.right()));
    }
    return needed;
}

void growToLayout(QWidget* w, QSize formMin, QSize formMax)
{
    const QSize needed = layoutNeeds(w);
    QSize min = w->minimumSize();
    QSize max = w->maximumSize();
    // Only where the form limits the size: elsewhere the layout's own
    // minimum holds already.
    if (formMin.width() > 0 || isLimit(formMax.width())) {
        min.setWidth(std::max(formMin.width(), needed.width()));
        max.setWidth(std::max(formMax.width(), min.width()));
    }
    if (formMin.height() > 0 || isLimit(formMax.height())) {
        min.setHeight(std::max(formMin.height(), needed.height()));
        max.setHeight(std::max(formMax.height(), min.height()));
    }
    if (w->minimumSize() != min)
        w->setMinimumSize(min);
    if (w->maximumSize() != max)
        w->setMaximumSize(max);
}

int depth(QWidget* w)
{
    int n = 0;
    for (; !w->isWindow(); w = w->parentWidget())
        ++n;
    return n;
}

// ---- Sharing widths ----

// Sets each widget of a column to the widest width among them.
template <typename Key> void shareColumns(const QMap<Key, QList<QWidget*>>& columns, bool toHints)
{
    for (const QList<QWidget*>& column : columns) {
        int width = 0;
        for (QWidget* w : column)
            width = std::max(width, toHints ? std::max(w->maximumWidth(), w->sizeHint().width())
                                            : w->maximumWidth());
        for (QWidget* w : column)
            if (w->minimumWidth() != width || w->maximumWidth() != width)
                w->setFixedWidth(width);
    }
}

// Where the system lacks the form's face and a wider one stands in, a title
// of fixed width widens with the others of its group (so their values stay
// in a column), and a group whose width the form limits widens to what its
// contents need.
void widenWhereTextIsClipped(const std::vector<QWidget*>& widgets)
{
    QMap<QPair<QWidget*, int>, QList<QWidget*>> columns;
    for (QWidget* w : widgets)
        if (qobject_cast<QLabel*>(w) && showsText(w) && isFixedWidth(w))
            columns[qMakePair(w->parentWidget(), w->maximumWidth())].append(w);
    shareColumns(columns, true);
    for (QWidget* w : widgets) {
        auto* group = qobject_cast<QGroupBox*>(w);
        if (group && isLimit(group->maximumWidth()) &&
            group->minimumSizeHint().width() > group->maximumWidth())
            group->setMaximumWidth(group->minimumSizeHint().width());
    }
}

// ---- Showing values ----

// The first character of a value set into a field is in view, and a value
// the field cuts shows whole on hover.
class ValueField : public QObject
{
public:
    explicit ValueField(QLineEdit* field) : QObject(field), field(field), formTip(field->toolTip())
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
        if (event->type() == QEvent::Resize)
            showWholeOnHover();
        return false;
    }

private:
    bool isCut() const
    {
        const QMargins margins = field->textMargins();
        const int frame = field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
        // QLineEdit keeps two pixels on either side of the text.
        const int room = field->width() - 2 * (frame + 2) - margins.left() - margins.right();
        return field->fontMetrics().horizontalAdvance(field->text()) > room;
    }

    void showWholeOnHover()
    {
        // A tip someone else set since is theirs to keep.
        if (field->toolTip() != shownTip)
            formTip = field->toolTip();
        shownTip = isCut() ? field->text() : formTip;
        if (field->toolTip() != shownTip)
            field->setToolTip(shownTip);
    }

    QLineEdit* field;
    QString formTip;
    QString shownTip = formTip;
};

// What a spin box needs for its text beside its buttons, which some styles
// draw wider than the box's own size hint counts on.
int valueWidth(QAbstractSpinBox* spin)
{
    auto* field = spin->findChild<QLineEdit*>();
    if (!field)
        return spin->sizeHint().width();
    // The box lays its field out on a resize, shown or not.
    QResizeEvent resize(spin->size(), spin->size());
    QCoreApplication::sendEvent(spin, &resize);
    // A field keeps two pixels on either side of its text.
    const int around = spin->width() - field->width() + 4;
    return std::max(spin->sizeHint().width(), spin->fontMetrics().horizontalAdvance(spin->text()) + around);
}

// A spin box the form holds narrower than its values widens as far as
// `limit` allows the window's width: at 96 dpi the window keeps its size.
void widenValueBoxes(QWidget* window, const std::vector<QPointer<QAbstractSpinBox>>& boxes, QSize limit)
{
    for (QAbstractSpinBox* spin : boxes) {
        if (!spin || !isLimit(spin->maximumWidth()) || valueWidth(spin) <= spin->maximumWidth())
            continue;
        // The widest that leaves the window's width as it is: its row may
        // have room where another row is the widest.
        int fits = spin->maximumWidth();
        int tooWide = valueWidth(spin) + 1;
        while (tooWide - fits > 1) {
            const int width = (fits + tooWide) / 2;
            spin->setFixedWidth(width);
            (layoutNeeds(window).width() <= limit.width() ? fits : tooWide) = width;
        }
        spin->setFixedWidth(fits);
    }
}

} // namespace windowfit_parts

using namespace windowfit_parts;

namespace
{

// Keeps the window and the groups in it that the form limits at least as
// large as their layouts need when texts change later (a model's fault
// names, a box's values), the window never larger than its screen, and
// opens it on that screen.
class WindowRoom : public QObject
{
public:
    struct Limits {
        QPointer<QWidget> widget;
        QSize formMin;
        QSize formMax;
    };

    // `groups`: widgets with layouts whose size the form limits, inner ones
    // first; `valueBoxes`: the spin boxes.
    WindowRoom(QWidget* window, std::vector<Limits> groups,
               std::vector<QPointer<QAbstractSpinBox>> valueBoxes)
        : QObject(window), window(window), formMin(window->minimumSize()), formMax(window->maximumSize()),
          groups(std::move(groups)), valueBoxes(std::move(valueBoxes))
    {
        window->installEventFilter(this);
        for (const Limits& group : this->groups)
            group.widget->installEventFilter(this);
    }

    void fit()
    {
        const QSize room = roomOf(window).size();
        grow(room);
        if (room.isEmpty())
            return;
        // A value shown later ("not read") may need more than the form gave;
        // above 96 dpi the window may grow for it as far as its screen allows.
        widenValueBoxes(window, valueBoxes,
                        growsWithFont(window) ? room : window->size().expandedTo(window->minimumSize()));
        if (scrolledNeeds.isEmpty()) {
            const QSize excess = layoutNeeds(window) - room;
            if (excess.width() > 0 || excess.height() > 0) {
                yieldGrownRoom(window, excess);
                grow(room);
            }
            const QSize needed = layoutNeeds(window);
            if (needed.width() > room.width() || needed.height() > room.height()) {
                // What scrolls one way needs its scroll bar's room the other.
                const int bar = window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, window);
                scrolledNeeds = needed + QSize(needed.height() > room.height() ? bar : 0,
                                               needed.width() > room.width() ? bar : 0);
                scrollWhatDoesNotFit(window, room);
            }
        }
        const QSize min = window->minimumSize();
        if (min.width() > room.width() || min.height() > room.height())
            window->setMinimumSize(min.boundedTo(room));
        // A limit the form sets; an open one is the window manager's to keep.
        auto capped = [](int limit, int room) { return isLimit(limit) ? std::min(limit, room) : limit; };
        const QSize max(capped(window->maximumWidth(), room.width()),
                        capped(window->maximumHeight(), room.height()));
        if (max != window->maximumSize())
            window->setMaximumSize(max);
        const QSize size = window->size().expandedTo(window->minimumSize()).boundedTo(room);
        if (size != window->size())
            window->resize(size);
        if (window->isVisible())
            keepOnScreen(window);
    }

private:
    void grow(QSize room)
    {
        if (!growsWithFont(window))
            return;
        for (const Limits& group : groups)
            if (group.widget)
                growToLayout(group.widget, group.formMin, group.formMax);
        // Scrolling, the window still takes what its content needs as far
        // as the screen has room.
        growToLayout(window, formMin.expandedTo(scrolledNeeds.boundedTo(room)), formMax);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::LayoutRequest)
            fit();
        else if (watched == window && event->type() == QEvent::Show)
            keepOnScreen(window);
        return false;
    }

private:
    QWidget* window;
    const QSize formMin;
    const QSize formMax;
    const std::vector<Limits> groups;
    const std::vector<QPointer<QAbstractSpinBox>> valueBoxes;
    QSize scrolledNeeds; // what the content needed when it began to scroll
};

} // namespace

void growWithFont(QWidget* widget)
{
    const int then = metricsAt96(widget->font()).height();
    const int now = widget->fontMetrics().height();
    if (!growsWithFont(widget) || then <= 0 || now <= then)
        return;
    widget->setProperty(formMinimumProperty, widget->minimumSize());
    auto grown = [now, then](int limit) { return isLimit(limit) ? limit * now / then : limit; };
    widget->setMinimumSize(grown(widget->minimumWidth()), grown(widget->minimumHeight()));
    widget->setMaximumSize(grown(widget->maximumWidth()), grown(widget->maximumHeight()));
}

void fitWindow(QWidget* window)
{
    window->ensurePolished();
    std::vector<QWidget*> widgets;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->window() == window) {
            w->ensurePolished();
            widgets.push_back(w);
        }

    widenWhereTextIsClipped(widgets);
    for (QWidget* w : widgets) {
        if (auto* list = qobject_cast<QComboBox*>(w))
            fitLongestChoice(list);
        auto* field = qobject_cast<QLineEdit*>(w);
        // A spin box's or list's own field shows what its owner puts there.
        if (field && field->echoMode() == QLineEdit::Normal &&
            !qobject_cast<QAbstractSpinBox*>(w->parent()) && !qobject_cast<QComboBox*>(w->parent()))
            new ValueField(field);
    }

    // The window's and its groups' limits as the form gives them.
    std::vector<WindowRoom::Limits> groups;
    for (QWidget* w : widgets)
        if (w->layout() && (w->minimumWidth() > 0 || w->minimumHeight() > 0 || isLimit(w->maximumWidth()) ||
                            isLimit(w->maximumHeight())))
            groups.push_back({w, w->minimumSize(), w->maximumSize()});
    // Inner groups before the groups and the window that hold them.
    std::stable_sort(groups.begin(), groups.end(),
                     [](const WindowRoom::Limits& a, const WindowRoom::Limits& b) {
                         return depth(a.widget) > depth(b.widget);
                     });
    std::vector<QPointer<QAbstractSpinBox>> valueBoxes;
    for (QWidget* w : widgets)
        if (auto* spin = qobject_cast<QAbstractSpinBox*>(w))
            valueBoxes.push_back(spin);
    auto* room = new WindowRoom(window, std::move(groups), std::move(valueBoxes));

    if (growsWithFont(window)) {
        // Widgets of a kind that the form gave one width (titles in a column,
        // buttons of a row, even across groups) keep sharing it.
        QMap<QPair<QString, int>, QList<QWidget*>> columns;
        for (QWidget* w : widgets) {
            if (!showsText(w))
                continue;
            if (isFixedWidth(w))
                columns[qMakePair(QString::fromLatin1(w->metaObject()->className()), w->maximumWidth())]
                    .append(w);
            growTextWidget(w);
        }
        shareColumns(columns, false);
    }
    room->fit();
    for (QWidget* w : widgets) {
        auto* table = qobject_cast<QTableView*>(w);
        if (table && isLimit(table->maximumHeight()) && table->minimumHeight() == table->maximumHeight())
            keepRowsWhole(table);
    }
    window->resize(window->size().expandedTo(window->minimumSize()).boundedTo(window->maximumSize()));
}
