#pragma once

#include "platform/FileService.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>

namespace bg::test {

// Passes every call to another file service; logs the calls that change the disk (createFolder, copyFile,
// moveFile, replaceFile, deleteFile, deleteFolder, setAttr, writeFileAtomic) and can fail chosen ones with a
// run-time error number without touching it. Thread-safe; its mutex is never held while the inner service runs.
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

    explicit FaultInjectingFileService(FileService &inner) : m_inner(inner) {}

    // Calls are counted from 1 over the life of this object. Fails the n-th changing call; the
    // n-th and every one after it (a disk that turns read-only or full); the n-th call of one
    // kind; every call of one kind.
    void failNthCall(int n, int error) { plan({QString(), n, error, false}); }
    void failFromCall(int n, int error) { plan({QString(), n, error, true}); }
    void failNthCallOf(const QString &op, int n, int error) { plan({op, n, error, false}); }
    void failEveryCallOf(const QString &op, int error) { plan({op, 0, error, false}); }
    // Runs after every folder listing, before the caller sees it.
    void setAfterListing(std::function<void(const QString &folder)> hook);
    // Runs before every changing call of one kind, on the caller's thread (e.g. to hold a worker).
    void setBeforeCallOf(const QString &op, std::function<void()> hook);

    int changingCalls() const; // failed ones included
    int callsOf(const QString &op) const;
    const QList<Call> &log() const { return m_log; } // in the order they returned; read it when no call runs

    bool folderExists(const QString &path) override { return m_inner.folderExists(path); }
    bool fileExists(const QString &path) override { return m_inner.fileExists(path); }
    bool isLink(const QString &path) override { return m_inner.isLink(path); }
    bool sameFile(const QString &a, const QString &b) override { return m_inner.sameFile(a, b); }
    void beginOperation() override { m_inner.beginOperation(); }
    void endOperation() override { m_inner.endOperation(); }
    int listFiles(const QString &folder, std::vector<FolderFile> &out) override;
    int countSubFolders(const QString &folder, int &n) override { return m_inner.countSubFolders(folder, n); }
    int createFolder(const QString &path) override;
    int copyFile(const QString &source, const QString &destination, bool overwrite) override;
    int moveFile(const QString &source, const QString &destination) override;
    int replaceFile(const QString &source, const QString &destination) override;
    int deleteFile(const QString &path, bool force) override;
    int deleteFolder(const QString &path, bool force) override;
    int fileLen(const QString &path, qint64 &size) override { return m_inner.fileLen(path, size); }
    int getAttr(const QString &path, int &attributes) override { return m_inner.getAttr(path, attributes); }
    int setAttr(const QString &path, int attributes) override;
    QString dir(const QString &path, int mask) override { return m_inner.dir(path, mask); }
    int readFile(const QString &path, QByteArray &data, qint64 max) override { return m_inner.readFile(path, data, max); }
    int writeFileAtomic(const QString &path, const QByteArray &data) override;
    std::optional<QString> hostPath(const QString &path) override { return m_inner.hostPath(path); }

private:
    struct Fault
    {
        QString op;  // empty: any kind
        int nth = 0; // 0: every call
        int error = 0;
        bool onward = false; // also every call after the n-th
    };

    void plan(const Fault &fault);
    template<typename F>
    int changing(const QString &op, const QStringList &paths, F &&call);

    FileService &m_inner;
    mutable QMutex m_mutex; // guards everything below
    QList<Fault> m_faults;
    QList<Call> m_log;
    QHash<QString, int> m_countOf;
    int m_count = 0;
    std::function<void(const QString &)> m_afterListing;
    QString m_beforeOp;
    std::function<void()> m_before;
};

} // namespace bg::test
