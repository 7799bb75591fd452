// bootgallery_convert_bench: how well and how fast `bootgallery --convert` makes a logo of a
// photograph, side by side with ImageMagick's 256-colour conversion of the same picture in the
// same run. Each conversion is a whole process (decoding included), timed as the median of
// --runs runs. The colour error is the mean CIE76 difference in CIELAB between the picture and
// the logo, both reduced to 160 x 200 by area averaging in linear light (the picture first
// resampled to 1280 x 1600), which is how dithered pixels blend on a screen.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// The photographs: Debian's python3-skimage sample photos and mate-backgrounds' nature photos.
const char *const DefaultPhotos[] = {
    "/usr/lib/python3/dist-packages/skimage/data/astronaut.png",
    "/usr/lib/python3/dist-packages/skimage/data/chelsea.png",
    "/usr/lib/python3/dist-packages/skimage/data/coffee.png",
    "/usr/lib/python3/dist-packages/skimage/data/hubble_deep_field.jpg",
    "/usr/lib/python3/dist-packages/skimage/data/ihc.png",
    "/usr/lib/python3/dist-packages/skimage/data/motorcycle_left.png",
    "/usr/lib/python3/dist-packages/skimage/data/retina.jpg",
    "/usr/lib/python3/dist-packages/skimage/data/rocket.jpg",
    "/usr/share/backgrounds/mate/nature/*.jpg",
};

