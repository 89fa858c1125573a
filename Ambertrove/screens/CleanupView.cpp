#include "screens/CleanupView.hpp"

#include "controller/AppModel.hpp"
#include "model/Formatting.hpp"
#include "screens/CleanupHistoryList.hpp"
#include "screens/CleanupQueueList.hpp"
#include "screens/ScreenScroll.hpp"
#include "shell/BusyIndicator.hpp"
#include "shell/PlainButton.hpp"
#include "shell/Rule.hpp"
#include "shell/SymbolView.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <set>
#include <string_view>

namespace ambertrove {

namespace {

constexpr int kPadding = ScreenScroll::kPadding;
constexpr int kStackSpacing = ScreenScroll::kSpacing;

// The running panel's ground: the surface colour in a rounded rectangle of radius 8.
class SurfacePanel final : public QWidget {
public:
    explicit SurfacePanel(QWidget* parent)
        : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 8, 8);
        painter.fillPath(shape, Appearance::role(ColorRole::surface));
    }
};

QString bytesText(std::int64_t bytes) {
    return QString::fromStdString(formattedBytes(bytes));
}

// The locale's short date and time, in local time.
QString dateTimeText(Date date) {
    const auto when = QDateTime::fromMSecsSinceEpoch(qint64(std::llround(date.unixSeconds() * 1000.0)));
    return QLocale().toString(when, QLocale::ShortFormat);
}

// The last component of a path, as a file name ("/" stays "/").
QString lastComponent(const std::string& path) {
    std::string_view trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.remove_suffix(1);
    const std::size_t slash = trimmed.rfind('/');
    if (slash != std::string_view::npos && trimmed.size() > 1)
        trimmed.remove_prefix(slash + 1);
    return QString::fromUtf8(trimmed.data(), qsizetype(trimmed.size()));
}

} // namespace

QString CleanupView::summaryText(std::int64_t count, std::int64_t bytes) {
    return ViewText::groupedCount(count) + (count == 1 ? QStringLiteral(" item") : QStringLiteral(" items")) +
           QStringLiteral(" — ") + bytesText(bytes);
}

bool CleanupView::canReview(const AppModel& model) {
    return !model.queue().empty() && !model.cleaning() && !model.staging() && !model.scanning() &&
           !model.snapshotBusy();
}

