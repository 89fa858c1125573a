#include "screens/DuplicatesView.hpp"

#include "analysis/NameMatcher.hpp"
#include "controller/AppModel.hpp"
#include "model/Formatting.hpp"
#include "screens/DuplicateGroupCard.hpp"
#include "screens/MetricTile.hpp"
#include "screens/ScreenScroll.hpp"
#include "screens/ToolHeading.hpp"
#include "shell/Rule.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Card.hpp"
#include "widgets/ClampedLabel.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/Icons.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/SearchLocationView.hpp"
#include "widgets/SearchProgressCard.hpp"
#include "widgets/ShrinkingLabel.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QAbstractButton>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

namespace ambertrove {

namespace {

constexpr int kPadding = ScreenScroll::kPadding;

// A disclosure control: a chevron that turns down when open, and a muted label.
class Disclosure final : public QAbstractButton {
public:
    explicit Disclosure(QWidget* parent)
        : QAbstractButton(parent) {
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
        setFont(ViewText::font(11));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    [[nodiscard]] QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {kChevron + kGap + metrics.horizontalAdvance(text()) + 2,
                std::max(metrics.height(), kChevron)};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor colour = Appearance::role(ColorRole::muted);
        const QRectF box(0, (height() - kChevron) / 2.0, kChevron, kChevron);
        painter.save();
        painter.translate(box.center());
        painter.rotate(isChecked() ? 90 : 0);
        painter.translate(-box.center());
        Icons::paint(painter, QStringLiteral("chevron.right"), box, colour);
        painter.restore();
        painter.setFont(font());
        painter.setPen(colour);
        painter.drawText(rect().adjusted(kChevron + kGap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
    }

private:
    static constexpr int kChevron = 10;
    static constexpr int kGap = 6;
};

QString bytesText(std::int64_t bytes) {
    return QString::fromStdString(formattedBytes(bytes));
}

// `content` on a card filling the width.
Card* framed(QWidget* content, QWidget* parent) {
    auto* card = new Card(content, parent);
    card->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return card;
}

} // namespace

DuplicatesView::State DuplicatesView::stateOf(const AppModel& model) {
    if (model.scanning() && model.duplicateAfterScan())
        return State::waitingForScan;
    if (model.findingDuplicates())
        return State::comparing;
    if (model.duplicateReport())
        return State::result;
    return State::idle;
}

std::optional<double> DuplicatesView::fileFraction(const DuplicateProgress& progress) {
    if (progress.fileSize < 1)
        return std::nullopt;
    return std::clamp(double(progress.bytesRead) / double(progress.fileSize), 0.0, 1.0);
}

QString DuplicatesView::issuesCaption(std::int64_t skipped) {
    if (skipped <= 0)
        return QStringLiteral("No comparison issues");
    return QString::number(skipped) + QStringLiteral(" comparison ") +
           (skipped == 1 ? QStringLiteral("issue") : QStringLiteral("issues"));
}

std::vector<std::size_t> DuplicatesView::visibleGroups(const DuplicateReport& report, const QString& filter) {
    std::vector<std::size_t> visible;
    const NameMatcher matcher(filter.toStdString());
    for (std::size_t i = 0; i < report.groups.size(); ++i) {
        const std::vector<DiskNode>& files = report.groups[i].files;
        if (matcher.empty() || std::any_of(files.begin(), files.end(), [&](const DiskNode& file) {
                return matcher.matches(file.name());
            }))
            visible.push_back(i);
    }
    return visible;
}

DuplicatesView::DuplicatesView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    setObjectName(QStringLiteral("duplicatesView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_heading = new ToolHeading(QStringLiteral("Duplicates"), QStringLiteral("Find identical files"),
                                buildControls(), this);
    column->addWidget(m_heading);
    column->addWidget(buildSources());
    column->addWidget(new Rule(Qt::Horizontal, this));

    const ScreenScroll scroll = ScreenScroll::make(this);
    m_scroll = scroll.area;
    QWidget* content = scroll.content;
    QVBoxLayout* stack = scroll.stack;

    m_scanCard = new SearchProgressCard;
    m_scanFrame = framed(m_scanCard, content);
    stack->addWidget(m_scanFrame);
    m_compareCard = new SearchProgressCard;
    m_compareFrame = framed(m_compareCard, content);
    stack->addWidget(m_compareFrame);
    m_idle = new EmptyPanel(QStringLiteral("doc.on.doc"), QStringLiteral("Find duplicate files"),
                            QStringLiteral("Choose a location above to start."), false, content);
    stack->addWidget(m_idle);
    m_result = buildResult(content);
    stack->addWidget(m_result);
    stack->addStretch(1);
    column->addWidget(m_scroll, 1);

    connect(&m_model, &AppModel::duplicatesChanged, this, &DuplicatesView::refresh);
    connect(&m_model, &AppModel::scanChanged, this, &DuplicatesView::refresh);
    connect(&m_model, &AppModel::displayChanged, this, &DuplicatesView::refresh);
    connect(&m_model, &AppModel::cleanupChanged, this, &DuplicatesView::refreshControls);
    connect(&m_model, &AppModel::snapshotsChanged, this, &DuplicatesView::refreshControls);
    connect(&m_model, &AppModel::messagesChanged, this, &DuplicatesView::refreshControls);
    // Scan progress arrives often: only the card that shows it follows it.
    connect(&m_model, &AppModel::progressChanged, this, [this] {
        if (m_state == State::waitingForScan)
            refreshProgress();
    });
    refresh();
}

QWidget* DuplicatesView::buildControls() {
    auto* controls = new QWidget;
    auto* row = new QHBoxLayout(controls);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(plainLabel(ViewText::font(11), ColorRole::muted, controls, QStringLiteral("Minimum size")),
                   0, Qt::AlignVCenter);
    m_sizePicker = new QComboBox(controls);
    m_sizePicker->setAccessibleName(QStringLiteral("Minimum size"));
    m_sizePicker->setFixedWidth(95);
    for (const auto& [title, megabytes] :
         {std::pair{"Any size", 0}, {"1 MB+", 1}, {"10 MB+", 10}, {"100 MB+", 100}})
        m_sizePicker->addItem(QString::fromLatin1(title), megabytes);
    row->addWidget(m_sizePicker, 0, Qt::AlignVCenter);
    m_cancel = new TroveButton(QStringLiteral("Cancel"), TroveButtonStyle{false, false}, controls);
    row->addWidget(m_cancel, 0, Qt::AlignVCenter);
    connect(m_sizePicker, &QComboBox::activated, this,
            [this](int index) { m_model.setDuplicateMinimumMB(m_sizePicker->itemData(index).toInt()); });
    connect(m_cancel, &QAbstractButton::clicked, this, [this] {
        // The search that waits for the scan goes with it.
        if (stateOf(m_model) == State::waitingForScan)
            m_model.cancelScan();
        else if (m_model.findingDuplicates())
            m_model.cancelDuplicates();
    });
    return controls;
}

QWidget* DuplicatesView::buildSources() {
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(kPadding, 0, kPadding, 18);
    column->setSpacing(13);
    m_sources = new QWidget(box);
    auto* row = new QHBoxLayout(m_sources);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    m_entireMac = new TroveButton(TroveButtonStyle{true, false}, QStringLiteral("internaldrive.fill"),
                                  QStringLiteral("Entire Mac"), m_sources);
    m_entireMac->setToolTip(
        ViewText::plainToolTip(QStringLiteral("Compare files from the existing full-Mac scan.")));
    m_chooseFolder = new TroveButton(TroveButtonStyle{false, false}, QStringLiteral("folder"),
                                     QStringLiteral("Choose folder…"), m_sources);
    m_currentScan = new TroveButton(TroveButtonStyle{false, false}, QStringLiteral("doc.on.doc"),
                                    QStringLiteral("Current scan"), m_sources);
    m_currentScan->setToolTip(ViewText::plainToolTip(
        QStringLiteral("Compare the scanned files — no rescan. Changed or missing files are skipped.")));
    row->addWidget(m_entireMac);
    row->addWidget(m_chooseFolder);
    row->addWidget(m_currentScan);
    row->addStretch(1);
    column->addWidget(m_sources);
    m_location = new SearchLocationView(QString(), false, box);
    column->addWidget(m_location);
    connect(m_entireMac, &QAbstractButton::clicked, this, [this] { m_model.findDuplicatesOnMac(); });
    connect(m_chooseFolder, &QAbstractButton::clicked, this, [this] { m_model.chooseFolder(true, false); });
    connect(m_currentScan, &QAbstractButton::clicked, this, [this] { m_model.findDuplicates(std::nullopt); });
    return box;
}

QWidget* DuplicatesView::buildResult(QWidget* parent) {
    auto* result = new QWidget(parent);
    auto* column = new QVBoxLayout(result);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(18);

    auto* tiles = new QHBoxLayout;
    tiles->setSpacing(14);
    const std::array<std::pair<const char*, const char*>, 3> kinds{{
        {"Extra copies", "doc.on.doc"},
        {"Duplicate groups", "square.stack"},
        {"Candidates checked", "checkmark.shield"},
    }};
    for (const auto& [title, symbol] : kinds) {
        auto* tile =
            new MetricTile(QString::fromLatin1(title), QString(), QString::fromLatin1(symbol), QString());
        m_tiles << tile;
        tiles->addWidget(framed(tile, result), 1);
    }
    column->addLayout(tiles);

    m_filterRow = new QWidget(result);
    auto* filter = new QHBoxLayout(m_filterRow);
    filter->setContentsMargins(0, 0, 0, 0);
    m_filterLine = plainLabel(ViewText::font(12), ColorRole::muted, m_filterRow);
    filter->addWidget(m_filterLine, 0, Qt::AlignVCenter);
    filter->addStretch(1);
    m_addAll = new TroveButton(QStringLiteral("Add all extras to Cleanup"), TroveButtonStyle{true, false},
                               m_filterRow);
    m_addAll->setToolTip(ViewText::plainToolTip(
        QStringLiteral("Add extra copies from every group, including groups hidden by the name filter.")));
    filter->addWidget(m_addAll, 0, Qt::AlignVCenter);
    column->addWidget(m_filterRow);
    connect(m_addAll, &QAbstractButton::clicked, this, [this] {
        if (m_model.canClean())
            m_model.stageAllDuplicates();
    });

    m_noDuplicates =
        new EmptyPanel(QStringLiteral("checkmark.seal"), QStringLiteral("No duplicates found"),
                       QStringLiteral("No identical files match the minimum size."), false, result);
    column->addWidget(m_noDuplicates);

    m_noMatch = new QWidget(result);
    auto* noMatch = new QVBoxLayout(m_noMatch);
    noMatch->setContentsMargins(0, 0, 0, 0);
    noMatch->setSpacing(0);
    noMatch->addWidget(
        new EmptyPanel(QStringLiteral("magnifyingglass"), QStringLiteral("No matching duplicates"),
                       QStringLiteral("Try another filename or clear the search."), true, m_noMatch));
    m_clearSearch =
        new TroveButton(QStringLiteral("Clear search"), TroveButtonStyle{false, false}, m_noMatch);
    noMatch->addWidget(m_clearSearch, 0, Qt::AlignHCenter);
    column->addWidget(m_noMatch);
    connect(m_clearSearch, &QAbstractButton::clicked, this, [this] { m_model.setFilter(QString()); });

    m_cardsBox = new QWidget(result);
    m_cardsLayout = new QVBoxLayout(m_cardsBox);
    m_cardsLayout->setContentsMargins(0, 0, 0, 0);
    m_cardsLayout->setSpacing(14);
    column->addWidget(m_cardsBox);

    m_showMore =
        new TroveButton(QStringLiteral("Show 30 more groups"), TroveButtonStyle{false, false}, result);
    column->addWidget(m_showMore, 0, Qt::AlignLeft);
    connect(m_showMore, &QAbstractButton::clicked, this, &DuplicatesView::showMore);

    auto* details = new Disclosure(result);
    m_detailsToggle = details;
    column->addWidget(m_detailsToggle, 0, Qt::AlignLeft);
    m_details = plainLabel(ViewText::font(10), ColorRole::ink, result);
    m_details->setWordWrap(true);
    m_details->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_details->hide();
    column->addWidget(m_details);
    connect(m_detailsToggle, &QAbstractButton::toggled, m_details, &QWidget::setVisible);
    return result;
}

void DuplicatesView::refresh() {
    m_state = stateOf(m_model);
    m_scanFrame->setVisible(m_state == State::waitingForScan);
    m_compareFrame->setVisible(m_state == State::comparing);
    m_result->setVisible(m_state == State::result);
    m_idle->setVisible(m_state == State::idle);
    refreshControls();
    refreshProgress();
    refreshResult();
}

void DuplicatesView::refreshControls() {
    const bool waiting = m_model.scanning() && m_model.duplicateAfterScan();
    const bool searching = m_model.findingDuplicates() || waiting;
    const int index = m_sizePicker->findData(m_model.duplicateMinimumMB());
    if (m_sizePicker->currentIndex() != index)
        m_sizePicker->setCurrentIndex(index);
    m_sizePicker->setEnabled(!searching);
    m_cancel->setVisible(searching);
    m_sources->setEnabled(!searching && !m_model.cleaning());
    m_chooseFolder->setEnabled(!m_model.scanning());
    m_currentScan->setVisible(m_model.scan() || m_model.scanning());

    std::optional<std::string> location;
    if (m_model.scanning())
        location = m_model.scanRootPath();
    else if (m_model.duplicateScopePath())
        location = m_model.duplicateScopePath();
    else if (m_model.scan())
        location = m_model.scan()->rootPath;
    m_location->setVisible(location.has_value());
    if (location) {
        m_location->setPath(QString::fromStdString(*location));
        m_location->setSaved(m_model.isHistorical() && !m_model.scanning());
    }

    const bool canClean = m_model.canClean();
    m_addAll->setEnabled(canClean);
    for (DuplicateGroupCard* card : m_cards)
        card->refresh();
}

void DuplicatesView::refreshProgress() {
    if (m_state == State::waitingForScan) {
        const std::shared_ptr<const ScanProgress>& progress = m_model.scanProgress();
        m_scanCard->setTitle(QStringLiteral("Scanning ") + m_model.scanRootName() + QStringLiteral("…"));
        m_scanCard->setDetail(QStringLiteral("Comparison starts after the scan."));
        m_scanCard->setPath(progress ? std::optional(QString::fromStdString(progress->path)) : std::nullopt);
        m_scanCard->setFraction(std::nullopt);
        m_scanCard->setFacts({
            {QStringLiteral("Files"), ViewText::groupedCount(progress ? progress->files : 0)},
            {QStringLiteral("Folders"), ViewText::groupedCount(progress ? progress->folders : 0)},
            {QStringLiteral("Size on disk"), bytesText(progress ? progress->bytes : 0)},
        });
    } else if (m_state == State::comparing) {
        const std::optional<DuplicateProgress>& work = m_model.duplicateWork();
        const bool reading = work && (work->phase == DuplicateProgress::Phase::hashing ||
                                      work->phase == DuplicateProgress::Phase::verifying);
        m_compareCard->setPath(std::nullopt);
        if (reading) {
            m_compareCard->setTitle(work->phase == DuplicateProgress::Phase::hashing
                                        ? QStringLiteral("Reading full contents")
                                        : QStringLiteral("Verifying identical copies"));
            m_compareCard->setDetail(QString::fromStdString(work->fileName));
            m_compareCard->setFraction(fileFraction(*work));
            m_compareCard->setFacts({
                {QStringLiteral("Read from this file"), bytesText(work->bytesRead)},
                {QStringLiteral("File size"), bytesText(work->fileSize)},
            });
        } else {
            m_compareCard->setTitle(QStringLiteral("Comparing your files"));
            m_compareCard->setDetail(m_model.duplicateProgress());
            m_compareCard->setFraction(std::nullopt);
            m_compareCard->setFacts({
                {QStringLiteral("Candidates checked"), ViewText::groupedCount(work ? work->checked : 0)},
                {QStringLiteral("Candidates found"), ViewText::groupedCount(work ? work->total : 0)},
            });
        }
    }
}

void DuplicatesView::refreshResult() {
    const std::shared_ptr<const DuplicateReport>& report = m_model.duplicateReport();
    if (!report) {
        if (m_report) {
            m_report.reset();
            m_visible.clear();
            refreshCards();
        }
        return;
    }
    const QString& filter = m_model.filter();
    const bool reportChanged = report != m_report;
    if (reportChanged || filter != m_filter) {
        m_report = report;
        m_filter = filter;
        m_visible = visibleGroups(*report, filter);
        // A new list starts from its first groups; the number drawn stays.
        for (DuplicateGroupCard* card : m_cards) {
            card->hide();
            card->deleteLater();
        }
        m_cards.clear();
    }
    if (reportChanged) {
        std::int64_t extra = 0;
        for (const DuplicateGroup& group : report->groups)
            extra = saturatingAdd(extra, group.reclaimable());
        m_tiles[0]->valueLabel()->setText(bytesText(extra));
        m_tiles[0]->captionLabel()->setText(QStringLiteral("Allocated size estimate"));
        m_tiles[1]->valueLabel()->setText(ViewText::groupedCount(std::int64_t(report->groups.size())));
        m_tiles[1]->captionLabel()->setText(QStringLiteral("Content verified"));
        m_tiles[2]->valueLabel()->setText(ViewText::groupedCount(report->checked));
        m_tiles[2]->captionLabel()->setText(issuesCaption(report->skipped));
        QStringList issues;
        for (const std::string& issue : report->issues)
            issues << QString::fromStdString(issue);
        m_details->setText(issues.join(QLatin1Char('\n')));
        m_detailsToggle->setText(QStringLiteral("Comparison details (") +
                                 ViewText::groupedCount(std::int64_t(report->issues.size())) +
                                 QStringLiteral(")"));
        m_detailsToggle->setChecked(false);
        m_detailsToggle->setVisible(!report->issues.empty());
    }

    const std::size_t total = report->groups.size();
    const bool any = total > 0;
    m_filterRow->setVisible(any);
    if (filter.isEmpty()) {
        m_filterLine->setText(QStringLiteral("Choose a copy to keep."));
    } else {
        m_filterLine->setText(QStringLiteral("Showing ") +
                              ViewText::groupedCount(std::int64_t(m_visible.size())) +
                              QStringLiteral(" of ") + ViewText::groupedCount(std::int64_t(total)) +
                              (total == 1 ? QStringLiteral(" group.") : QStringLiteral(" groups.")));
    }
    m_noDuplicates->setVisible(!any);
    m_noMatch->setVisible(any && m_visible.empty());
    refreshCards();
}

void DuplicatesView::refreshCards() {
    // Cards are made for the first `limit` visible groups only, and only once each.
    const std::size_t wanted = m_report ? std::min(m_visible.size(), std::size_t(m_limit)) : 0;
    while (std::size_t(m_cards.size()) > wanted) {
        DuplicateGroupCard* card = m_cards.takeLast();
        card->hide();
        card->deleteLater();
    }
    for (std::size_t i = std::size_t(m_cards.size()); i < wanted; ++i) {
        auto* card = new DuplicateGroupCard(m_model, m_report, m_visible[i], m_cardsBox);
        m_cardsLayout->addWidget(card);
        m_cards << card;
    }
    m_cardsBox->setVisible(wanted > 0);
    m_showMore->setVisible(m_report && m_visible.size() > std::size_t(m_limit));
}

void DuplicatesView::showMore() {
    m_limit += kPage;
    refreshCards();
}

} // namespace ambertrove
