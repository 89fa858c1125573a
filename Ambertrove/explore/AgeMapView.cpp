#include "explore/AgeMapView.hpp"

#include "controller/AppModel.hpp"
#include "explore/AgeBars.hpp"
#include "explore/AgeFileList.hpp"
#include "explore/MonthHeatmap.hpp"
#include "model/Formatting.hpp"
#include "platform/Saturating.hpp"
#include "shell/BusyIndicator.hpp"
#include "shell/PlainButton.hpp"
#include "shell/Rule.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Card.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/QueryProgress.hpp"
#include "widgets/SectionCaption.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QScrollArea>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace ambertrove {

namespace {

using ViewText::fromBytes;

QWidget* transparentWidget(QWidget* parent) {
    auto* widget = new QWidget(parent);
    widget->setAutoFillBackground(false);
    return widget;
}

} // namespace

AgeMapView::AgeMapView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_summary(model, [this] { summaryChanged(); })
    , m_listing(model, [this] { listingChanged(); }) {
    m_pages = new QStackedLayout(this);

    // Until the first summary arrives.
    auto* preparing = transparentWidget(this);
    auto* centre = new QVBoxLayout(preparing);
    centre->addStretch(1);
    auto* spinner = new BusyIndicator(18, preparing);
    centre->addWidget(spinner, 0, Qt::AlignHCenter);
    centre->addSpacing(8);
    centre->addWidget(
        plainLabel(ViewText::font(12), ColorRole::muted, preparing, QStringLiteral("Preparing age map…")), 0,
        Qt::AlignHCenter);
    centre->addStretch(1);
    m_pages->addWidget(preparing);

    auto* page = transparentWidget(this);
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    row->setSpacing(kSpacing);
    buildLeft(page);
    // The left column takes its share up to its maximum (set with the width) before the list grows.
    row->addWidget(m_left, 1000);
    buildList(page);
    row->addWidget(m_listCard, 1);
    m_pages->addWidget(page);

    m_progress = new QueryProgress(this);
    m_progress->hide();

    showChoice();
    showList();
    connect(&m_model, &AppModel::scanChanged, this, &AgeMapView::refresh);
    connect(&m_model, &AppModel::displayChanged, this, &AgeMapView::refresh);
    connect(&m_model, &AppModel::cleanupChanged, this, &AgeMapView::updateState);
    connect(&m_model, &AppModel::messagesChanged, this, &AgeMapView::updateState);
    connect(&m_model, &AppModel::snapshotsChanged, this, &AgeMapView::updateState);
    refresh();
}

AgeMapView::~AgeMapView() {
    // The results are let go of off the GUI thread: a summary of a large folder holds an entry per file, and
    // may hold the last reference to an earlier scan.
    m_summary.invalidate();
    m_listing.invalidate();
    release(std::move(m_shownSummary));
    release(std::move(m_shownListing));
}

void AgeMapView::release(std::shared_ptr<const void> result) {
    if (!result)
        return;
    // Every copy of the job shares the box, so the result goes with the job's reset, on its thread, when
    // that is the last hold on it.
    auto box = std::make_shared<std::shared_ptr<const void>>(std::move(result));
    m_model.backgroundQuery<bool>(
        std::stop_token(),
        [box](const TaskCancellation&) {
            box->reset();
            return true;
        },
        [](bool) {});
}

double AgeMapView::leftWidth(double width) {
    return std::max((width - 60) * 0.56, kMinimumLeft);
}