CleanupView::CleanupView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    setObjectName(QStringLiteral("cleanupView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    buildHeader(column);
    column->addWidget(new Rule(Qt::Horizontal, this));

    const ScreenScroll scroll = ScreenScroll::make(this);
    m_scroll = scroll.area;
    QWidget* content = scroll.content;
    QVBoxLayout* stack = scroll.stack;

    // The running panel.
    m_running = new SurfacePanel(content);
    m_running->setObjectName(QStringLiteral("runningPanel"));
    auto* running = new QHBoxLayout(m_running);
    running->setContentsMargins(14, 14, 14, 14);
    running->setSpacing(10);
    running->addWidget(new BusyIndicator(14, m_running), 0, Qt::AlignVCenter);
    m_runningMessage = plainLabel(ViewText::font(12), ColorRole::ink, m_running);
    m_runningMessage->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    running->addWidget(m_runningMessage, 1);
    m_cancel = new TroveButton(QStringLiteral("Cancel"), TroveButtonStyle{false, true}, m_running);
    running->addWidget(m_cancel, 0, Qt::AlignVCenter);
    stack->addWidget(m_running);
    connect(m_cancel, &QAbstractButton::clicked, this, &CleanupView::cancelRun);

    // The protected-items note and "Remove all".
    auto* notes = new QHBoxLayout;
    notes->setSpacing(6);
    notes->addWidget(new SymbolView(QStringLiteral("lock.shield"), 12, ColorRole::muted, content), 0,
                     Qt::AlignVCenter);
    notes->addWidget(plainLabel(ViewText::font(11), ColorRole::muted, content,
                                QStringLiteral("System files are protected")),
                     0, Qt::AlignVCenter);
    notes->addStretch(1);
    m_removeAll =
        new PlainButton(QStringLiteral("Remove all"), ViewText::font(11), ColorRole::muted, content);
    m_removeAll->setToolTip(
        ViewText::plainToolTip(QStringLiteral("Remove all items from Cleanup — files stay in place")));
    notes->addWidget(m_removeAll, 0, Qt::AlignVCenter);
    stack->addLayout(notes);
    connect(m_removeAll, &QAbstractButton::clicked, this, &CleanupView::removeAll);

    // The queue, or its empty state.
    m_empty = new EmptyPanel(QStringLiteral("tray"), QStringLiteral("Cleanup is empty"),
                             QStringLiteral("Right-click a file or choose Add to Cleanup."), false, content);
    stack->addWidget(m_empty);
    m_browse = new TroveButton(QStringLiteral("Browse files"), TroveButtonStyle{false, false}, content);
    stack->addWidget(m_browse, 0, Qt::AlignLeft);
    connect(m_browse, &QAbstractButton::clicked, this, [this] { m_model.setSection(AppSection::explore); });
    m_queue = new CleanupQueueList(m_model, content);
    stack->addWidget(m_queue);
    m_restoreNote = plainLabel(ViewText::font(11), ColorRole::muted, content,
                               QStringLiteral("Files can be restored until Trash is emptied."));
    stack->addWidget(m_restoreNote);

    // The histories.
    m_backupList = new CleanupHistoryList(QStringLiteral("Show in Finder"), 0, content);
    m_backupList->setObjectName(QStringLiteral("backupList"));
    m_backupsSection = buildHistorySection(content, QStringLiteral("File backups"), m_backupList);
    stack->addWidget(m_backupsSection);
    connect(m_backupList, &CleanupHistoryList::buttonClicked, this, [this](int row) {
        if (row >= 0 && std::size_t(row) < m_backups.size())
            m_model.reveal(m_backups[std::size_t(row)].directory);
    });
    m_trashList = new CleanupHistoryList(QStringLiteral("Restore"), 5, content);
    m_trashList->setObjectName(QStringLiteral("trashList"));
    m_trashSection = buildHistorySection(content, QStringLiteral("Recently trashed"), m_trashList);
    stack->addWidget(m_trashSection);
    connect(m_trashList, &CleanupHistoryList::buttonClicked, this, &CleanupView::restore);
    stack->addStretch(1);

    column->addWidget(m_scroll, 1);

    // The policy is asked about the rows that come into view.
    QScrollBar* bar = m_scroll->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, m_queue, &CleanupQueueList::refreshAnswers);
    connect(bar, &QScrollBar::rangeChanged, m_queue, &CleanupQueueList::refreshAnswers);

    connect(&m_model, &AppModel::cleanupChanged, this, &CleanupView::refresh);
    connect(&m_model, &AppModel::scanChanged, this, [this] {
        refreshBusy();
        // Answers are kept per scan: a new scan asks again.
        m_queue->refreshAnswers();
    });
    connect(&m_model, &AppModel::snapshotsChanged, this, &CleanupView::refreshBusy);
    refresh();
}

void CleanupView::buildHeader(QVBoxLayout* column) {
    auto* header = new QHBoxLayout;
    header->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    header->setSpacing(20);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(7);
    texts->addWidget(
        plainLabel(ViewText::font(28, QFont::DemiBold), ColorRole::ink, this, QStringLiteral("Cleanup")));
    m_summary = plainLabel(ViewText::font(13), ColorRole::muted, this);
    texts->addWidget(m_summary);
    header->addLayout(texts);
    header->addStretch(1);
    m_move = new TroveButton(TroveButtonStyle{true, false}, QStringLiteral("trash"),
                             QStringLiteral("Move to Trash…"), this);
    header->addWidget(m_move, 0, Qt::AlignVCenter);
    column->addLayout(header);
    connect(m_move, &QAbstractButton::clicked, this, [this] { m_model.requestCleanup(); });
}

