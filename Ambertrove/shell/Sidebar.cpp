#include "shell/Sidebar.hpp"

#include "base/PathText.hpp"
#include "controller/AppModel.hpp"
#include "model/Formatting.hpp"
#include "scan/ScanPaths.hpp"
#include "shell/DiskMeter.hpp"
#include "shell/FileTypeSummary.hpp"
#include "shell/QuickWinRow.hpp"
#include "shell/SelectablePath.hpp"
#include "shell/SidebarLink.hpp"
#include "storage/AppStorage.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ElidedLabel.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/SectionCaption.hpp"
#include "widgets/SidebarRow.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace ambertrove {

namespace {

// Sections keep this inset from the column's padding, so that quick-win rows can reach beyond it.
constexpr int kRowOverhang = 8;

// The fixed colour of the "Used" figure.
const AdaptiveColor kUsedColor = Paper::adaptive(0xBF4738, 0xBF4738);

using ViewText::fromBytes;

QString bytesText(std::int64_t bytes) {
    return QString::fromStdString(formattedBytes(bytes));
}

// The column inside the scroll area, in the panel colour.
class SidebarColumn final : public QWidget {
public:
    explicit SidebarColumn(QWidget* parent)
        : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Appearance::role(ColorRole::panel));
    }
};

// A section of the column: a widget with a vertical layout of `spacing`, inset by the overhang.
QVBoxLayout* addSection(QWidget* column, QWidget*& section, int spacing, const char* name) {
    section = new QWidget(column);
    section->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(kRowOverhang, 0, kRowOverhang, 0);
    layout->setSpacing(spacing);
    column->layout()->addWidget(section);
    return layout;
}

QLabel* mutedLabel(const QString& text, int pixelSize, QWidget* parent) {
    return plainLabel(ViewText::font(pixelSize), ColorRole::muted, parent, text);
}

} // namespace

Sidebar::Sidebar(AppModel& model, QWidget* parent)
    : Sidebar(model, std::string(), parent) {}

Sidebar::Sidebar(AppModel& model, std::string home, QWidget* parent)
    : QScrollArea(parent)
    , m_model(model)
    // Read once: the sidebar is laid out again on every change of the scan and must not wait on the system.
    , m_home(home.empty() ? AppStorage::homeFolder() : std::move(home)) {
    setObjectName(QStringLiteral("sidebar"));
    setFixedWidth(kWidth);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The area's own bar would take its width from the column and cut the texts; a thin bar over the
    // column's right padding follows it instead.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    m_overlayBar = new QScrollBar(Qt::Vertical, this);
    m_overlayBar->setObjectName(QStringLiteral("sidebarScrollBar"));
    QScrollBar* bar = verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, [this](int minimum, int maximum) {
        m_overlayBar->setRange(minimum, maximum);
        m_overlayBar->setPageStep(verticalScrollBar()->pageStep());
        placeOverlayBar();
    });
    connect(bar, &QScrollBar::valueChanged, m_overlayBar, &QScrollBar::setValue);
    connect(m_overlayBar, &QScrollBar::valueChanged, bar, &QScrollBar::setValue);
    m_overlayBar->hide();

    auto* column = new SidebarColumn(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(kPadding - kRowOverhang, kPadding, kPadding - kRowOverhang, kPadding);
    layout->setSpacing(kSectionSpacing);
    buildScanGroup(column);
    buildPlaces(column);
    addSection(column, m_recent, 8, "recent")
        ->addWidget(new SectionCaption(QStringLiteral("Recent"), QString(), m_recent));
    buildMeter(column);
    buildShownFolder(column);

    QWidget* access = nullptr;
    QVBoxLayout* accessLayout = addSection(column, access, 0, "access");
    // The desktop has no settings pane for this to open: its text stays as help.
    m_accessHelp = new SidebarLink(QStringLiteral("lock.shield"), QStringLiteral("Full Disk Access"), 10,
                                   ColorRole::muted, access);
    m_accessHelp->setInert(true);
    accessLayout->addWidget(m_accessHelp, 0, Qt::AlignLeft);
    layout->addStretch(1);
    setWidget(column);

    connect(&m_model, &AppModel::scanChanged, this, &Sidebar::refreshScan);
    connect(&m_model, &AppModel::displayChanged, this, [this] {
        refreshQuickWins();
        refreshFileTypes();
    });
    connect(&m_model, &AppModel::cleanupChanged, this, &Sidebar::refreshScanGroup);
    // Progress arrives every third of a second; only the live preview's folder is shown from it.
    connect(&m_model, &AppModel::progressChanged, this, [this] {
        if (m_model.scanning())
            refreshShownFolder();
    });
    connect(&m_model.activity(), &SystemActivity::changed, this, &Sidebar::refreshMeter);
    refreshScanGroup();
    refreshScan();
}

