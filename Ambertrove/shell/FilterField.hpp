#pragma once

#include <QWidget>

class QLineEdit;

namespace ambertrove {

class PlainButton;

// The top bar's name filter: a magnifying glass, a plain text field and, while there is text, a clear
// button, on a capsule. It shows the text it is given and reports what the user types.
class FilterField final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWideWidth = 170;
    static constexpr int kNarrowWidth = 145;
    // The bar width from which the field is wide.
    static constexpr int kWideFrom = 1240;

    explicit FilterField(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FilterField)

    [[nodiscard]] QString text() const;
    // Shows `text` without reporting it.
    void setText(const QString& text);
    void setBarWidth(int barWidth);

    [[nodiscard]] QLineEdit* edit() const { return m_edit; }
    [[nodiscard]] PlainButton* clearButton() const { return m_clear; }

signals:
    // The user changed the text (typing or the clear button).
    void edited(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void updateClear();

    QLineEdit* m_edit = nullptr;
    PlainButton* m_clear = nullptr;
};

} // namespace ambertrove
