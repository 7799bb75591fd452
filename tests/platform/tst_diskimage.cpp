#include "platform/DiskImage.h"
#include "platform/RawImageAccess.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

using bg::DiskImage;
using bg::RawImageAccess;
using Format = DiskImage::Format;
using Mode = RawImageAccess::Mode;
using Error = RawImageAccess::Error;

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The test disk in each emulator's format: qemu-img's driver and options, the probe's answer.
struct Kind
{
    const char *name, *driver, *options;
    Format format;
};
const Kind kinds[] = {{"raw", "raw", "", Format::Raw},
                      {"vhd-fixed", "vpc", "subformat=fixed", Format::Vhd},
                      {"vhd-dynamic", "vpc", "subformat=dynamic", Format::Vhd},
                      {"vdi", "vdi", "", Format::Vdi},
                      {"qcow2", "qcow2", "", Format::Qcow2},
                      {"vmdk", "vmdk", "", Format::Vmdk}};
enum { Raw = 0, Qcow2 = 4 };

} // namespace

class TestDiskImage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir, m_runtime;
    QByteArray m_disk;
    bool m_fuse = false;

    QString make(int kind, const QString &name)
    {
        const QString out = m_dir.filePath(name);
        QFile::remove(out);
        QStringList args{QStringLiteral("convert"), QStringLiteral("-O"), kinds[kind].driver};
        if (*kinds[kind].options)
            args << QStringLiteral("-o") << kinds[kind].options;
        args << m_dir.filePath(QStringLiteral("disk.img")) << out;
        return QProcess::execute(QStringLiteral("qemu-img"), args) == 0 ? out : QString();
    }
    static QStringList leftovers()
    {
        return QDir(RawImageAccess::exportsFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }
    // The disk's bytes, then zeros up to the virtual size (VHD rounds it up to a geometry).
    static bool showsDisk(const QByteArray &shown, const QByteArray &disk)
    {
        return shown.size() >= disk.size() && shown.left(disk.size()) == disk
            && shown.count('\0') - disk.count('\0') == shown.size() - disk.size();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid() && m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        RawImageAccess::cleanUpLeftovers(); // nothing there: nothing done
        const QString disk = m_dir.filePath(QStringLiteral("disk.img"));
        QCOMPARE(QProcess::execute(QStringLiteral("mkfs.fat"), {QStringLiteral("-C"), disk, "1024"}), 0);
        // Data in the data area, no two sectors alike, and free clusters left as zeros.
        QFile f(disk);
        QByteArray pattern(256 * 1024, '\0');
        for (int i = 0; i < pattern.size(); ++i)
            pattern[i] = char(i * 7 + i / 512);
        QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(256 * 1024) && f.write(pattern) == pattern.size());
        f.close();
        m_disk = contents(disk);
        const int fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        m_fuse = fd >= 0;
        if (m_fuse)
            ::close(fd);
    }

    void eachFormat_data()
    {
        QTest::addColumn<int>("kind");
        for (int i = 0; i < int(std::size(kinds)); ++i)
            QTest::newRow(kinds[i].name) << i;
    }
    // Probed, read through an access, written through one, and the write found in the image.
    void eachFormat()
    {
        QFETCH(int, kind);
        const QString path = make(kind, QStringLiteral("image"));
        const DiskImage::Probe probe = DiskImage::probe(path);
        QCOMPARE(probe.status, DiskImage::Status::Ok);
        QCOMPARE(probe.format, kinds[kind].format);
        QVERIFY(!probe.locked);
        QVERIFY(probe.virtualSize == m_disk.size()
                || (probe.format == Format::Vhd && probe.virtualSize - m_disk.size() < 65536));
        if (!m_fuse && kind != Raw)
            QSKIP("/dev/fuse cannot be opened on this machine");
        {
            const RawImageAccess reading(path, Mode::ReadOnly);
            QVERIFY(reading.isOpen());
            QCOMPARE(reading.size(), probe.virtualSize);
            QCOMPARE(reading.hostPath() == path, kind == Raw);
            QVERIFY(showsDisk(contents(reading.hostPath()), m_disk));
            QFile file(reading.hostPath()); // an export refuses writing, even to root
            QVERIFY(kind == Raw || !(file.open(QIODevice::ReadWrite) && file.write("X") && file.flush()));
        }
        {
            const RawImageAccess writing(path, Mode::Writable);
            QVERIFY(writing.isOpen());
            QFile file(writing.hostPath());
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(300000) && file.write("LOGO!") == 5);
        }
        QVERIFY(leftovers().isEmpty());
        QVERIFY(!contents(QStringLiteral("/proc/self/mountinfo")).contains("bootgallery-images"));
        QVERIFY(!DiskImage::probe(path).locked);
        const QString back = m_dir.filePath(QStringLiteral("back.raw"));
        QFile::remove(back);
        QCOMPARE(QProcess::execute(QStringLiteral("qemu-img"), {"convert", "-f", kinds[kind].driver, "-O", "raw", path, back}), 0);
        QVERIFY(showsDisk(contents(back), QByteArray(m_disk).replace(300000, 5, "LOGO!")));
    }

    void noImages_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("error");
        QFile text(m_dir.filePath(QStringLiteral("notes.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("hello\n") == 6);
        const QString vhdx = m_dir.filePath(QStringLiteral("disk.vhdx"));
        QCOMPARE(QProcess::execute(QStringLiteral("qemu-img"), {"create", "-q", "-f", "vhdx", vhdx, "1M"}), 0);
        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("none.img"))
                                 << int(DiskImage::Status::Unreadable) << int(Error::Unreadable);
        QTest::newRow("folder") << m_dir.path() << int(DiskImage::Status::Unreadable)
                                << int(Error::Unreadable);
        QTest::newRow("partial sector") << text.fileName() << int(DiskImage::Status::NotAnImage)
                                        << int(Error::NotAnImage);
        QTest::newRow("Hyper-V") << vhdx << int(DiskImage::Status::NotAnImage) << int(Error::NotAnImage);
    }
    void noImages()
    {
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(int, error);
        QCOMPARE(int(DiskImage::probe(path).status), status);
        const RawImageAccess access(path, Mode::Writable);
        QCOMPARE(int(access.error()), error);
        QVERIFY(access.hostPath().isEmpty());
    }

    void lockedImages_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("holderReads");
        QTest::newRow("raw, a virtual machine runs") << int(Raw) << false;
        QTest::newRow("qcow2, an emulator writes") << int(Qcow2) << false;
        QTest::newRow("qcow2, an emulator reads") << int(Qcow2) << true;
    }
    // Another program's lock refuses writing, with Locked, and leaves reading.
    void lockedImages()
    {
        QFETCH(int, kind);
        QFETCH(bool, holderReads);
        if (!m_fuse && kind != Raw)
            QSKIP("/dev/fuse cannot be opened on this machine");
        const QString path = make(kind, QStringLiteral("held"));
        QProcess holder;
        QStringList args{QStringLiteral("-f"), kinds[kind].driver, "-c", "sleep 60000", path};
        if (holderReads)
            args.prepend(QStringLiteral("-r"));
        // qemu-io shares a raw image with writers, a virtual machine does not: on a raw disk it
        // holds these locks of QEMU's (bytes 100, 101: it reads and writes; 201: nobody else
        // writes), as /proc/locks shows.
        const int vm = kind == Raw ? ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC) : -1;
        for (const off_t byte : {100, 101, 201}) {
            struct flock lock{};
            lock.l_type = F_RDLCK;
            lock.l_start = byte;
            lock.l_len = 1;
            QVERIFY(kind != Raw || ::fcntl(vm, F_OFD_SETLK, &lock) == 0);
        }
        if (kind != Raw)
            holder.start(QStringLiteral("qemu-io"), args);
        QTRY_COMPARE(RawImageAccess(path, Mode::Writable).error(), Error::Locked);
        QCOMPARE(DiskImage::probe(path).locked, !holderReads);
        QVERIFY(leftovers().isEmpty());
        const RawImageAccess reading(path, Mode::ReadOnly);
        QVERIFY(reading.isOpen());
        QVERIFY(showsDisk(contents(reading.hostPath()), m_disk));
        holder.kill();
        holder.waitForFinished();
        if (vm >= 0)
            ::close(vm);
    }

    void leftoversOfAKilledTool_data()
    {
        QTest::addColumn<bool>("daemonKilledToo");
        QTest::newRow("daemon still running") << false;
        QTest::newRow("daemon killed, its mount dead") << true;
    }
    // A child process (this program again) holds a writable access and is killed.
    void leftoversOfAKilledTool()
    {
        QFETCH(bool, daemonKilledToo);
        if (!m_fuse)
            QSKIP("/dev/fuse cannot be opened on this machine");
        const QString path = make(Qcow2, QStringLiteral("killed"));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("BG_TEST_HOLD_IMAGE"), path);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForReadyRead(30000));
        QCOMPARE(child.readAll(), QByteArray("held\n"));
        child.kill();
        QVERIFY(child.waitForFinished());
        QCOMPARE(leftovers().size(), 1);
        const QString folder = leftovers().constFirst();
        QVERIFY(DiskImage::probe(path).locked);
        if (daemonKilledToo) {
            const QString pidFile = RawImageAccess::exportsFolder() + u'/' + folder + "/pid";
            const int pidfd = int(::syscall(SYS_pidfd_open, contents(pidFile).trimmed().toInt(), 0));
            QVERIFY(pidfd >= 0 && ::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0) == 0);
            pollfd p{pidfd, POLLIN, 0};
            QCOMPARE(::poll(&p, 1, 10000), 1);
            ::close(pidfd);
        }
        QVERIFY(contents(QStringLiteral("/proc/self/mountinfo")).contains(folder.toUtf8()));
        const RawImageAccess running(make(3, QStringLiteral("running")), Mode::ReadOnly);
        QVERIFY(running.isOpen());
        RawImageAccess::cleanUpLeftovers();
        QVERIFY(!contents(QStringLiteral("/proc/self/mountinfo")).contains(folder.toUtf8()));
        QVERIFY(!leftovers().contains(folder));
        QCOMPARE(leftovers().size(), 1); // the running access is left alone
        QVERIFY(showsDisk(contents(running.hostPath()), m_disk));
        QVERIFY(!DiskImage::probe(path).locked);
        QVERIFY(RawImageAccess(path, Mode::Writable).isOpen());
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (const QString held = qEnvironmentVariable("BG_TEST_HOLD_IMAGE"); !held.isEmpty()) {
        const RawImageAccess access(held, Mode::Writable);
        std::puts(access.isOpen() ? "held" : "failed");
        std::fflush(stdout);
        ::pause();
    }
    TestDiskImage test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_diskimage.moc"
