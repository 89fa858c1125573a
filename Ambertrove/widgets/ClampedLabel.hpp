#pragma once

#include <QColor>
#include <QWidget>

namespace ambertrove {

// Plain text wrapped on at most `maxLines` lines; longer text is shortened in the middle around "…", or
// cut after the last line with "…" (Qt::ElideRight). Laid out again whenever its width changes.
class ClampedLabel final : public QWidget {
    Q_OBJECT

public:
    explicit ClampedLabel(const QString& text = {}, int maxLines = 2, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ClampedLabel)

    [[nodiscard]] QString text() const { return m_text; }
    void setText(const QString& text);
    void setColor(const QColor& color);
    // Qt::ElideMiddle (the default) or Qt::ElideRight.
    void setElideMode(Qt::TextElideMode mode);
    // The lines as painted at the current width, joined with "\n".
    [[nodiscard]] QString shownText() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] bool hasHeightForWidth() const override { return true; }
    [[nodiscard]] int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString m_text;
    int m_maxLines;
    Qt::TextElideMode m_elideMode = Qt::ElideMiddle;
    QColor m_color;
};

} // namespace ambertrove