void AgeMapView::buildLeft(QWidget* page) {
    m_left = new QScrollArea(page);
    m_left->setFrameShape(QFrame::NoFrame);
    m_left->setWidgetResizable(true);
    m_left->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_left->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_left->viewport()->setAutoFillBackground(false);
    m_left->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_left->setMinimumWidth(int(kMinimumLeft));
    auto* content = transparentWidget(m_left);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kSpacing);

    auto* bars = transparentWidget(content);
    auto* barsColumn = new QVBoxLayout(bars);
    barsColumn->setContentsMargins(0, 0, 0, 0);
    barsColumn->setSpacing(AgeBars::kRowSpacing);
    m_barsCaption = new SectionCaption(QStringLiteral("How old are these bytes?"), QString(), bars);
    barsColumn->addWidget(m_barsCaption);
    m_bars = new AgeBars(bars);
    connect(m_bars, &AgeBars::tapped, this, &AgeMapView::tapRange);
    barsColumn->addWidget(m_bars);
    column->addWidget(new Card(bars, content));

    auto* months = transparentWidget(content);
    auto* monthsColumn = new QVBoxLayout(months);
    monthsColumn->setContentsMargins(0, 0, 0, 0);
    monthsColumn->setSpacing(MonthHeatmap::kSpacing);
    auto* monthsCaption =
        new SectionCaption(QStringLiteral("Bytes by last-modified month"), QString(), months);
    monthsColumn->addWidget(monthsCaption);
    m_heatmap = new MonthHeatmap(months);
    connect(m_heatmap, &MonthHeatmap::tapped, this, &AgeMapView::tapMonth);
    monthsColumn->addWidget(m_heatmap, 1);
    months->setMinimumHeight(MonthHeatmap::kMinimumHeight);
    column->addWidget(new Card(months, content));
    column->addStretch(1);
    m_left->setWidget(content);
}

void AgeMapView::buildList(QWidget* page) {
    auto* content = transparentWidget(page);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(13);
    m_listCaption = new SectionCaption(QString(), QString(), content);
    column->addWidget(m_listCaption);
    m_totals = new QLabel(content);
    m_totals->setTextFormat(Qt::PlainText);
    m_totals->setFont(ViewText::font(11, QFont::DemiBold));
    QPalette warm = m_totals->palette();
    warm.setColor(QPalette::WindowText, Appearance::color(Paper::amber()));
    m_totals->setPalette(warm);
    column->addWidget(m_totals);
    m_clear =
        new PlainButton(QStringLiteral("Clear selection"), ViewText::font(10), ColorRole::accent, content);
    connect(m_clear, &PlainButton::clicked, this, &AgeMapView::clearSelection);
    column->addWidget(m_clear, 0, Qt::AlignLeft);
    m_list = new AgeFileList(m_model, content);
    connect(m_list, &AgeFileList::moreRequested, this, &AgeMapView::showMore);
    column->addWidget(m_list, 1);
    column->addWidget(new Rule(Qt::Horizontal, content));

    m_stagingRow = transparentWidget(content);
    auto* staging = new QHBoxLayout(m_stagingRow);
    staging->setContentsMargins(0, 0, 0, 0);
    staging->addWidget(new BusyIndicator(14, m_stagingRow));
    staging->addWidget(
        plainLabel(ViewText::font(10), ColorRole::ink, m_stagingRow, QStringLiteral("Staging…")));
    staging->addStretch(1);
    m_cancel = new TroveButton(QStringLiteral("Cancel"), {false, true}, m_stagingRow);
    connect(m_cancel, &TroveButton::clicked, this, [this] { m_model.stagingCancellation()->cancel(); });
    staging->addWidget(m_cancel);
    column->addWidget(m_stagingRow);

    m_addArea = transparentWidget(content);
    auto* add = new QVBoxLayout(m_addArea);
    add->setContentsMargins(0, 0, 0, 0);
    add->setSpacing(8);
    m_addAll = new TroveButton({true, true}, QStringLiteral("plus.circle"), QString(), m_addArea);
    m_addAll->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_addAll, &TroveButton::clicked, this, &AgeMapView::stageAll);
    add->addWidget(m_addAll);
    m_historical = plainLabel(ViewText::font(10), ColorRole::muted, m_addArea,
                              QStringLiteral("Rescan to stage files from a saved scan."));
    m_historical->setWordWrap(true);
    add->addWidget(m_historical);
    column->addWidget(m_addArea);

    m_listCard = new Card(content, page);
    m_listCard->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_dim = new QGraphicsOpacityEffect(m_listCard);
    m_dim->setOpacity(0.5);
    m_dim->setEnabled(false);
    m_listCard->setGraphicsEffect(m_dim);
}

QWidget* AgeMapView::leftColumn() const {
    return m_left;
}

