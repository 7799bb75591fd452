#include "ui/TabLabel.h"

#include <QMouseEvent>
#include <QPainter>

namespace bg {

TabLabel::TabLabel(QWidget *parent) : QLabel(parent)
{
    setAutoFillBackground(true);
}

QColor TabLabel::fromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

void TabLabel::setBackColor(quint32 bgr)
{
    m_back = bgr;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, fromBgr(bgr));
    setPalette(pal);
}

void TabLabel::setBorderStyle(int style)
{
    if (m_border == style)
        return;
    m_border = style;
    update();
}

void TabLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void TabLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (m_border) {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

} // namespace bg
