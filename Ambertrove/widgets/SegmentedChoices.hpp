#pragma once

#include <QList>
#include <QVariant>
#include <QWidget>

#include <vector>

class QAbstractButton;

namespace ambertrove {

// A row of mutually exclusive text buttons bound to one value. A button is highlighted when its value
// equals the selection (values are compared, not positions, so two choices with equal values highlight
// together, and a selection no choice carries highlights none). The buttons share the row's width.
class SegmentedChoices final : public QWidget {
    Q_OBJECT

public:
    struct Choice {
        QString title;
        QVariant value;
    };

    static constexpr int kPadding = 2;
    static constexpr int kSpacing = 1;
    static constexpr int kFontSize = 10;

    explicit SegmentedChoices(const QList<Choice>& choices, const QVariant& selection = {}, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SegmentedChoices)

    [[nodiscard]] const QList<Choice>& choices() const { return m_choices; }
    [[nodiscard]] QVariant selection() const { return m_selection; }
    // Sets the value the row shows; emits selectionChanged only when it differs.
    void setSelection(const QVariant& value);

    [[nodiscard]] int count() const { return int(m_choices.size()); }
    [[nodiscard]] bool isHighlighted(int index) const;
    [[nodiscard]] QAbstractButton* button(int index) const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    void selectionChanged(const QVariant& value);
    // The user pressed the button of `value` (also when it was already selected).
    void activated(const QVariant& value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void placeButtons();
    [[nodiscard]] QSize buttonSize() const;

    QList<Choice> m_choices;
    QVariant m_selection;
    std::vector<QAbstractButton*> m_buttons;
};

} // namespace ambertrove
