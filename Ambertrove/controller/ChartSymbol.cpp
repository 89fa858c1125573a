#include "controller/ChartSymbol.hpp"

#include "analysis/NodeDisplay.hpp"

namespace ambertrove {

QString chartSymbol(const DiskNode& node) {
    if (node.isDirectory)
        return NodeDisplay::isPackage(node) ? QStringLiteral("shippingbox.fill")
                                            : QStringLiteral("folder.fill");
    switch (classifyFile(node.path)) {
    case FileCategory::video:
        return QStringLiteral("film.fill");
    case FileCategory::audio:
        return QStringLiteral("music.note");
    case FileCategory::image:
        return QStringLiteral("photo.fill");
    case FileCategory::document:
        return QStringLiteral("doc.text.fill");
    case FileCategory::developer:
        return QStringLiteral("chevron.left.forwardslash.chevron.right");
    case FileCategory::archive:
        return QStringLiteral("doc.zipper");
    case FileCategory::other:
        break;
    }
    return QStringLiteral("doc.fill");
}

} // namespace ambertrove
