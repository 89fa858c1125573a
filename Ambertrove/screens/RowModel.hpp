#pragma once

#include <QAbstractListModel>

#include <functional>

namespace ambertrove {

// The model of a painted list whose rows the screen draws from data it holds itself: it counts the rows
// and answers a row's text and tooltip. The screen resets it whenever that data changes.
class RowModel final : public QAbstractListModel {
    Q_OBJECT

public:
    using Text = std::function<QString(int row)>;

    explicit RowModel(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(RowModel)

    // `rows` rows from now on; `display` names a row (for accessibility and tests), `toolTip` explains it.
    void reset(int rows, Text display = {}, Text toolTip = {});

    [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    int m_rows = 0;
    Text m_display;
    Text m_toolTip;
};

} // namespace ambertrove
