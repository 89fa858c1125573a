#include "charts/ChartText.hpp"

#include "controller/Graphemes.hpp"


#include <cmath>
#include <vector>

namespace ambertrove {

namespace {

const QString kEllipsis = QStringLiteral("…");

} // namespace

double FontTextMeasurer::width(const QString& text, double fontSize) const {
    const int pixels = int(std::lround(fontSize));
    auto found = m_metrics.find(pixels);
    if (found == m_metrics.end())
        found = m_metrics.emplace(pixels, QFontMetricsF(ChartText::font(pixels, QFont::DemiBold))).first;
    return found->second.horizontalAdvance(text);
}

namespace ChartText {

QFont font(double pixelSize, QFont::Weight weight) {
    QFont f;
    f.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    f.setWeight(weight);
    return f;
}

int characterCount(const QString& text) {
    return text.isEmpty() ? 0 : int(graphemeBoundaries(text).size() - 1);
}

QString fit(const QString& text, double width, double fontSize, const TextMeasurer& measurer) {
    if (measurer.width(text, fontSize) <= width)
        return text;
    if (measurer.width(kEllipsis, fontSize) > width)
        return {};
    const std::vector<qsizetype> bounds = graphemeBoundaries(text);
    const int count = int(bounds.size() - 1);
    const auto shortened = [&](int n) {
        const int head = (n + 1) / 2;
        const int tail = n / 2;
        return text.left(bounds[std::size_t(head)]) + kEllipsis + text.mid(bounds[std::size_t(count - tail)]);
    };
    int lo = 0;
    int hi = count;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (measurer.width(shortened(mid), fontSize) <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    return shortened(lo);
}

} // namespace ChartText

} // namespace ambertrove
