#include "explore/InspectorView.hpp"

#include "analysis/NodeDisplay.hpp"
#include "controller/AppModel.hpp"
#include "controller/ChartSymbol.hpp"
#include "explore/InspectorChips.hpp"
#include "explore/LargestInsideList.hpp"
#include "explore/NodeActions.hpp"
#include "model/Formatting.hpp"
#include "shell/SelectablePath.hpp"
#include "shell/SymbolView.hpp"
#include "theme/Paper.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Card.hpp"
#include "widgets/ClampedLabel.hpp"
#include "widgets/DateText.hpp"
#include "widgets/DisclosureButton.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/SectionCaption.hpp"
#include "widgets/ShrinkingLabel.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace ambertrove {

namespace {

constexpr int kPadding = 17;
constexpr int kItemSpacing = 18;
constexpr int kBarPadding = 14;

using ViewText::fromBytes;

QString bytesText(std::int64_t bytes) {
    return QString::fromStdString(formattedBytes(bytes));
}

// A widget that takes no room of its own and lets what is under it show.
QWidget* transparentWidget(QWidget* parent) {
    auto* widget = new QWidget(parent);
    widget->setAutoFillBackground(false);
    return widget;
}

// A label that wraps, for texts that may need more than one line.
QLabel* wrappingLabel(const QFont& font, ColorRole role, QWidget* parent, const QString& text) {
    QLabel* label = plainLabel(font, role, parent, text);
    label->setWordWrap(true);
    return label;
}

// A symbol beside a wrapping text, both in the muted colour: the protection and cloud notes.
QWidget* note(const QString& symbol, const QString& text, QLabel** label, QWidget* parent) {
    auto* row = transparentWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(new SymbolView(symbol, 12, ColorRole::muted, row), 0, Qt::AlignTop);
    QLabel* words = wrappingLabel(ViewText::font(10), ColorRole::muted, row, text);
    layout->addWidget(words, 1);
    if (label)
        *label = words;
    return row;
}

// The panel's colour for a bar that sits over the scrolling content.
class ActionBar final : public QWidget {
public:
    explicit ActionBar(QWidget* parent)
        : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Appearance::role(ColorRole::panel));
    }
};

} // namespace

InspectorView::InspectorView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setAutoFillBackground(false);
    m_layout->addWidget(m_scroll, 1);

    connect(&m_model, &AppModel::scanChanged, this, &InspectorView::refresh);
    connect(&m_model, &AppModel::displayChanged, this, &InspectorView::refresh);
    connect(&m_model, &AppModel::cleanupChanged, this, &InspectorView::refresh);
    connect(&m_model, &AppModel::messagesChanged, this, &InspectorView::refresh);
    connect(&m_model, &AppModel::snapshotsChanged, this, &InspectorView::refresh);
    connect(&m_model, &AppModel::policyAnswered, this, &InspectorView::applyPolicy);
    refresh();
}

QString InspectorView::share(std::int64_t part, std::optional<std::int64_t> reference) {
    if (!reference || *reference <= 0)
        return QStringLiteral("—");
    return QString::asprintf("%.1f%%", double(part) / double(*reference) * 100.0);
}

std::optional<std::string> InspectorView::inspectedPath() const {
    if (!m_shown || m_shown->node == kNoNode)
        return std::nullopt;
    return m_path;
}

InspectorView::Shown InspectorView::wanted() const {
    Shown shown;
    const ScanResultPtr& scan = m_model.scan();
    shown.logical = m_model.logical();
    shown.canClean = m_model.canClean();
    if (!scan)
        return shown;
    shown.scan = scan.get();
    // The selected node, else the focused folder (the root when the focus is not in the scan). Found as
    // indices: a folder's node value would carry every child path.
    NodeIndex node = m_model.selection() ? scan->nodes.find(*m_model.selection()) : kNoNode;
    if (node == kNoNode && m_model.focusPath())
        node = scan->nodes.find(*m_model.focusPath());
    if (node == kNoNode)
        node = scan->rootIndex();
    shown.node = node;
    return shown;
}

void InspectorView::refresh() {
    const Shown shown = wanted();
    if (m_shown && *m_shown == shown)
        return;
    m_shown = shown;
    build();
}

