#pragma once

#include "controller/TroveToast.hpp"

#include <QWidget>

#include <optional>

class QGraphicsOpacityEffect;
class QLabel;
class QVariantAnimation;

namespace ambertrove {

class AppModel;
class PlainButton;

// The notification card over the bottom of the window: the controller's toast with its optional action and
// a close button. It slides in from the bottom edge and fades in over 0.18 s whenever a toast with a new id
// is shown, and leaves the same way; with reduced motion it appears and disappears at once. It places
// itself centred, its lower edge 48 pixels above its parent's bottom.
class ToastCard final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 450;
    static constexpr int kBottomMargin = 48;
    static constexpr int kAnimationMilliseconds = 180;
    // Room around the card for its shadow (radius 12, offset 4 down).
    static constexpr int kShadow = 16;

    explicit ToastCard(AppModel& model, QWidget* parent);
    Q_DISABLE_COPY_MOVE(ToastCard)

    // The toast shown, or leaving; nothing once the card is gone.
    [[nodiscard]] const std::optional<TroveToast>& shown() const { return m_shown; }
    // Whether the card is on its way in or out.
    [[nodiscard]] bool isAnimating() const;
    // The card's rectangle in the parent, without the shadow's room.
    [[nodiscard]] QRect cardGeometry() const;

    [[nodiscard]] QLabel* titleLabel() const { return m_title; }
    [[nodiscard]] QLabel* detailLabel() const { return m_detail; }
    [[nodiscard]] PlainButton* actionButton() const { return m_action; }
    [[nodiscard]] PlainButton* closeButton() const { return m_close; }

signals:
    // The card finished arriving or leaving.
    void settled();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void fill(const TroveToast& toast);
    void animate(bool in);
    void place();

    AppModel& m_model;
    std::optional<TroveToast> m_shown;
    bool m_leaving = false;
    double m_progress = 1; // 0 out of sight, 1 in place
    QLabel* m_title = nullptr;
    QLabel* m_detail = nullptr;
    PlainButton* m_action = nullptr;
    PlainButton* m_close = nullptr;
    QGraphicsOpacityEffect* m_opacity = nullptr;
    QVariantAnimation* m_animation = nullptr;
};

} // namespace ambertrove
