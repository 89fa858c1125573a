#pragma once

#include "charts/GraphLayoutInput.hpp"
#include "charts/GraphScene.hpp"
#include "explore/GraphLayoutKey.hpp"
#include "explore/GraphRender.hpp"
#include "explore/GraphSceneCache.hpp"
#include "explore/StorageBody.hpp"

#include "analysis/TaskCancellation.hpp"
#include "model/DiskNode.hpp"
#include "model/ScanResult.hpp"

#include <QPointF>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

class QMenu;
class QTimer;

namespace ambertrove {

class AppModel;
class BusyBadge;
class EmptyPanel;
class GraphCanvas;
class GraphInfoStrip;

// The chart of one folder in the style the controller names (treemap, sunburst, flame, bubbles or mind
// map), with the line that names the highlighted item below it. The explorer shows the focused folder;
// the live chart of a running scan shows the partial scan of the folder the user browses and follows it
// as the scan goes on.
//
// A chart is laid out off the GUI thread, 70 ms after its inputs last changed, and drawn there once into
// pictures; a layout whose inputs changed meanwhile installs nothing. The explorer keeps its last three
// charts and shows one again at once. While the next layout is made the chart on screen stays, with a
// busy badge, and answers no pointer (the live chart stays usable while it shows the browsed folder).
class GraphView final : public QWidget, public StorageBody {
    Q_OBJECT

public:
    enum class Mode { explore, live };

    // Lays a chart out; called off the GUI thread. Tests count and hold layouts through it.
    using Build = std::function<GraphScene(const GraphLayoutInput& input, const QRectF& bounds,
                                           const TaskCancellation&)>;
    // Opens the context menu of `node` at a screen position.
    using MenuPresenter = std::function<void(const DiskNode& node, QPoint globalPosition)>;

    static constexpr int kMargin = 22;
    static constexpr int kSpacing = 12;
    // The busy badge's distance from the chart area's top and trailing edges.
    static constexpr int kOverlayInset = 8;
    static constexpr int kLivePollMilliseconds = 180;
    static constexpr int kItemsMenuLimit = 200;
    static inline const QString kOpenFolder = QStringLiteral("Open folder");
    static inline const QString kEmptyTitle = QStringLiteral("No matching files");
    static inline const QString kEmptySubtitle =
        QStringLiteral("Change the size setting or clear your filters.");

    GraphView(AppModel& model, Mode mode, QWidget* parent = nullptr, Build build = {});
    ~GraphView() override;
    Q_DISABLE_COPY_MOVE(GraphView)

    // The symbol of the empty state of a storage view.
    [[nodiscard]] static QString emptySymbol(StorageView view);

    // Ready, and its picture drawn.
    [[nodiscard]] bool showsCurrentResult() const override;
    // The chart on screen is the finished layout of what the settings ask for now.
    [[nodiscard]] bool isReady() const;
    // Ready, or a live chart showing the folder browsed: the pointer is answered.
    [[nodiscard]] bool isCurrent() const;

    [[nodiscard]] Mode mode() const { return m_mode; }
    [[nodiscard]] const GraphScene& scene() const { return *m_scene; }
    [[nodiscard]] const std::shared_ptr<const GraphScene>& sharedScene() const { return m_scene; }
    [[nodiscard]] const GraphSceneCache& cache() const { return m_cache; }
    [[nodiscard]] const std::optional<std::string>& hovered() const { return m_hovered; }
    // The hovered item, else the selected one, as far as the chart draws it.
    [[nodiscard]] std::optional<DiskNode> highlighted() const;
    // The item under `point` of the chart area while the chart is current, in the scan drawn.
    [[nodiscard]] std::optional<DiskNode> nodeAt(QPointF point) const;

    [[nodiscard]] GraphCanvas* canvas() const { return m_canvas; }
    [[nodiscard]] GraphInfoStrip* strip() const { return m_strip; }
    [[nodiscard]] EmptyPanel* emptyPanel() const { return m_empty; }
    [[nodiscard]] BusyBadge* busyBadge() const { return m_busy; }

    // Replaces what opens the context menu; an empty one restores the menu of the node's actions.
    void setMenuPresenter(MenuPresenter presenter);
    // The menu of the items drawn that "Select item…" opens, made afresh (not opened).
    QMenu* makeItemsMenu();

signals:
    void hoveredChanged();
    // A chart was put on screen, made now or taken from the cache.
    void sceneInstalled();
    // The live chart looked at the newest partial scan (and laid it out when it was new).
    void livePassed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The folder charted, in the scan it is charted from.
    struct Root {
        ScanResultPtr scan;
        NodeIndex index = kNoNode;
        std::string path;
    };
    // What a layout job hands back.
    struct Built {
        std::shared_ptr<const GraphScene> scene;
        std::shared_ptr<const GraphRender> render;
    };

    [[nodiscard]] ScanResultPtr liveChart() const;
    [[nodiscard]] ScanResultPtr drawnScan() const;
    [[nodiscard]] std::optional<Root> currentRoot() const;
    [[nodiscard]] QSize chartSize() const;
    [[nodiscard]] std::string markPath(std::size_t mark) const;
    [[nodiscard]] std::int64_t sizeOf(const DiskNode& node) const;

    // Takes the settings again: a changed layout key starts the layout task anew.
    void refresh();
    void startTask();
    void stopTask();
    void livePass();
    void startBuild(const Root& root, GraphLayoutKey sceneKey);
    void finishBuild(const Built& built, const GraphLayoutKey& sceneKey, const std::string& focus);
    void install(std::shared_ptr<const GraphScene> scene, std::shared_ptr<const GraphRender> render,
                 const GraphLayoutKey& key, const std::string& focus);
    void renderAgain();

    void pointerMoved(QPointF point);
    void setHovered(std::optional<std::string> path);
    void resolveHover();
    void clicked(QPointF point);
    void doubleClicked(QPointF point);
    void menuRequested(QPointF point, QPoint globalPosition);
    void presentMenu(const DiskNode& node, QPoint globalPosition);
    void openItemsMenu();

    // The overlays, the outline, the caption and the strip, from the state.
    void updateState();
    void placeOverlays();

    AppModel& m_model;
    const Mode m_mode;
    Build m_build;
    MenuPresenter m_presenter;

    std::shared_ptr<const GraphScene> m_scene;
    std::optional<GraphLayoutKey> m_readyKey;
    std::string m_renderedFocus;
    GraphSceneCache m_cache;
    std::optional<std::string> m_hovered;
    std::optional<QPointF> m_hoverPoint;

    std::optional<GraphLayoutKey> m_viewKey;
    std::optional<GraphLayoutKey> m_taskKey;
    std::stop_source m_buildStop;
    std::stop_source m_renderStop;
    QTimer* m_livePoll = nullptr;

    GraphCanvas* m_canvas = nullptr;
    GraphInfoStrip* m_strip = nullptr;
    EmptyPanel* m_empty = nullptr;
    BusyBadge* m_busy = nullptr;
    QPointer<QMenu> m_itemsMenu;
};

} // namespace ambertrove
