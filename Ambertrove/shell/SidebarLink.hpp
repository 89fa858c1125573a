#pragma once

#include "theme/Paper.hpp"

#include <QAbstractButton>
#include <QFont>

namespace ambertrove {

// A borderless line of the sidebar: a symbol and one line of plain text in a theme colour, shortened at
// the end when narrow ("&" shows as itself). Used for the volumes menu, the recent folders and, made
// inert, for help text that stands in for a link.
class SidebarLink final : public QAbstractButton {
    Q_OBJECT

public:
    SidebarLink(const QString& symbol, const QString& label, int pixelSize, ColorRole role,
                QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SidebarLink)

    [[nodiscard]] QString symbol() const { return m_symbol; }
    [[nodiscard]] QString label() const { return m_label; }
    void setLabel(const QString& label);
    // An inert line takes no clicks and no focus: help text in the look of a link.
    void setInert(bool inert);
    [[nodiscard]] bool isInert() const { return m_inert; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    QString m_label;
    ColorRole m_role;
    bool m_inert = false;
};

} // namespace ambertrove
