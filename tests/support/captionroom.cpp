#include "captionroom.h"

#include "postedevents.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextDocument>
#include <QToolBar>
#include <QToolBox>
#include <QToolButton>

#include <climits>

namespace
{

// Brings every page that holds `w` to the front; says whether one changed.
bool showPagesOf(QWidget* w)
{
    bool changed = false;
    for (QWidget *child = w, *parent = w->parentWidget(); parent && !child->isWindow();
         child = parent, parent = parent->parentWidget()) {
        // A tool box holds each page in a scroll area of its own.
        if (auto* box = qobject_cast<QToolBox*>(parent)) {
            for (int i = 0; i < box->count(); ++i) {
                QWidget* page = box->widget(i);
                if ((page == w || page->isAncestorOf(w)) && box->currentIndex() != i) {
                    box->setCurrentIndex(i);
                    changed = true;
                }
            }
            continue;
        }
        auto* stack = qobject_cast<QStackedWidget*>(parent);
        if (!stack || stack->currentWidget() == child)
            continue;
        if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
            tabs->setCurrentWidget(child);
        else
            stack->setCurrentWidget(child);
        changed = true;
    }
    return changed;
}

// "&&" stands for "&"; any other "&" marks the next letter and takes no room.
QString withoutMnemonics(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        out += text.at(i);
    }
    return out;
}

int leadingBlanks(const QString& line)
{
    int n = 0;
    while (n < line.size() && line.at(n).isSpace())
        ++n;
    return n;
}

int trailingBlanks(const QString& line)
{
    int n = 0;
    while (n < line.size() && line.at(line.size() - 1 - n).isSpace())
        ++n;
    return n;
}

struct Measure {
    QRect ink;  // where the glyphs land, in the widget's coordinates
    QRect room; // where the widget draws them
};

// Places `text` in `room` as QStyle::drawItemText does and returns the part
// of it that holds glyphs: blanks before or after a line take no room.
Measure place(const QString& text, const QFontMetrics& fm, const QRect& room, Qt::Alignment alignment)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    const int height = fm.height() + (lines.size() - 1) * fm.lineSpacing();
    int top = room.top();
    if (alignment & Qt::AlignBottom)
        top = room.bottom() + 1 - height;
    else if (!(alignment & Qt::AlignTop))
        top = room.top() + (room.height() - height) / 2;
    int left = INT_MAX, right = INT_MIN;
    for (const QString& line : lines) {
        const int whole = fm.horizontalAdvance(line);
        int x = room.left();
        if (alignment & Qt::AlignRight)
            x = room.right() + 1 - whole;
        else if (alignment & Qt::AlignHCenter)
            x = room.left() + (room.width() - whole) / 2;
        const int lead = leadingBlanks(line);
        if (lead == line.size())
            continue;
        const int inkLeft = x + fm.horizontalAdvance(line.left(lead));
        const int inkRight = x + whole - fm.horizontalAdvance(line.right(trailingBlanks(line)));
        left = qMin(left, inkLeft);
        right = qMax(right, inkRight);
    }
    if (left > right)
        return {QRect(), room};
    // Lines are spaced for any letter of the font; the ones in the text may
    // sit well inside that.
    const QRect first = fm.tightBoundingRect(lines.first());
    const QRect last = fm.tightBoundingRect(lines.last());
    const int baseline = top + fm.ascent();
    const int inkTop = baseline + first.top();
    const int inkBottom = baseline + (lines.size() - 1) * fm.lineSpacing() + last.bottom();
    return {QRect(QPoint(left, inkTop), QPoint(right - 1, inkBottom)), room};
}

