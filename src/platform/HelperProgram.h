#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace bg {

// What a helper program (qemu-img, qemu-storage-daemon, fusermount3) did.
struct HelperResult
{
    bool started = false;  // false: not installed or not executable
    bool timedOut = false; // it ran longer than allowed and was killed
    int exitCode = -1;     // its status when it ended on its own; -1 after a signal
    QByteArray out;
    QByteArray err;

    bool succeeded() const { return started && !timedOut && exitCode == 0; }
};

// Runs a program with the arguments (no shell) and waits for its end, at most timeoutMs; a
// program still running then is killed. Blocks the calling thread without an event loop: meant
// for workers. Its standard input is empty.
HelperResult runHelper(const QString &program, const QStringList &arguments, int timeoutMs);

} // namespace bg
