#pragma once

#include <QProcess>
#include <QString>

namespace ambertrove::test {

// A display of its own for one test: an X server started by `xvfb-run -a` (the first free display
// number, so that tests running side by side never share one). xvfb-run runs a small holder that reports
// the display and its authority file and then waits on its input; closing that input ends the holder,
// and xvfb-run then stops the server and removes its files. If this process dies, the input closes too.
class VirtualDisplay {
public:
    // Whether xvfb-run can be found on the PATH.
    [[nodiscard]] static bool available();

    // Starts the server with a screen of `width` x `height`; throws std::runtime_error when it does not
    // come up within `timeoutMs`.
    VirtualDisplay(int width, int height, int timeoutMs);
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // ":99" and the authority file, as a client of this server needs them in DISPLAY and XAUTHORITY.
    [[nodiscard]] const QString& display() const { return m_display; }
    [[nodiscard]] const QString& authority() const { return m_authority; }

private:
    void stop();

    QProcess m_holder;
    QString m_display;
    QString m_authority;
};

} // namespace ambertrove::test