QString widgetName(QWidget* w)
{
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

QString sizeText(const QSize& size)
{
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

// The first ancestor below the window whose rectangle cuts `ink`, or null.
// A scroll area's viewport is where a user scrolls to a text, not a cut; a
// table's is too while it shows a scroll bar, not when it shows a row of
// buttons half and nothing to scroll.
QWidget* clippingParent(QWidget* w, QRect ink)
{
    for (QWidget* child = w; !child->isWindow(); child = child->parentWidget()) {
        QWidget* parent = child->parentWidget();
        ink.translate(child->pos());
        // A tool box's page shows whole in a window with room on its screen.
        if (auto* area = qobject_cast<QAbstractScrollArea*>(parent->parentWidget()))
            if (area->viewport() == parent &&
                !(qobject_cast<QToolBox*>(area->parentWidget()) && qEnvironmentVariableIsEmpty("TEST_SCREEN")) &&
                (qobject_cast<QScrollArea*>(area) || area->verticalScrollBar()->isVisible() ||
                 area->horizontalScrollBar()->isVisible()))
                return nullptr;
        if (!parent->rect().contains(ink))
            return parent;
    }
    return nullptr;
}

class Walk
{
public:
    explicit Walk(QWidget* window) : window(window) {}

    void check(QWidget* w, const QString& text, const Measure& m)
    {
        if (m.ink.isNull())
            return;
        // A pixel of rounding either way is not a cut letter.
        const QRect room = m.room.adjusted(-1, -1, 1, 1);
        if (!room.contains(m.ink)) {
            report(w, text,
                   QStringLiteral("needs %1, has %2").arg(sizeText(m.ink.size()), sizeText(m.room.size())));
        } else if (QWidget* parent = clippingParent(w, m.ink)) {
            report(w, text, QStringLiteral("is cut by %1").arg(widgetName(parent)));
        }
    }

    void report(QWidget* w, const QString& text, const QString& what)
    {
        found << QStringLiteral("%1 %2: \"%3\" %4")
                     .arg(QString::fromLatin1(window->metaObject()->className()), widgetName(w), text, what);
    }

    void label(QLabel* label)
    {
        const QString text = label->text();
        if (text.isEmpty() || !label->pixmap(Qt::ReturnByValue).isNull() || label->movie())
            return;
        const bool rich = label->textFormat() == Qt::RichText ||
                          (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
        if (rich || label->wordWrap()) {
            // The label lays such text out itself; it needs what it asks for.
            const QSize wanted = label->wordWrap() ? QSize(label->minimumSizeHint().width(),
                                                           label->heightForWidth(label->width()))
                                                   : label->sizeHint();
            if (wanted.width() > label->width() + 1 || wanted.height() > label->height() + 1)
                report(label, text,
                       QStringLiteral("needs %1, has %2").arg(sizeText(wanted), sizeText(label->size())));
            return;
        }
        const QString shown = label->buddy() ? withoutMnemonics(text) : text;
        const QFontMetrics fm = label->fontMetrics();
        QRect room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                                    -label->margin());
        int indent = label->indent();
        if (indent < 0)
            indent = label->frameWidth() > 0 ? fm.horizontalAdvance(QLatin1Char('x')) / 2 : 0;
        const Qt::Alignment alignment = QStyle::visualAlignment(label->layoutDirection(), label->alignment());
        if (alignment & Qt::AlignLeft)
            room.setLeft(room.left() + indent);
        else if (alignment & Qt::AlignRight)
            room.setRight(room.right() - indent);
        check(label, shown, place(shown, fm, room, alignment));
    }

    static QStyleOptionButton buttonOption(const QAbstractButton* button)
    {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        option.icon = button->icon();
        option.iconSize = button->iconSize();
        return option;
    }

    void pushButton(QPushButton* button)
    {
        const QString text = withoutMnemonics(button->text());
        QStyleOptionButton option = buttonOption(button);
        option.features = QStyleOptionButton::None;
        if (button->isFlat())
            option.features |= QStyleOptionButton::Flat;
        if (button->menu())
            option.features |= QStyleOptionButton::HasMenu;
        if (button->autoDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
        if (button->isDefault())
            option.features |= QStyleOptionButton::DefaultButton;
        QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        if (!option.icon.isNull())
            room.setLeft(room.left() + option.iconSize.width() + 4);
        if (button->menu())
            room.setRight(room.right() -
                          button->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, button));
        check(button, text, place(text, button->fontMetrics(), room, Qt::AlignCenter));
    }

    void checkOrRadio(QAbstractButton* button, QStyle::SubElement contents)
    {
        const QString text = withoutMnemonics(button->text());
        const QStyleOptionButton option = buttonOption(button);
        QRect room = button->style()->subElementRect(contents, &option, button);
        if (!option.icon.isNull())
            room.setLeft(room.left() + option.iconSize.width() + 4);
        check(button, text,
              place(text, button->fontMetrics(), room,
                    QStyle::visualAlignment(button->layoutDirection(), Qt::AlignLeft | Qt::AlignVCenter)));
    }

    void comboBox(QComboBox* list)
    {
        if (list->isEditable() || list->currentText().isEmpty())
            return;
        QStyleOptionComboBox option;
        option.initFrom(list);
        option.editable = false;
        option.frame = list->hasFrame();
        option.currentText = list->currentText();
        option.currentIcon = list->itemIcon(list->currentIndex());
        option.iconSize = list->iconSize();
        QRect room =
            list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
        if (!option.currentIcon.isNull())
            room.setLeft(room.left() + option.iconSize.width() + 4);
        check(list, option.currentText,
              place(option.currentText, list->fontMetrics(), room, Qt::AlignLeft | Qt::AlignVCenter));
    }

    void toolButton(QToolButton* button)
    {
        if (button->text().isEmpty() || button->toolButtonStyle() == Qt::ToolButtonIconOnly)
            return;
        const QSize wanted = button->sizeHint();
        if (wanted.width() > button->width() || wanted.height() > button->height())
            report(button, withoutMnemonics(button->text()),
                   QStringLiteral("needs %1, has %2").arg(sizeText(wanted), sizeText(button->size())));
    }

    void groupBox(QGroupBox* group)
    {
        const QString text = withoutMnemonics(group->title());
        if (text.isEmpty())
            return;
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.lineWidth = 1;
        option.midLineWidth = 0;
        option.textAlignment = group->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        if (group->isCheckable())
            option.subControls |= QStyle::SC_GroupBoxCheckBox;
        if (group->isFlat())
            option.features |= QStyleOptionFrame::Flat;
        const QRect title =
            group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
        Measure m = place(text, group->fontMetrics(), title, Qt::AlignLeft | Qt::AlignVCenter);
        // The title is drawn where the style puts it; the group's own edges
        // are its room.
        m.room = group->rect();
        check(group, text, m);
    }

    void tabBar(QTabBar* bar)
    {
        const int space = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
        for (int i = 0; i < bar->count(); ++i) {
            if (!bar->isTabVisible(i))
                continue;
            const QString text = withoutMnemonics(bar->tabText(i));
            QRect room = bar->tabRect(i).adjusted(space / 2, 0, -(space - space / 2), 0);
            if (!bar->tabIcon(i).isNull())
                room.setLeft(room.left() + bar->iconSize().width() + 4);
            Measure m = place(text, bar->fontMetrics(), room, Qt::AlignCenter);
            m.room.setHeight(qMax(m.room.height(), m.ink.height()));
            if (!bar->rect().contains(bar->tabRect(i)))
                report(bar, text, QStringLiteral("is scrolled out of its tab bar"));
            else
                check(bar, text, m);
        }
    }

    // A value shows whole; in a field that shows a value at least from its
    // start, and whole on hover.
    void field(QLineEdit* field)
    {
        QStyleOptionFrame option;
        option.initFrom(field);
        option.lineWidth = field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
        const QRect room = field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field) -
                           field->textMargins() - QMargins(2, 0, 2, 0);
        const QString text = field->displayText();
        if (field->fontMetrics().horizontalAdvance(text) <= room.width() + 1)
            return;
        // A number shows whole; a spin box's word for no value ("not read")
        // may show as a field's text does.
        auto* spin = qobject_cast<QAbstractSpinBox*>(field->parentWidget());
        QWidget* owner = spin ? static_cast<QWidget*>(spin) : field;
        if (spin && spin->specialValueText() != text)
            report(spin, text, QStringLiteral("is cut"));
        else if (!field->hasFocus() && field->cursorPosition() != 0)
            report(owner, text, QStringLiteral("shows its end, not its start"));
        else if (owner->toolTip() != text)
            report(owner, text, QStringLiteral("has no tool tip with its whole text"));
    }

    void table(QTableWidget* table)
    {
        const int margins = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
        const QHeaderView* header = table->horizontalHeader();
        for (int row = 0; row < table->rowCount(); ++row)
            for (int column = 0; column < table->columnCount(); ++column) {
                // A column the user can widen is theirs to widen.
                if (header->isVisible() && header->sectionResizeMode(column) == QHeaderView::Interactive)
                    continue;
                const QTableWidgetItem* cell = table->item(row, column);
                const int room = table->columnWidth(column) - margins;
                if (cell && table->fontMetrics().horizontalAdvance(cell->text()) > room &&
                    cell->toolTip() != cell->text())
                    report(table, cell->text(), QStringLiteral("is cut in column %1, no tool tip").arg(column));
            }
    }

    // A table that scrolls sideways for a few pixels, on a screen with room
    // for its window, has room the form left out.
    void scrolling(QTableView* table)
    {
        const int excess = table->horizontalHeader()->length() - table->viewport()->width();
        if (qEnvironmentVariableIsEmpty("TEST_SCREEN") && table->horizontalScrollBar()->isVisible() &&
            excess > 0 && excess <= 40)
            report(table, QString(), QStringLiteral("scrolls sideways for %1 pixels").arg(excess));
    }

    void toolBar(QToolBar* bar)
    {
        // Buttons that no longer fit go behind the bar's extension arrow.
        for (QAction* action : bar->actions()) {
            QWidget* w = bar->widgetForAction(action);
            if (action->isVisible() && !action->isSeparator() && w && !w->isVisible())
                report(bar, withoutMnemonics(action->text()), QStringLiteral("is hidden behind the arrow"));
        }
    }

    QWidget* window;
    QStringList found;
};

} // namespace

