#include "screens/ApplicationsView.hpp"

#include "analysis/NameMatcher.hpp"
#include "controller/AppModel.hpp"
#include "screens/ApplicationDetail.hpp"
#include "screens/ApplicationRowDelegate.hpp"
#include "screens/LeftoversPane.hpp"
#include "screens/RowListView.hpp"
#include "screens/RowModel.hpp"
#include "shell/BusyIndicator.hpp"
#include "shell/FilterField.hpp"
#include "shell/PlainButton.hpp"
#include "shell/Rule.hpp"
#include "shell/SymbolView.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace ambertrove {

namespace {

constexpr std::size_t kIssuesInToolTip = 15;
constexpr std::string_view kSystemPrefix = "/System/";

enum BodyPage { progressPage, listPage, rescanPage };
enum ListPage { rowsPage, noMatchPage };

using ViewText::fromBytes;

QWidget* filling(QWidget* parent) {
    auto* holder = new QWidget(parent);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return holder;
}

} // namespace

std::vector<std::size_t> ApplicationsView::visibleApps(const ApplicationReport& report, const QString& filter,
                                                       bool showSystem) {
    const QByteArray needle = filter.toUtf8();
    const NameMatcher matcher(std::string_view(needle.constData(), std::size_t(needle.size())));
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < report.apps.size(); ++i) {
        const InstalledApplication& app = report.apps[i];
        if (!showSystem && app.path.starts_with(kSystemPrefix))
            continue;
        if (!matcher.empty() && !matcher.matches(app.name))
            continue;
        rows.push_back(i);
    }
    return rows;
}

QString ApplicationsView::issuesText(std::size_t count) {
    return QString::number(count) + QStringLiteral(" access ") +
           (count == 1 ? QStringLiteral("note") : QStringLiteral("notes"));
}

QString ApplicationsView::issuesToolTip(const std::vector<std::string>& issues) {
    QStringList lines;
    for (std::size_t i = 0; i < issues.size() && i < kIssuesInToolTip; ++i)
        lines.push_back(fromBytes(issues[i]));
    return lines.join(QLatin1Char('\n'));
}

