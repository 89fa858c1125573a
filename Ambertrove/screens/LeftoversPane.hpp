#pragma once

#include "applications/ApplicationReport.hpp"

#include <QScrollArea>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

namespace ambertrove {

class AppModel;
class RowListView;
class RowModel;

// The Applications screen's pane of Library items that no installed application owns: each with its
// bundle identifier, path and size, and "Add to Cleanup", which stages that one item with a reason that
// asks the user to check its owner. The window's name filter narrows it by the items' names.
class LeftoversPane final : public QScrollArea {
    Q_OBJECT

public:
    static constexpr const char* kReason = "Possible leftover · verify ownership";

    LeftoversPane(AppModel& model, std::shared_ptr<const ApplicationReport> report,
                  QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(LeftoversPane)

    // The candidates of `report` whose name contains `filter` (all of them for an empty filter), in the
    // report's order.
    [[nodiscard]] static std::vector<std::size_t> visible(const ApplicationReport& report,
                                                          const QString& filter);

    [[nodiscard]] const std::shared_ptr<const ApplicationReport>& report() const { return m_report; }
    [[nodiscard]] RowListView* list() const { return m_list; }
    [[nodiscard]] const std::vector<std::size_t>& rows() const { return m_rows; }

    // Lists the candidates the filter keeps and enables the buttons as the controller allows.
    void refresh();

private:
    AppModel& m_model;
    std::shared_ptr<const ApplicationReport> m_report;
    std::vector<std::size_t> m_rows;
    // The filter the rows were chosen by.
    std::optional<QString> m_filter;
    RowListView* m_list = nullptr;
    RowModel* m_rowModel = nullptr;
};

} // namespace ambertrove
