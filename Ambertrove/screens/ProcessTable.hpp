#pragma once

#include "system/ProcessInfoRow.hpp"

#include <QWidget>

#include <cstddef>
#include <vector>

namespace ambertrove {

// The busiest processes of a reading: column headings, then at most 40 rows of name, process id, CPU
// share and resident memory, each followed by a faint divider. Painted as one piece.
class ProcessTable final : public QWidget {
    Q_OBJECT

public:
    static constexpr std::size_t kMostRows = 40;
    static constexpr int kPidWidth = 55;
    static constexpr int kCpuWidth = 65;
    static constexpr int kMemoryWidth = 95;

    explicit ProcessTable(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ProcessTable)

    // The processes shown: those whose name contains `filter` (case-insensitively; all for an empty
    // filter), by memory or by CPU share, largest first, equal values in the reading's order; the first 40.
    // A share that is not a number counts as the least.
    [[nodiscard]] static std::vector<ProcessInfoRow> rows(const std::vector<ProcessInfoRow>& processes,
                                                          const QString& filter, bool byMemory);

    void setRows(std::vector<ProcessInfoRow> rows);
    [[nodiscard]] const std::vector<ProcessInfoRow>& shownRows() const { return m_rows; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] int rowHeight() const;
    [[nodiscard]] int headerHeight() const;

    std::vector<ProcessInfoRow> m_rows;
};

} // namespace ambertrove
