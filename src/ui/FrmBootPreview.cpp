#include "ui/FrmBootPreview.h"

#include "platform/BootLogoFormat.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace bg {

namespace {
FrmBootPreview *openPreview = nullptr;
} // namespace

FrmBootPreview::FrmBootPreview(const BootScreen &screen, QWidget *owner)
    : ClickAwayDialog(visibleOwner(owner)), m_screen(screen), m_owner(visibleOwner(owner))
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("開機預覽"));
    setModal(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(ScreenWidth, ScreenHeight);
    m_frames.setInterval(bootlogo::StepMilliseconds);
    m_frames.setTimerType(Qt::PreciseTimer);
    connect(&m_frames, &QTimer::timeout, this, &FrmBootPreview::nextFrame);
}

FrmBootPreview::~FrmBootPreview()
{
    if (openPreview == this)
        openPreview = nullptr;
}

FrmBootPreview *FrmBootPreview::current() { return openPreview; }

void FrmBootPreview::showModal(const BootScreen &screen, QWidget *owner)
{
    FrmBootPreview preview(screen, owner);
    preview.exec();
}

void FrmBootPreview::nextFrame()
{
    m_screen.step();
    update();
}

void FrmBootPreview::showEvent(QShowEvent *event)
{
    QRect area = m_owner ? m_owner->frameGeometry() : QRect();
    if (const QScreen *screen = QGuiApplication::primaryScreen(); !m_owner && screen)
        area = screen->geometry();
    if (!area.isEmpty())
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    openPreview = this;
    if (m_screen.animates())
        m_frames.start();
    ClickAwayDialog::showEvent(event);
}

void FrmBootPreview::hideEvent(QHideEvent *event)
{
    m_frames.stop();
    if (openPreview == this)
        openPreview = nullptr;
    QDialog::hideEvent(event);
}

void FrmBootPreview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    // The screen mode stretches the bitmap over the whole 4:3 screen, rows as evenly as columns.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_screen.isNull())
        painter.drawImage(rect(), m_screen.frame());
}

} // namespace bg
