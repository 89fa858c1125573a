#include "explore/GraphView.hpp"

#include "controller/AppModel.hpp"
#include "controller/ChartSymbol.hpp"
#include "explore/BusyBadge.hpp"
#include "explore/GraphCanvas.hpp"
#include "explore/GraphInfoStrip.hpp"
#include "explore/NodeActions.hpp"
#include "model/Formatting.hpp"
#include "shell/PlainButton.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/ViewText.hpp"

#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace ambertrove {

namespace {

using ViewText::fromBytes;

// The newest partial scan of the browsed folder, kept alive by the progress report holding it.
ScanResultPtr liveChartOf(const AppModel& model) {
    const auto& progress = model.scanProgress();
    if (!progress || !progress->browsing || !progress->browsing->chart)
        return nullptr;
    return ScanResultPtr(progress, &*progress->browsing->chart);
}

GraphScene layOut(const GraphLayoutInput& input, const QRectF& bounds, const TaskCancellation& cancellation) {
    return input.build(bounds, cancellation);
}

} // namespace

QString GraphView::emptySymbol(StorageView view) {
    return QString::fromLatin1(symbolName(view));
}

GraphView::GraphView(AppModel& model, Mode mode, QWidget* parent, Build build)
    : QWidget(parent)
    , m_model(model)
    , m_mode(mode)
    , m_build(build ? std::move(build) : Build(layOut))
    , m_scene(std::make_shared<const GraphScene>()) {
    setMenuPresenter({});

    auto* layout = new QVBoxLayout(this);
    // The live chart reaches to the edges of the scan screen's content.
    const int margin = mode == Mode::explore ? kMargin : 0;
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(kSpacing);
    m_canvas = new GraphCanvas(this);
    layout->addWidget(m_canvas, 1);
    m_strip = new GraphInfoStrip(this);
    // What the strip names never widens the view, which would lay the chart out again at each hover.
    m_strip->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    layout->addWidget(m_strip);

    // Placed by hand rather than by a layout: the chart area's size is the chart's, never the panel's.
    m_empty = new EmptyPanel(emptySymbol(model.storageView()), kEmptyTitle, kEmptySubtitle, false, m_canvas);
    m_empty->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_empty->hide();
    m_busy = new BusyBadge(m_canvas);

    m_livePoll = new QTimer(this);
    m_livePoll->setSingleShot(true);
    m_livePoll->setInterval(kLivePollMilliseconds);
    connect(m_livePoll, &QTimer::timeout, this, &GraphView::livePass);

    connect(m_canvas, &GraphCanvas::pointerMoved, this, &GraphView::pointerMoved);
    connect(m_canvas, &GraphCanvas::pointerLeft, this, [this] {
        m_hoverPoint.reset();
        setHovered(std::nullopt);
    });
    connect(m_canvas, &GraphCanvas::clicked, this, &GraphView::clicked);
    connect(m_canvas, &GraphCanvas::doubleClicked, this, &GraphView::doubleClicked);
    connect(m_canvas, &GraphCanvas::menuRequested, this, &GraphView::menuRequested);
    connect(m_canvas, &GraphCanvas::resized, this, [this] {
        placeOverlays();
        refresh();
    });
    connect(m_canvas, &GraphCanvas::renderOutdated, this, &GraphView::renderAgain);
    connect(m_strip, &GraphInfoStrip::itemsRequested, this, &GraphView::openItemsMenu);

    connect(&m_model, &AppModel::displayChanged, this, &GraphView::refresh);
    connect(&m_model, &AppModel::scanChanged, this, &GraphView::refresh);
    if (mode == Mode::live)
        connect(&m_model, &AppModel::progressChanged, this, &GraphView::refresh);
    refresh();
}

GraphView::~GraphView() {
    m_buildStop.request_stop();
    m_renderStop.request_stop();
}

// ---- State ----

ScanResultPtr GraphView::liveChart() const {
    return m_mode == Mode::live ? liveChartOf(m_model) : nullptr;
}

