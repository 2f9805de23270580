#include "livelegenditem.h"

#include "livegraph.h"

LiveLegendItem::LiveLegendItem(QCPLegend* parent, QCPAbstractPlottable* plottable)
    : QCPPlottableLegendItem(parent, plottable)
{
}

void LiveLegendItem::addTo(QCPLegend* legend, QCPAbstractPlottable* plottable)
{
    if (!legend->hasItemWithPlottable(plottable))
        legend->addItem(new LiveLegendItem(legend, plottable));
}

QRect LiveLegendItem::textRect() const
{
    const QFont font = getFont();
    const QString name = mPlottable ? mPlottable->name() : QString();
    const int iconHeight = mParentLegend->iconSize().height();
    if (!laid || name != laidName || font != laidFont || iconHeight != laidIconHeight) {
        laid = true;
        laidName = name;
        laidFont = font;
        laidIconHeight = iconHeight;
        laidRect = QFontMetrics(font).boundingRect(0, 0, 0, iconHeight, Qt::TextDontClip, name);
        laidText = QStaticText(name);
        laidText.setTextFormat(Qt::PlainText);
        laidText.prepare(QTransform(), font);
    }
    return laidRect;
}

QSize LiveLegendItem::minimumOuterSizeHint() const
{
    if (!mPlottable)
        return QSize();
    const QSize icon = mParentLegend->iconSize();
    const QRect text = textRect();
    return QSize(icon.width() + mParentLegend->iconTextPadding() + text.width() + mMargins.left() +
                     mMargins.right(),
                 qMax(text.height(), icon.height()) + mMargins.top() + mMargins.bottom());
}

void LiveLegendItem::draw(QCPPainter* painter)
{
    // Exports (vector or pixmap, at their own resolution) draw as usual.
    auto* graph = qobject_cast<LiveGraph*>(mPlottable);
    if (!graph || (painter->modes() & (QCPPainter::pmVectorized | QCPPainter::pmNoCaching))) {
        QCPPlottableLegendItem::draw(painter);
        return;
    }
    textRect();
    painter->setFont(laidFont);
    painter->setPen(QPen(getTextColor()));
    const QSize iconSize = mParentLegend->iconSize();
    const QRect iconRect(mRect.topLeft(), iconSize);
    painter->drawStaticText(
        QPointF(mRect.x() + iconSize.width() + mParentLegend->iconTextPadding(), mRect.y()), laidText);
    painter->save();
    painter->setClipRect(iconRect, Qt::IntersectClip);
    graph->drawIcon(painter, iconRect);
    painter->restore();
    const QPen border = getIconBorderPen();
    if (border.style() != Qt::NoPen) {
        painter->setPen(border);
        painter->setBrush(Qt::NoBrush);
        const int halfPen = qCeil(border.widthF() * 0.5) + 1;
        painter->setClipRect(mOuterRect.adjusted(-halfPen, -halfPen, halfPen, halfPen));
        painter->drawRect(iconRect);
    }
}
