#pragma once

#include <QList>
#include <QObject>

class QTableView;

// Lets `columns` of a table share the width its other columns leave in its
// viewport by what their values need: while there is room each gets its need
// and the rest is split evenly; short of room each gets a part in proportion
// to its need (its cells then show their whole text on hover). The widths
// follow the values, the rows and the viewport's width; only the columns
// change, never the table's or its window's size.
class ColumnShare : public QObject
{
public:
    ColumnShare(QTableView* table, const QList<int>& columns);

    // Shares again once the events in hand are handled: for a change the
    // model does not tell (a cell widget's text).
    void request();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void share();

    QTableView* const table;
    const QList<int> columns;
    bool pending = false;
};
