#pragma once

#include <QWidget>

namespace ambertrove {

class AppModel;
class ClampedLabel;
class PlainButton;

// The informational message over the section content: the controller's notice, "Details" while the shown
// scan skipped entries, and a close button. It stays until it is closed or the controller replaces it;
// it hides itself while there is no notice.
class NoticeBanner final : public QWidget {
    Q_OBJECT

public:
    explicit NoticeBanner(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(NoticeBanner)

    [[nodiscard]] QString text() const;
    [[nodiscard]] PlainButton* detailsButton() const { return m_details; }
    [[nodiscard]] PlainButton* closeButton() const { return m_close; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    AppModel& m_model;
    ClampedLabel* m_text = nullptr;
    PlainButton* m_details = nullptr;
    PlainButton* m_close = nullptr;
};

} // namespace ambertrove
