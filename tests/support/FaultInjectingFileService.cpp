#include "support/FaultInjectingFileService.h"

#include <QMutexLocker>

#include <utility>

namespace bg::test {

void FaultInjectingFileService::plan(const Fault &fault)
{
    const QMutexLocker lock(&m_mutex);
    m_faults.append(fault);
}

void FaultInjectingFileService::setAfterListing(std::function<void(const QString &folder)> hook)
{
    const QMutexLocker lock(&m_mutex);
    m_afterListing = std::move(hook);
}

void FaultInjectingFileService::setBeforeCallOf(const QString &op, std::function<void()> hook)
{
    const QMutexLocker lock(&m_mutex);
    m_beforeOp = op, m_before = std::move(hook);
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

template<typename F>
int FaultInjectingFileService::changing(const QString &op, const QStringList &paths, F &&call)
{
    int error = 0;
    std::function<void()> before;
    {
        const QMutexLocker lock(&m_mutex);
        if (op == m_beforeOp)
            before = m_before;
        const int overall = ++m_count, ofKind = ++m_countOf[op];
        for (const Fault &f : std::as_const(m_faults)) {
            const int nth = f.op.isEmpty() ? overall : ofKind;
            if ((f.op.isEmpty() || f.op == op) && (f.nth == 0 || f.nth == nth || (f.onward && nth > f.nth))) {
                error = f.error;
                break;
            }
        }
    }
    if (before)
        before();
    const int result = error ? error : std::forward<F>(call)();
    const QMutexLocker lock(&m_mutex);
    m_log.append({op, paths, result, error != 0});
    return result;
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

int FaultInjectingFileService::createFolder(const QString &path)
{
    return changing(QStringLiteral("createFolder"), {path}, [&] { return m_inner.createFolder(path); });
}

int FaultInjectingFileService::copyFile(const QString &source, const QString &destination, bool overwrite)
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
    return changing(QStringLiteral("deleteFile"), {path}, [&] { return m_inner.deleteFile(path, force); });
}

int FaultInjectingFileService::deleteFolder(const QString &path, bool force)
{
    return changing(QStringLiteral("deleteFolder"), {path}, [&] { return m_inner.deleteFolder(path, force); });
}

int FaultInjectingFileService::setAttr(const QString &path, int attributes)
{
    return changing(QStringLiteral("setAttr"), {path}, [&] { return m_inner.setAttr(path, attributes); });
}

int FaultInjectingFileService::writeFileAtomic(const QString &path, const QByteArray &data)
{
    return changing(QStringLiteral("writeFileAtomic"), {path}, [&] { return m_inner.writeFileAtomic(path, data); });
}

} // namespace bg::test
