#include "shell/ReviewSheet.hpp"

#include "controller/AppModel.hpp"
#include "shell/StandInPanel.hpp"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace ambertrove {

ReviewSheet::ReviewSheet(AppModel&, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Review Cleanup"));
    setWindowModality(Qt::WindowModal);
    resize(620, 420);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StandInPanel::make(QStringLiteral("trash"), QStringLiteral("Review Cleanup"), this), 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(close);
    layout->addLayout(buttons);
}

} // namespace ambertrove
