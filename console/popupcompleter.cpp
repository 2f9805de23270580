#include "popupcompleter.h"

#include "loggers.h"
#include "popuplistwidget.h"

#include <QFontMetrics>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>

PopupCompleter::PopupCompleter(const QStringList& sl, QWidget* parent) : QDialog(parent, Qt::Popup)
{
    consoleLogger->trace("PopupCompleter keyPressEvent called, sl = {}", sl.join(QStringLiteral(", ")));
    setModal(true);

    m_listWidget = new PopupListWidget();
    m_listWidget->setUniformItemSizes(true);
    m_listWidget->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_listWidget->setMaximumHeight(200);

    // Wide enough for the longest word and some room after it.
    int width = 0;
    for (const QString& word : sl) {
        auto* item = new QListWidgetItem(word);
        m_listWidget->insertItem(m_listWidget->count(), item);
        const int w = QFontMetrics(item->font()).horizontalAdvance(word + QStringLiteral("       "));
        width = qMax(width, w);
    }
    m_listWidget->setFixedSize(width, m_listWidget->sizeHint().height());

    auto* layout = new QVBoxLayout();
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_listWidget);
    setLayout(layout);

    connect(m_listWidget, &QListWidget::itemActivated, this, &PopupCompleter::onItemActivated);
}

PopupCompleter::~PopupCompleter()
{
    consoleLogger->trace("PopupCompleter destroyed");
}

int PopupCompleter::exec(QTextEdit* edit)
{
    consoleLogger->trace("PopupCompleter exec called");
    const int h = sizeHint().height();
    const QRect r = edit->cursorRect();
    QPoint p = edit->mapToGlobal(r.bottomRight());
    const QRect screenRect = screen()->geometry();
    if (screenRect.height() < p.y() + h)
        p = edit->mapToGlobal(r.topRight()) - QPoint(0, h);
    move(p);
    setFocus(Qt::OtherFocusReason);
    return QDialog::exec();
}

void PopupCompleter::showEvent(QShowEvent* e)
{
    Q_UNUSED(e)
    consoleLogger->trace("PopupCompleter showEvent called");
    m_listWidget->setFocus(Qt::OtherFocusReason);
    // Focus makes the first item current; without an active window (no
    // focus to give) the list still opens with it.
    if (!m_listWidget->currentItem() && m_listWidget->count() > 0)
        m_listWidget->setCurrentRow(0);
}

void PopupCompleter::onItemActivated(QListWidgetItem* item)
{
    consoleLogger->trace("PopupCompleter onItemActivated called, event = {}", item->text());
    m_selected = item->text();
    done(QDialog::Accepted);
}
