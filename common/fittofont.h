#pragma once

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMap>
#include <QPair>
#include <QPushButton>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QToolBar>
#include <QWidget>

#include <algorithm>
#include <vector>

// The forms give sizes in pixels, made for a desktop font of 96 dpi. On a
// desktop set to 125 % or 150 % (Xft.dpi or QT_FONT_DPI 120, 144) the texts,
// whose fonts are in points, grow while the pixels stay, and captions would
// be cut. fitToFont takes the form's pixels as the sizes at 96 dpi and lets
// them grow from there as far as the texts need: a widget the form holds to a
// width or height grows by at most what its text grew, and only as far as it
// needs; a field keeps room for as many characters; a group or window whose
// size the form limits is at least as large as its layout then needs. At
// 96 dpi (or less) it changes nothing.

namespace font_room
{

// The font as a 96-dpi desktop draws it. A font set in pixels is the same
// there; one set in points is smaller.
inline QFontMetrics metricsAt96(const QFont& font)
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_Mono);
        image.setDotsPerMeterX(3780); // 96 dpi
        image.setDotsPerMeterY(3780);
        return image;
    }();
    return QFontMetrics(font, &device);
}

// The lines a widget shows as its caption, or none.
inline QStringList captionLines(QWidget* w)
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

// How much more room the widget's caption takes at its font now than on a
// 96-dpi desktop; never less than nothing.
inline QSize textGrowth(QWidget* w)
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

inline bool showsText(QWidget* w)
{
    if (qobject_cast<QLabel*>(w))
        return !captionLines(w).isEmpty();
    return qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
           qobject_cast<QAbstractSpinBox*>(w);
}

// A limit of the form's grows by at most what the text grew, and only as far
// as the widget asks for: room the form left spare is used first, and a form
// that gave less than the widget asks for at 96 dpi keeps giving that much
// less.
inline int grownLimit(int limit, int needed, int growth)
{
    return std::max(limit, std::min(needed, limit + growth));
}

inline bool limits(int value)
{
    return value > 0 && value < QWIDGETSIZE_MAX;
}

inline void growTextWidget(QWidget* w)
{
    const bool limited = limits(w->minimumWidth()) || limits(w->maximumWidth()) ||
                         limits(w->minimumHeight()) || limits(w->maximumHeight());
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
    if (limits(min.width()))
        min.setWidth(grownWidth(min.width()));
    if (limits(max.width()))
        max.setWidth(grownWidth(max.width()));
    if (limits(min.height()))
        min.setHeight(grownLimit(min.height(), needed.height(), growth.height()));
    if (limits(max.height()))
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

// A widget with a layout, or the window itself, is at least as large as the
// layout needs; the form's limits stay where that is less.
inline QSize layoutNeeds(QWidget* w)
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

inline void growToLayout(QWidget* w, QSize formMin, QSize formMax)
{
    const QSize needed = layoutNeeds(w);
    QSize min = w->minimumSize();
    QSize max = w->maximumSize();
    // Only where the form limits the size: elsewhere the layout's own
    // minimum holds already.
    if (formMin.width() > 0 || limits(formMax.width())) {
        min.setWidth(std::max(formMin.width(), needed.width()));
        max.setWidth(std::max(formMax.width(), min.width()));
    }
    if (formMin.height() > 0 || limits(formMax.height())) {
        min.setHeight(std::max(formMin.height(), needed.height()));
        max.setHeight(std::max(formMax.height(), min.height()));
    }
    if (w->minimumSize() != min)
        w->setMinimumSize(min);
    if (w->maximumSize() != max)
        w->setMaximumSize(max);
}

// Keeps a window at least as large as its layout needs when its texts change
// later (a model's fault names, a box's values).
class WindowRoom : public QObject
{
public:
    WindowRoom(QWidget* window)
        : QObject(window), formMin(window->minimumSize()), formMax(window->maximumSize())
    {
        window->installEventFilter(this);
    }

    void fit() { growToLayout(static_cast<QWidget*>(parent()), formMin, formMax); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::LayoutRequest)
            fit();
        return false;
    }

private:
    const QSize formMin;
    const QSize formMax;
};

inline int depth(QWidget* w)
{
    int n = 0;
    for (; !w->isWindow(); w = w->parentWidget())
        ++n;
    return n;
}

// The width for push buttons that the form gives `formWidth` pixels and that
// show each of `texts` in turn (a table column of row buttons): above 96 dpi
// it grows as a width fixed in a form does.
inline int buttonWidthFor(QWidget* parent, int formWidth, const QStringList& texts)
{
    QPushButton probe(parent);
    if (probe.logicalDpiY() <= 96)
        return formWidth;
    probe.ensurePolished();
    const QFontMetrics now = probe.fontMetrics();
    const QFontMetrics then = metricsAt96(probe.font());
    int needed = 0;
    int growth = 0;
    for (const QString& text : texts) {
        probe.setText(text);
        needed = std::max(needed, probe.sizeHint().width());
        growth = std::max(growth, now.horizontalAdvance(text) - then.horizontalAdvance(text));
    }
    return grownLimit(formWidth, needed, growth);
}

// Call once the form is built.
inline void fitToFont(QWidget* window)
{
    // The forms are made for 96 dpi.
    if (window->logicalDpiY() <= 96)
        return;
    window->ensurePolished();
    std::vector<QWidget*> widgets;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->window() == window)
            widgets.push_back(w);

    // Widgets of a kind that the form gave one width (titles in a column,
    // buttons of a row, even across groups) keep sharing it.
    QMap<QPair<QString, int>, QList<QWidget*>> columns;
    for (QWidget* w : widgets) {
        if (!showsText(w))
            continue;
        w->ensurePolished();
        if (limits(w->maximumWidth()) && w->minimumWidth() == w->maximumWidth())
            columns[qMakePair(QString::fromLatin1(w->metaObject()->className()), w->maximumWidth())].append(
                w);
        growTextWidget(w);
    }
    for (const QList<QWidget*>& column : qAsConst(columns)) {
        int width = 0;
        for (QWidget* w : column)
            width = std::max(width, w->maximumWidth());
        for (QWidget* w : column)
            w->setFixedWidth(width);
    }

    // Inner groups before the groups and the window that hold them.
    std::stable_sort(widgets.begin(), widgets.end(),
                     [](QWidget* a, QWidget* b) { return depth(a) > depth(b); });
    for (QWidget* w : widgets) {
        const QSize min = w->minimumSize();
        const QSize max = w->maximumSize();
        if (w->layout() &&
            (min.width() > 0 || min.height() > 0 || limits(max.width()) || limits(max.height())))
            growToLayout(w, w->minimumSize(), w->maximumSize());
    }
    auto* room = new WindowRoom(window);
    room->fit();
    window->resize(window->size().expandedTo(window->minimumSize()).boundedTo(window->maximumSize()));
}

} // namespace font_room

using font_room::buttonWidthFor;
using font_room::fitToFont;
