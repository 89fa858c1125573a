#include "window/ProbedWindow.hpp"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>

namespace ambertrove::test {

namespace {

// How long one answer of the probe may take: a report is made in a few milliseconds, but the machine may
// be busy with other tests.
constexpr int kAnswerTimeoutMs = 20000;
// The pause between two reports while a condition is polled.
constexpr int kPollIntervalMs = 25;

} // namespace

ProbedWindow::ProbedWindow(const QString& program, const QStringList& arguments,
                           QProcessEnvironment environment)
    : m_environment(std::move(environment)) {
    QProcessEnvironment programEnvironment = m_environment;
    programEnvironment.insert(QStringLiteral("AmbertroveTestWindowProbe"), QStringLiteral("stdio"));
    m_program.setProcessEnvironment(programEnvironment);
    m_program.setProcessChannelMode(QProcess::SeparateChannels);
    m_program.start(program, arguments);
    if (!m_program.waitForStarted(10000))
        throw WalkFailure("the program did not start: " + m_program.errorString().toStdString());
}

ProbedWindow::~ProbedWindow() {
    stop();
}

QJsonObject ProbedWindow::request(const QByteArray& command, const QByteArray& replyPrefix,
                                  QByteArray* reply) {
    if (m_program.state() != QProcess::Running)
        throw WalkFailure("the program is not running (exit code " + std::to_string(m_program.exitCode()) +
                          "); its errors:\n" + errors().toStdString());
    m_program.write(command + '\n');
    m_program.waitForBytesWritten(kAnswerTimeoutMs);
    const QDeadlineTimer deadline(kAnswerTimeoutMs);
    for (;;) {
        while (m_program.canReadLine()) {
            const QByteArray line = m_program.readLine().trimmed();
            if (line.startsWith(replyPrefix)) {
                const QByteArray rest = line.mid(replyPrefix.size()).trimmed();
                if (reply)
                    *reply = rest;
                if (!rest.startsWith('{'))
                    return {};
                QJsonParseError error{};
                const QJsonDocument document = QJsonDocument::fromJson(rest, &error);
                if (error.error != QJsonParseError::NoError)
                    throw WalkFailure("the probe's report is not JSON: " + error.errorString().toStdString());
                return document.object();
            }
        }
        if (m_program.state() != QProcess::Running)
            throw WalkFailure("the program ended (exit code " + std::to_string(m_program.exitCode()) +
                              "); its errors:\n" + errors().toStdString());
        if (deadline.hasExpired())
            throw WalkFailure("the probe did not answer \"" + command.toStdString() + "\"");
        m_program.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
}

QJsonObject ProbedWindow::state() {
    return request("state", "probe-state", nullptr);
}

QJsonObject ProbedWindow::waitFor(const QString& what, const std::function<bool(const QJsonObject&)>& holds,
                                  int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QJsonObject last;
    for (;;) {
        last = state();
        if (holds(last))
            return last;
        if (deadline.hasExpired())
            throw WalkFailure("timed out waiting for: " + what.toStdString() +
                              "\nlast report: " + summary(last).toStdString());
        QThread::msleep(kPollIntervalMs);
    }
}

void ProbedWindow::grab(const QString& path) {
    QByteArray reply;
    request("grab " + path.toUtf8(), "probe-grab", &reply);
    if (reply != "ok")
        throw WalkFailure("no picture " + path.toStdString() + ": " + reply.toStdString());
}

void ProbedWindow::xdotool(const QStringList& arguments) {
    QProcess tool;
    tool.setProcessEnvironment(m_environment);
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        throw WalkFailure("xdotool " + arguments.join(u' ').toStdString() + " failed: " +
                          (tool.error() == QProcess::FailedToStart ? std::string("it is not installed")
                                                                   : tool.readAll().toStdString()));
}

void ProbedWindow::click(QPoint at, int button) {
    xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
             QStringLiteral("click"), QString::number(button), QStringLiteral("mousemove"),
             QStringLiteral("0"), QStringLiteral("0")});
}

void ProbedWindow::key(const QString& combination) {
    xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), combination});
}

void ProbedWindow::type(const QString& text) {
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("4"), text});
}

QString ProbedWindow::errors() {
    m_errors += QString::fromLocal8Bit(m_program.readAllStandardError());
    return m_errors;
}

std::optional<int> ProbedWindow::waitForExit(int timeoutMs) {
    if (m_program.state() != QProcess::NotRunning && !m_program.waitForFinished(timeoutMs))
        return std::nullopt;
    return m_program.exitStatus() == QProcess::NormalExit ? m_program.exitCode() : -1;
}

void ProbedWindow::stop() {
    if (m_program.state() == QProcess::NotRunning)
        return;
    m_program.closeWriteChannel();
    m_program.terminate();
    if (!m_program.waitForFinished(5000)) {
        m_program.kill();
        m_program.waitForFinished(2000);
    }
}

// ---- reading a report ------------------------------------------------------------------------------------

std::optional<QJsonObject> findWidget(const QJsonObject& state,
                                      const std::function<bool(const QJsonObject&)>& matches) {
    for (const QJsonValue& value : state["widgets"].toArray())
        if (matches(value.toObject()))
            return value.toObject();
    return std::nullopt;
}

std::optional<QJsonObject> findWidget(const QJsonObject& state, const QString& className,
                                      const QString& text) {
    return findWidget(state, [&](const QJsonObject& widget) {
        return widget["class"].toString() == className &&
               (widget["text"].toString() == text || widget["accessible"].toString() == text);
    });
}

QString windowClass(const QJsonObject& state, const QJsonObject& widget) {
    const QJsonArray windows = state["windows"].toArray();
    const int index = widget["window"].toInt(-1);
    return index >= 0 && index < windows.size() ? windows[index].toObject()["class"].toString() : QString();
}

std::optional<QJsonObject> findMenuItem(const QJsonObject& state, const QString& text) {
    for (const QJsonValue& menu : state["menus"].toArray())
        for (const QJsonValue& item : menu.toObject()["items"].toArray())
            if (item.toObject()["text"].toString() == text)
                return item.toObject();
    return std::nullopt;
}

QRect rectOf(const QJsonObject& object) {
    const QJsonArray rect = object["rect"].toArray();
    return {rect[0].toInt(), rect[1].toInt(), rect[2].toInt(), rect[3].toInt()};
}

QPoint centreOf(const QJsonObject& object) {
    return rectOf(object).center();
}

QString summary(const QJsonObject& state) {
    QJsonObject brief{{QStringLiteral("model"), state["model"]},
                      {QStringLiteral("content"), state["content"]},
                      {QStringLiteral("windows"), state["windows"]},
                      {QStringLiteral("menus"), state["menus"]},
                      {QStringLiteral("focus"), state["focus"]}};
    return QString::fromUtf8(QJsonDocument(brief).toJson(QJsonDocument::Indented));
}

} // namespace ambertrove::test
