#pragma once

#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace ambertrove::test {

// A step of the walk that did not happen in time, or a program that ended.
class WalkFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The real program on a display, asked through its probe what it shows, and given real keys and clicks
// with xdotool (XTEST input, as a person's mouse and keyboard give). Every wait polls the probe until its
// condition holds and throws WalkFailure at its deadline.
class ProbedWindow {
public:
    // `environment` is the whole environment of the program (nothing is inherited); the probe's
    // variable is added.
    ProbedWindow(const QString& program, const QStringList& arguments, QProcessEnvironment environment);
    ~ProbedWindow();
    ProbedWindow(const ProbedWindow&) = delete;
    ProbedWindow& operator=(const ProbedWindow&) = delete;

    // The probe's latest report.
    [[nodiscard]] QJsonObject state();
    // Polls until `holds` is true of a report, which it returns; throws with `what` after `timeoutMs`.
    QJsonObject waitFor(const QString& what, const std::function<bool(const QJsonObject&)>& holds,
                        int timeoutMs = 15000);
    // The window's area of the screen, saved as a PNG.
    void grab(const QString& path);

    // Clicks `button` at `at`, then leaves the pointer at the screen's corner, off the window, so that no
    // hover effect or tooltip stays behind.
    void click(QPoint at, int button = 1);
    // A key combination in xdotool's words: "ctrl+k", "Return".
    void key(const QString& combination);
    void type(const QString& text);

    // What the program wrote on its error output so far.
    [[nodiscard]] QString errors();
    // Waits for the program to end by itself; its exit code, or nothing when it is still running.
    std::optional<int> waitForExit(int timeoutMs);
    // Ends the program: closes its input, then terminates it, then kills it.
    void stop();

private:
    QJsonObject request(const QByteArray& command, const QByteArray& replyPrefix, QByteArray* reply);
    void xdotool(const QStringList& arguments);

    QProcess m_program;
    QProcessEnvironment m_environment;
    QString m_errors;
};

// ---- reading a report ------------------------------------------------------------------------------------

// The first reported widget for which `matches` holds.
[[nodiscard]] std::optional<QJsonObject> findWidget(const QJsonObject& state,
                                                    const std::function<bool(const QJsonObject&)>& matches);
// The first widget of a class (its name without the namespace) with this text or accessible name.
[[nodiscard]] std::optional<QJsonObject> findWidget(const QJsonObject& state, const QString& className,
                                                    const QString& text);
// The class of the top-level window a widget is in.
[[nodiscard]] QString windowClass(const QJsonObject& state, const QJsonObject& widget);
// The item of an open menu with this text.
[[nodiscard]] std::optional<QJsonObject> findMenuItem(const QJsonObject& state, const QString& text);
[[nodiscard]] QRect rectOf(const QJsonObject& object);
[[nodiscard]] QPoint centreOf(const QJsonObject& object);
// A short account of a report for a failure message.
[[nodiscard]] QString summary(const QJsonObject& state);

} // namespace ambertrove::test
