#include "support/WindowFixture.h"

#include "app/StartupSequence.h"
#include "platform/PrivateProfile.h"
#include "support/PictureFactory.h"
#include "ui/ImageBox.h"
#include "ui/LogoList.h"

#include <QApplication>
#include <QDirIterator>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <algorithm>

namespace bg::test {

WindowFixture::WindowFixture(const QString &commandText, const QString &programFolder)
    : services(new Services{tmp.prefix(), tmp.files(), desktop, pictures, programFolder, commandText,
                            tmp.baseDir() + QStringLiteral("/Onboot.exe")})
{
    QFile companion(services->companionFile);
    if (companion.open(QIODevice::WriteOnly))
        companion.write(Companion);
}

WindowFixture::~WindowFixture()
{
    releaseScans();
    window.reset();
}

FaultInjectingFileService &WindowFixture::injectFaults()
{
    faults = std::make_unique<FaultInjectingFileService>(tmp.files());
    services.reset(new Services{tmp.prefix(), *faults, desktop, pictures, services->programFolder, services->commandText,
                                services->companionFile});
    return *faults;
}

bool WindowFixture::useImage(ImagePrefix::Format format)
{
    QList<std::pair<QString, QByteArray>> files;
    const QDir driveC(tmp.driveC());
    for (QDirIterator it(driveC.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            return false;
        files.append({driveC.relativeFilePath(file.fileName()).replace(u'/', u'\\'), file.readAll()});
    }
    image = std::make_unique<ImagePrefix>(format, files);
    if (!image->isValid())
        return false;
    services.reset(new Services{image->prefix(), image->files(), desktop, pictures, services->programFolder,
                                services->commandText, services->companionFile});
    return true;
}

int WindowFixture::start()
{
    if (const int exitCode = openMainWindow(*services, window); !window)
        return exitCode;
    window->show();
    QApplication::setActiveWindow(window.get());
    if (!QTest::qWaitForWindowActive(window.get()))
        QTest::qFail("the main window did not become active", __FILE__, __LINE__);
    waitForScan();
    return -1;
}

QAbstractItemView *WindowFixture::list() const { return find<QAbstractItemView>("lstSys"); }
QWidget *WindowFixture::listViewport() const { return list()->viewport(); }

bool WindowFixture::waitForScan()
{
    return QTest::qWaitFor([this] { return !window || !window->isBusy(); }, 30000);
}

void WindowFixture::holdScans()
{
    if (!faults)
        return QTest::qFail("holding scans needs injectFaults()", __FILE__, __LINE__);
    scanGate = std::make_shared<QSemaphore>(0);
    faults->setAfterListing([gate = scanGate](const QString &) { gate->acquire(); });
}

void WindowFixture::releaseScans()
{
    if (!scanGate)
        return;
    faults->setAfterListing(nullptr);
    scanGate->release(1 << 20);
    scanGate.reset();
}

void WindowFixture::clickTab(LogoSlot slot)
{
    static const char *const names[] = {"lblStartup", "lblWait", "lblShutdown"};
    QTest::mouseClick(find(names[index(slot)]), Qt::LeftButton);
}

namespace {
QPoint rowMiddle(QAbstractItemView *view, int row)
{
    const QModelIndex entry = view->model()->index(row, 0);
    view->scrollTo(entry);
    return view->visualRect(entry).center();
}
} // namespace

void WindowFixture::clickRow(int row, Qt::MouseButton button)
{
    QTest::mouseClick(listViewport(), button, {}, rowMiddle(list(), row));
}

void WindowFixture::doubleClickRow(int row)
{
    const QPoint at = rowMiddle(list(), row);
    // A click, then the double-click press and its release, as the platform sends them.
    QTest::mouseClick(listViewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(listViewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(listViewport(), Qt::LeftButton, {}, at);
}

void WindowFixture::typePath(const QString &text)
{
    auto *path = find<QLineEdit>("txtPath");
    QTest::mouseClick(path, Qt::LeftButton);
    path->selectAll();
    QTest::keyClick(path, Qt::Key_Delete);
    QTest::keyClicks(path, text);
    QTest::keyClick(path, Qt::Key_Return);
}

void WindowFixture::chooseMenu(QChar menuKey, QChar itemKey)
{
    // The offscreen platform has no window manager to give the window back its activation
    // when a menu has closed; on a desktop the window is active again.
    QApplication::setActiveWindow(window.get());
    if (!QTest::qWaitForWindowActive(window.get()))
        QTest::qFail("the main window is not active", __FILE__, __LINE__);
    QWidget *focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : window.get(), menuKey.toLatin1(), Qt::AltModifier);
    QMenu *menu = nullptr;
    const auto opened = [&menu] {
        return (menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) != nullptr;
    };
    if (QTest::qWaitFor(opened, 2000))
        QTest::keyClick(menu, itemKey.toLatin1());
    else
        QTest::qFail("the menu did not open", __FILE__, __LINE__);
}

namespace {
bool sendDrop(QWidget *target, const QMimeData &data)
{
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at.toPoint(), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(at.toPoint(), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}
} // namespace

bool WindowFixture::dropOnList(const QStringList &hostPaths)
{
    QMimeData data;
    QList<QUrl> urls;
    std::transform(hostPaths.begin(), hostPaths.end(), std::back_inserter(urls), QUrl::fromLocalFile);
    data.setUrls(urls);
    return sendDrop(listViewport(), data);
}

bool WindowFixture::dragPreviewTo(LogoSlot slot)
{
    static const char *const names[] = {"imgStartup", "imgWait", "imgShutdown"};
    auto *preview = find<ImageBox>("imgOutput");
    // Moving onto the preview arms its drag, which only a shown picture can start.
    QTest::mouseMove(listViewport(), QPoint(5, 5));
    QTest::mouseMove(preview, QPoint(10, 10));
    if (!preview->autoDrag())
        return false;
    const std::unique_ptr<QMimeData> data(preview->dragData());
    return sendDrop(find(names[index(slot)]), *data);
}

void WindowFixture::writeSettings(const QString &text)
{
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QByteArray bytes;
    if (!cp950::encode(crlf, bytes))
        QTest::qFail("settings text is not code page 950", __FILE__, __LINE__);
    tmp.writeFile(windowsFolder() + QStringLiteral("SW.ini"), bytes);
}

bool WindowFixture::writeLogo(const QString &windowsPath, int shade)
{
    QByteArray bytes = pictures::bmp(QSize(320, 400), 8);
    if (shade != 0) // a different first pixel per logo, so two logos are never the same file
        bytes[1078] = char(shade & 0xFF);
    return tmp.writeFile(windowsPath, bytes);
}

bool WindowFixture::writeLogos(const QString &folder, const QStringList &names)
{
    int shade = 1;
    return std::all_of(names.begin(), names.end(),
                       [&](const QString &name) { return writeLogo(folder + name, shade++); });
}

QStringList WindowFixture::entries() const
{
    QStringList out;
    if (auto *logoList = find<LogoList>("lstSys"))
        for (int i = 0; i < logoList->entryCount(); ++i)
            out.append(logoList->entryText(i));
    return out;
}

QString WindowFixture::selectedEntry() const
{
    return window ? find<LogoList>("lstSys")->currentText() : QString();
}

QStringList WindowFixture::takeBoxTitles()
{
    QStringList titles;
    for (const ScriptedDesktop::Box &box : desktop.boxes)
        titles.append(box.title);
    desktop.boxes.clear();
    return titles;
}

} // namespace bg::test
