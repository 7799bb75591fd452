#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

class QMimeData;

namespace bg {

// An image control: shows a picture stretched to the control, with or without a single-line
// border. It can be the source of an in-window drag (the large preview) and the target of one
// (the slot previews).
class ImageBox : public QWidget
{
    Q_OBJECT
public:
    static const char *const DragMimeType;

    explicit ImageBox(QWidget *parent = nullptr);

    // The payload of a drag started by this process's large preview.
    static QByteArray dragToken();
    static bool isOwnDrag(const QMimeData *data);
    // What a drag of the large preview carries (the caller owns it).
    static QMimeData *dragData();

    void setPicture(const QImage &picture);
    void clearPicture();
    bool hasPicture() const { return !m_picture.isNull(); }
    const QImage &picture() const { return m_picture; }

    // 0 none, 1 fixed single.
    void setBorderStyle(int style);
    int borderStyle() const { return m_border; }

    // Automatic drag: a left press starts dragging at once, showing the drag icon.
    void setAutoDrag(bool on) { m_autoDrag = on; }
    bool autoDrag() const { return m_autoDrag; }
    void setDragIcon(const QPixmap &icon) { m_dragIcon = icon; }

    void setAcceptsLogoDrops(bool on);

signals:
    // globalPosition: where on the screen the press was.
    void mousePressed(Qt::MouseButton button, Qt::MouseButtons buttons, QPoint globalPosition);
    void mouseMoved();
    void logoDropped();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QImage m_picture;
    QPixmap m_scaled;
    int m_border = 0;
    bool m_autoDrag = false;
    QPixmap m_dragIcon;
};

} // namespace bg
