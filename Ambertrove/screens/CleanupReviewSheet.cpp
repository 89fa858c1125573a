#include "screens/CleanupReviewSheet.hpp"

#include "controller/AppModel.hpp"
#include "model/Formatting.hpp"
#include "shell/Rule.hpp"
#include "shell/SymbolView.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ElidedLabel.hpp"
#include "widgets/Icons.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QVBoxLayout>

namespace ambertrove {

namespace {

QString nameOf(const DiskNode& node) {
    return QString::fromStdString(node.name());
}

QLabel* wrappedLabel(const QFont& font, ColorRole role, QWidget* parent, const QString& text = {}) {
    QLabel* label = plainLabel(font, role, parent, text);
    label->setWordWrap(true);
    return label;
}

// A symbol and a text in one row, the symbol in `colour`.
QWidget* symbolLine(const QString& symbol, const QColor& colour, QLabel* text, QWidget* parent) {
    auto* line = new QWidget(parent);
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    auto* mark = new QLabel(line);
    const int side = text->font().pixelSize() + 2;
    mark->setPixmap(Icons::pixmap(symbol, side, colour, line->devicePixelRatioF()));
    mark->setFixedSize(side, side);
    row->addWidget(mark, 0, Qt::AlignTop);
    text->setParent(line);
    row->addWidget(text, 1);
    return line;
}

} // namespace

QString CleanupReviewSheet::titleText(const CleanupRequest& request) {
    if (request.uninstallName)
        return QStringLiteral("Uninstall ") + QString::fromStdString(*request.uninstallName) +
               QStringLiteral("?");
    const std::size_t count = request.entries.size();
    return QStringLiteral("Move ") + ViewText::groupedCount(std::int64_t(count)) +
           (count == 1 ? QStringLiteral(" item") : QStringLiteral(" items")) + QStringLiteral(" to Trash?");
}

QString CleanupReviewSheet::remainderText(std::size_t entries) {
    if (entries <= kListedEntries)
        return {};
    return QStringLiteral("And ") + ViewText::groupedCount(std::int64_t(entries - kListedEntries)) +
           QStringLiteral(" more");
}

QString CleanupReviewSheet::confirmTitle(bool backup) {
    return backup ? QStringLiteral("Back up & Move to Trash…") : QStringLiteral("Move to Trash");
}

CleanupReviewSheet::CleanupReviewSheet(AppModel& model, QWidget* parent)
    : QDialog(parent)
    , m_model(model) {
    setObjectName(QStringLiteral("cleanupReview"));
    setWindowTitle(QStringLiteral("Review Cleanup"));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(kWidth);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Appearance::role(ColorRole::background));
    colours.setColor(QPalette::WindowText, Appearance::role(ColorRole::ink));
    setPalette(colours);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->setSpacing(kSpacing);
    m_title = wrappedLabel(ViewText::font(23, QFont::DemiBold), ColorRole::ink, this);
    layout->addWidget(m_title);
    m_total = plainLabel(ViewText::font(13), ColorRole::muted, this);
    layout->addWidget(m_total);
    buildEntries(layout);
    layout->addWidget(new Rule(Qt::Horizontal, this));
    buildOptions(layout);
    buildBlocked(layout);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 4, 0, 0);
    buttons->addStretch(1);
    m_cancel = new TroveButton(QStringLiteral("Cancel"), TroveButtonStyle{false, false}, this);
    m_confirm = new TroveButton(confirmTitle(true), TroveButtonStyle{true, false}, this);
    // Neither is a default button, so Return confirms nothing; Escape is the dialog's own rejection.
    for (TroveButton* button : {m_cancel, m_confirm}) {
        button->setAutoDefault(false);
        button->setDefault(false);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    connect(m_cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(m_confirm, &QAbstractButton::clicked, this, &CleanupReviewSheet::confirm);
    // Every way of dismissing the sheet drops the review it shows.
    connect(this, &QDialog::rejected, this, [this] {
        if (m_request && m_model.cleanupRequest() == m_request)
            m_model.setCleanupRequest(nullptr);
    });

    connect(&m_model, &AppModel::cleanupChanged, this, [this] {
        const std::shared_ptr<const CleanupRequest>& shown = m_model.cleanupRequest();
        if (shown && shown != m_request) {
            m_request = shown;
            showRequest();
        }
        refreshSettings();
    });
    connect(&m_model, &AppModel::scanChanged, this, &CleanupReviewSheet::refreshSettings);

    m_request = m_model.cleanupRequest();
    if (!m_request)
        m_request = std::make_shared<const CleanupRequest>();
    showRequest();
    refreshSettings();
    m_cancel->setFocus();
}

void CleanupReviewSheet::buildEntries(QVBoxLayout* layout) {
    auto* entries = new QVBoxLayout;
    entries->setSpacing(8);
    for (std::size_t i = 0; i < kListedEntries; ++i) {
        auto* row = new QWidget(this);
        row->setObjectName(QStringLiteral("reviewEntry"));
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(12);
        auto* name = new ElidedLabel(QString(), Qt::ElideMiddle, row);
        name->setFont(ViewText::font(12));
        name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        line->addWidget(name, 1);
        line->addWidget(plainLabel(ViewText::font(12), ColorRole::ink, row), 0);
        entries->addWidget(row);
        m_entryRows << row;
    }
    m_remainder = plainLabel(ViewText::font(11), ColorRole::muted, this);
    entries->addWidget(m_remainder);
    layout->addLayout(entries);
}

void CleanupReviewSheet::buildOptions(QVBoxLayout* layout) {
    m_options = new QWidget(this);
    auto* options = new QVBoxLayout(m_options);
    options->setContentsMargins(0, 0, 0, 0);
    options->setSpacing(kSpacing);
    options->addWidget(plainLabel(ViewText::font(16, QFont::DemiBold), ColorRole::ink, m_options,
                                  QStringLiteral("Create a backup?")));
    m_backup =
        new QCheckBox(ViewText::withoutMnemonic(QStringLiteral("Back up files before cleanup")), m_options);
    m_backup->setFont(ViewText::font(12));
    options->addWidget(m_backup);
    m_folderNote = wrappedLabel(
        ViewText::font(11), ColorRole::muted, m_options,
        QStringLiteral("Choose a folder for a verified copy. Use another drive to free space on this Mac."));
    options->addWidget(m_folderNote);
    m_snapshot = new QCheckBox(ViewText::withoutMnemonic(QStringLiteral("Save a scan snapshot")), m_options);
    m_snapshot->setFont(ViewText::font(13));
    options->addWidget(m_snapshot);
    options->addWidget(wrappedLabel(
        ViewText::font(11), ColorRole::muted, m_options,
        QStringLiteral("Snapshots save sizes and paths for comparison — they do not back up files.")));
    options->addWidget(symbolLine(
        QStringLiteral("lock.shield"), Appearance::role(ColorRole::muted),
        wrappedLabel(ViewText::font(11), ColorRole::muted, m_options,
                     QStringLiteral("System files are protected. Trash can be restored until emptied.")),
        m_options));
    layout->addWidget(m_options);
    connect(m_backup, &QCheckBox::toggled, this, [this](bool on) { m_model.setBackupBeforeCleanup(on); });
    connect(m_snapshot, &QCheckBox::toggled, this, [this](bool on) { m_model.setSnapshotsEnabled(on); });
}

void CleanupReviewSheet::buildBlocked(QVBoxLayout* layout) {
    m_blocked = new QWidget(this);
    auto* blocked = new QVBoxLayout(m_blocked);
    blocked->setContentsMargins(0, 0, 0, 0);
    blocked->setSpacing(kSpacing);
    const QColor amber = Appearance::color(Paper::amber());
    QLabel* heading = wrappedLabel(ViewText::font(13, QFont::DemiBold), ColorRole::ink, m_blocked,
                                   QStringLiteral("Protected items cannot be moved to Trash"));
    QPalette warning = heading->palette();
    warning.setColor(QPalette::WindowText, amber);
    heading->setPalette(warning);
    blocked->addWidget(symbolLine(QStringLiteral("lock.shield"), amber, heading, m_blocked));
    for (std::size_t i = 0; i < kNamedBlocked; ++i) {
        QLabel* line = wrappedLabel(ViewText::font(11), ColorRole::muted, m_blocked);
        blocked->addWidget(line);
        m_blockedLines << line;
    }
    blocked->addWidget(wrappedLabel(ViewText::font(12), ColorRole::ink, m_blocked,
                                    QStringLiteral("Remove these items from Cleanup to continue.")));
    layout->addWidget(m_blocked);
}

int CleanupReviewSheet::listedCount() const {
    return int(std::min(m_request->entries.size(), kListedEntries));
}

int CleanupReviewSheet::namedBlockedCount() const {
    int named = 0;
    for (QLabel* line : m_blockedLines)
        named += line->isHidden() ? 0 : 1;
    return named;
}

void CleanupReviewSheet::showRequest() {
    const CleanupRequest& request = *m_request;
    m_title->setText(titleText(request));
    std::int64_t total = 0;
    for (const CleanupEntry& entry : request.entries)
        total = saturatingAdd(total, entry.node.allocatedSize);
    m_total->setText(QString::fromStdString(formattedBytes(total)));

    for (int i = 0; i < m_entryRows.size(); ++i) {
        QWidget* row = m_entryRows[i];
        const bool used = std::size_t(i) < request.entries.size();
        row->setVisible(used);
        if (!used)
            continue;
        const DiskNode& node = request.entries[std::size_t(i)].node;
        row->findChild<ElidedLabel*>()->setText(nameOf(node));
        row->findChild<QLabel*>()->setText(QString::fromStdString(formattedBytes(node.allocatedSize)));
        row->setToolTip(ViewText::plainToolTip(QString::fromStdString(node.path)));
    }
    m_remainder->setText(remainderText(request.entries.size()));
    m_remainder->setVisible(request.entries.size() > kListedEntries);

    // The refused entries in the request's order; only the first few are named.
    std::size_t named = 0;
    for (const CleanupEntry& entry : request.entries) {
        if (named == kNamedBlocked)
            break;
        const auto refusal = request.blocked.find(entry.node.path);
        if (refusal == request.blocked.end())
            continue;
        m_blockedLines[qsizetype(named)]->setText(nameOf(entry.node) + QStringLiteral(" — ") +
                                                  QString::fromStdString(refusal->second));
        ++named;
    }
    for (qsizetype i = 0; i < m_blockedLines.size(); ++i)
        m_blockedLines[i]->setVisible(std::size_t(i) < named);
    m_options->setVisible(request.blocked.empty());
    m_blocked->setVisible(!request.blocked.empty());
    m_confirm->setEnabled(request.blocked.empty());
    fitHeight();
}

void CleanupReviewSheet::refreshSettings() {
    const bool backup = m_model.backupBeforeCleanup();
    if (m_backup->isChecked() != backup) {
        const QSignalBlocker quiet(m_backup);
        m_backup->setChecked(backup);
    }
    if (m_snapshot->isChecked() != m_model.snapshotsEnabled()) {
        const QSignalBlocker quiet(m_snapshot);
        m_snapshot->setChecked(m_model.snapshotsEnabled());
    }
    m_snapshot->setEnabled(m_model.scan() != nullptr);
    m_confirm->setLabel(confirmTitle(backup));
    if (m_folderNote->isHidden() == backup) {
        m_folderNote->setVisible(backup);
        fitHeight();
    }
}

void CleanupReviewSheet::fitHeight() {
    // As tall as the content at the fixed width: wrapped lines decide.
    // The panels' cached heights go first: a line shown or hidden inside them changes them.
    for (QWidget* panel : {m_options, m_blocked}) {
        panel->layout()->invalidate();
        panel->updateGeometry();
    }
    QLayout* content = layout();
    content->invalidate();
    setFixedHeight(content->hasHeightForWidth() ? content->totalHeightForWidth(kWidth)
                                                : content->totalSizeHint().height());
}

void CleanupReviewSheet::confirm() {
    // The controller checks that this is still the review on screen, and may close the sheet.
    const std::shared_ptr<const CleanupRequest> shown = m_request;
    if (shown && shown->canConfirm())
        m_model.confirmTrash(*shown);
}

} // namespace ambertrove
