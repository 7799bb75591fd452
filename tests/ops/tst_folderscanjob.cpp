// The folder scan's worker: what it delivers, in which order, and how a scan is ended.
#include "core/LogoTests.h"
#include "ops/FolderScanJob.h"
#include "platform/PictureLoader.h"
#include "support/FaultInjectingFileService.h"
#include "support/PictureFactory.h"
#include "support/TempPrefix.h"

#include <QFile>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace bg;
using namespace bg::test;

class TestFolderScanJob : public QObject
{
    Q_OBJECT

    TempPrefix tmp;
    FaultInjectingFileService files{tmp.files()};
    PictureLoader pictures{96.0, 96.0};
    LogoTester tester{files, pictures};
    QStringList many; // the logos of the Many folder

    static QStringList namesIn(const QSignalSpy &batches)
    {
        QStringList names;
        for (const QVariantList &batch : batches)
            names += batch[0].toStringList();
        names.sort();
        return names;
    }

private slots:
    void initTestCase()
    {
        const QByteArray logo = pictures::bmp(QSize(320, 400), 8);
        QVERIFY(tmp.writeFile("C:\\Many\\logo.bmp", logo) && tmp.writeFile("C:\\Few\\x.bmp", logo));
        QVERIFY(tmp.writeFile("C:\\Many\\noise.bmp", QByteArray(129078, 'x')));
        QVERIFY(tmp.writeFile("C:\\Many\\Showed\\used.bmp", logo));
        // Links to the logo, more names than two batches hold (512 each).
        many.append("logo.bmp");
        for (int i = 0; i < 1100; ++i) {
            many.append(QStringLiteral("link%1.bmp").arg(i, 4, 10, QLatin1Char('0')));
            QVERIFY(QFile::link("logo.bmp", tmp.host("C:\\Many\\") + '/' + many.last()));
        }
        many.sort();
    }

    void deliversInOrderAndFinishesOnce()
    {
        FolderScanJob job(files, tester);
        QSignalSpy batches(&job, &FolderScanJob::logosFound);
        QSignalSpy progress(&job, &FolderScanJob::progressed);
        QSignalSpy finished(&job, &FolderScanJob::finished);
        job.start("C:\\Many\\");
        QVERIFY(job.isRunning() && finished.wait(10000) && !job.isRunning());
        QCOMPARE(finished, (QList<QVariantList>{{1102, true}}));
        QCOMPARE(namesIn(batches), many);
        QVERIFY(batches.size() >= 3);
        for (int i = 1; i < progress.size(); ++i) // progress only grows, up to 100
            QVERIFY(progress[i][0].toDouble() >= progress[i - 1][0].toDouble());
        QCOMPARE(progress.last()[0].toDouble(), 100.0);
    }

    void endedScanDeliversNothingMore_data()
    {
        QTest::addColumn<QString>("end"); // cancel, start (another folder) or destroy
        QTest::addColumn<bool>("held"); // after its listing, or with all it sent still queued
        for (const char *end : {"cancel", "start", "destroy"}) {
            QTest::addRow("%s while held", end) << QString(end) << true;
            QTest::addRow("%s with deliveries queued", end) << QString(end) << false;
        }
    }
    void endedScanDeliversNothingMore()
    {
        QFETCH(QString, end);
        QFETCH(bool, held);
        QSemaphore entered, gate;
        if (held)
            files.setAfterListing([&](const QString &folder) {
                if (!folder.contains("Many"))
                    return;
                entered.release();
                gate.acquire();
            });
        auto job = std::make_unique<FolderScanJob>(files, tester);
        const auto release = qScopeGuard([&] {
            files.setAfterListing(nullptr);
            gate.release();
        });
        QSignalSpy batches(job.get(), &FolderScanJob::logosFound);
        QSignalSpy progressed(job.get(), &FolderScanJob::progressed);
        QSignalSpy finished(job.get(), &FolderScanJob::finished);
        job->start("C:\\Many\\");
        if (held)
            QVERIFY(entered.tryAcquire(1, 10000));
        else
            QThread::msleep(200); // no events run: what the worker sends waits in the queue
        if (end == "destroy") { // safe while the worker runs or its deliveries wait
            gate.release();
            job.reset();
            return;
        }
        if (end == "cancel") {
            job->cancel();
            QVERIFY(!job->isRunning());
        }
        // One worker: the next scan starts once the old one stopped, and ends after all it sent.
        job->start("C:\\Few\\");
        gate.release();
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished, (QList<QVariantList>{{1, false}}));
        QCOMPARE(namesIn(batches), QStringList{"x.bmp"});
        QVERIFY(!progressed.isEmpty());
        for (const QVariantList &p : progressed) // the old scan's would be below 100
            QCOMPARE(p[0].toDouble(), 100.0);
    }
};

QTEST_MAIN(TestFolderScanJob)
#include "tst_folderscanjob.moc"
