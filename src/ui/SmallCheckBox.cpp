#include "ui/SmallCheckBox.h"

#include <QPainter>
#include <QPainterPath>

namespace bg {

SmallCheckBox::SmallCheckBox(QWidget *parent) : QCheckBox(parent) {}

bool SmallCheckBox::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}

void SmallCheckBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect box = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(rect(), isEnabled() ? palette().color(QPalette::Base)
                                         : palette().color(QPalette::Button));
    // A sunken frame: dark on the top and left, light on the bottom and right.
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(box.topLeft(), box.topRight());
    painter.drawLine(box.topLeft(), box.bottomLeft());
    painter.setPen(palette().color(QPalette::Midlight));
    painter.drawLine(box.bottomLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomRight());
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(box.adjusted(1, 1, -1, -1));
    }
    if (checkState() == Qt::Unchecked)
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(checkState() == Qt::Checked ? palette().color(QPalette::Text)
                                         : palette().color(QPalette::Mid),
             qMax(1.5, width() / 7.0));
    painter.setPen(pen);
    const qreal w = width();
    const qreal h = height();
    QPainterPath tick;
    tick.moveTo(w * 0.22, h * 0.52);
    tick.lineTo(w * 0.42, h * 0.72);
    tick.lineTo(w * 0.78, h * 0.28);
    painter.drawPath(tick);
}

} // namespace bg
