#pragma once

#include "widgets/RowCanvas.hpp"

#include <QString>

#include <vector>

namespace ambertrove {

// A painted history list of the Cleanup screen ("File backups", "Recently trashed"): per row an optional
// symbol, a title over a muted line, an optional figure and one compact button at the trailing edge. It
// shows rows and reports a click on a row's button; the screen decides what it does.
class CleanupHistoryList final : public RowCanvas {
    Q_OBJECT

public:
    enum TargetKind { buttonTarget = 1 };

    struct Row {
        // A symbol in the accent colour before the texts; none when empty.
        QString symbol;
        QString title;
        QString subtitle;
        // How a subtitle too long for its room is shortened.
        Qt::TextElideMode subtitleElide = Qt::ElideRight;
        // Shown before the button when not empty.
        QString figure;
        // Over the texts; plain text.
        QString toolTip;
        bool buttonEnabled = true;
    };

    static constexpr int kSpacing = 12;
    static constexpr int kRowSpacing = 18;
    static constexpr int kTextSpacing = 4;
    static constexpr int kSymbolSize = 16;

    // Every row's button reads `buttonLabel`; rows are padded by `verticalPadding` above and below.
    CleanupHistoryList(const QString& buttonLabel, int verticalPadding, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(CleanupHistoryList)

    void setRows(std::vector<Row> rows);
    // Repaints the row when its button's state changes.
    void setButtonEnabled(int row, bool enabled);
    [[nodiscard]] const std::vector<Row>& rows() const { return m_rows; }
    [[nodiscard]] QString buttonLabel() const { return m_buttonLabel; }

    struct Layout {
        QRect symbol;
        QRect title;
        QRect subtitle;
        QRect figure;
        QRect button;
    };
    [[nodiscard]] Layout layoutOf(int row, const QRect& rect) const;

signals:
    // The button of `row` was clicked while it was enabled.
    void buttonClicked(int row);

protected:
    void paintRow(QPainter& painter, int row, const QRect& rect) const override;
    [[nodiscard]] std::vector<Target> targets(int row, const QRect& rect) const override;
    void activate(int row, int kind) override;
    [[nodiscard]] QString rowToolTip(int row, const QRect& rect, const QPoint& point) const override;

private:
    QString m_buttonLabel;
    int m_padding;
    std::vector<Row> m_rows;
};

} // namespace ambertrove
