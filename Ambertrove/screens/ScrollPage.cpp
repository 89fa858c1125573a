#include "screens/ScrollPage.hpp"

#include <QScrollArea>
#include <QVBoxLayout>

namespace ambertrove::ScrollPage {

QVBoxLayout* fill(QScrollArea& area, int margin, int spacing) {
    area.setFrameShape(QFrame::NoFrame);
    area.setWidgetResizable(true);
    area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area.viewport()->setAutoFillBackground(false);
    auto* page = new QWidget(&area);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    area.setWidget(page);
    return layout;
}

} // namespace ambertrove::ScrollPage
