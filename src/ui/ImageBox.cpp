#include "ui/ImageBox.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

namespace bg {

const char *const ImageBox::DragMimeType = "application/x-bootgallery-logo";

ImageBox::ImageBox(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
}

void ImageBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    m_scaled = QPixmap();
    update();
}

void ImageBox::clearPicture()
{
    setPicture(QImage());
}

void ImageBox::setBorderStyle(int style)
{
    if (m_border == style)
        return;
    m_border = style;
    m_scaled = QPixmap();
    update();
}

void ImageBox::setAcceptsLogoDrops(bool on)
{
    setAcceptDrops(on);
}

void ImageBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect inner = m_border ? rect().adjusted(1, 1, -1, -1) : rect();
    if (!m_picture.isNull() && !inner.isEmpty()) {
        if (m_scaled.size() != inner.size())
            m_scaled = QPixmap::fromImage(m_picture.scaled(inner.size(), Qt::IgnoreAspectRatio,
                                                           Qt::SmoothTransformation));
        painter.drawPixmap(inner.topLeft(), m_scaled);
    }
    if (m_border) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void ImageBox::mousePressEvent(QMouseEvent *event)
{
    emit mousePressed(event->button(), event->buttons(), event->globalPosition().toPoint());
    if (m_autoDrag && event->button() == Qt::LeftButton && hasPicture()) {
        auto *drag = new QDrag(this);
        drag->setMimeData(dragData());
        if (!m_dragIcon.isNull()) {
            drag->setPixmap(m_dragIcon);
            drag->setHotSpot(QPoint(m_dragIcon.width() / 2, m_dragIcon.height() / 2));
        }
        drag->exec(Qt::MoveAction | Qt::CopyAction);
    }
}

void ImageBox::mouseMoveEvent(QMouseEvent *)
{
    emit mouseMoved();
}

QMimeData *ImageBox::dragData()
{
    auto *mime = new QMimeData;
    mime->setData(QString::fromLatin1(DragMimeType), dragToken());
    return mime;
}

QByteArray ImageBox::dragToken()
{
    return QByteArray("bootgallery-") + QByteArray::number(QCoreApplication::applicationPid());
}

bool ImageBox::isOwnDrag(const QMimeData *data)
{
    // Only the large preview of this very process carries the token; a drag from another
    // program or another copy of the tool is not a logo of this window.
    return data && data->data(QString::fromLatin1(DragMimeType)) == dragToken();
}

void ImageBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (isOwnDrag(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ImageBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (isOwnDrag(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ImageBox::dropEvent(QDropEvent *event)
{
    if (!isOwnDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit logoDropped();
}

} // namespace bg
