#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace bg {

// What a helper program (qemu-img, qemu-storage-daemon, fusermount3, sfdisk, mtools) did.
struct HelperResult
{
    bool started = false;  // false: not installed or not executable
    bool timedOut = false; // it ran longer than allowed and was killed
    int exitCode = -1;     // its status when it ended on its own; -1 after a signal
    QByteArray out;
    QByteArray err;        // empty when the diagnostics went to a file

    bool succeeded() const { return started && !timedOut && exitCode == 0; }
    // It ran to its end on its own (whatever its status).
    bool ended() const { return started && !timedOut && exitCode >= 0; }
};

// How a helper runs, beyond its arguments.
struct HelperOptions
{
    // Its whole environment; the program's own when empty.
    QProcessEnvironment environment = QProcessEnvironment();
    QString workingDirectory = QString();
    // Its diagnostics go to this file rather than a pipe: should this program die during the
    // call, the helper still runs to its end instead of dying of SIGPIPE at its next message.
    QString errorFile = QString();
    // A session of its own: no terminal to ask the user on, and no Ctrl+C or hang-up of ours
    // cuts its work short.
    bool ownSession = false;
    // When >= 0, every file it writes is capped there (RLIMIT_FSIZE): a longer write fails
    // (EFBIG) instead of ending the helper.
    qint64 fileSizeLimit = -1;
};

// Runs a program with the arguments (no shell) and waits for its end, at most timeoutMs; a
// program still running then is killed. Blocks the calling thread without an event loop: meant
// for workers. Its standard input is empty.
HelperResult runHelper(const QString &program, const QStringList &arguments, int timeoutMs,
                       const HelperOptions &options = HelperOptions());

} // namespace bg
