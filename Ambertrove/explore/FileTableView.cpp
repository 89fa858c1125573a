#include "explore/FileTableView.hpp"

#include "analysis/CancellationPoints.hpp"
#include "analysis/PathCache.hpp"
#include "controller/AppModel.hpp"
#include "explore/FileTableDelegate.hpp"
#include "explore/NodeActions.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/QueryProgress.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace ambertrove {

namespace {

constexpr int kMargin = 22;
constexpr int kSpacing = 15;

// The columns' widths at first and the narrowest they may be made; the name takes what is left.
constexpr int kIdealWidths[] = {230, 95, 65, 95, 100};
constexpr int kMinimumWidth = 45;

} // namespace

FileTableView::FileTableView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_query(model, [this] { listingChanged(); })
    , m_logical(model.logical()) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    column->setSpacing(kSpacing);

    auto* header = new QHBoxLayout;
    m_recursiveToggle = new QCheckBox(QStringLiteral("Include everything below"), this);
    m_recursiveToggle->setFont(ViewText::font(11));
    connect(m_recursiveToggle, &QCheckBox::toggled, this, &FileTableView::setRecursive);
    header->addWidget(m_recursiveToggle);
    m_count = plainLabel(ViewText::font(11), ColorRole::muted, this);
    header->addWidget(m_count);
    header->addStretch(1);
    m_export = new TroveButton({false, true}, QStringLiteral("square.and.arrow.up"),
                               QStringLiteral("Export CSV"), this);
    connect(m_export, &TroveButton::clicked, this, &FileTableView::exportRows);
    header->addWidget(m_export);
    column->addLayout(header);

    m_tableModel = new FileTableModel(this);
    m_tableModel->setLogical(m_logical);
    m_table = new QTableView(this);
    m_table->setModel(m_tableModel);
    m_delegate = new FileTableDelegate(m_table);
    m_table->setItemDelegate(m_delegate);
    m_table->setFont(ViewText::font(11));
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    // The delegate paints the selection and the row shading; the style's row panel would paint over them.
    QPalette colours = m_table->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        colours.setColor(group, QPalette::Highlight, Qt::transparent);
    m_table->setPalette(colours);
    // Every row is one line high: the view never measures rows.
    QHeaderView* rows = m_table->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(FileTableDelegate::kRowHeight);
    QHeaderView* columns = m_table->horizontalHeader();
    columns->setFont(ViewText::font(11, QFont::DemiBold));
    columns->setMinimumSectionSize(kMinimumWidth);
    columns->setSectionsClickable(true);
    columns->setSortIndicatorShown(true);
    columns->setHighlightSections(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setStretchLastSection(false);
    for (int c = 0; c < FileTableModel::columnCount_; ++c) {
        columns->resizeSection(c, kIdealWidths[c]);
        columns->setSectionResizeMode(c, c == FileTableModel::name ? QHeaderView::Stretch
                                                                   : QHeaderView::Interactive);
    }
    // The click's own modifiers decide whether it adds a key (read from the release that clicks).
    columns->viewport()->installEventFilter(this);
    connect(columns, &QHeaderView::sectionClicked, this,
            [this](int section) { sortByColumn(section, m_headerModifiers & Qt::ShiftModifier); });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_syncing)
            return;
        const QModelIndexList chosen = m_table->selectionModel()->selectedRows();
        if (!chosen.isEmpty())
            m_model.setSelection(m_tableModel->path(chosen.front().row()));
    });
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (const std::optional<DiskNode> node = m_tableModel->node(index.row()))
            m_model.focus(*node);
    });
    connect(m_table, &QTableView::customContextMenuRequested, this, &FileTableView::showMenu);
    m_table->installEventFilter(this);
    column->addWidget(m_table, 1);

    auto* footer = new QHBoxLayout;
    m_hint = plainLabel(ViewText::font(10), ColorRole::muted, this);
    footer->addWidget(m_hint);
    footer->addStretch(1);
    m_more = new TroveButton(QStringLiteral("Show 500 more"), {false, true}, this);
    connect(m_more, &TroveButton::clicked, this, [this] {
        m_tableModel->showMore();
        updateState();
    });
    footer->addWidget(m_more);
    column->addLayout(footer);

    m_progress = new QueryProgress(this);

    connect(&m_model, &AppModel::scanChanged, this, &FileTableView::refresh);
    connect(&m_model, &AppModel::displayChanged, this, &FileTableView::refresh);
    showSortIndicator();
    refresh();
}

FileTableView::Key FileTableView::currentKey() const {
    return Key{m_model.queryKey(QString()), m_recursive, m_sort};
}

bool FileTableView::showsCurrentResult() const {
    return m_query.isCurrent(currentKey());
}

bool FileTableView::isDimmed() const {
    return m_delegate->isDimmed();
}

void FileTableView::setSort(std::vector<TableSortKey> sort) {
    if (sort == m_sort)
        return;
    m_sort = std::move(sort);
    showSortIndicator();
    refresh();
}

void FileTableView::sortByColumn(int column, bool adding) {
    const TableSortKey key{FileTableModel::sortField(column, m_logical), true};
    std::vector<TableSortKey> sort = m_sort;
    const auto same = [&](const TableSortKey& k) {
        return k.field == key.field;
    };
    if (adding) {
        // A further key, or the other direction of one the order has.
        if (const auto found = std::find_if(sort.begin(), sort.end(), same); found != sort.end())
            found->ascending = !found->ascending;
        else
            sort.push_back(key);
    } else if (!sort.empty() && same(sort.front())) {
        sort = {TableSortKey{key.field, !sort.front().ascending}};
    } else {
        sort = {key};
    }
    setSort(std::move(sort));
}

