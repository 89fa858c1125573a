#pragma once

#include "base/Date.hpp"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string_view>

namespace ambertrove::ViewText {

// The application's font at `pixelSize` logical pixels and `weight`, with `tracking` pixels added after
// each character (letter tracking).
[[nodiscard]] QFont font(int pixelSize, QFont::Weight weight = QFont::Normal, double tracking = 0);

// Text the core holds as UTF-8 bytes (names and paths from the disk, titles): invalid sequences show as
// U+FFFD.
[[nodiscard]] QString fromBytes(std::string_view bytes);

// A tooltip that shows `text` exactly: escaped and forced to rich text, so markup in a file name is shown,
// never interpreted.
[[nodiscard]] QString plainToolTip(const QString& text);

// `text` for a button, action or menu title: every "&" doubled so it shows and makes no shortcut.
[[nodiscard]] QString withoutMnemonic(const QString& text);

// `text` shortened with "…" to `width` pixels; the whole text whenever its advance fits (Qt's own eliding
// also counts the last glyph's overhang and would shorten text that fits exactly).
[[nodiscard]] QString elided(const QFontMetrics& metrics, const QString& text, Qt::TextElideMode mode, int width);
[[nodiscard]] QString elided(const QFontMetricsF& metrics, const QString& text, Qt::TextElideMode mode, double width);

// A date in the locale's abbreviated style, without the time ("Mar 1, 2024"), in the local time zone.
[[nodiscard]] QString abbreviatedDate(Date date);

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
