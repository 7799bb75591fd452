// The full-size preview window opened from a slot preview (the command line's is in app/).
#include "support/PictureFactory.h"
#include "support/PreviewWatcher.h"
#include "support/WindowFixture.h"
#include "ui/FrmLogoPreview.h"

#include <QTest>

using namespace bg;
using namespace bg::test;

class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void pressOnSlotPreview_data()
    {
        QTest::addColumn<QString>("preview");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("downBefore");
        QTest::addColumn<bool>("opens");
        QTest::newRow("left") << "imgWait" << int(Qt::LeftButton) << int(Qt::NoButton) << true;
        QTest::newRow("right") << "imgWait" << int(Qt::RightButton) << int(Qt::NoButton) << false;
        QTest::newRow("left while right is down") << "imgWait" << int(Qt::LeftButton) << int(Qt::RightButton) << false;
        QTest::newRow("left on an empty preview") << "imgStartup" << int(Qt::LeftButton) << int(Qt::NoButton) << false;
    }
    // A left press opens the logo full size until a click; other presses do nothing.
    void pressOnSlotPreview()
    {
        QFETCH(QString, preview);
        QFETCH(int, button);
        QFETCH(int, downBefore);
        QFETCH(bool, opens);
        WindowFixture f;
        QVERIFY(f.writeLogo("C:\\WINDOWS\\LOGOW.SYS")); // a Wait logo, none for Startup
        QCOMPARE(f.start(), -1);
        QWidget *target = f.find(qPrintable(preview));
        const PreviewWatcher seen; // finds the preview in its modal loop, and clicks it
        const QList<Qt::MouseButton> buttons{Qt::MouseButton(downBefore), Qt::MouseButton(button)};
        for (Qt::MouseButton b : buttons)
            if (b != Qt::NoButton)
                QTest::mousePress(target, b, {}, QPoint(5, 5)); // returns when a preview closed
        for (Qt::MouseButton b : buttons)
            if (b != Qt::NoButton)
                QTest::mouseRelease(target, b, {}, QPoint(5, 5));
        QCOMPARE(seen.opened, opens);
        if (!opens)
            return;
        QVERIFY(seen.closedByClick && seen.modal && !FrmLogoPreview::current());
        // The logo, unscaled from the top-left corner.
        const qreal dpr = seen.shot.devicePixelRatio();
        const auto colour = [](int x, int y) { return pictures::paletteColor(pictures::patternIndex(x, y, 256)); };
        QCOMPARE(seen.shot.pixel(0, 0), colour(0, 0));
        QCOMPARE(seen.shot.pixel(int(319 * dpr), int(399 * dpr)), colour(319, 399));
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
