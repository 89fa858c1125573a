#include "window/VirtualDisplay.hpp"

#include <QDeadlineTimer>
#include <QStandardPaths>

#include <stdexcept>

namespace ambertrove::test {

bool VirtualDisplay::available() {
    return !QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty();
}

VirtualDisplay::VirtualDisplay(int width, int height, int timeoutMs) {
    // 96 dots per inch, so that the program draws at one screen pixel per logical pixel.
    const QString server = QStringLiteral("-screen 0 %1x%2x24 -dpi 96").arg(width).arg(height);
    const QString holder =
        QStringLiteral("printf '%s %s\\n' \"$DISPLAY\" \"$XAUTHORITY\"; exec cat >/dev/null");
    m_holder.setProcessChannelMode(QProcess::SeparateChannels);
    m_holder.start(QStringLiteral("xvfb-run"), {QStringLiteral("-a"), QStringLiteral("-s"), server,
                                                QStringLiteral("sh"), QStringLiteral("-c"), holder});
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_holder.canReadLine()) {
        if (deadline.hasExpired() || !m_holder.waitForReadyRead(int(deadline.remainingTime()))) {
            if (m_holder.canReadLine())
                break;
            const QString errors = QString::fromLocal8Bit(m_holder.readAllStandardError());
            stop();
            throw std::runtime_error("xvfb-run did not start an X server: " + errors.toStdString());
        }
    }
    const QStringList words = QString::fromLocal8Bit(m_holder.readLine()).trimmed().split(u' ');
    if (words.size() != 2 || !words[0].startsWith(u':')) {
        stop();
        throw std::runtime_error("xvfb-run reported no display: " + words.join(u' ').toStdString());
    }
    m_display = words[0];
    m_authority = words[1];
}

VirtualDisplay::~VirtualDisplay() {
    stop();
}

void VirtualDisplay::stop() {
    // xvfb-run stops the server when its command ends; a signal would leave the server behind.
    m_holder.closeWriteChannel();
    if (!m_holder.waitForFinished(10000)) {
        m_holder.kill();
        m_holder.waitForFinished(2000);
    }
}

} // namespace ambertrove::test
