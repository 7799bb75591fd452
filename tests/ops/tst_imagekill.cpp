#include "core/LogoTests.h"
#include "ops/LogoApplier.h"
#include "ops/LogoDropAdder.h"
#include "ops/LogoRestorer.h"
#include "platform/DiskImage.h"
#include "platform/PictureLoader.h"
#include "platform/RawImageAccess.h"
#include "platform/ScratchFolders.h"
#include "support/ImagePrefix.h"
#include "support/PictureFactory.h"

#include <QDateTime>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using bg::test::ImagePrefix;

namespace {

constexpr int Logos = 4;        // always kept; logo Logos is the one added and deleted
constexpr int KillsPerFormat = 12;
constexpr int LatestKillMs = 1500;
const QString folder = QStringLiteral("C:\\LOGOS\\");

// Logo i: a 320 x 400 8-bit bitmap of 129,078 bytes whose pixels differ from every other's.
QByteArray logo(int i)
{
    QByteArray bytes = bg::test::pictures::bmp(QSize(320, 400));
    bytes.replace(2000, 64, QByteArray(64, char('a' + i)));
    return bytes;
}

struct Process
{
    pid_t pid;
    char state;
    QByteArray name;
};

std::optional<Process> process(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = stat.readAll(); // "pid (name) state ..."
    const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
    if (open < 0 || close < open || line.size() < close + 3)
        return std::nullopt;
    return Process{pid, line.at(close + 2), line.mid(open + 1, close - open - 1)};
}

// The helper programs the process runs now (its threads' children).
QList<Process> helpersOf(pid_t pid)
{
    QList<Process> helpers;
    for (const QString &task : QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(QStringLiteral("/proc/%1/task/%2/children").arg(pid).arg(task));
        if (children.open(QIODevice::ReadOnly))
            for (const QByteArray &child : children.readAll().split(' '))
                if (const auto p = process(pid_t(child.toInt())); p && p->state != 'Z')
                    helpers.append(*p);
    }
    return helpers;
}

bool inMtools(const QList<Process> &helpers, bool writing = false)
{
    static const QByteArrayList writers{"mcopy", "mdel", "mren", "mmove", "mmd", "mrd"};
    return std::any_of(helpers.begin(), helpers.end(), [&](const Process &p) {
        return writing ? writers.contains(p.name) : p.name.startsWith('m');
    });
}

bool running(pid_t pid)
{
    const auto p = process(pid);
    return p && p->state != 'Z';
}


// The child: the tool's operations on the image drive, round and round, until it is killed.
// Each round adds the extra logo, applies every logo of the folder to the start-up slot in
// turn (each going to Showed), restores them all and deletes the extra logo.
[[noreturn]] void operateUntilKilled(const QString &root, const QString &extraLogo)
{
    bg::Prefix prefix(root);
    bg::PrefixFileService files(prefix);
    const bg::PictureLoader pictures;
    const bg::LogoTester tester(files, pictures);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (;;) {
        bg::LogoDropAdder(files, tester).add({extraLogo}, folder, [](const QString &) { return true; });
        std::vector<bg::FolderFile> listed;
        for (int round = 0; round <= Logos && files.listFiles(folder, listed) == 0 && !listed.empty(); ++round)
            bg::LogoApplier(files).apply(listed[0].path, folder, listed[0].name, bg::LogoSlot::Startup,
                                         QStringLiteral("C:\\WINDOWS\\"));
        bg::LogoRestorer(files).restore(folder);
        files.deleteFile(folder + QStringLiteral("Extra logo.bmp"), true);
    }
}

} // namespace

