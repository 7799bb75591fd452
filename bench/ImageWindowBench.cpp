// bootgallery_imagewindow_bench: the main window on a drive C that is an emulator's disk image,
// against the same files on a folder drive. Drive C holds \LOGOS with 1,000 logos and the
// settings file naming it as the start-up slot's folder; measured are
//   - the window's scan of C:\LOGOS (the path typed, Enter, until the scan has finished), in one
//     process, with warm caches;
//   - opening the window, in a fresh process per run: the program's start-up until the window is
//     shown and painted (its list still filling), and until it is done with its first scan (the
//     same folder).
//
//   bootgallery_imagewindow_bench [--runs N] [--formats raw,qcow2,vpc,vdi,vmdk] [--json FILE]
//
// Needs mtools, fdisk (sfdisk), dosfstools (mkfs.fat), qemu-utils, qemu-system-common and fuse3
// (scripts/install-deps --bench).

#include "DataSet.h"
#include "Harness.h"

#include "platform/PrefixFileService.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <unistd.h>

using namespace bgbench;

namespace {

constexpr int Logos = 1000;
constexpr double ScanLimitMs = 2000;
constexpr double OpeningMarginMs = 1000;
const QString logoFolder = QStringLiteral("C:\\LOGOS\\");

void say(const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

bool run(const QString &program, const QStringList &arguments, const QString &workDir = {},
         const QByteArray &input = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), env.value(QStringLiteral("PATH")) + QStringLiteral(":/usr/sbin:/sbin"));
    env.insert(QStringLiteral("MTOOLS_SKIP_CHECK"), QStringLiteral("1"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(workDir);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(600000) || process.exitCode() != 0) {
        say(program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAllStandardError()));
        return false;
    }
    return true;
}

struct Runs
{
    std::vector<double> ms;
    bool correct = true;
    int boxes = 0;

    double median() const
    {
        std::vector<double> v = ms;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    }
    QString text() const
    {
        if (ms.empty())
            return QStringLiteral("failed");
        const auto [low, high] = std::minmax_element(ms.begin(), ms.end());
        return QStringLiteral("%1 (%2 to %3)%4")
            .arg(median(), 0, 'f', 1).arg(*low, 0, 'f', 1).arg(*high, 0, 'f', 1)
            .arg(correct ? QString() : QStringLiteral(" WRONG"));
    }
    QJsonObject json() const
    {
        QJsonArray all;
        for (double v : ms)
            all.append(v);
        return {{QStringLiteral("msMedian"), median()}, {QStringLiteral("runsMs"), all},
                {QStringLiteral("correct"), correct}, {QStringLiteral("messageBoxes"), boxes}};
    }
};

// A prefix whose drive C links to target (a folder or a disk image) and Z: to the root.
bool makePrefix(const QString &root, const QString &target)
{
    const QByteArray devices = QFile::encodeName(root + QStringLiteral("/dosdevices"));
    return QDir().mkpath(QFile::decodeName(devices))
        && ::symlink(QFile::encodeName(target).constData(), (devices + "/c:").constData()) == 0
        && ::symlink("/", (devices + "/z:").constData()) == 0;
}

