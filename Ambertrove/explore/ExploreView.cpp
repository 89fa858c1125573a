#include "explore/ExploreView.hpp"

#include "controller/AppModel.hpp"
#include "explore/AgeMapView.hpp"
#include "explore/ExplorationToolbar.hpp"
#include "explore/FileTableView.hpp"
#include "explore/FolderGridView.hpp"
#include "explore/FolderNavigationBar.hpp"
#include "explore/GraphView.hpp"
#include "explore/QuickWinsView.hpp"
#include "explore/ScanProgressView.hpp"
#include "explore/TopSizesView.hpp"
#include "explore/WelcomeView.hpp"
#include "model/Formatting.hpp"
#include "shell/Rule.hpp"
#include "shell/StandInPanel.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ElidedLabel.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ambertrove {

namespace {

// The focused folder as the controller resolves it, without its list of children: the header asks for it
// at every change of the display, and a folder may hold very many entries.
std::optional<DiskNode> focusedFolder(const AppModel& model) {
    const ScanResultPtr& scan = model.scan();
    if (!scan)
        return std::nullopt;
    NodeIndex index = model.focusPath() ? scan->nodes.find(*model.focusPath()) : kNoNode;
    if (index == kNoNode)
        index = scan->rootIndex();
    if (index == kNoNode)
        return std::nullopt;
    return scan->nodes.makeNode(index, false);
}

QString kindTitle(QuickWinKind kind) {
    const std::string_view title = rawValue(kind);
    return QString::fromUtf8(title.data(), qsizetype(title.size()));
}

QString symbolOf(StorageView view) {
    switch (view) {
    case StorageView::folders:
        return QStringLiteral("folder");
    case StorageView::topSizes:
    case StorageView::table:
        return QStringLiteral("doc.text");
    case StorageView::ageMap:
        return QStringLiteral("clock.arrow.circlepath");
    default:
        return QStringLiteral("square.grid.2x2");
    }
}

} // namespace

ExploreView::ExploreView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    connect(&m_model, &AppModel::scanChanged, this, &ExploreView::refresh);
    connect(&m_model, &AppModel::displayChanged, this, &ExploreView::refresh);
    connect(&m_model, &AppModel::messagesChanged, this, &ExploreView::refresh);
    connect(&m_model, &AppModel::snapshotsChanged, this, &ExploreView::refresh);
    refresh();
}

ExploreView::Screen ExploreView::chosenScreen() const {
    if (m_model.scanning())
        return Screen::progress;
    return focusedFolder(m_model) ? Screen::explorer : Screen::welcome;
}

ScanProgressView* ExploreView::progressView() const {
    return m_screen == Screen::progress ? static_cast<ScanProgressView*>(m_current) : nullptr;
}

WelcomeView* ExploreView::welcomeView() const {
    return m_screen == Screen::welcome ? static_cast<WelcomeView*>(m_current) : nullptr;
}

QString ExploreView::titleText() const {
    return m_screen == Screen::explorer ? m_title->text() : QString();
}

QString ExploreView::sizeText() const {
    return m_screen == Screen::explorer ? m_size->text() : QString();
}

QString ExploreView::countsText() const {
    return m_screen == Screen::explorer && m_counts->isVisibleTo(this) ? m_counts->text() : QString();
}

void ExploreView::refresh() {
    m_screen = chosenScreen();
    if (m_screenBuilt != m_screen)
        build();
    else if (m_screen == Screen::explorer) {
        refreshHeader();
        refreshBody();
    }
}

void ExploreView::build() {
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    if (m_current) {
        // Later: the change may come from a control inside the screen being replaced.
        m_current->hide();
        m_current->deleteLater();
    }
    m_current = nullptr;
    m_title = nullptr;
    m_size = m_counts = nullptr;
    m_rescan = m_reveal = nullptr;
    m_navigation = nullptr;
    m_toolbar = nullptr;
    m_body = nullptr;
    m_bodyHolder = nullptr;
    m_bodyKey.clear();
    m_screenBuilt = m_screen;
    switch (m_screen) {
    case Screen::progress:
        m_current = new ScanProgressView(m_model, this);
        break;
    case Screen::welcome:
        m_current = new WelcomeView(m_model, this);
        break;
    case Screen::explorer: {
        m_current = new QWidget(this);
        auto* explorer = new QVBoxLayout(m_current);
        explorer->setContentsMargins(0, 0, 0, 0);
        explorer->setSpacing(0);
        buildExplorer(explorer);
        break;
    }
    }
    layout->addWidget(m_current, 1);
    m_current->show();
    if (m_screen == Screen::explorer) {
        refreshHeader();
        refreshBody();
    }
}

