#include "screens/MonitorView.hpp"

#include "controller/AppModel.hpp"
#include "model/Formatting.hpp"
#include "screens/DisclosureGroup.hpp"
#include "screens/MemoryBar.hpp"
#include "screens/MetricHeader.hpp"
#include "screens/MonitorColors.hpp"
#include "screens/ProcessTable.hpp"
#include "screens/ScrollPage.hpp"
#include "screens/SmallMetric.hpp"
#include "screens/Sparkline.hpp"
#include "screens/VolumeList.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Card.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/SectionCaption.hpp"
#include "widgets/SegmentedChoices.hpp"
#include "widgets/ViewText.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace ambertrove {

namespace {

constexpr int kCardSpacing = 18;
constexpr int kStorageMinimumHeight = 131;
constexpr int kSortWidth = 136;

QString bytes(std::int64_t value) {
    return QString::fromStdString(formattedBytes(value));
}

QString percent(double value) {
    return QString::asprintf("%.1f%%", value);
}

// A card's vertical stack, and the card around it.
QVBoxLayout* cardStack(QWidget*& card, int spacing, QWidget* parent) {
    auto* content = new QWidget;
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(spacing);
    card = new Card(content, parent);
    return stack;
}

// A row of figures, spaced as the card says, then free space.
QHBoxLayout* figureRow(int spacing, std::initializer_list<QWidget*> figures) {
    auto* row = new QHBoxLayout;
    row->setSpacing(spacing);
    for (QWidget* figure : figures)
        row->addWidget(figure);
    row->addStretch(1);
    return row;
}

// Two cards side by side, sharing the width, top-aligned.
QHBoxLayout* cardRow(QWidget* left, QWidget* right) {
    auto* row = new QHBoxLayout;
    row->setSpacing(kCardSpacing);
    row->addWidget(left, 1, Qt::AlignTop);
    row->addWidget(right, 1, Qt::AlignTop);
    return row;
}

QColor amber() {
    return Appearance::color(Paper::amber());
}

} // namespace

QString MonitorView::uptime(double seconds) {
    // Clamped while still a floating-point value, so that the conversion is always defined.
    constexpr double kLongest = 1e15;
    const double minutes =
        std::isfinite(seconds) && seconds > 0 ? std::min(std::floor(seconds / 60), kLongest) : 0;
    const auto m = std::int64_t(minutes);
    return QStringLiteral("%1d %2h %3m").arg(m / 1440).arg((m / 60) % 24).arg(m % 60);
}

double MonitorView::networkMax(const std::vector<MonitorSample>& history) {
    double largest = 0;
    for (const MonitorSample& sample : history)
        largest = std::max(largest, std::max(double(sample.download), double(sample.upload)));
    return std::max(largest, 1024.0);
}

QString MonitorView::cpuHelp(const MonitorSample& sample) {
    QStringList loads;
    for (const double load : sample.loadAverages)
        loads.push_back(QString::asprintf("%.2f", load));
    return QStringLiteral("Load (1 / 5 / 15 min): ") + loads.join(QStringLiteral(" / ")) +
           QStringLiteral(" · Uptime ") + uptime(sample.uptime);
}

