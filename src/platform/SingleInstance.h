#pragma once

#include <QString>

namespace bg {

// The previous-instance flag: a lock in the user's runtime directory held for the life of the
// process. A second start for the same user (and the same prefix) sees the lock taken.
class SingleInstance
{
public:
    // lockName distinguishes prefixes so tests can run side by side.
    explicit SingleInstance(const QString &lockName);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when another process holds the lock. When no lock can be made at all (no usable
    // directory), nothing says another copy runs.
    bool anotherIsRunning() const { return m_another; }

    static QString lockDirectory();
    // Where the copy that holds the lock takes the jobs of later starts (a local socket beside
    // the lock, so keyed by the same name).
    static QString serverName(const QString &lockName);

private:
    int m_fd = -1;
    bool m_another = false;
};

} // namespace bg
