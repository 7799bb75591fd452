#pragma once

#include <QString>

// DOS file attributes as the Windows file functions use them.
namespace bg::attr {

constexpr int Normal = 0;
constexpr int ReadOnly = 1;
constexpr int Hidden = 2;
constexpr int System = 4;
constexpr int Directory = 16;
constexpr int Archive = 32;

// Hidden, system and archive live in the FAT attribute byte on a FAT file system and in the
// extended attribute user.DOSATTRIB ("0x" + hex, as Wine and Samba write it) elsewhere.
// Read-only is "no write bit" on every file system.
//
// Reads the attributes of an existing host path (through a link there); returns -1 with errno
// set when it cannot be read.
int read(const QString &hostPath);
// The same for an open file.
int readFd(int fd);

// Sets the attributes of an existing host path. Hidden/system on a file system that can hold
// neither are dropped without failing. A symbolic link there is refused (70): no attribute,
// mode or byte is ever changed through one. Returns 0 or a run-time error number.
int write(const QString &hostPath, int attributes);
// The same for an open file (a descriptor names its file, never a link).
int writeFd(int fd, int attributes);

// Text form of user.DOSATTRIB for the given attributes ("0x22"); empty for zero.
QByteArray toDosAttribText(int attributes);
// Parses the text form (tolerates a trailing NUL, upper/lower hex, a bare decimal number).
int fromDosAttribText(const QByteArray &text);

} // namespace bg::attr
