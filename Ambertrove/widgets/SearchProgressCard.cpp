#include "widgets/SearchProgressCard.hpp"

#include "controller/ReadablePath.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ClampedLabel.hpp"
#include "widgets/ElidedLabel.hpp"
#include "widgets/Icons.hpp"
#include "widgets/LinearProgress.hpp"
#include "widgets/ShrinkingLabel.hpp"
#include "widgets/ViewText.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

namespace ambertrove {

namespace {

// The 36-pixel symbol tile at the head of the card.
class SymbolTile final : public QWidget {
public:
    explicit SymbolTile(QWidget* parent)
        : QWidget(parent) {
        setFixedSize(36, 36);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 10, 10);
        painter.fillPath(shape, Appearance::role(ColorRole::accent, 0.1));
        Icons::paint(painter, QStringLiteral("waveform.path"), QRectF(9, 9, 18, 18), Appearance::role(ColorRole::accent));
    }
};

} // namespace

SearchProgressCard::SearchProgressCard(QWidget* parent)
    : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);

    m_header = new QWidget(this);
    auto* headerRow = new QHBoxLayout(m_header);
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->setSpacing(10);
    headerRow->addWidget(new SymbolTile(m_header), 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(5);
    m_titleLabel = new ElidedLabel({}, Qt::ElideRight, m_header);
    m_titleLabel->setFont(ViewText::font(14, QFont::DemiBold));
    m_detailLabel = new ClampedLabel({}, 2, m_header);
    m_detailLabel->setFont(ViewText::font(11));
    m_detailLabel->setColor(Appearance::role(ColorRole::muted));
    texts->addWidget(m_titleLabel);
    texts->addWidget(m_detailLabel);
    headerRow->addLayout(texts, 1);
    m_percent = new QLabel(m_header);
    m_percent->setTextFormat(Qt::PlainText);
    m_percent->setFont(ViewText::font(18, QFont::DemiBold));
    QPalette percentPalette = m_percent->palette();
    percentPalette.setColor(QPalette::WindowText, Appearance::role(ColorRole::ink));
    m_percent->setPalette(percentPalette);
    m_percent->setToolTip(QStringLiteral("Progress through the current file"));
    headerRow->addWidget(m_percent, 0, Qt::AlignVCenter);
    column->addWidget(m_header);

    m_bar = new LinearProgress(this);
    column->addWidget(m_bar);

    m_factsRow = new QWidget(this);
    m_factsLayout = new QHBoxLayout(m_factsRow);
    m_factsLayout->setContentsMargins(0, 0, 0, 0);
    m_factsLayout->setSpacing(20);
    column->addWidget(m_factsRow);

    m_pathLabel = new ElidedLabel({}, Qt::ElideMiddle, this);
    m_pathLabel->setFont(ViewText::font(11));
    m_pathLabel->setColor(Appearance::role(ColorRole::muted));
    column->addWidget(m_pathLabel);

    m_header->hide();
    m_detailLabel->hide();
    m_percent->hide();
    m_factsRow->hide();
    m_pathLabel->hide();
}

QString SearchProgressCard::percentText(double fraction) {
    if (!std::isfinite(fraction))
        return {};
    // A hair added before truncating so 0.29 (28.999… after the multiplication) reads 29.
    const int percent = int(std::floor(std::clamp(fraction, 0.0, 1.0) * 100 + 1e-9));
    return QString::number(percent) + QLatin1Char('%');
}

void SearchProgressCard::setTitle(const QString& title) {
    m_title = title;
    m_titleLabel->setText(title);
    m_header->setVisible(!title.isEmpty());
}

void SearchProgressCard::setDetail(const QString& detail) {
    m_detail = detail;
    m_detailLabel->setText(detail);
    m_detailLabel->setVisible(!detail.isEmpty());
}

void SearchProgressCard::setPath(const std::optional<QString>& path) {
    m_path = path;
    m_pathLabel->setText(path ? readablePath(*path) : QString());
    m_pathLabel->setToolTip(path ? ViewText::plainToolTip(*path) : QString());
    m_pathLabel->setVisible(path.has_value());
}

void SearchProgressCard::setFraction(std::optional<double> fraction) {
    if (fraction && !std::isfinite(*fraction))
        fraction.reset();
    m_fraction = fraction;
    m_bar->setFraction(fraction);
    if (fraction) {
        const QString text = percentText(*fraction);
        m_percent->setText(text);
        m_percent->setAccessibleName(QStringLiteral("Current file: ") + text.chopped(1) + QStringLiteral(" percent"));
    }
    m_percent->setVisible(fraction.has_value());
}

void SearchProgressCard::setFacts(const Facts& facts) {
    bool sameLabels = facts.size() == m_facts.size();
    for (int i = 0; sameLabels && i < facts.size(); ++i)
        sameLabels = facts[i].first == m_facts[i].first;
    m_facts = facts;
    if (!sameLabels)
        rebuildFacts();
    for (int i = 0; i < m_facts.size(); ++i)
        m_factValues[i]->setText(m_facts[i].second);
    m_factsRow->setVisible(!m_facts.isEmpty());
}

void SearchProgressCard::rebuildFacts() {
    while (QLayoutItem* item = m_factsLayout->takeAt(0)) {
        if (QLayout* inner = item->layout()) {
            while (QLayoutItem* child = inner->takeAt(0)) {
                delete child->widget();
                delete child;
            }
        }
        delete item;
    }
    m_factLabels.clear();
    m_factValues.clear();
    for (const auto& fact : m_facts) {
        auto* factColumn = new QVBoxLayout;
        factColumn->setSpacing(5);
        auto* label = new ElidedLabel(fact.first.toUpper(), Qt::ElideRight, m_factsRow);
        label->setFont(ViewText::font(9, QFont::DemiBold, 0.7));
        label->setColor(Appearance::role(ColorRole::muted));
        auto* value = new ShrinkingLabel({}, 0.8, m_factsRow);
        value->setFont(ViewText::font(20, QFont::DemiBold));
        value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        factColumn->addWidget(label);
        factColumn->addWidget(value);
        m_factsLayout->addLayout(factColumn, 1);
        m_factLabels << label;
        m_factValues << value;
    }
}

} // namespace ambertrove
