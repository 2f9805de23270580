#include "popuplistwidget.h"

#include "loggers.h"

#include <QKeyEvent>
#include <QScrollBar>

PopupListWidget::PopupListWidget(QWidget* parent) : QListWidget(parent) {}

PopupListWidget::~PopupListWidget()
{
    consoleLogger->trace("PopupListWidget destroyed");
}

QSize PopupListWidget::sizeHint() const
{
    consoleLogger->trace("PopupListWidget sizeHint called");
    const QMargins margins = contentsMargins();
    const int frame = margins.top() + margins.bottom();
    int height = 0;
    for (int row = 0; row < count(); ++row) {
        // The row as the list draws it: a bare style option measures it
        // smaller, and the last row would then need a scroll bar.
        const int rowHeight = sizeHintForRow(row);
        if (height + rowHeight + frame >= maximumHeight())
            return QSize(margins.left() + margins.right() + width() + verticalScrollBar()->sizeHint().width(),
                         height + frame);
        height += rowHeight;
    }
    return QSize(margins.left() + margins.right() + width(), height + frame);
}

void PopupListWidget::keyPressEvent(QKeyEvent* e)
{
    consoleLogger->trace("PopupListWidget keyPressEvent called, e = {}", e->text());
    if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Return) {
        if (QListWidgetItem* item = currentItem())
            emit itemActivated(item);
        return;
    }
    QAbstractItemView::keyPressEvent(e);
}
