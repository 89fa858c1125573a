#include "screens/LeftoversPane.hpp"

#include "analysis/NameMatcher.hpp"
#include "controller/AppModel.hpp"
#include "screens/LeftoverRowDelegate.hpp"
#include "screens/RowListView.hpp"
#include "screens/RowModel.hpp"
#include "screens/ScrollPage.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/ViewText.hpp"

#include <QLabel>
#include <QVBoxLayout>

namespace ambertrove {

std::vector<std::size_t> LeftoversPane::visible(const ApplicationReport& report, const QString& filter) {
    const QByteArray needle = filter.toUtf8();
    const NameMatcher matcher(std::string_view(needle.constData(), std::size_t(needle.size())));
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < report.orphans.size(); ++i)
        if (matcher.empty() || matcher.matches(report.orphans[i].node.name()))
            rows.push_back(i);
    return rows;
}

LeftoversPane::LeftoversPane(AppModel& model, std::shared_ptr<const ApplicationReport> report,
                             QWidget* parent)
    : QScrollArea(parent)
    , m_model(model)
    , m_report(std::move(report)) {
    QVBoxLayout* layout = ScrollPage::fill(*this, 23, 15);
    QWidget* page = layout->parentWidget();
    layout->addWidget(plainLabel(ViewText::font(17, QFont::Bold), ColorRole::ink, page,
                                 QStringLiteral("Leftovers from removed apps")));
    auto* note = plainLabel(
        ViewText::font(10), ColorRole::muted, page,
        QStringLiteral("Review before cleanup — apps stored elsewhere may still use these files."));
    note->setWordWrap(true);
    layout->addWidget(note);

    m_list = new RowListView(true, page);
    m_list->setUniformItemSizes(false);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setRowDelegate(new LeftoverRowDelegate(
        m_list,
        [this](int row) -> const OrphanCandidate* {
            if (row < 0 || std::size_t(row) >= m_rows.size())
                return nullptr;
            return &m_report->orphans[m_rows[std::size_t(row)]];
        },
        [this] { return !m_model.cleaning() && !m_model.staging(); }));
    m_rowModel = new RowModel(m_list);
    m_list->setModel(m_rowModel);
    connect(m_list, &RowListView::buttonClicked, this, [this](int row, int action) {
        if (action != LeftoverRowDelegate::addToCleanup || row < 0 || std::size_t(row) >= m_rows.size())
            return;
        if (m_model.cleaning() || m_model.staging())
            return;
        const OrphanCandidate& candidate = m_report->orphans[m_rows[std::size_t(row)]];
        m_model.stage({candidate.node}, candidate.scan, kReason);
    });
    layout->addWidget(m_list);
    layout->addStretch(1);

    connect(&m_model, &AppModel::displayChanged, this, &LeftoversPane::refresh);
    connect(&m_model, &AppModel::cleanupChanged, m_list->viewport(), qOverload<>(&QWidget::update));
    refresh();
}

void LeftoversPane::refresh() {
    if (m_filter && *m_filter == m_model.filter())
        return;
    m_filter = m_model.filter();
    m_rows = visible(*m_report, *m_filter);
    m_rowModel->reset(int(m_rows.size()), [this](int row) {
        return QString::fromStdString(m_report->orphans[m_rows[std::size_t(row)]].bundleID);
    });
}

} // namespace ambertrove
