#include "support/PreviewWatcher.h"

#include "ui/FrmLogoPreview.h"

#include <QTest>

namespace bg::test {

PreviewWatcher::PreviewWatcher()
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &PreviewWatcher::poll);
    m_timer.start();
}

void PreviewWatcher::poll()
{
    FrmLogoPreview *preview = FrmLogoPreview::current();
    if (!preview || !preview->isVisible())
        return;
    m_timer.stop();
    opened = true;
    size = preview->size();
    flags = preview->windowFlags();
    title = preview->windowTitle();
    modal = preview->isModal();
    shot = preview->grab().toImage();
    QTest::mouseClick(preview, Qt::LeftButton, {}, QPoint(size.width() / 2, size.height() / 2));
    closedByClick = FrmLogoPreview::current() == nullptr && !preview->isVisible();
    if (!closedByClick)
        preview->reject();
}

} // namespace bg::test
