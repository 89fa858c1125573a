#include "widgets/ViewText.hpp"

#include "controller/Graphemes.hpp"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace ambertrove::ViewText {

QStringList wrappedLines(const QString& text, const QFont& font, int width) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(1, width));
        lines << text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return lines;
}

namespace {
QStringList wrapped(const QString& text, const QFont& font, int width) {
    return wrappedLines(text, font, width);
}
} // namespace

QFont font(int pixelSize, QFont::Weight weight, double tracking) {
    QFont f;
    f.setPixelSize(std::max(1, pixelSize));
    f.setWeight(weight);
    if (tracking != 0)
        f.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return f;
}

QString fromBytes(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

QString plainToolTip(const QString& text) {
    if (text.isEmpty())
        return {};
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

QString withoutMnemonic(const QString& text) {
    QString doubled = text;
    doubled.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return doubled;
}

QString elided(const QFontMetrics& metrics, const QString& text, Qt::TextElideMode mode, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    return metrics.elidedText(text, mode, width);
}

QString elided(const QFontMetricsF& metrics, const QString& text, Qt::TextElideMode mode, double width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    return metrics.elidedText(text, mode, width);
}

QString abbreviatedDate(Date date) {
    // The locale's long date with the weekday dropped and the month's name shortened.
    static const QRegularExpression weekday(QStringLiteral("d{4}[,.]?\\s*"));
    const QLocale locale;
    QString format = locale.dateFormat(QLocale::LongFormat);
    format.remove(weekday);
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(qint64(std::llround(date.unixSeconds() * 1000.0)));
    return locale.toString(time.date(), format.trimmed());
}

QString groupedCount(std::int64_t count) {
    return QLocale().toString(qlonglong(count));
}

int wrappedLineCount(const QString& text, const QFont& font, int width) {
    return std::max<int>(1, int(wrapped(text, font, width).size()));
}

QString middleElidedLines(const QString& text, const QFont& font, int width, int maxLines) {
    maxLines = std::max(1, maxLines);
    const auto joined = [&](const QString& candidate) -> std::optional<QString> {
        const QStringList lines = wrapped(candidate, font, width);
        if (lines.size() > maxLines)
            return std::nullopt;
        QStringList trimmed;
        for (const QString& line : lines)
            trimmed << line.trimmed();
        return trimmed.join(QLatin1Char('\n'));
    };
    if (auto whole = joined(text))
        return *whole;
    const std::vector<qsizetype> bounds = graphemeBoundaries(text);
    const int count = int(bounds.size() - 1);
    const auto shortened = [&](int n) {
        const int head = (n + 1) / 2;
        const int tail = n / 2;
        return text.left(bounds[std::size_t(head)]) + QStringLiteral("…") +
               text.mid(bounds[std::size_t(count - tail)]);
    };
    // The longest shortened form that still fits (more characters rarely take fewer lines).
    int lo = 0;
    int hi = count - 1;
    QString best = QStringLiteral("…");
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        if (auto fits = joined(shortened(mid))) {
            best = *fits;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return best;
}

} // namespace ambertrove::ViewText
