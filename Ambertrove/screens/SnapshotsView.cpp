#include "screens/SnapshotsView.hpp"

#include "controller/AppModel.hpp"
#include "screens/ChangesSection.hpp"
#include "screens/DisclosureGroup.hpp"
#include "screens/RowListView.hpp"
#include "screens/RowModel.hpp"
#include "screens/ScrollPage.hpp"
#include "screens/SnapshotIssueList.hpp"
#include "screens/SnapshotRowDelegate.hpp"
#include "screens/SwitchToggle.hpp"
#include "screens/TimeMachineCard.hpp"
#include "screens/ToolHeading.hpp"
#include "shell/BusyIndicator.hpp"
#include "shell/Rule.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace ambertrove {

namespace {

using ViewText::fromBytes;

} // namespace

QString SnapshotsView::issuesTitle(std::size_t count) {
    return QString::number(count) + QStringLiteral(" saved scan") +
           (count == 1 ? QStringLiteral(" is") : QStringLiteral("s are")) + QStringLiteral(" unavailable");
}

SnapshotsView::EmptyTexts SnapshotsView::emptyTexts(bool hasIssues, bool snapshotsEnabled) {
    return {hasIssues ? QStringLiteral("No available snapshots") : QStringLiteral("No saved scans"),
            snapshotsEnabled ? QStringLiteral("Save a scan, then compare it with a later scan.")
                             : QStringLiteral("Enable snapshots to save scans for comparison.")};
}

SnapshotsView::SnapshotsView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* controls = new QWidget;
    auto* controlsLayout = new QHBoxLayout(controls);
    controlsLayout->setContentsMargins(0, 0, 0, 0);
    m_refresh = new TroveButton({false, false}, QStringLiteral("arrow.clockwise"), QString(), controls);
    m_refresh->setToolTip(QStringLiteral("Refresh saved scans"));
    m_refresh->setAccessibleName(QStringLiteral("Refresh saved scans"));
    connect(m_refresh, &TroveButton::clicked, this, [this] { m_model.refreshSnapshots(); });
    controlsLayout->addWidget(m_refresh);
    m_export = new TroveButton(QStringLiteral("Export scan…"), {false, false}, controls);
    connect(m_export, &TroveButton::clicked, this, [this] { m_model.exportScan(); });
    controlsLayout->addWidget(m_export);
    m_save =
        new TroveButton({true, false}, QStringLiteral("plus"), QStringLiteral("Save current scan"), controls);
    connect(m_save, &TroveButton::clicked, this, [this] { m_model.saveSnapshot(); });
    controlsLayout->addWidget(m_save);
    layout->addWidget(new ToolHeading(QStringLiteral("Snapshots"),
                                      QStringLiteral("Compare saved scans to see what changed."), controls,
                                      this));
    layout->addWidget(new Rule(Qt::Horizontal, this));

    auto* scroll = new QScrollArea(this);
    QVBoxLayout* content = ScrollPage::fill(*scroll, 24, 20);
    QWidget* page = content->parentWidget();

    auto* setting = new QVBoxLayout;
    setting->setSpacing(7);
    m_toggle = new SwitchToggle(QStringLiteral("Save scan snapshots"), SwitchToggle::Size::small, 12, page);
    connect(m_toggle, &SwitchToggle::toggled, this, [this](bool on) { m_model.setSnapshotsEnabled(on); });
    setting->addWidget(m_toggle, 0, Qt::AlignLeft);
    auto* settingNote =
        plainLabel(ViewText::font(11), ColorRole::muted, page,
                   QStringLiteral("Sizes and paths for comparison — no file contents. File backups "
                                  "are offered separately before cleanup."));
    settingNote->setWordWrap(true);
    setting->addWidget(settingNote);
    content->addLayout(setting);

    m_busy = new QWidget(page);
    auto* busy = new QHBoxLayout(m_busy);
    busy->setContentsMargins(0, 0, 0, 0);
    busy->addWidget(new BusyIndicator(12, m_busy));
    m_busyText = plainLabel(ViewText::font(11), ColorRole::muted, m_busy);
    busy->addWidget(m_busyText, 1);
    content->addWidget(m_busy);

    m_issueList = new SnapshotIssueList;
    m_issues = new DisclosureGroup(QString(), m_issueList, ViewText::font(12), ColorRole::accent, 8, page);
    content->addWidget(m_issues);

    m_empty = new EmptyPanel(QStringLiteral("clock.arrow.circlepath"), QString(), QString(), false, page);
    content->addWidget(m_empty);

    m_listHeader = new QWidget(page);
    auto* header = new QVBoxLayout(m_listHeader);
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(6);
    header->addWidget(plainLabel(ViewText::font(18, QFont::DemiBold), ColorRole::ink, m_listHeader,
                                 QStringLiteral("Compare snapshots")));
    header->addWidget(plainLabel(ViewText::font(11), ColorRole::muted, m_listHeader,
                                 QStringLiteral("Select Before, then After.")));
    content->addWidget(m_listHeader);

    m_list = new RowListView(true, page);
    m_list->setRowDelegate(new SnapshotRowDelegate(m_list, m_model, [this] { return before(); }));
    m_listModel = new RowModel(m_list);
    m_list->setModel(m_listModel);
    connect(m_list, &RowListView::buttonClicked, this, &SnapshotsView::rowButton);
    content->addWidget(m_list);

    m_beforeHint = plainLabel(ViewText::font(11), ColorRole::accent, page);
    m_beforeHint->setWordWrap(true);
    content->addWidget(m_beforeHint);

    m_changes = new ChangesSection(m_model, page);
    content->addWidget(m_changes);
    m_timeMachine = new TimeMachineCard(m_model, page);
    content->addWidget(m_timeMachine);
    content->addStretch(1);
    layout->addWidget(scroll, 1);

    connect(&m_model, &AppModel::snapshotsChanged, this, &SnapshotsView::refresh);
    connect(&m_model, &AppModel::scanChanged, this, &SnapshotsView::refresh);
    connect(&m_model, &AppModel::cleanupChanged, this, &SnapshotsView::refresh);
    refresh();
}

