#pragma once

#include <QStyledItemDelegate>

namespace ambertrove {

// Paints a cell of the file table: the selection in the accent colour, a folder or document symbol
// before a name, numbers at the right, every text in 11-pixel type on one line, shortened to fit.
class FileTableDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 22;
    static constexpr int kIcon = 13;
    static constexpr int kPadding = 4;

    explicit FileTableDelegate(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FileTableDelegate)

    // Rows of a listing that is being replaced are drawn at half opacity.
    void setDimmed(bool dimmed) { m_dimmed = dimmed; }
    [[nodiscard]] bool isDimmed() const { return m_dimmed; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    bool m_dimmed = false;
};

} // namespace ambertrove
