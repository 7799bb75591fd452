// The full-size preview window opened from a slot preview (the command line's is in app/).
#include "support/PreviewWatcher.h"
#include "support/WindowFixture.h"
#include "ui/FrmLogoPreview.h"
#include "ui/ImageBox.h"

#include <QTest>

using namespace bg;
using bg::test::WindowFixture;

namespace {
QImage logoPicture()
{
    QImage image(320, 400, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(319, 399, qRgb(0, 255, 0));
    return image;
}
} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void slotPreviewShowsLogo()
    {
        WindowFixture f;
        QVERIFY(f.load().showWindow);
        f.w().show();
        f.w().imgWait->setPicture(logoPicture());
        const test::PreviewWatcher seen;
        QTest::mousePress(f.w().imgWait, Qt::LeftButton, {}, QPoint(5, 5)); // returns when closed
        QVERIFY(seen.opened && seen.closedByClick && seen.modal);
        QVERIFY(!FrmLogoPreview::current());
        QVERIFY(seen.flags.testFlag(Qt::FramelessWindowHint));
        QCOMPARE(seen.flags & Qt::WindowType_Mask, Qt::Tool);     // no taskbar entry
        QVERIFY(!seen.flags.testFlag(Qt::WindowStaysOnTopHint)); // started without arguments
        QCOMPARE(seen.title, QStringLiteral("預覽"));
        const Twips twips = Twips::forWidget(&f.w());
        QCOMPARE(seen.size, QSize(twips.toPixelsX(4800), twips.toPixelsY(6000)));
        // Drawn unscaled from the top-left corner.
        const qreal dpr = seen.shot.devicePixelRatio();
        QCOMPARE(seen.shot.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(seen.shot.pixel(int(319 * dpr), int(399 * dpr)), qRgb(0, 255, 0));
    }

    void pressesThatDoNothing_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<bool>("picture");
        QTest::newRow("right button") << int(Qt::RightButton) << int(Qt::RightButton) << true;
        QTest::newRow("left while right is down") << int(Qt::LeftButton) << int(Qt::LeftButton | Qt::RightButton) << true;
        QTest::newRow("left on an empty preview") << int(Qt::LeftButton) << int(Qt::LeftButton) << false;
    }
    void pressesThatDoNothing()
    {
        QFETCH(int, button);
        QFETCH(int, buttons);
        QFETCH(bool, picture);
        WindowFixture f;
        QVERIFY(f.load().showWindow);
        f.w().imgStartup->clearPicture();
        if (picture)
            f.w().imgStartup->setPicture(logoPicture());
        const test::PreviewWatcher seen; // a preview opened here would be found in its modal loop
        f.w().imgStartup_MouseDown(Qt::MouseButton(button), Qt::MouseButtons(buttons));
        QVERIFY(!seen.opened);
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
