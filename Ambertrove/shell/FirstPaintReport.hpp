#pragma once

#include <QObject>

#include <string>

class QWidget;

namespace ambertrove {

// Tells a benchmark when a window was first painted. With the variable set to a file's path, the window's
// first frame, once drawn, writes one line "first_paint_ns=N" to that file (atomically), N being the
// monotonic clock (std::chrono::steady_clock) in nanoseconds, and the report then removes itself. Without
// the variable nothing is installed and nothing is looked at.
class FirstPaintReport final : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kVariable = "AmbertroveFirstPaintFile";

    // Watches `window` for its first paint when the variable names a file.
    static void installFromEnvironment(QWidget& window);

    // Watches `window`; the report writes to `path`. It belongs to the window.
    FirstPaintReport(QWidget& window, std::string path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void write();

    std::string m_path;
    bool m_painted = false;
};

} // namespace ambertrove
