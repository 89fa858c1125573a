#pragma once

#include "theme/Paper.hpp"

#include <QAbstractButton>
#include <QFont>

namespace ambertrove {

// The title row of a disclosure group: a chevron that points right while the group is collapsed and down
// while it is open, then the title (plain text) in `font` and a theme colour. Checked means open.
class DisclosureButton final : public QAbstractButton {
    Q_OBJECT

public:
    DisclosureButton(const QString& title, const QFont& font, ColorRole role, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(DisclosureButton)

    static constexpr int kChevron = 9;
    static constexpr int kSpacing = 5;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont m_font;
    ColorRole m_role;
};

} // namespace ambertrove
