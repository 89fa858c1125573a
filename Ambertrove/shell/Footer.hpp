#pragma once

#include <QString>
#include <QWidget>

namespace ambertrove {

class AppModel;
class CleanupBadge;
class ElidedLabel;

// The strip below the window's content: the application's name, the status of the running work and the
// Cleanup button with the queue's size.
class Footer final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 34;

    explicit Footer(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(Footer)

    // The status of the first work that runs, in this order: cleanup, scan, duplicate search, saved-scan
    // job, applications inventory; "Ready" when none does.
    [[nodiscard]] static QString statusText(const AppModel& model);

    [[nodiscard]] QString shownStatus() const;
    [[nodiscard]] CleanupBadge* cleanupButton() const { return m_cleanup; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refreshStatus();
    void refreshQueue();

    AppModel& m_model;
    ElidedLabel* m_status = nullptr;
    CleanupBadge* m_cleanup = nullptr;
};

} // namespace ambertrove
