#include "columnshare.h"

#include <QEvent>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>

ColumnShare::ColumnShare(QTableView* table, const QList<int>& columns)
    : QObject(table), table(table), columns(columns)
{
    QHeaderView* header = table->horizontalHeader();
    for (int column : columns)
        header->setSectionResizeMode(column, QHeaderView::Fixed);
    // The columns take the viewport's width between them: nothing to scroll across.
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QAbstractItemModel* model = table->model();
    connect(model, &QAbstractItemModel::dataChanged, this, &ColumnShare::request);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ColumnShare::request);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ColumnShare::request);
    table->viewport()->installEventFilter(this);
    request();
}

void ColumnShare::request()
{
    if (pending)
        return;
    pending = true;
    // Cell widgets are set after the rows that hold them are inserted.
    QMetaObject::invokeMethod(
        this,
        [this] {
            pending = false;
            share();
        },
        Qt::QueuedConnection);
}

bool ColumnShare::eventFilter(QObject*, QEvent* event)
{
    // The viewport's width: the window resized by the user, a scroll bar.
    if (event->type() == QEvent::Resize)
        request();
    return false;
}

void ColumnShare::share()
{
    QHeaderView* header = table->horizontalHeader();
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
    const int room = std::max(0, table->viewport()->width() - others);
    // Short of room, a column of buttons keeps what its captions need and
    // the columns of values share the rest by their needs.
    auto holdsWidgets = [this](int column) {
        for (int row = 0; row < table->model()->rowCount(); ++row)
            if (table->indexWidget(table->model()->index(row, column)))
                return true;
        return false;
    };
    QList<bool> keeps;
    int kept = 0;
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
}
