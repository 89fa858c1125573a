#pragma once

#include <QWidget>

class QLabel;

namespace ambertrove {

// The heading row of a tool section: a large title with a short explanation under it, and the section's
// own controls at the trailing edge, at least 12 pixels from the texts. The subtitle wraps rather than run
// under the controls.
class ToolHeading final : public QWidget {
    Q_OBJECT

public:
    // `action` (may be null) is taken over as the row's trailing controls.
    ToolHeading(const QString& title, const QString& subtitle, QWidget* action, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ToolHeading)

    [[nodiscard]] QLabel* titleLabel() const { return m_title; }
    [[nodiscard]] QLabel* subtitleLabel() const { return m_subtitle; }
    [[nodiscard]] QWidget* action() const { return m_action; }

private:
    QLabel* m_title;
    QLabel* m_subtitle;
    QWidget* m_action;
};

} // namespace ambertrove
