#include "platform/JobChannel.h"
#include "platform/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using bg::JobServer;
using bg::SingleInstance;

class TestSingleInstance : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime;

private slots:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        QCOMPARE(SingleInstance::lockDirectory(), m_runtime.path());
    }

    // flock() locks belong to the open file, so two holders in one process exclude each other
    // just as two processes do.
    void secondStartSeesTheFirst()
    {
        SingleInstance first(QStringLiteral("/home/ann/.local/share/bootgallery"));
        QVERIFY(!first.anotherIsRunning());
        SingleInstance second(QStringLiteral("/home/ann/.local/share/bootgallery"));
        QVERIFY(second.anotherIsRunning());
        QCOMPARE(QDir(m_runtime.path()).entryList(QDir::Files).size(), 1);
    }

    // Different prefixes, long names differing only at the end included, do not collide.
    void namesAreKeptApart()
    {
        const SingleInstance a(QString(400, u'x')), b(QString(400, u'x') + u'y');
        QVERIFY(!a.anotherIsRunning() && !b.anotherIsRunning());
    }

    void lockEndsWithItsHolder()
    {
        std::optional<SingleInstance> first(std::in_place, QStringLiteral("again"));
        QVERIFY(!first->anotherIsRunning());
        first.reset();
        SingleInstance next(QStringLiteral("again"));
        QVERIFY(!next.anotherIsRunning());
        // The descriptor is not inherited by programs the tool starts.
        QDir fds(QStringLiteral("/proc/self/fd"));
        bool sawCloexec = false;
        for (const QString &fd : fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            if (QFile::symLinkTarget(fds.filePath(fd)).endsWith(QStringLiteral("again.lock"))) {
                QVERIFY(::fcntl(fd.toInt(), F_GETFD) & FD_CLOEXEC);
                sawCloexec = true;
            }
        }
        QVERIFY(sawCloexec);
    }

    // The jobs' socket lies beside the lock. One left by a copy that ended is taken over; one a
    // running copy answers is left to it.
    void jobServerTakesOnlyAnAbandonedSocket()
    {
        const QString name = SingleInstance::serverName(QStringLiteral("jobs"));
        QCOMPARE(QFileInfo(name).path(), m_runtime.path());
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(name).constData(), sizeof address.sun_path);
        const int abandoned = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(::bind(abandoned, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
        ::close(abandoned); // its file stays, as a copy that crashed leaves it
        JobServer first, second;
        QVERIFY(first.listen(name));
        QVERIFY(!second.listen(name));
        QLocalSocket client;
        client.connectToServer(name);
        QVERIFY(client.waitForConnected(1000)); // still the first one's
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
