#include "widgets/ScrollingRow.hpp"

#include <QHBoxLayout>
#include <QScrollBar>

namespace ambertrove {

ScrollingRow::ScrollingRow(int spacing, QWidget* parent)
    : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The content is at least as wide as its widgets: wider than the place, it scrolls.
    setWidgetResizable(true);
    viewport()->setAutoFillBackground(false);
    auto* content = new QWidget(this);
    content->setAutoFillBackground(false);
    m_row = new QHBoxLayout(content);
    m_row->setContentsMargins(0, 0, 0, 0);
    m_row->setSpacing(spacing);
    m_row->setSizeConstraint(QLayout::SetMinimumSize);
    m_row->addStretch(1);
    setWidget(content);
    QScrollBar* bar = horizontalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (m_keepEnd)
            bar->setValue(maximum);
    });
}

void ScrollingRow::append(QWidget* item) {
    m_row->insertWidget(m_row->count() - 1, item, 0, Qt::AlignVCenter);
    m_items.push_back(item);
}

void ScrollingRow::clear() {
    for (QWidget* item : m_items) {
        item->hide();
        item->deleteLater();
    }
    m_items.clear();
}

void ScrollingRow::setKeepsEndInView(bool keep) {
    m_keepEnd = keep;
    if (keep)
        horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());
}

} // namespace ambertrove
