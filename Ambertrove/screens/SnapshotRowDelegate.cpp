#include "screens/SnapshotRowDelegate.hpp"

#include "controller/AppModel.hpp"
#include "model/Formatting.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Card.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QDateTime>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>

namespace ambertrove {

namespace {

constexpr int kSpacing = 14;
constexpr int kLineSpacing = 5;
constexpr int kSymbolSize = 21;
constexpr TroveButtonStyle kCompact{false, true};

QFont titleFont() {
    return ViewText::font(14, QFont::DemiBold);
}
QFont pathFont() {
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(10);
    return mono;
}
QFont factsFont() {
    return ViewText::font(10);
}
QFont sizeFont() {
    return ViewText::font(15, QFont::DemiBold);
}

using ViewText::fromBytes;

} // namespace

SnapshotRowDelegate::SnapshotRowDelegate(RowListView* view, AppModel& model, Before before)
    : RowDelegate(view)
    , m_model(model)
    , m_before(std::move(before)) {}

QString SnapshotRowDelegate::dateText(Date date) {
    const QLocale locale;
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(qint64(date.unixSeconds() * 1000.0));
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return locale.toString(time.date(), format) + QStringLiteral(", ") +
           locale.toString(time.time(), QLocale::ShortFormat);
}

QString SnapshotRowDelegate::selectionText(const SnapshotRecord& record,
                                           const std::optional<SnapshotRecord>& before) {
    if (!before)
        return QStringLiteral("Select Before");
    return before->id == record.id ? QStringLiteral("BEFORE") : QStringLiteral("Select After");
}

const SnapshotRecord* SnapshotRowDelegate::record(int row) const {
    const std::vector<SnapshotRecord>& records = m_model.snapshots();
    if (row < 0 || std::size_t(row) >= records.size())
        return nullptr;
    return &records[std::size_t(row)];
}

std::vector<RowButton> SnapshotRowDelegate::buttons(const QRect& rect, const QModelIndex& index) const {
    const SnapshotRecord* shown = record(index.row());
    if (!shown)
        return {};
    const bool busy = m_model.snapshotBusy();
    const QRect inner =
        rect.marginsRemoved(QMargins(Card::kPadding, Card::kPadding, Card::kPadding, Card::kPadding));

    RowButton deleteButton =
        RowButton::bareSymbol(Action::remove, QStringLiteral("xmark.circle"), 14, ColorRole::muted);
    deleteButton.enabled = !busy;
    deleteButton.toolTip = QStringLiteral("Delete saved snapshot");
    RowButton menuButton =
        RowButton::bareSymbol(Action::menu, QStringLiteral("ellipsis.circle"), 15, ColorRole::ink);
    RowButton compareButton = RowButton::text(Action::compare, QStringLiteral("Compare"), kCompact);
    compareButton.enabled = !busy;
    RowButton browseButton = RowButton::text(Action::browse, QStringLiteral("Browse"), kCompact);
    browseButton.enabled = !busy && !m_model.scanning();
    RowButton selectButton = RowButton::text(Action::select, selectionText(*shown, m_before()), kCompact);
    selectButton.enabled = !busy;

    // Laid out from the trailing edge.
    std::vector<RowButton> row{selectButton, browseButton, compareButton, menuButton, deleteButton};
    int right = inner.right() + 1;
    for (auto it = row.rbegin(); it != row.rend(); ++it) {
        it->rect.moveTopLeft(
            QPoint(right - it->rect.width(), inner.center().y() + 1 - it->rect.height() / 2));
        right -= it->rect.width() + kSpacing;
    }
    return row;
}

int SnapshotRowDelegate::rowHeight(const QModelIndex&, int) const {
    const int texts = QFontMetrics(titleFont()).height() + kLineSpacing + QFontMetrics(pathFont()).height() +
                      kLineSpacing + QFontMetrics(factsFont()).height();
    return 2 * Card::kPadding + std::max(texts, kCompact.sizeFor({}, QStringLiteral("Browse")).height());
}

void SnapshotRowDelegate::paintRow(QPainter& painter, const QRect& rect, const QModelIndex& index,
                                   bool) const {
    const SnapshotRecord* shown = record(index.row());
    if (!shown)
        return;
    // The card.
    QPainterPath card;
    card.addRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), Card::kCornerRadius,
                        Card::kCornerRadius);
    painter.fillPath(card, Appearance::role(ColorRole::surface));
    painter.strokePath(card, QPen(Appearance::role(ColorRole::border), 1));

    const QRect inner =
        rect.marginsRemoved(QMargins(Card::kPadding, Card::kPadding, Card::kPadding, Card::kPadding));
    Icons::paint(painter, QStringLiteral("clock.arrow.circlepath"),
                 QRectF(inner.left(), inner.center().y() + 1 - kSymbolSize / 2.0, kSymbolSize, kSymbolSize),
                 Appearance::role(ColorRole::accent));

    const std::vector<RowButton> controls = buttons(rect, index);
    int right = controls.empty() ? inner.right() + 1 : controls.front().rect.left() - kSpacing;
    const QString size = QString::fromStdString(formattedBytes(shown->bytes));
    const QFontMetrics sizeMetrics(sizeFont());
    const int sizeWidth = sizeMetrics.horizontalAdvance(size);
    painter.setFont(sizeFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(QRect(right - sizeWidth, inner.top(), sizeWidth, inner.height()),
                     Qt::AlignRight | Qt::AlignVCenter, size);
    right -= sizeWidth + kSpacing;

    const int left = inner.left() + kSymbolSize + kSpacing;
    const int width = std::max(0, right - left);
    const QFontMetrics titleMetrics(titleFont());
    const QFontMetrics pathMetrics(pathFont());
    const QFontMetrics factsMetrics(factsFont());
    const int height =
        titleMetrics.height() + kLineSpacing + pathMetrics.height() + kLineSpacing + factsMetrics.height();
    int y = inner.top() + (inner.height() - height) / 2;
    const auto line = [&](const QFont& font, const QFontMetrics& metrics, ColorRole role, const QString& text,
                          Qt::TextElideMode mode) {
        painter.setFont(font);
        painter.setPen(Appearance::role(role));
        painter.drawText(QRect(left, y, width, metrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         ViewText::elided(metrics, text, mode, width));
        y += metrics.height() + kLineSpacing;
    };
    line(titleFont(), titleMetrics, ColorRole::ink, fromBytes(shown->title), Qt::ElideRight);
    line(pathFont(), pathMetrics, ColorRole::muted, fromBytes(shown->rootPath), Qt::ElideMiddle);
    line(factsFont(), factsMetrics, ColorRole::muted,
         dateText(shown->createdAt) + QStringLiteral(" · ") + ViewText::groupedCount(shown->fileCount) +
             QStringLiteral(" files"),
         Qt::ElideRight);
}

} // namespace ambertrove
