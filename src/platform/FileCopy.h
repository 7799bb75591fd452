#pragma once

#include <QString>
#include <QtGlobal>

namespace bg::hostfs {

class TempFile;
struct HostEntry;

// Writes all of data to fd, retrying short writes; 0 or errno.
int writeAll(int fd, const char *data, qint64 size);

// Copies everything from the current offset of `in` to `out`; 0 or errno.
int copyContent(int in, int out, qint64 expectedSize);

// Copies a regular file (through a link at the source: reading follows it) with its times and
// attributes into a new temporary file in the destination's folder; the caller puts it in place.
// 0 or a run-time error number.
int copyToTemp(const HostEntry &source, const HostEntry &destination, TempFile &temp);

} // namespace bg::hostfs
