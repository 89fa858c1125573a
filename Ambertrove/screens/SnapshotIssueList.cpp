#include "screens/SnapshotIssueList.hpp"

#include "base/PathText.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QAbstractTextDocumentLayout>
#include <QHelpEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolTip>

namespace ambertrove {

namespace {

constexpr int kEntrySpacing = 10;
constexpr int kLineSpacing = 3;

using ViewText::fromBytes;

} // namespace

SnapshotIssueList::SnapshotIssueList(QWidget* parent)
    : QTextEdit(parent) {
    setReadOnly(true);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::NoWrap);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFont(ViewText::font(11));
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Text, Appearance::role(ColorRole::ink));
    setPalette(colours);
    viewport()->setAutoFillBackground(false);
    document()->setDocumentMargin(0);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SnapshotIssueList::setIssues(std::vector<SnapshotCatalogIssue> issues) {
    if (issues == m_issues)
        return;
    m_issues = std::move(issues);
    m_builtWidth = -1;
    rebuild();
}

void SnapshotIssueList::rebuild() {
    m_builtWidth = viewport()->width();
    clear();
    QTextCursor cursor(document());
    QTextCharFormat name;
    name.setForeground(Appearance::role(ColorRole::ink));
    QTextCharFormat message;
    message.setForeground(Appearance::role(ColorRole::muted));
    const QFontMetrics metrics(font());
    const int width = std::max(40, m_builtWidth);
    for (std::size_t i = 0; i < m_issues.size(); ++i) {
        QTextBlockFormat block;
        block.setTopMargin(i == 0 ? 0 : kEntrySpacing);
        if (i == 0)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block);
        // Plain text: a name from the disk is never markup.
        cursor.insertText(
            ViewText::elided(metrics, fromBytes(PathText::name(m_issues[i].path)), Qt::ElideMiddle, width),
            name);
        QTextBlockFormat under;
        under.setTopMargin(kLineSpacing);
        cursor.insertBlock(under);
        cursor.insertText(fromBytes(m_issues[i].message), message);
    }
    const int height = int(std::ceil(document()->size().height()));
    setFixedHeight(height);
    updateGeometry();
}

QSize SnapshotIssueList::sizeHint() const {
    return {200, int(std::ceil(document()->size().height()))};
}

void SnapshotIssueList::resizeEvent(QResizeEvent* event) {
    QTextEdit::resizeEvent(event);
    if (viewport()->width() != m_builtWidth)
        rebuild();
}

bool SnapshotIssueList::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QTextBlock block = cursorForPosition(help->pos()).block();
        const int number = block.blockNumber();
        // Two blocks an issue: its name, then its message.
        if (number >= 0 && number % 2 == 0 && std::size_t(number / 2) < m_issues.size() &&
            document()->documentLayout()->blockBoundingRect(block).contains(help->pos()))
            QToolTip::showText(help->globalPos(),
                               ViewText::plainToolTip(fromBytes(m_issues[std::size_t(number / 2)].path)),
                               viewport());
        else
            QToolTip::hideText();
        return true;
    }
    return QTextEdit::viewportEvent(event);
}

} // namespace ambertrove
