#pragma once

#include "widgets/SidebarRowStyle.hpp"

#include <QAbstractButton>

namespace ambertrove {

// A row button painted with SidebarRowStyle. By default its content is a symbol and a one-line label,
// leading, in the row's font (11 pixels unless set) and ink; rows with richer content override
// paintContent() and contentSizeHint(). The label is plain text.
class SidebarRow : public QAbstractButton {
    Q_OBJECT

public:
    explicit SidebarRow(const QString& symbol, const QString& label, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SidebarRow)

    [[nodiscard]] bool isSelected() const { return m_style.selected; }
    void setSelected(bool selected);
    [[nodiscard]] QString label() const { return m_label; }
    void setLabel(const QString& label);
    [[nodiscard]] QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    [[nodiscard]] bool isHovered() const { return m_hovered; }
    [[nodiscard]] SidebarRowStyle::Look currentLook() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    // Paints the content inside the padding; `rect` is the area left by it.
    virtual void paintContent(QPainter& painter, const QRect& rect);
    [[nodiscard]] virtual QSize contentSizeHint() const;

    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    [[nodiscard]] bool hitButton(const QPoint& pos) const override;

private:
    QString m_symbol;
    QString m_label;
    SidebarRowStyle m_style;
    bool m_hovered = false;
};

} // namespace ambertrove
