#pragma once

#include <QWidget>

class QLabel;

namespace ambertrove {

class ClampedLabel;
class ShrinkingLabel;
class SymbolView;

// One figure of a tool's result: an upper-case label with a symbol, the value on one line (shrunk to
// three quarters of its size before it is cut) and a caption of at most two lines. It fills the width it
// is given, at least 94 pixels tall, and draws no frame: the screen that places it does.
class MetricTile final : public QWidget {
    Q_OBJECT

public:
    MetricTile(const QString& title, const QString& value, const QString& symbol, const QString& caption,
               QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(MetricTile)

    static constexpr int kMinimumHeight = 94;

    [[nodiscard]] QLabel* titleLabel() const { return m_title; }
    [[nodiscard]] ShrinkingLabel* valueLabel() const { return m_value; }
    [[nodiscard]] ClampedLabel* captionLabel() const { return m_caption; }
    [[nodiscard]] SymbolView* symbolView() const { return m_symbol; }

private:
    QLabel* m_title;
    SymbolView* m_symbol;
    ShrinkingLabel* m_value;
    ClampedLabel* m_caption;
};

} // namespace ambertrove
