#include "platform/SingleInstance.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

using bg::SingleInstance;

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void secondStartSeesTheFirst();
    void namesAreKeptApart();
    void lockEndsWithItsHolder();

private:
    QTemporaryDir m_runtime;
};

void TestSingleInstance::initTestCase()
{
    QVERIFY(m_runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    QCOMPARE(SingleInstance::lockDirectory(), m_runtime.path());
}

void TestSingleInstance::secondStartSeesTheFirst()
{
    // flock() locks belong to the open file, so two holders in one process exclude each other
    // just as two processes do.
    SingleInstance first(QStringLiteral("/home/ann/.local/share/bootgallery"));
    QVERIFY(!first.anotherIsRunning());
    SingleInstance second(QStringLiteral("/home/ann/.local/share/bootgallery"));
    QVERIFY(second.anotherIsRunning());
    const QStringList files = QDir(m_runtime.path()).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY(!files.first().contains(u'/'));
    QVERIFY(files.first().startsWith(QStringLiteral("bootgallery-")));
}

void TestSingleInstance::namesAreKeptApart()
{
    SingleInstance a(QStringLiteral("/prefix/one"));
    SingleInstance b(QStringLiteral("/prefix/two"));
    const QString longName(400, u'x');
    SingleInstance c(longName);
    SingleInstance d(longName + u'y');
    QVERIFY(!a.anotherIsRunning());
    QVERIFY(!b.anotherIsRunning());
    QVERIFY(!c.anotherIsRunning());
    QVERIFY(!d.anotherIsRunning());
}

void TestSingleInstance::lockEndsWithItsHolder()
{
    {
        SingleInstance first(QStringLiteral("again"));
        QVERIFY(!first.anotherIsRunning());
    }
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

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