std::optional<SnapshotRecord> SnapshotsView::before() const {
    const std::optional<SnapshotRecord>& chosen = m_model.beforeSnapshot();
    if (!chosen)
        return std::nullopt;
    // A Before whose saved scan is gone could only make every comparison fail.
    const std::vector<SnapshotRecord>& records = m_model.snapshots();
    const bool listed = std::any_of(records.begin(), records.end(),
                                    [&](const SnapshotRecord& record) { return record.id == chosen->id; });
    return listed ? chosen : std::nullopt;
}

void SnapshotsView::select(const SnapshotRecord& record) {
    const std::optional<SnapshotRecord> current = before();
    if (current && current->id != record.id)
        m_model.compareSavedSnapshots(record);
    else
        m_model.setBeforeSnapshot(record);
}

void SnapshotsView::confirmDelete(const SnapshotRecord& record) {
    m_deleting = record;
    if (m_alert)
        return;
    auto* alert = new QMessageBox(this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Warning);
    alert->setWindowTitle(QStringLiteral("Delete saved scan?"));
    alert->setText(QStringLiteral("Delete saved scan?"));
    alert->setInformativeText(
        QStringLiteral("Only Ambertrove's saved metadata is removed. Your scanned files are unaffected."));
    QPushButton* remove = alert->addButton(QStringLiteral("Delete snapshot"), QMessageBox::DestructiveRole);
    QPushButton* cancel = alert->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    remove->setAutoDefault(false);
    remove->setDefault(false);
    alert->setDefaultButton(cancel);
    alert->setEscapeButton(cancel);
    connect(alert, &QMessageBox::finished, this, [this, alert, remove] {
        // Any way out of the alert ends the deletion's wait; only its button deletes.
        const std::optional<SnapshotRecord> waiting = std::exchange(m_deleting, std::nullopt);
        if (alert->clickedButton() == remove && waiting)
            m_model.deleteSnapshot(*waiting);
    });
    m_alert = alert;
    alert->open();
}

void SnapshotsView::rowButton(int row, int action, const QRect& anchor) {
    const std::vector<SnapshotRecord>& records = m_model.snapshots();
    if (row < 0 || std::size_t(row) >= records.size())
        return;
    const SnapshotRecord record = records[std::size_t(row)];
    switch (action) {
    case SnapshotRowDelegate::select:
        select(record);
        break;
    case SnapshotRowDelegate::browse:
        m_model.openSnapshot(record);
        break;
    case SnapshotRowDelegate::compare:
        m_model.compareSnapshot(record);
        break;
    case SnapshotRowDelegate::remove:
        confirmDelete(record);
        break;
    case SnapshotRowDelegate::menu: {
        if (m_menu)
            m_menu->deleteLater();
        m_menu = new QMenu(this);
        m_menu->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_menu->addAction(QStringLiteral("Use as Before")), &QAction::triggered, this,
                [this, record] { m_model.setBeforeSnapshot(record); });
        QAction* compare = m_menu->addAction(QStringLiteral("Compare with Before"));
        const std::optional<SnapshotRecord> current = before();
        compare->setEnabled(current && current->id != record.id);
        connect(compare, &QAction::triggered, this,
                [this, record] { m_model.compareSavedSnapshots(record); });
        m_menu->popup(anchor.bottomLeft());
        break;
    }
    default:
        break;
    }
}

void SnapshotsView::refresh() {
    const bool busy = m_model.snapshotBusy();
    const bool scan = m_model.scan() != nullptr;
    m_refresh->setEnabled(!busy);
    m_export->setEnabled(scan);
    m_save->setEnabled(m_model.snapshotsEnabled() && scan && !m_model.scanning() && !busy);
    {
        const QSignalBlocker quiet(m_toggle);
        m_toggle->setChecked(m_model.snapshotsEnabled());
    }
    m_busy->setVisible(busy);
    m_busyText->setText(m_model.snapshotStatus());

    const std::vector<SnapshotCatalogIssue>& issues = m_model.snapshotIssues();
    m_issues->setVisible(!issues.empty());
    m_issues->setTitle(issuesTitle(issues.size()));
    m_issueList->setIssues(issues);

    const std::vector<SnapshotRecord>& records = m_model.snapshots();
    const EmptyTexts texts = emptyTexts(!issues.empty(), m_model.snapshotsEnabled());
    m_empty->setTitle(texts.title);
    m_empty->setSubtitle(texts.subtitle);
    m_empty->setVisible(records.empty());
    m_listHeader->setVisible(!records.empty());
    m_list->setVisible(!records.empty());
    m_listModel->reset(int(records.size()), [this](int row) {
        const std::vector<SnapshotRecord>& shown = m_model.snapshots();
        return std::size_t(row) < shown.size() ? fromBytes(shown[std::size_t(row)].title) : QString();
    });

    const std::optional<SnapshotRecord> current = before();
    m_beforeHint->setVisible(current.has_value());
    if (current)
        m_beforeHint->setText(QStringLiteral("Before snapshot: ") + fromBytes(current->title) +
                              QStringLiteral(" · ") + SnapshotRowDelegate::dateText(current->createdAt) +
                              QStringLiteral(". Choose Compare with Before on another snapshot."));
    m_changes->setVisible(m_model.comparisonTitle().has_value());
}

} // namespace ambertrove
