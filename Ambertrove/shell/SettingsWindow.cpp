#include "shell/SettingsWindow.hpp"

#include "controller/AppModel.hpp"
#include "shell/HelpText.hpp"
#include "widgets/ViewText.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace ambertrove {

namespace {

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(ViewText::font(11));
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

SettingsWindow::SettingsWindow(AppModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_model(model) {
    setWindowTitle(QStringLiteral("Settings"));
    setFixedSize(kWidth, kHeight);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A scroll bar only when the form is taller than the window.
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    outer->addWidget(scroll);

    auto* form = new QWidget(scroll);
    auto* layout = new QVBoxLayout(form);
    layout->setContentsMargins(28, 28, 28, 28);
    layout->setSpacing(12);

    auto* title = new QLabel(QStringLiteral("Ambertrove"), form);
    title->setTextFormat(Qt::PlainText);
    title->setFont(ViewText::font(26, QFont::Bold));
    layout->addWidget(title);

    const auto toggle = [&](const QString& text) {
        auto* box = new QCheckBox(ViewText::withoutMnemonic(text), form);
        layout->addWidget(box);
        return box;
    };
    m_dark = toggle(QStringLiteral("Dark appearance"));
    connect(m_dark, &QCheckBox::toggled, this, [this](bool on) { m_model.setDark(on); });

    auto* themeRow = new QFormLayout;
    themeRow->setContentsMargins(0, 0, 0, 0);
    m_theme = new QComboBox(form);
    for (const AppTheme theme : allCases<AppTheme>())
        m_theme->addItem(rawValue(theme), int(theme));
    connect(m_theme, &QComboBox::activated, this,
            [this](int index) { m_model.setTheme(static_cast<AppTheme>(m_theme->itemData(index).toInt())); });
    themeRow->addRow(QStringLiteral("Color theme"), m_theme);
    layout->addLayout(themeRow);

    m_hidden = toggle(QStringLiteral("Show hidden files"));
    connect(m_hidden, &QCheckBox::toggled, this, [this](bool on) { m_model.setShowHidden(on); });
    // On means allocated sizes, that is `logical` off.
    m_allocated = toggle(QStringLiteral("Measure size on disk (allocated)"));
    connect(m_allocated, &QCheckBox::toggled, this, [this](bool on) { m_model.setLogical(!on); });
    m_labels = toggle(QStringLiteral("Draw labels on visualisations"));
    connect(m_labels, &QCheckBox::toggled, this, [this](bool on) { m_model.setShowLabels(on); });
    m_backup = toggle(QStringLiteral("Back up files before cleanup"));
    connect(m_backup, &QCheckBox::toggled, this, [this](bool on) { m_model.setBackupBeforeCleanup(on); });
    m_snapshots = toggle(QStringLiteral("Save scan snapshots"));
    connect(m_snapshots, &QCheckBox::toggled, this, [this](bool on) { m_model.setSnapshotsEnabled(on); });

    layout->addWidget(
        caption(QStringLiteral("Snapshots record sizes and paths for comparison. File backups are "
                               "separate copies made before cleanup."),
                form));
    layout->addWidget(
        caption(QStringLiteral("Size on disk uses allocated blocks and counts hard links once. Logical "
                               "size counts each file entry. APFS shared extents, sparse files, "
                               "purgeable storage and Time Machine snapshots can make these totals "
                               "differ from Finder."),
                form));
    // The desktop has no privacy pane to open: the button's text stays as help.
    layout->addWidget(HelpText::make(QStringLiteral("Open Full Disk Access settings"), form));
    layout->addWidget(
        caption(QStringLiteral("For protected folders, enable Ambertrove in Privacy & Security → Full "
                               "Disk Access, then rescan. Ambertrove never requests administrator "
                               "privileges."),
                form));
    auto* divider = new QFrame(form);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    layout->addWidget(divider);
    m_version = caption(QStringLiteral("Version 1.1.0 · macOS 14 or later\n"
                                       "Scanning, comparison and monitoring happen locally. "
                                       "No file data or analytics are sent."),
                        form);
    layout->addWidget(m_version);
    layout->addStretch(1);
    scroll->setWidget(form);

    connect(&m_model, &AppModel::displayChanged, this, &SettingsWindow::refresh);
    connect(&m_model, &AppModel::cleanupChanged, this, &SettingsWindow::refresh);
    refresh();
}

void SettingsWindow::keyPressEvent(QKeyEvent* event) {
    // The keys that close a window on a desktop; the form's controls leave them to the window.
    if (event->matches(QKeySequence::Cancel) || event->matches(QKeySequence::Close)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SettingsWindow::refresh() {
    const auto show = [](QCheckBox* box, bool on) {
        if (box->isChecked() != on) {
            const QSignalBlocker quiet(box);
            box->setChecked(on);
        }
    };
    show(m_dark, m_model.dark());
    show(m_hidden, m_model.showHidden());
    show(m_allocated, !m_model.logical());
    show(m_labels, m_model.showLabels());
    show(m_backup, m_model.backupBeforeCleanup());
    show(m_snapshots, m_model.snapshotsEnabled());
    const int index = m_theme->findData(int(m_model.theme()));
    if (index != m_theme->currentIndex()) {
        const QSignalBlocker quiet(m_theme);
        m_theme->setCurrentIndex(index);
    }
}

} // namespace ambertrove
