#pragma once

#include "scan/ScanProgress.hpp"

#include <QAbstractScrollArea>
#include <QPixmap>

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace ambertrove {

// The live folder cards of the scan progress screen: one card per child of the browsed folder in a grid of
// adaptive columns (at least 175 pixels wide), painted, only the visible rows. A card is activated by a
// click, or by Return or Space on the current card. The grid starts at the top again whenever the browsed
// folder changes.
class LiveFolderGrid final : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kMinimumColumnWidth = 175;
    static constexpr int kColumnSpacing = 8;
    static constexpr int kRowSpacing = 16;
    static constexpr int kCardHeight = 104;

    explicit LiveFolderGrid(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(LiveFolderGrid)

    // Shows the children of `progress`'s browsed folder in `order` (indices into its children), sized
    // logically or as allocated.
    void setContent(std::shared_ptr<const ScanProgress> progress, std::vector<std::size_t> order,
                    bool logical);

    [[nodiscard]] int count() const { return int(m_order.size()); }
    [[nodiscard]] const DiskNode& node(int index) const;
    [[nodiscard]] int columnCount() const;
    // The card's rectangle in the viewport.
    [[nodiscard]] QRect cardRect(int index) const;
    [[nodiscard]] int indexAt(const QPoint& viewportPoint) const;
    [[nodiscard]] int currentIndex() const { return m_current; }

signals:
    void activated(const DiskNode& node);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void updateScrollRange();
    void paintCard(QPainter& painter, const QRect& rect, const DiskNode& node, bool hovered,
                   bool current) const;
    [[nodiscard]] int columnWidth() const;
    [[nodiscard]] QPixmap cardBackground(const QSize& size, bool hovered, bool current) const;

    std::shared_ptr<const ScanProgress> m_progress;
    std::vector<std::size_t> m_order;
    std::string m_folder;
    bool m_logical = false;
    int m_hovered = -1;
    int m_pressed = -1;
    int m_current = -1;
    // The card backgrounds by state (hovered, current), for one size, pixel ratio and surface colour.
    mutable std::array<QPixmap, 4> m_backgrounds;
    mutable QSize m_backgroundSize;
    mutable qreal m_backgroundRatio = 0;
    mutable QColor m_backgroundSurface;
};

} // namespace ambertrove
