#pragma once

#include "screens/RowDelegate.hpp"

#include <vector>

namespace ambertrove {

struct AppSupportFile;

// A row of an application's associated files: the kind of Library folder, the item's name (and, for an
// item another application shares, that it stays at an uninstall), its size and a reveal button; a
// hairline along its bottom.
class SupportFileDelegate final : public RowDelegate {
    Q_OBJECT

public:
    enum Action { reveal = 1 };
    static constexpr int kCategoryWidth = 105;

    SupportFileDelegate(RowListView* view, const std::vector<AppSupportFile>& files);

    [[nodiscard]] std::vector<RowButton> buttons(const QRect& rect, const QModelIndex& index) const override;
    [[nodiscard]] int rowHeight(const QModelIndex& index, int width) const override;
    [[nodiscard]] int gap() const override { return 13; }

protected:
    void paintRow(QPainter& painter, const QRect& rect, const QModelIndex& index,
                  bool hovered) const override;

private:
    const std::vector<AppSupportFile>& m_files;
};

} // namespace ambertrove
