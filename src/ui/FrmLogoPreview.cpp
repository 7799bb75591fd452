#include "ui/FrmLogoPreview.h"

#include "ui/Twips.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace bg {

namespace {
FrmLogoPreview *openPreview = nullptr;
} // namespace

FrmLogoPreview::FrmLogoPreview(const QString &commandText, QWidget *owner)
    : ClickAwayDialog(visibleOwner(owner)), m_owner(visibleOwner(owner))
{
    // No border, no title bar, no buttons; a tool window has no taskbar entry.
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint;
    // Started with a command line, the preview stays above every other window.
    if (!commandText.isEmpty())
        flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);
    setWindowTitle(QStringLiteral("預覽"));
    setModal(true);
    setAttribute(Qt::WA_OpaquePaintEvent);

    const Twips twips = Twips::forWidget(owner ? owner : this);
    setFixedSize(twips.toPixelsX(ClientWidthTwips), twips.toPixelsY(ClientHeightTwips));
}

FrmLogoPreview::~FrmLogoPreview()
{
    if (openPreview == this)
        openPreview = nullptr;
}

FrmLogoPreview *FrmLogoPreview::current() { return openPreview; }

void FrmLogoPreview::setPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

void FrmLogoPreview::showModal(const QImage &picture, const QString &commandText, QWidget *owner)
{
    FrmLogoPreview preview(commandText, owner);
    preview.setPicture(picture);
    preview.exec();
}

void FrmLogoPreview::centre()
{
    QRect area;
    if (m_owner) {
        area = m_owner->frameGeometry();
    } else {
        const QScreen *screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        area = screen->geometry();
    }
    move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
}

void FrmLogoPreview::showEvent(QShowEvent *event)
{
    centre();
    openPreview = this;
    ClickAwayDialog::showEvent(event);
}

void FrmLogoPreview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    if (!m_picture.isNull())
        painter.drawImage(QPoint(0, 0), m_picture);
}

void FrmLogoPreview::hideEvent(QHideEvent *event)
{
    if (openPreview == this)
        openPreview = nullptr;
    QDialog::hideEvent(event);
}

} // namespace bg
