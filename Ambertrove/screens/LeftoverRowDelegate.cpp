#include "screens/LeftoverRowDelegate.hpp"

#include "applications/OrphanCandidate.hpp"
#include "model/Formatting.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QFontMetrics>
#include <QPainter>

namespace ambertrove {

namespace {

constexpr int kPadding = 8;
constexpr int kSpacing = 8;
constexpr int kLineSpacing = 3;
constexpr TroveButtonStyle kButtonStyle{false, true};

QFont identifierFont() {
    return ViewText::font(11);
}
QFont pathFont() {
    return ViewText::font(10);
}

QString addText() {
    return QStringLiteral("Add to Cleanup");
}

QString sizeText(const OrphanCandidate& candidate) {
    return QString::fromStdString(formattedBytes(candidate.node.allocatedSize));
}

} // namespace

LeftoverRowDelegate::LeftoverRowDelegate(RowListView* view, Candidate candidate, Enabled enabled)
    : RowDelegate(view)
    , m_candidate(std::move(candidate))
    , m_enabled(std::move(enabled)) {}

int LeftoverRowDelegate::textWidth(const OrphanCandidate& candidate, int width) const {
    const int button = kButtonStyle.sizeFor({}, addText()).width();
    const int size = QFontMetrics(identifierFont()).horizontalAdvance(sizeText(candidate));
    return std::max(40, width - button - size - 2 * kSpacing);
}

std::vector<RowButton> LeftoverRowDelegate::buttons(const QRect& rect, const QModelIndex&) const {
    RowButton button = RowButton::text(addToCleanup, addText(), kButtonStyle);
    button.rect.moveTopLeft(
        QPoint(rect.right() + 1 - button.rect.width(), rect.center().y() + 1 - button.rect.height() / 2));
    button.enabled = m_enabled();
    return {button};
}

int LeftoverRowDelegate::rowHeight(const QModelIndex& index, int width) const {
    const OrphanCandidate* candidate = m_candidate(index.row());
    if (!candidate)
        return 0;
    const int lines = ViewText::wrappedLineCount(QString::fromStdString(candidate->bundleID),
                                                 identifierFont(), textWidth(*candidate, width));
    const int texts = lines * QFontMetrics(identifierFont()).lineSpacing() + kLineSpacing +
                      QFontMetrics(pathFont()).height();
    const int button = kButtonStyle.sizeFor({}, addText()).height();
    return kPadding + std::max(texts, button) + kPadding;
}

void LeftoverRowDelegate::paintRow(QPainter& painter, const QRect& rect, const QModelIndex& index,
                                   bool) const {
    const OrphanCandidate* candidate = m_candidate(index.row());
    if (!candidate)
        return;
    const QRect inner = rect.adjusted(0, kPadding, 0, -kPadding);
    const int width = textWidth(*candidate, rect.width());
    const QStringList lines =
        ViewText::wrappedLines(QString::fromStdString(candidate->bundleID), identifierFont(), width);
    const QFontMetrics identifierMetrics(identifierFont());
    const QFontMetrics pathMetrics(pathFont());
    const int height =
        int(lines.size()) * identifierMetrics.lineSpacing() + kLineSpacing + pathMetrics.height();
    int y = inner.top() + std::max(0, (inner.height() - height) / 2);
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.setFont(identifierFont());
    for (const QString& line : lines) {
        painter.drawText(QRect(inner.left(), y, width, identifierMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, line);
        y += identifierMetrics.lineSpacing();
    }
    y += kLineSpacing;
    painter.setFont(pathFont());
    painter.setPen(Appearance::role(ColorRole::muted));
    painter.drawText(
        QRect(inner.left(), y, width, pathMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        ViewText::elided(pathMetrics, QString::fromStdString(candidate->node.path), Qt::ElideRight, width));

    const int buttonWidth = kButtonStyle.sizeFor({}, addText()).width();
    const QString size = sizeText(*candidate);
    const int sizeWidth = identifierMetrics.horizontalAdvance(size);
    painter.setFont(identifierFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(
        QRect(inner.right() + 1 - buttonWidth - kSpacing - sizeWidth, inner.top(), sizeWidth, inner.height()),
        Qt::AlignRight | Qt::AlignVCenter, size);
}

} // namespace ambertrove
