#include "platform/PreviewContent.hpp"

#include "model/Formatting.hpp"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QMimeDatabase>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ambertrove {

namespace {

// An open descriptor closed on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    [[nodiscard]] int get() const { return m_fd; }

private:
    int m_fd;
};

// Reads up to `limit` bytes from the start; false on a read error.
bool readHead(int fd, std::int64_t limit, QByteArray& out) {
    out.resize(qsizetype(limit));
    qsizetype filled = 0;
    while (filled < out.size()) {
        const ssize_t n = ::pread(fd, out.data() + filled, std::size_t(out.size() - filled), off_t(filled));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        filled += n;
    }
    out.resize(filled);
    return true;
}

// The text of `bytes` when they are UTF-8 without NUL bytes; `truncated` allows a character cut short at
// the end.
std::optional<QString> asText(const QByteArray& bytes, bool truncated) {
    if (bytes.isEmpty() || bytes.contains('\0'))
        return std::nullopt;
    for (int cut = 0; cut <= (truncated ? 3 : 0) && cut < bytes.size(); ++cut) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = decoder.decode(bytes.chopped(cut));
        if (!decoder.hasError())
            return text;
    }
    return std::nullopt;
}

QString modifiedText(const struct stat& status) {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(status.st_mtim.tv_sec);
    return QLocale().toString(when, QLocale::ShortFormat);
}

} // namespace

PreviewContent PreviewContent::load(const QString& path, std::optional<std::int64_t> knownSize,
                                    const TaskCancellation& cancellation) {
    PreviewContent content;
    content.path = path;
    const QByteArray native = QFile::encodeName(path);
    const QString name = QFileInfo(path).fileName().isEmpty() ? path : QFileInfo(path).fileName();
    content.facts << qMakePair(QStringLiteral("Name"), name);

    struct stat linkStatus {};
    if (::lstat(native.constData(), &linkStatus) != 0) {
        content.error = QString::fromLocal8Bit(std::strerror(errno));
        content.facts << qMakePair(QStringLiteral("Kind"), QStringLiteral("Missing item"));
        return content;
    }
    const bool isLink = S_ISLNK(linkStatus.st_mode);
    const auto finishFacts = [&](const QString& kind, std::optional<std::int64_t> size, const struct stat& status) {
        content.facts << qMakePair(QStringLiteral("Kind"), kind);
        if (size)
            content.facts << qMakePair(QStringLiteral("Size"), QString::fromStdString(formattedBytes(*size)));
        content.facts << qMakePair(QStringLiteral("Modified"), modifiedText(status));
    };

    // Only a regular file is opened: opening a device can act on it, and a named pipe would wait.
    struct stat status {};
    const bool reachable = ::stat(native.constData(), &status) == 0;
    const auto factsOnly = [&](const struct stat& shown, int error) {
        QString kind;
        if (S_ISDIR(shown.st_mode))
            kind = isLink ? QStringLiteral("Alias to folder") : QStringLiteral("Folder");
        else if (isLink && !reachable)
            kind = QStringLiteral("Alias");
        else if (S_ISREG(shown.st_mode))
            kind = QStringLiteral("Document");
        else
            kind = QStringLiteral("Special file");
        if (error != 0)
            content.error = QString::fromLocal8Bit(std::strerror(error));
        std::optional<std::int64_t> size = knownSize;
        if (!size && S_ISREG(shown.st_mode))
            size.emplace(std::int64_t(shown.st_size));
        finishFacts(kind, size, shown);
        return content;
    };
    if (!reachable || !S_ISREG(status.st_mode))
        return factsOnly(reachable ? status : linkStatus, 0);
    // O_NONBLOCK and the second check: something other than a regular file swapped in meanwhile is never
    // read and never makes the open wait.
    const Descriptor fd(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return factsOnly(status, errno);
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return factsOnly(status, 0);

    const std::int64_t size = status.st_size;
    QByteArray head;
    if (!readHead(fd.get(), kTextBytes, head)) {
        content.error = QString::fromLocal8Bit(std::strerror(errno));
        finishFacts(QStringLiteral("Document"), knownSize ? knownSize : size, status);
        return content;
    }
    const QMimeType mime = QMimeDatabase().mimeTypeForFileNameAndData(name, head);
    QString kind = mime.isValid() && !mime.comment().isEmpty() ? mime.comment() : QStringLiteral("Document");
    if (!kind.isEmpty())
        kind[0] = kind[0].toUpper();
    if (isLink)
        kind = QStringLiteral("Alias to ") + kind;
    finishFacts(kind, knownSize ? knownSize : size, status);

    // An image: recognised by its content, decoded only when the file is of a sane size.
    {
        QBuffer probe(&head);
        probe.open(QIODevice::ReadOnly);
        const QByteArray format = QImageReader::imageFormat(&probe);
        if (!format.isEmpty() && size <= kImageBytes) {
            // Reading and decoding a large image take long: a request nobody waits for stops here.
            if (cancellation.isCancelled())
                return content;
            QByteArray whole;
            if (readHead(fd.get(), size, whole) && !cancellation.isCancelled()) {
                QBuffer buffer(&whole);
                buffer.open(QIODevice::ReadOnly);
                QImageReader reader(&buffer, format);
                reader.setAutoTransform(true);
                const QSize full = reader.size();
                if (full.isValid() && (full.width() > kImageSide || full.height() > kImageSide))
                    reader.setScaledSize(full.scaled(kImageSide, kImageSide, Qt::KeepAspectRatio));
                QImage image = reader.read();
                if (!image.isNull()) {
                    if (image.width() > kImageSide || image.height() > kImageSide)
                        image = image.scaled(kImageSide, kImageSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
                    content.kind = Kind::image;
                    content.image = std::move(image);
                    return content;
                }
            }
        }
    }

    const bool truncated = size > head.size();
    if (std::optional<QString> text = asText(head, truncated)) {
        content.kind = Kind::text;
        content.text = std::move(*text);
        content.textTruncated = truncated;
    }
    return content;
}

} // namespace ambertrove
