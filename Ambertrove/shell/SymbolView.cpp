#include "shell/SymbolView.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"

#include <QPainter>

namespace ambertrove {

SymbolView::SymbolView(const QString& symbol, int size, ColorRole role, QWidget* parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_role(role) {
    setFixedSize(size, size);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

SymbolView* SymbolView::dot(int size, ColorRole role, QWidget* parent) {
    return new SymbolView(QString(), size, role, parent);
}

void SymbolView::setSymbol(const QString& symbol) {
    m_symbol = symbol;
    update();
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = Appearance::role(m_role);
    if (m_symbol.isEmpty()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(QRectF(rect()));
        return;
    }
    Icons::paint(painter, m_symbol, QRectF(rect()), colour);
}

} // namespace ambertrove
