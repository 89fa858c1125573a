#pragma once

class QScrollArea;
class QVBoxLayout;
class QWidget;

namespace ambertrove {

// The scrolling body of a tool section: no frame and no horizontal bar, the window's ground showing
// through, and a column padded by 24 pixels whose items stand 18 apart.
struct ScreenScroll {
    static constexpr int kPadding = 24;
    static constexpr int kSpacing = 18;

    QScrollArea* area = nullptr;
    // The column's widget and layout, already in the area.
    QWidget* content = nullptr;
    QVBoxLayout* stack = nullptr;

    [[nodiscard]] static ScreenScroll make(QWidget* parent);
};

} // namespace ambertrove
