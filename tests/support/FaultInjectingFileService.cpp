#include "support/FaultInjectingFileService.h"

#include <QMutexLocker>

#include <utility>

namespace bg::test {

FaultInjectingFileService::FaultInjectingFileService(FileService &inner) : m_inner(inner) {}

void FaultInjectingFileService::failNthCall(int n, int error)
{
    const QMutexLocker lock(&m_mutex);
    m_faults.append({QString(), n, error});
}

void FaultInjectingFileService::failFromCall(int n, int error)
{
    const QMutexLocker lock(&m_mutex);
    m_faults.append({QString(), n, error, true});
}

void FaultInjectingFileService::failNthCallOf(const QString &op, int n, int error)
{
    const QMutexLocker lock(&m_mutex);
    m_faults.append({op, n, error});
}

void FaultInjectingFileService::failEveryCallOf(const QString &op, int error)
{
    const QMutexLocker lock(&m_mutex);
    m_faults.append({op, 0, error});
}

void FaultInjectingFileService::clearFaults()
{
    const QMutexLocker lock(&m_mutex);
    m_faults.clear();
}

void FaultInjectingFileService::setAfterListing(std::function<void(const QString &folder)> hook)
{
    const QMutexLocker lock(&m_mutex);
    m_afterListing = std::move(hook);
}

int FaultInjectingFileService::changingCalls() const
{
    const QMutexLocker lock(&m_mutex);
    return m_count;
}

int FaultInjectingFileService::callsOf(const QString &op) const
{
    const QMutexLocker lock(&m_mutex);
    return m_countOf.value(op);
}

void FaultInjectingFileService::clearLog()
{
    const QMutexLocker lock(&m_mutex);
    m_log.clear();
}

QStringList FaultInjectingFileService::logLines() const
{
    const QMutexLocker lock(&m_mutex);
    QStringList lines;
    lines.reserve(m_log.size());
    for (const Call &c : m_log) {
        QString line = c.op;
        for (const QString &p : c.paths)
            line += u' ' + p;
        if (c.result != 0)
            line += QStringLiteral(" -> %1").arg(c.result);
        lines.append(line);
    }
    return lines;
}

int FaultInjectingFileService::plannedFailure(const QString &op)
{
    const QMutexLocker lock(&m_mutex);
    const int overall = ++m_count;
    const int ofKind = ++m_countOf[op];
    for (const Fault &f : std::as_const(m_faults)) {
        if (f.op.isEmpty()) {
            if (f.nth == 0 || f.nth == overall || (f.onward && overall > f.nth))
                return f.error;
        } else if (f.op == op && (f.nth == 0 || f.nth == ofKind)) {
            return f.error;
        }
    }
    return 0;
}

int FaultInjectingFileService::record(const QString &op, const QStringList &paths, int result,
                                      bool injected)
{
    const QMutexLocker lock(&m_mutex);
    m_log.append({op, paths, result, injected});
    return result;
}

template<typename F>
int FaultInjectingFileService::changing(const QString &op, const QStringList &paths, F &&call)
{
    if (const int error = plannedFailure(op))
        return record(op, paths, error, true);
    return record(op, paths, std::forward<F>(call)(), false);
}

bool FaultInjectingFileService::folderExists(const QString &path)
{
    return m_inner.folderExists(path);
}

bool FaultInjectingFileService::fileExists(const QString &path)
{
    return m_inner.fileExists(path);
}

int FaultInjectingFileService::listFiles(const QString &folder, std::vector<FolderFile> &out)
{
    const int result = m_inner.listFiles(folder, out);
    std::function<void(const QString &)> afterListing;
    {
        const QMutexLocker lock(&m_mutex);
        afterListing = m_afterListing;
    }
    if (afterListing)
        afterListing(folder);
    return result;
}

int FaultInjectingFileService::countSubFolders(const QString &folder, int &count)
{
    return m_inner.countSubFolders(folder, count);
}

int FaultInjectingFileService::createFolder(const QString &path)
{
    return changing(QStringLiteral("createFolder"), {path},
                    [&] { return m_inner.createFolder(path); });
}

int FaultInjectingFileService::copyFile(const QString &source, const QString &destination,
                                        bool overwrite)
{
    return changing(QStringLiteral("copyFile"), {source, destination},
                    [&] { return m_inner.copyFile(source, destination, overwrite); });
}

int FaultInjectingFileService::moveFile(const QString &source, const QString &destination)
{
    return changing(QStringLiteral("moveFile"), {source, destination},
                    [&] { return m_inner.moveFile(source, destination); });
}

int FaultInjectingFileService::replaceFile(const QString &source, const QString &destination)
{
    return changing(QStringLiteral("replaceFile"), {source, destination},
                    [&] { return m_inner.replaceFile(source, destination); });
}

int FaultInjectingFileService::deleteFile(const QString &path, bool force)
{
    return changing(QStringLiteral("deleteFile"), {path},
                    [&] { return m_inner.deleteFile(path, force); });
}

int FaultInjectingFileService::deleteFolder(const QString &path, bool force)
{
    return changing(QStringLiteral("deleteFolder"), {path},
                    [&] { return m_inner.deleteFolder(path, force); });
}

int FaultInjectingFileService::fileLen(const QString &path, qint64 &size)
{
    return m_inner.fileLen(path, size);
}

int FaultInjectingFileService::getAttr(const QString &path, int &attributes)
{
    return m_inner.getAttr(path, attributes);
}

int FaultInjectingFileService::setAttr(const QString &path, int attributes)
{
    return changing(QStringLiteral("setAttr"), {path},
                    [&] { return m_inner.setAttr(path, attributes); });
}

QString FaultInjectingFileService::dir(const QString &path, int attributeMask)
{
    return m_inner.dir(path, attributeMask);
}

int FaultInjectingFileService::readFile(const QString &path, QByteArray &data, qint64 maxBytes)
{
    return m_inner.readFile(path, data, maxBytes);
}

int FaultInjectingFileService::writeFileAtomic(const QString &path, const QByteArray &data)
{
    return changing(QStringLiteral("writeFileAtomic"), {path},
                    [&] { return m_inner.writeFileAtomic(path, data); });
}

std::optional<QString> FaultInjectingFileService::hostPath(const QString &path)
{
    return m_inner.hostPath(path);
}

} // namespace bg::test
