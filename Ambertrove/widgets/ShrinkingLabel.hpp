#pragma once

#include <QColor>
#include <QWidget>

namespace ambertrove {

// One line of plain text that first shrinks its font down to `minimumScale` of its size to fit the width,
// and only then is shortened at the end.
class ShrinkingLabel final : public QWidget {
    Q_OBJECT

public:
    explicit ShrinkingLabel(const QString& text = {}, double minimumScale = 0.8, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ShrinkingLabel)

    [[nodiscard]] QString text() const { return m_text; }
    void setText(const QString& text);
    void setColor(const QColor& color);
    // The pixel size and text painted at the current width.
    [[nodiscard]] double shownPixelSize() const;
    [[nodiscard]] QString shownText() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    [[nodiscard]] QFont fittedFont() const;

    QString m_text;
    double m_minimumScale;
    QColor m_color;
};

} // namespace ambertrove
