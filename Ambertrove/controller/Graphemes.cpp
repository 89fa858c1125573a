#include "controller/Graphemes.hpp"

#include <QTextBoundaryFinder>

namespace ambertrove {

std::vector<qsizetype> graphemeBoundaries(const QString& text) {
    std::vector<qsizetype> bounds{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype p = finder.toNextBoundary(); p > 0; p = finder.toNextBoundary())
        bounds.push_back(p);
    if (bounds.back() != text.size())
        bounds.push_back(text.size());
    return bounds;
}

} // namespace ambertrove
