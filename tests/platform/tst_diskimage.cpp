#include "platform/DiskImage.h"
#include "platform/FileDescriptor.h"
#include "platform/RawImageAccess.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace bg;
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
const struct { const char *name, *driver, *options; Format format; } kinds[] = {
    {"raw", "raw", "", Format::Raw}, {"vhd-fixed", "vpc", "subformat=fixed", Format::Vhd},
    {"vhd-dynamic", "vpc", "subformat=dynamic", Format::Vhd}, {"vdi", "vdi", "", Format::Vdi},
    {"qcow2", "qcow2", "", Format::Qcow2}, {"vmdk", "vmdk", "", Format::Vmdk}};
enum { Raw = 0, VhdFixed = 1, Vdi = 3, Qcow2 = 4 };

// The disk's bytes, then zeros up to the virtual size (VHD rounds it up to a geometry).
bool showsDisk(const QByteArray &shown, const QByteArray &disk)
{
    return shown.size() >= disk.size() && shown.left(disk.size()) == disk
        && shown.count('\0') - disk.count('\0') == shown.size() - disk.size();
}

QStringList leftovers()
{
    return QDir(RawImageAccess::exportsFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

bool mounted(const QString &pathPart)
{
    return contents("/proc/self/mountinfo").contains(QFile::encodeName(pathPart));
}

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
        QStringList args{"convert", "-O", kinds[kind].driver};
        if (*kinds[kind].options)
            args << "-o" << kinds[kind].options;
        args << m_dir.filePath("disk.img") << out;
        return QProcess::execute("qemu-img", args) == 0 ? out : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid() && m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        RawImageAccess::cleanUpLeftovers(); // nothing there: nothing done
        const QString disk = m_dir.filePath("disk.img");
        QCOMPARE(QProcess::execute("mkfs.fat", {"-C", disk, "1024"}), 0);
        // Data in the data area between free clusters of zeros.
        QCOMPARE(QProcess::execute("qemu-io", {"-f", "raw", "-c", "write -P 0x5a 256k 64k", "-c",
                                               "write -P 0xa7 320k 64k", disk}), 0);
        m_disk = contents(disk);
        const int fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        m_fuse = fd >= 0 && ::close(fd) == 0;
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
        const QString path = make(kind, "image");
        const DiskImage::Probe probe = DiskImage::probe(path);
        QCOMPARE(std::tuple(probe.status, probe.format, probe.locked),
                 std::tuple(DiskImage::Status::Ok, kinds[kind].format, false));
        QVERIFY(probe.virtualSize == m_disk.size()
                || (probe.format == Format::Vhd && probe.virtualSize - m_disk.size() < 65536));
        if (!m_fuse && kind != Raw)
            QSKIP("/dev/fuse cannot be opened on this machine");
        {
            const RawImageAccess reading(path, Mode::ReadOnly);
            const bool itself = QFileInfo(reading.hostPath()).canonicalFilePath()
                == QFileInfo(path).canonicalFilePath();
            QCOMPARE(std::pair(reading.size(), itself), // a raw image is its own
                     std::pair(probe.virtualSize, kind == Raw));
            QVERIFY(showsDisk(contents(reading.hostPath()), m_disk));
            QFile file(reading.hostPath()); // an export refuses writing, even to root
            QVERIFY(kind == Raw || !(file.open(QIODevice::ReadWrite) && file.write("X") && file.flush()));
        }
        {
            const RawImageAccess writing(path, Mode::Writable);
            QFile file(writing.hostPath());
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(300000) && file.write("LOGO!") == 5);
        }
        QVERIFY(leftovers().isEmpty() && !mounted(m_runtime.path()) && !DiskImage::probe(path).locked);
        const QString back = m_dir.filePath("back.raw");
        QCOMPARE(QProcess::execute("qemu-img", {"convert", "-f", kinds[kind].driver, "-O", "raw", path, back}), 0);
        QVERIFY(showsDisk(contents(back), QByteArray(m_disk).replace(300000, 5, "LOGO!")));
    }

    // A missing file, a folder, a file of no whole sectors, Hyper-V's VHDX (no emulator's).
    void noImages()
    {
        QFile text(m_dir.filePath("notes.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("hello\n") == 6);
        const QString vhdx = m_dir.filePath("disk.vhdx");
        QCOMPARE(QProcess::execute("qemu-img", {"create", "-q", "-f", "vhdx", vhdx, "1M"}), 0);
        for (const auto &[path, unreadable] : {std::pair(m_dir.filePath("none.img"), true),
                                               {m_dir.path(), true}, {text.fileName(), false}, {vhdx, false}}) {
            const RawImageAccess access(path, Mode::Writable);
            QCOMPARE(std::pair(DiskImage::probe(path).status, access.error()),
                     unreadable ? std::pair(DiskImage::Status::Unreadable, Error::Unreadable)
                                : std::pair(DiskImage::Status::NotAnImage, Error::NotAnImage));
            QVERIFY(access.hostPath().isEmpty());
        }
    }

    void lockedImages_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("holderReads");
        QTest::addColumn<bool>("probedLocked"); // a reader is seen only by a test of writing
        QTest::newRow("raw, a virtual machine writes") << int(Raw) << false << true;
        QTest::newRow("raw, a virtual machine reads") << int(Raw) << true << true;
        QTest::newRow("qcow2, an emulator writes") << int(Qcow2) << false << true;
        QTest::newRow("fixed VHD, an emulator writes") << int(VhdFixed) << false << true;
        QTest::newRow("qcow2, an emulator reads") << int(Qcow2) << true << false;
    }
    // Another program's lock refuses writing, with Locked, and leaves reading.
    void lockedImages()
    {
        QFETCH(int, kind);
        QFETCH(bool, holderReads);
        QFETCH(bool, probedLocked);
        if (!m_fuse && kind != Raw)
            QSKIP("/dev/fuse cannot be opened on this machine");
        const QString path = make(kind, "held");
        QProcess holder;
        if (kind != Raw) {
            // It prints the length once it holds the image (a line at a time through stdbuf):
            // only then is the image taken.
            holder.start("stdbuf", QStringList{"-oL", "qemu-io", "-f", kinds[kind].driver, "-c", "length",
                                               "-c", "sleep 60000", path}
                                       << (holderReads ? QStringList{"-r"} : QStringList()));
            QVERIFY(holder.waitForReadyRead(30000));
        }
        // qemu-io shares a raw image with writers, a virtual machine does not: on its raw disk it
        // holds QEMU's locks on bytes 100 (it reads), 101 (it writes), 201 (nobody else writes).
        const hostfs::FileDescriptor vm(::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC));
        for (const off_t byte : {100, 101, 201}) {
            struct flock lock{F_RDLCK, SEEK_SET, byte, 1, 0};
            QVERIFY(kind != Raw || (holderReads && byte == 101) || ::fcntl(vm.get(), F_OFD_SETLK, &lock) == 0);
        }
        QTRY_COMPARE(RawImageAccess(path, Mode::Writable).error(), Error::Locked);
        const DiskImage::Probe probe = DiskImage::probe(path);
        QCOMPARE(std::pair(probe.locked, probe.format), std::pair(probedLocked, kinds[kind].format));
        QVERIFY(leftovers().isEmpty());
        const RawImageAccess reading(path, Mode::ReadOnly);
        QVERIFY(showsDisk(contents(reading.hostPath()), m_disk));
        holder.kill();
        holder.waitForFinished();
    }

    void leftoversOfAKilledTool_data()
    {
        QTest::addColumn<bool>("daemonKilledToo");
        QTest::newRow("daemon still running") << false;
        QTest::newRow("daemon killed, its mount dead") << true;
    }
    // A child process holds a writable access and is killed.
    void leftoversOfAKilledTool()
    {
        QFETCH(bool, daemonKilledToo);
        if (!m_fuse)
            QSKIP("/dev/fuse cannot be opened on this machine");
        const QString path = make(Qcow2, "killed");
        int held[2];
        QVERIFY(::pipe(held) == 0);
        const pid_t child = ::fork();
        if (child == 0) {
            const RawImageAccess access(path, Mode::Writable);
            ::_exit(access.isOpen() && ::write(held[1], "!", 1) == 1 ? ::pause() : 1);
        }
        char c;
        QVERIFY(::close(held[1]) == 0 && ::read(held[0], &c, 1) == 1 && ::close(held[0]) == 0);
        QVERIFY(::kill(child, SIGKILL) == 0 && ::waitpid(child, nullptr, 0) == child);
        QVERIFY(leftovers().size() == 1 && DiskImage::probe(path).locked);
        const QString folder = leftovers().constFirst();
        if (daemonKilledToo) {
            const int pid = contents(RawImageAccess::exportsFolder() + '/' + folder + "/pid").toInt();
            pollfd daemon{int(::syscall(SYS_pidfd_open, pid, 0)), POLLIN, 0};
            QVERIFY(daemon.fd >= 0 && ::syscall(SYS_pidfd_send_signal, daemon.fd, SIGKILL, nullptr, 0) == 0);
            QVERIFY(::poll(&daemon, 1, 10000) == 1 && ::close(daemon.fd) == 0);
        }
        QVERIFY(mounted(folder));
        const RawImageAccess running(make(Vdi, "running"), Mode::ReadOnly);
        RawImageAccess::cleanUpLeftovers();
        QVERIFY(!mounted(folder) && !leftovers().contains(folder) && !DiskImage::probe(path).locked);
        QCOMPARE(leftovers().size(), 1); // the running access is left alone
        QVERIFY(showsDisk(contents(running.hostPath()), m_disk));
        QVERIFY(RawImageAccess(path, Mode::Writable).isOpen());
    }
};

QTEST_MAIN(TestDiskImage)
#include "tst_diskimage.moc"
