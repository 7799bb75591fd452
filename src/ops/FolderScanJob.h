#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <memory>

namespace bg {

class FileService;
class LogoTester;

// Scans one logo folder on a worker thread: lists its regular files once, then tests each one
// (the size test first; a file whose size rules it out is not opened) and reports the logos it
// finds in batches, with the share of bytes examined so far. Everything is delivered on the
// thread that owns the job, in order: batches and progress, then finished() once.
//
// Starting a new scan, cancel() and the destructor end the running one: its worker stops at the
// next file, and nothing more of it is delivered. The file service and the logo tester are
// called from the worker while the owner's thread may call them too.
class FolderScanJob : public QObject
{
    Q_OBJECT
public:
    FolderScanJob(FileService &files, const LogoTester &tester, QObject *parent = nullptr);
    ~FolderScanJob() override;

    // folder is a Windows path ending in a backslash.
    void start(const QString &folder);
    void cancel();
    bool isRunning() const { return m_running; }

signals:
    void logosFound(const QStringList &names);
    // Share of the folder's bytes examined, 0 to 100 (100 for a folder whose files hold none).
    void progressed(double percent);
    // filesExamined is 0 when the folder could not be listed. usedFolderExists tells whether
    // the folder holds an entry named "Showed" (a folder, or a plain visible file).
    void finished(int filesExamined, bool usedFolderExists);

private:
    struct Run;
    void work(std::shared_ptr<Run> run);
    void deliver(quint64 generation, QStringList names, double percent, bool last, int files,
                 bool usedFolder);

    FileService &m_files;
    const LogoTester &m_tester;
    std::shared_ptr<Run> m_run;
    QThreadPool m_pool;
    quint64 m_generation = 0;
    bool m_running = false;
};

} // namespace bg
