#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// One call of an mtools command (Debian's mtools) on the FAT volume of a disk image, and the
// spelling of paths in its calls. Internal to the platform layer.
namespace bg::fat {

struct MtoolsResult
{
    bool finished = false; // false: it could not start, or it was ended at its timeout
    int exitCode = -1;
    QByteArray out;
    QString err; // the diagnostics, decoded

    bool ok() const { return finished && exitCode == 0; }
    // The run-time error number for a failed call, from what mtools said (75 when it said
    // nothing telling). "not found" answers are left to the caller, which knows the path.
    int error() const;
    bool notFound() const;
};

class Mtools
{
public:
    // The FAT volume that starts offset bytes into the image file.
    Mtools(const QString &imagePath, qint64 offset);

    // False when the image path cannot be given to mtools (it holds "@@").
    bool usable() const { return m_usable; }

    // Runs the command (mdir, mcopy, ...) with the arguments after "-i IMAGE@@OFFSET", with our
    // own configuration file (never the user's), the C.UTF-8 locale, no terminal (standard
    // input is empty and it runs in a session of its own, without a controlling terminal, so a
    // question is never answered), and ended (SIGKILL) after timeoutMs.
    // fileSizeLimit >= 0 caps every file the command writes (RLIMIT_FSIZE; a longer one is
    // cut there and the command goes on with the next).
    MtoolsResult run(const char *command, const QStringList &arguments, int timeoutMs,
                     qint64 fileSizeLimit = -1) const;

private:
    QString m_target;
    bool m_usable = true;
};

// A path inside the volume, split from its Windows form (\WINDOWS\LOGOW.SYS, no drive letter).
struct VolumePath
{
    QStringList components; // empty for the root folder
    bool valid = true;      // false: a component no FAT name can be

    static VolumePath parse(const QString &windowsPath);
    bool isRoot() const { return components.isEmpty(); }
    QString name() const { return components.isEmpty() ? QString() : components.last(); }
    VolumePath parent() const;
    VolumePath child(const QString &name) const;
    // The argument naming an existing entry ("::/WINDOWS/LOGO.SYS"): every component is an
    // mtools pattern, so '[' is escaped as "[[]" (mtools reads "[...]" as a set of characters).
    QString existing() const;
    // The argument naming an entry to create: the folders as patterns, the last name as it is.
    QString created() const;
    // The argument for every entry of this folder ("::/WINDOWS/*").
    QString allEntries() const;
};

// True for a name no FAT directory entry can hold (empty, "." or "..", a control character, one
// of \ / : * ? " < > |, or a trailing dot or blank, which Windows drops).
bool isBadName(const QString &name);

} // namespace bg::fat
