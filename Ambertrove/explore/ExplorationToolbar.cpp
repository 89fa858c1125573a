#include "explore/ExplorationToolbar.hpp"

#include "controller/AppModel.hpp"
#include "explore/ActiveFiltersBar.hpp"
#include "shell/PlainButton.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/SegmentedChoices.hpp"
#include "widgets/ViewText.hpp"

#include <QAbstractButton>
#include <QActionGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>

namespace ambertrove {

namespace {

constexpr int kSelectorPadding = 3;
constexpr int kCapsuleSpacing = 1;
constexpr int kSelectedPadding = 10;
constexpr int kPadding = 7;
constexpr int kCapsuleVertical = 8;
constexpr int kLabelSpacing = 5;
constexpr int kSymbolSize = 12;
constexpr int kControlsSpacing = 9;
constexpr int kDepthSpacing = 6;
constexpr int kDepthValueWidth = 9;
constexpr int kMenuSymbol = 16;
// The values of the menu's choices of size (decimal megabytes and gigabytes) and of age (days).
constexpr std::array<std::int64_t, 4> kSizeChoices{0, 10'000'000, 100'000'000, 1'000'000'000};
constexpr std::array<int, 4> kAgeChoices{0, 30, 365, 730};

QString symbolOf(StorageView view) {
    return QString::fromLatin1(symbolName(view));
}

QFont capsuleFont() {
    return ViewText::font(10, QFont::DemiBold);
}

// One storage view's capsule: its symbol, and its title while selected.
class ViewCapsule final : public QAbstractButton {
public:
    ViewCapsule(StorageView view, QWidget* parent)
        : QAbstractButton(parent)
        , m_view(view) {
        setText(rawValue(view));
        setAccessibleName(rawValue(view));
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
    }

    [[nodiscard]] bool isSelected() const { return m_selected; }
    void setSelected(bool selected) {
        if (selected == m_selected)
            return;
        m_selected = selected;
        setAccessibleDescription(selected ? QStringLiteral("Selected") : QString());
        updateGeometry();
        update();
    }

    [[nodiscard]] QSize sizeHint() const override {
        const QFontMetrics metrics(capsuleFont());
        const int height = std::max(kSymbolSize, metrics.height()) + 2 * kCapsuleVertical;
        if (!m_selected)
            return {kSymbolSize + 2 * kPadding, height};
        return {kSymbolSize + kLabelSpacing + metrics.horizontalAdvance(rawValue(m_view)) +
                    2 * kSelectedPadding,
                height};
    }
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(isEnabled() ? 1.0 : 0.38);
        QColor label = Appearance::role(ColorRole::muted);
        if (m_selected) {
            QPainterPath capsule;
            capsule.addRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
            painter.fillPath(capsule, Appearance::role(ColorRole::ink));
            label = Appearance::role(ColorRole::background);
        } else if (underMouse() && isEnabled()) {
            label = Appearance::role(ColorRole::ink);
        }
        const int x = m_selected ? kSelectedPadding : kPadding;
        Icons::paint(painter, symbolOf(m_view),
                     QRectF(x, (height() - kSymbolSize) / 2.0, kSymbolSize, kSymbolSize), label);
        if (m_selected) {
            painter.setFont(capsuleFont());
            painter.setPen(label);
            painter.drawText(QRect(x + kSymbolSize + kLabelSpacing, 0, width(), height()),
                             Qt::AlignLeft | Qt::AlignVCenter, rawValue(m_view));
        }
    }
    void enterEvent(QEnterEvent* event) override {
        update();
        QAbstractButton::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override {
        update();
        QAbstractButton::leaveEvent(event);
    }

private:
    StorageView m_view;
    bool m_selected = false;
};

// The capsules' track: a surface-coloured capsule with a border line.
class SelectorTrack final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath capsule;
        capsule.addRoundedRect(bounds, bounds.height() / 2, bounds.height() / 2);
        painter.fillPath(capsule, Appearance::role(ColorRole::surface));
        painter.strokePath(capsule, QPen(Appearance::role(ColorRole::border), 1));
    }
};

// A menu of exclusive choices, each carrying its value.
template <typename T>
std::vector<QAction*> addChoices(QMenu* menu, QObject* context,
                                 const std::vector<std::pair<QString, T>>& choices,
                                 std::function<void(T)> choose) {
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    std::vector<QAction*> items;
    for (const auto& [title, value] : choices) {
        QAction* item = menu->addAction(title);
        item->setCheckable(true);
        group->addAction(item);
        QObject::connect(item, &QAction::triggered, context, [choose, value = value] { choose(value); });
        items.push_back(item);
    }
    return items;
}

} // namespace