ApplicationsView::ApplicationsView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The left pane: heading row, then the progress, the list or the rescan button.
    auto* left = new QWidget(this);
    left->setFixedWidth(kListWidth);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 12);
    leftLayout->setSpacing(12);

    auto* heading = new QHBoxLayout;
    heading->setContentsMargins(13, 16, 13, 0);
    heading->setSpacing(10);
    m_search = new FilterField(QStringLiteral("Search apps..."), QStringLiteral("Clear app search"), left);
    m_search->setText(m_model.filter());
    connect(m_search, &FilterField::edited, this, [this](const QString& text) { m_model.setFilter(text); });
    heading->addWidget(m_search, 1);

    m_options = new PlainButton(QStringLiteral("gearshape.fill"), 14, ColorRole::muted, left);
    m_options->setToolTip(QStringLiteral("Options"));
    m_options->setAccessibleName(QStringLiteral("Options"));
    m_menu = new QMenu(this);
    m_systemAction = m_menu->addAction(QStringLiteral("Show Apple system apps"));
    m_systemAction->setCheckable(true);
    m_systemAction->setChecked(m_showSystem);
    connect(m_systemAction, &QAction::toggled, this, &ApplicationsView::setShowSystem);
    m_orphansAction = m_menu->addAction(QStringLiteral("Leftovers from removed apps"));
    m_orphansAction->setCheckable(true);
    m_orphansAction->setChecked(m_showOrphans);
    connect(m_orphansAction, &QAction::toggled, this, &ApplicationsView::setShowOrphans);
    connect(m_options, &PlainButton::clicked, this,
            [this] { m_menu->popup(m_options->mapToGlobal(QPoint(0, m_options->height()))); });
    heading->addWidget(m_options);

    m_refresh = new PlainButton(QStringLiteral("arrow.clockwise"), 14, ColorRole::ink, left);
    m_refresh->setToolTip(QStringLiteral("Rescan applications"));
    m_refresh->setAccessibleName(QStringLiteral("Rescan applications"));
    connect(m_refresh, &PlainButton::clicked, this, [this] { m_model.inspectApplications(); });
    heading->addWidget(m_refresh);
    m_cancel = new PlainButton(QStringLiteral("xmark"), 14, ColorRole::ink, left);
    m_cancel->setToolTip(QStringLiteral("Cancel"));
    m_cancel->setAccessibleName(QStringLiteral("Cancel"));
    connect(m_cancel, &PlainButton::clicked, this, [this] { m_model.cancelApplications(); });
    heading->addWidget(m_cancel);
    leftLayout->addLayout(heading);

    m_body = new QStackedWidget(left);

    auto* progress = filling(m_body);
    auto* progressLayout = static_cast<QVBoxLayout*>(progress->layout());
    progressLayout->setSpacing(12);
    progressLayout->addStretch(1);
    progressLayout->addWidget(new BusyIndicator(14, progress), 0, Qt::AlignHCenter);
    auto* measuring =
        plainLabel(ViewText::font(10), ColorRole::muted, progress, QStringLiteral("Measuring apps…"));
    progressLayout->addWidget(measuring, 0, Qt::AlignHCenter);
    m_progress = plainLabel(ViewText::font(9), ColorRole::muted, progress);
    m_progress->setAlignment(Qt::AlignHCenter);
    m_progress->setContentsMargins(12, 0, 12, 0);
    m_progress->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    progressLayout->addWidget(m_progress);
    progressLayout->addStretch(1);
    m_body->insertWidget(progressPage, progress);

    auto* listPageWidget = filling(m_body);
    auto* listLayout = static_cast<QVBoxLayout*>(listPageWidget->layout());
    listLayout->setSpacing(8);
    auto* caption = new QHBoxLayout;
    caption->setContentsMargins(15, 0, 15, 0);
    caption->addWidget(plainLabel(ViewText::font(10, QFont::DemiBold, 0.8), ColorRole::muted, listPageWidget,
                                  QStringLiteral("APPLICATIONS")));
    caption->addStretch(1);
    m_count = plainLabel(ViewText::font(10, QFont::DemiBold), ColorRole::muted, listPageWidget);
    caption->addWidget(m_count);
    listLayout->addLayout(caption);

    m_listPages = new QStackedWidget(listPageWidget);
    auto* rows = filling(m_listPages);
    rows->layout()->setContentsMargins(6, 0, 6, 0);
    m_list = new RowListView(false, rows);
    m_listModel = new RowModel(m_list);
    m_list->setRowDelegate(new ApplicationRowDelegate(
        m_list,
        [this](int row) -> const InstalledApplication* {
            if (!m_report || row < 0 || std::size_t(row) >= m_rows.size())
                return nullptr;
            return &m_report->apps[m_rows[std::size_t(row)]];
        },
        [this](int row) {
            const std::optional<std::string>& selected = m_model.selectedApp();
            return !m_showOrphans && selected && m_report && row >= 0 && std::size_t(row) < m_rows.size() &&
                   m_report->apps[m_rows[std::size_t(row)]].path == *selected;
        }));
    m_list->setModel(m_listModel);
    connect(m_list, &RowListView::clicked, this, [this](const QModelIndex& index) { choose(index.row()); });
    rows->layout()->addWidget(m_list);
    m_listPages->insertWidget(rowsPage, rows);

    m_noMatch = new QWidget(m_listPages);
    auto* noMatchLayout = new QVBoxLayout(m_noMatch);
    noMatchLayout->setContentsMargins(0, 36, 0, 36);
    noMatchLayout->setSpacing(12);
    noMatchLayout->addWidget(
        new SymbolView(QStringLiteral("magnifyingglass"), 24, ColorRole::muted, m_noMatch), 0,
        Qt::AlignHCenter);
    noMatchLayout->addWidget(plainLabel(ViewText::font(12, QFont::Medium), ColorRole::ink, m_noMatch,
                                        QStringLiteral("No matching applications")),
                             0, Qt::AlignHCenter);
    m_clearSearch = new TroveButton(QStringLiteral("Clear search"), {false, true}, m_noMatch);
    connect(m_clearSearch, &TroveButton::clicked, this, [this] { m_model.setFilter(QString()); });
    noMatchLayout->addWidget(m_clearSearch, 0, Qt::AlignHCenter);
    noMatchLayout->addStretch(1);
    m_listPages->insertWidget(noMatchPage, m_noMatch);
    listLayout->addWidget(m_listPages, 1);

    m_issues = plainLabel(ViewText::font(10), ColorRole::muted, listPageWidget);
    m_issues->setContentsMargins(15, 0, 15, 0);
    listLayout->addWidget(m_issues);
    m_body->insertWidget(listPage, listPageWidget);

    auto* rescan = filling(m_body);
    auto* rescanLayout = static_cast<QVBoxLayout*>(rescan->layout());
    rescanLayout->addStretch(1);
    m_rescan = new TroveButton(QStringLiteral("Rescan applications"), {false, false}, rescan);
    connect(m_rescan, &TroveButton::clicked, this, [this] { m_model.inspectApplications(); });
    rescanLayout->addWidget(m_rescan, 0, Qt::AlignHCenter);
    rescanLayout->addStretch(1);
    m_body->insertWidget(rescanPage, rescan);
    leftLayout->addWidget(m_body, 1);
    layout->addWidget(left);

    layout->addWidget(new Rule(Qt::Vertical, this));

    m_paneHolder = filling(this);
    layout->addWidget(m_paneHolder, 1);

    connect(&m_model, &AppModel::applicationsChanged, this, &ApplicationsView::refresh);
    connect(&m_model, &AppModel::displayChanged, this, [this] {
        m_search->setText(m_model.filter());
        refreshList();
    });
    refresh();

    if (!m_model.appReport() && !m_model.inspectingApps())
        m_model.inspectApplications();
}

