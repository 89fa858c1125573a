#include "shell/StandInPanel.hpp"

#include "widgets/EmptyPanel.hpp"

#include <QVBoxLayout>

namespace ambertrove::StandInPanel {

QWidget* make(const QString& symbol, const QString& name, QWidget* parent) {
    auto* holder = new QWidget(parent);
    holder->setObjectName(QStringLiteral("standIn:") + name);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addStretch(1);
    layout->addWidget(new EmptyPanel(symbol, name, QString(), false, holder));
    layout->addStretch(1);
    return holder;
}

} // namespace ambertrove::StandInPanel