void InspectorView::build() {
    ++m_buildCount;
    // Later: the change may come from a control inside the content being replaced.
    for (QWidget* old : {m_content, m_parts.actionBar}) {
        if (old) {
            old->hide();
            old->deleteLater();
        }
    }
    if (m_scroll->widget())
        m_scroll->takeWidget();
    m_content = nullptr;
    m_parts = Parts();
    m_path.clear();

    const ScanResultPtr& scan = m_model.scan();
    if (!scan || m_shown->node == kNoNode)
        return;
    const DiskNode node = scan->nodes.makeNode(m_shown->node, false);
    m_path = node.path;

    m_content = transparentWidget(this);
    auto* column = new QVBoxLayout(m_content);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(kItemSpacing);
    buildContent(column, *scan, node, m_shown->node);
    column->addStretch(1);
    m_scroll->setWidget(m_content);
    buildActionBar(node);
    applyPolicy();
}

void InspectorView::buildContent(QVBoxLayout* column, const ScanResult& scan, const DiskNode& node,
                                 NodeIndex index) {
    const bool logical = m_shown->logical;
    const std::int64_t size = node.bytes(logical);

    // Header: the symbol, the title and the kind chips.
    auto* header = new QHBoxLayout;
    header->setSpacing(11);
    // The symbol of the node's kind stands for the file manager's icon, which would be read from the disk.
    auto* iconBox = transparentWidget(m_content);
    iconBox->setFixedSize(48, 48);
    (new SymbolView(chartSymbol(node), 40, ColorRole::accent, iconBox))->move(4, 4);
    header->addWidget(iconBox, 0, Qt::AlignVCenter);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(5);
    m_parts.title = new ClampedLabel(m_model.displayName(node), 2, m_content);
    m_parts.title->setFont(ViewText::font(15, QFont::DemiBold));
    m_parts.title->setElideMode(Qt::ElideRight);
    titles->addWidget(m_parts.title);
    QStringList chips{fromBytes(NodeDisplay::kindName(node))};
    if (NodeDisplay::isPackage(node))
        chips << QStringLiteral("Package");
    if (node.isCloudPlaceholder)
        chips << QStringLiteral("Cloud");
    m_parts.chips = new InspectorChips(chips, m_content);
    titles->addWidget(m_parts.chips, 0, Qt::AlignLeft);
    header->addLayout(titles, 1);
    column->addLayout(header);

    // The path, selectable.
    m_parts.path = new SelectablePath(4, m_content);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(10);
    m_parts.path->setFont(mono);
    QPalette colours = m_parts.path->palette();
    colours.setColor(QPalette::WindowText, Appearance::role(ColorRole::muted));
    m_parts.path->setPalette(colours);
    m_parts.path->setPath(fromBytes(node.path));
    column->addWidget(m_parts.path);

    // The size and its share of the whole scan, on one baseline.
    auto* sizeRow = new QHBoxLayout;
    sizeRow->setSpacing(7);
    const QFont sizeFont = ViewText::font(31, QFont::DemiBold);
    m_parts.size = new ShrinkingLabel(bytesText(size), 0.7, m_content);
    m_parts.size->setFont(sizeFont);
    m_parts.size->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    sizeRow->addWidget(m_parts.size, 0, Qt::AlignBottom);
    const NodeIndex root = scan.rootIndex();
    const std::optional<std::int64_t> scanBytes =
        root == kNoNode ? std::nullopt : std::optional<std::int64_t>(scan.nodes[root].bytes(logical));
    m_parts.share = plainLabel(ViewText::font(10), ColorRole::muted, m_content,
                               share(size, scanBytes) + QStringLiteral(" of scan"));
    m_parts.share->setContentsMargins(
        0, 0, 0, QFontMetrics(sizeFont).descent() - m_parts.share->fontMetrics().descent());
    sizeRow->addWidget(m_parts.share, 0, Qt::AlignBottom);
    sizeRow->addStretch(1);
    column->addLayout(sizeRow);

    // Details.
    auto* details = transparentWidget(m_content);
    auto* detailColumn = new QVBoxLayout(details);
    detailColumn->setContentsMargins(0, 0, 0, 0);
    detailColumn->setSpacing(10);
    detailColumn->addWidget(new SectionCaption(QStringLiteral("Details"), QString(), details));
    const NodeIndex parent = scan.nodes.parentNode(index);
    const std::optional<std::int64_t> parentBytes =
        parent == kNoNode ? std::nullopt : std::optional<std::int64_t>(scan.nodes[parent].bytes(logical));
    const Date now = Date::now();
    struct Detail {
        QString label;
        QString value;
        ColorRole colour;
    };
    std::vector<Detail> rows{
        {QStringLiteral("Size on disk"), bytesText(node.allocatedSize), ColorRole::ink},
        {QStringLiteral("Logical size"), bytesText(node.logicalSize), ColorRole::ink},
        {QStringLiteral("Compressed by"), bytesText(node.compressedSavings), ColorRole::accent},
        {QStringLiteral("Files"), ViewText::groupedCount(node.fileCount), ColorRole::ink},
        {QStringLiteral("Folders"), ViewText::groupedCount(node.folderCount), ColorRole::ink},
        {QStringLiteral("Of parent"), share(size, parentBytes), ColorRole::ink},
        {QStringLiteral("Modified"), DateText::relative(node.modified, now), ColorRole::ink},
        {QStringLiteral("Created"), DateText::relative(node.created, now), ColorRole::ink},
    };
    if (!node.isDirectory)
        rows.push_back(
            {QStringLiteral("Last accessed"), DateText::abbreviated(node.accessed), ColorRole::ink});
    for (const Detail& detail : rows) {
        auto* line = new QHBoxLayout;
        line->setSpacing(4);
        QLabel* label = plainLabel(ViewText::font(10), ColorRole::muted, details, detail.label);
        QLabel* value =
            wrappingLabel(ViewText::font(10, QFont::Medium), detail.colour, details, detail.value);
        value->setAlignment(Qt::AlignRight | Qt::AlignTop);
        line->addWidget(label, 0, Qt::AlignTop);
        line->addStretch(1);
        line->addWidget(value, 0, Qt::AlignTop);
        detailColumn->addLayout(line);
        m_parts.details.append(qMakePair(label, value));
    }
    column->addWidget(new Card(details, m_content));

    if (node.isDirectory)
        buildLargest(column, scan, node, index);

    m_parts.protection = note(QStringLiteral("lock.shield"), QString(), &m_parts.protectionText, m_content);
    m_parts.protection->hide();
    column->addWidget(m_parts.protection);

    // "About these sizes": closed at first, and as the user left it for the next node.
    auto* about = transparentWidget(m_content);
    auto* aboutColumn = new QVBoxLayout(about);
    aboutColumn->setContentsMargins(0, 0, 0, 0);
    aboutColumn->setSpacing(6);
    m_parts.aboutToggle = new DisclosureButton(QStringLiteral("About these sizes"), ViewText::font(10),
                                               ColorRole::muted, about);
    m_parts.aboutToggle->setChecked(m_aboutOpen);
    aboutColumn->addWidget(m_parts.aboutToggle, 0, Qt::AlignLeft);
    m_parts.aboutText = wrappingLabel(ViewText::font(10), ColorRole::muted, about,
                                      QStringLiteral("Hard links count once. Compression savings cover "
                                                     "macOS-compressed files. Sparse files and shared APFS "
                                                     "blocks can affect reclaimed space."));
    m_parts.aboutText->setVisible(m_aboutOpen);
    aboutColumn->addWidget(m_parts.aboutText);
    connect(m_parts.aboutToggle, &DisclosureButton::toggled, this, [this](bool open) {
        m_aboutOpen = open;
        if (m_parts.aboutText)
            m_parts.aboutText->setVisible(open);
    });
    column->addWidget(about);

    if (node.isCloudPlaceholder) {
        m_parts.cloudNote =
            note(QStringLiteral("icloud"), QStringLiteral("Cloud placeholder · contents stay in the cloud"),
                 nullptr, m_content);
        column->addWidget(m_parts.cloudNote);
    }
}

