#pragma once

#include <QWidget>

class QLabel;

namespace ambertrove {

class AppModel;
class TroveButton;

// The card of the local Time Machine snapshots of the startup volume: "Refresh" asks the controller to
// list them; the card shows the listing's status and the names it found. It changes nothing. (No such
// listing exists on this system: its failure text is the status.)
class TimeMachineCard final : public QWidget {
    Q_OBJECT

public:
    explicit TimeMachineCard(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(TimeMachineCard)

    [[nodiscard]] TroveButton* refreshButton() const { return m_refresh; }
    [[nodiscard]] QLabel* statusLabel() const { return m_status; }
    // The names, one a line; hidden when there are none.
    [[nodiscard]] QLabel* namesLabel() const { return m_names; }

private:
    void refresh();

    AppModel& m_model;
    TroveButton* m_refresh = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_names = nullptr;
};

} // namespace ambertrove
