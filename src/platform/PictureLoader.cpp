#include "platform/PictureLoader.h"

#include "platform/PictureFormats.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bg {

using namespace picture;

namespace {

// Reading stops here: a picture must decode completely within this prefix of its file. Bytes
// after a complete picture are ignored, as Windows ignores them.
constexpr qint64 MaxReadBytes = qint64(64) * 1024 * 1024;

Probe probeAny(Bytes head, qint64 fileSize, double dpiX, double dpiY)
{
    if (head.size() < 2)
        return Probe();
    switch (head.u8(0)) {
    case 'B':
        return probeBmp(head, fileSize);
    case 0x00:
        return probeIcon(head, fileSize);
    case 'G':
        return probeGif(head, fileSize);
    case 0xFF:
        return probeJpeg(head, fileSize);
    case 0xD7:
        return probeWmf(head, fileSize, dpiX, dpiY);
    case 0x01:
        return probeEmf(head, fileSize, dpiX, dpiY);
    default:
        return Probe();
    }
}

bool verifyAny(PictureFormat format, Bytes data, QSize &size, double dpiX, double dpiY)
{
    switch (format) {
    case PictureFormat::Bmp:
        return verifyBmp(data, size);
    case PictureFormat::Icon:
    case PictureFormat::Cursor:
        return verifyIcon(data, size);
    case PictureFormat::Gif:
        return verifyGif(data, size);
    case PictureFormat::Jpeg:
        return verifyJpeg(data, size);
    case PictureFormat::Wmf:
        return verifyWmf(data, size, dpiX, dpiY);
    case PictureFormat::Emf:
        return verifyEmf(data, size, dpiX, dpiY);
    case PictureFormat::Unknown:
        break;
    }
    return false;
}

QImage decodeAny(PictureFormat format, Bytes data, double dpiX, double dpiY)
{
    switch (format) {
    case PictureFormat::Bmp:
        return decodeBmp(data);
    case PictureFormat::Icon:
    case PictureFormat::Cursor:
        return decodeIcon(data);
    case PictureFormat::Gif:
        return decodeGif(data);
    case PictureFormat::Jpeg:
        return decodeJpeg(data);
    case PictureFormat::Wmf:
        return decodeWmf(data, dpiX, dpiY);
    case PictureFormat::Emf:
        return decodeEmf(data, dpiX, dpiY);
    case PictureFormat::Unknown:
        break;
    }
    return QImage();
}

// A file opened for reading only when it is a regular file. Opening never blocks: O_NONBLOCK
// keeps a FIFO without writer from hanging the open, and anything but a regular file is closed
// again before a byte is read.
class RegularFile
{
public:
    explicit RegularFile(const QString &hostPath)
    {
        if (hostPath.isEmpty())
            return;
        const QByteArray name = QFile::encodeName(hostPath);
        do {
            m_fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        } while (m_fd < 0 && errno == EINTR);
        if (m_fd < 0)
            return;
        struct stat st;
        if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        m_size = st.st_size;
    }
    ~RegularFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    qint64 size() const { return m_size; }

    // Reads length bytes at offset; false on an error or when the file ends first.
    bool readAt(void *buffer, qint64 length, qint64 offset) const
    {
        auto *out = static_cast<char *>(buffer);
        while (length > 0) {
            const ssize_t n = ::pread(m_fd, out, size_t(length), off_t(offset));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            out += n;
            length -= n;
            offset += n;
        }
        return true;
    }

    // The first min(size, limit) bytes of the file.
    bool readPrefix(QByteArray &data, qint64 limit) const
    {
        const qint64 length = qMin(m_size, limit);
        data.resize(qsizetype(length));
        return readAt(data.data(), length, 0);
    }

private:
    int m_fd = -1;
    qint64 m_size = 0;
};

} // namespace

PictureLoader::PictureLoader(double dpiX, double dpiY) : m_dpiX(dpiX), m_dpiY(dpiY) {}

