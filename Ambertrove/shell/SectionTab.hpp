#pragma once

#include "controller/AppSection.hpp"

#include <QAbstractButton>

namespace ambertrove {

// One tab of the top bar: the section's symbol and, when there is room or it matters, its title, on a
// capsule that is ink while the section is shown.
class SectionTab final : public QAbstractButton {
    Q_OBJECT

public:
    explicit SectionTab(AppSection section, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SectionTab)

    static constexpr int kFontSize = 12;
    static constexpr int kSpacing = 7;
    static constexpr int kHorizontalPadding = 12;
    static constexpr int kVerticalPadding = 8;

    // The symbol of each section.
    [[nodiscard]] static QString symbolOf(AppSection section);

    [[nodiscard]] AppSection section() const { return m_section; }
    [[nodiscard]] bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    [[nodiscard]] bool showsTitle() const { return m_showsTitle; }
    void setShowsTitle(bool shows);

    // Whether the focus ring is drawn: only once the keyboard has moved the focus in the window, as
    // Qt's own controls do. The first tab also gets the focus when the window is activated or when the
    // focused control of a replaced screen goes away, and a ring then would look like a stray outline.
    [[nodiscard]] bool showsFocusRing() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    AppSection m_section;
    bool m_selected = false;
    bool m_showsTitle = true;
    bool m_hovered = false;
};

} // namespace ambertrove
