#include "shell/Footer.hpp"

#include "controller/AppModel.hpp"
#include "shell/CleanupBadge.hpp"
#include "shell/Rule.hpp"
#include "shell/SymbolView.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ElidedLabel.hpp"
#include "widgets/ViewText.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace ambertrove {

QString Footer::statusText(const AppModel& model) {
    if (model.cleaning())
        return model.cleanupProgress() ? QString::fromStdString(model.cleanupProgress()->message)
                                       : QStringLiteral("Preparing cleanup…");
    if (model.scanning())
        return QStringLiteral("Scanning…");
    if (model.findingDuplicates())
        return QStringLiteral("Comparing files…");
    if (model.snapshotBusy())
        return model.snapshotStatus();
    if (model.inspectingApps())
        return QStringLiteral("Reading applications…");
    return QStringLiteral("Ready");
}

Footer::Footer(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    setFixedHeight(kHeight);
    const QFont font = ViewText::font(10);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(19, 0, 19, 0);
    layout->setSpacing(7);
    layout->addWidget(new SymbolView(QStringLiteral("paperplane.fill"), 11, ColorRole::accent, this));
    auto* name = new QLabel(QStringLiteral("Ambertrove"), this);
    name->setTextFormat(Qt::PlainText);
    name->setFont(ViewText::font(10, QFont::DemiBold));
    layout->addWidget(name);
    layout->addStretch(1);
    layout->addWidget(SymbolView::dot(5, ColorRole::accent, this));
    m_status = new ElidedLabel(QString(), Qt::ElideRight, this);
    m_status->setFont(font);
    m_status->setColor(Appearance::role(ColorRole::muted));
    layout->addWidget(m_status);
    layout->addSpacing(8 - layout->spacing());
    auto* rule = new Rule(Qt::Vertical, this);
    rule->setFixedHeight(12);
    layout->addWidget(rule);
    layout->addSpacing(8 - layout->spacing());
    m_cleanup = new CleanupBadge(this);
    // Unlike a tab, the button keeps the filter text.
    connect(m_cleanup, &CleanupBadge::clicked, this, [this] { m_model.setSection(AppSection::cleanup); });
    layout->addWidget(m_cleanup);

    for (const auto signal : {&AppModel::scanChanged, &AppModel::cleanupChanged, &AppModel::duplicatesChanged,
                              &AppModel::snapshotsChanged, &AppModel::applicationsChanged})
        connect(&m_model, signal, this, &Footer::refreshStatus);
    connect(&m_model, &AppModel::cleanupChanged, this, &Footer::refreshQueue);
    refreshStatus();
    refreshQueue();
}

QString Footer::shownStatus() const {
    return m_status->text();
}

void Footer::refreshStatus() {
    const QString status = statusText(m_model);
    if (status != m_status->text())
        m_status->setText(status);
}

void Footer::refreshQueue() {
    m_cleanup->setQueue(std::int64_t(m_model.queue().size()), m_model.queueBytes());
}

void Footer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Appearance::role(ColorRole::panel));
}

} // namespace ambertrove
