// Window sizing: tables (rows kept whole, shared column widths) and row buttons.
#include "windowfit.h"
#include "windowfit_parts.h"

#include <QEvent>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>
#include <functional>

namespace windowfit_parts
{

// Runs `work` once the events in hand are handled (cell widgets are set
// after the rows that hold them are inserted), also when a widget it
// watches is resized or its contents ask for room.
class Deferred : public QObject
{
public:
    Deferred(QObject* parent, std::function<void()> work) : QObject(parent), work(std::move(work)) {}

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest)
            request();
        return false;
    }

    void request()
    {
        if (pending)
            return;
        pending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                pending = false;
                work();
            },
            Qt::QueuedConnection);
    }

private:
    std::function<void()> work;
    bool pending = false;
};

// A table whose height the form fixes: its rows are as high as what they
// hold, and its height holds them all as far as the window has room.
void keepRowsWhole(QTableView* table)
{
    const int formHeight = table->maximumHeight();
    auto* deferred = new Deferred(table, [table, formHeight] {
        QHeaderView* rows = table->verticalHeader();
        int tallest = rows->defaultSectionSize();
        for (int row = 0; row < table->model()->rowCount(); ++row)
            tallest = std::max(tallest, static_cast<QAbstractItemView*>(table)->sizeHintForRow(row));
        if (tallest > rows->defaultSectionSize())
            rows->setDefaultSectionSize(tallest);
        const QHeaderView* columns = table->horizontalHeader();
        const int needed =
            2 * table->frameWidth() + rows->length() + (columns->isVisible() ? columns->height() : 0) +
            (table->horizontalScrollBar()->isVisible() ? table->horizontalScrollBar()->height() : 0);
        // As far as the window has room: beyond, the table scrolls.
        const int height = std::max(
            formHeight, std::min(needed, table->minimumHeight() + roomToGrow(table->window()).height()));
        if (height != table->minimumHeight() || height != table->maximumHeight())
            table->setFixedHeight(height);
    });
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        QObject::connect(table->model(), signal, deferred, &Deferred::request);
    deferred->request();
}

} // namespace windowfit_parts

using namespace windowfit_parts;

int buttonWidthFor(QWidget* parent, int formWidth, const QStringList& texts)
{
    QPushButton probe(parent);
    if (!growsWithFont(&probe))
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

void shareColumnWidths(QTableView* table, const QList<int>& columns)
{
    QHeaderView* header = table->horizontalHeader();
    for (int column : columns)
        header->setSectionResizeMode(column, QHeaderView::Fixed);
    // The columns take the table's width between them: nothing to scroll across.
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int formMinimum = table->minimumWidth();
    auto share = [table, header, columns, formMinimum] {
        int others = 0;
        for (int column = 0; column < header->count(); ++column)
            if (!columns.contains(column) && !header->isSectionHidden(column))
                others += header->sectionSize(column);
        QList<int> needs;
        int total = 0;
        for (int column : columns) {
            needs << std::max(header->minimumSectionSize(),
                              static_cast<QAbstractItemView*>(table)->sizeHintForColumn(column));
            total += needs.last();
        }
        // The table asks for its values' room as far as the window can give it.
        const int frame = 2 * table->frameWidth() +
                          (table->verticalScrollBar()->isVisible() ? table->verticalScrollBar()->width() : 0);
        const int wanted =
            std::min(others + total + frame, table->minimumWidth() + roomToGrow(table->window()).width());
        if (std::max(formMinimum, wanted) != table->minimumWidth())
            table->setMinimumWidth(std::max(formMinimum, wanted));

        // Short of room, a column of buttons keeps what its captions need
        // and the columns of values share the rest by their needs.
        const int room = std::max(0, table->viewport()->width() - others);
        auto holdsWidgets = [table](int column) {
            for (int row = 0; row < table->model()->rowCount(); ++row)
                if (table->indexWidget(table->model()->index(row, column)))
                    return true;
            return false;
        };
        int kept = 0;
        QList<bool> keeps;
        for (int i = 0; i < columns.size(); ++i) {
            keeps << (total > room && holdsWidgets(columns.at(i)));
            kept += keeps.last() ? needs.at(i) : 0;
        }
        const int shared = std::max(0, room - kept);
        int left = room;
        for (int i = 0; i < columns.size(); ++i) {
            int width = total <= room ? needs.at(i) + (room - total) / int(columns.size())
                        : keeps.at(i) ? needs.at(i)
                                      : int(qint64(shared) * needs.at(i) / std::max(total - kept, 1));
            if (i == columns.size() - 1)
                width = std::max(0, left);
            left -= width;
            if (header->sectionSize(columns.at(i)) != width)
                header->resizeSection(columns.at(i), width);
        }
    };
    auto* deferred = new Deferred(table, share);
    QObject::connect(table->model(), &QAbstractItemModel::dataChanged, deferred, &Deferred::request);
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        QObject::connect(table->model(), signal, deferred, &Deferred::request);

    // The viewport's size, and a cell widget whose text changed.
    table->viewport()->installEventFilter(deferred);
    deferred->request();
}
