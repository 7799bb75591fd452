#pragma once

#include "platform/FileDescriptor.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

namespace bg::hostfs {

// A host path resolved once: the folder that holds the entry, held open, and the entry's name in
// it. Every step of an operation acts through the folder's descriptor, so it reaches the same
// folder whatever is renamed or relinked along the path meanwhile. Links along the path are
// followed (logos may live in a linked folder); the entry itself is never followed when it is
// changed. Internal to the platform layer.
struct HostEntry
{
    FileDescriptor dir; // the folder holding the entry (O_PATH); -1 when it could not be opened
    QByteArray name;    // the entry's name in it; "." for a path that is a root
    QString path;       // the host path it was resolved from
    int dirError = 0;   // errno of opening the folder, 0 when it is open

    bool folderOpen() const { return dir.get() >= 0; }
    const char *n() const { return name.constData(); }

    // The entry's status, links followed or not; 0 or errno.
    int stat(struct stat &st, bool followLink) const;
    // The run-time error for an entry that names nothing: 53 when its folder exists, else 76.
    int missingError() const;
};

// Opens the folder of hostPath and keeps the last component's name.
void resolveEntry(const QString &hostPath, HostEntry &entry);

// A descriptor's own path under /proc, naming exactly its file (for calls that take paths).
QByteArray procPath(int fd);

} // namespace bg::hostfs
