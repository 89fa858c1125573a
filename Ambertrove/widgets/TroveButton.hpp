#pragma once

#include "widgets/TroveButtonStyle.hpp"

#include <QPushButton>

class QVariantAnimation;

namespace ambertrove {

// A text button painted with TroveButtonStyle: an optional symbol and a one-line label. The label is
// plain text ("&" shows as itself and makes no shortcut). The whole rounded rectangle is clickable.
// Never a default button unless the caller makes it one.
class TroveButton final : public QPushButton {
    Q_OBJECT

public:
    explicit TroveButton(const QString& label, TroveButtonStyle style = {}, QWidget* parent = nullptr);
    TroveButton(TroveButtonStyle style, const QString& symbol, const QString& label, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(TroveButton)

    [[nodiscard]] QString label() const { return m_label; }
    void setLabel(const QString& label);
    [[nodiscard]] QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    [[nodiscard]] TroveButtonStyle buttonStyle() const { return m_style; }
    void setButtonStyle(TroveButtonStyle style);

    // Whether the pointer is over the button, and the animated hover amount (0 to 1) the fill shows.
    [[nodiscard]] bool isHovered() const { return m_hovered; }
    [[nodiscard]] double hoverAmount() const { return m_hover; }
    // The colours the button paints with now.
    [[nodiscard]] TroveButtonStyle::Look currentLook() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    // The hover amount reached its end after a change of hover.
    void hoverSettled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    [[nodiscard]] bool hitButton(const QPoint& pos) const override;

private:
    void setHovered(bool hovered);

    QString m_label;
    QString m_symbol;
    TroveButtonStyle m_style;
    bool m_hovered = false;
    bool m_keyboardFocus = false;
    double m_hover = 0;
    QVariantAnimation* m_animation = nullptr;
};

} // namespace ambertrove