void InspectorView::buildLargest(QVBoxLayout* column, const ScanResult& scan, const DiskNode& node,
                                 NodeIndex index) {
    const bool logical = m_shown->logical;
    auto* box = transparentWidget(m_content);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    // Every child path the folder records, whatever the filters say.
    const std::size_t recorded = scan.nodes.childCount(index);
    m_parts.largestCaption = new SectionCaption(QStringLiteral("Largest inside"),
                                                QString::number(recorded) + QStringLiteral(" items"), box);
    layout->addWidget(m_parts.largestCaption);
    std::vector<NodeIndex> children = scan.childIndices(index, logical);
    if (children.size() > std::size_t(kLargestCount))
        children.resize(kLargestCount);
    std::vector<LargestInsideList::Row> rows;
    rows.reserve(children.size());
    const Date now = Date::now();
    for (NodeIndex child : children) {
        std::string path = scan.nodes.nodePath(child);
        const QColor colour = Appearance::color(
            Paper::color(path, scan.nodes[child].modifiedDate(), ColorMode::folder, "", now));
        rows.push_back(
            {std::move(path), fromBytes(scan.nodes.name(child)), scan.nodes[child].bytes(logical), colour});
    }
    if (!rows.empty()) {
        m_parts.largest = new LargestInsideList(box);
        m_parts.largest->setRows(std::move(rows), node.bytes(logical));
        connect(m_parts.largest, &LargestInsideList::chosen, this,
                [this](const std::string& path) { m_model.setSelection(path); });
        layout->addWidget(m_parts.largest);
    }
    if (recorded == 0) {
        m_parts.emptyInside = plainLabel(ViewText::font(10), ColorRole::muted, box,
                                         QStringLiteral("No readable items inside."));
        layout->addWidget(m_parts.emptyInside);
    }
    column->addWidget(new Card(box, m_content));
}