PictureHeader PictureLoader::probe(const QByteArray &head, qint64 fileSize) const
{
    const Probe p = probeAny(Bytes(head), qMax<qint64>(fileSize, head.size()), m_dpiX, m_dpiY);
    PictureHeader header;
    header.format = p.format;
    header.size = p.size;
    return header;
}

bool PictureLoader::hasExactSize(const QString &hostPath, QSize wanted) const
{
    if (wanted.isEmpty())
        return false;
    const RegularFile file(hostPath);
    if (!file.isOpen() || file.size() <= 0)
        return false;

    uchar head[HeaderBytes];
    const qint64 headLength = qMin<qint64>(file.size(), HeaderBytes);
    if (!file.readAt(head, headLength, 0))
        return false;
    Bytes view(head, headLength);
    Probe p = probeAny(view, file.size(), m_dpiX, m_dpiY);

    // A few headers lie further in (a JPEG frame after large metadata segments, an icon image
    // far from its directory): read up to them, never more than the decode limit. Each read at
    // least doubles what is held: a frame behind a long run of fill bytes or of tiny segments
    // asks for a few bytes more at every probe, and probing again from the start for each of
    // them would take time quadratic in the file's length.
    QByteArray longer;
    const qint64 readLimit = qMin(file.size(), MaxReadBytes);
    while (p.needBytes > view.size()) {
        if (p.needBytes > readLimit)
            return false;
        const qint64 have = view.size();
        const qint64 want = qMax(p.needBytes, qMin(readLimit, 2 * have));
        if (longer.isEmpty())
            longer = QByteArray(reinterpret_cast<const char *>(head), qsizetype(headLength));
        longer.resize(qsizetype(want));
        if (!file.readAt(longer.data() + have, want - have, have))
            return false;
        view = Bytes(longer);
        p = probeAny(view, file.size(), m_dpiX, m_dpiY);
    }
    if (p.size != wanted)
        return false;
    if (p.completeByLength)
        return true;

    QByteArray data;
    if (!file.readPrefix(data, MaxReadBytes))
        return false;
    QSize size;
    return verifyAny(p.format, Bytes(data), size, m_dpiX, m_dpiY) && size == wanted;
}

bool PictureLoader::hasExactSize(const QByteArray &data, QSize wanted) const
{
    if (wanted.isEmpty())
        return false;
    const Bytes bytes(data);
    const Probe p = probeAny(bytes, bytes.size(), m_dpiX, m_dpiY);
    if (p.size != wanted)
        return false;
    QSize size;
    return verifyAny(p.format, bytes, size, m_dpiX, m_dpiY) && size == wanted;
}

QSize PictureLoader::measureFully(const QByteArray &data) const
{
    const Bytes bytes(data);
    const Probe p = probeAny(bytes, bytes.size(), m_dpiX, m_dpiY);
    QSize size;
    if (!verifyAny(p.format, bytes, size, m_dpiX, m_dpiY))
        return QSize();
    return size;
}

PictureHeader PictureLoader::probeFile(const QString &hostPath) const
{
    const RegularFile file(hostPath);
    QByteArray head;
    if (!file.isOpen() || file.size() <= 0 || !file.readPrefix(head, HeaderBytes))
        return {};
    return probe(head, file.size());
}

QImage PictureLoader::load(const QString &hostPath) const
{
    const RegularFile file(hostPath);
    QByteArray data;
    if (!file.isOpen() || file.size() <= 0 || !file.readPrefix(data, MaxReadBytes))
        return QImage();
    return load(data);
}

QImage PictureLoader::load(const QByteArray &data) const
{
    const Bytes bytes(data);
    const Probe p = probeAny(bytes, bytes.size(), m_dpiX, m_dpiY);
    return decodeAny(p.format, bytes, m_dpiX, m_dpiY);
}

} // namespace bg
