#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/stat.h>

// Host paths as the file service meets them: their bytes, their parts, and the few questions it
// asks of them. Internal to the platform layer. Safe to call from any thread.
namespace bg::hostfs {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

inline QByteArray enc(const QString &path)
{
    return QFile::encodeName(path);
}

// Read-only as Windows sees a host file: nobody may write it. Checked here rather than left to
// the kernel, which lets a privileged user write anyway.
inline bool isReadOnly(const struct stat &st)
{
    return (st.st_mode & kWriteBits) == 0;
}

// The folder holding a host path ("/" for a path directly under the root).
QString parentOf(const QString &hostPath);
// The last component of a host path.
QString baseName(const QString &hostPath);

} // namespace bg::hostfs
