#include "platform/HelperProgram.h"

#include <QProcess>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace bg {

HelperResult runHelper(const QString &program, const QStringList &arguments, int timeoutMs,
                       const HelperOptions &options)
{
    HelperResult result;
    QProcess process;
    if (!options.environment.isEmpty())
        process.setProcessEnvironment(options.environment);
    if (!options.workingDirectory.isEmpty())
        process.setWorkingDirectory(options.workingDirectory);
    if (!options.errorFile.isEmpty())
        process.setStandardErrorFile(options.errorFile);
    process.setStandardInputFile(QProcess::nullDevice());
    if (options.ownSession || options.fileSizeLimit >= 0) {
        process.setChildProcessModifier([ownSession = options.ownSession,
                                         limit = options.fileSizeLimit] {
            if (ownSession)
                ::setsid();
            if (limit >= 0) {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit cap{rlim_t(limit), rlim_t(limit)};
                ::setrlimit(RLIMIT_FSIZE, &cap);
            }
        });
    }
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(timeoutMs))
        return result;
    result.started = true;
    // A program that ended before the wait began counts as finished, not as timed out.
    if (!process.waitForFinished(timeoutMs) && process.state() != QProcess::NotRunning) {
        result.timedOut = true;
        process.kill();
        process.waitForFinished(-1);
    } else if (process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

} // namespace bg