ScanResultPtr GraphView::drawnScan() const {
    if (ScanResultPtr live = liveChart())
        return live;
    return m_model.scan();
}

std::optional<GraphView::Root> GraphView::currentRoot() const {
    if (ScanResultPtr live = liveChart()) {
        const NodeIndex index = live->rootIndex();
        if (index != kNoNode)
            return Root{live, index, live->nodes.nodePath(index)};
    }
    const ScanResultPtr& scan = m_model.scan();
    if (!scan)
        return std::nullopt;
    // Found without its list of children: a folder may hold very many entries.
    NodeIndex index = m_model.focusPath() ? scan->nodes.find(*m_model.focusPath()) : kNoNode;
    if (index == kNoNode)
        index = scan->rootIndex();
    if (index == kNoNode)
        return std::nullopt;
    return Root{scan, index, scan->nodes.nodePath(index)};
}

QSize GraphView::chartSize() const {
    return {std::max(1, m_canvas->width()), std::max(1, m_canvas->height())};
}

std::string GraphView::markPath(std::size_t mark) const {
    return m_scene->scan->nodes.nodePath(m_scene->marks[mark].node);
}

std::int64_t GraphView::sizeOf(const DiskNode& node) const {
    return node.bytes(m_model.logical());
}

bool GraphView::isReady() const {
    return m_viewKey && m_readyKey && *m_viewKey == *m_readyKey;
}

bool GraphView::isCurrent() const {
    if (isReady())
        return true;
    if (m_mode != Mode::live || !liveChart())
        return false;
    const std::optional<Root> root = currentRoot();
    return root && root->path == m_renderedFocus;
}

bool GraphView::showsCurrentResult() const {
    return isReady() && m_canvas->render() && m_canvas->render()->draws(*m_scene);
}

std::optional<DiskNode> GraphView::highlighted() const {
    for (const std::optional<std::string>* candidate : {&m_hovered, &m_model.selection()}) {
        if (!*candidate)
            continue;
        const std::vector<std::size_t>* marks = m_scene->marksOf(**candidate);
        if (marks && !marks->empty())
            return m_scene->scan->nodes.makeNode(m_scene->marks[marks->back()].node, false);
    }
    return std::nullopt;
}

std::optional<DiskNode> GraphView::nodeAt(QPointF point) const {
    if (!isCurrent())
        return std::nullopt;
    const std::optional<std::size_t> hit = m_scene->markAt(point);
    const ScanResultPtr scan = drawnScan();
    if (!hit || !scan)
        return std::nullopt;
    const NodeIndex index = scan->nodes.find(markPath(*hit));
    if (index == kNoNode)
        return std::nullopt;
    return scan->nodes.makeNode(index, false);
}

// ---- Layout task ----

void GraphView::refresh() {
    if (m_mode == Mode::explore)
        m_cache.keepOnly(m_model.scan().get());
    const std::optional<Root> root = currentRoot();
    const ScanResultPtr live = liveChart();
    const std::optional<Uuid> liveId = live ? std::optional<Uuid>(live->id) : std::nullopt;
    const std::string path = root ? root->path : std::string();
    const QSizeF size(chartSize());
    m_viewKey = GraphLayoutKey::make(m_model, liveId, path, size, false);
    GraphLayoutKey taskKey =
        m_mode == Mode::live ? GraphLayoutKey::make(m_model, liveId, path, size, true) : *m_viewKey;
    if (m_taskKey != taskKey) {
        m_taskKey = std::move(taskKey);
        startTask();
    }
    updateState();
}

void GraphView::stopTask() {
    m_buildStop.request_stop();
    m_livePoll->stop();
}

