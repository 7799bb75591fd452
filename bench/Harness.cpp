#include "Harness.h"

#include "app/StartupSequence.h"
#include "ui/LogoList.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QWindow>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace bgbench {

namespace {

// Closes a descriptor when it goes out of scope.
struct Fd
{
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
};

// Reads up to length bytes at offset; the bytes read.
qint64 readAt(int fd, char *buffer, qint64 length, qint64 offset)
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, buffer + done, size_t(length - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

bool sizeBeginsWith129(qint64 size)
{
    const std::string digits = std::to_string(size);
    return digits.size() >= 3 && digits.compare(0, 3, "129") == 0;
}

// Paints seen by a widget.
class PaintWatch : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int QuietDesktop::messageBox(const QString &, int style, const QString &)
{
    ++boxes;
    switch (style) {
    case bg::mb::QuestionYesNo:
    case bg::mb::InfoYesNo:
        return bg::mb::AnswerNo;
    case bg::mb::ExclamationYesNoCancel:
        return bg::mb::AnswerCancel;
    default:
        return bg::mb::AnswerOk;
    }
}

QString QuietDesktop::browseForFolder(QWidget *, const QString &)
{
    return QString();
}

void QuietDesktop::shellOpen(QWidget *, const QString &, int) {}

BenchPrefix::BenchPrefix(const QString &root, const QString &dataDir)
    : m_prefix(root), m_files(m_prefix), m_dataDir(QDir(dataDir).absolutePath())
{
    if (!m_prefix.ensureCreated())
        return;
    const QString link = m_prefix.root() + QStringLiteral("/dosdevices/d:");
    const QByteArray linkName = QFile::encodeName(link);
    const QByteArray target = QFile::encodeName(m_dataDir);
    ::unlink(linkName.constData());
    m_valid = ::symlink(target.constData(), linkName.constData()) == 0;
}

QString BenchPrefix::windowsFolder(const QString &hostDir) const
{
    const QString relative = QDir(m_dataDir).relativeFilePath(QDir(hostDir).absolutePath());
    QString path = QStringLiteral("D:\\") + QString(relative).replace(u'/', u'\\');
    if (!path.endsWith(u'\\'))
        path += u'\\';
    return path;
}

bool BenchPrefix::writeStartupSetting(const QString &windowsFolder)
{
    const QByteArray text = "[SplashwheelSet]\r\nStart_Path=" + windowsFolder.toLatin1() + "\r\n";
    return m_files.writeFileAtomic(m_prefix.windowsDirectory() + QStringLiteral("\\SW.ini"), text) == 0;
}

WindowRig::WindowRig(bg::Prefix &prefix, bg::FileService &files)
    : m_pictures(96.0, 96.0),
      m_services{prefix, files, m_desktop, m_pictures,
                 QStringLiteral("C:\\Program Files\\Bootgallery\\"), QString()}
{
}

WindowRig::~WindowRig() = default;

bool WindowRig::loadAndShow(int timeoutMs, qint64 *shownNs)
{
    QElapsedTimer clock;
    clock.start();
    if (bg::openMainWindow(m_services, m_window); !m_window)
        return false;
    bg::MainWindow &w = *m_window;
    PaintWatch watch;
    w.installEventFilter(&watch);
    w.show();
    const auto shown = [&] { return w.windowHandle() && w.windowHandle()->isExposed() && watch.painted; };
    while (!(shown() && !w.isScanning()) && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (shownNs && *shownNs < 0 && shown())
            *shownNs = clock.nsecsElapsed();
    }
    w.removeEventFilter(&watch);
    return watch.painted && !w.isScanning();
}

qint64 WindowRig::scan(const QString &windowsFolder)
{
    auto *path = m_window->findChild<QLineEdit *>(QStringLiteral("txtPath"));
    QEventLoop loop;
    QObject::connect(m_window.get(), &bg::MainWindow::scanFinished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    path->setText(windowsFolder);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(path, &press);
    if (m_window->isScanning())
        loop.exec();
    return clock.nsecsElapsed();
}

QStringList WindowRig::entries()
{
    QStringList out;
    auto *list = m_window->findChild<bg::LogoList *>(QStringLiteral("lstSys"));
    const int n = list->entryCount();
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out.append(list->entryText(i));
    return out;
}

GapResult measureGaps(const std::function<void()> &work)
{
    QElapsedTimer clock;
    std::vector<qint64> ticks;
    ticks.reserve(1 << 16);
    QTimer timer;
    timer.setInterval(0);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] { ticks.push_back(clock.nsecsElapsed()); });
    clock.start();
    timer.start();
    const qint64 begin = clock.nsecsElapsed();
    work();
    const qint64 end = clock.nsecsElapsed();
    timer.stop();

    GapResult result;
    qint64 last = begin;
    qint64 longest = 0;
    auto consider = [&](qint64 from, qint64 to) {
        if (to - from > longest) {
            longest = to - from;
            result.turnsBefore = result.turns;
            result.startsAtMs = double(from - begin) / 1e6;
        }
    };
    for (qint64 t : ticks) {
        if (t > end)
            break;
        consider(last, t);
        last = t;
        ++result.turns;
    }
    consider(last, end);
    result.longestMs = double(longest) / 1e6;
    result.totalMs = double(end - begin) / 1e6;
    return result;
}

qint64 fillList(const QStringList &names, QSize listSize)
{
    bg::LogoList list;
    list.resize(listSize);
    list.show();
    QElapsedTimer clock;
    clock.start();
    while (!(list.windowHandle() && list.windowHandle()->isExposed()) && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();

    clock.restart();
    for (const QString &name : names) {
        list.addEntry(name);
        QCoreApplication::processEvents();
    }
    list.flush();
    const std::vector<double> widths = list.entryWidths();
    const qint64 ns = clock.nsecsElapsed();
    return widths.size() == size_t(names.size()) ? ns : -1;
}

FloorResult floorScan(const QString &hostDir, const bg::PictureLoader &header)
{
    FloorResult result;
    const QByteArray dirName = QFile::encodeName(hostDir);
    const int dirFd = ::open(dirName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return result;
    DIR *d = ::fdopendir(dirFd);
    if (!d) {
        ::close(dirFd);
        return result;
    }
    struct Entry
    {
        std::string name;
        qint64 size;
    };
    std::vector<Entry> entries;
    struct stat st;
    while (const dirent *e = ::readdir(d)) {
        if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0)))
            continue;
        if (::fstatat(dirFd, e->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode))
            continue;
        entries.push_back({e->d_name, qint64(st.st_size)});
    }

