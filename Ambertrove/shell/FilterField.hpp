#pragma once

#include <QWidget>

class QLineEdit;

namespace ambertrove {

class PlainButton;

// The top bar's name filter: a magnifying glass, a plain text field and, while there is text, a clear
// button, on a capsule. It shows the text it is given and reports what the user types. The same field
// also serves as a search box of a screen: a rounded rectangle as wide as its place.
class FilterField final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWideWidth = 170;
    static constexpr int kNarrowWidth = 145;
    // The bar width from which the field is wide.
    static constexpr int kWideFrom = 1240;

    explicit FilterField(QWidget* parent = nullptr);
    // A screen's search box with its own placeholder and clear button's name, corners of 8 pixels.
    FilterField(const QString& placeholder, const QString& clearText, QWidget* parent = nullptr);
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

    // 0 for a capsule.
    double m_cornerRadius = 0;
    QLineEdit* m_edit = nullptr;
    PlainButton* m_clear = nullptr;
};

} // namespace ambertrove
