#pragma once

#include "model/DiskNode.hpp"

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;

namespace ambertrove {

class ElidedLabel;
class PlainButton;
class SymbolView;

// The line under a chart: the highlighted item's symbol, name, size, share of the folder and kind, or a
// hint when nothing is highlighted; and the button of the menu of the items drawn.
class GraphInfoStrip final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 28;
    static inline const QString kHint = QStringLiteral("Click to inspect — double-click to open");
    static inline const QString kItemsTitle = QStringLiteral("Select item…");

    // What the strip says of one item.
    struct Item {
        QString symbol;
        QString name;
        QString path;
        QString bytes;
        QString share; // with " of folder"
        QString kind;
        friend bool operator==(const Item&, const Item&) = default;
    };

    explicit GraphInfoStrip(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(GraphInfoStrip)

    // The kind of a node: "Application" for a package, the file count of another folder, "Symbolic link",
    // or the display name of a file's category.
    [[nodiscard]] static QString kindText(const DiskNode& node);

    // Shows `item`, or the hint without one.
    void setItem(const std::optional<Item>& item);
    [[nodiscard]] const std::optional<Item>& item() const { return m_item; }
    [[nodiscard]] PlainButton* itemsButton() const { return m_items; }
    // What the strip shows now, its texts in order.
    [[nodiscard]] QStringList shownTexts() const;

signals:
    void itemsRequested();

private:
    std::optional<Item> m_item;
    SymbolView* m_symbol = nullptr;
    ElidedLabel* m_name = nullptr;
    QLabel* m_bytes = nullptr;
    QLabel* m_share = nullptr;
    QLabel* m_kind = nullptr;
    QLabel* m_hint = nullptr;
    PlainButton* m_items = nullptr;
};

} // namespace ambertrove
