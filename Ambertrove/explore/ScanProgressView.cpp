#include "explore/ScanProgressView.hpp"

#include "controller/AppModel.hpp"
#include "explore/ExplorationToolbar.hpp"
#include "explore/FolderNavigationBar.hpp"
#include "explore/GraphView.hpp"
#include "explore/LiveFolderGrid.hpp"
#include "explore/NodeActions.hpp"
#include "model/Formatting.hpp"
#include "shell/BusyIndicator.hpp"
#include "shell/SymbolView.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ElidedLabel.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace ambertrove {

namespace {

enum Page { discoveringPage, openingPage, cardsPage, chartPage };

using ViewText::fromBytes;

// The centred stack of pages that the live content switches between.
QWidget* centred(QWidget* content, QWidget* parent) {
    auto* holder = new QWidget(parent);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    layout->addWidget(content, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    return holder;
}

} // namespace

std::vector<std::size_t> ScanProgressView::cardOrder(const ScanFolderPreview& folder, bool logical,
                                                     const std::function<bool(const DiskNode&)>& keep) {
    std::vector<std::size_t> order;
    order.reserve(folder.children.size());
    for (std::size_t i = 0; i < folder.children.size(); ++i)
        if (!keep || keep(folder.children[i]))
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const DiskNode& left = folder.children[a];
        const DiskNode& right = folder.children[b];
        const std::int64_t leftBytes = left.bytes(logical);
        const std::int64_t rightBytes = right.bytes(logical);
        if (leftBytes != rightBytes)
            return leftBytes > rightBytes;
        return left.path < right.path;
    });
    return order;
}

ScanProgressView::ScanProgressView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(12);

    auto* titleRow = new QHBoxLayout;
    m_title = plainLabel(ViewText::font(28, QFont::DemiBold), ColorRole::ink, this);
    titleRow->addWidget(m_title, 1);
    m_cancel = new TroveButton(QStringLiteral("Cancel scan"), {false, false}, this);
    connect(m_cancel, &TroveButton::clicked, this, [this] { m_model.cancelScan(); });
    titleRow->addWidget(m_cancel);
    layout->addLayout(titleRow);

    auto* counters = new QHBoxLayout;
    counters->setSpacing(14);
    counters->addWidget(new BusyIndicator(12, this));
    const QFont counterFont = ViewText::font(11);
    m_files = plainLabel(counterFont, ColorRole::muted, this);
    m_folders = plainLabel(counterFont, ColorRole::muted, this);
    m_bytes = plainLabel(ViewText::font(11, QFont::DemiBold), ColorRole::muted, this);
    counters->addWidget(m_files);
    counters->addWidget(m_folders);
    counters->addWidget(m_bytes);
    counters->addStretch(1);
    layout->addLayout(counters);

    m_toolbar = new ExplorationToolbar(m_model, this);
    layout->addWidget(m_toolbar);
    m_navigation = new FolderNavigationBar(m_model, this);
    layout->addWidget(m_navigation);

    m_pages = new QStackedWidget(this);
    m_pages->insertWidget(
        discoveringPage,
        centred(new EmptyPanel(QStringLiteral("folder"), QStringLiteral("Discovering folders…"),
                               QStringLiteral("Folders will appear here as the scan begins."), true, this),
                m_pages));
    auto* opening = new QWidget(m_pages);
    auto* openingRow = new QHBoxLayout(opening);
    openingRow->setSpacing(8);
    openingRow->addStretch(1);
    openingRow->addWidget(new BusyIndicator(12, opening));
    auto* openingText = plainLabel(ViewText::font(12), ColorRole::muted, opening);
    openingText->setText(QStringLiteral("Opening folder…"));
    openingRow->addWidget(openingText);
    openingRow->addStretch(1);
    m_pages->insertWidget(openingPage, opening);
    auto* cards = new QWidget(m_pages);
    auto* cardsLayout = new QVBoxLayout(cards);
    cardsLayout->setContentsMargins(0, 0, 0, 0);
    cardsLayout->setSpacing(0);
    m_emptyCards = new EmptyPanel(QStringLiteral("folder"), QString(), QString(), true, cards);
    cardsLayout->addWidget(m_emptyCards);
    m_grid = new LiveFolderGrid(cards);
    connect(m_grid, &LiveFolderGrid::activated, this, &ScanProgressView::activate);
    connect(m_grid, &LiveFolderGrid::menuRequested, this, [this](const DiskNode& node, const QPoint& at) {
        NodeActions::popup(m_grid, m_model, node, at);
    });
    cardsLayout->addWidget(m_grid, 1);
    m_pages->insertWidget(cardsPage, cards);
    m_chart = new GraphView(m_model, GraphView::Mode::live, m_pages);
    m_pages->insertWidget(chartPage, m_chart);
    layout->addWidget(m_pages, 1);

    auto* status = new QHBoxLayout;
    status->setSpacing(8);
    status->addWidget(SymbolView::dot(5, ColorRole::accent, this));
    m_caption = plainLabel(ViewText::font(10), ColorRole::muted, this);
    status->addWidget(m_caption);
    status->addSpacing(12 - status->spacing());
    m_path = new ElidedLabel(QString(), Qt::ElideMiddle, this);
    m_path->setFont(ViewText::font(10));
    m_path->setColor(Appearance::role(ColorRole::muted));
    m_path->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_path->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    status->addWidget(m_path, 1);
    layout->addLayout(status);

    connect(&m_model, &AppModel::progressChanged, this, &ScanProgressView::refreshProgress);
    connect(&m_model, &AppModel::scanChanged, this, [this] {
        refreshTitle();
        refreshContent();
    });
    connect(&m_model, &AppModel::displayChanged, this, &ScanProgressView::refreshContent);
    refreshTitle();
    refreshProgress();
}