void GraphView::startTask() {
    stopTask();
    if (!isVisible())
        return;
    const std::optional<Root> root = currentRoot();
    if (!root || root->path != m_renderedFocus) {
        m_hoverPoint.reset();
        setHovered(std::nullopt);
    }
    if (m_mode == Mode::live) {
        livePass();
        return;
    }
    if (const GraphSceneCache::Entry* hit = m_cache.find(*m_viewKey)) {
        install(hit->scene, hit->render, *m_viewKey, root ? root->path : std::string());
        return;
    }
    if (!root || m_readyKey == m_viewKey)
        return;
    startBuild(*root, *m_viewKey);
}

void GraphView::livePass() {
    const ScanResultPtr chart = liveChart();
    if (!chart || !isVisible())
        return;
    const NodeIndex index = chart->rootIndex();
    if (index == kNoNode)
        return;
    Root root{chart, index, chart->nodes.nodePath(index)};
    GraphLayoutKey sceneKey =
        GraphLayoutKey::make(m_model, chart->id, root.path, QSizeF(chartSize()), false, chart->id);
    if (m_readyKey == sceneKey)
        m_livePoll->start();
    else
        startBuild(root, std::move(sceneKey));
    emit livePassed();
}

void GraphView::startBuild(const Root& root, GraphLayoutKey sceneKey) {
    GraphLayoutInput input;
    input.scan = root.scan;
    input.root = root.index;
    input.storageView = m_model.storageView();
    input.depth = m_model.visualizationDepth();
    input.logical = m_model.logical();
    input.colorMode = m_model.colorMode();
    input.filter = m_model.filter().toStdString();
    input.showHidden = m_model.showHidden();
    input.minimumBytes = m_model.minimumBytes();
    input.categoryFilter = m_model.categoryFilter();
    input.modifiedBeforeDays = m_model.modifiedBeforeDays();
    input.useThemeColors(m_model.dark());
    input.now = Date::now();

    m_buildStop.request_stop();
    m_buildStop = std::stop_source();
    const QSize size = chartSize();
    const qreal ratio = devicePixelRatioF();
    m_model.backgroundQuery<Built>(
        m_buildStop.get_token(),
        [build = m_build, input = std::move(input), size, ratio](const TaskCancellation& cancellation) {
            Built built;
            auto scene = std::make_shared<const GraphScene>(
                build(input, QRectF(QPointF(0, 0), QSizeF(size)), cancellation));
            if (cancellation.isCancelled())
                return built;
            // Drawn here, before the GUI thread sees the scene: its shapes are then only read.
            built.render = GraphRender::make(*scene, size, ratio);
            built.scene = std::move(scene);
            return built;
        },
        [this, sceneKey = std::move(sceneKey), focus = root.path](Built built) {
            if (built.scene)
                finishBuild(built, sceneKey, focus);
        });
}

void GraphView::finishBuild(const Built& built, const GraphLayoutKey& sceneKey, const std::string& focus) {
    if (m_mode == Mode::explore)
        m_cache.insert(sceneKey, built.scene, built.render);
    install(built.scene, built.render, sceneKey, focus);
    if (m_mode == Mode::live)
        m_livePoll->start();
}

void GraphView::install(std::shared_ptr<const GraphScene> scene, std::shared_ptr<const GraphRender> render,
                        const GraphLayoutKey& key, const std::string& focus) {
    const bool fade = !Appearance::reducedMotion() && m_canvas->render() && scene->id != m_scene->id;
    m_scene = std::move(scene);
    m_readyKey = key;
    m_renderedFocus = focus;
    m_canvas->setPicture(m_scene, std::move(render), fade);
    resolveHover();
    updateState();
    emit sceneInstalled();
}

void GraphView::renderAgain() {
    const std::shared_ptr<const GraphRender>& shown = m_canvas->render();
    if (!shown || !shown->draws(*m_scene))
        return;
    m_renderStop.request_stop();
    m_renderStop = std::stop_source();
    auto copy = std::make_shared<const GraphScene>(GraphRender::drawingCopy(*m_scene));
    const QSize size = shown->size;
    const qreal ratio = devicePixelRatioF();
    m_model.backgroundQuery<std::shared_ptr<const GraphRender>>(
        m_renderStop.get_token(),
        [copy, size, ratio](const TaskCancellation&) { return GraphRender::make(*copy, size, ratio); },
        [this](std::shared_ptr<const GraphRender> render) {
            m_cache.updateRender(render);
            if (render->draws(*m_scene))
                m_canvas->setRender(std::move(render));
        });
}

