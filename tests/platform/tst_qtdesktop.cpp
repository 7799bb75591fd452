#include "platform/QtDesktop.h"
#include "platform/QtTranslations.h"
#include "support/TempPrefix.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QHash>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace bg;
using Box = QMessageBox;

Q_DECLARE_METATYPE(QMessageBox::StandardButton)

class TestQtDesktop : public QObject
{
    Q_OBJECT

private slots:
    void layoutForStyle_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<Box::Icon>("icon");
        QTest::addColumn<Box::StandardButtons>("buttons");
        QTest::addColumn<Box::StandardButton>("defaultButton");
        QTest::addColumn<Box::StandardButton>("escapeButton");
        QTest::newRow("16 critical") << 16 << Box::Critical << Box::StandardButtons(Box::Ok)
                                     << Box::Ok << Box::Ok;
        QTest::newRow("64 information") << 64 << Box::Information << Box::StandardButtons(Box::Ok)
                                        << Box::Ok << Box::Ok;
        QTest::newRow("292 question") << 292 << Box::Question << (Box::Yes | Box::No) << Box::No
                                      << Box::No;
        QTest::newRow("324 information") << 324 << Box::Information << (Box::Yes | Box::No)
                                         << Box::No << Box::No;
        QTest::newRow("51 exclamation") << 51 << Box::Warning << (Box::Yes | Box::No | Box::Cancel)
                                        << Box::Yes << Box::Cancel;
    }

    void layoutForStyle()
    {
        QFETCH(int, style);
        QFETCH(Box::Icon, icon);
        QFETCH(Box::StandardButtons, buttons);
        QFETCH(Box::StandardButton, defaultButton);
        QFETCH(Box::StandardButton, escapeButton);
        const QString prompt = QStringLiteral("確定要刪除 <b>a.bmp</b> 嗎?");
        const auto box = makeMessageBox(prompt, style, QStringLiteral("開機換圖"));
        QCOMPARE(box->icon(), icon);
        QCOMPARE(box->standardButtons(), buttons);
        QCOMPARE(box->standardButton(box->defaultButton()), defaultButton);
        QCOMPARE(box->standardButton(box->escapeButton()), escapeButton);
        QCOMPARE(box->windowTitle(), QStringLiteral("開機換圖"));
        QCOMPARE(box->text(), prompt);
        QCOMPARE(box->textFormat(), Qt::PlainText); // markup-like prompts show as typed
    }

    void answers_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("action"); // a button's text, or "escape" / "close" / "enter"
        QTest::addColumn<int>("answer");
        QTest::newRow("16 OK") << 16 << "Ok" << 1;
        QTest::newRow("64 escape") << 64 << "escape" << 1;
        QTest::newRow("292 Yes") << 292 << "Yes" << 6;
        QTest::newRow("292 No") << 292 << "No" << 7;
        QTest::newRow("292 escape") << 292 << "escape" << 7;
        QTest::newRow("324 close") << 324 << "close" << 7;
        QTest::newRow("51 Cancel") << 51 << "Cancel" << 2;
        QTest::newRow("51 escape") << 51 << "escape" << 2;
        QTest::newRow("51 close") << 51 << "close" << 2;
        QTest::newRow("51 Enter takes the default") << 51 << "enter" << 6;
    }

    void answers()
    {
        QFETCH(int, style);
        QFETCH(QString, action);
        QFETCH(int, answer);
        const auto box = makeMessageBox(QStringLiteral("?"), style, QStringLiteral("t"));
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        if (action == "escape" || action == "enter") {
            QTest::keyClick(box.get(), action == "escape" ? Qt::Key_Escape : Qt::Key_Return);
        } else if (action == "close") {
            box->close();
        } else {
            const QHash<QString, Box::StandardButton> named = {
                {"Ok", Box::Ok}, {"Yes", Box::Yes}, {"No", Box::No}, {"Cancel", Box::Cancel}};
            QAbstractButton *button = box->button(named.value(action, Box::NoButton));
            QVERIFY(button);
            button->click();
        }
        QVERIFY(box->isHidden());
        QCOMPARE(messageBoxAnswer(*box, box->clickedButton()), answer);
    }

    // The box is modal on the active window, its standard buttons speak Traditional Chinese
    // through Qt's translations, and Escape answers as the escape button does.
    void modalBoxOnActiveWindow_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("buttonTexts");
        QTest::addColumn<int>("escapeAnswer");
        QTest::newRow("292") << 292 << QStringList{"是(&Y)", "否(&N)"} << 7;
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
        QString seenTitle;
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
                seenTitle = box->windowTitle();
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
        QCOMPARE(seenTitle, QStringLiteral("換圖"));
        QCOMPARE(seenTexts, buttonTexts);
    }

    void folderResult()
    {
        test::TempPrefix machine;
        QVERIFY(machine.isValid());
        const QtDesktop desktop(machine.prefix());
        QVERIFY(machine.makeFolder(QStringLiteral("C:\\Logos\\開機")));
        QCOMPARE(desktop.folderResult(machine.host(QStringLiteral("C:\\Logos\\開機"))),
                 QStringLiteral("C:\\Logos\\開機"));
        QCOMPARE(desktop.folderResult(machine.driveC() + "/Logos/"), QStringLiteral("C:\\Logos"));
        QCOMPARE(desktop.folderResult(machine.driveC()), QStringLiteral("C:\\"));
        QCOMPARE(desktop.folderResult(machine.addDrive(u'D')), QStringLiteral("D:\\"));
        // A host name that cannot be a Windows name has no Windows path.
        QVERIFY(QDir(machine.driveC()).mkpath(QStringLiteral("what?")));
        QCOMPARE(desktop.folderResult(machine.driveC() + "/what?"), QString());
    }
};

QTEST_MAIN(TestQtDesktop)
#include "tst_qtdesktop.moc"