MonitorView::MonitorView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    QVBoxLayout* layout = ScrollPage::fill(*scroll, 24, kCardSpacing);
    QWidget* page = layout->parentWidget();

    const QColor accent = Appearance::role(ColorRole::accent);
    const QColor muted = Appearance::role(ColorRole::muted);

    // CPU.
    QWidget* cpuCard = nullptr;
    QVBoxLayout* cpu = cardStack(cpuCard, 11, page);
    m_cpuHeader = new MetricHeader(QStringLiteral("CPU"), QStringLiteral("cpu"));
    cpu->addWidget(m_cpuHeader);
    m_cpuChart = new Sparkline(amber(), 100, true);
    m_cpuChart->setFixedHeight(58);
    cpu->addWidget(m_cpuChart);
    m_user = new SmallMetric(QStringLiteral("USER"), amber());
    m_system = new SmallMetric(QStringLiteral("SYSTEM"), accent);
    m_load = new SmallMetric(QStringLiteral("LOAD"), muted);
    cpu->addLayout(figureRow(26, {m_user, m_system, m_load}));

    // Memory.
    QWidget* memoryCard = nullptr;
    QVBoxLayout* memory = cardStack(memoryCard, 11, page);
    m_memoryHeader = new MetricHeader(QStringLiteral("Memory"), QStringLiteral("memorychip"));
    memory->addWidget(m_memoryHeader);
    m_memoryChart = new Sparkline(Appearance::color(MonitorColors::purple(), 0.5), 1, true);
    m_memoryChart->setFixedHeight(39);
    memory->addWidget(m_memoryChart);
    m_memoryBar = new MemoryBar;
    memory->addWidget(m_memoryBar);
    m_wired = new SmallMetric(QStringLiteral("WIRED"), accent);
    m_compressed = new SmallMetric(QStringLiteral("COMPRESSED"), amber());
    m_total = new SmallMetric(QStringLiteral("TOTAL"), muted);
    memory->addLayout(figureRow(21, {m_wired, m_compressed, m_total}));

    layout->addLayout(cardRow(cpuCard, memoryCard));

    // Network: the upload line lies over the download chart, on the same scale.
    QWidget* networkCard = nullptr;
    QVBoxLayout* network = cardStack(networkCard, 11, page);
    m_networkHeader = new MetricHeader(QStringLiteral("Network"), QStringLiteral("network"));
    network->addWidget(m_networkHeader);
    auto* charts = new QGridLayout;
    charts->setContentsMargins(0, 0, 0, 0);
    m_downloadChart = new Sparkline(accent, 1024, true);
    m_uploadChart = new Sparkline(amber(), 1024, false);
    m_downloadChart->setFixedHeight(58);
    m_uploadChart->setFixedHeight(58);
    charts->addWidget(m_downloadChart, 0, 0);
    charts->addWidget(m_uploadChart, 0, 0);
    network->addLayout(charts);
    m_down = new SmallMetric(QStringLiteral("DOWN"), accent);
    m_up = new SmallMetric(QStringLiteral("UP"), amber());
    m_sessionIn = new SmallMetric(QStringLiteral("SESSION IN"), muted);
    network->addLayout(figureRow(24, {m_down, m_up, m_sessionIn}));

    // Storage.
    QWidget* storageCard = nullptr;
    QVBoxLayout* storage = cardStack(storageCard, 11, page);
    storageCard->setToolTip(
        QStringLiteral("Free space excludes purgeable capacity. APFS volumes may share a container."));
    m_storageHeader = new MetricHeader(QStringLiteral("Storage"), QStringLiteral("internaldrive"));
    storage->addWidget(m_storageHeader);
    m_volumes = new VolumeList;
    storage->addWidget(m_volumes);
    storage->addStretch(1);
    storage->parentWidget()->setMinimumHeight(kStorageMinimumHeight);

    layout->addLayout(cardRow(networkCard, storageCard));

    // Processes.
    QWidget* processCard = nullptr;
    QVBoxLayout* processes = cardStack(processCard, 15, page);
    auto* processHeader = new QWidget;
    processHeader->setFixedHeight(26);
    auto* processRow = new QHBoxLayout(processHeader);
    processRow->setContentsMargins(0, 0, 0, 0);
    m_processCaption = new SectionCaption(QString(), QStringLiteral("40 shown"), processHeader);
    processRow->addWidget(m_processCaption, 1);
    m_sort = new SegmentedChoices({{QStringLiteral("CPU"), false}, {QStringLiteral("Memory"), true}}, false,
                                  processHeader);
    m_sort->setFixedWidth(kSortWidth);
    m_sort->setToolTip(QStringLiteral("Rank processes by CPU or memory"));
    connect(m_sort, &SegmentedChoices::selectionChanged, this,
            [this](const QVariant& value) { setSortByMemory(value.toBool()); });
    processRow->addWidget(m_sort);
    processes->addWidget(processHeader);
    m_processes = new ProcessTable;
    processes->addWidget(m_processes);
    layout->addWidget(processCard);

    auto* aboutText =
        plainLabel(ViewText::font(10), ColorRole::ink, nullptr,
                   QStringLiteral("Charts show 60 samples. Memory includes active, wired and compressed "
                                  "pages. Network covers Ethernet and Wi-Fi. Process CPU can exceed 100% "
                                  "across multiple cores; process memory is resident size."));
    aboutText->setWordWrap(true);
    m_about = new DisclosureGroup(QStringLiteral("About these metrics"), aboutText, ViewText::font(11),
                                  ColorRole::muted, 8, page);
    layout->addWidget(m_about);

    m_issues = plainLabel(ViewText::font(10), amber(), page);
    m_issues->setWordWrap(true);
    layout->addWidget(m_issues);
    layout->addStretch(1);
    outer->addWidget(scroll);

    connect(&m_model.activity(), &SystemActivity::changed, this, &MonitorView::showReading);
    connect(&m_model, &AppModel::displayChanged, this, &MonitorView::showProcesses);
    connect(&m_model, &AppModel::scanChanged, this, &MonitorView::showStorage);
    showReading();
}