void FileTableView::setRecursive(bool recursive) {
    if (m_recursive == recursive)
        return;
    m_recursive = recursive;
    if (m_recursiveToggle->isChecked() != recursive)
        m_recursiveToggle->setChecked(recursive);
    refresh();
}

void FileTableView::refresh() {
    // A change of the size mode sorts by the new size, largest first, whatever the user had chosen.
    if (m_model.logical() != m_logical) {
        m_logical = m_model.logical();
        m_tableModel->setLogical(m_logical);
        m_sort = {{m_logical ? ScanSortField::logicalSize : ScanSortField::allocatedSize, false}};
        showSortIndicator();
    }
    const ScanResultPtr& scan = m_model.scan();
    if (scan) {
        Key key = currentKey();
        // Sorts of one scan share what the first of them made.
        if (!m_sortCache || !m_sortCache->isFor(scan))
            m_sortCache = std::make_shared<ScanSortCache>(scan);
        m_query.request(key, [scan, key, cache = m_sortCache](const TaskCancellation& cancellation) {
            auto listing = std::make_shared<FileTableModel::Listing>();
            listing->scan = scan;
            listing->rows = FileTableSort::rows(*scan, key.query.filter, key.query.focus, key.recursive,
                                                key.sort, cancellation, cache);
            return Listing(std::move(listing));
        });
    }
    syncSelection();
    updateState();
}

void FileTableView::listingChanged() {
    const std::optional<Listing>& value = m_query.value();
    if (value && *value != m_tableModel->listing()) {
        m_tableModel->setListing(*value);
        m_table->scrollToTop();
        syncSelection();
    }
    updateState();
}

void FileTableView::updateState() {
    const bool ready = showsCurrentResult();
    const std::size_t total = m_tableModel->total();
    m_count->setText(ready ? ViewText::groupedCount(std::int64_t(total)) + QStringLiteral(" rows")
                           : QStringLiteral("Updating…"));
    m_export->setEnabled(ready && total > 0);
    if (m_delegate->isDimmed() == ready) {
        m_delegate->setDimmed(!ready);
        m_table->viewport()->update();
    }
    m_table->setEnabled(ready);
    const std::size_t limit = std::size_t(m_tableModel->visibleLimit());
    m_hint->setText(limit >= total
                        ? QStringLiteral("Double-click a folder to open it.")
                        : QStringLiteral("Showing ") + ViewText::groupedCount(std::int64_t(limit)) +
                              QStringLiteral(" of ") + ViewText::groupedCount(std::int64_t(total)) +
                              QStringLiteral(" — export includes all rows."));
    m_more->setVisible(ready && limit < total);
    m_progress->setVisible(!ready);
    if (!ready) {
        placeProgress();
        m_progress->raise();
    }
}

void FileTableView::syncSelection() {
    // The controller's selection shows in the table when it is one of the rows shown.
    const ScanResultPtr& listed = m_tableModel->listing() ? m_tableModel->listing()->scan : nullptr;
    const std::optional<std::string>& selection = m_model.selection();
    const int row = listed && selection ? m_tableModel->rowOf(listed->nodes.find(*selection)) : -1;
    const QModelIndexList current = m_table->selectionModel()->selectedRows();
    if ((row < 0 && current.isEmpty()) || (current.size() == 1 && current.front().row() == row))
        return;
    m_syncing = true;
    if (row < 0)
        m_table->selectionModel()->clearSelection();
    else
        m_table->selectionModel()->select(m_tableModel->index(row, 0),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_syncing = false;
}

void FileTableView::showSortIndicator() {
    if (m_sort.empty()) {
        m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        return;
    }
    const TableSortKey& first = m_sort.front();
    m_table->horizontalHeader()->setSortIndicator(FileTableModel::columnOf(first.field),
                                                  first.ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void FileTableView::placeProgress() {
    const QSize size = m_progress->sizeHint();
    m_progress->setGeometry(m_table->geometry().right() + 1 - size.width(), m_table->geometry().top(),
                            size.width(), size.height());
}

bool FileTableView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        placeProgress();
    if (watched == m_table->horizontalHeader()->viewport() && event->type() == QEvent::MouseButtonRelease)
        m_headerModifiers = static_cast<QMouseEvent*>(event)->modifiers();
    return QWidget::eventFilter(watched, event);
}

void FileTableView::exportRows() {
    const std::optional<Listing>& value = m_query.value();
    if (!showsCurrentResult() || !value || (*value)->rows.empty())
        return;
    // Every row in the table's order; the paths are made off the GUI thread, then the controller asks
    // where to write them. A second click replaces the first; leaving the view does not stop it.
    m_exportStop.request_stop();
    m_exportStop = std::stop_source();
    m_model.backgroundQuery<std::vector<std::string>>(
        m_exportStop.get_token(),
        [listing = *value](const TaskCancellation& cancellation) {
            CancellationPoints points(cancellation);
            PathCache cache(listing->scan->nodes);
            return cache.paths(listing->rows, points);
        },
        [model = &m_model](std::vector<std::string> paths) { model->exportCSV(std::move(paths)); });
}

void FileTableView::showMenu(const QPoint& at) {
    const QModelIndex index = m_table->indexAt(at);
    const std::optional<DiskNode> node = index.isValid() ? m_tableModel->node(index.row()) : std::nullopt;
    if (!node)
        return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    NodeActions::fill(*menu, m_model, *node);
    menu->popup(m_table->viewport()->mapToGlobal(at));
}

} // namespace ambertrove