// Drive C's files: the Windows folders, the logos and the settings file naming their folder, in
// a host folder (the folder drive) and on the FAT32 partition of a 300 MB raw disk.
bool makeDrives(const QString &dir, QStringList &expected)
{
    const QString tree = dir + QStringLiteral("/tree");
    GeneratedFolder logos;
    Mix mix;
    mix.logos = Logos;
    QString error;
    if (!DataSetWriter(1998).writeFolder(tree + QStringLiteral("/LOGOS"), mix, logos, error)) {
        say(error);
        return false;
    }
    for (const QString &name : logos.expectedLogos)
        expected.append(name);
    expected.sort();
    QFile settings(tree + QStringLiteral("/WINDOWS/SW.INI"));
    if (!QDir().mkpath(tree + QStringLiteral("/WINDOWS/Start Menu/Programs/StartUp"))
        || !settings.open(QIODevice::WriteOnly)
        || settings.write("[SplashwheelSet]\r\nStart_Path=C:\\LOGOS\\\r\n") < 0)
        return false;
    settings.close();
    const QString volume = dir + QStringLiteral("/disk.raw@@1048576");
    return run(QStringLiteral("truncate"), {QStringLiteral("-s"), QStringLiteral("300M"), dir + QStringLiteral("/disk.raw")})
        && run(QStringLiteral("sfdisk"), {QStringLiteral("-q"), dir + QStringLiteral("/disk.raw")}, {}, "start=2048, type=c\n")
        && run(QStringLiteral("mkfs.fat"), {QStringLiteral("-F32"), QStringLiteral("--offset"), QStringLiteral("2048"),
                                            dir + QStringLiteral("/disk.raw"), QStringLiteral("306176")})
        && run(QStringLiteral("mcopy"), {QStringLiteral("-s"), QStringLiteral("-i"), volume, QStringLiteral("LOGOS"),
                                         QStringLiteral("WINDOWS"), QStringLiteral("::/")}, tree)
        && makePrefix(dir + QStringLiteral("/prefix-folder"), tree);
}

// The window's scans of C:\LOGOS in this process, after one to warm the caches.
Runs measureScans(const QString &root, int runs, const QStringList &expected)
{
    Runs r;
    bg::Prefix prefix(root);
    bg::PrefixFileService files(prefix);
    WindowRig rig(prefix, files);
    if (!rig.loadAndShow(60000)) {
        r.correct = false;
        return r;
    }
    for (int i = 0; i <= runs; ++i) {
        const double ms = double(rig.scan(logoFolder)) / 1e6;
        QStringList listed = rig.entries();
        listed.sort();
        r.correct = r.correct && listed == expected;
        if (i > 0)
            r.ms.push_back(ms);
    }
    r.boxes = rig.desktop().boxes;
    return r;
}

// Opening the window, each in a fresh process, after one to warm the caches: until shown, and
// until its first scan is done.
std::pair<Runs, Runs> measureOpenings(const QString &root, int runs)
{
    Runs r, shown;
    for (int i = 0; i <= runs; ++i) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--child"), root, QStringLiteral("--expect"), QString::number(Logos)});
        const bool ended = child.waitForFinished(300000) && child.exitStatus() == QProcess::NormalExit;
        const QList<QByteArray> words = child.readAllStandardOutput().simplified().split(' ');
        if (!ended || child.exitCode() != 0 || words.size() < 3) {
            r.correct = shown.correct = false;
            continue;
        }
        r.boxes = shown.boxes = std::max(r.boxes, words.value(2).toInt());
        if (i > 0) {
            r.ms.push_back(words[0].toDouble());
            shown.ms.push_back(words[1].toDouble());
        }
    }
    return {shown, r};
}

