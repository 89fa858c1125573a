#include "shell/ToastCard.hpp"

#include "controller/AppModel.hpp"
#include "shell/PlainButton.hpp"
#include "shell/SymbolView.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace ambertrove {

namespace {
constexpr int kPadding = 16;
constexpr double kCornerRadius = 10;
} // namespace

ToastCard::ToastCard(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kShadow + kPadding, kShadow + kPadding, kShadow + kPadding,
                               kShadow + kPadding);
    layout->setSpacing(10);
    layout->addWidget(new SymbolView(QStringLiteral("checkmark.circle.fill"), 16, ColorRole::accent, this));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    m_title = new QLabel(this);
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(ViewText::font(13, QFont::DemiBold));
    m_title->setWordWrap(true);
    texts->addWidget(m_title);
    m_detail = new QLabel(this);
    m_detail->setTextFormat(Qt::PlainText);
    m_detail->setFont(ViewText::font(11));
    m_detail->setWordWrap(true);
    QPalette mutedText = m_detail->palette();
    mutedText.setColor(QPalette::WindowText, Appearance::role(ColorRole::muted));
    m_detail->setPalette(mutedText);
    texts->addWidget(m_detail);
    layout->addLayout(texts, 1);
    m_action = new PlainButton(QString(), ViewText::font(12, QFont::DemiBold), ColorRole::accent, this);
    m_action->setUnderlined(true);
    m_action->setToolTip(QStringLiteral("Open Cleanup to review files"));
    connect(m_action, &PlainButton::clicked, this, [this] { m_model.performToastAction(); });
    layout->addWidget(m_action);
    m_close = new PlainButton(QStringLiteral("xmark"), 10, ColorRole::muted, this);
    m_close->setAccessibleName(QStringLiteral("Dismiss notification"));
    m_close->setToolTip(QStringLiteral("Dismiss notification"));
    connect(m_close, &PlainButton::clicked, this, [this] { m_model.setToast(std::nullopt); });
    layout->addWidget(m_close);

    m_opacity = new QGraphicsOpacityEffect(this);
    m_opacity->setEnabled(false);
    setGraphicsEffect(m_opacity);
    m_animation = new QVariantAnimation(this);
    m_animation->setDuration(kAnimationMilliseconds);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_progress = value.toDouble();
        m_opacity->setOpacity(m_progress);
        place();
    });
    connect(m_animation, &QVariantAnimation::finished, this, [this] {
        m_opacity->setEnabled(false);
        if (m_leaving) {
            m_leaving = false;
            m_shown.reset();
            hide();
        }
        emit settled();
    });

    parent->installEventFilter(this);
    hide();
    connect(&m_model, &AppModel::toastChanged, this, &ToastCard::refresh);
    refresh();
}

bool ToastCard::isAnimating() const {
    return m_animation->state() == QAbstractAnimation::Running;
}

QRect ToastCard::cardGeometry() const {
    return geometry().adjusted(kShadow, kShadow, -kShadow, -kShadow);
}

void ToastCard::refresh() {
    const auto& toast = m_model.toast();
    if (toast) {
        const bool same = m_shown && m_shown->id == toast->id && !m_leaving;
        fill(*toast);
        if (!same)
            animate(true);
    } else if (m_shown && !m_leaving) {
        animate(false);
    }
}

void ToastCard::fill(const TroveToast& toast) {
    m_shown = toast;
    m_title->setText(toast.title);
    m_detail->setText(toast.detail);
    m_detail->setVisible(!toast.detail.isEmpty());
    m_action->setVisible(toast.action.has_value());
    // Painted as plain text: an "&" shows as itself.
    m_action->setLabel(toast.actionTitle);
    m_action->setAccessibleName(toast.actionTitle + QStringLiteral(" — open review"));
    const int height = heightForWidth(kWidth + 2 * kShadow);
    resize(kWidth + 2 * kShadow, height > 0 ? height : sizeHint().height());
}

void ToastCard::animate(bool in) {
    m_animation->stop();
    m_leaving = !in;
    if (in) {
        show();
        raise();
    }
    if (Appearance::reducedMotion()) {
        m_progress = 1;
        m_opacity->setEnabled(false);
        place();
        if (!in) {
            m_leaving = false;
            m_shown.reset();
            hide();
        }
        emit settled();
        return;
    }
    m_opacity->setEnabled(true);
    m_animation->setStartValue(in ? 0.0 : m_progress);
    m_animation->setEndValue(in ? 1.0 : 0.0);
    if (in)
        m_progress = 0;
    m_opacity->setOpacity(m_progress);
    place();
    m_animation->start();
}

void ToastCard::place() {
    const QWidget* host = parentWidget();
    const int cardHeight = height() - 2 * kShadow;
    const int restingTop = host->height() - kBottomMargin - cardHeight;
    // Out of sight the card stands just below the bottom edge.
    const int hiddenTop = host->height();
    const int top = int(std::lround(hiddenTop + (restingTop - hiddenTop) * m_progress));
    move((host->width() - width()) / 2, top - kShadow);
}

bool ToastCard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        place();
    return QWidget::eventFilter(watched, event);
}

void ToastCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(kShadow, kShadow, -kShadow, -kShadow);
    // A soft shadow: black at 0.12 in all, spread over its radius in rings, 4 pixels down.
    constexpr int kRings = 12;
    painter.setPen(Qt::NoPen);
    for (int i = kRings; i >= 1; --i) {
        const double spread = i;
        painter.setBrush(
            QColor(0, 0, 0, int(std::lround(255 * 0.12 / kRings * 1.6 * (1.0 - double(i) / (kRings + 1))))));
        painter.drawRoundedRect(card.translated(0, 4).adjusted(-spread, -spread, spread, spread),
                                kCornerRadius + spread, kCornerRadius + spread);
    }
    painter.setBrush(Appearance::role(ColorRole::surface));
    painter.setPen(QPen(Appearance::role(ColorRole::border), 1));
    painter.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
}

} // namespace ambertrove
