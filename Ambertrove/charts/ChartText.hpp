#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <map>

namespace ambertrove {

// Measures chart text. The layout only ever asks for widths in the semibold chart font; tests give a
// measurer of their own so that fitting is exact and needs no font.
class TextMeasurer {
public:
    TextMeasurer() = default;
    TextMeasurer(const TextMeasurer&) = delete;
    TextMeasurer& operator=(const TextMeasurer&) = delete;
    virtual ~TextMeasurer() = default;

    // The advance width of `text` in the semibold chart font of `fontSize` pixels.
    [[nodiscard]] virtual double width(const QString& text, double fontSize) const = 0;
};

// Measures with the fonts the chart is drawn with. Made on the thread that uses it (a layout makes one
// per build); a QGuiApplication must exist.
class FontTextMeasurer final : public TextMeasurer {
public:
    FontTextMeasurer() = default;
    [[nodiscard]] double width(const QString& text, double fontSize) const override;

private:
    mutable std::map<int, QFontMetricsF> m_metrics; // by pixel size
};

namespace ChartText {

// The chart's font: the application's font at `pixelSize` logical pixels (rounded) and `weight`. Titles
// use QFont::DemiBold at 9 or 11, the size line QFont::Normal at 10.
[[nodiscard]] QFont font(double pixelSize, QFont::Weight weight);

// The number of user-perceived characters (grapheme clusters) of `text`.
[[nodiscard]] int characterCount(const QString& text);

// The longest form of `text` that fits `width` in the title font of `fontSize`: `text` itself when it
// fits; else its first and last characters around "…" (the first half rounded up), as many as fit; ""
// when "…" alone is too wide. Characters are grapheme clusters, so an emoji sequence or a letter with its
// combining marks is never split.
[[nodiscard]] QString fit(const QString& text, double width, double fontSize, const TextMeasurer& measurer);

} // namespace ChartText

} // namespace ambertrove