class TestImageKill : public QObject
{
    Q_OBJECT

public:
    TestImageKill()
    {
        const QStringList arguments = QCoreApplication::arguments();
        if (arguments.value(1) == QLatin1String("--operate"))
            operateUntilKilled(arguments.value(2), arguments.value(3));
    }

private:
    QTemporaryDir m_runtime; // the exports and temporary files of this test's tools only

private slots:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        qputenv("TMPDIR", QFile::encodeName(m_runtime.path()));
    }
    void cleanup() { bg::RawImageAccess::cleanUpLeftovers(); } // also after a failure

    void killedAtAnyMoment_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("raw") << int(ImagePrefix::Raw);
        QTest::newRow("qcow2") << int(ImagePrefix::Qcow2);
    }
    // SIGKILL at random moments of applies, restores, adds and deletes: once the calls of mtools
    // it started have ended and the export it left behind is cleaned up, the volume is clean,
    // the image free and every logo is in the folder, in Showed or in the slot's file.
    void killedAtAnyMoment()
    {
        QFETCH(int, format);
        if (format != ImagePrefix::Raw && !ImagePrefix::fuseUsable())
            QSKIP("/dev/fuse cannot be opened on this machine");
        QList<std::pair<QString, QByteArray>> files;
        for (int i = 0; i < Logos; ++i)
            files.append({QStringLiteral("LOGOS\\%1 Logo %2.bmp").arg(i ? "Sunny" : "DARK").arg(i), logo(i)});
        ImagePrefix machine(ImagePrefix::Format(format), files);
        QVERIFY(machine.isValid());
        QFile extra(machine.dir() + QStringLiteral("/Extra logo.bmp"));
        QVERIFY(extra.open(QIODevice::WriteOnly) && extra.write(logo(Logos)) > 0);
        extra.close();
        const quint32 seed = qEnvironmentVariableIsSet("BG_KILL_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("BG_KILL_SEED"))
                                 : quint32(QDateTime::currentMSecsSinceEpoch());
        qInfo("seed %u (BG_KILL_SEED=%u repeats these kills)", seed, seed);
        QRandomGenerator random(seed);
        int duringMtools = 0;
        for (int kill = 1; kill <= KillsPerFormat; ++kill) {
            QProcess tool;
            tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            tool.start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("--operate"), machine.prefix().root(),
                        QStringLiteral("Z:") + QString(extra.fileName()).replace(u'/', u'\\')});
            QVERIFY(tool.waitForReadyRead(30000));
            // Every other kill waits, after its delay, for the next call of mtools that may write.
            const int delay = random.bounded(LatestKillMs);
            const bool aimed = kill % 2 == 0;
            QThread::msleep(delay);
            const pid_t pid = pid_t(tool.processId());
            QElapsedTimer waiting;
            waiting.start();
            while (aimed && !inMtools(helpersOf(pid), true)) {
                QVERIFY(waiting.elapsed() < 10000);
                QThread::usleep(200);
            }
            // Stopped first, so that the helpers it runs at the moment of the kill are all known.
            ::kill(pid, SIGSTOP);
            while (process(pid) && process(pid)->state != 'T') {
                QVERIFY(waiting.elapsed() < 20000);
                QThread::msleep(1);
            }
            const QList<Process> helpers = helpersOf(pid);
            duringMtools += inMtools(helpers);
            ::kill(pid, SIGKILL);
            QVERIFY(tool.waitForFinished(10000));
            QByteArrayList names;
            for (const Process &p : helpers)
                names << p.name;
            qInfo("kill %d after %d ms%s, running %s", kill, delay, aimed ? " and a writing call of mtools" : "",
                  names.join(' ').constData());
            QElapsedTimer ending;
            ending.start();
            while (std::any_of(helpers.begin(), helpers.end(), [](const Process &p) { return running(p.pid); })) {
                QVERIFY2(ending.elapsed() < 60000, "a helper of the killed tool is still running");
                QThread::msleep(5);
            }

            bg::RawImageAccess::cleanUpLeftovers();
            bg::scratch::removeLeftBehind();
            for (const QString &folder : {QDir::tempPath(), bg::scratch::fastFolder()})
                QCOMPARE(QDir(folder).entryList({QStringLiteral("bootgallery-*-%1-*").arg(pid)}, QDir::Dirs), QStringList());
            const QByteArray exports = QFile::encodeName(bg::RawImageAccess::exportsFolder());
            for (const QString &p : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
                QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(p));
                QVERIFY2(!(commandLine.open(QIODevice::ReadOnly) && commandLine.readAll().contains(exports)),
                         "a program still uses an export");
            }
            QVERIFY(!bg::DiskImage::probe(machine.image()).locked);
            QVERIFY(machine.fsckClean());
            machine.shell(QStringLiteral("rm -rf seen && mkdir seen && cd seen && mcopy -s -n -i \"$VOL\" ::/LOGOS ."
                                         " && mcopy -n -i \"$VOL\" ::/LOGO.SYS . ; true"));
            QSet<QByteArray> seen;
            for (QDirIterator it(machine.dir() + QStringLiteral("/seen"), QDir::Files, QDirIterator::Subdirectories);
                 it.hasNext();) {
                QFile file(it.next());
                if (it.fileName().startsWith(QLatin1String(".~bg"))) // a temporary file is no place
                    continue;
                QVERIFY(file.open(QIODevice::ReadOnly));
                seen.insert(file.readAll());
            }
            for (int i = 0; i < Logos; ++i)
                QVERIFY2(seen.contains(logo(i)), qPrintable(QStringLiteral("logo %1 is lost").arg(i)));
        }
        qInfo("%s: %d kills, %d during a call of mtools", qPrintable(ImagePrefix::formatName(ImagePrefix::Format(format))),
              KillsPerFormat, duringMtools);
    }
};

QTEST_MAIN(TestImageKill)
#include "tst_imagekill.moc"
