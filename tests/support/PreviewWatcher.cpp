#include "support/PreviewWatcher.h"

#include "ui/FrmLogoPreview.h"

#include <QTest>

namespace bg::test {

PreviewWatcher::PreviewWatcher()
{
    connect(&m_timer, &QTimer::timeout, this, [this] {
        FrmLogoPreview *preview = FrmLogoPreview::current();
        if (!preview || !preview->isVisible())
            return;
        m_timer.stop();
        opened = true;
        flags = preview->windowFlags();
        modal = preview->isModal();
        shot = preview->grab().toImage();
        QTest::mouseClick(preview, Qt::LeftButton, {}, QPoint(preview->width() / 2, preview->height() / 2));
        closedByClick = FrmLogoPreview::current() == nullptr && !preview->isVisible();
        if (!closedByClick)
            preview->reject();
    });
    m_timer.start(5);
}

} // namespace bg::test
