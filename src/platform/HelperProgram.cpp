#include "platform/HelperProgram.h"

#include <QProcess>

namespace bg {

HelperResult runHelper(const QString &program, const QStringList &arguments, int timeoutMs)
{
    HelperResult result;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
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
