#pragma once

#include <QWidget>

namespace ambertrove {

// A panel that frames one content widget: 16 pixels of padding, a surface fill in a rounded rectangle of
// radius 15 and a 1-pixel border line. It takes the size of its content plus the padding.
class Card final : public QWidget {
    Q_OBJECT

public:
    explicit Card(QWidget* content = nullptr, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(Card)

    static constexpr int kPadding = 16;
    static constexpr double kCornerRadius = 15;

    [[nodiscard]] QWidget* content() const { return m_content; }
    // Takes `content` into the card; a previous content is deleted.
    void setContent(QWidget* content);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_content = nullptr;
};

} // namespace ambertrove
