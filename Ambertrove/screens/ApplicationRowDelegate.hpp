#pragma once

#include "screens/RowDelegate.hpp"

#include <functional>

namespace ambertrove {

struct InstalledApplication;

// A row of the applications list: the application's picture, its name, the line about the Library files
// attributed to it (amber when they hold at least a byte) and its whole footprint, on the sidebar rows'
// look (selected, hovered).
class ApplicationRowDelegate final : public RowDelegate {
    Q_OBJECT

public:
    using Application = std::function<const InstalledApplication*(int row)>;
    using Selected = std::function<bool(int row)>;

    static constexpr int kIconSize = 28;

    ApplicationRowDelegate(RowListView* view, Application application, Selected selected);

    // "+12 MB leftovers" when the support files hold a byte or more, else "App bundle only".
    [[nodiscard]] static QString leftoversText(const InstalledApplication& app);

    [[nodiscard]] int rowHeight(const QModelIndex& index, int width) const override;
    [[nodiscard]] int gap() const override { return 2; }

protected:
    void paintRow(QPainter& painter, const QRect& rect, const QModelIndex& index,
                  bool hovered) const override;

private:
    Application m_application;
    Selected m_selected;
};

} // namespace ambertrove
