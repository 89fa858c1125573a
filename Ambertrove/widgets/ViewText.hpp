#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace ambertrove::ViewText {

// The application's font at `pixelSize` logical pixels and `weight`, with `tracking` pixels added after
// each character (letter tracking).
[[nodiscard]] QFont font(int pixelSize, QFont::Weight weight = QFont::Normal, double tracking = 0);

// A tooltip that shows `text` exactly: escaped and forced to rich text, so markup in a file name is shown,
// never interpreted.
[[nodiscard]] QString plainToolTip(const QString& text);

// `text` for a button, action or menu title: every "&" doubled so it shows and makes no shortcut.
[[nodiscard]] QString withoutMnemonic(const QString& text);

// A count with the locale's digit grouping ("12,345").
[[nodiscard]] QString groupedCount(std::int64_t count);

// `text` broken into at most `maxLines` lines of at most `width` pixels in `font`, joined with "\n".
// When it needs more lines it is shortened in the middle around "…" on whole characters (grapheme
// clusters), as long as it can be.
[[nodiscard]] QString middleElidedLines(const QString& text, const QFont& font, int width, int maxLines);

// The lines `text` wraps to at `width` pixels in `font` (at word boundaries, else anywhere).
[[nodiscard]] QStringList wrappedLines(const QString& text, const QFont& font, int width);

// The number of lines `text` wraps to at `width` pixels in `font` (at least 1).
[[nodiscard]] int wrappedLineCount(const QString& text, const QFont& font, int width);

} // namespace ambertrove::ViewText