void InspectorView::buildActionBar(const DiskNode& node) {
    auto* bar = new ActionBar(this);
    m_parts.actionBar = bar;
    auto* rows = new QVBoxLayout(bar);
    rows->setContentsMargins(kBarPadding, kBarPadding, kBarPadding, kBarPadding);
    rows->setSpacing(7);
    AppModel* model = &m_model;
    const auto compact = [&](const QString& title, const QString& icon, std::function<void()> act) {
        auto* button = new TroveButton({false, true}, icon, title, bar);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(button, &TroveButton::clicked, this, std::move(act));
        return button;
    };
    const auto row = [&](std::initializer_list<QWidget*> buttons) {
        auto* line = new QHBoxLayout;
        line->setSpacing(6);
        for (QWidget* button : buttons)
            line->addWidget(button,
                            button->sizePolicy().horizontalPolicy() == QSizePolicy::Expanding ? 1 : 0);
        rows->addLayout(line);
    };
    m_parts.reveal = compact(QStringLiteral("Reveal"), QStringLiteral("arrow.up.forward.square"),
                             [model, node] { model->reveal(node); });
    m_parts.quickLook = compact(QStringLiteral("Quick Look"), QStringLiteral("eye"),
                                [model, node] { model->quickLook(node); });
    row({m_parts.reveal, m_parts.quickLook});
    m_parts.focus =
        compact(QStringLiteral("Focus"), QStringLiteral("scope"), [model, node] { model->focus(node); });
    m_parts.focus->setEnabled(node.isDirectory);
    m_parts.copyPath = compact(QStringLiteral("Copy Path"), QStringLiteral("doc.on.clipboard"),
                               [model, node] { model->copyPath(node); });
    row({m_parts.focus, m_parts.copyPath});
    m_parts.addToCleanup = new TroveButton({true, false}, QStringLiteral("tray.and.arrow.down"),
                                           QStringLiteral("Add to Cleanup"), bar);
    m_parts.addToCleanup->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_parts.addToCleanup, &TroveButton::clicked, this,
            [model, node] { model->stage({node}, nullptr, NodeActions::kStageReason.toStdString()); });
    m_parts.trash = new TroveButton({false, false}, QStringLiteral("trash"), QString(), bar);
    m_parts.trash->setToolTip(QStringLiteral("Move to Trash…"));
    m_parts.trash->setAccessibleName(QStringLiteral("Move to Trash…"));
    connect(m_parts.trash, &TroveButton::clicked, this, [model, node] { model->requestTrash(node); });
    row({m_parts.addToCleanup, m_parts.trash});
    m_layout->addWidget(bar);
}

void InspectorView::applyPolicy() {
    if (!m_parts.actionBar)
        return;
    // Asked whatever the gate says: the note shows the objection also while cleanup is not allowed.
    const std::optional<std::optional<QString>> rejection = m_model.cleanupRejection(m_path);
    const bool objects = rejection && *rejection;
    if (objects)
        m_parts.protectionText->setText(**rejection);
    m_parts.protection->setVisible(objects);
    const bool allowed = m_shown->canClean && rejection && !*rejection;
    m_parts.addToCleanup->setEnabled(allowed);
    m_parts.trash->setEnabled(allowed);
}

void InspectorView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Appearance::role(ColorRole::panel, 0.45));
}

} // namespace ambertrove
