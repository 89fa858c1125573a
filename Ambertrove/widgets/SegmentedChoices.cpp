#include "widgets/SegmentedChoices.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace ambertrove {

namespace {

constexpr int kHorizontalPadding = 9;
constexpr int kVerticalPadding = 5;
constexpr double kButtonRadius = 5;
constexpr double kRowRadius = 7;

// One choice: checked while highlighted; pressing it never unchecks it, the row decides.
class SegmentButton final : public QAbstractButton {
public:
    SegmentButton(const QString& title, QWidget* parent)
        : QAbstractButton(parent), m_title(title) {
        setCheckable(true);
        setFocusPolicy(Qt::TabFocus);
        setText(ViewText::withoutMnemonic(title));
        setAccessibleName(title);
    }

protected:
    void nextCheckState() override {}

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool selected = isChecked();
        if (selected || hasFocus()) {
            QPainterPath shape;
            shape.addRoundedRect(QRectF(rect()), kButtonRadius, kButtonRadius);
            painter.fillPath(shape, Appearance::role(ColorRole::ink, selected ? 0.14 : 0.06));
        }
        const QFont font = ViewText::font(SegmentedChoices::kFontSize, selected ? QFont::DemiBold : QFont::Normal);
        painter.setFont(font);
        painter.setPen(Appearance::role(ColorRole::ink));
        const QRect inner = rect().adjusted(kHorizontalPadding, kVerticalPadding, -kHorizontalPadding, -kVerticalPadding);
        painter.drawText(inner, Qt::AlignCenter, ViewText::elided(QFontMetrics(font), m_title, Qt::ElideRight, inner.width()));
    }

private:
    QString m_title;
};

} // namespace

SegmentedChoices::SegmentedChoices(const QList<Choice>& choices, const QVariant& selection, QWidget* parent)
    : QWidget(parent), m_choices(choices), m_selection(selection) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    for (int i = 0; i < m_choices.size(); ++i) {
        auto* button = new SegmentButton(m_choices[i].title, this);
        connect(button, &QAbstractButton::clicked, this, [this, i] {
            const QVariant value = m_choices[i].value;
            setSelection(value);
            emit activated(value);
        });
        m_buttons.push_back(button);
    }
    refresh();
}

void SegmentedChoices::setSelection(const QVariant& value) {
    const bool changed = !(m_selection == value);
    m_selection = value;
    refresh();
    if (changed)
        emit selectionChanged(value);
}

bool SegmentedChoices::isHighlighted(int index) const {
    if (index < 0 || index >= m_choices.size() || !m_selection.isValid())
        return false;
    return m_choices[index].value == m_selection;
}

QAbstractButton* SegmentedChoices::button(int index) const {
    return index >= 0 && std::size_t(index) < m_buttons.size() ? m_buttons[std::size_t(index)] : nullptr;
}

void SegmentedChoices::refresh() {
    for (int i = 0; i < int(m_buttons.size()); ++i) {
        const bool on = isHighlighted(i);
        m_buttons[std::size_t(i)]->setChecked(on);
        m_buttons[std::size_t(i)]->setAccessibleDescription(on ? QStringLiteral("Selected") : QString());
        m_buttons[std::size_t(i)]->update();
    }
}

QSize SegmentedChoices::buttonSize() const {
    // Measured in the semibold face so the row keeps its width whichever button is selected.
    const QFontMetrics metrics(ViewText::font(kFontSize, QFont::DemiBold));
    int widest = 0;
    for (const Choice& choice : m_choices)
        widest = std::max(widest, metrics.horizontalAdvance(choice.title));
    return {widest + 2 * kHorizontalPadding, metrics.height() + 2 * kVerticalPadding};
}

QSize SegmentedChoices::sizeHint() const {
    const QSize button = buttonSize();
    const int n = int(m_choices.size());
    return {2 * kPadding + n * button.width() + std::max(0, n - 1) * kSpacing, 2 * kPadding + button.height()};
}

QSize SegmentedChoices::minimumSizeHint() const {
    const int n = int(m_choices.size());
    return {2 * kPadding + n * 2 * kHorizontalPadding + std::max(0, n - 1) * kSpacing, sizeHint().height()};
}

void SegmentedChoices::placeButtons() {
    const int n = int(m_buttons.size());
    if (n == 0)
        return;
    const int inner = width() - 2 * kPadding - (n - 1) * kSpacing;
    const int h = height() - 2 * kPadding;
    int x = kPadding;
    for (int i = 0; i < n; ++i) {
        // Equal shares; the pixels left over go to the first buttons, one each.
        const int w = inner / n + (i < inner % n ? 1 : 0);
        m_buttons[std::size_t(i)]->setGeometry(x, kPadding, std::max(0, w), std::max(0, h));
        x += w + kSpacing;
    }
}

void SegmentedChoices::resizeEvent(QResizeEvent*) {
    placeButtons();
}

void SegmentedChoices::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), kRowRadius, kRowRadius);
    painter.fillPath(shape, Appearance::role(ColorRole::border, 0.35));
}

} // namespace ambertrove
