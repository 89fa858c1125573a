#pragma once

#include <QString>

#include <vector>

namespace ambertrove {

// The positions where the user-perceived characters (grapheme clusters) of `text` start, then the text's
// length: cutting only at these never splits an emoji sequence or a letter from its accents.
[[nodiscard]] std::vector<qsizetype> graphemeBoundaries(const QString& text);

} // namespace ambertrove