void GraphView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_taskKey.reset();
    refresh();
}

void GraphView::hideEvent(QHideEvent* event) {
    stopTask();
    m_taskKey.reset();
    QWidget::hideEvent(event);
}

// ---- Pointer ----

void GraphView::setHovered(std::optional<std::string> path) {
    if (path == m_hovered)
        return;
    m_hovered = std::move(path);
    updateState();
    emit hoveredChanged();
}

void GraphView::resolveHover() {
    std::optional<std::string> path;
    if (m_hoverPoint) {
        if (const std::optional<std::size_t> hit = m_scene->markAt(*m_hoverPoint))
            path = markPath(*hit);
    }
    setHovered(std::move(path));
}

void GraphView::pointerMoved(QPointF point) {
    if (!isCurrent()) {
        m_hoverPoint.reset();
        setHovered(std::nullopt);
        return;
    }
    m_hoverPoint = point;
    resolveHover();
}

void GraphView::clicked(QPointF point) {
    if (!isCurrent())
        return;
    if (const std::optional<std::size_t> hit = m_scene->markAt(point))
        m_model.setSelection(markPath(*hit));
}

void GraphView::doubleClicked(QPointF point) {
    if (const std::optional<DiskNode> node = nodeAt(point))
        m_model.focus(*node);
}

void GraphView::menuRequested(QPointF point, QPoint globalPosition) {
    if (const std::optional<DiskNode> node = nodeAt(point))
        m_presenter(*node, globalPosition);
}

void GraphView::setMenuPresenter(MenuPresenter presenter) {
    if (!presenter)
        presenter = [this](const DiskNode& node, QPoint globalPosition) {
            presentMenu(node, globalPosition);
        };
    m_presenter = std::move(presenter);
}

void GraphView::presentMenu(const DiskNode& node, QPoint globalPosition) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    NodeActions::fill(
        *menu, m_model, node, kOpenFolder, [model = &m_model, mode = m_mode](const std::string& path) {
            const ScanResultPtr scan = mode == Mode::live ? liveChartOf(*model) : model->scan();
            const NodeIndex index = scan ? scan->nodes.find(path) : kNoNode;
            return index == kNoNode ? std::nullopt
                                    : std::optional<DiskNode>(scan->nodes.makeNode(index, false));
        });
    menu->popup(globalPosition);
}

// ---- Items menu ----

QMenu* GraphView::makeItemsMenu() {
    if (m_itemsMenu && !m_itemsMenu->isVisible())
        delete m_itemsMenu;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    m_itemsMenu = menu;
    const GraphScene& scene = *m_scene;
    if (!scene.scan)
        return menu;
    const std::size_t count = std::min<std::size_t>(scene.items.size(), kItemsMenuLimit);
    AppModel* model = &m_model;
    const Mode mode = m_mode;
    for (std::size_t i = 0; i < count; ++i) {
        const DiskNode node = scene.scan->nodes.makeNode(scene.items[i], false);
        const QString name = fromBytes(node.name());
        QMenu* item = menu->addMenu(ViewText::withoutMnemonic(name + QStringLiteral(" — ") +
                                                              fromBytes(formattedBytes(sizeOf(node)))));
        connect(item->addAction(QStringLiteral("Inspect")), &QAction::triggered, this,
                [model, path = node.path] { model->setSelection(path); });
        if (!node.isDirectory)
            continue;
        connect(item->addAction(kOpenFolder), &QAction::triggered, this, [model, mode, path = node.path] {
            const ScanResultPtr scan = mode == Mode::live ? liveChartOf(*model) : model->scan();
            const NodeIndex index = scan ? scan->nodes.find(path) : kNoNode;
            if (index != kNoNode)
                model->focus(scan->nodes.makeNode(index, false));
        });
    }
    if (scene.items.size() > kItemsMenuLimit) {
        menu->addSeparator();
        connect(menu->addAction(QStringLiteral("Browse all ") +
                                ViewText::groupedCount(std::int64_t(scene.items.size())) +
                                QStringLiteral(" items")),
                &QAction::triggered, this, [model] { model->setStorageView(StorageView::folders); });
    }
    return menu;
}