// The child's side: the program's start-up on the prefix until its first scan has finished;
// prints the milliseconds and the message boxes shown.
int openWindow(const QString &root, int expected)
{
    QElapsedTimer clock;
    clock.start();
    bg::Prefix prefix(root);
    bg::PrefixFileService files(prefix);
    WindowRig rig(prefix, files);
    const qint64 before = clock.nsecsElapsed();
    qint64 shownNs = -1;
    const bool shown = rig.loadAndShow(60000, &shownNs);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    std::printf("%.3f %.3f %d\n", ms, double(before + shownNs) / 1e6, rig.desktop().boxes);
    return shown && rig.entries().size() == expected ? 0 : 3;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Measures the main window's scan and opening on a disk image drive against a folder drive."));
    parser.addHelpOption();
    const QCommandLineOption runsOpt(QStringLiteral("runs"), QStringLiteral("Runs per measurement (median)."),
                                     QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption formatsOpt(QStringLiteral("formats"), QStringLiteral("Image formats (qemu-img names)."),
                                        QStringLiteral("list"), QStringLiteral("raw,qcow2"));
    const QCommandLineOption jsonOpt(QStringLiteral("json"), QStringLiteral("Also write the results here."),
                                     QStringLiteral("path"));
    QCommandLineOption childOpt(QStringLiteral("child"), QStringLiteral("internal"), QStringLiteral("prefix"));
    QCommandLineOption expectOpt(QStringLiteral("expect"), QStringLiteral("internal"), QStringLiteral("n"));
    childOpt.setFlags(QCommandLineOption::HiddenFromHelp);
    expectOpt.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({runsOpt, formatsOpt, jsonOpt, childOpt, expectOpt});
    parser.process(app);
    if (parser.isSet(childOpt))
        return openWindow(parser.value(childOpt), parser.value(expectOpt).toInt());
    const int runs = std::max(1, parser.value(runsOpt).toInt());

    QTemporaryDir dir;
    QStringList expected;
    say(QStringLiteral("making the drives..."));
    if (!dir.isValid() || !makeDrives(dir.path(), expected))
        return 2;
    QStringList drives{QStringLiteral("folder")};
    for (const QString &format : parser.value(formatsOpt).split(u',', Qt::SkipEmptyParts)) {
        const QString image = dir.filePath(QStringLiteral("disk.") + format);
        if ((format != QLatin1String("raw")
             && !run(QStringLiteral("qemu-img"), {QStringLiteral("convert"), QStringLiteral("-O"), format,
                                                  dir.filePath(QStringLiteral("disk.raw")), image}))
            || !makePrefix(dir.filePath(QStringLiteral("prefix-") + format), image))
            return 2;
        drives << format;
    }

    std::printf("%d logos in C:\\LOGOS (FAT32 partition of a 300 MB disk for the images); median of %d "
                "runs (range), ms; load average %.2f\n", Logos, runs, loadAverage());
    std::printf("%-8s %-30s %-30s %-30s %s\n", "drive C", "scan of C:\\LOGOS", "opening: window shown",
                "opening: first scan done", "message boxes");
    QJsonObject results;
    std::map<QString, std::tuple<Runs, Runs, Runs>> measured;
    bool correct = true;
    for (const QString &drive : drives) {
        say(QStringLiteral("%1: scans, then openings").arg(drive));
        const QString root = dir.filePath(QStringLiteral("prefix-") + drive);
        const Runs scans = measureScans(root, runs, expected);
        const auto [shown, openings] = measureOpenings(root, runs);
        std::printf("%-8s %-30s %-30s %-30s %d\n", qPrintable(drive), qPrintable(scans.text()),
                    qPrintable(shown.text()), qPrintable(openings.text()),
                    std::max(scans.boxes, openings.boxes));
        std::fflush(stdout);
        results.insert(drive, QJsonObject{{QStringLiteral("scan"), scans.json()},
                                          {QStringLiteral("shown"), shown.json()},
                                          {QStringLiteral("opening"), openings.json()}});
        correct = correct && scans.correct && openings.correct;
        measured[drive] = {scans, shown, openings};
    }
    std::printf("targets:\n");
    const double folderShown = std::get<1>(measured[QStringLiteral("folder")]).median();
    for (const QString &drive : drives.mid(1)) {
        const double scan = std::get<0>(measured[drive]).median();
        const double more = std::get<1>(measured[drive]).median() - folderShown;
        std::printf("  %s  scan of %d logos on a %s image <= %.0f ms: %.1f\n", scan <= ScanLimitMs ? "met   " : "MISSED",
                    Logos, qPrintable(drive), ScanLimitMs, scan);
        std::printf("  %s  window shown on a %s image - on a folder <= %.0f ms: %.1f\n",
                    more <= OpeningMarginMs ? "met   " : "MISSED", qPrintable(drive), OpeningMarginMs, more);
    }
    if (!correct)
        std::printf("A MEASUREMENT LISTED THE WRONG FILES OR FAILED: its figures do not count.\n");
    if (parser.isSet(jsonOpt)) {
        QFile out(parser.value(jsonOpt));
        results.insert(QStringLiteral("runs"), runs);
        results.insert(QStringLiteral("logos"), Logos);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(QJsonDocument(results).toJson()) < 0)
            return 2;
    }
    return correct ? 0 : 1;
}
