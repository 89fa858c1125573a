#pragma once

#include <QStringList>
#include <QWidget>

namespace ambertrove {

// The inspector's kind chips in one painted row: each text in 9-pixel muted type on a capsule of the
// border colour at 0.4, 6 pixels of room at its sides and 3 above and below, 4 pixels apart.
class InspectorChips final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHorizontalPadding = 6;
    static constexpr int kVerticalPadding = 3;
    static constexpr int kSpacing = 4;

    explicit InspectorChips(const QStringList& texts, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(InspectorChips)

    [[nodiscard]] const QStringList& texts() const { return m_texts; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList m_texts;
};

} // namespace ambertrove
