#include "explore/QuickWinsView.hpp"

#include "analysis/QuickWin.hpp"
#include "controller/AppModel.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace ambertrove {

namespace {

QFont headingFont() {
    return ViewText::font(19, QFont::DemiBold);
}

} // namespace

QuickWinsView::QuickWinsView(AppModel& model, QuickWinKind kind, QWidget* parent)
    : ExploreCanvas(model, parent)
    , m_kind(kind)
    , m_rows(*this) {
    m_header = new QWidget(viewport());
    auto* row = new QHBoxLayout(m_header);
    row->setContentsMargins(0, 0, 0, 0);
    m_explanation =
        plainLabel(ViewText::font(12), ColorRole::muted, m_header, ViewText::fromBytes(explanation(kind)));
    m_explanation->setWordWrap(true);
    row->addWidget(m_explanation, 1);
    m_stage = new TroveButton(QString(), {true, false}, m_header);
    connect(m_stage, &TroveButton::clicked, this, &QuickWinsView::stage);
    row->addWidget(m_stage, 0, Qt::AlignVCenter);
    m_empty = new EmptyPanel(QString(), QString(), QString(), false, viewport());
    m_empty->hide();

    connect(&model, &AppModel::scanChanged, this, &QuickWinsView::refresh);
    connect(&model, &AppModel::displayChanged, this, &QuickWinsView::refresh);
    // The jobs and a saved scan decide whether staging is allowed; the queue marks the rows.
    connect(&model, &AppModel::cleanupChanged, this, &QuickWinsView::refreshButton);
    connect(&model, &AppModel::messagesChanged, this, &QuickWinsView::refreshButton);
    connect(&model, &AppModel::snapshotsChanged, this, &QuickWinsView::refreshButton);
    refresh();
}

QString QuickWinsView::explanationText() const {
    return m_explanation->text();
}

const QuickWin* QuickWinsView::win() const {
    const std::vector<QuickWin>& wins = model().quickWins();
    const auto found =
        std::find_if(wins.begin(), wins.end(), [this](const QuickWin& win) { return win.kind == m_kind; });
    return found == wins.end() ? nullptr : &*found;
}

void QuickWinsView::refresh() {
    const QuickWin* shown = win();
    const bool logical = model().logical();
    m_shown.clear();
    if (shown) {
        const ScanQueryFilter test(model().queryFilter(), model().now());
        for (std::size_t i = 0; i < shown->nodes.size(); ++i) {
            const DiskNode& node = shown->nodes[i];
            if (test.matches(node.name(), node.isDirectory, node.bytes(logical), node.modified))
                m_shown.push_back(i);
        }
    }
    // The bars are scaled to the largest candidate, whether the filters list it or not.
    const std::int64_t maximum = shown && !shown->nodes.empty() ? shown->nodes.front().bytes(logical) : 1;
    m_rows.setRows(int(m_shown.size()),
                   [this](int index) {
                       // A candidate folder's children list is not needed to show or act on it.
                       const QuickWin* current = win();
                       if (!current)
                           return DiskNode();
                       const DiskNode& candidate = current->nodes[m_shown[std::size_t(index)]];
                       DiskNode row;
                       static_cast<NodeData&>(row) = candidate;
                       row.path = candidate.path;
                       row.parent = candidate.parent;
                       return row;
                   },
                   {std::nullopt, maximum, true});

    const QString title = ViewText::fromBytes(rawValue(m_kind));
    if (!shown || shown->nodes.empty()) {
        m_empty->setIcon(QStringLiteral("checkmark.circle"));
        m_empty->setTitle(QStringLiteral("Nothing to review here"));
        m_empty->setSubtitle(QStringLiteral("No ") + title.toLower() +
                             QStringLiteral(" candidates were found in this scan."));
    } else if (m_shown.empty()) {
        m_empty->setIcon(QStringLiteral("line.3.horizontal.decrease.circle"));
        m_empty->setTitle(QStringLiteral("No matching items"));
        m_empty->setSubtitle(QStringLiteral("Clear filters to see the other candidates."));
    }
    m_empty->setVisible(m_shown.empty());
    refreshButton();
    relayout();
}

void QuickWinsView::refreshButton() {
    m_stage->setLabel(QStringLiteral("Add ") + ViewText::groupedCount(std::int64_t(m_shown.size())) +
                      QStringLiteral(" to Cleanup"));
    m_stage->setEnabled(!m_shown.empty() && model().canClean());
    viewport()->update();
}

void QuickWinsView::stage() {
    const QuickWin* shown = win();
    if (!shown)
        return;
    std::vector<DiskNode> nodes;
    nodes.reserve(m_shown.size());
    for (const std::size_t i : m_shown)
        nodes.push_back(shown->nodes[i]);
    model().stage(nodes, nullptr, std::string(rawValue(m_kind)));
}

int QuickWinsView::layoutContent(int width) {
    const int inner = std::max(0, width - 2 * kPadding);
    int y = kPadding;
    const int headerHeight =
        m_header->heightForWidth(inner) > 0 ? m_header->heightForWidth(inner) : m_header->sizeHint().height();
    place(m_header, QRect(kPadding, y, inner, headerHeight));
    y += headerHeight + kSpacing;
    const int headingHeight = QFontMetrics(headingFont()).height();
    m_heading = QRect(kPadding, y, inner, headingHeight);
    y += headingHeight + kSpacing;
    if (m_rows.count() > 0) {
        m_rows.setGeometry(kPadding, y, inner);
        y += m_rows.height() + kSpacing;
    }
    if (m_shown.empty()) {
        const int height = m_empty->heightForWidth(inner);
        place(m_empty, QRect(kPadding, y, inner, height));
        y += height + kSpacing;
    }
    return y - kSpacing + kPadding;
}

void QuickWinsView::paintContent(QPainter& painter, const QRect& exposed) {
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_heading.intersects(exposed)) {
        painter.setFont(headingFont());
        painter.setPen(Appearance::role(ColorRole::ink));
        painter.drawText(m_heading, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Candidates to review"));
    }
    m_rows.paint(painter, exposed);
}

void QuickWinsView::pressed(const QPoint& point) {
    m_rows.press(point);
}

void QuickWinsView::released(const QPoint& point) {
    m_rows.release(point);
}

void QuickWinsView::menuRequested(const QPoint& point, const QPoint& global) {
    m_rows.showMenu(point, global);
}

QString QuickWinsView::toolTipAt(const QPoint& point, QRect* area) {
    return m_rows.toolTipAt(point, area);
}

} // namespace ambertrove