void GraphView::openItemsMenu() {
    QMenu* menu = makeItemsMenu();
    PlainButton* button = m_strip->itemsButton();
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

// ---- Overlays, outline, caption and strip ----

void GraphView::placeOverlays() {
    const QRect area =
        m_canvas->rect().adjusted(kOverlayInset, kOverlayInset, -kOverlayInset, -kOverlayInset);
    m_busy->move(area.right() + 1 - m_busy->width(), area.top());
    const int height = m_empty->heightForWidth(area.width());
    m_empty->setGeometry(area.left(), area.top() + (area.height() - height) / 2, area.width(), height);
}

void GraphView::updateState() {
    const bool ready = isReady();
    const bool current = isCurrent();
    const StorageView view = m_model.storageView();
    m_busy->setVisible(!current);
    if (const QString symbol = emptySymbol(view); symbol != m_empty->icon())
        m_empty->setIcon(symbol);
    m_empty->setVisible(ready && m_scene->marks.empty());
    m_canvas->setShowLabels(m_model.showLabels());

    const std::optional<Root> root = currentRoot();
    const std::optional<DiskNode> rootNode =
        root ? std::optional<DiskNode>(root->scan->nodes.makeNode(root->index, false)) : std::nullopt;
    const QString label = rawValue(view) + QStringLiteral(" — ") +
                          (rootNode ? fromBytes(rootNode->name()) : QStringLiteral("folder"));
    if (label != m_canvas->accessibleName())
        m_canvas->setAccessibleName(label);

    // The outline: the hovered and the selected item, each once.
    std::vector<std::size_t> outlined;
    using Path = const std::optional<std::string>*;
    for (Path path : std::initializer_list<Path>{&m_hovered, &m_model.selection()}) {
        if (!*path || (path != &m_hovered && m_hovered == **path))
            continue;
        if (const std::vector<std::size_t>* marks = m_scene->marksOf(**path))
            outlined.insert(outlined.end(), marks->begin(), marks->end());
    }
    m_canvas->setHighlighted(std::move(outlined));

    const std::optional<DiskNode> item = highlighted();
    std::optional<GraphCanvas::Caption> caption;
    if (view == StorageView::sunburst && m_scene->center && rootNode && m_renderedFocus == root->path) {
        const DiskNode& node = item ? *item : *rootNode;
        const QRectF& centre = *m_scene->center;
        const QSizeF frame(std::max(centre.width() - 18, 20.0), std::max(centre.height() - 14, 0.0));
        caption = GraphCanvas::Caption{
            QRectF(centre.center().x() - frame.width() / 2, centre.center().y() - frame.height() / 2,
                   frame.width(), frame.height()),
            m_model.displayName(node), fromBytes(formattedBytes(sizeOf(node))),
            node.path == rootNode->path ? QString()
                                        : fromBytes(formattedShare(sizeOf(node), sizeOf(*rootNode)))};
    }
    m_canvas->setCaption(std::move(caption));

    if (!item) {
        m_strip->setItem(std::nullopt);
        return;
    }
    m_strip->setItem(
        GraphInfoStrip::Item{chartSymbol(*item), fromBytes(item->name()), fromBytes(item->path),
                             fromBytes(formattedBytes(sizeOf(*item))),
                             fromBytes(formattedShare(sizeOf(*item), rootNode ? sizeOf(*rootNode) : 0)) +
                                 QStringLiteral(" of folder"),
                             GraphInfoStrip::kindText(*item)});
}

} // namespace ambertrove
