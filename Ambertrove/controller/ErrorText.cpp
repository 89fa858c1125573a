#include "controller/ErrorText.hpp"

#include <system_error>

namespace ambertrove {

QString errorDescription(const std::exception& error) {
    QString text;
    if (const auto* system = dynamic_cast<const std::system_error*>(&error))
        text = QString::fromStdString(system->code().message());
    else
        text = QString::fromUtf8(error.what());
    text = text.trimmed();
    if (text.isEmpty())
        return QStringLiteral("An unknown error occurred.");
    text[0] = text[0].toUpper();
    if (!text.endsWith(u'.') && !text.endsWith(u'!') && !text.endsWith(u'?'))
        text += u'.';
    return text;
}

QString failureAbout(const QString& action, const std::string& path, const QString& description) {
    const QString shown = QString::fromUtf8(path.data(), qsizetype(path.size()));
    if (!shown.isEmpty() && description.contains(shown))
        return description;
    return QStringLiteral("Ambertrove could not %1 “%2”. %3").arg(action, shown, description);
}

} // namespace ambertrove
