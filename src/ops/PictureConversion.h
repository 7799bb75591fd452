#pragma once

#include "platform/Desktop.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace bg {

class FileService;
class PictureLoader;

// The name a picture's logo takes: the picture's name with ".bmp" for its extension.
QString convertedLogoName(const QString &fileName);

// Whether the file is a picture the conversion can read: any format of Qt's image readers, or one
// the tool's own loader takes (metafiles). Reads the header only where that tells.
bool canConvert(FileService &files, const PictureLoader &pictures, const QString &windowsPath);

// Whether the file holds a bitmap the boot screen can show (see LogoBitmap). A file that cannot
// be read is not judged here: it counts as one, and the step that needs it reports the error.
bool isBootBitmap(FileService &files, const QString &windowsPath);

// Pictures on their way to becoming logos. Each conversion is kept for the choice it was made
// with, so the logo the user saw in the preview is the one written. One picture is held decoded at
// a time. Safe to use from several threads.
class LogoConversions
{
public:
    LogoConversions(FileService &files, const PictureLoader &pictures, QStringList windowsPaths);

    const QStringList &paths() const { return m_paths; }
    // The file names, for the conversion window.
    QStringList names() const;

    // The logo file's bytes for picture `index`; empty when the picture does not load.
    QByteArray logo(int index, ConversionChoice choice);
    // The logo as the boot screen shows it, its palette as it starts.
    BootFrame bootScreen(int index, ConversionChoice choice);
    // bootScreen() for ConversionOffer::preview; the function holds this object.
    static std::function<BootFrame(int, ConversionChoice)>
    previewOf(const std::shared_ptr<LogoConversions> &conversions);

private:
    struct Made
    {
        bool done = false;
        ConversionChoice choice;
        QByteArray logo;
    };

    QImage picture(int index); // m_lock held

    FileService &m_files;
    const PictureLoader &m_pictures;
    const QStringList m_paths;
    std::mutex m_lock;
    std::vector<Made> m_made;
    int m_decodedIndex = -1;
    QImage m_decoded;
};

// What a conversion job came to.
struct ConversionOutcome
{
    int converted = 0; // pictures written before the job ended
    int error = 0;     // the run-time error that ended it (481: a picture no longer loads)
};

// Converts pictures on a worker thread and hands each logo to a writer there, in order; the first
// writer error ends the job. progressed() and finished() arrive on the owner's thread. The
// destructor waits for the worker.
class ConversionJob : public QObject
{
    Q_OBJECT
public:
    // Writes picture `index`'s logo; returns 0 or a run-time error. Runs on the worker.
    using Writer = std::function<int(int index, const QByteArray &logo)>;

    explicit ConversionJob(QObject *parent = nullptr);
    ~ConversionJob() override;

    // Converts the pictures `indices` (positions in conversions->paths()) with the choice.
    void start(std::shared_ptr<LogoConversions> conversions, std::vector<int> indices,
               ConversionChoice choice, Writer writer);
    bool isRunning() const { return m_running; }

signals:
    void progressed(int done, int total);
    void finished(bg::ConversionOutcome outcome);

private:
    QThreadPool m_pool;
    bool m_running = false;
};

} // namespace bg
