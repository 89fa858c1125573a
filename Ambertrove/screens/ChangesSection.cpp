#include "screens/ChangesSection.hpp"

#include "analysis/NameMatcher.hpp"
#include "controller/AppModel.hpp"
#include "screens/ChangeRowDelegate.hpp"
#include "screens/RowListView.hpp"
#include "screens/RowModel.hpp"
#include "screens/SwitchToggle.hpp"
#include "shell/Rule.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <cstdint>

namespace ambertrove {

namespace {

constexpr int kPickerWidth = 250;

using ViewText::fromBytes;

} // namespace

std::string_view ChangesSection::parentOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::vector<std::uint32_t> ChangesSection::filtered(const std::vector<SnapshotChange>& changes,
                                                    const Filter& filter) {
    std::vector<std::uint32_t> rows;
    if (filter.topLevelOnly && !filter.root)
        return rows;
    const QByteArray needle = filter.text.toUtf8();
    const NameMatcher matcher(std::string_view(needle.constData(), std::size_t(needle.size())));
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const SnapshotChange& change = changes[i];
        const std::int64_t delta = change.delta();
        const std::int64_t magnitude = delta == INT64_MIN ? INT64_MAX : delta < 0 ? -delta : delta;
        if (magnitude < filter.minimumChange)
            continue;
        if (filter.topLevelOnly && parentOf(change.path) != *filter.root)
            continue;
        if (!matcher.empty() && !matcher.matches(change.path))
            continue;
        rows.push_back(std::uint32_t(i));
    }
    return rows;
}

ChangesSection::ChangesSection(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(20);

    auto* divider = new QWidget(this);
    auto* dividerLayout = new QVBoxLayout(divider);
    dividerLayout->setContentsMargins(0, 4, 0, 4);
    dividerLayout->addWidget(new Rule(Qt::Horizontal, divider));
    layout->addWidget(divider);

    auto* heading = new QHBoxLayout;
    auto* titles = new QVBoxLayout;
    titles->setSpacing(6);
    titles->addWidget(
        plainLabel(ViewText::font(22, QFont::DemiBold), ColorRole::ink, this, QStringLiteral("Changes")));
    m_comparison = plainLabel(ViewText::font(11), ColorRole::muted, this);
    titles->addWidget(m_comparison);
    heading->addLayout(titles, 1);
    m_topLevel = new SwitchToggle(QStringLiteral("Top level only"), SwitchToggle::Size::mini, 11, this);
    m_topLevel->setChecked(m_topLevelOnly);
    connect(m_topLevel, &SwitchToggle::toggled, this, &ChangesSection::setTopLevelOnly);
    heading->addWidget(m_topLevel);
    layout->addLayout(heading);

    m_note = plainLabel(ViewText::font(10), ColorRole::muted, this);
    m_note->setWordWrap(true);
    layout->addWidget(m_note);

    auto* pickerRow = new QWidget(this);
    pickerRow->setFixedWidth(kPickerWidth);
    auto* pickerLayout = new QHBoxLayout(pickerRow);
    pickerLayout->setContentsMargins(0, 0, 0, 0);
    pickerLayout->addWidget(
        plainLabel(ViewText::font(12), ColorRole::ink, pickerRow, QStringLiteral("Minimum change")));
    m_picker = new QComboBox(pickerRow);
    m_picker->setAccessibleName(QStringLiteral("Minimum change"));
    for (const Minimum& minimum : kMinimums)
        m_picker->addItem(QString::fromLatin1(minimum.title), QVariant::fromValue<qlonglong>(minimum.bytes));
    connect(m_picker, &QComboBox::activated, this,
            [this](int index) { setMinimumChange(m_picker->itemData(index).toLongLong()); });
    pickerLayout->addWidget(m_picker, 1);
    layout->addWidget(pickerRow);

    // The rows and what follows them lie closer together than the section's parts.
    auto* rows = new QVBoxLayout;
    rows->setSpacing(8);
    m_list = new RowListView(true, this);
    m_list->setRowDelegate(new ChangeRowDelegate(m_list, [this](int row) -> const SnapshotChange* {
        const std::vector<SnapshotChange>& changes = m_model.changes();
        if (row < 0 || std::size_t(row) >= m_rows.size() || m_rows[std::size_t(row)] >= changes.size())
            return nullptr;
        return &changes[m_rows[std::size_t(row)]];
    }));
    m_listModel = new RowModel(m_list);
    m_list->setModel(m_listModel);
    rows->addWidget(m_list);
    m_more = new TroveButton(QStringLiteral("Show 300 more changes"), {false, false}, this);
    connect(m_more, &TroveButton::clicked, this, &ChangesSection::showMore);
    rows->addWidget(m_more, 0, Qt::AlignLeft);
    m_noChanges = plainLabel(ViewText::font(12), ColorRole::muted, this,
                             QStringLiteral("No size changes in this view."));
    m_noChanges->setContentsMargins(0, 8, 0, 8);
    rows->addWidget(m_noChanges);
    m_incomplete = plainLabel(ViewText::font(11), Appearance::color(Paper::amber()), this,
                              QStringLiteral("The current scan is incomplete. Some apparent removals may be "
                                             "inaccessible paths."));
    m_incomplete->setWordWrap(true);
    rows->addWidget(m_incomplete);
    layout->addLayout(rows);

    connect(&m_model, &AppModel::snapshotsChanged, this, &ChangesSection::refresh);
    connect(&m_model, &AppModel::displayChanged, this, &ChangesSection::refresh);
    connect(&m_model, &AppModel::scanChanged, this, &ChangesSection::refresh);
    refresh();
}

