#include "shell/FirstPaintReport.hpp"

#include "platform/AtomicFile.hpp"

#include <QEvent>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace ambertrove {

void FirstPaintReport::installFromEnvironment(QWidget& window) {
    const char* path = std::getenv(kVariable);
    if (path && *path)
        new FirstPaintReport(window, path);
}

FirstPaintReport::FirstPaintReport(QWidget& window, std::string path)
    : QObject(&window)
    , m_path(std::move(path)) {
    window.installEventFilter(this);
}

bool FirstPaintReport::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        watched->removeEventFilter(this);
        // The window's paint comes first in its frame, its children's after: the time is taken once the
        // whole frame is drawn and the event loop has it back.
        QMetaObject::invokeMethod(this, &FirstPaintReport::write, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void FirstPaintReport::write() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const long long nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    try {
        writeFileAtomically(m_path, "first_paint_ns=" + std::to_string(nanoseconds) + "\n");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ambertrove: cannot write the first paint's time to %s: %s\n", m_path.c_str(),
                     error.what());
    }
    deleteLater();
}

} // namespace ambertrove
