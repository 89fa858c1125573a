#include "platform/Clipboard.hpp"

#include <QClipboard>
#include <QGuiApplication>

namespace ambertrove::Clipboard {

void copyText(const QString& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(text, QClipboard::Clipboard);
}

} // namespace ambertrove::Clipboard