QWidget* CleanupView::buildHistorySection(QWidget* parent, const QString& title, CleanupHistoryList* list) {
    auto* section = new QWidget(parent);
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kStackSpacing);
    auto* divider = new QVBoxLayout;
    divider->setContentsMargins(0, 6, 0, 6);
    divider->addWidget(new Rule(Qt::Horizontal, section));
    layout->addLayout(divider);
    layout->addWidget(plainLabel(ViewText::font(19, QFont::DemiBold), ColorRole::ink, section, title));
    list->setParent(section);
    layout->addWidget(list);
    return section;
}

void CleanupView::refresh() {
    const std::vector<CleanupEntry>& queue = m_model.queue();
    m_summary->setText(summaryText(std::int64_t(queue.size()), m_model.queueBytes()));

    const bool cleaning = m_model.cleaning();
    m_running->setVisible(cleaning);
    if (cleaning) {
        const std::optional<CleanupProgress>& progress = m_model.cleanupProgress();
        m_runningMessage->setText(progress ? QString::fromStdString(progress->message)
                                           : QStringLiteral("Preparing cleanup…"));
        // Once items are moving, the run can no longer be stopped from here.
        m_cancel->setVisible(!progress || progress->phase != CleanupPhase::movingToTrash);
    }
    m_removeAll->setEnabled(!cleaning && !m_model.staging() && !queue.empty());

    m_empty->setVisible(queue.empty());
    m_browse->setVisible(queue.empty());
    m_queue->setVisible(!queue.empty());
    m_restoreNote->setVisible(!queue.empty());
    m_queue->refresh();
    refreshBusy();
    refreshHistory();
}

void CleanupView::refreshBusy() {
    m_move->setEnabled(canReview(m_model));
}

void CleanupView::refreshHistory() {
    if (m_model.backups() != m_backups) {
        m_backups = m_model.backups();
        std::vector<CleanupHistoryList::Row> rows;
        rows.reserve(m_backups.size());
        for (const BackupReceipt& backup : m_backups) {
            const QString directory = QString::fromStdString(backup.directory);
            rows.push_back({QStringLiteral("externaldrive.badge.checkmark"), dateTimeText(backup.createdAt),
                            directory, Qt::ElideMiddle, QString(), directory, true});
        }
        m_backupList->setRows(std::move(rows));
    }
    m_backupsSection->setVisible(!m_backups.empty());

    if (m_model.receipts() != m_receipts) {
        m_receipts = m_model.receipts();
        std::vector<CleanupHistoryList::Row> rows;
        rows.reserve(m_receipts.size());
        for (const TrashReceipt& receipt : m_receipts) {
            rows.push_back({QString(), lastComponent(receipt.originalPath), dateTimeText(receipt.date),
                            Qt::ElideRight, bytesText(receipt.bytes),
                            QString::fromStdString(receipt.originalPath), true});
        }
        m_trashList->setRows(std::move(rows));
    }
    // "Restore" waits while a cleanup or staging runs, and while that item's own restore runs.
    const bool blocked = m_model.cleaning() || m_model.staging();
    const std::set<Uuid>& restoring = m_model.restoringReceipts();
    for (std::size_t i = 0; i < m_receipts.size(); ++i)
        m_trashList->setButtonEnabled(int(i), !blocked && !restoring.contains(m_receipts[i].id));
    m_trashSection->setVisible(!m_receipts.empty());
}

void CleanupView::cancelRun() {
    const std::optional<CleanupProgress>& progress = m_model.cleanupProgress();
    if (progress && progress->phase == CleanupPhase::movingToTrash)
        return;
    m_model.cleanupCancellation()->cancel();
}

void CleanupView::removeAll() {
    if (m_model.staging() || m_model.cleaning())
        return;
    // Only the queue is emptied: no file is touched.
    m_model.setQueue({});
    m_model.persistState();
}

void CleanupView::restore(int row) {
    if (row < 0 || std::size_t(row) >= m_receipts.size())
        return;
    const TrashReceipt receipt = m_receipts[std::size_t(row)];
    if (m_model.cleaning() || m_model.staging() || m_model.restoringReceipts().contains(receipt.id))
        return;
    m_model.restore(receipt);
}

} // namespace ambertrove
