#include "screens/TimeMachineCard.hpp"

#include "controller/AppModel.hpp"
#include "widgets/Card.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/SectionCaption.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ambertrove {

TimeMachineCard::TimeMachineCard(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(13);
    auto* heading = new QHBoxLayout;
    heading->addWidget(new SectionCaption(QStringLiteral("Time Machine local snapshots"), QString(), content),
                       1);
    m_refresh = new TroveButton(QStringLiteral("Refresh"), {false, true}, content);
    connect(m_refresh, &TroveButton::clicked, this, [this] { m_model.refreshTimeMachine(); });
    heading->addWidget(m_refresh);
    layout->addLayout(heading);
    auto* note = plainLabel(
        ViewText::font(11), ColorRole::muted, content,
        QStringLiteral("Managed by macOS — these snapshots may retain space after files are deleted."));
    note->setWordWrap(true);
    layout->addWidget(note);
    m_status = plainLabel(ViewText::font(11), ColorRole::ink, content);
    m_status->setWordWrap(true);
    layout->addWidget(m_status);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(10);
    m_names = plainLabel(mono, ColorRole::muted, content);
    m_names->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_names);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(new Card(content, this));

    connect(&m_model, &AppModel::snapshotsChanged, this, &TimeMachineCard::refresh);
    refresh();
}

void TimeMachineCard::refresh() {
    const QString& status = m_model.timeMachineStatus();
    m_status->setText(status.isEmpty() ? QStringLiteral("Choose Refresh to list local snapshots.") : status);
    m_names->setText(m_model.timeMachine().join(QLatin1Char('\n')));
    m_names->setVisible(!m_model.timeMachine().isEmpty());
}

} // namespace ambertrove
