#include "shell/ScanIssuesSheet.hpp"

#include "controller/AppModel.hpp"
#include "shell/HelpText.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace ambertrove {

namespace {

constexpr int kRowSpacing = 14;
constexpr int kLineSpacing = 4;

QFont pathFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(11);
    return font;
}

QFont messageFont() {
    return ViewText::font(10);
}

using ViewText::fromBytes;

// Paints one issue: its path in a fixed-width font, its reason below in the muted colour. Rows are
// painted, never made of widgets, as a scan can skip many thousands of paths.
class IssueDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        const QRect area = option.rect.adjusted(0, 0, 0, -kRowSpacing);
        const QFontMetrics pathMetrics(pathFont());
        const QFontMetrics messageMetrics(messageFont());
        painter->setFont(pathFont());
        painter->setPen(Appearance::role(ColorRole::ink));
        const QString path = index.data(ScanIssueList::PathRole).toString();
        painter->drawText(QRect(area.left(), area.top(), area.width(), pathMetrics.height()),
                          Qt::AlignLeft | Qt::AlignVCenter,
                          ViewText::elided(pathMetrics, path, Qt::ElideMiddle, area.width()));
        painter->setFont(messageFont());
        painter->setPen(Appearance::role(ColorRole::muted));
        const QString message = index.data(ScanIssueList::MessageRole).toString();
        painter->drawText(QRect(area.left(), area.top() + pathMetrics.height() + kLineSpacing, area.width(),
                                messageMetrics.height()),
                          Qt::AlignLeft | Qt::AlignVCenter,
                          ViewText::elided(messageMetrics, message, Qt::ElideRight, area.width()));
        painter->restore();
    }

    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {0, QFontMetrics(pathFont()).height() + kLineSpacing + QFontMetrics(messageFont()).height() +
                       kRowSpacing};
    }
};

} // namespace

ScanIssueList::ScanIssueList(QObject* parent)
    : QAbstractListModel(parent) {}

void ScanIssueList::setScan(ScanResultPtr scan) {
    beginResetModel();
    m_scan = std::move(scan);
    endResetModel();
}

int ScanIssueList::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !m_scan)
        return 0;
    return int(m_scan->issues.size());
}

QVariant ScanIssueList::data(const QModelIndex& index, int role) const {
    if (!m_scan || !index.isValid() || index.row() >= rowCount())
        return {};
    const ScanIssue& issue = m_scan->issues[std::size_t(index.row())];
    switch (role) {
    case PathRole:
    case Qt::DisplayRole:
        return fromBytes(issue.path);
    case MessageRole:
        return fromBytes(issue.message);
    case Qt::ToolTipRole:
        return ViewText::plainToolTip(fromBytes(issue.path) + QLatin1Char('\n') + fromBytes(issue.message));
    default:
        return {};
    }
}

ScanIssuesSheet::ScanIssuesSheet(AppModel& model, QWidget* parent)
    : QDialog(parent)
    , m_model(model) {
    setWindowTitle(QStringLiteral("Scan access details"));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(kWidth);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Appearance::role(ColorRole::background));
    setPalette(colours);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(26, 26, 26, 26);
    layout->setSpacing(16);
    auto* title = new QLabel(QStringLiteral("Scan access details"), this);
    title->setTextFormat(Qt::PlainText);
    title->setFont(ViewText::font(17, QFont::Bold));
    layout->addWidget(title);
    auto* explanation =
        new QLabel(QStringLiteral("Unreadable paths and nested volumes are excluded from totals. "
                                  "Full Disk Access can allow protected folders; mounted volumes "
                                  "can be scanned separately."),
                   this);
    explanation->setTextFormat(Qt::PlainText);
    explanation->setWordWrap(true);
    explanation->setFont(ViewText::font(13));
    QPalette mutedText = explanation->palette();
    mutedText.setColor(QPalette::WindowText, Appearance::role(ColorRole::muted));
    explanation->setPalette(mutedText);
    layout->addWidget(explanation);

    m_issues = new ScanIssueList(this);
    m_issues->setScan(model.scan());
    m_list = new QListView(this);
    m_list->setModel(m_issues);
    m_list->setItemDelegate(new IssueDelegate(m_list));
    m_list->setFixedHeight(kListHeight);
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list->viewport()->setAutoFillBackground(false);
    layout->addWidget(m_list);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(HelpText::make(QStringLiteral("Full Disk Access settings"), this), 1);
    buttons->addSpacing(24);
    m_done = new QPushButton(QStringLiteral("Done"), this);
    m_done->setDefault(true);
    connect(m_done, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(m_done);
    layout->addLayout(buttons);

    // As tall as its content at its width: the wrapped explanation decides.
    setFixedHeight(layout->hasHeightForWidth() ? layout->totalHeightForWidth(kWidth) : sizeHint().height());

    connect(&m_model, &AppModel::scanChanged, this, [this] {
        if (m_issues->scan() != m_model.scan())
            m_issues->setScan(m_model.scan());
    });
}

} // namespace ambertrove
