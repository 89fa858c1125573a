#pragma once

#include "theme/Paper.hpp"

#include <QAbstractButton>
#include <QFont>

namespace ambertrove {

// A borderless button that is only its symbol or its text (plain text, "&" shown as itself), in a theme
// colour: the notice banner's and the toast's links and close buttons, the filter's clear button.
class PlainButton final : public QAbstractButton {
    Q_OBJECT

public:
    // A symbol of `symbolSize` pixels.
    PlainButton(const QString& symbol, int symbolSize, ColorRole role, QWidget* parent = nullptr);
    // A line of text in `font`.
    PlainButton(const QString& text, const QFont& font, ColorRole role, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(PlainButton)

    [[nodiscard]] QString symbol() const { return m_symbol; }
    [[nodiscard]] QString label() const { return m_label; }
    void setLabel(const QString& text);
    void setUnderlined(bool underlined);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_symbolSize = 0;
    QString m_label;
    QFont m_font;
    ColorRole m_role;
};

} // namespace ambertrove