void Sidebar::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    placeOverlayBar();
}

void Sidebar::placeOverlayBar() {
    // Inside the right padding, clear of the rows' text.
    constexpr int kBarWidth = 8;
    m_overlayBar->setGeometry(width() - kBarWidth - 2, 2, kBarWidth, height() - 4);
    m_overlayBar->setPageStep(verticalScrollBar()->pageStep());
    m_overlayBar->setVisible(verticalScrollBar()->maximum() > 0);
    m_overlayBar->raise();
}

void Sidebar::buildScanGroup(QWidget* column) {
    QWidget* group = nullptr;
    QVBoxLayout* layout = addSection(column, group, 8, "scanGroup");
    m_scanButton = new TroveButton(TroveButtonStyle{true, false}, QStringLiteral("internaldrive.fill"),
                                   QStringLiteral("Scan Full Mac"), group);
    m_scanButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layout->addWidget(m_scanButton);

    auto* pair = new QHBoxLayout;
    pair->setSpacing(7);
    m_homeButton = new TroveButton(TroveButtonStyle{false, true}, QStringLiteral("house.fill"),
                                   QStringLiteral("Home"), group);
    m_folderButton = new TroveButton(TroveButtonStyle{false, true}, QStringLiteral("folder.fill"),
                                     QStringLiteral("Folder…"), group);
    for (TroveButton* button : {m_homeButton, m_folderButton}) {
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        pair->addWidget(button, 1);
    }
    layout->addLayout(pair);

    m_volumesButton =
        new SidebarLink(QStringLiteral("externaldrive"), QStringLiteral("External & mounted volumes"), 10,
                        ColorRole::muted, group);
    layout->addWidget(m_volumesButton, 0, Qt::AlignHCenter);
    m_volumesMenu = new QMenu(this);
    m_volumesMenu->setObjectName(QStringLiteral("volumesMenu"));
    connect(m_volumesMenu, &QMenu::aboutToShow, this, &Sidebar::fillVolumesMenu);

    connect(m_scanButton, &QAbstractButton::clicked, this,
            [this] { m_model.startScan(std::string(ScanPaths::systemRoot), false); });
    connect(m_homeButton, &QAbstractButton::clicked, this, [this] { m_model.browseLocation(m_home); });
    connect(m_folderButton, &QAbstractButton::clicked, this, [this] { m_model.chooseFolder(false, false); });
    connect(m_volumesButton, &QAbstractButton::clicked, this, [this] {
        m_volumesMenu->popup(m_volumesButton->mapToGlobal(QPoint(0, m_volumesButton->height())));
    });
}

void Sidebar::buildPlaces(QWidget* column) {
    QVBoxLayout* layout = addSection(column, m_places, 4, "places");
    layout->addWidget(new SectionCaption(QStringLiteral("Places"), QString(), m_places));
    const std::array<std::pair<const char*, const char*>, 4> places{{
        {"Scan root", "internaldrive"},
        {"Downloads", "arrow.down.circle"},
        {"Desktop", "desktopcomputer"},
        {"Documents", "doc"},
    }};
    for (std::size_t i = 0; i < places.size(); ++i) {
        auto* row = new SidebarRow(QString::fromLatin1(places[i].second),
                                   QString::fromLatin1(places[i].first), m_places);
        row->setToolTip(QStringLiteral("Open from the current scan"));
        layout->addWidget(row);
        m_placeRows[i].row = row;
        connect(row, &QAbstractButton::clicked, this,
                [this, i] { m_model.browseLocation(m_placeRows[i].path); });
    }
    // Outside the scan's root these folders never move.
    m_placeRows[1].path = m_home + "/Downloads";
    m_placeRows[2].path = m_home + "/Desktop";
    m_placeRows[3].path = m_home + "/Documents";
}

void Sidebar::buildMeter(QWidget* column) {
    QVBoxLayout* layout = addSection(column, m_meter, 12, "diskStorage");
    m_meterCaption = new SectionCaption(QStringLiteral("Disk storage"), QString(), m_meter);
    layout->addWidget(m_meterCaption);
    m_meterReading = mutedLabel(QStringLiteral("Reading volume information…"), 10, m_meter);
    layout->addWidget(m_meterReading);

    m_meterFigures = new QWidget(m_meter);
    auto* row = new QHBoxLayout(m_meterFigures);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(13);
    m_ring = new DiskMeterRing(m_meterFigures);
    row->addWidget(m_ring, 0, Qt::AlignVCenter);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(8);
    const std::array<const char*, 3> titles{"Total", "Used", "Free"};
    for (std::size_t i = 0; i < titles.size(); ++i) {
        m_diskLines[i] = new DiskLine(QString::fromLatin1(titles[i]), m_meterFigures);
        lines->addWidget(m_diskLines[i]);
    }
    row->addLayout(lines, 1);
    layout->addWidget(m_meterFigures);
}