AgeMapView::ListingKey AgeMapView::listingKey() const {
    return ListingKey{m_model.queryKey(QString()), m_revision, m_range, m_month};
}

bool AgeMapView::summaryIsCurrent() const {
    return m_summary.isCurrent(m_model.queryKey(QString()));
}

bool AgeMapView::listIsReady() const {
    return summaryIsCurrent() && m_listing.isCurrent(listingKey());
}

bool AgeMapView::showsCurrentResult() const {
    return listIsReady();
}

bool AgeMapView::isPreparing() const {
    return !m_summary.key().has_value();
}

bool AgeMapView::isListDimmed() const {
    return m_dim->isEnabled();
}

const AgeSummary* AgeMapView::summary() const {
    return m_shownSummary ? &m_shownSummary->value : nullptr;
}

const AgeListing* AgeMapView::listing() const {
    return m_shownListing ? &m_shownListing->value : nullptr;
}

std::vector<std::string> AgeMapView::listedPaths() const {
    std::vector<std::string> paths;
    if (m_shownListing) {
        paths.reserve(m_shownListing->value.files.size());
        for (const NodeIndex file : m_shownListing->value.files)
            paths.push_back(m_shownListing->scan->nodes.path(file));
    }
    return paths;
}

void AgeMapView::refresh() {
    const ExplorerQueryKey key = m_model.queryKey(QString());
    if (m_model.scan() && (!m_asked || *m_asked != key)) {
        m_asked = key;
        // A new scan, folder or filter starts afresh: nothing is chosen in the new summary.
        m_range.reset();
        m_month.reset();
        showChoice();
        m_summary.request(key, [scan = m_model.scan(), key](const TaskCancellation& cancellation) {
            return Summary(std::make_shared<const OfScan<AgeSummary>>(
                OfScan<AgeSummary>{scan, AgeSummary::make(*scan, key.focus, key.filter, Date::now(),
                                                          Calendar::current(), cancellation)}));
        });
    }
    requestListing();
    updateState();
}

void AgeMapView::summaryChanged() {
    const std::optional<Summary>& value = m_summary.value();
    if (value && *value != m_shownSummary) {
        release(std::exchange(m_shownSummary, *value));
        // A new revision: a listing of an earlier summary is never taken for one of this summary.
        ++m_revision;
        m_bars->setTotals(m_shownSummary->value.totals);
        m_heatmap->setMonths(m_shownSummary->value.months);
        std::int64_t total = 0;
        for (std::int64_t bytes : m_shownSummary->value.totals)
            total = Saturating::add(total, bytes);
        m_barsCaption->setTrailing(QString::fromStdString(formattedBytes(total)));
        requestListing();
    }
    updateState();
}

void AgeMapView::requestListing() {
    if (!summaryIsCurrent() || !m_shownSummary)
        return;
    const ListingKey key = listingKey();
    m_listing.request(key, [summary = m_shownSummary, key](const TaskCancellation& cancellation) {
        return Listing(std::make_shared<const OfScan<AgeListing>>(
            OfScan<AgeListing>{summary->scan, summary->value.listing(key.range, key.month, cancellation)}));
    });
}

void AgeMapView::listingChanged() {
    const std::optional<Listing>& value = m_listing.value();
    if (value && *value != m_shownListing) {
        release(std::exchange(m_shownListing, *value));
        m_limit = kPage;
        showList();
    }
    updateState();
}

void AgeMapView::tapRange(AgeRange range) {
    m_month.reset();
    m_range = m_range == range ? std::nullopt : std::optional<AgeRange>(range);
    showChoice();
    requestListing();
    updateState();
}

void AgeMapView::tapMonth(const ModificationMonth& month) {
    m_range.reset();
    m_month = m_month == month ? std::nullopt : std::optional<ModificationMonth>(month);
    showChoice();
    requestListing();
    updateState();
}

void AgeMapView::clearSelection() {
    m_range.reset();
    m_month.reset();
    showChoice();
    requestListing();
    updateState();
}

void AgeMapView::showMore() {
    m_limit += kPage;
    showList();
}

