#pragma once

#include <QScrollArea>

#include <vector>

class QHBoxLayout;

namespace ambertrove {

// A row of widgets that scrolls sideways, without scroll bars, when it is wider than its place: the chips
// of the filters, the crumbs of the navigation bar. Its widgets keep their own widths and are centred
// vertically, from the leading edge.
class ScrollingRow final : public QScrollArea {
    Q_OBJECT

public:
    explicit ScrollingRow(int spacing, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ScrollingRow)

    // The parent of the widgets to add.
    [[nodiscard]] QWidget* content() const { return widget(); }
    // Adds `item` (made with content() as its parent) at the end.
    void append(QWidget* item);
    // Takes every widget out; they are deleted later, since one of them may be handling the click that
    // led here.
    void clear();
    // Keeps the end of the row in view whenever the row or its place changes width.
    void setKeepsEndInView(bool keep);

private:
    QHBoxLayout* m_row = nullptr;
    std::vector<QWidget*> m_items;
    bool m_keepEnd = false;
};

} // namespace ambertrove
