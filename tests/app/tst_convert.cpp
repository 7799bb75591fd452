// bootgallery --convert: what it writes where, what it refuses, and how it is asked.
#include "app/CommandLineOptions.h"
#include "app/ConvertCommand.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace bg;

class TestConvert : public QObject
{
    Q_OBJECT

private slots:
    void usage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode"); // -1: a conversion to run
        QTest::newRow("no picture") << QStringList{"--convert"} << 2;
        QTest::newRow("three files") << QStringList{"--convert", "a", "b", "c"} << 2;
        QTest::newRow("--fill alone") << QStringList{"a.png", "--fill"} << 2;
        QTest::newRow("all options") << QStringList{"--fill", "--convert", "a.png", "--animate", "--force"} << -1;
    }
    void usage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        const OptionsDecision d = decideOptions(arguments);
        QCOMPARE(d.convert ? -1 : d.exitCode, exitCode);
        QCOMPARE(d.run, false);
        if (d.convert)
            QVERIFY(d.conversion.picture == "a.png" && d.conversion.output.isEmpty() && d.conversion.force &&
                    d.conversion.options.animatedBand && d.conversion.options.fit == LogoFit::Fill);
    }

    // Each row: the files there first, the request (names in the folder), the exit code and
    // the files there afterwards ("logo" for a converted logo).
    void convert_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("request"); // picture, output, "force"
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("after");
        const QStringList png{"p.png=png"};
        QTest::newRow("default name") << png << QStringList{"p.png", ""} << 0 << QStringList{"p.bmp=logo", "p.png=png"};
        QTest::newRow("output named") << png << QStringList{"p.png", "o.bmp"} << 0 << QStringList{"o.bmp=logo", "p.png=png"};
        QTest::newRow("existing kept") << QStringList{"p.bmp=old", "p.png=png"} << QStringList{"p.png", ""} << 1
                                       << QStringList{"p.bmp=old", "p.png=png"};
        QTest::newRow("existing forced") << QStringList{"p.bmp=old", "p.png=png"} << QStringList{"p.png", "", "force"}
                                         << 0 << QStringList{"p.bmp=logo", "p.png=png"};
        QTest::newRow("picture itself") << QStringList{"p.bmp=png"} << QStringList{"p.bmp", "", "force"} << 1
                                        << QStringList{"p.bmp=png"};
        QTest::newRow("unreadable") << QStringList{"p.png=old"} << QStringList{"p.png", ""} << 1 << QStringList{"p.png=old"};
        QTest::newRow("missing") << QStringList() << QStringList{"p.png", ""} << 1 << QStringList();
    }
    void convert()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, request);
        QFETCH(int, exitCode);
        QFETCH(QStringList, after);
        QTemporaryDir dir;
        const QDir folder(dir.path());
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        for (const QString &entry : before) {
            const QStringList kv = entry.split('=');
            QFile f(folder.filePath(kv[0]));
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (kv[1] == "png")
                QVERIFY(picture.save(&f, "PNG"));
            else
                f.write(kv[1].toUtf8());
        }
        const ConvertRequest r{folder.filePath(request[0]), request[1].isEmpty() ? QString() : folder.filePath(request[1]),
                               {}, request.value(2) == "force"};
        const ConvertOutcome outcome = runConvert(r);
        QCOMPARE(outcome.exitCode, exitCode);
        QVERIFY(outcome.message.startsWith(exitCode ? "bootgallery：" : "已將") && outcome.message.endsWith('\n'));
        QStringList found;
        for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden)) {
            QFile f(folder.filePath(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            const QImage image = QImage::fromData(bytes);
            found << name + '=' + (bytes.size() == 129078 && image.size() == QSize(320, 400) ? "logo"
                                   : image.size() == picture.size()                        ? "png"
                                                                                           : QString(bytes));
        }
        QCOMPARE(found, after);
    }

    // The program itself converts without a display.
    void withoutDisplay()
    {
        QTemporaryDir dir;
        QImage picture(64, 64, QImage::Format_RGB32);
        picture.fill(Qt::yellow);
        QVERIFY(picture.save(dir.filePath("a.jpg")));
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY"), env.remove("WAYLAND_DISPLAY"), env.insert("QT_QPA_PLATFORM", "no-such-platform");
        tool.setProcessEnvironment(env);
        tool.start(qEnvironmentVariable("BOOTGALLERY_TEST_BINARY_DIR") + "/bootgallery",
                   {"--convert", dir.filePath("a.jpg"), "--animate"});
        QVERIFY(tool.waitForFinished(20000));
        QCOMPARE(std::pair(tool.exitStatus(), tool.exitCode()), std::pair(QProcess::NormalExit, 0));
        QCOMPARE(QImage(dir.filePath("a.bmp")).size(), QSize(320, 400));
    }
};

QTEST_MAIN(TestConvert)
#include "tst_convert.moc"