ExplorationToolbar::ExplorationToolbar(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);

    m_selector = new SelectorTrack(this);
    auto* capsules = new QHBoxLayout(m_selector);
    capsules->setContentsMargins(kSelectorPadding, kSelectorPadding, kSelectorPadding, kSelectorPadding);
    capsules->setSpacing(kCapsuleSpacing);
    capsules->setSizeConstraint(QLayout::SetFixedSize);
    for (const StorageView view : allCases<StorageView>()) {
        auto* capsule = new ViewCapsule(view, m_selector);
        connect(capsule, &QAbstractButton::clicked, this, [this, view] {
            m_model.setStorageView(view);
            m_model.setActiveQuickWin(std::nullopt);
        });
        capsules->addWidget(capsule);
        m_capsules.push_back(capsule);
    }

    m_controls = new QWidget(this);
    auto* controls = new QHBoxLayout(m_controls);
    controls->setContentsMargins(0, 0, 0, 0);
    controls->setSpacing(kControlsSpacing);
    controls->setSizeConstraint(QLayout::SetFixedSize);
    m_colors = new SegmentedChoices({{QStringLiteral("By type"), int(ColorMode::type)},
                                     {QStringLiteral("By folder"), int(ColorMode::folder)},
                                     {QStringLiteral("By age"), int(ColorMode::age)}},
                                    int(m_model.colorMode()), m_controls);
    // The choices' titles in this font need a little more than the row's width in some fonts: never cut.
    m_colors->setFixedWidth(std::max(kColorWidth, m_colors->sizeHint().width()));
    m_colors->setToolTip(QStringLiteral("What the colours mean"));
    connect(m_colors, &SegmentedChoices::activated, this,
            [this](const QVariant& value) { m_model.setColorMode(ColorMode(value.toInt())); });
    controls->addWidget(m_colors);
    auto* depth = new QHBoxLayout;
    depth->setSpacing(kDepthSpacing);
    m_depth = new QSlider(Qt::Horizontal, m_controls);
    m_depth->setRange(1, 8);
    m_depth->setSingleStep(1);
    m_depth->setPageStep(1);
    m_depth->setFixedWidth(kSliderWidth);
    m_depth->setToolTip(QStringLiteral("How many folder levels to draw"));
    m_depth->setAccessibleName(QStringLiteral("How many folder levels to draw"));
    // The groove's filled part in the theme's accent rather than the style's highlight.
    QPalette sliderColours = m_depth->palette();
    sliderColours.setColor(QPalette::Highlight, Appearance::role(ColorRole::accent));
    m_depth->setPalette(sliderColours);
    connect(m_depth, &QSlider::valueChanged, this,
            [this](int value) { m_model.setVisualizationDepth(value); });
    depth->addWidget(m_depth);
    m_depthValue = plainLabel(ViewText::font(9), ColorRole::muted, m_controls);
    m_depthValue->setFixedWidth(kDepthValueWidth);
    depth->addWidget(m_depthValue);
    controls->addLayout(depth);
    m_filterButton = new PlainButton(QStringLiteral("line.3.horizontal.decrease.circle"), kMenuSymbol,
                                     ColorRole::ink, m_controls);
    m_filterButton->setToolTip(QStringLiteral("Filter current items"));
    m_filterButton->setAccessibleName(QStringLiteral("Filter current items"));
    controls->addWidget(m_filterButton);
    buildMenu();
    connect(m_filterButton, &PlainButton::clicked, this, [this] {
        m_filterMenu->popup(m_filterButton->mapToGlobal(QPoint(0, m_filterButton->height())));
    });

    m_filters = new ActiveFiltersBar(m_model, this);
    m_filters->installEventFilter(this);

    connect(&m_model, &AppModel::displayChanged, this, &ExplorationToolbar::refresh);
    connect(&m_model, &AppModel::scanChanged, this, &ExplorationToolbar::refresh);
    refresh();
}

