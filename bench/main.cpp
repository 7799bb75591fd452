// bootgallery_bench: how fast the main window scans a logo folder, against what the disk
// allows (the floor) and against decoding every file (the naive scan). Makes its own folders
// from a seed, measures with warm caches, prints one table and writes the same as JSON.

#include "DataSet.h"
#include "Harness.h"

#include "ui/FrmLogo.h"
#include "ui/LogoList.h"

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
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

using namespace bgbench;

namespace {

constexpr int ManifestVersion = 1;
constexpr int StartupLogos = 1000;

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double maximum(const std::vector<double> &values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

void say(const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

QJsonObject folderToJson(const QString &key, const GeneratedFolder &f)
{
    QJsonArray names;
    for (const QString &n : f.expectedLogos)
        names.append(n);
    return {{QStringLiteral("key"), key},
            {QStringLiteral("files"), f.files},
            {QStringLiteral("bytes"), double(f.bytes)},
            {QStringLiteral("expected"), names}};
}

GeneratedFolder folderFromJson(const QJsonObject &o, const QString &hostPath)
{
    GeneratedFolder f;
    f.hostPath = hostPath;
    f.files = o.value(QStringLiteral("files")).toInt();
    f.bytes = qint64(o.value(QStringLiteral("bytes")).toDouble());
    for (const QJsonValue &v : o.value(QStringLiteral("expected")).toArray())
        f.expectedLogos.push_back(v.toString());
    return f;
}

struct SetResult
{
    int files = 0;
    qint64 bytes = 0;
    int expected = 0;
    bool correct = true;
    std::vector<double> floorMs, toolMs, naiveMs, gapMs;
    int turns = 0;
    GapResult worstGap;
    int floorKept = 0;
    int naiveFound = -1;
};

struct MemoryResult
{
    int files = 0;
    std::vector<double> peakMiB, deltaMiB;
    bool correct = true;
};

// --- child processes: one fresh process per memory or start-up measurement --------------------

int runChild(const QString &mode, const QString &prefixRoot, const QString &dataDir,
             const QString &folder, int expected)
{
    BenchPrefix prefix(prefixRoot, dataDir);
    if (!prefix.isValid()) {
        std::printf("error prefix\n");
        return 2;
    }
    if (mode == QLatin1String("memory")) {
        WindowRig rig(prefix);
        if (!rig.loadAndShow()) {
            std::printf("error window\n");
            return 2;
        }
        const long before = residentKiB();
        if (!resetPeakResident()) {
            std::printf("error peak-reset\n");
            return 2;
        }
        rig.scan(folder);
        const long after = peakResidentKiB();
        std::printf("memory %ld %ld %d\n", before, after, int(rig.entries().size()));
        return rig.entries().size() == expected ? 0 : 3;
    }
    if (mode == QLatin1String("startup")) {
        QElapsedTimer clock;
        clock.start();
        WindowRig rig(prefix);
        const bool shown = rig.loadAndShow();
        const qint64 ns = clock.nsecsElapsed();
        const int entries = int(rig.entries().size());
        std::printf("startup %.3f %d %d %d\n", double(ns) / 1e6, shown ? 1 : 0, entries,
                    rig.desktop().boxes);
        return shown && entries == expected ? 0 : 3;
    }
    return 2;
}

std::optional<QStringList> runSelf(const QStringList &args)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), args);
    if (!child.waitForFinished(300000) || child.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
    QStringList fields = out.split(u' ', Qt::SkipEmptyParts);
    if (child.exitCode() != 0)
        fields.prepend(QStringLiteral("failed"));
    return fields;
}

QString fmt(double v, int decimals = 1)
{
    return QString::number(v, 'f', decimals);
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bootgallery_bench"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Measures the folder scan of the main window against the disk's floor and a naive scan."));
    parser.addHelpOption();
    const QCommandLineOption seedOpt(QStringLiteral("seed"), QStringLiteral("Seed of the generated folders."),
                                     QStringLiteral("n"), QStringLiteral("1998"));
    const QCommandLineOption runsOpt(QStringLiteral("runs"), QStringLiteral("Runs per measurement (the median is reported)."),
                                     QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption jsonOpt(QStringLiteral("json"), QStringLiteral("Also write the results as JSON to this file."),
                                     QStringLiteral("path"));
    const QCommandLineOption quickOpt(QStringLiteral("quick"), QStringLiteral("Skip the 50,000-file folder."));
    const QCommandLineOption dataOpt(QStringLiteral("data-dir"),
                                     QStringLiteral("Keep the generated folders here and reuse them on the next run "
                                                    "with the same seed (default: a temporary directory, removed at the end)."),
                                     QStringLiteral("dir"));
    const QCommandLineOption naiveAllOpt(QStringLiteral("naive-all"),
                                         QStringLiteral("Run the naive scan on the 50,000-file folder too."));
    const QCommandLineOption noNaiveOpt(QStringLiteral("no-naive"), QStringLiteral("Skip the naive scan."));
    const QCommandLineOption childOpt(QStringLiteral("child"), QStringLiteral("internal"), QStringLiteral("mode"));
    const QCommandLineOption prefixOpt(QStringLiteral("prefix-root"), QStringLiteral("internal"), QStringLiteral("dir"));
    const QCommandLineOption childDataOpt(QStringLiteral("child-data"), QStringLiteral("internal"), QStringLiteral("dir"));
    const QCommandLineOption folderOpt(QStringLiteral("folder"), QStringLiteral("internal"), QStringLiteral("path"));
    const QCommandLineOption expectOpt(QStringLiteral("expect"), QStringLiteral("internal"), QStringLiteral("n"));
    for (const QCommandLineOption &o : {childOpt, prefixOpt, childDataOpt, folderOpt, expectOpt}) {
        QCommandLineOption hidden = o;
        hidden.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(hidden);
    }
    parser.addOptions({seedOpt, runsOpt, jsonOpt, quickOpt, dataOpt, naiveAllOpt, noNaiveOpt});
    parser.process(app);

    if (parser.isSet(childOpt))
        return runChild(parser.value(childOpt), parser.value(prefixOpt), parser.value(childDataOpt),
                        parser.value(folderOpt), parser.value(expectOpt).toInt());

    bool ok = false;
    const quint64 seed = parser.value(seedOpt).toULongLong(&ok);
    if (!ok) {
        say(QStringLiteral("--seed needs a non-negative integer"));
        return 2;
    }
    const int runs = parser.value(runsOpt).toInt(&ok);
    if (!ok || runs < 1) {
        say(QStringLiteral("--runs needs a positive integer"));
        return 2;
    }
    const double loadBefore = loadAverage();

    // --- the folders ---------------------------------------------------------------------------
    std::optional<QTemporaryDir> tempDir;
    QString root;
    if (parser.isSet(dataOpt)) {
        root = QDir(parser.value(dataOpt)).absolutePath();
        QDir().mkpath(root);
    } else {
        tempDir.emplace(QDir::tempPath() + QStringLiteral("/bootgallery-bench-XXXXXX"));
        if (!tempDir->isValid()) {
            say(QStringLiteral("cannot make a temporary directory"));
            return 2;
        }
        root = tempDir->path();
    }
    const QString dataDir = root + QStringLiteral("/data");
    std::vector<int> sizes = {1000, 10000};
    if (!parser.isSet(quickOpt))
        sizes.push_back(50000);

    std::map<int, GeneratedFolder> folders;
    GeneratedFolder startupFolder;
    {
        const QString manifestPath = root + QStringLiteral("/manifest.json");
        QJsonObject manifest;
        QFile mf(manifestPath);
        if (mf.open(QIODevice::ReadOnly))
            manifest = QJsonDocument::fromJson(mf.readAll()).object();
        mf.close();
        const bool reusable = manifest.value(QStringLiteral("version")).toInt() == ManifestVersion
                              && manifest.value(QStringLiteral("seed")).toString() == QString::number(seed);
        QJsonObject stored = reusable ? manifest.value(QStringLiteral("folders")).toObject() : QJsonObject();
        if (!reusable) {
            QDir(dataDir).removeRecursively();
            QFile::remove(manifestPath);
        }
        DataSetWriter writer(seed);
        QElapsedTimer clock;
        clock.start();
        QString error;
        bool wrote = false;
        for (int n : sizes) {
            const QString key = QStringLiteral("files-%1").arg(n);
            const QString host = dataDir + u'/' + key;
            if (stored.contains(key)) {
                folders[n] = folderFromJson(stored.value(key).toObject(), host);
                continue;
            }
            say(QStringLiteral("writing %1 files (seed %2)...").arg(n).arg(seed));
            QDir(host).removeRecursively();
            if (!writer.writeFolder(host, Mix::forTotal(n), folders[n], error)) {
                say(error);
                return 2;
            }
            stored.insert(key, folderToJson(key, folders[n]));
            wrote = true;
        }
        const QString startupKey = QStringLiteral("startup-logos");
        const QString startupHost = dataDir + u'/' + startupKey;
        if (stored.contains(startupKey)) {
            startupFolder = folderFromJson(stored.value(startupKey).toObject(), startupHost);
        } else {
            QDir(startupHost).removeRecursively();
            if (!writer.writeLogoFolder(startupHost, folders.at(10000), StartupLogos, startupFolder, error)) {
                say(error);
                return 2;
            }
            stored.insert(startupKey, folderToJson(startupKey, startupFolder));
            wrote = true;
        }
        if (wrote) {
            say(QStringLiteral("folders written in %1 s").arg(fmt(clock.elapsed() / 1000.0, 1)));
            manifest = {{QStringLiteral("version"), ManifestVersion},
                        {QStringLiteral("seed"), QString::number(seed)},
                        {QStringLiteral("folders"), stored}};
            QFile out(manifestPath);
            if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                out.write(QJsonDocument(manifest).toJson());
        }
    }

    const QString scanPrefixRoot = root + QStringLiteral("/prefix-scan");
    const QString startupPrefixRoot = root + QStringLiteral("/prefix-startup");
    BenchPrefix scanPrefix(scanPrefixRoot, dataDir);
    BenchPrefix startupPrefix(startupPrefixRoot, dataDir);
    if (!scanPrefix.isValid() || !startupPrefix.isValid()
        || !startupPrefix.writeStartupSetting(startupPrefix.windowsFolder(startupFolder.hostPath))) {
        say(QStringLiteral("cannot make the bench prefixes under %1").arg(root));
        return 2;
    }

    // --- scans in this process -----------------------------------------------------------------
    WindowRig rig(scanPrefix);
    if (!rig.loadAndShow()) {
        say(QStringLiteral("the main window did not come up"));
        return 2;
    }
    const bg::PictureLoader headerReader;
    bool allCorrect = true;
    std::vector<SetResult> results;
    for (int n : sizes) {
        const GeneratedFolder &folder = folders.at(n);
        const QString windowsFolder = scanPrefix.windowsFolder(folder.hostPath);
        QStringList expected;
        for (const QString &name : folder.expectedLogos)
            expected.append(name);
        expected.sort();

        SetResult r;
        r.files = folder.files;
        r.bytes = folder.bytes;
        r.expected = int(expected.size());
        const bool naive = !parser.isSet(noNaiveOpt) && (n <= 10000 || parser.isSet(naiveAllOpt));
        say(QStringLiteral("%1 files: warming caches...").arg(n));
        warmFolder(folder.hostPath);
        floorScan(folder.hostPath, headerReader);
        rig.scan(windowsFolder);

        for (int run = 0; run < runs; ++run) {
            say(QStringLiteral("%1 files: run %2 of %3").arg(n).arg(run + 1).arg(runs));
            QElapsedTimer clock;
            clock.start();
            const FloorResult floor = floorScan(folder.hostPath, headerReader);
            r.floorMs.push_back(double(clock.nsecsElapsed()) / 1e6);
            r.floorKept = floor.kept;

            r.toolMs.push_back(double(rig.scan(windowsFolder)) / 1e6);
            QStringList got = rig.entries();
            got.sort();
            if (got != expected)
                r.correct = false;

            if (naive) {
                clock.restart();
                r.naiveFound = naiveScan(folder.hostPath);
                r.naiveMs.push_back(double(clock.nsecsElapsed()) / 1e6);
            }
        }
        for (int run = 0; run < runs; ++run) {
            const GapResult gap = measureGaps([&] { rig.scan(windowsFolder); });
            r.gapMs.push_back(gap.longestMs);
            r.turns = gap.turns;
            if (gap.longestMs > r.worstGap.longestMs)
                r.worstGap = gap;
        }
        allCorrect = allCorrect && r.correct;
        results.push_back(r);
    }

    // --- memory and start-up, each run in a fresh process ---------------------------------------
    std::vector<MemoryResult> memory;
    for (int n : sizes) {
        if (n < 10000)
            continue;
        MemoryResult m;
        m.files = n;
        const GeneratedFolder &folder = folders.at(n);
        for (int run = 0; run < runs; ++run) {
            say(QStringLiteral("memory, %1 files: run %2 of %3").arg(n).arg(run + 1).arg(runs));
            const auto out = runSelf({QStringLiteral("--child"), QStringLiteral("memory"),
                                      QStringLiteral("--prefix-root"), scanPrefixRoot,
                                      QStringLiteral("--child-data"), dataDir,
                                      QStringLiteral("--folder"), scanPrefix.windowsFolder(folder.hostPath),
                                      QStringLiteral("--expect"), QString::number(folder.expectedLogos.size())});
            if (!out || out->size() < 4 || out->at(0) != QLatin1String("memory")) {
                m.correct = false;
                continue;
            }
            const double before = out->at(1).toDouble() / 1024.0;
            const double after = out->at(2).toDouble() / 1024.0;
            m.peakMiB.push_back(after);
            m.deltaMiB.push_back(after - before);
        }
        allCorrect = allCorrect && m.correct;
        memory.push_back(m);
    }

    std::vector<double> startupMs;
    bool startupCorrect = true;
    int startupBoxes = 0;
    warmFolder(startupFolder.hostPath);
    for (int run = 0; run < runs; ++run) {
        say(QStringLiteral("start-up: run %1 of %2").arg(run + 1).arg(runs));
        const auto out = runSelf({QStringLiteral("--child"), QStringLiteral("startup"),
                                  QStringLiteral("--prefix-root"), startupPrefixRoot,
                                  QStringLiteral("--child-data"), dataDir,
                                  QStringLiteral("--expect"), QString::number(startupFolder.expectedLogos.size())});
        if (!out || out->size() < 5 || out->at(0) != QLatin1String("startup")) {
            startupCorrect = false;
            continue;
        }
        startupMs.push_back(out->at(1).toDouble());
        startupBoxes = std::max(startupBoxes, out->at(4).toInt());
    }
    allCorrect = allCorrect && startupCorrect;

    // --- the list alone: names merged into the sorted list while events run ---------------------
    struct ListFill
    {
        int names;
        std::vector<double> ms;
    };
    std::vector<ListFill> listFills;
    for (int n : {5000, 50000}) {
        SplitMix64 nameRng(seed ^ 0x5EED11575ull);
        QStringList names;
        names.reserve(n);
        for (int i = 0; i < n; ++i)
            names.append(fileName(nameRng, i, ".bmp"));
        ListFill fill{n, {}};
        for (int run = 0; run < runs; ++run) {
            say(QStringLiteral("list of %1 names: run %2 of %3").arg(n).arg(run + 1).arg(runs));
            const qint64 ns = fillList(names, rig.window().lstSys->size());
            if (ns < 0)
                allCorrect = false;
            else
                fill.ms.push_back(double(ns) / 1e6);
        }
        listFills.push_back(fill);
    }
    const double loadAfter = loadAverage();

    // --- report ----------------------------------------------------------------------------------
    auto find = [&](int n) -> const SetResult * {
        for (const SetResult &r : results)
            if (r.files == n)
                return &r;
        return nullptr;
    };
    const SetResult *set1k = find(1000);
    const SetResult *set10k = find(10000);
    const SetResult *set50k = find(50000);
    auto perFileUs = [](const SetResult *r) { return r ? median(r->toolMs) * 1000.0 / r->files : 0.0; };

    QString table;
    QTextStream t(&table);
    t << "Bootgallery folder scan: seed " << seed << ", " << runs << " runs per figure (median), "
      << "load average " << fmt(loadBefore, 2) << " before, " << fmt(loadAfter, 2) << " after\n";
    t << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
             .arg(QStringLiteral("files"), 7)
             .arg(QStringLiteral("floor ms"), 9)
             .arg(QStringLiteral("tool ms"), 9)
             .arg(QStringLiteral("naive ms"), 10)
             .arg(QStringLiteral("tool/floor"), 10)
             .arg(QStringLiteral("naive/tool"), 10)
             .arg(QStringLiteral("us/file"), 8)
             .arg(QStringLiteral("gap ms med/max"), 15)
             .arg(QStringLiteral("logos"), 12);
    for (const SetResult &r : results) {
        const double floorMs = median(r.floorMs);
        const double toolMs = median(r.toolMs);
        const double naiveMs = median(r.naiveMs);
        t << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
                 .arg(r.files, 7)
                 .arg(fmt(floorMs), 9)
                 .arg(fmt(toolMs), 9)
                 .arg(r.naiveMs.empty() ? QStringLiteral("-") : fmt(naiveMs, 0), 10)
                 .arg(fmt(toolMs / floorMs, 2), 10)
                 .arg(r.naiveMs.empty() ? QStringLiteral("-") : fmt(naiveMs / toolMs, 1), 10)
                 .arg(fmt(toolMs * 1000.0 / r.files, 2), 8)
                 .arg(fmt(median(r.gapMs), 1) + u'/' + fmt(maximum(r.gapMs), 1), 15)
                 .arg(QString::number(r.expected) + (r.correct ? QStringLiteral(" ok") : QStringLiteral(" WRONG")), 12);
    }
    for (const SetResult &r : results)
        t << "longest gap, " << r.files << " files: " << fmt(r.worstGap.longestMs) << " ms, after "
          << r.worstGap.turnsBefore << " of " << r.worstGap.turns << " event turns, from "
          << fmt(r.worstGap.startsAtMs) << " ms into the scan of " << fmt(r.worstGap.totalMs) << " ms\n";
    const double growth = set50k && set1k ? perFileUs(set50k) / perFileUs(set1k) : 0;
    if (set50k && set1k)
        t << "growth: time per file at 50,000 files / at 1,000 files = " << fmt(growth, 2) << "\n";
    for (const MemoryResult &m : memory)
        t << "peak resident memory, scan of " << m.files << " files (fresh process per run, VmHWM reset before the scan): "
          << fmt(median(m.peakMiB)) << " MiB, " << fmt(median(m.deltaMiB))
          << " MiB above the loaded window's" << (m.correct ? "" : " (a run FAILED)") << "\n";
    for (const ListFill &fill : listFills)
        t << "list filled with " << fill.names << " names, one per event turn, then measured: "
          << fmt(median(fill.ms)) << " ms, " << fmt(median(fill.ms) * 1000.0 / fill.names, 2)
          << " us per name\n";
    const double listGrowth = listFills.size() == 2 && !listFills[0].ms.empty() && !listFills[1].ms.empty()
        ? (median(listFills[1].ms) / listFills[1].names) / (median(listFills[0].ms) / listFills[0].names)
        : 0;
    t << "list growth: time per name at 50,000 / at 5,000 = " << fmt(listGrowth, 2) << "\n";
    const double startup = median(startupMs);
    t << "start-up with " << startupFolder.expectedLogos.size()
      << " logos in the Startup folder (construct + Form_Load + show until painted, fresh process): "
      << fmt(startup) << " ms" << (startupCorrect ? "" : " (a run FAILED)") << "\n";

    const MemoryResult *mem10k = nullptr;
    for (const MemoryResult &m : memory)
        if (m.files == 10000)
            mem10k = &m;
    struct Target
    {
        QString name;
        double value;
        double limit;
        bool atMost;
        bool measured;
    };
    std::vector<Target> targets;
    if (set10k) {
        targets.push_back({QStringLiteral("tool/floor at 10,000 files <= 1.5"),
                           median(set10k->toolMs) / median(set10k->floorMs), 1.5, true, true});
        targets.push_back({QStringLiteral("naive/tool at 10,000 files >= 10"),
                           set10k->naiveMs.empty() ? 0 : median(set10k->naiveMs) / median(set10k->toolMs), 10,
                           false, !set10k->naiveMs.empty()});
        targets.push_back({QStringLiteral("longest gap between events at 10,000 files <= 50 ms"),
                           median(set10k->gapMs), 50, true, true});
    }
    if (mem10k)
        targets.push_back({QStringLiteral("peak memory of the 10,000-file scan <= 120 MiB"),
                           median(mem10k->peakMiB), 120, true, !mem10k->peakMiB.empty()});
    targets.push_back({QStringLiteral("time per file at 50,000 / at 1,000 <= 1.5"), growth, 1.5, true,
                       set50k && set1k});
    targets.push_back({QStringLiteral("start-up with 1,000 logos < 1000 ms"), startup, 1000, true,
                       !startupMs.empty()});
    QJsonArray targetsJson;
    for (const Target &target : targets) {
        const bool met = target.measured && (target.atMost ? target.value <= target.limit : target.value >= target.limit);
        t << "  " << (target.measured ? (met ? "met    " : "MISSED ") : "skipped") << "  " << target.name
          << ": " << fmt(target.value, 2) << "\n";
        targetsJson.append(QJsonObject{{QStringLiteral("target"), target.name},
                                       {QStringLiteral("value"), target.value},
                                       {QStringLiteral("limit"), target.limit},
                                       {QStringLiteral("measured"), target.measured},
                                       {QStringLiteral("met"), met}});
    }
    if (!allCorrect)
        t << "A SCAN LISTED THE WRONG FILES: the figures above do not count.\n";
    t.flush();
    std::fputs(qPrintable(table), stdout);
    std::fflush(stdout);

    if (parser.isSet(jsonOpt)) {
        QJsonArray sets;
        for (const SetResult &r : results) {
            auto arr = [](const std::vector<double> &v) {
                QJsonArray a;
                for (double x : v)
                    a.append(x);
                return a;
            };
            const double floorMs = median(r.floorMs);
            const double toolMs = median(r.toolMs);
            QJsonObject o{{QStringLiteral("files"), r.files},
                          {QStringLiteral("bytes"), double(r.bytes)},
                          {QStringLiteral("logos"), r.expected},
                          {QStringLiteral("correct"), r.correct},
                          {QStringLiteral("floorMs"), floorMs},
                          {QStringLiteral("toolMs"), toolMs},
                          {QStringLiteral("toolOverFloor"), toolMs / floorMs},
                          {QStringLiteral("toolUsPerFile"), toolMs * 1000.0 / r.files},
                          {QStringLiteral("gapMsMedian"), median(r.gapMs)},
                          {QStringLiteral("gapMsMax"), maximum(r.gapMs)},
                          {QStringLiteral("eventTurnsPerScan"), r.turns},
                          {QStringLiteral("worstGapAfterTurns"), r.worstGap.turnsBefore},
                          {QStringLiteral("worstGapStartsAtMs"), r.worstGap.startsAtMs},
                          {QStringLiteral("floorFilesReadWhole"), r.floorKept},
                          {QStringLiteral("floorRunsMs"), arr(r.floorMs)},
                          {QStringLiteral("toolRunsMs"), arr(r.toolMs)},
                          {QStringLiteral("gapRunsMs"), arr(r.gapMs)}};
            if (!r.naiveMs.empty()) {
                o.insert(QStringLiteral("naiveMs"), median(r.naiveMs));
                o.insert(QStringLiteral("naiveOverTool"), median(r.naiveMs) / toolMs);
                o.insert(QStringLiteral("naiveFound"), r.naiveFound);
                o.insert(QStringLiteral("naiveRunsMs"), arr(r.naiveMs));
            }
            sets.append(o);
        }
        QJsonArray mem;
        for (const MemoryResult &m : memory)
            mem.append(QJsonObject{{QStringLiteral("files"), m.files},
                                   {QStringLiteral("method"), QStringLiteral("fresh process per run: peak resident set (VmHWM) during the scan, reset just before it")},
                                   {QStringLiteral("peakMiB"), median(m.peakMiB)},
                                   {QStringLiteral("aboveLoadedWindowMiB"), median(m.deltaMiB)},
                                   {QStringLiteral("correct"), m.correct}});
        const QJsonObject doc{
            {QStringLiteral("seed"), QString::number(seed)},
            {QStringLiteral("runs"), runs},
            {QStringLiteral("loadBefore"), loadBefore},
            {QStringLiteral("loadAfter"), loadAfter},
            {QStringLiteral("sets"), sets},
            {QStringLiteral("growthPerFile50kOver1k"), growth},
            {QStringLiteral("memory"), mem},
            {QStringLiteral("listFill"), [&] {
                 QJsonArray a;
                 for (const ListFill &fill : listFills)
                     a.append(QJsonObject{{QStringLiteral("names"), fill.names},
                                          {QStringLiteral("msMedian"), median(fill.ms)},
                                          {QStringLiteral("usPerName"), median(fill.ms) * 1000.0 / fill.names}});
                 return a;
             }()},
            {QStringLiteral("listGrowthPerName50kOver5k"), listGrowth},
            {QStringLiteral("startup"),
             QJsonObject{{QStringLiteral("logos"), int(startupFolder.expectedLogos.size())},
                         {QStringLiteral("msMedian"), startup},
                         {QStringLiteral("messageBoxes"), startupBoxes},
                         {QStringLiteral("correct"), startupCorrect}}},
            {QStringLiteral("targets"), targetsJson},
            {QStringLiteral("correct"), allCorrect}};
        QFile out(parser.value(jsonOpt));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || out.write(QJsonDocument(doc).toJson()) < 0) {
            say(QStringLiteral("cannot write %1").arg(parser.value(jsonOpt)));
            return 2;
        }
    }
    return allCorrect ? 0 : 1;
}
