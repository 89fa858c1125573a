#include "shell/HelpText.hpp"

#include "widgets/ViewText.hpp"

#include <QLabel>

namespace ambertrove::HelpText {

QLabel* make(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text + QStringLiteral(". ") + QString::fromUtf8(kLinuxNote), parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(ViewText::font(12));
    // The muted colour of the palette, which follows the forced appearance.
    label->setForegroundRole(QPalette::PlaceholderText);
    label->setAccessibleDescription(QStringLiteral("Help"));
    return label;
}

} // namespace ambertrove::HelpText
