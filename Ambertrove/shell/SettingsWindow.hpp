#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;

namespace ambertrove {

class AppModel;

// The settings window: one scrolling form bound to the controller's display and cleanup settings. Every
// change takes effect at once; there is nothing to apply or cancel. Escape and Ctrl+W close it. It uses the
// standard controls of the window's style, not the themed pieces, in the forced appearance.
class SettingsWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 560;
    static constexpr int kHeight = 720;

    explicit SettingsWindow(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SettingsWindow)

    [[nodiscard]] QCheckBox* darkToggle() const { return m_dark; }
    [[nodiscard]] QComboBox* themePicker() const { return m_theme; }
    [[nodiscard]] QCheckBox* hiddenToggle() const { return m_hidden; }
    [[nodiscard]] QCheckBox* allocatedToggle() const { return m_allocated; }
    [[nodiscard]] QCheckBox* labelsToggle() const { return m_labels; }
    [[nodiscard]] QCheckBox* backupToggle() const { return m_backup; }
    [[nodiscard]] QCheckBox* snapshotsToggle() const { return m_snapshots; }
    [[nodiscard]] QLabel* versionLabel() const { return m_version; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();

    AppModel& m_model;
    QCheckBox* m_dark = nullptr;
    QComboBox* m_theme = nullptr;
    QCheckBox* m_hidden = nullptr;
    QCheckBox* m_allocated = nullptr;
    QCheckBox* m_labels = nullptr;
    QCheckBox* m_backup = nullptr;
    QCheckBox* m_snapshots = nullptr;
    QLabel* m_version = nullptr;
};

} // namespace ambertrove
