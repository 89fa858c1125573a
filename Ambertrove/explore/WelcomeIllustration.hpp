#pragma once

#include <QWidget>

namespace ambertrove {

// The welcome screen's drawing: a tinted circle, two folders leaning apart and the paper plane.
class WelcomeIllustration final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSide = 220;

    explicit WelcomeIllustration(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(WelcomeIllustration)

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ambertrove
