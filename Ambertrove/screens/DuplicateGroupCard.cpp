#include "screens/DuplicateGroupCard.hpp"

#include "controller/AppModel.hpp"
#include "controller/ReadablePath.hpp"
#include "model/Formatting.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/TroveButtonStyle.hpp"
#include "widgets/ViewText.hpp"

#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <map>

namespace ambertrove {

namespace {

constexpr TroveButtonStyle kButtonStyle{false, true};
constexpr int kHeaderSpacing = 8;
const QString kStageLabel = QStringLiteral("Add extras to Cleanup");
const QString kRevealSymbol = QStringLiteral("arrow.up.forward.square");

QFont countFont() {
    return ViewText::font(14, QFont::DemiBold);
}
QFont eachFont() {
    return ViewText::font(11);
}
QFont nameFont() {
    return ViewText::font(13, QFont::DemiBold);
}
QFont pathFont() {
    return ViewText::font(11);
}
QFont badgeFont() {
    return ViewText::font(9, QFont::DemiBold, 0.6);
}

QString badgeText(bool kept) {
    return kept ? QStringLiteral("KEEP") : QStringLiteral("EXTRA COPY");
}

QSize badgeSize(bool kept) {
    const QFontMetrics metrics(badgeFont());
    return {metrics.horizontalAdvance(badgeText(kept)) + 16, metrics.height() + 10};
}

int textHeight() {
    return QFontMetrics(nameFont()).height() + DuplicateGroupCard::kTextSpacing +
           QFontMetrics(pathFont()).height();
}

int fileRowHeight() {
    const int content =
        std::max({DuplicateGroupCard::kRadioSize, DuplicateGroupCard::kDocumentSize, textHeight(),
                  badgeSize(false).height(), kButtonStyle.sizeFor(kRevealSymbol, {}).height()});
    return content + 2 * DuplicateGroupCard::kRowPadding;
}

int headerHeight() {
    return std::max(QFontMetrics(countFont()).height(), kButtonStyle.sizeFor({}, kStageLabel).height());
}

} // namespace

DuplicateGroupCard::DuplicateGroupCard(AppModel& model, std::shared_ptr<const DuplicateReport> report,
                                       std::size_t index, QWidget* parent)
    : RowCanvas(parent)
    , m_model(model)
    , m_report(std::move(report))
    , m_index(index) {
    setObjectName(QStringLiteral("duplicateGroupCard"));
    setRowSpacing(kSpacing);
    std::optional<QString> root;
    if (const ScanResultPtr& scan = m_model.scan())
        root = QString::fromStdString(scan->rootPath);
    const std::vector<DiskNode>& files = group().files;
    m_names.reserve(qsizetype(files.size()));
    m_shownPaths.reserve(qsizetype(files.size()));
    for (const DiskNode& file : files) {
        m_names << QString::fromStdString(file.name());
        m_shownPaths << readablePath(QString::fromStdString(file.path), root);
    }
    std::vector<int> heights(files.size() + 1, fileRowHeight());
    heights[0] = headerHeight();
    setRowHeights(std::move(heights));
    refresh();
}

std::string DuplicateGroupCard::keep() const {
    const auto& keepers = m_model.duplicateKeepers();
    if (const auto chosen = keepers.find(group().id); chosen != keepers.end())
        return chosen->second;
    return group().files.empty() ? std::string() : group().files.front().path;
}

QString DuplicateGroupCard::countText() const {
    return QLocale().toString(qlonglong(group().files.size())) + QStringLiteral(" identical files");
}

QString DuplicateGroupCard::sizeText() const {
    const std::int64_t each = group().files.empty() ? 0 : group().files.front().logicalSize;
    return QStringLiteral("·  ") + QString::fromStdString(formattedBytes(each)) + QStringLiteral(" each");
}

void DuplicateGroupCard::refresh() {
    std::string kept = keep();
    const bool canStage = m_model.canClean();
    if (kept == m_keep && canStage == m_canStage)
        return;
    m_keep = std::move(kept);
    m_canStage = canStage;
    update();
}

QRect DuplicateGroupCard::stageRect(const QRect& rect) const {
    const QSize size = kButtonStyle.sizeFor({}, kStageLabel);
    return {rect.right() + 1 - size.width(), rect.center().y() + 1 - size.height() / 2, size.width(),
            size.height()};
}

DuplicateGroupCard::FileLayout DuplicateGroupCard::fileLayout(std::size_t file, const QRect& rect) const {
    const QRect content = rect.adjusted(kRowPadding, kRowPadding, -kRowPadding, -kRowPadding);
    const int middle = content.center().y() + 1;
    FileLayout layout;
    const QSize reveal = kButtonStyle.sizeFor(kRevealSymbol, {});
    layout.reveal = QRect(content.right() + 1 - reveal.width(), middle - reveal.height() / 2, reveal.width(),
                          reveal.height());
    const QSize badge = badgeSize(group().files[file].path == m_keep);
    layout.badge = QRect(layout.reveal.left() - kSpacing - badge.width(), middle - badge.height() / 2,
                         badge.width(), badge.height());
    layout.radio = QRect(content.left(), middle - kRadioSize / 2, kRadioSize, kRadioSize);
    layout.document =
        QRect(layout.radio.right() + 1 + kSpacing, middle - kDocumentSize / 2, kDocumentSize, kDocumentSize);
    const int left = layout.document.right() + 1 + kSpacing;
    const int width = std::max(0, layout.badge.left() - kSpacing - left);
    const int nameHeight = QFontMetrics(nameFont()).height();
    const int top = middle - textHeight() / 2;
    layout.name = QRect(left, top, width, nameHeight);
    layout.path = QRect(left, top + nameHeight + kTextSpacing, width, QFontMetrics(pathFont()).height());
    return layout;
}

void DuplicateGroupCard::paintRow(QPainter& painter, int row, const QRect& rect) const {
    if (row == 0)
        paintHeader(painter, rect);
    else
        paintFile(painter, std::size_t(row - 1), rect);
}

void DuplicateGroupCard::paintHeader(QPainter& painter, const QRect& rect) const {
    const QRect button = stageRect(rect);
    const QString count = countText();
    const QFontMetrics countMetrics(countFont());
    const int right = button.left() - kHeaderSpacing;
    const int countWidth = std::min(countMetrics.horizontalAdvance(count), std::max(0, right - rect.left()));
    painter.setFont(countFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(QRect(rect.left(), rect.top(), countWidth, rect.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     ViewText::elided(countMetrics, count, Qt::ElideRight, countWidth));
    const int eachLeft = rect.left() + countWidth + kHeaderSpacing;
    if (right > eachLeft) {
        painter.setFont(eachFont());
        painter.setPen(Appearance::role(ColorRole::muted));
        painter.drawText(
            QRect(eachLeft, rect.top(), right - eachLeft, rect.height()), Qt::AlignLeft | Qt::AlignVCenter,
            ViewText::elided(QFontMetrics(eachFont()), sizeText(), Qt::ElideRight, right - eachLeft));
    }
    kButtonStyle.paint(
        painter, button, {}, kStageLabel,
        kButtonStyle.look(m_canStage, isHovered(0, stageTarget) ? 1.0 : 0.0, isPressed(0, stageTarget)));
}

void DuplicateGroupCard::paintFile(QPainter& painter, std::size_t file, const QRect& rect) const {
    const DiskNode& node = group().files[file];
    const bool kept = node.path == m_keep;
    const FileLayout layout = fileLayout(file, rect);
    const QColor accent = Appearance::role(ColorRole::accent);
    const QColor muted = Appearance::role(ColorRole::muted);

    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
    painter.fillPath(shape, kept ? Appearance::role(ColorRole::accent, 0.065)
                                 : Appearance::role(ColorRole::background, 0.5));
    painter.strokePath(shape, QPen(kept ? Appearance::role(ColorRole::accent, 0.25)
                                        : Appearance::role(ColorRole::border, 0.45),
                                   1));

    Icons::paint(painter, kept ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle"),
                 QRectF(layout.radio), kept ? accent : muted);
    Icons::paint(painter, QStringLiteral("doc.text"), QRectF(layout.document), muted);

    painter.setFont(nameFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(layout.name, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     ViewText::elided(QFontMetrics(nameFont()), m_names[qsizetype(file)], Qt::ElideRight,
                                      layout.name.width()));
    painter.setFont(pathFont());
    painter.setPen(muted);
    painter.drawText(layout.path, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     ViewText::elided(QFontMetrics(pathFont()), m_shownPaths[qsizetype(file)],
                                      Qt::ElideMiddle, layout.path.width()));

    const QColor badgeColour = kept ? accent : muted;
    QPainterPath capsule;
    capsule.addRoundedRect(QRectF(layout.badge), layout.badge.height() / 2.0, layout.badge.height() / 2.0);
    QColor capsuleFill = badgeColour;
    capsuleFill.setAlphaF(badgeColour.alphaF() * 0.1f);
    painter.fillPath(capsule, capsuleFill);
    painter.setFont(badgeFont());
    painter.setPen(badgeColour);
    painter.drawText(layout.badge, Qt::AlignCenter, badgeText(kept));

    const int row = rowOfFile(file);
    kButtonStyle.paint(
        painter, layout.reveal, kRevealSymbol, {},
        kButtonStyle.look(true, isHovered(row, revealTarget) ? 1.0 : 0.0, isPressed(row, revealTarget)));
}

std::vector<RowCanvas::Target> DuplicateGroupCard::targets(int row, const QRect& rect) const {
    if (row == 0)
        return {Target{stageTarget, stageRect(rect), m_canStage, {}}};
    const std::size_t file = std::size_t(row - 1);
    const FileLayout layout = fileLayout(file, rect);
    // The reveal button first: the rest of the row is the choice.
    return {Target{revealTarget, layout.reveal, true, QStringLiteral("Reveal in Finder")},
            Target{chooseTarget, rect, true, QString::fromStdString(group().files[file].path)}};
}

void DuplicateGroupCard::activate(int row, int kind) {
    if (row == 0) {
        // The controller stages only while cleaning is allowed.
        if (kind == stageTarget && m_model.canClean())
            m_model.stageDuplicates(group(), keep());
        return;
    }
    const std::size_t file = std::size_t(row - 1);
    if (file >= group().files.size())
        return;
    const std::string path = group().files[file].path;
    if (kind == revealTarget) {
        m_model.reveal(path);
    } else if (kind == chooseTarget) {
        std::map<std::string, std::string> keepers = m_model.duplicateKeepers();
        keepers[group().id] = path;
        m_model.setDuplicateKeepers(std::move(keepers));
        refresh();
    }
}

} // namespace ambertrove
