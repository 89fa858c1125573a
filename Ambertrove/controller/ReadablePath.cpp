#include "controller/ReadablePath.hpp"

#include <QDir>
#include <QTextBoundaryFinder>

namespace ambertrove {

namespace {

const QString kDataVolume = QStringLiteral("/System/Volumes/Data");

// Whether `text` starts with `prefix` and the prefix ends on a character boundary of `text`.
bool startsWithCharacters(const QString& text, const QString& prefix) {
    if (!text.startsWith(prefix))
        return false;
    if (text.size() == prefix.size())
        return true;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(prefix.size());
    return finder.isAtBoundary();
}

} // namespace

QString readablePath(const QString& path, const std::optional<QString>& root, const QString& home) {
    if (root) {
        const QString prefix = *root + QLatin1Char('/');
        if (startsWithCharacters(path, prefix))
            return path.mid(prefix.size());
    }
    QString folded = path;
    if (folded == kDataVolume)
        folded = QStringLiteral("/");
    else if (startsWithCharacters(folded, kDataVolume + QLatin1Char('/')))
        folded = folded.mid(kDataVolume.size());
    if (folded == home)
        return QStringLiteral("~");
    if (startsWithCharacters(folded, home + QLatin1Char('/')))
        return QLatin1Char('~') + folded.mid(home.size());
    return folded;
}

QString readablePath(const QString& path, const std::optional<QString>& root) {
    return readablePath(path, root, QDir::homePath());
}

} // namespace ambertrove
