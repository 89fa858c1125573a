#include "screens/ApplicationDetail.hpp"

#include "controller/AppModel.hpp"
#include "model/Formatting.hpp"
#include "screens/ApplicationIcon.hpp"
#include "screens/FootprintBar.hpp"
#include "screens/RowListView.hpp"
#include "screens/RowModel.hpp"
#include "screens/ScrollPage.hpp"
#include "screens/SupportFileDelegate.hpp"
#include "screens/UninstallButton.hpp"
#include "screens/VersionChip.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Card.hpp"
#include "widgets/Icons.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/SectionCaption.hpp"
#include "widgets/ShrinkingLabel.hpp"
#include "widgets/ViewText.hpp"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace ambertrove {

namespace {

constexpr int kIconSize = 55;

using ViewText::fromBytes;

QString bytesText(std::int64_t bytes) {
    return QString::fromStdString(formattedBytes(bytes));
}

// The application's picture at its fixed size.
class IconView final : public QWidget {
public:
    explicit IconView(QWidget* parent)
        : QWidget(parent) {
        setFixedSize(kIconSize, kIconSize);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        ApplicationIcon::paint(painter, QRectF(rect()));
    }
};

// A legend entry: a small square of `colour` before `text`.
QWidget* legendEntry(const QString& text, const QColor& colour, QWidget* parent) {
    auto* entry = new QWidget(parent);
    auto* row = new QHBoxLayout(entry);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    auto* square = new QLabel(entry);
    square->setPixmap(Icons::pixmap(QStringLiteral("square.fill"), 10, colour, parent->devicePixelRatioF()));
    row->addWidget(square);
    row->addWidget(plainLabel(ViewText::font(10), colour, entry, text));
    return entry;
}

} // namespace

std::int64_t ApplicationDetail::bundleBytes(const InstalledApplication& app) {
    if (!app.bundleScan)
        return 0;
    const std::optional<DiskNode> root = app.bundleScan->root();
    return root ? root->allocatedSize : 0;
}

std::int64_t ApplicationDetail::supportBytes(const InstalledApplication& app) {
    std::int64_t total = 0;
    for (const AppSupportFile& file : app.support)
        total += file.node.allocatedSize;
    return total;
}

QString ApplicationDetail::usedText(Date lastUsed, Date now) {
    const double seconds = now.secondsSince(lastUsed);
    const double magnitude = std::abs(seconds);
    struct Unit {
        double seconds;
        const char* singular;
        const char* plural;
    };
    static constexpr Unit kUnits[] = {{365.0 * 86400, "year", "years"}, {30.44 * 86400, "month", "months"},
                                      {7.0 * 86400, "week", "weeks"},   {86400, "day", "days"},
                                      {3600, "hour", "hours"},          {60, "minute", "minutes"},
                                      {1, "second", "seconds"}};
    // The largest unit of which at least one has passed, in whole units.
    const Unit* chosen = &kUnits[std::size(kUnits) - 1];
    for (const Unit& unit : kUnits) {
        if (magnitude >= unit.seconds) {
            chosen = &unit;
            break;
        }
    }
    const auto count = std::int64_t(std::floor(magnitude / chosen->seconds));
    const QString amount = QString::number(count) + QLatin1Char(' ') +
                           QLatin1String(count == 1 ? chosen->singular : chosen->plural);
    return QStringLiteral("Used ") +
           (seconds < 0 ? QStringLiteral("in ") + amount : amount + QStringLiteral(" ago"));
}

QString ApplicationDetail::incompleteText(std::int64_t skipped) {
    return QString::number(skipped) +
           QStringLiteral(" bundle paths could not be read. This footprint is incomplete.");
}