    constexpr qint64 Head = 4096;
    std::vector<char> buffer(static_cast<size_t>(Head));
    for (const Entry &entry : entries) {
        const Fd fd(::openat(dirFd, entry.name.c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.fd < 0)
            continue;
        ++result.files;
        const qint64 head = readAt(fd.fd, buffer.data(), std::min(Head, entry.size), 0);
        result.bytesRead += head;
        const bg::PictureHeader h =
            header.probe(QByteArray::fromRawData(buffer.data(), qsizetype(head)), entry.size);
        if (h.size != QSize(320, 400))
            continue;
        ++result.kept;
        if (buffer.size() < size_t(entry.size))
            buffer.resize(size_t(entry.size));
        result.bytesRead += readAt(fd.fd, buffer.data() + head, entry.size - head, head);
    }
    ::closedir(d);
    return result;
}

int naiveScan(const QString &hostDir)
{
    const QFileInfoList files = QDir(hostDir).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    int found = 0;
    for (const QFileInfo &file : files) {
        QImageReader reader(file.filePath());
        const QImage image = reader.read();
        if (sizeBeginsWith129(file.size()) && image.size() == QSize(320, 400))
            ++found;
        QCoreApplication::processEvents();
    }
    return found;
}

qint64 warmFolder(const QString &hostDir)
{
    qint64 total = 0;
    std::vector<char> buffer(1 << 20);
    const QFileInfoList files = QDir(hostDir).entryInfoList(QDir::Files);
    for (const QFileInfo &file : files) {
        const Fd fd(::open(QFile::encodeName(file.filePath()).constData(), O_RDONLY | O_CLOEXEC));
        if (fd.fd < 0)
            continue;
        for (;;) {
            const ssize_t n = ::read(fd.fd, buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            total += n;
        }
    }
    return total;
}

namespace {

long statusKiB(const char *field)
{
    long value = -1;
    if (FILE *f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        const size_t length = std::strlen(field);
        while (std::fgets(line, sizeof line, f)) {
            if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
                value = std::strtol(line + length + 1, nullptr, 10);
                break;
            }
        }
        std::fclose(f);
    }
    return value;
}

} // namespace

long residentKiB()
{
    return statusKiB("VmRSS");
}

long peakResidentKiB()
{
    return statusKiB("VmHWM");
}

bool resetPeakResident()
{
    FILE *f = std::fopen("/proc/self/clear_refs", "w");
    if (!f)
        return false;
    const bool written = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && written;
}

double loadAverage()
{
    double load = -1;
    if (FILE *f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1)
            load = -1;
        std::fclose(f);
    }
    return load;
}

} // namespace bgbench
