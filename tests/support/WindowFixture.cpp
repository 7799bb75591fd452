#include "support/WindowFixture.h"

#include "platform/PrivateProfile.h"
#include "support/PictureFactory.h"
#include "ui/LogoList.h"

#include <QTest>

namespace bg::test {

WindowFixture::WindowFixture(const QString &commandText, const QString &programFolder)
{
    services.reset(new Services{tmp.prefix(), tmp.files(), desktop, pictures, programFolder,
                                commandText, false});
}

WindowFixture::~WindowFixture()
{
    window.reset();
}

FaultInjectingFileService &WindowFixture::injectFaults()
{
    faults = std::make_unique<FaultInjectingFileService>(tmp.files());
    services.reset(new Services{tmp.prefix(), *faults, desktop, pictures, services->programFolder,
                                services->commandText, services->previousInstance});
    return *faults;
}

FrmLogo &WindowFixture::create()
{
    if (!window)
        window = std::make_unique<FrmLogo>(*services);
    return *window;
}

LoadOutcome WindowFixture::load()
{
    create();
    return window->Form_Load();
}

void WindowFixture::writeSettings(const QString &text)
{
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QByteArray bytes;
    if (!cp950::encode(crlf, bytes))
        QTest::qFail("settings text is not code page 950", __FILE__, __LINE__);
    tmp.writeFile(windowsFolder() + QStringLiteral("SW.ini"), bytes);
}

QByteArray WindowFixture::settingsBytes() const
{
    return tmp.readFile(windowsFolder() + QStringLiteral("SW.ini"));
}

bool WindowFixture::writeLogo(const QString &windowsPath, int shade)
{
    QByteArray bytes = pictures::bmp(QSize(320, 400), 8);
    // A different pixel per logo, so two logos are never the same file.
    if (shade != 0 && bytes.size() > 1078)
        bytes[1078] = char(shade & 0xFF);
    return tmp.writeFile(windowsPath, bytes);
}

bool WindowFixture::writeLogos(const QString &folder, const QStringList &names)
{
    int shade = 1;
    for (const QString &name : names)
        if (!writeLogo(folder + name, shade++))
            return false;
    return true;
}

QStringList WindowFixture::entries() const
{
    QStringList out;
    if (!window)
        return out;
    LogoList *list = window->lstSys;
    const int n = list->entryCount();
    for (int i = 0; i < n; ++i)
        out.append(list->entryText(i));
    return out;
}

} // namespace bg::test