ApplicationDetail::ApplicationDetail(AppModel& model, std::shared_ptr<const ApplicationReport> report,
                                     const InstalledApplication& app, QWidget* parent)
    : QScrollArea(parent)
    , m_model(model)
    , m_report(std::move(report))
    , m_app(app) {
    QVBoxLayout* layout = ScrollPage::fill(*this, 23, 19);
    QWidget* page = layout->parentWidget();

    // Heading.
    auto* heading = new QHBoxLayout;
    heading->setSpacing(14);
    heading->addWidget(new IconView(page));
    auto* titles = new QVBoxLayout;
    titles->setSpacing(5);
    auto* name = new ShrinkingLabel(fromBytes(app.name), 0.7, page);
    name->setFont(ViewText::font(24, QFont::Bold));
    titles->addWidget(name);
    m_chip = new VersionChip(fromBytes(app.version),
                             app.lastUsed ? usedText(*app.lastUsed, Date::now()) : QString(), page);
    titles->addWidget(m_chip);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(10);
    titles->addWidget(plainLabel(mono, ColorRole::muted, page, fromBytes(app.bundleID)));
    heading->addLayout(titles, 1);
    m_uninstall = new UninstallButton(page);
    connect(m_uninstall, &UninstallButton::clicked, this, [this] { m_model.uninstall(m_app); });
    heading->addWidget(m_uninstall);
    layout->addLayout(heading);

    // Footprint.
    const std::int64_t bundle = bundleBytes(app);
    const std::int64_t support = supportBytes(app);
    auto* footprint = new QWidget;
    auto* footprintLayout = new QVBoxLayout(footprint);
    footprintLayout->setContentsMargins(0, 0, 0, 0);
    footprintLayout->setSpacing(12);
    footprintLayout->addWidget(
        new SectionCaption(QStringLiteral("Total footprint"), bytesText(app.bytes()), footprint));
    m_bar = new FootprintBar(bundle, app.bytes(), footprint);
    footprintLayout->addWidget(m_bar);
    auto* legend = new QHBoxLayout;
    legend->setSpacing(16);
    legend->addWidget(legendEntry(QStringLiteral("Bundle  ") + bytesText(bundle),
                                  Appearance::role(ColorRole::ink), footprint));
    legend->addWidget(legendEntry(QStringLiteral("Support files  ") + bytesText(support),
                                  Appearance::color(Paper::amber()), footprint));
    legend->addStretch(1);
    footprintLayout->addLayout(legend);
    layout->addWidget(new Card(footprint, page));

    // Associated files.
    auto* files = new QWidget;
    auto* filesLayout = new QVBoxLayout(files);
    filesLayout->setContentsMargins(0, 0, 0, 0);
    filesLayout->setSpacing(13);
    filesLayout->addWidget(
        new SectionCaption(QStringLiteral("Associated files"), QString::number(app.support.size()), files));
    if (app.support.empty()) {
        m_noFiles = plainLabel(ViewText::font(11), ColorRole::muted, files,
                               QStringLiteral("No associated files found."));
        filesLayout->addWidget(m_noFiles);
    } else {
        m_files = new RowListView(true, files);
        m_files->setRowDelegate(new SupportFileDelegate(m_files, app.support));
        m_fileRows = new RowModel(m_files);
        m_files->setModel(m_fileRows);
        const auto path = [this](int row) {
            return fromBytes(m_app.support[std::size_t(row)].node.path);
        };
        m_fileRows->reset(
            int(app.support.size()),
            [this](int row) { return fromBytes(m_app.support[std::size_t(row)].node.name()); },
            [this, path](int row) {
                return path(row) + QLatin1Char('\n') + fromBytes(m_app.support[std::size_t(row)].match);
            });
        connect(m_files, &RowListView::buttonClicked, this, [this](int row, int action) {
            if (action == SupportFileDelegate::reveal && row >= 0 && std::size_t(row) < m_app.support.size())
                m_model.reveal(m_app.support[std::size_t(row)].node);
        });
        filesLayout->addWidget(m_files);
    }
    layout->addWidget(new Card(files, page));

    const std::int64_t skipped = app.bundleScan ? app.bundleScan->skippedCount : 0;
    if (skipped >= 1) {
        m_warning = plainLabel(ViewText::font(10), Appearance::color(Paper::amber()), page, incompleteText(skipped));
        m_warning->setWordWrap(true);
        layout->addWidget(m_warning);
    }
    layout->addStretch(1);

    connect(&m_model, &AppModel::cleanupChanged, this, &ApplicationDetail::refreshUninstall);
    connect(&m_model, &AppModel::policyAnswered, this, &ApplicationDetail::refreshUninstall);
    refreshUninstall();
}

void ApplicationDetail::refreshUninstall() {
    bool enabled = !m_model.cleaning() && !m_model.staging();
    if (enabled) {
        // No answer yet counts as an objection: nothing is offered before it was checked.
        const std::optional<std::optional<QString>> answer = m_model.cleanupRejection(m_app.path);
        enabled = answer && !answer->has_value();
    }
    m_uninstall->setEnabled(enabled);
}

} // namespace ambertrove