void Sidebar::buildShownFolder(QWidget* column) {
    QVBoxLayout* layout = addSection(column, m_currentView, 9, "currentView");
    m_currentCaption = new SectionCaption(QStringLiteral("Current view"), QString(), m_currentView);
    layout->addWidget(m_currentCaption);
    m_folderTitle = new ElidedLabel(QString(), Qt::ElideRight, m_currentView);
    m_folderTitle->setFont(ViewText::font(13, QFont::DemiBold));
    layout->addWidget(m_folderTitle);
    m_folderPath = new SelectablePath(2, m_currentView);
    m_folderPath->setFont(ViewText::font(11));
    QPalette colours = m_folderPath->palette();
    colours.setColor(QPalette::WindowText, Appearance::role(ColorRole::muted));
    m_folderPath->setPalette(colours);
    layout->addWidget(m_folderPath);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    m_revealButton = new TroveButton(TroveButtonStyle{false, true}, QStringLiteral("arrow.up.forward.square"),
                                     QStringLiteral("Reveal"), m_currentView);
    m_copyPathButton = new TroveButton(TroveButtonStyle{false, true}, QStringLiteral("doc.on.clipboard"),
                                       QStringLiteral("Copy Path"), m_currentView);
    buttons->addWidget(m_revealButton);
    buttons->addWidget(m_copyPathButton);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(m_revealButton, &QAbstractButton::clicked, this, [this] {
        if (m_shownFolder)
            m_model.reveal(*m_shownFolder);
    });
    connect(m_copyPathButton, &QAbstractButton::clicked, this, [this] {
        if (m_shownFolder)
            m_model.copyPath(*m_shownFolder);
    });

    QVBoxLayout* wins = addSection(column, m_quickWins, 4, "quickWins");
    // The rows reach out to the column's padding; the caption stays in line with the other sections.
    wins->setContentsMargins(0, 0, 0, 0);
    m_quickWinsCaption = new SectionCaption(QStringLiteral("Quick wins"), QString(), m_quickWins);
    auto* captionBox = new QWidget(m_quickWins);
    auto* captionLayout = new QVBoxLayout(captionBox);
    captionLayout->setContentsMargins(kRowOverhang, 0, kRowOverhang, 5);
    m_quickWinsCaption->setParent(captionBox);
    captionLayout->addWidget(m_quickWinsCaption);
    wins->addWidget(captionBox);

    QVBoxLayout* types = addSection(column, m_fileTypes, 12, "fileTypes");
    types->addWidget(new SectionCaption(QStringLiteral("File types"), QString(), m_fileTypes));
    m_fileTypeSummary = new FileTypeSummary(m_fileTypes);
    types->addWidget(m_fileTypeSummary);
}

void Sidebar::refreshScan() {
    refreshPlaces();
    refreshRecent();
    refreshMeter();
    refreshShownFolder();
    refreshQuickWins();
    refreshFileTypes();
}

void Sidebar::refreshScanGroup() {
    m_scanButton->setEnabled(!m_model.cleaning());
}

void Sidebar::refreshPlaces() {
    const ScanResultPtr& scan = m_model.scan();
    const bool scanning = m_model.scanning();
    m_places->setVisible(scan || scanning);
    m_placeRows[0].path = scanning ? m_model.scanRootPath() : scan ? scan->rootPath : std::string();
    const std::optional<std::string>& focusPath = m_model.focusPath();
    for (Place& place : m_placeRows) {
        bool selected = false;
        if (scan && focusPath) {
            const NodeIndex index = scan->directoryIndex(place.path);
            selected = index != kNoNode && scan->nodes.path(index) == *focusPath;
        }
        place.row->setSelected(selected);
    }
}

void Sidebar::refreshRecent() {
    const std::vector<std::string>& recent = m_model.recent();
    const std::vector<std::string> shown(
        recent.begin(), recent.begin() + std::min<std::ptrdiff_t>(kRecentLimit, recent.size()));
    m_recent->setVisible(!shown.empty());
    if (shown == m_recentShown)
        return;
    m_recentShown = shown;
    for (SidebarLink* row : m_recentRows) {
        // A row may be the sender of the click that changed the list.
        row->hide();
        row->deleteLater();
    }
    m_recentRows.clear();
    auto* layout = static_cast<QVBoxLayout*>(m_recent->layout());
    for (const std::string& path : shown) {
        const QString title = path == m_home ? QStringLiteral("Home") : fromBytes(PathText::name(path));
        auto* row =
            new SidebarLink(QStringLiteral("clock.arrow.circlepath"), title, 11, ColorRole::muted, m_recent);
        row->setToolTip(ViewText::plainToolTip(QString::fromStdString(path)));
        layout->addWidget(row, 0, Qt::AlignLeft);
        connect(row, &QAbstractButton::clicked, this, [this, path] { m_model.browseLocation(path); });
        m_recentRows.push_back(row);
    }
}

