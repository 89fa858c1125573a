#pragma once

#include "analysis/FileTypeTotals.hpp"
#include "base/Date.hpp"
#include "controller/ColorMode.hpp"
#include "model/DiskNode.hpp"
#include "model/FileCategory.hpp"

#include <QRect>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

class QPainter;

namespace ambertrove {

// The card of one folder (or file) in the folder grid and in the live cards of a running scan: a folder
// outline filled with the node's colour, its symbol, name, kind and size, the type-mix dots of a folder,
// and the marks of selection and hover. Painted by the grid that holds it, never made as a widget; the
// grid asks where the hover menu button and the dots are to handle the pointer over them.
namespace FolderCard {

inline constexpr int kHeight = 150;
inline constexpr int kPadding = 15;
inline constexpr int kDotSize = 7;

// One dot of the type mix: a category and its bytes.
using TypeShare = std::pair<FileCategory, std::int64_t>;

struct Look {
    bool selected = false;
    // The pointer is over the card: a folder's chevron gives way to the menu button.
    bool hovered = false;
    bool logical = false;
    ColorMode colorMode = ColorMode::folder;
    // The folder the colours are relative to ("" for none).
    std::string_view root;
    Date now;
    std::vector<TypeShare> typeMix;
};

// The dots of a folder's category totals: the categories of at least one byte, largest first (equal
// totals in category order); when five or more remain, the first four.
[[nodiscard]] std::vector<TypeShare> typeMix(const FileTypeTotals* totals, bool logical);

void paint(QPainter& painter, const QRect& card, const DiskNode& node, const Look& look);
// The outline alone, faint: a card whose node is not known yet.
void paintPlaceholder(QPainter& painter, const QRect& card);

// Where the menu button of a hovered card is.
[[nodiscard]] QRect menuButtonRect(const QRect& card, const Look& look);
// Where the dot `index` of `count` is.
[[nodiscard]] QRect dotRect(const QRect& card, std::size_t index);
// "Image · 1.2 MB".
[[nodiscard]] QString dotToolTip(const TypeShare& share);

} // namespace FolderCard

} // namespace ambertrove
