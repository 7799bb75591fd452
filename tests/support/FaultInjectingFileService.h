#pragma once

#include "platform/FileService.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>

namespace bg::test {

// A file service that passes every call to another one, but keeps a log of the calls that change
// the disk and can make chosen ones fail with a run-time error number, without touching the disk.
//
// Changing calls and their names in the log: createFolder, copyFile, moveFile, replaceFile,
// deleteFile, deleteFolder, setAttr, writeFileAtomic. Every other call passes straight through.
//
// Safe to call from any thread, as the service it wraps is: the plan, the counters and the log
// are guarded by one mutex, which is never held while the wrapped service or the listing hook runs.
class FaultInjectingFileService final : public FileService
{
public:
    struct Call
    {
        QString op;        // e.g. "copyFile"
        QStringList paths; // the Windows paths the call named, in argument order
        int result = 0;    // what the call returned (the injected error when it was failed)
        bool injected = false;
    };

    explicit FaultInjectingFileService(FileService &inner);

    // Fails the n-th changing call (1-based, counted over the whole life of this object).
    void failNthCall(int n, int error);
    // Fails the n-th changing call and every one after it, as a disk that turns read-only or
    // full does.
    void failFromCall(int n, int error);
    // Fails the n-th call of one kind (1-based, counted over the life of this object).
    void failNthCallOf(const QString &op, int n, int error);
    // Fails every call of one kind.
    void failEveryCallOf(const QString &op, int error);
    // Forgets all planned failures (the log and the counters stay).
    void clearFaults();
    // Runs after every folder listing, once the listing is made and before the caller sees it:
    // lets a test change the folder between a listing and the work done with it.
    void setAfterListing(std::function<void(const QString &folder)> hook);

    // Number of changing calls made so far, failed ones included.
    int changingCalls() const;
    // Number of changing calls of one kind.
    int callsOf(const QString &op) const;
    // The calls logged so far, in the order they returned. A reference into the service: read it
    // when no call is running (logLines() is a copy, safe at any time).
    const QList<Call> &log() const { return m_log; }
    // The log as readable lines: "copyFile C:\a.bmp C:\b.bmp", a failed call ends in " -> 70".
    QStringList logLines() const;
    void clearLog();

    bool folderExists(const QString &path) override;
    bool fileExists(const QString &path) override;
    int listFiles(const QString &folder, std::vector<FolderFile> &out) override;
    int countSubFolders(const QString &folder, int &count) override;
    int createFolder(const QString &path) override;
    int copyFile(const QString &source, const QString &destination, bool overwrite) override;
    int moveFile(const QString &source, const QString &destination) override;
    int replaceFile(const QString &source, const QString &destination) override;
    int deleteFile(const QString &path, bool force) override;
    int deleteFolder(const QString &path, bool force) override;
    int fileLen(const QString &path, qint64 &size) override;
    int getAttr(const QString &path, int &attributes) override;
    int setAttr(const QString &path, int attributes) override;
    QString dir(const QString &path, int attributeMask) override;
    int readFile(const QString &path, QByteArray &data, qint64 maxBytes) override;
    int writeFileAtomic(const QString &path, const QByteArray &data) override;
    std::optional<QString> hostPath(const QString &path) override;

private:
    struct Fault
    {
        QString op; // empty: any kind
        int nth = 0; // 0: every call
        int error = 0;
        bool onward = false; // also every call after the n-th
    };

    // Counts a changing call and returns the error to inject, or 0 to pass it on.
    int plannedFailure(const QString &op);
    int record(const QString &op, const QStringList &paths, int result, bool injected);
    template<typename F>
    int changing(const QString &op, const QStringList &paths, F &&call);

    FileService &m_inner;
    mutable QMutex m_mutex; // guards everything below
    QList<Fault> m_faults;
    QList<Call> m_log;
    QHash<QString, int> m_countOf;
    int m_count = 0;
    std::function<void(const QString &)> m_afterListing;
};

} // namespace bg::test
