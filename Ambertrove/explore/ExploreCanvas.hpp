#pragma once

#include <QAbstractScrollArea>
#include <QPointer>
#include <QRect>

#include <vector>

class QMenu;
class QPainter;

namespace ambertrove {

class AppModel;
struct DiskNode;

// The scrolling surface of the explorer's lists (folder grid, top sizes, a quick win's candidates): the
// content is painted, only what the viewport shows, and a few widgets (buttons, a picker, an empty
// panel) are laid into it and scroll with it. A subclass lays its content out for a width, paints an
// exposed rectangle and handles the pointer, all in content coordinates.
class ExploreCanvas : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit ExploreCanvas(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ExploreCanvas)

    [[nodiscard]] AppModel& model() const { return m_model; }
    // Opens the node menu of `node` at `global`; it deletes itself once closed.
    QMenu* showNodeMenu(const DiskNode& node, const QPoint& global);
    // The node menu opened last while it is open.
    [[nodiscard]] QMenu* nodeMenu() const;

    [[nodiscard]] int contentHeight() const { return m_contentHeight; }
    // Content and viewport coordinates.
    [[nodiscard]] QPoint toContent(const QPoint& viewportPoint) const;
    [[nodiscard]] QRect toViewport(const QRect& contentRect) const;
    // Shows the top of the content.
    void scrollToTop();
    // Lays the content out again and repaints it: after a change of what is shown.
    void relayout();

protected:
    // Places what is shown for `width` and returns the content's height.
    virtual int layoutContent(int width) = 0;
    // Paints the content inside `exposed`; the painter is in content coordinates.
    virtual void paintContent(QPainter& painter, const QRect& exposed) = 0;
    // The pointer, in content coordinates. A press and its release arrive for the left button only.
    virtual void pointerMoved(const QPoint&) {}
    virtual void pointerLeft() {}
    virtual void pressed(const QPoint&) {}
    virtual void released(const QPoint&) {}
    virtual void doubleClicked(const QPoint&) {}
    virtual void menuRequested(const QPoint&, const QPoint& /*global*/) {}
    // The tooltip at a point, and the content area it holds for.
    [[nodiscard]] virtual QString toolTipAt(const QPoint&, QRect* /*area*/) { return {}; }
    // Lays `widget` (made with viewport() as its parent) at `rect` of the content; it follows the scroll.
    // Called from layoutContent(); a widget placed once keeps its place until it is placed again.
    void place(QWidget* widget, const QRect& rect);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void updateScrollRange();
    void movePlaced();

    struct Placed {
        QPointer<QWidget> widget;
        QRect rect;
    };
    AppModel& m_model;
    QPointer<QMenu> m_menu;
    std::vector<Placed> m_placed;
    int m_contentHeight = 0;
    int m_laidOutWidth = -1;
};

} // namespace ambertrove
