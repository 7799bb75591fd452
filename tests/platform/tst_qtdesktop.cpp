#include "platform/QtDesktop.h"
#include "platform/QtTranslations.h"
#include "support/TempPrefix.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <mutex>

using namespace bg;
using Box = QMessageBox;

Q_DECLARE_METATYPE(QMessageBox::StandardButton)

class TestQtDesktop : public QObject
{
    Q_OBJECT

private slots:
    // The style picks the icon and the buttons; Enter answers as the default button, Escape
    // and closing the window as the escape button. The prompt shows as typed, markup or not.
    void layoutForStyle_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<Box::Icon>("icon");
        QTest::addColumn<Box::StandardButtons>("buttons");
        QTest::addColumn<int>("enterAnswer");
        QTest::addColumn<int>("escapeAnswer");
        const auto ok = Box::StandardButtons(Box::Ok);
        QTest::newRow("16") << 16 << Box::Critical << ok << 1 << 1;
        QTest::newRow("64") << 64 << Box::Information << ok << 1 << 1;
        QTest::newRow("292") << 292 << Box::Question << (Box::Yes | Box::No) << 7 << 7;
        QTest::newRow("324") << 324 << Box::Information << (Box::Yes | Box::No) << 7 << 7;
        QTest::newRow("51") << 51 << Box::Warning << (Box::Yes | Box::No | Box::Cancel) << 6 << 2;
    }

    void layoutForStyle()
    {
        QFETCH(int, style);
        QFETCH(Box::Icon, icon);
        QFETCH(Box::StandardButtons, buttons);
        QFETCH(int, enterAnswer);
        QFETCH(int, escapeAnswer);
        const QString prompt = QStringLiteral("確定要刪除 <b>a.bmp</b> 嗎?");
        for (const QString action : {"enter", "escape", "close"}) {
            const auto box = makeMessageBox(prompt, style, QStringLiteral("開機換圖"));
            QCOMPARE(box->icon(), icon);
            QCOMPARE(box->standardButtons(), buttons);
            QCOMPARE(box->windowTitle(), QStringLiteral("開機換圖"));
            QCOMPARE(box->text(), prompt);
            QCOMPARE(box->textFormat(), Qt::PlainText);
            box->show();
            QVERIFY(QTest::qWaitForWindowExposed(box.get()));
            if (action == "close")
                box->close();
            else
                QTest::keyClick(box.get(), action == "enter" ? Qt::Key_Return : Qt::Key_Escape);
            QVERIFY(box->isHidden());
            QCOMPARE(messageBoxAnswer(*box, box->clickedButton()),
                     action == "enter" ? enterAnswer : escapeAnswer);
        }
    }

    // The box is modal on the active window, its standard buttons speak Traditional Chinese
    // through Qt's translations, and Escape answers as the escape button does.
    void modalBoxOnActiveWindow_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("buttonTexts");
        QTest::addColumn<int>("escapeAnswer");
        QTest::newRow("16") << 16 << QStringList{"確定"} << 1;
        QTest::newRow("51") << 51 << QStringList{"是(&Y)", "否(&N)", "取消"} << 2;
    }

    void modalBoxOnActiveWindow()
    {
        QFETCH(int, style);
        QFETCH(QStringList, buttonTexts);
        QFETCH(int, escapeAnswer);
        QVERIFY(installQtTranslations(*qApp));
        test::TempPrefix machine;
        QVERIFY(machine.isValid());
        QtDesktop desktop(machine.prefix());
        QWidget window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QPointer<QWidget> seenParent;
        QStringList seenTexts;
        bool wasModal = false;
        QTimer::singleShot(0, this, [&] {
            // Found among the top-level widgets, so a box that is not modal still ends the loop.
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (!box || !box->isVisible())
                    continue;
                wasModal = QApplication::activeModalWidget() == box;
                seenParent = box->parentWidget();
                for (const Box::StandardButton b : {Box::Yes, Box::No, Box::Ok, Box::Cancel}) {
                    if (const QAbstractButton *button = box->button(b))
                        seenTexts << button->text();
                }
                QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        QCOMPARE(desktop.messageBox(QStringLiteral("要更換嗎?"), style, QStringLiteral("換圖")),
                 escapeAnswer);
        QVERIFY(wasModal);
        QCOMPARE(seenParent.data(), &window);
        QCOMPARE(seenTexts, buttonTexts);
    }

    // The conversion window through real input: the picture and the options chosen show their
    // preview (drawn on a worker), one change after the other; Convert gives the choice, Cancel none.
    void conversionWindow_data()
    {
        QTest::addColumn<bool>("convert");
        QTest::newRow("converted") << true;
        QTest::newRow("cancelled") << false;
    }
    void conversionWindow()
    {
        QFETCH(bool, convert);
        test::TempPrefix machine;
        QtDesktop desktop(machine.prefix());
        std::mutex lock;
        QList<QPair<int, ConversionChoice>> drawn;
        // Each preview's top in a colour that tells what was drawn; with the band, the bottom rows
        // in the entries that turn.
        ConversionOffer offer{"轉換", "要轉換嗎？", {"a.png", "b.jpg"}, [&](int index, ConversionChoice c) {
            const std::lock_guard guard(lock);
            drawn.append({index, c});
            QImage frame(320, 400, QImage::Format_Indexed8);
            QList<QRgb> palette(256);
            for (int i = 0; i < 256; ++i)
                palette[i] = qRgb(i, 255 - i, 0);
            palette[0] = qRgb(index * 100, c.fill * 200, c.animatedBand * 200);
            frame.setColorTable(palette);
            frame.fill(0);
            for (int y = 392; y < 400; ++y)
                *frame.scanLine(y) = 236;
            return BootFrame{frame, c.animatedBand ? 236u : 0u};
        }};
        const auto shownColour = [](QWidget *dialog, QPoint at = {5, 5}) {
            const QPixmap pixmap = dialog->findChild<QLabel *>("imgBootScreen")->pixmap();
            return pixmap.isNull() ? QColor() : QColor(pixmap.toImage().pixel(at));
        };
        QList<QColor> shown;
        bool stuck = false;
        QTimer::singleShot(0, this, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            QVERIFY(dialog && dialog->objectName() == "frmConvert");
            // A step that fails, or a button that does not close the window, fails the test
            // instead of leaving the window open for good.
            QTimer::singleShot(30000, dialog, [dialog, &stuck] { stuck = true, static_cast<QDialog *>(dialog)->reject(); });
            const auto click = [](QWidget *button) { // on the indicator
                QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
            };
            const std::function<void()> steps[] = {
                [] {}, [&] { click(dialog->findChild<QWidget *>("optFill")); },
                [&] { click(dialog->findChild<QWidget *>("chkAnimatedBand")); },
                [&] { QTest::keyClick(dialog->findChild<QWidget *>("cboPicture"), Qt::Key_Down); }};
            for (const QColor expected : {QColor(0, 0, 0), QColor(0, 200, 0), QColor(0, 200, 200), QColor(100, 200, 200)}) {
                steps[shown.size()]();
                QTRY_COMPARE(shownColour(dialog), expected);
                shown.append(expected);
            }
            const QColor band = shownColour(dialog, {2, 478}); // the band turns
            QTRY_VERIFY(shownColour(dialog, {2, 478}) != band);
            QCOMPARE(shownColour(dialog), shown.last());
            QTest::mouseClick(dialog->findChild<QWidget *>(convert ? "cmdConvert" : "cmdCancel"), Qt::LeftButton);
        });
        const auto choice = desktop.offerConversion(nullptr, offer);
        QVERIFY(!stuck);
        QCOMPARE(shown.size(), 4);
        QCOMPARE(choice, convert ? std::optional(ConversionChoice{true, true}) : std::nullopt);
        QCOMPARE(drawn.first().first, 0);
        QCOMPARE(drawn.last().first, 1);
    }

    void folderResult()
    {
        test::TempPrefix machine;
        QVERIFY(machine.isValid());
        const QtDesktop desktop(machine.prefix());
        QVERIFY(machine.makeFolder(QStringLiteral("C:\\Logos\\開機")));
        QCOMPARE(desktop.folderResult(machine.host(QStringLiteral("C:\\Logos\\開機"))),
                 QStringLiteral("C:\\Logos\\開機"));
        QCOMPARE(desktop.folderResult(machine.driveC()), QStringLiteral("C:\\"));
        QCOMPARE(desktop.folderResult(machine.addDrive(u'D')), QStringLiteral("D:\\"));
    }
};

QTEST_MAIN(TestQtDesktop)
#include "tst_qtdesktop.moc"
