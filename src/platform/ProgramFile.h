#pragma once

#include <QByteArray>
#include <QString>

namespace bg {

// Reads a file the tool brings along (the Windows companion program) from the host: the bytes of
// a regular file of at most maxBytes; empty when there is none, it is too large or unreadable.
QByteArray readProgramFile(const QString &hostPath, qint64 maxBytes = 1 << 20);

} // namespace bg