void ExplorationToolbar::buildMenu() {
    m_filterMenu = new QMenu(this);
    m_labelsItem = m_filterMenu->addAction(QStringLiteral("Draw labels on visualisations"));
    m_labelsItem->setCheckable(true);
    connect(m_labelsItem, &QAction::triggered, this, [this](bool on) { m_model.setShowLabels(on); });
    m_hiddenItem = m_filterMenu->addAction(QStringLiteral("Show hidden files"));
    m_hiddenItem->setCheckable(true);
    connect(m_hiddenItem, &QAction::triggered, this, [this](bool on) { m_model.setShowHidden(on); });
    m_filterMenu->addSeparator();

    m_sizeItems = addChoices<std::int64_t>(m_filterMenu->addMenu(QStringLiteral("Minimum size")), this,
                                           {{QStringLiteral("Any size"), kSizeChoices[0]},
                                            {QStringLiteral("10 MB+"), kSizeChoices[1]},
                                            {QStringLiteral("100 MB+"), kSizeChoices[2]},
                                            {QStringLiteral("1 GB+"), kSizeChoices[3]}},
                                           [this](std::int64_t bytes) { m_model.setMinimumBytes(bytes); });
    std::vector<std::pair<QString, std::optional<FileCategory>>> types{
        {QStringLiteral("All types"), std::nullopt}};
    for (const FileCategory category : kAllFileCategories) {
        types.emplace_back(ViewText::fromBytes(displayName(category)), category);
    }
    m_typeItems = addChoices<std::optional<FileCategory>>(
        m_filterMenu->addMenu(QStringLiteral("File type")), this, types,
        [this](std::optional<FileCategory> category) { m_model.setCategoryFilter(category); });
    m_ageItems = addChoices<int>(m_filterMenu->addMenu(QStringLiteral("Modified before")), this,
                                 {{QStringLiteral("Any date"), kAgeChoices[0]},
                                  {QStringLiteral("30 days ago"), kAgeChoices[1]},
                                  {QStringLiteral("1 year ago"), kAgeChoices[2]},
                                  {QStringLiteral("2 years ago"), kAgeChoices[3]}},
                                 [this](int days) { m_model.setModifiedBeforeDays(days); });
    m_clearItem = m_filterMenu->addAction(QStringLiteral("Clear all filters"));
    connect(m_clearItem, &QAction::triggered, this, [this] { m_model.clearFilters(); });
}

bool ExplorationToolbar::hasDepth() const {
    return !m_model.activeQuickWin() && isGraph(m_model.storageView());
}

QAbstractButton* ExplorationToolbar::capsule(StorageView view) const {
    return m_capsules[std::size_t(view)];
}

bool ExplorationToolbar::isCapsuleSelected(StorageView view) const {
    return static_cast<ViewCapsule*>(capsule(view))->isSelected();
}

