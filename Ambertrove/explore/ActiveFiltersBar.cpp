#include "explore/ActiveFiltersBar.hpp"

#include "controller/AppModel.hpp"
#include "shell/PlainButton.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ScrollingRow.hpp"
#include "widgets/ViewText.hpp"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace ambertrove {

namespace {

constexpr int kChipHorizontal = 10;
constexpr int kChipVertical = 6;
constexpr int kChipGap = 6;
constexpr int kMarkSize = 8;

// One filter's chip: its title, shortened in the middle to fit, and a cross; pressing it removes the filter.
class FilterChip final : public QAbstractButton {
public:
    FilterChip(const QString& title, QWidget* parent)
        : QAbstractButton(parent)
        , m_title(title) {
        setText(ViewText::withoutMnemonic(title));
        setToolTip(ViewText::plainToolTip(QStringLiteral("Remove filter — ") + title));
        setAccessibleName(QStringLiteral("Remove filter — ") + title);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    [[nodiscard]] QSize sizeHint() const override {
        const QFontMetrics metrics(ViewText::font(11));
        const int width =
            kChipHorizontal + metrics.horizontalAdvance(m_title) + kChipGap + kMarkSize + kChipHorizontal;
        return {std::min(ActiveFiltersBar::kChipMaximum, width), metrics.height() + 2 * kChipVertical};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath capsule;
        capsule.addRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
        painter.fillPath(capsule, Appearance::role(ColorRole::accent, isDown() ? 0.2 : 0.1));
        const QColor ink = Appearance::role(ColorRole::ink);
        const QFont font = ViewText::font(11);
        const int textWidth = width() - 2 * kChipHorizontal - kChipGap - kMarkSize;
        painter.setFont(font);
        painter.setPen(ink);
        painter.drawText(QRect(kChipHorizontal, 0, textWidth, height()), Qt::AlignLeft | Qt::AlignVCenter,
                         ViewText::elided(QFontMetrics(font), m_title, Qt::ElideMiddle, textWidth));
        Icons::paint(
            painter, QStringLiteral("xmark"),
            QRectF(width() - kChipHorizontal - kMarkSize, (height() - kMarkSize) / 2.0, kMarkSize, kMarkSize),
            ink);
    }

private:
    QString m_title;
};

} // namespace

ActiveFiltersBar::ActiveFiltersBar(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    setFixedHeight(kHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kSpacing);
    m_chipRow = new ScrollingRow(kChipSpacing, this);
    layout->addWidget(m_chipRow, 1);
    m_clear = new PlainButton(QStringLiteral("Clear all"), ViewText::font(11, QFont::DemiBold),
                              ColorRole::accent, this);
    m_clear->setToolTip(QStringLiteral("Clear all filters"));
    m_clear->setAccessibleName(QStringLiteral("Clear all filters"));
    m_clear->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_clear, &PlainButton::clicked, this, [this] { m_model.clearFilters(); });
    layout->addWidget(m_clear);
    connect(&m_model, &AppModel::displayChanged, this, &ActiveFiltersBar::refresh);
    refresh();
}

void ActiveFiltersBar::refresh() {
    std::vector<ActiveExplorerFilter> filters = m_model.activeFilters();
    setVisible(!filters.empty());
    if (filters == m_shown)
        return;
    m_shown = std::move(filters);
    // The chip pressed may be the one replaced: the row deletes its old chips later.
    m_chipRow->clear();
    m_chips.clear();
    for (const ActiveExplorerFilter& filter : m_shown) {
        auto* chip = new FilterChip(filter.title, m_chipRow->content());
        const ExplorerFilterID id = filter.id;
        connect(chip, &QAbstractButton::clicked, this, [this, id] { m_model.removeFilter(id); });
        m_chipRow->append(chip);
        m_chips.push_back(chip);
    }
}

} // namespace ambertrove
