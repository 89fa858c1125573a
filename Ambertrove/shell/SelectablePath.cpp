#include "shell/SelectablePath.hpp"

#include "widgets/ViewText.hpp"

#include <QResizeEvent>

namespace ambertrove {

SelectablePath::SelectablePath(int maxLines, QWidget* parent)
    : QLabel(parent)
    , m_maxLines(std::max(1, maxLines)) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void SelectablePath::setPath(const QString& path) {
    if (m_path == path)
        return;
    m_path = path;
    setToolTip(ViewText::plainToolTip(path));
    setAccessibleName(path);
    relayout();
}

QString SelectablePath::linesAt(int width) const {
    if (m_path.isEmpty() || width <= 0)
        return m_path;
    return ViewText::middleElidedLines(m_path, font(), width, m_maxLines);
}

int SelectablePath::heightForWidth(int width) const {
    const qsizetype lines = std::max<qsizetype>(1, linesAt(width).count(QLatin1Char('\n')) + 1);
    return int(lines) * fontMetrics().lineSpacing();
}

QSize SelectablePath::sizeHint() const {
    return {fontMetrics().horizontalAdvance(m_path) + 1, heightForWidth(width())};
}

QSize SelectablePath::minimumSizeHint() const {
    return {0, heightForWidth(width())};
}

void SelectablePath::relayout() {
    // Selecting after a change of folder starts afresh.
    setText(linesAt(width()));
    const int needed = heightForWidth(width());
    if (minimumHeight() != needed)
        setMinimumHeight(needed);
    updateGeometry();
}

void SelectablePath::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        relayout();
}

} // namespace ambertrove