void ExplorationToolbar::refresh() {
    const bool quickWin = m_model.activeQuickWin().has_value();
    const StorageView shown = m_model.storageView();
    for (const StorageView view : allCases<StorageView>()) {
        auto* button = static_cast<ViewCapsule*>(capsule(view));
        button->setSelected(!quickWin && view == shown);
        const bool unavailable = m_model.scanning() && !availableWhileScanning(view);
        button->setEnabled(!unavailable);
        button->setToolTip(unavailable ? rawValue(view) + QStringLiteral(" — available after scanning")
                                       : rawValue(view));
    }
    m_colors->setVisible(!quickWin && supportsColor(shown));
    m_colors->setSelection(int(m_model.colorMode()));
    const bool depth = hasDepth();
    m_depth->setVisible(depth);
    m_depthValue->setVisible(depth);
    {
        const QSignalBlocker quiet(m_depth);
        m_depth->setValue(m_model.visualizationDepth());
    }
    m_depthValue->setText(QString::number(m_model.visualizationDepth()));

    m_labelsItem->setVisible(depth);
    m_labelsItem->setChecked(m_model.showLabels());
    m_hiddenItem->setChecked(m_model.showHidden());
    // A value no choice carries (set elsewhere) checks none.
    for (std::size_t i = 0; i < m_sizeItems.size(); ++i)
        m_sizeItems[i]->setChecked(kSizeChoices[i] == m_model.minimumBytes());
    const std::optional<FileCategory> category = m_model.categoryFilter();
    for (std::size_t i = 0; i < m_typeItems.size(); ++i)
        m_typeItems[i]->setChecked(i == 0 ? !category : category && std::size_t(*category) == i - 1);
    for (std::size_t i = 0; i < m_ageItems.size(); ++i)
        m_ageItems[i]->setChecked(kAgeChoices[i] == m_model.modifiedBeforeDays());
    m_clearItem->setEnabled(!m_model.activeFilters().empty());

    updateGeometry();
    placeChildren();
}

int ExplorationToolbar::oneRowWidth() const {
    return m_selector->sizeHint().width() + 2 * kRowSpacing + kMinimumGap + m_controls->sizeHint().width();
}

ExplorationToolbar::Arrangement ExplorationToolbar::arrangement(int width) const {
    Arrangement a;
    const QSize selector = m_selector->sizeHint();
    const QSize controls = m_controls->sizeHint();
    if (width >= oneRowWidth()) {
        const int row = std::max(selector.height(), controls.height());
        a.selector = QRect(QPoint(0, (row - selector.height()) / 2), selector);
        a.controls =
            QRect(QPoint(selector.width() + 2 * kRowSpacing + kMinimumGap, (row - controls.height()) / 2),
                  controls);
        a.height = row;
    } else {
        a.selector = QRect(QPoint(0, 0), selector);
        a.controls = QRect(QPoint(0, selector.height() + kColumnSpacing), controls);
        a.height = a.controls.bottom() + 1;
    }
    if (!m_filters->isHidden()) {
        a.filters = QRect(0, a.height + kFiltersSpacing, width, ActiveFiltersBar::kHeight);
        a.height = a.filters.bottom() + 1;
    }
    return a;
}

void ExplorationToolbar::placeChildren() {
    const Arrangement a = arrangement(width());
    m_selector->setGeometry(a.selector);
    m_controls->setGeometry(a.controls);
    if (!a.filters.isNull())
        m_filters->setGeometry(a.filters);
}

QSize ExplorationToolbar::sizeHint() const {
    return {oneRowWidth(), heightForWidth(oneRowWidth())};
}

QSize ExplorationToolbar::minimumSizeHint() const {
    const int width = std::max(m_selector->sizeHint().width(), m_controls->sizeHint().width());
    return {width, heightForWidth(width)};
}

int ExplorationToolbar::heightForWidth(int width) const {
    return arrangement(width).height;
}

void ExplorationToolbar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeChildren();
}

bool ExplorationToolbar::eventFilter(QObject* watched, QEvent* event) {
    // The filters bar shows and hides itself: the toolbar's height follows.
    if (watched == m_filters &&
        (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)) {
        updateGeometry();
        placeChildren();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace ambertrove