void say(const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

// --- the colour error --------------------------------------------------------------------------

struct Rgb
{
    double r = 0, g = 0, b = 0;
};

struct Plane
{
    int w = 0, h = 0;
    std::vector<Rgb> px;
};

double linear(int v)
{
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

Plane linearPlane(const QImage &picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    Plane p{image.width(), image.height(), {}};
    p.px.reserve(size_t(p.w) * size_t(p.h));
    for (int y = 0; y < p.h; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < p.w; ++x)
            p.px.push_back({linear(qRed(line[x])), linear(qGreen(line[x])), linear(qBlue(line[x]))});
    }
    return p;
}

// Weights of the source pixels for each of `to` output pixels: the area each covers when
// shrinking, linear interpolation when enlarging.
std::vector<std::vector<std::pair<int, double>>> weights(int from, int to)
{
    std::vector<std::vector<std::pair<int, double>>> all(static_cast<size_t>(to));
    const double scale = double(from) / to;
    for (int i = 0; i < to; ++i) {
        if (scale >= 1) {
            const double a = i * scale, b = (i + 1) * scale;
            for (int j = int(a); j < b && j < from; ++j) {
                const double w = std::min<double>(b, j + 1) - std::max<double>(a, j);
                if (w > 0)
                    all[size_t(i)].push_back({j, w / scale});
            }
        } else {
            const double c = std::clamp((i + 0.5) * scale - 0.5, 0.0, from - 1.0);
            const int j = std::min(int(c), from - 2 < 0 ? 0 : from - 2);
            all[size_t(i)].push_back({j, 1 - (c - j)});
            if (j + 1 < from)
                all[size_t(i)].push_back({j + 1, c - j});
        }
    }
    return all;
}

Plane resize(const Plane &in, int w, int h)
{
    const auto wx = weights(in.w, w), wy = weights(in.h, h);
    Plane rows{w, in.h, std::vector<Rgb>(size_t(w) * size_t(in.h))};
    for (int y = 0; y < in.h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb s;
            for (auto [j, k] : wx[size_t(x)]) {
                const Rgb &c = in.px[size_t(y) * size_t(in.w) + size_t(j)];
                s = {s.r + c.r * k, s.g + c.g * k, s.b + c.b * k};
            }
            rows.px[size_t(y) * size_t(w) + size_t(x)] = s;
        }
    Plane out{w, h, std::vector<Rgb>(size_t(w) * size_t(h))};
    for (int y = 0; y < h; ++y)
        for (auto [j, k] : wy[size_t(y)])
            for (int x = 0; x < w; ++x) {
                const Rgb &c = rows.px[size_t(j) * size_t(w) + size_t(x)];
                Rgb &o = out.px[size_t(y) * size_t(w) + size_t(x)];
                o = {o.r + c.r * k, o.g + c.g * k, o.b + c.b * k};
            }
    return out;
}

Rgb lab(const Rgb &c)
{
    const double x = (0.4124564 * c.r + 0.3575761 * c.g + 0.1804375 * c.b) / 0.95047;
    const double y = 0.2126729 * c.r + 0.7151522 * c.g + 0.0721750 * c.b;
    const double z = (0.0193339 * c.r + 0.1191920 * c.g + 0.9503041 * c.b) / 1.08883;
    const auto f = [](double t) {
        return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
    };
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

double colourError(const QImage &source, const QImage &logo)
{
    const Plane reference = resize(resize(linearPlane(source), 1280, 1600), 160, 200);
    const Plane result = resize(linearPlane(logo), 160, 200);
    double sum = 0;
    for (size_t i = 0; i < reference.px.size(); ++i) {
        const Rgb a = lab(reference.px[i]), b = lab(result.px[i]);
        sum += std::sqrt((a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) +
                         (a.b - b.b) * (a.b - b.b));
    }
    return sum / double(reference.px.size());
}

// --- the runs ----------------------------------------------------------------------------------

// The median wall time of the command in milliseconds; negative when it failed.
double timeCommand(const QString &program, const QStringList &arguments, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        process.start(program, arguments);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            return -1;
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The picture's middle part of 4:3 shape, written beside the others in its own format.
QString cropped(const QString &path, const QDir &into)
{
    const QImage image(path);
    if (image.isNull())
        return QString();
    const int w = image.width(), h = image.height();
    const QRect crop = w * 3 > h * 4 ? QRect((w - h * 4 / 3) / 2, 0, h * 4 / 3, h)
                                     : QRect(0, (h - w * 3 / 4) / 2, w, w * 3 / 4);
    const QFileInfo info(path);
    const QString out = into.filePath(info.fileName());
    return image.copy(crop).save(out, nullptr, 95) ? out : QString();
}

bool isLogo(const QString &path)
{
    const QImage logo(path);
    return QFileInfo(path).size() == 129078 && logo.width() == 320 && logo.height() == 400 &&
           logo.format() == QImage::Format_Indexed8;
}

bool is320x400(const QString &path) { return QImage(path).size() == QSize(320, 400); }

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Logo conversion of photographs against ImageMagick (time and colour error)."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("runs"), QStringLiteral("Runs per conversion (median)."),
                      QStringLiteral("n"), QStringLiteral("3")});
    parser.addOption({QStringLiteral("tool"), QStringLiteral("The bootgallery executable."),
                      QStringLiteral("path"),
                      QCoreApplication::applicationDirPath() + QStringLiteral("/../bootgallery")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("Also write the table as JSON."),
                      QStringLiteral("file")});
    parser.addPositionalArgument(QStringLiteral("photos"),
                                 QStringLiteral("Photographs (default: the Debian packages' ones)."));
    parser.process(app);
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    const QString tool = QFileInfo(parser.value(QStringLiteral("tool"))).absoluteFilePath();

    QStringList photos = parser.positionalArguments();
    if (photos.isEmpty())
        for (const char *pattern : DefaultPhotos) {
            const QFileInfo p(QString::fromUtf8(pattern));
            for (const QFileInfo &f : QDir(p.path(), p.fileName()).entryInfoList(QDir::Files, QDir::Name))
                photos.append(f.absoluteFilePath());
        }
    if (photos.isEmpty()) {
        say(QStringLiteral("No photographs: apt-get install python3-skimage mate-backgrounds"));
        return 1;
    }

    QTemporaryDir work;
    const QDir dir(work.path());
    std::printf("%-26s %11s %9s %9s %7s %7s %6s %6s\n", "picture (4:3 crop)", "size", "IM ms",
                "ours ms", "IM dE", "our dE", "dE/IM", "t/IM");
    QJsonArray rows;
    double sumErrorRatio = 0, sumTimeRatio = 0, worstErrorRatio = 0, worstTimeRatio = 0;
    int count = 0, failures = 0;
    for (const QString &photo : photos) {
        const QString source = cropped(photo, dir);
        if (source.isEmpty()) {
            say(QStringLiteral("Skipped (does not load): ") + photo);
            continue;
        }
        const QString ours = dir.filePath(QStringLiteral("ours.bmp"));
        const QString theirs = dir.filePath(QStringLiteral("im.bmp"));
        const double imTime = timeCommand(
            QStringLiteral("convert"),
            {source, QStringLiteral("-resize"), QStringLiteral("320x400!"), QStringLiteral("-dither"),
             QStringLiteral("FloydSteinberg"), QStringLiteral("-colors"), QStringLiteral("256"),
             QStringLiteral("-type"), QStringLiteral("palette"), QStringLiteral("-compress"),
             QStringLiteral("none"), QStringLiteral("BMP3:") + theirs},
            runs);
        const double ourTime =
            timeCommand(tool, {QStringLiteral("--convert"), source, ours, QStringLiteral("--force")}, runs);
        // ImageMagick writes a picture of few colours or grey shades with a shorter palette:
        // no logo (marked *), yet its colours still count.
        const bool theirsIsLogo = isLogo(theirs);
        if (imTime < 0 || ourTime < 0 || !isLogo(ours) || !is320x400(theirs)) {
            say(QStringLiteral("Failed (a conversion failed or made no logo): ") + photo);
            ++failures;
            continue;
        }
        const QImage picture(source);
        const double imError = colourError(picture, QImage(theirs));
        const double ourError = colourError(picture, QImage(ours));
        const double errorRatio = ourError / imError, timeRatio = ourTime / imTime;
        std::printf("%-26s %5dx%-5d %9.0f %9.0f %7.3f %7.3f %6.3f %6.3f\n",
                    qPrintable(QFileInfo(photo).fileName() + (theirsIsLogo ? "" : "*")), picture.width(), picture.height(),
                    imTime, ourTime, imError, ourError, errorRatio, timeRatio);
        std::fflush(stdout);
        sumErrorRatio += errorRatio;
        sumTimeRatio += timeRatio;
        worstErrorRatio = std::max(worstErrorRatio, errorRatio);
        worstTimeRatio = std::max(worstTimeRatio, timeRatio);
        ++count;
        rows.append(QJsonObject{{QStringLiteral("picture"), photo},
                                {QStringLiteral("width"), picture.width()},
                                {QStringLiteral("height"), picture.height()},
                                {QStringLiteral("imagemagickMs"), imTime},
                                {QStringLiteral("oursMs"), ourTime},
                                {QStringLiteral("imagemagickDeltaE"), imError},
                                {QStringLiteral("imagemagickLogo"), theirsIsLogo},
                                {QStringLiteral("oursDeltaE"), ourError}});
    }
    if (count)
        std::printf("%d pictures: error ratio mean %.3f, worst %.3f (goal <= 0.9); "
                    "time ratio mean %.3f, worst %.3f (goal <= 1)\n",
                    count, sumErrorRatio / count, worstErrorRatio, sumTimeRatio / count, worstTimeRatio);
    if (parser.isSet(QStringLiteral("json"))) {
        QFile out(parser.value(QStringLiteral("json")));
        if (out.open(QIODevice::WriteOnly))
            out.write(QJsonDocument(QJsonObject{{QStringLiteral("runs"), runs},
                                                {QStringLiteral("pictures"), rows}})
                          .toJson());
    }
    return failures ? 1 : 0;
}
