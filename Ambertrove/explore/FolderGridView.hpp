#pragma once

#include "analysis/ScanQuery.hpp"
#include "controller/KeyedQuery.hpp"
#include "explore/ExploreCanvas.hpp"
#include "explore/FolderCard.hpp"
#include "explore/NodeRowSection.hpp"
#include "explore/StorageBody.hpp"
#include "model/ScanResult.hpp"

#include <optional>
#include <vector>

class QVariantAnimation;

namespace ambertrove {

class EmptyPanel;

// The Folders view: the focused folder's sub-folders as a grid of folder cards (three columns at least
// 160 pixels wide) and, below them, its files as rows, both passing the explorer filters, largest first.
// Everything is painted, only what is in view. A very wide folder has only the start of each list put in
// order at once (what is seen first); the whole order is made off the GUI thread, and until it arrives
// the entries further down are drawn as placeholders. A click on a card focuses its folder; cards and
// rows carry the node menu.
class FolderGridView final : public ExploreCanvas, public StorageBody {
    Q_OBJECT

public:
    static constexpr int kPadding = 22;
    static constexpr int kSpacing = 20;
    static constexpr int kColumns = 3;
    static constexpr int kMinimumColumnWidth = 160;
    static constexpr int kColumnSpacing = 15;
    static constexpr int kRowSpacing = 16;
    // Up to this many children the lists are ordered whole at once; beyond, only their first kHead.
    static constexpr std::size_t kWholeLimit = 20'000;
    static constexpr std::size_t kHead = 600;
    // Another folder fades in over this time, unless motion is reduced.
    static constexpr int kFadeMilliseconds = 160;

    explicit FolderGridView(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FolderGridView)

    // The lists are those of the folder and filter shown now, and what is in view is in its final order.
    [[nodiscard]] bool showsCurrentResult() const override;
    // Both lists are in their final order (a wide folder's only once its order arrived).
    [[nodiscard]] bool isComplete() const;

    [[nodiscard]] int folderCount() const { return int(m_lists.folders.size()); }
    [[nodiscard]] DiskNode folder(int index) const;
    [[nodiscard]] int fileCount() const { return int(m_lists.files.size()); }
    // How many entries at the start of each list are in their final order.
    [[nodiscard]] int orderedFolders() const { return int(m_folderHead); }
    [[nodiscard]] int orderedFiles() const { return int(m_fileHead); }
    [[nodiscard]] DiskNode file(int index) const;
    [[nodiscard]] const NodeRowSection& files() const { return m_rows; }
    // The card's rectangle in content coordinates, and the card at a content point (-1 for none).
    [[nodiscard]] QRect cardRect(int index) const;
    [[nodiscard]] int cardAt(const QPoint& point) const;
    [[nodiscard]] int hoveredCard() const { return m_hovered; }
    // The opacity the grid is drawn at: below 1 while another folder fades in.
    [[nodiscard]] double opacity() const { return m_opacity; }
    [[nodiscard]] std::vector<FolderCard::TypeShare> typeMix(int index) const;
    // The "Folders" header with its count, shown while there are folders.
    [[nodiscard]] bool foldersHeaderShown() const { return !m_lists.folders.empty(); }
    [[nodiscard]] QRect foldersHeaderRect() const { return m_foldersHeader; }
    [[nodiscard]] QRect filesHeaderRect() const { return m_filesHeader; }
    // Shown while the folder lists nothing.
    [[nodiscard]] EmptyPanel* emptyPanel() const { return m_empty; }

protected:
    int layoutContent(int width) override;
    void paintContent(QPainter& painter, const QRect& exposed) override;
    void pointerMoved(const QPoint& point) override;
    void pointerLeft() override;
    void pressed(const QPoint& point) override;
    void released(const QPoint& point) override;
    void menuRequested(const QPoint& point, const QPoint& global) override;
    [[nodiscard]] QString toolTipAt(const QPoint& point, QRect* area) override;

private:
    // What the lists were made from: the scan, its focused folder and the filter.
    struct Key {
        const ScanResult* scan = nullptr;
        NodeIndex focus = kNoNode;
        ScanQuery filter;
        friend bool operator==(const Key&, const Key&) = default;
    };
    // The focused folder's children passing the filter, folders and files apart.
    struct Lists {
        std::vector<NodeIndex> folders;
        std::vector<NodeIndex> files;
    };
    [[nodiscard]] Key currentKey() const;
    void refresh();
    void orderArrived();
    void setHovered(int index);
    [[nodiscard]] FolderCard::Look look(const DiskNode& node, int index) const;
    [[nodiscard]] int columnWidth() const;

    ScanResultPtr m_scan;
    std::optional<Key> m_key;
    Lists m_lists;
    std::size_t m_folderHead = 0;
    std::size_t m_fileHead = 0;
    // The whole order of a wide folder.
    KeyedQuery<Key, Lists> m_order;
    NodeRowSection m_rows;
    EmptyPanel* m_empty = nullptr;
    QRect m_foldersHeader;
    QRect m_filesHeader;
    int m_gridTop = 0;
    int m_width = 0;
    int m_hovered = -1;
    int m_pressedCard = -1;
    bool m_pressedMenu = false;
    QVariantAnimation* m_fade = nullptr;
    double m_opacity = 1;
};

} // namespace ambertrove
