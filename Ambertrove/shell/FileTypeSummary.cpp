#include "shell/FileTypeSummary.hpp"

#include "model/Formatting.hpp"
#include "theme/Paper.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include "platform/Saturating.hpp"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ambertrove {

namespace {
constexpr int kLegendGap = 8;

QFont legendFont() {
    return ViewText::font(11);
}

QString text(std::string_view value) {
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}

QColor dotColor(FileCategory category) {
    const auto found = std::find(kAllFileCategories.begin(), kAllFileCategories.end(), category);
    const std::size_t index = found == kAllFileCategories.end()
                                  ? Paper::dots().size() - 1
                                  : std::size_t(found - kAllFileCategories.begin());
    return Paper::dots()[std::min(index, Paper::dots().size() - 1)];
}

const QString& emptyText() {
    static const QString kText = QStringLiteral("No files measured yet");
    return kText;
}
} // namespace

std::vector<FileTypeBlock> fileTypeBlocks(const std::map<FileCategory, std::int64_t>& totals, double width) {
    std::int64_t sum = 0;
    for (const auto& [category, bytes] : totals)
        sum = Saturating::add(sum, bytes);
    const double denominator = sum > 1 ? double(sum) : 1.0;
    std::vector<FileTypeBlock> blocks;
    for (FileCategory category : kAllFileCategories) {
        const auto found = totals.find(category);
        if (found != totals.end() && found->second >= 1)
            blocks.push_back({category, found->second, 0, 0});
    }
    const double gaps = blocks.empty() ? 0.0 : double(blocks.size() - 1);
    const double shared = std::max(width - gaps, 0.0);
    double x = 0;
    for (FileTypeBlock& block : blocks) {
        block.x = x;
        block.width = shared * double(block.bytes) / denominator;
        x += block.width + 1;
    }
    return blocks;
}

FileTypeSummary::FileTypeSummary(QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFont(legendFont());
}

void FileTypeSummary::setTotals(const std::map<FileCategory, std::int64_t>& totals) {
    if (m_totals == totals)
        return;
    m_totals = totals;
    setAccessibleDescription(legend().join(QLatin1Char('\n')));
    updateGeometry();
    update();
}

std::vector<FileTypeBlock> FileTypeSummary::blocks() const {
    return fileTypeBlocks(m_totals, width());
}

QStringList FileTypeSummary::legend() const {
    QStringList lines;
    for (const FileTypeBlock& block : fileTypeBlocks(m_totals, 0))
        lines << text(displayName(block.category)) + QStringLiteral(": ") +
                     QString::fromStdString(formattedBytes(block.bytes));
    if (lines.isEmpty())
        lines << emptyText();
    return lines;
}

int FileTypeSummary::lineHeight() const {
    return std::max(QFontMetrics(legendFont()).height(), kDot);
}

QSize FileTypeSummary::sizeHint() const {
    const qsizetype lines = std::max<qsizetype>(1, fileTypeBlocks(m_totals, 0).size());
    return {160, kBarHeight + int(lines) * (kSpacing + lineHeight())};
}

QSize FileTypeSummary::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void FileTypeSummary::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const std::vector<FileTypeBlock> laidOut = blocks();

    painter.save();
    QPainterPath capsule;
    capsule.addRoundedRect(QRectF(0, 0, width(), kBarHeight), kBarHeight / 2.0, kBarHeight / 2.0);
    painter.setClipPath(capsule);
    for (const FileTypeBlock& block : laidOut)
        painter.fillRect(QRectF(block.x, 0, block.width, kBarHeight), dotColor(block.category));
    painter.restore();

    const QFontMetrics metrics(legendFont());
    const QColor muted = Appearance::role(ColorRole::muted);
    painter.setFont(legendFont());
    int top = kBarHeight + kSpacing;
    if (laidOut.empty()) {
        painter.setPen(muted);
        painter.drawText(QRect(0, top, width(), lineHeight()), Qt::AlignLeft | Qt::AlignVCenter,
                         ViewText::elided(metrics, emptyText(), Qt::ElideRight, width()));
        return;
    }
    for (const FileTypeBlock& block : laidOut) {
        const QRect line(0, top, width(), lineHeight());
        painter.setPen(Qt::NoPen);
        painter.setBrush(dotColor(block.category));
        painter.drawEllipse(QRectF(0, line.center().y() + 1 - kDot / 2.0, kDot, kDot));
        const QString bytes = QString::fromStdString(formattedBytes(block.bytes));
        const int bytesWidth = std::min(width(), metrics.horizontalAdvance(bytes));
        painter.setPen(muted);
        painter.drawText(QRect(width() - bytesWidth, top, bytesWidth, line.height()),
                         Qt::AlignRight | Qt::AlignVCenter, bytes);
        const int nameLeft = kDot + kLegendGap;
        const int nameWidth = std::max(0, width() - bytesWidth - kLegendGap - nameLeft);
        painter.drawText(
            QRect(nameLeft, top, nameWidth, line.height()), Qt::AlignLeft | Qt::AlignVCenter,
            ViewText::elided(metrics, text(displayName(block.category)), Qt::ElideRight, nameWidth));
        top += line.height() + kSpacing;
    }
}

} // namespace ambertrove