QString ScanProgressView::titleText() const {
    return m_title->text();
}
QString ScanProgressView::filesText() const {
    return m_files->text();
}
QString ScanProgressView::foldersText() const {
    return m_folders->text();
}
QString ScanProgressView::bytesText() const {
    return m_bytes->text();
}
QString ScanProgressView::captionText() const {
    return m_caption->text();
}
QString ScanProgressView::pathText() const {
    return m_path->text();
}

void ScanProgressView::refreshTitle() {
    const QString title = QStringLiteral("Scanning ") + m_model.scanRootName() + QStringLiteral("…");
    if (title != m_title->text())
        m_title->setText(title);
}

void ScanProgressView::refreshProgress() {
    const auto& progress = m_model.scanProgress();
    m_files->setText(ViewText::groupedCount(progress ? progress->files : 0) + QStringLiteral(" files"));
    m_folders->setText(ViewText::groupedCount(progress ? progress->folders : 0) + QStringLiteral(" folders"));
    m_bytes->setText(QString::fromStdString(formattedBytes(progress ? progress->bytes : 0)));
    m_path->setText(progress ? fromBytes(progress->path) : QString());
    refreshContent();
}

void ScanProgressView::refreshContent() {
    const auto& progress = m_model.scanProgress();
    const ScanFolderPreview* browsing = progress && progress->browsing ? &*progress->browsing : nullptr;
    const bool graph = isGraph(m_model.storageView());
    const auto& requested = m_model.liveFocusPath();
    if (!browsing)
        m_content = Content::discovering;
    else if (requested && *requested != browsing->folder.path)
        m_content = Content::opening;
    else if (graph && browsing->chart)
        m_content = Content::chart;
    else
        m_content = Content::cards;

    const bool limitedChart = m_content == Content::chart && browsing->chartIsLimited;
    const QString caption = limitedChart ? QStringLiteral("Live — largest branches shown")
                                         : QStringLiteral("Live — totals update as files are found");
    if (caption != m_caption->text())
        m_caption->setText(caption);

    switch (m_content) {
    case Content::discovering:
        m_pages->setCurrentIndex(discoveringPage);
        return;
    case Content::opening:
        m_pages->setCurrentIndex(openingPage);
        return;
    case Content::chart:
        m_pages->setCurrentIndex(chartPage);
        return;
    case Content::cards:
        break;
    }
    m_pages->setCurrentIndex(cardsPage);
    // With no filter set every child is listed, so the common case tests nothing.
    std::function<bool(const DiskNode&)> keep;
    ScanQuery unfiltered;
    unfiltered.logical = m_model.logical();
    if (!(m_model.queryFilter() == unfiltered))
        keep = [this](const DiskNode& node) {
            return m_model.matches(node);
        };
    std::vector<std::size_t> order = cardOrder(*browsing, m_model.logical(), keep);
    const bool empty = order.empty();
    m_grid->setContent(progress, std::move(order), m_model.logical(), m_model.colorMode());
    if (empty) {
        const bool filtered = !m_model.activeFilters().empty();
        m_emptyCards->setTitle(filtered ? QStringLiteral("No matching items")
                                        : QStringLiteral("No items discovered here yet"));
        m_emptyCards->setSubtitle(
            filtered ? QStringLiteral("Clear filters to see the other items.")
                     : QStringLiteral("Scanning — items will appear here as they’re found."));
    }
    m_emptyCards->setVisible(empty);
}

void ScanProgressView::activate(const DiskNode& node) {
    if (node.isDirectory) {
        if (m_model.scanning() && !node.isSymbolicLink)
            m_model.navigateLive(node.path, true);
        return;
    }
    m_model.quickLook(node);
}

} // namespace ambertrove
