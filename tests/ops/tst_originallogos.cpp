// Windows' own logos are kept at their first replacement and come back byte for byte.
#include "ops/LogoApplier.h"
#include "ops/OriginalLogos.h"
#include "platform/DosAttributes.h"
#include "platform/RuntimeError.h"
#include "support/FaultInjectingFileService.h"
#include "support/PictureFactory.h"
#include "support/TempPrefix.h"

#include <QTest>

using namespace bg;
using namespace bg::test;

namespace {
const QString Windows = QStringLiteral("C:\\WINDOWS\\"), Logos = QStringLiteral("C:\\Logos\\");

QByteArray logo(int shade)
{
    return pictures::bmp(QSize(320, 400), 8).replace(1078, 1, QByteArray(1, char(shade)));
}
} // namespace

class TestOriginalLogos : public QObject
{
    Q_OBJECT
private slots:
    // Two applies, then the original back: the first system file (or none at all) returns, and
    // stays kept. A failure keeping the original stops the apply; one restoring changes nothing.
    void roundTrip_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<bool>("hadOriginal"); // else the slot had no system file
        QTest::addColumn<QString>("failing");  // the call that fails at the first apply or the restore
        QTest::newRow("LOGO.SYS") << 0 << true << "";
        QTest::newRow("no LOGO.SYS at first") << 0 << false << "";
        QTest::newRow("LOGOS.SYS") << 2 << true << "";
        QTest::newRow("original cannot be kept") << 1 << true << "createFolder";
        QTest::newRow("original cannot come back") << 1 << true << "copyFile";
    }
    void roundTrip()
    {
        QFETCH(int, slot);
        QFETCH(bool, hadOriginal);
        QFETCH(QString, failing);
        TempPrefix machine;
        const QString system = systemFilePath(LogoSlot(slot), Windows);
        QVERIFY(!hadOriginal || machine.writeFile(system, logo(1)));
        QVERIFY(machine.writeFile(Logos + "a.bmp", logo(2)) && machine.writeFile(Logos + "b.bmp", logo(3)));
        FaultInjectingFileService files(machine.files());
        const OriginalLogos originals(files, Windows);
        QCOMPARE(originals.restore(LogoSlot(slot)).result, OriginalLogos::Restore::NothingKept);

        if (failing == "createFolder")
            files.failEveryCallOf(failing, rt::DiskFull);
        const ApplyOutcome first = LogoApplier(files).apply(Logos + "a.bmp", Logos, "a.bmp", LogoSlot(slot), Windows);
        if (failing == "createFolder") {
            QCOMPARE(first.result, ApplyResult::OriginalNotKept);
            QVERIFY(machine.readFile(system) == logo(1) && machine.readFile(Logos + "a.bmp") == logo(2));
            QVERIFY(!originals.isKept(LogoSlot(slot)));
            return;
        }
        QCOMPARE(first.result, ApplyResult::Applied);
        QCOMPARE(LogoApplier(files).apply(Logos + "b.bmp", Logos, "b.bmp", LogoSlot(slot), Windows).result,
                 ApplyResult::Applied);
        QCOMPARE(machine.readFile(system), logo(3));

        if (!failing.isEmpty())
            files.failEveryCallOf(failing, rt::DiskFull);
        const OriginalLogos::RestoreOutcome back = originals.restore(LogoSlot(slot));
        QCOMPARE(back.result, failing.isEmpty() ? OriginalLogos::Restore::Restored : OriginalLogos::Restore::Failed);
        QCOMPARE(machine.readFile(system), failing.isEmpty() ? (hadOriginal ? logo(1) : QByteArray()) : logo(3));
        QCOMPARE(machine.exists(system), hadOriginal || !failing.isEmpty());
        int attributes = -1;
        QVERIFY(!hadOriginal || (files.getAttr(system, attributes) == rt::Ok && attributes == attr::Hidden));
        QVERIFY(originals.isKept(LogoSlot(slot)));
    }
};

QTEST_MAIN(TestOriginalLogos)
#include "tst_originallogos.moc"
