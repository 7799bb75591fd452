#include "ops/FolderScanJob.h"

#include "core/LogoTests.h"
#include "platform/DosAttributes.h"
#include "platform/FileService.h"

#include <QElapsedTimer>
#include <algorithm>
#include <QThreadPool>

#include <vector>

namespace bg {

namespace {

// A batch goes to the owner when it has waited this long or grown this large: often enough for
// the list and the progress bar to move smoothly, rarely enough that delivering costs nothing.
constexpr qint64 BatchMilliseconds = 12;
constexpr int BatchNames = 512;

} // namespace

struct FolderScanJob::Run
{
    QString folder;
    quint64 generation = 0;
    std::atomic_bool cancelled{false};
};

FolderScanJob::FolderScanJob(FileService &files, const LogoTester &tester, QObject *parent)
    : QObject(parent), m_files(files), m_tester(tester)
{
    // One worker: a cancelled run leaves it at its next file, and the run that replaced it
    // starts right after.
    m_pool.setMaxThreadCount(1);
}

FolderScanJob::~FolderScanJob()
{
    cancel();
    // The worker delivers through this object: it must be done before the object goes.
    m_pool.waitForDone();
}

void FolderScanJob::start(const QString &folder)
{
    cancel();
    auto run = std::make_shared<Run>();
    run->folder = folder;
    run->generation = ++m_generation;
    m_run = run;
    m_running = true;
    m_pool.start([this, run] { work(run); });
}

void FolderScanJob::cancel()
{
    if (m_run)
        m_run->cancelled = true;
    m_run.reset();
    ++m_generation; // whatever the old run already queued is dropped on arrival
    m_running = false;
}

void FolderScanJob::work(std::shared_ptr<Run> run)
{
    if (run->cancelled)
        return;
    // One look at the disk: a disk image is opened once for the whole scan.
    const FileOperation operation(m_files);
    std::vector<FolderFile> files;
    if (m_files.listFiles(run->folder, files) != 0)
        files.clear();

    double total = 0;
    for (const FolderFile &file : files)
        total += double(file.size);

    QStringList batch;
    QElapsedTimer sinceDelivery;
    sinceDelivery.start();
    double done = 0;
    // Counts one file as tested, and hands over what was found every so often.
    const auto tested = [&](const FolderFile &file, bool isLogo) {
        if (isLogo)
            batch.append(file.name);
        done += double(file.size);
        if (batch.size() >= BatchNames || sinceDelivery.elapsed() >= BatchMilliseconds) {
            const double percent = total > 0 ? done * 100.0 / total : 100.0;
            deliver(run->generation, std::exchange(batch, {}), percent, false, 0, false);
            sinceDelivery.restart();
        }
    };
    // A file whose size already rules it out cannot pass both tests, so it is not opened.
    std::vector<FolderFile> candidates;
    qint64 largest = 0;
    for (const FolderFile &file : files) {
        if (HasLogoFileSize(file.size)) {
            candidates.push_back(file);
            largest = std::max(largest, file.size);
        } else {
            done += double(file.size);
        }
    }
    // A disk image's files come in one batch; a host folder's are opened one by one.
    const bool batched = m_files.readListedFiles(
        run->folder, candidates, largest, [&](const FolderFile &file, const QByteArray &content) {
            if (run->cancelled)
                return false;
            tested(file, m_tester.IsLogoContent(content));
            return true;
        });
    for (const FolderFile &file : batched ? std::vector<FolderFile>() : candidates) {
        if (run->cancelled)
            return;
        tested(file, m_tester.IsLogoFile(file));
    }
    if (run->cancelled)
        return;
    const bool usedFolder =
        !m_files.dir(run->folder + QStringLiteral("Showed"), attr::Directory).isEmpty();
    // An empty folder leaves the progress bar as it was.
    const double percent = files.empty() ? -1 : total > 0 ? done * 100.0 / total : 100.0;
    deliver(run->generation, batch, percent, true, int(files.size()), usedFolder);
}

void FolderScanJob::deliver(quint64 generation, QStringList names, double percent, bool last,
                            int files, bool usedFolder)
{
    QMetaObject::invokeMethod(
        this,
        [this, generation, names = std::move(names), percent, last, files, usedFolder] {
            if (generation != m_generation)
                return; // a cancelled or replaced run
            if (!names.isEmpty())
                emit logosFound(names);
            if (percent >= 0)
                emit progressed(percent);
            if (last) {
                m_running = false;
                m_run.reset();
                emit finished(files, usedFolder);
            }
        },
        Qt::QueuedConnection);
}

} // namespace bg