void AgeMapView::showChoice() {
    m_bars->setSelected(m_range);
    m_heatmap->setSelected(m_month);
    QString title = QStringLiteral("Big & untouched");
    if (m_range)
        title = fromBytes(ambertrove::title(*m_range));
    else if (m_month)
        title = QLocale().monthName(int(m_month->month), QLocale::LongFormat) + QLatin1Char(' ') +
                QString::number(m_month->year);
    m_listCaption->setTitle(title);
    m_listCaption->setTrailing(m_range || m_month ? QString() : QStringLiteral("over a year old"));
    m_clear->setVisible(m_range || m_month);
}

void AgeMapView::showList() {
    // The rows are the listing's nodes in the scan they belong to: while a new summary is made for a new
    // scan, the earlier listing stays on screen as it was.
    ScanResultPtr scan;
    std::vector<NodeIndex> nodes;
    if (m_shownListing) {
        scan = m_shownListing->scan;
        const std::vector<NodeIndex>& files = m_shownListing->value.files;
        nodes.assign(files.begin(),
                     files.begin() + std::ptrdiff_t(std::min(files.size(), std::size_t(m_limit))));
    }
    const std::size_t total = m_shownListing ? m_shownListing->value.files.size() : 0;
    // The empty text follows the choice the listing was made for.
    const bool chosen = m_listing.key() && (m_listing.key()->range || m_listing.key()->month);
    m_list->setContent(scan, nodes, total > std::size_t(m_limit),
                       chosen
                           ? QStringLiteral("No files in this period.")
                           : QStringLiteral("No files over 40 MB have gone a year without being touched."));
    m_totals->setText(
        QString::fromStdString(formattedBytes(m_shownListing ? m_shownListing->value.bytes : 0)) +
        QStringLiteral(" across ") + ViewText::groupedCount(std::int64_t(total)) + QStringLiteral(" items"));
    const QString count = ViewText::groupedCount(std::int64_t(total));
    m_addAll->setLabel(QStringLiteral("Add ") + count + QStringLiteral(" to Cleanup"));
    m_addAll->setAccessibleName(QStringLiteral("Add all ") + count +
                                QStringLiteral(" matching files to Cleanup"));
}

void AgeMapView::updateState() {
    m_pages->setCurrentIndex(isPreparing() ? 0 : 1);
    const bool current = summaryIsCurrent();
    const bool ready = listIsReady();
    m_left->setEnabled(current);
    m_listCard->setEnabled(ready);
    m_dim->setEnabled(!ready);
    m_list->setLogical(m_model.logical());
    m_list->setCanClean(m_model.canClean());
    const bool staging = m_model.staging();
    m_stagingRow->setVisible(staging);
    m_addArea->setVisible(!staging);
    m_addAll->setEnabled(m_model.canClean() && m_shownListing && !m_shownListing->value.files.empty());
    m_historical->setVisible(m_model.isHistorical());
    m_progress->setVisible(!isPreparing() && (!current || !m_listing.isCurrent(listingKey())));
    if (m_progress->isVisible()) {
        placeProgress();
        m_progress->raise();
    }
}

void AgeMapView::placeProgress() {
    const QSize size = m_progress->sizeHint();
    m_progress->setGeometry(width() - size.width(), 0, size.width(), size.height());
}

void AgeMapView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A maximum, not a fixed width: the view's own minimum must not follow its current width.
    m_left->setMaximumWidth(int(std::lround(leftWidth(width()))));
    placeProgress();
}

void AgeMapView::stageAll() {
    if (!m_shownListing || m_shownListing->value.files.empty() || !m_model.canClean())
        return;
    // Every listed path at the moment of the tap, copied off the GUI thread: a listing may hold very many.
    m_stageStop.request_stop();
    m_stageStop = std::stop_source();
    m_model.backgroundQuery<std::vector<std::string>>(
        m_stageStop.get_token(),
        [listing = m_shownListing](const TaskCancellation&) {
            std::vector<std::string> paths;
            paths.reserve(listing->value.files.size());
            for (const NodeIndex file : listing->value.files)
                paths.push_back(listing->scan->nodes.path(file));
            return paths;
        },
        [model = &m_model](std::vector<std::string> paths) {
            model->stagePaths(std::move(paths), kStageReason);
        });
}

} // namespace ambertrove
