#include "platform/QtDesktop.h"
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

Q_DECLARE_METATYPE(QMessageBox::StandardButton)

class TestQtDesktop : public QObject
{
    Q_OBJECT

private slots:
    void layoutForStyle_data();
    void layoutForStyle();
    void answers_data();
    void answers();
    void modalBoxOnActiveWindow_data();
    void modalBoxOnActiveWindow();
    void folderResult();
};

void TestQtDesktop::layoutForStyle_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<QMessageBox::StandardButtons>("buttons");
    QTest::addColumn<QMessageBox::StandardButton>("defaultButton");
    QTest::addColumn<QMessageBox::StandardButton>("escapeButton");

    using B = QMessageBox;
    QTest::newRow("16 critical") << 16 << B::Critical << B::StandardButtons(B::Ok) << B::Ok << B::Ok;
    QTest::newRow("64 information") << 64 << B::Information << B::StandardButtons(B::Ok) << B::Ok
                                    << B::Ok;
    QTest::newRow("292 question") << 292 << B::Question << (B::Yes | B::No) << B::No << B::No;
    QTest::newRow("324 information") << 324 << B::Information << (B::Yes | B::No) << B::No << B::No;
    QTest::newRow("51 exclamation") << 51 << B::Warning << (B::Yes | B::No | B::Cancel) << B::Yes
                                    << B::Cancel;
}

void TestQtDesktop::layoutForStyle()
{
    QFETCH(int, style);
    QFETCH(QMessageBox::Icon, icon);
    QFETCH(QMessageBox::StandardButtons, buttons);
    QFETCH(QMessageBox::StandardButton, defaultButton);
    QFETCH(QMessageBox::StandardButton, escapeButton);

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

void TestQtDesktop::answers_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("action"); // a button's text, or "escape" / "close"
    QTest::addColumn<int>("answer");

    QTest::newRow("16 OK") << 16 << "Ok" << 1;
    QTest::newRow("64 escape") << 64 << "escape" << 1;
    QTest::newRow("292 Yes") << 292 << "Yes" << 6;
    QTest::newRow("292 No") << 292 << "No" << 7;
    QTest::newRow("292 escape") << 292 << "escape" << 7;
    QTest::newRow("324 close") << 324 << "close" << 7;
    QTest::newRow("51 Yes") << 51 << "Yes" << 6;
    QTest::newRow("51 No") << 51 << "No" << 7;
    QTest::newRow("51 Cancel") << 51 << "Cancel" << 2;
    QTest::newRow("51 escape") << 51 << "escape" << 2;
    QTest::newRow("51 close") << 51 << "close" << 2;
    QTest::newRow("51 Enter takes the default") << 51 << "enter" << 6;
}

void TestQtDesktop::answers()
{
    QFETCH(int, style);
    QFETCH(QString, action);
    QFETCH(int, answer);

    const auto box = makeMessageBox(QStringLiteral("?"), style, QStringLiteral("t"));
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    if (action == QLatin1String("escape")) {
        QTest::keyClick(box.get(), Qt::Key_Escape);
    } else if (action == QLatin1String("enter")) {
        QTest::keyClick(box.get(), Qt::Key_Return);
    } else if (action == QLatin1String("close")) {
        box->close();
    } else {
        const QHash<QString, QMessageBox::StandardButton> named = {
            {QStringLiteral("Ok"), QMessageBox::Ok}, {QStringLiteral("Yes"), QMessageBox::Yes},
            {QStringLiteral("No"), QMessageBox::No}, {QStringLiteral("Cancel"), QMessageBox::Cancel}};
        QAbstractButton *button = box->button(named.value(action, QMessageBox::NoButton));
        QVERIFY(button);
        button->click();
    }
    QVERIFY(box->isHidden());
    QCOMPARE(messageBoxAnswer(*box, box->clickedButton()), answer);
}

void TestQtDesktop::modalBoxOnActiveWindow_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("answer");
    QTest::newRow("292 escape answers No") << 292 << 7;
    QTest::newRow("51 escape answers Cancel") << 51 << 2;
}

void TestQtDesktop::modalBoxOnActiveWindow()
{
    QFETCH(int, style);
    QFETCH(int, answer);
    test::TempPrefix machine;
    QVERIFY(machine.isValid());
    QtDesktop desktop(machine.prefix());

    QWidget window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QPointer<QWidget> seenParent;
    QString seenTitle;
    bool wasModal = false;
    QTimer::singleShot(0, this, [&] {
        // Found among the top-level widgets, so a box that is not modal still ends the loop.
        QMessageBox *box = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *b = qobject_cast<QMessageBox *>(w); b && b->isVisible())
                box = b;
        }
        if (!box)
            return;
        wasModal = QApplication::activeModalWidget() == box;
        seenParent = box->parentWidget();
        seenTitle = box->windowTitle();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(desktop.messageBox(QStringLiteral("要更換嗎?"), style, QStringLiteral("換圖")), answer);
    QVERIFY(wasModal);
    QCOMPARE(seenParent.data(), &window);
    QCOMPARE(seenTitle, QStringLiteral("換圖"));
}

void TestQtDesktop::folderResult()
{
    test::TempPrefix machine;
    QVERIFY(machine.isValid());
    const QtDesktop desktop(machine.prefix());

    QVERIFY(machine.makeFolder(QStringLiteral("C:\\Logos\\開機")));
    QCOMPARE(desktop.folderResult(machine.host(QStringLiteral("C:\\Logos\\開機"))),
             QStringLiteral("C:\\Logos\\開機"));
    QCOMPARE(desktop.folderResult(machine.host(QStringLiteral("C:\\Logos")) + QLatin1Char('/')),
             QStringLiteral("C:\\Logos"));
    QCOMPARE(desktop.folderResult(machine.driveC()), QStringLiteral("C:\\"));

    const QString driveD = machine.addDrive(QLatin1Char('D'));
    QVERIFY(!driveD.isEmpty());
    QCOMPARE(desktop.folderResult(driveD), QStringLiteral("D:\\"));

    // A host name that cannot be a Windows name has no Windows path.
    QVERIFY(QDir(machine.driveC()).mkpath(QStringLiteral("what?")));
    QCOMPARE(desktop.folderResult(machine.driveC() + QStringLiteral("/what?")), QString());
}

QTEST_MAIN(TestQtDesktop)
#include "tst_qtdesktop.moc"