void ChangesSection::setTopLevelOnly(bool on) {
    if (m_topLevelOnly == on)
        return;
    m_topLevelOnly = on;
    m_topLevel->setChecked(on);
    refilter();
}

void ChangesSection::setMinimumChange(std::int64_t bytes) {
    if (m_minimumChange == bytes)
        return;
    m_minimumChange = bytes;
    for (int i = 0; i < m_picker->count(); ++i)
        if (m_picker->itemData(i).toLongLong() == bytes)
            m_picker->setCurrentIndex(i);
    refilter();
}

void ChangesSection::showMore() {
    m_changeLimit += kPage;
    showRows();
}

int ChangesSection::shownRows() const {
    return int(std::min<std::size_t>(std::size_t(m_changeLimit), m_rows.size()));
}

void ChangesSection::refresh() {
    m_comparison->setText(m_model.comparisonTitle().value_or(QString()));
    m_note->setText(
        (m_model.logical() ? QStringLiteral("Logical") : QStringLiteral("Allocated")) +
        QStringLiteral(" bytes. Parent rows include child changes; do not add all rows together."));
    const ScanResultPtr& scan = m_model.scan();
    m_incomplete->setVisible(scan && scan->skippedCount > 0);
    refilter();
}

void ChangesSection::refilter() {
    const std::vector<SnapshotChange>& changes = m_model.changes();
    Filter filter{m_minimumChange, m_topLevelOnly, m_model.comparisonRoot(), m_model.filter()};
    // A comparison replaces the controller's list whole, so its storage tells a new list from the old one.
    if (m_filter && *m_filter == filter && m_filteredData == changes.data() &&
        m_filteredSize == changes.size())
        return;
    m_rows = filtered(changes, filter);
    m_filter = std::move(filter);
    m_filteredData = changes.data();
    m_filteredSize = changes.size();
    showRows();
}

void ChangesSection::showRows() {
    const int shown = shownRows();
    m_listModel->reset(shown, [this](int row) {
        const std::vector<SnapshotChange>& changes = m_model.changes();
        const std::uint32_t at = m_rows[std::size_t(row)];
        return at < changes.size() ? fromBytes(changes[at].path) : QString();
    });
    m_list->setVisible(shown > 0);
    m_more->setVisible(std::size_t(m_changeLimit) < m_rows.size());
    m_noChanges->setVisible(m_rows.empty());
}

} // namespace ambertrove