void ExploreView::buildExplorer(QVBoxLayout* layout) {
    auto* header = new QWidget(m_current);
    auto* headerLayout = new QVBoxLayout(header);
    headerLayout->setContentsMargins(22, 16, 22, 16);
    headerLayout->setSpacing(12);
    m_navigation = new FolderNavigationBar(m_model, header);
    headerLayout->addWidget(m_navigation);
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    // The texts stand on one baseline: each smaller one is raised by the difference of the descents.
    const QFont titleFont = ViewText::font(29, QFont::DemiBold);
    const int titleDescent = QFontMetrics(titleFont).descent();
    m_title = new ElidedLabel(QString(), Qt::ElideRight, header);
    m_title->setFont(titleFont);
    row->addWidget(m_title, 0, Qt::AlignBottom);
    m_size = plainLabel(ViewText::font(14, QFont::DemiBold), ColorRole::ink, header);
    m_size->setContentsMargins(0, 0, 0, titleDescent - m_size->fontMetrics().descent());
    row->addWidget(m_size, 0, Qt::AlignBottom);
    m_counts = plainLabel(ViewText::font(11), ColorRole::muted, header);
    m_counts->setContentsMargins(0, 0, 0, titleDescent - m_counts->fontMetrics().descent());
    row->addWidget(m_counts, 0, Qt::AlignBottom);
    row->addStretch(1);
    m_rescan = new TroveButton(QStringLiteral("Rescan"), {false, true}, header);
    connect(m_rescan, &TroveButton::clicked, this, [this] { m_model.refresh(); });
    row->addWidget(m_rescan);
    m_reveal = new TroveButton({false, true}, QStringLiteral("arrow.up.forward.square"), QString(), header);
    m_reveal->setToolTip(QStringLiteral("Reveal in Finder"));
    m_reveal->setAccessibleName(QStringLiteral("Reveal in Finder"));
    connect(m_reveal, &TroveButton::clicked, this, [this] {
        if (const auto node = focusedFolder(m_model))
            m_model.reveal(*node);
    });
    row->addWidget(m_reveal);
    headerLayout->addLayout(row);
    m_toolbar = new ExplorationToolbar(m_model, header);
    headerLayout->addWidget(m_toolbar);
    layout->addWidget(header);
    layout->addWidget(new Rule(Qt::Horizontal, m_current));
    m_bodyHolder = new QVBoxLayout;
    m_bodyHolder->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(m_bodyHolder, 1);
}

void ExploreView::refreshHeader() {
    const std::optional<DiskNode> node = focusedFolder(m_model);
    if (!node)
        return;
    const auto& quickWin = m_model.activeQuickWin();
    // The quick win's list is copied out: asked for only when one is active.
    const std::optional<QuickWin> visible = quickWin ? m_model.visibleWin() : std::nullopt;
    const QString title = quickWin ? kindTitle(*quickWin) : m_model.displayName(*node);
    if (m_title->text() != title) {
        m_title->setText(title);
        m_title->setToolTip(ViewText::plainToolTip(title));
    }
    const std::int64_t bytes = visible ? visible->bytes() : node->bytes(m_model.logical());
    m_size->setText(QString::fromStdString(formattedBytes(bytes)));
    m_counts->setVisible(!quickWin);
    m_counts->setText(QStringLiteral("·  ") + ViewText::groupedCount(node->fileCount) +
                      QStringLiteral(" files  ·  ") + ViewText::groupedCount(node->folderCount) +
                      QStringLiteral(" folders"));
    m_rescan->setVisible(m_model.isHistorical());
}

void ExploreView::refreshBody() {
    // The quick win's list, or the view the storage choice names; a body is made again only when that
    // choice changes. The five charts are one body, which keeps its recent charts across them.
    const std::optional<QuickWin> visible = m_model.activeQuickWin() ? m_model.visibleWin() : std::nullopt;
    const StorageView view = m_model.storageView();
    const QString key = visible         ? QStringLiteral("win:") + kindTitle(visible->kind)
                        : isGraph(view) ? QStringLiteral("view:chart")
                                        : QStringLiteral("view:") + rawValue(view);
    if (key == m_bodyKey)
        return;
    m_bodyKey = key;
    if (m_body) {
        m_body->hide();
        m_body->deleteLater();
    }
    m_body = visible ? makeQuickWinBody(*visible) : makeStorageBody(m_model.storageView());
    m_bodyHolder->addWidget(m_body, 1);
}

QWidget* ExploreView::makeQuickWinBody(const QuickWin& win) {
    return new QuickWinsView(m_model, win.kind, m_current);
}

QWidget* ExploreView::makeStorageBody(StorageView view) {
    switch (view) {
    case StorageView::folders:
        return new FolderGridView(m_model, m_current);

    case StorageView::topSizes:
        return new TopSizesView(m_model, m_current);

    case StorageView::ageMap:
        return new AgeMapView(m_model, m_current);

    case StorageView::table:
        return new FileTableView(m_model, m_current);

    case StorageView::treemap:
    case StorageView::sunburst:
    case StorageView::flame:
    case StorageView::bubbles:
    case StorageView::mindMap:
        return new GraphView(m_model, GraphView::Mode::explore, m_current);
    }
    return StandInPanel::make(symbolOf(view), rawValue(view), m_current);
}

} // namespace ambertrove
