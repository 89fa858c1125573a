#pragma once

#include <QColor>
#include <QWidget>

namespace ambertrove {

// One line of plain text, shortened with "…" (in the middle or at the end) to the width it is given and
// shortened again whenever that width changes. Its preferred width is the whole text's.
class ElidedLabel : public QWidget {
    Q_OBJECT

public:
    explicit ElidedLabel(const QString& text = {}, Qt::TextElideMode mode = Qt::ElideRight, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ElidedLabel)

    [[nodiscard]] QString text() const { return m_text; }
    void setText(const QString& text);
    [[nodiscard]] Qt::TextElideMode elideMode() const { return m_mode; }
    void setElideMode(Qt::TextElideMode mode);
    // The text colour; an invalid colour paints in ink.
    void setColor(const QColor& color);
    void setAlignment(Qt::Alignment alignment);
    // The text as painted at the current width.
    [[nodiscard]] QString shownText() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_text;
    Qt::TextElideMode m_mode;
    QColor m_color;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

} // namespace ambertrove
