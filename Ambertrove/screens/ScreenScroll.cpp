#include "screens/ScreenScroll.hpp"

#include <QScrollArea>
#include <QVBoxLayout>

namespace ambertrove {

ScreenScroll ScreenScroll::make(QWidget* parent) {
    ScreenScroll scroll;
    scroll.area = new QScrollArea(parent);
    scroll.area->setFrameShape(QFrame::NoFrame);
    scroll.area->setWidgetResizable(true);
    scroll.area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll.area->viewport()->setAutoFillBackground(false);
    scroll.content = new QWidget(scroll.area);
    scroll.stack = new QVBoxLayout(scroll.content);
    scroll.stack->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    scroll.stack->setSpacing(kSpacing);
    scroll.area->setWidget(scroll.content);
    return scroll;
}

} // namespace ambertrove
