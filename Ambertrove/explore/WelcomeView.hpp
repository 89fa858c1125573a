#pragma once

#include <QWidget>

namespace ambertrove {

class AppModel;
class BusyIndicator;
class TroveButton;

// The start screen of the Explore section while no scan is loaded: an illustration, a title, one line of
// explanation, the two buttons that start a first scan and, when saved scans exist, the button that
// reopens the newest one.
class WelcomeView final : public QWidget {
    Q_OBJECT

public:
    explicit WelcomeView(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(WelcomeView)

    [[nodiscard]] TroveButton* scanFolderButton() const { return m_scanFolder; }
    [[nodiscard]] TroveButton* scanFullButton() const { return m_scanFull; }
    // Present only when saved scans existed as the screen was built.
    [[nodiscard]] TroveButton* openLastButton() const { return m_openLast; }
    [[nodiscard]] BusyIndicator* busyIndicator() const { return m_busy; }

private:
    void refresh();

    AppModel& m_model;
    TroveButton* m_scanFolder = nullptr;
    TroveButton* m_scanFull = nullptr;
    TroveButton* m_openLast = nullptr;
    BusyIndicator* m_busy = nullptr;
};

} // namespace ambertrove