void MonitorView::setSortByMemory(bool on) {
    if (m_sortByMemory == on)
        return;
    m_sortByMemory = on;
    m_sort->setSelection(on);
    showProcesses();
}

void MonitorView::showReading() {
    const MonitorSample& sample = m_model.activity().sample();
    const std::vector<MonitorSample>& history = m_model.activity().history();
    const auto series = [&](auto value) {
        std::vector<double> values;
        values.reserve(history.size());
        for (const MonitorSample& reading : history)
            values.push_back(value(reading));
        return values;
    };

    m_cpuHeader->setValue(percent(sample.cpu));
    m_cpuHeader->setToolTip(cpuHelp(sample));
    m_cpuChart->setValues(series([](const MonitorSample& s) { return s.cpu; }));
    m_user->setValue(percent(sample.userCPU));
    m_system->setValue(percent(sample.systemCPU));
    m_load->setValue(
        QString::asprintf("%.2f", sample.loadAverages.empty() ? 0.0 : sample.loadAverages.front()));

    m_memoryHeader->setValue(bytes(sample.memoryUsed));
    m_memoryHeader->setToolTip(QStringLiteral("File-backed pages: ") + bytes(sample.cached));
    m_memoryChart->setMaximum(double(std::max<std::int64_t>(sample.memoryTotal, 1)));
    m_memoryChart->setValues(series([](const MonitorSample& s) { return double(s.memoryUsed); }));
    m_memoryBar->setMemory(sample.wired, sample.compressed, sample.memoryUsed, sample.memoryTotal);
    m_wired->setValue(bytes(sample.wired));
    m_compressed->setValue(bytes(sample.compressed));
    m_total->setValue(bytes(sample.memoryTotal));

    // One scale for both lines, worked out once a reading.
    const double scale = networkMax(history);
    m_networkHeader->setValue(bytes(sample.download) + QStringLiteral("/s ↓"));
    m_networkHeader->setToolTip(QStringLiteral("This session: ") + bytes(sample.received) +
                                QStringLiteral(" received · ") + bytes(sample.sent) +
                                QStringLiteral(" sent"));
    m_downloadChart->setMaximum(scale);
    m_uploadChart->setMaximum(scale);
    m_downloadChart->setValues(series([](const MonitorSample& s) { return double(s.download); }));
    m_uploadChart->setValues(series([](const MonitorSample& s) { return double(s.upload); }));
    m_down->setValue(bytes(sample.download) + QStringLiteral("/s"));
    m_up->setValue(bytes(sample.upload) + QStringLiteral("/s"));
    m_sessionIn->setValue(bytes(sample.received));

    m_volumes->setVolumes(sample.volumes);
    showStorage();
    showProcesses();

    QStringList issues;
    for (const std::string& issue : sample.issues)
        issues.push_back(QString::fromStdString(issue));
    m_issues->setText(issues.join(QLatin1Char('\n')));
    m_issues->setVisible(!issues.isEmpty());
}

void MonitorView::showStorage() {
    const std::optional<VolumeInfo> volume = m_model.volume();
    m_storageHeader->setValue(bytes(volume ? volume->free : 0) + QStringLiteral(" free"));
}

void MonitorView::showProcesses() {
    m_processCaption->setTitle(m_sortByMemory ? QStringLiteral("Top processes by memory")
                                              : QStringLiteral("Top processes by CPU"));
    m_processes->setRows(
        ProcessTable::rows(m_model.activity().sample().processes, m_model.filter(), m_sortByMemory));
}

} // namespace ambertrove
