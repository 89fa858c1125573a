#pragma once

#include "analysis/QuickWinKind.hpp"
#include "widgets/SidebarRow.hpp"

#include <cstdint>

namespace ambertrove {

// The sidebar row of one quick win: its symbol in the accent colour, its title over the number of items,
// its bytes and a chevron.
class QuickWinRow final : public SidebarRow {
    Q_OBJECT

public:
    QuickWinRow(QuickWinKind kind, std::int64_t items, std::int64_t bytes, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(QuickWinRow)

    [[nodiscard]] QuickWinKind kind() const { return m_kind; }
    // "1 item", "2 items".
    [[nodiscard]] QString countText() const { return m_count; }
    [[nodiscard]] QString bytesText() const { return m_bytes; }

    // "1 item" for one, else the number and "items".
    [[nodiscard]] static QString countText(std::int64_t items);

protected:
    void paintContent(QPainter& painter, const QRect& rect) override;
    [[nodiscard]] QSize contentSizeHint() const override;

private:
    QuickWinKind m_kind;
    QString m_count;
    QString m_bytes;
};

} // namespace ambertrove
