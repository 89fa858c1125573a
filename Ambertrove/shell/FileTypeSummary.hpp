#pragma once

#include "model/FileCategory.hpp"

#include <QWidget>

#include <cstdint>
#include <map>
#include <vector>

namespace ambertrove {

// One category's share of the file-type bar.
struct FileTypeBlock {
    FileCategory category = FileCategory::other;
    std::int64_t bytes = 0;
    double x = 0;
    double width = 0;

    friend bool operator==(const FileTypeBlock&, const FileTypeBlock&) = default;
};

// The categories of `totals` with at least one byte, in category order, laid out along a bar `width`
// pixels wide with one pixel between neighbours. Each block's width is its share of the sum (at least 1)
// of what is left once the gaps are taken out.
[[nodiscard]] std::vector<FileTypeBlock> fileTypeBlocks(const std::map<FileCategory, std::int64_t>& totals,
                                                        double width);

// The bytes per file type of the shown folder: a bar of coloured blocks clipped to a capsule, then one
// legend line per category (a dot, the category's name, its bytes), or "No files measured yet" under an
// empty bar. It takes no clicks.
class FileTypeSummary final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kBarHeight = 6;
    static constexpr int kSpacing = 12;
    static constexpr int kDot = 7;

    explicit FileTypeSummary(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FileTypeSummary)

    void setTotals(const std::map<FileCategory, std::int64_t>& totals);
    [[nodiscard]] const std::map<FileCategory, std::int64_t>& totals() const { return m_totals; }
    // The blocks as laid out at the current width.
    [[nodiscard]] std::vector<FileTypeBlock> blocks() const;
    // The legend's lines as "name: bytes", or the empty text alone.
    [[nodiscard]] QStringList legend() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] int lineHeight() const;

    std::map<FileCategory, std::int64_t> m_totals;
};

} // namespace ambertrove
