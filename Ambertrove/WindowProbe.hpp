#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace ambertrove {

class AppModel;
class MainWindow;

// A read-back channel for the test that drives the real program under an X server with real keys and
// clicks: it reads commands on standard input and answers each with one line on standard output. It only
// reports what the window shows and saves pictures of it; it changes nothing in the window or the model.
//
// Commands:
//   state        -> "probe-state {JSON}": the controller's visible state, the top-level windows, the
//                   visible widgets with their texts and screen rectangles, the open menus' items, the
//                   rows of item views and painted lists.
//   grab PATH    -> "probe-grab ok" or "probe-grab failed REASON": the window's area of the screen as a PNG.
// Rectangles are in the screen's pixels, as the X server and its input tools count them.
//
// It exists in every build but starts only when the environment variable kVariable is "stdio"; the
// program then reads its standard input, which it never does otherwise.
class WindowProbe final : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kVariable = "AmbertroveTestWindowProbe";

    WindowProbe(AppModel& model, MainWindow& window, QObject* parent = nullptr);
    ~WindowProbe() override;
    Q_DISABLE_COPY_MOVE(WindowProbe)

    // A probe listening on standard input when the environment asks for one, else nullptr; the window
    // owns it.
    static WindowProbe* startIfAsked(AppModel& model, MainWindow& window);
    // Whether the environment asks for a probe.
    [[nodiscard]] static bool asked();

    // The answer line to one command line (without its line end).
    [[nodiscard]] QByteArray answer(const QByteArray& command) const;
    [[nodiscard]] QJsonObject state() const;
    // Saves the window's area of the screen; the reason when it could not.
    [[nodiscard]] QString grab(const QString& path) const;

private:
    void listen();
    void readInput();

    AppModel& m_model;
    MainWindow& m_window;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_pending;
};

} // namespace ambertrove
