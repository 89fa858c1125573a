#pragma once

#include "theme/Paper.hpp"

#include <QWidget>

namespace ambertrove {

// A symbol painted in a theme colour at a fixed size, or a filled circle (the status dots).
class SymbolView final : public QWidget {
    Q_OBJECT

public:
    SymbolView(const QString& symbol, int size, ColorRole role, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SymbolView)

    // A circle of `size` pixels.
    static SymbolView* dot(int size, ColorRole role, QWidget* parent = nullptr);

    [[nodiscard]] QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol; // empty for a circle
    ColorRole m_role;
};

} // namespace ambertrove