QStringList captionsCutOff(QWidget* window)
{
    window->show();
    (void)QTest::qWaitForWindowExposed(window);
    deliverPostedEvents();
    Walk walk(window);
    // Whatever lies past the screen's edge, the title bar too, is out of reach.
    const QRect screen = window->screen()->availableGeometry();
    if (!screen.contains(window->frameGeometry()))
        walk.report(window, window->windowTitle(),
                    QStringLiteral("reaches past its screen: %1 x %2 at %3, %4 on %5")
                        .arg(window->frameGeometry().width())
                        .arg(window->frameGeometry().height())
                        .arg(window->frameGeometry().x())
                        .arg(window->frameGeometry().y())
                        .arg(sizeText(screen.size())));
    const QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (w->window() != window)
            continue;
        if (showPagesOf(w))
            deliverPostedEvents();
        if (!w->isVisible())
            continue;
        if (auto* table = qobject_cast<QTableView*>(w))
            walk.scrolling(table);
        if (auto* label = qobject_cast<QLabel*>(w))
            walk.label(label);
        else if (auto* button = qobject_cast<QPushButton*>(w))
            walk.pushButton(button);
        else if (auto* box = qobject_cast<QCheckBox*>(w))
            walk.checkOrRadio(box, QStyle::SE_CheckBoxContents);
        else if (auto* radio = qobject_cast<QRadioButton*>(w))
            walk.checkOrRadio(radio, QStyle::SE_RadioButtonContents);
        else if (auto* list = qobject_cast<QComboBox*>(w))
            walk.comboBox(list);
        else if (auto* tool = qobject_cast<QToolButton*>(w))
            walk.toolButton(tool);
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            walk.groupBox(group);
        else if (auto* tabs = qobject_cast<QTabBar*>(w))
            walk.tabBar(tabs);
        else if (auto* bar = qobject_cast<QToolBar*>(w))
            walk.toolBar(bar);
        else if (auto* field = qobject_cast<QLineEdit*>(w))
            walk.field(field);
        else if (auto* table = qobject_cast<QTableWidget*>(w))
            walk.table(table);
    }
    window->hide();
    deliverPostedEvents();
    return walk.found;
}
