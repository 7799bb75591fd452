// bootgallery_bench: how fast the main window scans a logo folder, against what the disk
// allows (the floor) and against decoding every file (the naive scan). Makes its own folders
// from a seed, measures with warm caches, prints one table and writes the same as JSON.

#include "DataSet.h"
#include "Harness.h"

#include "ui/LogoList.h"
#include "ui/MainWindow.h"

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

// --- small helpers -------------------------------------------------------------------------------

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

QJsonArray toJson(const std::vector<double> &values)
{
    QJsonArray a;
    for (double v : values)
        a.append(v);
    return a;
}

QString fmt(double v, int decimals = 1)
{
    return QString::number(v, 'f', decimals);
}

void say(const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

// The highest one-minute load average seen while measuring: figures taken on a busy machine
// say little.
double g_highestLoad = 0;
void noteLoad()
{
    g_highestLoad = std::max(g_highestLoad, loadAverage());
}

// --- options -------------------------------------------------------------------------------------

struct Options
{
    quint64 seed = 1998;
    int runs = 5;
    QString json;
    QString dataDir;
    bool quick = false;
    bool naive = true;
    bool naiveOnLargest = false;
};

// --- the folders ---------------------------------------------------------------------------------

struct Workspace
{
    std::optional<QTemporaryDir> temp;
    QString root;
    QString dataDir;
    std::map<int, GeneratedFolder> folders; // by number of files
    GeneratedFolder startupFolder;          // logos only, for the start-up measurement
};

QJsonObject folderToJson(const GeneratedFolder &f)
{
    QJsonArray names;
    for (const QString &n : f.expectedLogos)
        names.append(n);
    return {{QStringLiteral("files"), f.files},
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

// Writes the folders, or takes them from an earlier run with the same seed in --data-dir.
bool prepareFolders(const Options &options, const std::vector<int> &sizes, Workspace &ws)
{
    if (!options.dataDir.isEmpty()) {
        ws.root = QDir(options.dataDir).absolutePath();
        QDir().mkpath(ws.root);
    } else {
        ws.temp.emplace(QDir::tempPath() + QStringLiteral("/bootgallery-bench-XXXXXX"));
        if (!ws.temp->isValid()) {
            say(QStringLiteral("cannot make a temporary directory"));
            return false;
        }
        ws.root = ws.temp->path();
    }
    ws.dataDir = ws.root + QStringLiteral("/data");

    const QString manifestPath = ws.root + QStringLiteral("/manifest.json");
    QJsonObject manifest;
    if (QFile in(manifestPath); in.open(QIODevice::ReadOnly))
        manifest = QJsonDocument::fromJson(in.readAll()).object();
    const bool reusable = manifest.value(QStringLiteral("version")).toInt() == ManifestVersion
                          && manifest.value(QStringLiteral("seed")).toString() == QString::number(options.seed);
    QJsonObject stored = reusable ? manifest.value(QStringLiteral("folders")).toObject() : QJsonObject();
    if (!reusable) {
        QDir(ws.dataDir).removeRecursively();
        QFile::remove(manifestPath);
    }

    DataSetWriter writer(options.seed);
    QElapsedTimer clock;
    clock.start();
    QString error;
    bool wrote = false;
    for (int n : sizes) {
        const QString key = QStringLiteral("files-%1").arg(n);
        const QString host = ws.dataDir + u'/' + key;
        if (stored.contains(key)) {
            ws.folders[n] = folderFromJson(stored.value(key).toObject(), host);
            continue;
        }
        say(QStringLiteral("writing %1 files (seed %2)...").arg(n).arg(options.seed));
        QDir(host).removeRecursively();
        if (!writer.writeFolder(host, Mix::forTotal(n), ws.folders[n], error)) {
            say(error);
            return false;
        }
        stored.insert(key, folderToJson(ws.folders[n]));
        wrote = true;
    }
    const QString startupKey = QStringLiteral("startup-logos");
    const QString startupHost = ws.dataDir + u'/' + startupKey;
    if (stored.contains(startupKey)) {
        ws.startupFolder = folderFromJson(stored.value(startupKey).toObject(), startupHost);
    } else {
        QDir(startupHost).removeRecursively();
        if (!writer.writeLogoFolder(startupHost, ws.folders.at(10000), StartupLogos, ws.startupFolder, error)) {
            say(error);
            return false;
        }
        stored.insert(startupKey, folderToJson(ws.startupFolder));
        wrote = true;
    }
    if (wrote) {
        say(QStringLiteral("folders written in %1 s").arg(fmt(clock.elapsed() / 1000.0)));
        manifest = {{QStringLiteral("version"), ManifestVersion},
                    {QStringLiteral("seed"), QString::number(options.seed)},
                    {QStringLiteral("folders"), stored}};
        QFile out(manifestPath);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(QJsonDocument(manifest).toJson());
    }
    return true;
}

// --- scans in this process -----------------------------------------------------------------------

struct SetResult
{
    int files = 0;
    qint64 bytes = 0;
    int expected = 0;
    bool correct = true;
    std::vector<double> floorMs, toolMs, naiveMs, gapMs;
    GapResult worstGap;
    int floorReadWhole = 0;
    int naiveFound = -1;
};

SetResult measureFolder(const Options &options, WindowRig &rig, BenchPrefix &prefix,
                        const GeneratedFolder &folder, bool naive)
{
    const QString windowsFolder = prefix.windowsFolder(folder.hostPath);
    QStringList expected;
    for (const QString &name : folder.expectedLogos)
        expected.append(name);
    expected.sort();

    SetResult r;
    r.files = folder.files;
    r.bytes = folder.bytes;
    r.expected = int(expected.size());

    say(QStringLiteral("%1 files: warming caches...").arg(folder.files));
    const bg::PictureLoader headerReader;
    warmFolder(folder.hostPath);
    floorScan(folder.hostPath, headerReader);
    rig.scan(windowsFolder);

    // The three scans take turns, so that a disturbance hits them alike.
    for (int run = 0; run < options.runs; ++run) {
        say(QStringLiteral("%1 files: run %2 of %3").arg(folder.files).arg(run + 1).arg(options.runs));
        noteLoad();
        QElapsedTimer clock;
        clock.start();
        r.floorReadWhole = floorScan(folder.hostPath, headerReader).kept;
        r.floorMs.push_back(double(clock.nsecsElapsed()) / 1e6);

        r.toolMs.push_back(double(rig.scan(windowsFolder)) / 1e6);
        QStringList listed = rig.entries();
        listed.sort();
        if (listed != expected)
            r.correct = false;

        if (naive) {
            clock.restart();
            r.naiveFound = naiveScan(folder.hostPath);
            r.naiveMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
    }
    // The event-gap probe costs a little itself: measured on runs of its own.
    for (int run = 0; run < options.runs; ++run) {
        const GapResult gap = measureGaps([&] { rig.scan(windowsFolder); });
        r.gapMs.push_back(gap.longestMs);
        if (gap.longestMs > r.worstGap.longestMs)
            r.worstGap = gap;
    }
    return r;
}

struct ListFill
{
    int names = 0;
    std::vector<double> ms;
    bool correct = true;
};

ListFill measureListFill(const Options &options, int count, QSize listSize)
{
    SplitMix64 rng(options.seed ^ 0x5EED11575ull);
    QStringList names;
    names.reserve(count);
    for (int i = 0; i < count; ++i)
        names.append(fileName(rng, i, ".bmp"));
    ListFill fill;
    fill.names = count;
    for (int run = 0; run < options.runs; ++run) {
        say(QStringLiteral("list of %1 names: run %2 of %3").arg(count).arg(run + 1).arg(options.runs));
        noteLoad();
        const qint64 ns = fillList(names, listSize);
        if (ns < 0)
            fill.correct = false;
        else
            fill.ms.push_back(double(ns) / 1e6);
    }
    return fill;
}

// --- measurements in fresh processes -------------------------------------------------------------

// Runs this program again with the arguments; the words it printed, "failed" first when it
// did not end well.
std::optional<QStringList> runSelf(const QStringList &args)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), args);
    if (!child.waitForFinished(300000) || child.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    QStringList words = QString::fromLocal8Bit(child.readAllStandardOutput()).split(u' ', Qt::SkipEmptyParts);
    if (!words.isEmpty())
        words.last() = words.last().trimmed();
    if (child.exitCode() != 0)
        words.prepend(QStringLiteral("failed"));
    return words;
}

struct MemoryResult
{
    int files = 0;
    std::vector<double> peakMiB, aboveWindowMiB;
    bool correct = true;
};

MemoryResult measureMemory(const Options &options, const Workspace &ws, const BenchPrefix &prefix,
                           const QString &prefixRoot, const GeneratedFolder &folder)
{
    MemoryResult m;
    m.files = folder.files;
    for (int run = 0; run < options.runs; ++run) {
        say(QStringLiteral("memory, %1 files: run %2 of %3").arg(folder.files).arg(run + 1).arg(options.runs));
        noteLoad();
        const auto out = runSelf({QStringLiteral("--child"), QStringLiteral("memory"),
                                  QStringLiteral("--prefix-root"), prefixRoot,
                                  QStringLiteral("--child-data"), ws.dataDir,
                                  QStringLiteral("--folder"), prefix.windowsFolder(folder.hostPath),
                                  QStringLiteral("--expect"), QString::number(folder.expectedLogos.size())});
        if (!out || out->size() < 4 || out->at(0) != QLatin1String("memory")) {
            m.correct = false;
            continue;
        }
        const double before = out->at(1).toDouble() / 1024.0;
        const double peak = out->at(2).toDouble() / 1024.0;
        m.peakMiB.push_back(peak);
        m.aboveWindowMiB.push_back(peak - before);
    }
    return m;
}

struct StartupResult
{
    std::vector<double> ms;
    int messageBoxes = 0;
    bool correct = true;
};

StartupResult measureStartup(const Options &options, const Workspace &ws, const QString &prefixRoot)
{
    StartupResult s;
    warmFolder(ws.startupFolder.hostPath);
    for (int run = 0; run < options.runs; ++run) {
        say(QStringLiteral("start-up: run %1 of %2").arg(run + 1).arg(options.runs));
        noteLoad();
        const auto out = runSelf({QStringLiteral("--child"), QStringLiteral("startup"),
                                  QStringLiteral("--prefix-root"), prefixRoot,
                                  QStringLiteral("--child-data"), ws.dataDir,
                                  QStringLiteral("--expect"), QString::number(ws.startupFolder.expectedLogos.size())});
        if (!out || out->size() < 5 || out->at(0) != QLatin1String("startup")) {
            s.correct = false;
            continue;
        }
        s.ms.push_back(out->at(1).toDouble());
        s.messageBoxes = std::max(s.messageBoxes, out->at(4).toInt());
    }
    return s;
}

// The child's side: one measurement, its figures printed as words on one line.
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
        const long peak = peakResidentKiB();
        const int entries = int(rig.entries().size());
        std::printf("memory %ld %ld %d\n", before, peak, entries);
        return entries == expected ? 0 : 3;
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

// --- the report ----------------------------------------------------------------------------------

struct Results
{
    double loadBefore = 0;
    double loadAfter = 0;
    std::vector<SetResult> sets;
    std::vector<MemoryResult> memory;
    StartupResult startup;
    std::vector<ListFill> lists;
    int startupLogos = 0;

    const SetResult *set(int files) const
    {
        for (const SetResult &r : sets)
            if (r.files == files)
                return &r;
        return nullptr;
    }
    const MemoryResult *memoryOf(int files) const
    {
        for (const MemoryResult &m : memory)
            if (m.files == files)
                return &m;
        return nullptr;
    }
    bool correct() const
    {
        bool ok = startup.correct;
        for (const SetResult &r : sets)
            ok = ok && r.correct;
        for (const MemoryResult &m : memory)
            ok = ok && m.correct;
        for (const ListFill &l : lists)
            ok = ok && l.correct;
        return ok;
    }
    double growth() const
    {
        const SetResult *small = set(1000);
        const SetResult *large = set(50000);
        if (!small || !large)
            return 0;
        return (median(large->toolMs) / large->files) / (median(small->toolMs) / small->files);
    }
    double listGrowth() const
    {
        if (lists.size() != 2 || lists[0].ms.empty() || lists[1].ms.empty())
            return 0;
        return (median(lists[1].ms) / lists[1].names) / (median(lists[0].ms) / lists[0].names);
    }
};

struct Target
{
    QString name;
    double value = 0;
    double limit = 0;
    bool atMost = true;
    bool measured = false;
    bool met() const { return measured && (atMost ? value <= limit : value >= limit); }
};

std::vector<Target> targets(const Results &r)
{
    std::vector<Target> t;
    const SetResult *s = r.set(10000);
    t.push_back({QStringLiteral("tool/floor at 10,000 files <= 1.5"),
                 s ? median(s->toolMs) / median(s->floorMs) : 0, 1.5, true, s != nullptr});
    t.push_back({QStringLiteral("naive/tool at 10,000 files >= 10"),
                 s && !s->naiveMs.empty() ? median(s->naiveMs) / median(s->toolMs) : 0, 10, false,
                 s && !s->naiveMs.empty()});
    t.push_back({QStringLiteral("longest gap between event turns at 10,000 files <= 50 ms"),
                 s ? median(s->gapMs) : 0, 50, true, s != nullptr});
    const MemoryResult *m = r.memoryOf(10000);
    t.push_back({QStringLiteral("peak memory of the 10,000-file scan <= 120 MiB"),
                 m ? median(m->peakMiB) : 0, 120, true, m && !m->peakMiB.empty()});
    t.push_back({QStringLiteral("time per file at 50,000 files / at 1,000 <= 1.5"), r.growth(), 1.5, true,
                 r.growth() > 0});
    t.push_back({QStringLiteral("start-up with 1,000 logos < 1000 ms"), median(r.startup.ms), 1000, true,
                 !r.startup.ms.empty()});
    return t;
}

QString table(const Options &options, const Results &r)
{
    QString text;
    QTextStream t(&text);
    t << "Bootgallery folder scan: seed " << options.seed << ", median of " << options.runs
      << " runs, load average " << fmt(r.loadBefore, 2) << " before, " << fmt(r.loadAfter, 2)
      << " after, " << fmt(g_highestLoad, 2) << " at most\n";
    t << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
             .arg(QStringLiteral("files"), 7)
             .arg(QStringLiteral("floor ms"), 9)
             .arg(QStringLiteral("tool ms"), 9)
             .arg(QStringLiteral("naive ms"), 9)
             .arg(QStringLiteral("tool/floor"), 10)
             .arg(QStringLiteral("naive/tool"), 10)
             .arg(QStringLiteral("us/file"), 8)
             .arg(QStringLiteral("gap ms med/max"), 15)
             .arg(QStringLiteral("logos"), 11);
    for (const SetResult &s : r.sets) {
        const double floorMs = median(s.floorMs);
        const double toolMs = median(s.toolMs);
        const double naiveMs = median(s.naiveMs);
        const bool naive = !s.naiveMs.empty();
        t << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
                 .arg(s.files, 7)
                 .arg(fmt(floorMs), 9)
                 .arg(fmt(toolMs), 9)
                 .arg(naive ? fmt(naiveMs, 0) : QStringLiteral("-"), 9)
                 .arg(fmt(toolMs / floorMs, 2), 10)
                 .arg(naive ? fmt(naiveMs / toolMs, 1) : QStringLiteral("-"), 10)
                 .arg(fmt(toolMs * 1000.0 / s.files, 2), 8)
                 .arg(fmt(median(s.gapMs)) + u'/' + fmt(maximum(s.gapMs)), 15)
                 .arg(QString::number(s.expected) + (s.correct ? QStringLiteral(" ok") : QStringLiteral(" WRONG")), 11);
    }
    for (const SetResult &s : r.sets) {
        t << "  longest gap, " << s.files << " files: " << fmt(s.worstGap.longestMs) << " ms, after "
          << s.worstGap.turnsBefore << " of " << s.worstGap.turns << " event turns, "
          << fmt(s.worstGap.startsAtMs) << " ms into a scan of " << fmt(s.worstGap.totalMs) << " ms\n";
        if (s.naiveFound >= 0 && s.naiveFound != s.expected)
            t << "  the naive scan of " << s.files << " files found " << s.naiveFound << " logos\n";
    }
    if (r.growth() > 0)
        t << "growth: time per file at 50,000 files / at 1,000 files = " << fmt(r.growth(), 2) << "\n";
    for (const MemoryResult &m : r.memory)
        t << "peak memory, scan of " << m.files << " files: " << fmt(median(m.peakMiB))
          << " MiB resident (" << fmt(median(m.aboveWindowMiB))
          << " MiB above the loaded window; fresh process per run, VmHWM reset before the scan)"
          << (m.correct ? "" : " A RUN FAILED") << "\n";
    for (const ListFill &l : r.lists)
        t << "list alone, " << l.names << " names added one per event turn, then measured: "
          << fmt(median(l.ms)) << " ms, " << fmt(median(l.ms) * 1000.0 / l.names, 2) << " us per name"
          << (l.correct ? "" : " FAILED") << "\n";
    if (r.listGrowth() > 0)
        t << "list growth: time per name at 50,000 / at 5,000 = " << fmt(r.listGrowth(), 2) << "\n";
    t << "start-up with " << r.startupLogos << " logos in the Startup folder (start-up, Startup folder scanned, "
      << "show until painted; fresh process per run): " << fmt(median(r.startup.ms)) << " ms"
      << (r.startup.correct ? "" : " A RUN FAILED")
      << (r.startup.messageBoxes ? " (it showed a message box)" : "") << "\n";
    t << "targets:\n";
    for (const Target &target : targets(r))
        t << "  " << (target.measured ? (target.met() ? "met    " : "MISSED ") : "skipped") << "  "
          << target.name << ": " << fmt(target.value, 2) << "\n";
    if (!r.correct())
        t << "A MEASUREMENT LISTED THE WRONG FILES OR FAILED: its figures do not count.\n";
    return text;
}

QJsonObject json(const Options &options, const Results &r)
{
    QJsonArray sets;
    for (const SetResult &s : r.sets) {
        const double floorMs = median(s.floorMs);
        const double toolMs = median(s.toolMs);
        QJsonObject o{{QStringLiteral("files"), s.files},
                      {QStringLiteral("bytes"), double(s.bytes)},
                      {QStringLiteral("logos"), s.expected},
                      {QStringLiteral("correct"), s.correct},
                      {QStringLiteral("floorMs"), floorMs},
                      {QStringLiteral("toolMs"), toolMs},
                      {QStringLiteral("toolOverFloor"), toolMs / floorMs},
                      {QStringLiteral("toolUsPerFile"), toolMs * 1000.0 / s.files},
                      {QStringLiteral("gapMsMedian"), median(s.gapMs)},
                      {QStringLiteral("gapMsMax"), maximum(s.gapMs)},
                      {QStringLiteral("worstGapAfterTurns"), s.worstGap.turnsBefore},
                      {QStringLiteral("worstGapTurnsInScan"), s.worstGap.turns},
                      {QStringLiteral("worstGapStartsAtMs"), s.worstGap.startsAtMs},
                      {QStringLiteral("floorFilesReadWhole"), s.floorReadWhole},
                      {QStringLiteral("floorRunsMs"), toJson(s.floorMs)},
                      {QStringLiteral("toolRunsMs"), toJson(s.toolMs)},
                      {QStringLiteral("gapRunsMs"), toJson(s.gapMs)}};
        if (!s.naiveMs.empty()) {
            o.insert(QStringLiteral("naiveMs"), median(s.naiveMs));
            o.insert(QStringLiteral("naiveOverTool"), median(s.naiveMs) / toolMs);
            o.insert(QStringLiteral("naiveFound"), s.naiveFound);
            o.insert(QStringLiteral("naiveRunsMs"), toJson(s.naiveMs));
        }
        sets.append(o);
    }
    QJsonArray memory;
    for (const MemoryResult &m : r.memory)
        memory.append(QJsonObject{
            {QStringLiteral("files"), m.files},
            {QStringLiteral("method"),
             QStringLiteral("fresh process per run; peak resident set (VmHWM) of the scan, reset just before it")},
            {QStringLiteral("peakMiB"), median(m.peakMiB)},
            {QStringLiteral("aboveLoadedWindowMiB"), median(m.aboveWindowMiB)},
            {QStringLiteral("correct"), m.correct}});
    QJsonArray lists;
    for (const ListFill &l : r.lists)
        lists.append(QJsonObject{{QStringLiteral("names"), l.names},
                                 {QStringLiteral("msMedian"), median(l.ms)},
                                 {QStringLiteral("usPerName"), median(l.ms) * 1000.0 / l.names},
                                 {QStringLiteral("correct"), l.correct}});
    QJsonArray goals;
    for (const Target &target : targets(r))
        goals.append(QJsonObject{{QStringLiteral("target"), target.name},
                                 {QStringLiteral("value"), target.value},
                                 {QStringLiteral("limit"), target.limit},
                                 {QStringLiteral("measured"), target.measured},
                                 {QStringLiteral("met"), target.met()}});
    return {{QStringLiteral("seed"), QString::number(options.seed)},
            {QStringLiteral("runs"), options.runs},
            {QStringLiteral("loadBefore"), r.loadBefore},
            {QStringLiteral("loadAfter"), r.loadAfter},
            {QStringLiteral("loadHighest"), g_highestLoad},
            {QStringLiteral("sets"), sets},
            {QStringLiteral("growthPerFile50kOver1k"), r.growth()},
            {QStringLiteral("memory"), memory},
            {QStringLiteral("listFill"), lists},
            {QStringLiteral("listGrowthPerName50kOver5k"), r.listGrowth()},
            {QStringLiteral("startup"),
             QJsonObject{{QStringLiteral("logos"), r.startupLogos},
                         {QStringLiteral("msMedian"), median(r.startup.ms)},
                         {QStringLiteral("runsMs"), toJson(r.startup.ms)},
                         {QStringLiteral("messageBoxes"), r.startup.messageBoxes},
                         {QStringLiteral("correct"), r.startup.correct}}},
            {QStringLiteral("targets"), goals},
            {QStringLiteral("correct"), r.correct()}};
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
    const QCommandLineOption runsOpt(QStringLiteral("runs"),
                                     QStringLiteral("Runs per measurement; the median is reported."),
                                     QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption jsonOpt(QStringLiteral("json"),
                                     QStringLiteral("Also write the results as JSON to this file."),
                                     QStringLiteral("path"));
    const QCommandLineOption quickOpt(QStringLiteral("quick"), QStringLiteral("Leave out the 50,000-file folder."));
    const QCommandLineOption dataOpt(QStringLiteral("data-dir"),
                                     QStringLiteral("Keep the generated folders here and reuse them on the next run "
                                                    "with the same seed (default: a temporary directory, removed "
                                                    "at the end)."),
                                     QStringLiteral("dir"));
    const QCommandLineOption noNaiveOpt(QStringLiteral("no-naive"), QStringLiteral("Leave out the naive scan."));
    const QCommandLineOption naiveAllOpt(QStringLiteral("naive-all"),
                                         QStringLiteral("Run the naive scan on the 50,000-file folder too."));
    // A fresh process for one measurement (memory, start-up).
    const QCommandLineOption childOpt(QStringLiteral("child"), QStringLiteral("internal"), QStringLiteral("mode"));
    const QCommandLineOption prefixOpt(QStringLiteral("prefix-root"), QStringLiteral("internal"), QStringLiteral("dir"));
    const QCommandLineOption childDataOpt(QStringLiteral("child-data"), QStringLiteral("internal"), QStringLiteral("dir"));
    const QCommandLineOption folderOpt(QStringLiteral("folder"), QStringLiteral("internal"), QStringLiteral("path"));
    const QCommandLineOption expectOpt(QStringLiteral("expect"), QStringLiteral("internal"), QStringLiteral("n"));
    for (QCommandLineOption o : {childOpt, prefixOpt, childDataOpt, folderOpt, expectOpt}) {
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }
    parser.addOptions({seedOpt, runsOpt, jsonOpt, quickOpt, dataOpt, noNaiveOpt, naiveAllOpt});
    parser.process(app);

    if (parser.isSet(childOpt))
        return runChild(parser.value(childOpt), parser.value(prefixOpt), parser.value(childDataOpt),
                        parser.value(folderOpt), parser.value(expectOpt).toInt());

    Options options;
    bool ok = false;
    options.seed = parser.value(seedOpt).toULongLong(&ok);
    if (!ok) {
        say(QStringLiteral("--seed needs a non-negative integer"));
        return 2;
    }
    options.runs = parser.value(runsOpt).toInt(&ok);
    if (!ok || options.runs < 1) {
        say(QStringLiteral("--runs needs a positive integer"));
        return 2;
    }
    options.json = parser.value(jsonOpt);
    options.dataDir = parser.value(dataOpt);
    options.quick = parser.isSet(quickOpt);
    options.naive = !parser.isSet(noNaiveOpt);
    options.naiveOnLargest = parser.isSet(naiveAllOpt);

    Results results;
    results.loadBefore = loadAverage();
    g_highestLoad = results.loadBefore;

    std::vector<int> sizes = {1000, 10000};
    if (!options.quick)
        sizes.push_back(50000);
    Workspace ws;
    if (!prepareFolders(options, sizes, ws))
        return 2;
    results.startupLogos = int(ws.startupFolder.expectedLogos.size());

    // One prefix for the scans (no settings file: the window starts on an empty folder) and one
    // whose settings name the 1,000-logo folder as the start-up slot's.
    const QString scanPrefixRoot = ws.root + QStringLiteral("/prefix-scan");
    const QString startupPrefixRoot = ws.root + QStringLiteral("/prefix-startup");
    BenchPrefix scanPrefix(scanPrefixRoot, ws.dataDir);
    BenchPrefix startupPrefix(startupPrefixRoot, ws.dataDir);
    if (!scanPrefix.isValid() || !startupPrefix.isValid()
        || !startupPrefix.writeStartupSetting(startupPrefix.windowsFolder(ws.startupFolder.hostPath))) {
        say(QStringLiteral("cannot make the bench prefixes under %1").arg(ws.root));
        return 2;
    }

    WindowRig rig(scanPrefix);
    if (!rig.loadAndShow()) {
        say(QStringLiteral("the main window did not come up"));
        return 2;
    }
    for (int n : sizes) {
        const bool naive = options.naive && (n <= 10000 || options.naiveOnLargest);
        results.sets.push_back(measureFolder(options, rig, scanPrefix, ws.folders.at(n), naive));
    }
    for (int n : sizes)
        if (n >= 10000)
            results.memory.push_back(measureMemory(options, ws, scanPrefix, scanPrefixRoot, ws.folders.at(n)));
    results.startup = measureStartup(options, ws, startupPrefixRoot);
    for (int n : {5000, 50000})
        results.lists.push_back(measureListFill(options, n, rig.window().findChild<bg::LogoList *>(QStringLiteral("lstSys"))->size()));
    results.loadAfter = loadAverage();
    noteLoad();

    std::fputs(qPrintable(table(options, results)), stdout);
    std::fflush(stdout);
    if (!options.json.isEmpty()) {
        QFile out(options.json);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || out.write(QJsonDocument(json(options, results)).toJson()) < 0) {
            say(QStringLiteral("cannot write %1").arg(options.json));
            return 2;
        }
    }
    return results.correct() ? 0 : 1;
}
