#pragma once

#include <QString>

namespace ambertrove::Clipboard {

// Replaces the clipboard's contents with `text` as plain text.
void copyText(const QString& text);

} // namespace ambertrove::Clipboard
