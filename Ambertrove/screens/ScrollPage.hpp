#pragma once

class QScrollArea;
class QVBoxLayout;

namespace ambertrove::ScrollPage {

// Makes `area` scroll a page up and down over the window's background (no frame, no horizontal bar) and
// returns the page's vertical layout, `margin` pixels from every edge, `spacing` between its items.
QVBoxLayout* fill(QScrollArea& area, int margin, int spacing);

} // namespace ambertrove::ScrollPage
