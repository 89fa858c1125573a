#include "screens/DisclosureGroup.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QPainter>
#include <QVBoxLayout>

namespace ambertrove {

namespace {

constexpr int kChevronGap = 5;

// The title row: a chevron pointing right (collapsed) or down (expanded), then the title.
class DisclosureHeader final : public QAbstractButton {
public:
    DisclosureHeader(const QString& title, const QFont& font, ColorRole role, QWidget* parent)
        : QAbstractButton(parent)
        , m_role(role) {
        setCheckable(true);
        setFont(font);
        setTitle(title);
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    void setTitle(const QString& title) {
        m_title = title;
        setText(ViewText::withoutMnemonic(title));
        setAccessibleName(title);
        updateGeometry();
        update();
    }
    [[nodiscard]] QString title() const { return m_title; }

    [[nodiscard]] QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {chevron() + kChevronGap + metrics.horizontalAdvance(m_title), metrics.height() + 2};
    }
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QColor colour = Appearance::role(m_role);
        const int side = chevron();
        Icons::paint(painter, isChecked() ? QStringLiteral("chevron.down") : QStringLiteral("chevron.right"),
                     QRectF(0, (height() - side) / 2.0, side, side), colour);
        painter.setFont(font());
        painter.setPen(colour);
        painter.drawText(rect().adjusted(side + kChevronGap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         m_title);
    }

private:
    [[nodiscard]] int chevron() const { return std::max(8, font().pixelSize() - 2); }

    QString m_title;
    ColorRole m_role;
};

} // namespace

DisclosureGroup::DisclosureGroup(const QString& title, QWidget* content, const QFont& font, ColorRole role,
                                 int spacing, QWidget* parent)
    : QWidget(parent)
    , m_header(new DisclosureHeader(title, font, role, this))
    , m_content(content) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    layout->addWidget(m_header, 0, Qt::AlignLeft);
    m_content->setParent(this);
    layout->addWidget(m_content);
    m_content->setVisible(false);
    connect(m_header, &QAbstractButton::toggled, m_content, &QWidget::setVisible);
}

bool DisclosureGroup::isExpanded() const {
    return m_header->isChecked();
}

void DisclosureGroup::setExpanded(bool expanded) {
    m_header->setChecked(expanded);
}

void DisclosureGroup::setTitle(const QString& title) {
    static_cast<DisclosureHeader*>(m_header)->setTitle(title);
}

QString DisclosureGroup::title() const {
    return static_cast<DisclosureHeader*>(m_header)->title();
}

} // namespace ambertrove
