#include "ops/PictureConversion.h"

#include "core/BootScreen.h"
#include "core/LogoConversion.h"
#include "core/LogoTests.h"
#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"

#include <QImageReader>

namespace bg {

QString convertedLogoName(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    // A name that is all extension (".png") keeps it as its name.
    const QString base = dot > 0 ? fileName.left(dot) : fileName;
    return base + QStringLiteral(".bmp");
}

bool canConvert(FileService &files, const PictureLoader &pictures, const QString &windowsPath)
{
    if (!files.fileExists(windowsPath))
        return false;
    const auto host = files.hostPath(windowsPath);
    if (!host)
        return false;
    return QImageReader(*host).canRead() || pictures.probeFile(*host).valid();
}

bool isBootBitmap(FileService &files, const QString &windowsPath)
{
    QByteArray bytes;
    const int error = files.readFile(windowsPath, bytes, LogoBitmap::MaxFileBytes);
    if (error == rt::PathFileAccess)
        return false; // larger than any logo bitmap
    return error != rt::Ok || LogoBitmap::parse(bytes).has_value();
}

LogoConversions::LogoConversions(FileService &files, const PictureLoader &pictures,
                                 QStringList windowsPaths)
    : m_files(files),
      m_pictures(pictures),
      m_paths(std::move(windowsPaths)),
      m_made(size_t(m_paths.size()))
{
}

QStringList LogoConversions::names() const
{
    QStringList names;
    for (const QString &path : m_paths)
        names.append(ExtractFileName(path));
    return names;
}

QImage LogoConversions::picture(int index)
{
    if (index != m_decodedIndex) {
        m_decoded = QImage();
        m_decodedIndex = index;
        if (const auto host = m_files.hostPath(m_paths.at(index))) {
            m_decoded = readPicture(*host);
            if (m_decoded.isNull())
                m_decoded = m_pictures.load(*host);
        }
    }
    return m_decoded;
}

QByteArray LogoConversions::logo(int index, ConversionChoice choice)
{
    if (index < 0 || index >= m_paths.size())
        return QByteArray();
    const std::lock_guard lock(m_lock);
    Made &made = m_made[size_t(index)];
    if (!made.done || !(made.choice == choice)) {
        LogoConversionOptions options;
        options.fit = choice.fill ? LogoFit::Fill : LogoFit::Fit;
        options.animatedBand = choice.animatedBand;
        made.logo = convertToLogo(picture(index), options);
        made.choice = choice;
        made.done = true;
    }
    return made.logo;
}

BootFrame LogoConversions::bootScreen(int index, ConversionChoice choice)
{
    const auto bitmap = LogoBitmap::parse(logo(index, choice));
    if (!bitmap)
        return {};
    return {BootScreen(*bitmap).frame(), bitmap->firstAnimated};
}

std::function<BootFrame(int, ConversionChoice)>
LogoConversions::previewOf(const std::shared_ptr<LogoConversions> &conversions)
{
    return [conversions](int index, ConversionChoice choice) {
        return conversions->bootScreen(index, choice);
    };
}

ConversionJob::ConversionJob(QObject *parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
}

ConversionJob::~ConversionJob()
{
    m_pool.waitForDone();
}

void ConversionJob::start(std::shared_ptr<LogoConversions> conversions, std::vector<int> indices,
                          ConversionChoice choice, Writer writer)
{
    m_running = true;
    m_pool.start([this, conversions, indices, choice, writer] {
        ConversionOutcome outcome;
        const int total = int(indices.size());
        for (const int index : indices) {
            const QByteArray logo = conversions->logo(index, choice);
            outcome.error = logo.isEmpty() ? rt::InvalidPicture : writer(index, logo);
            if (outcome.error != rt::Ok)
                break;
            const int done = ++outcome.converted;
            QMetaObject::invokeMethod(
                this, [this, done, total] { emit progressed(done, total); }, Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(
            this,
            [this, outcome] {
                m_running = false;
                emit finished(outcome);
            },
            Qt::QueuedConnection);
    });
}

} // namespace bg