void ApplicationsView::setShowSystem(bool on) {
    if (m_showSystem == on)
        return;
    m_showSystem = on;
    m_systemAction->setChecked(on);
    refreshList();
}

void ApplicationsView::setShowOrphans(bool on) {
    if (m_showOrphans == on)
        return;
    m_showOrphans = on;
    m_orphansAction->setChecked(on);
    m_list->viewport()->update();
    refreshPane();
}

ApplicationsView::Body ApplicationsView::body() const {
    return Body(m_body->currentIndex());
}

const InstalledApplication* ApplicationsView::selectedApplication() const {
    const std::shared_ptr<const ApplicationReport>& report = m_model.appReport();
    const std::optional<std::string>& selected = m_model.selectedApp();
    if (!report || !selected)
        return nullptr;
    for (const InstalledApplication& app : report->apps)
        if (app.path == *selected)
            return &app;
    return nullptr;
}

void ApplicationsView::refresh() {
    const bool running = m_model.inspectingApps();
    m_refresh->setVisible(!running);
    m_cancel->setVisible(running);
    m_progress->setText(m_model.appProgress());
    m_body->setCurrentIndex(running ? progressPage : m_model.appReport() ? listPage : rescanPage);
    refreshList();
    refreshPane();
}

void ApplicationsView::refreshList() {
    const std::shared_ptr<const ApplicationReport>& report = m_model.appReport();
    std::vector<std::size_t> rows =
        report ? visibleApps(*report, m_model.filter(), m_showSystem) : std::vector<std::size_t>();
    if (report == m_report && rows == m_rows && m_listModel->rowCount() == int(rows.size())) {
        // The same rows: only the selection may have changed, and the list keeps its scroll position.
        m_list->viewport()->update();
    } else {
        m_report = report;
        m_rows = std::move(rows);
        m_listModel->reset(int(m_rows.size()), [this](int row) {
            return fromBytes(m_report->apps[m_rows[std::size_t(row)]].name);
        });
    }
    m_count->setText(ViewText::groupedCount(std::int64_t(m_rows.size())));
    m_listPages->setCurrentIndex(m_rows.empty() ? noMatchPage : rowsPage);
    m_clearSearch->setVisible(!m_model.filter().isEmpty());
    const bool issues = m_report && !m_report->issues.empty();
    m_issues->setVisible(issues);
    if (issues) {
        m_issues->setText(issuesText(m_report->issues.size()));
        m_issues->setToolTip(ViewText::plainToolTip(issuesToolTip(m_report->issues)));
    }
}

void ApplicationsView::refreshPane() {
    const std::shared_ptr<const ApplicationReport>& report = m_model.appReport();
    PaneKey key;
    if (m_showOrphans && report) {
        key = {Pane::leftovers, report.get(), nullptr};
    } else if (const InstalledApplication* app = selectedApplication()) {
        key = {Pane::detail, report.get(), app};
    }
    if (m_paneKey && *m_paneKey == key)
        return;
    m_paneKey = key;
    m_paneKind = key.kind;
    if (m_pane) {
        m_pane->hide();
        m_pane->deleteLater();
    }
    switch (key.kind) {
    case Pane::leftovers:
        m_pane = new LeftoversPane(m_model, report, m_paneHolder);
        break;
    case Pane::detail:
        m_pane = new ApplicationDetail(m_model, report, *key.app, m_paneHolder);
        break;
    case Pane::choose:
        m_pane = new EmptyPanel(QStringLiteral("square.stack.3d.up"), QStringLiteral("Select an app"),
                                QStringLiteral("View its size and associated files."), false, m_paneHolder);
        break;
    }
    auto* holder = static_cast<QVBoxLayout*>(m_paneHolder->layout());
    if (key.kind == Pane::choose) {
        // The panel keeps its own size, in the middle of the pane.
        m_pane->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        holder->addWidget(m_pane, 1, Qt::AlignCenter);
    } else {
        holder->addWidget(m_pane, 1);
    }
}

void ApplicationsView::choose(int row) {
    if (!m_report || row < 0 || std::size_t(row) >= m_rows.size())
        return;
    m_model.setSelectedApp(m_report->apps[m_rows[std::size_t(row)]].path);
    setShowOrphans(false);
    m_list->viewport()->update();
}

} // namespace ambertrove
