#pragma once

#include "controller/ColorMode.hpp"
#include "explore/FolderCard.hpp"
#include "scan/ScanProgress.hpp"

#include <QAbstractScrollArea>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace ambertrove {

// The live folder cards of the scan progress screen: one folder card per child of the browsed folder in a
// grid of adaptive columns (at least 175 pixels wide), painted, only the visible rows. A card is activated
// by a click, or by Return or Space on the current card; the menu button of a hovered card and a right
// click ask for its node menu. The grid starts at the top again whenever the browsed folder changes.
class LiveFolderGrid final : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kMinimumColumnWidth = 175;
    static constexpr int kColumnSpacing = 8;
    static constexpr int kRowSpacing = 16;
    static constexpr int kCardHeight = FolderCard::kHeight;

    explicit LiveFolderGrid(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(LiveFolderGrid)

    // Shows the children of `progress`'s browsed folder in `order` (indices into its children), sized
    // logically or as allocated, coloured by `colorMode`.
    void setContent(std::shared_ptr<const ScanProgress> progress, std::vector<std::size_t> order,
                    bool logical, ColorMode colorMode = ColorMode::folder);

    [[nodiscard]] int count() const { return int(m_order.size()); }
    [[nodiscard]] const DiskNode& node(int index) const;
    [[nodiscard]] int columnCount() const;
    // The card's rectangle in the viewport.
    [[nodiscard]] QRect cardRect(int index) const;
    [[nodiscard]] int indexAt(const QPoint& viewportPoint) const;
    [[nodiscard]] int currentIndex() const { return m_current; }
    [[nodiscard]] int hoveredIndex() const { return m_hovered; }
    // Where the menu button of the hovered card is, in the viewport.
    [[nodiscard]] QRect menuButtonRect(int index) const;

signals:
    void activated(const DiskNode& node);
    // The node menu of `node`, at a global point.
    void menuRequested(const DiskNode& node, const QPoint& global);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void updateScrollRange();
    [[nodiscard]] FolderCard::Look look(const DiskNode& node, int index) const;
    [[nodiscard]] int columnWidth() const;

    std::shared_ptr<const ScanProgress> m_progress;
    std::vector<std::size_t> m_order;
    std::string m_folder;
    bool m_logical = false;
    ColorMode m_colorMode = ColorMode::folder;
    int m_hovered = -1;
    int m_pressed = -1;
    bool m_pressedMenu = false;
    int m_current = -1;
};

} // namespace ambertrove