void Sidebar::refreshMeter() {
    const std::optional<VolumeInfo> volume = m_model.volume();
    m_meterCaption->setTrailing(volume ? QString::fromStdString(volume->name)
                                       : QStringLiteral("Macintosh HD"));
    m_meterReading->setVisible(!volume);
    m_meterFigures->setVisible(volume.has_value());
    if (!volume)
        return;
    const MeterFigures figures = meterFigures(volume->total, volume->free);
    m_ring->setFigures(figures);
    m_diskLines[0]->setValue(bytesText(volume->total), Paper::ink());
    m_diskLines[1]->setValue(bytesText(figures.used), kUsedColor);
    m_diskLines[2]->setValue(bytesText(volume->free), Paper::accent());
}

std::optional<DiskNode> Sidebar::shownFolder() const {
    if (m_model.scanning()) {
        const std::shared_ptr<const ScanProgress>& progress = m_model.scanProgress();
        if (progress && progress->browsing)
            return progress->browsing->folder;
        return std::nullopt;
    }
    // The focus without its list of children, which a large folder makes long: this runs on every change
    // of the scan's state, selections included.
    const ScanResultPtr& scan = m_model.scan();
    const std::optional<std::string> path = m_model.displayedFolderPath();
    if (!scan || !path)
        return std::nullopt;
    const NodeIndex index = scan->nodes.find(*path);
    if (index == kNoNode)
        return std::nullopt;
    return scan->nodes.makeNode(index, false);
}

void Sidebar::refreshShownFolder() {
    m_shownFolder = shownFolder();
    m_currentView->setVisible(m_shownFolder.has_value());
    if (!m_shownFolder)
        return;
    const bool scanning = m_model.scanning();
    const ScanResultPtr& scan = m_model.scan();
    m_currentCaption->setTrailing(scanning ? QStringLiteral("Scanning")
                                           : QString::asprintf("%.1fs scan", scan ? scan->duration : 0.0));
    m_folderTitle->setText(m_model.displayName(*m_shownFolder));
    m_folderPath->setPath(QString::fromStdString(m_shownFolder->path));
}

void Sidebar::refreshQuickWins() {
    const bool shown = m_shownFolder && !m_model.scanning() && m_model.uniqueQuickWinBytes() >= 1;
    m_quickWins->setVisible(shown);
    if (!shown)
        return;
    m_quickWinsCaption->setTrailing(bytesText(m_model.uniqueQuickWinBytes()));

    std::vector<QuickWinLine> lines;
    for (const QuickWin& win : m_model.quickWins()) {
        const std::int64_t bytes = win.bytes();
        if (bytes > 0)
            lines.emplace_back(int(win.kind), std::int64_t(win.nodes.size()), bytes);
    }
    if (lines != m_quickWinLines) {
        m_quickWinLines = lines;
        for (QuickWinRow* row : m_quickWinRows) {
            row->hide();
            row->deleteLater();
        }
        m_quickWinRows.clear();
        for (const auto& [kind, items, bytes] : lines) {
            auto* row = new QuickWinRow(QuickWinKind(kind), items, bytes, m_quickWins);
            m_quickWins->layout()->addWidget(row);
            connect(row, &QAbstractButton::clicked, this, [this, kind = QuickWinKind(kind)] {
                m_model.setActiveQuickWin(kind);
                m_model.setSection(AppSection::explore);
            });
            m_quickWinRows.push_back(row);
        }
    }
    const bool exploring = m_model.section() == AppSection::explore;
    for (QuickWinRow* row : m_quickWinRows)
        row->setSelected(exploring && m_model.activeQuickWin() == row->kind());
}

void Sidebar::refreshFileTypes() {
    const bool shown = m_shownFolder && !m_model.scanning();
    m_fileTypes->setVisible(shown);
    if (shown)
        m_fileTypeSummary->setTotals(m_model.categoryTotals());
}

void Sidebar::fillVolumesMenu() {
    // From the monitor's latest reading, which is made off the GUI thread: opening the menu reads nothing.
    m_volumesMenu->clear();
    for (const VolumeInfo& volume : m_model.activity().sample().volumes) {
        const QString title =
            QString::fromStdString(volume.name) + QStringLiteral(" · ") + QString::fromStdString(volume.path);
        QAction* action = m_volumesMenu->addAction(ViewText::withoutMnemonic(title));
        action->setData(QString::fromStdString(volume.path));
        connect(action, &QAction::triggered, this,
                [this, path = volume.path] { m_model.browseLocation(path); });
    }
}

} // namespace ambertrove
