#include "explore/WelcomeView.hpp"

#include "explore/WelcomeIllustration.hpp"

#include "controller/AppModel.hpp"
#include "scan/ScanPaths.hpp"
#include "shell/BusyIndicator.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"
#include "widgets/PlainLabel.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ambertrove {

namespace {

QLabel* centredText(const QString& text, const QFont& font, ColorRole role, QWidget* parent) {
    QLabel* label = plainLabel(font, role, parent, text);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

WelcomeView::WelcomeView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(20);
    layout->addStretch(1);
    auto* illustration = new WelcomeIllustration(this);
    layout->addWidget(illustration, 0, Qt::AlignHCenter);
    layout->addSpacing(6);
    layout->addWidget(centredText(QStringLiteral("Explore your storage"), ViewText::font(34, QFont::DemiBold),
                                  ColorRole::ink, this));
    layout->addWidget(centredText(QStringLiteral("Scan a folder to see what’s taking up space."),
                                  ViewText::font(14), ColorRole::muted, this));

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addStretch(1);
    m_scanFolder =
        new TroveButton({true, false}, QStringLiteral("folder"), QStringLiteral("Scan a folder"), this);
    m_scanFolder->setFixedWidth(140 + m_scanFolder->buttonStyle().padding().left() * 2);
    connect(m_scanFolder, &TroveButton::clicked, this, [this] { m_model.chooseFolder(false, true); });
    buttons->addWidget(m_scanFolder);
    m_scanFull = new TroveButton({false, false}, QStringLiteral("internaldrive"),
                                 QStringLiteral("Scan Full Mac"), this);
    m_scanFull->setFixedWidth(130 + m_scanFull->buttonStyle().padding().left() * 2);
    connect(m_scanFull, &TroveButton::clicked, this,
            [this] { m_model.startScan(std::string(ScanPaths::systemRoot), false); });
    buttons->addWidget(m_scanFull);
    buttons->addStretch(1);
    layout->addSpacing(10);
    layout->addLayout(buttons);

    if (!m_model.snapshots().empty()) {
        m_openLast = new TroveButton({false, true}, QStringLiteral("clock.arrow.circlepath"),
                                     QStringLiteral("Open last scan"), this);
        // The newest saved scan as the screen was built.
        const SnapshotRecord newest = m_model.snapshots().front();
        connect(m_openLast, &TroveButton::clicked, this, [this, newest] { m_model.openSnapshot(newest); });
        layout->addWidget(m_openLast, 0, Qt::AlignHCenter);
        m_busy = new BusyIndicator(14, this);
        layout->addWidget(m_busy, 0, Qt::AlignHCenter);
        connect(&m_model, &AppModel::snapshotsChanged, this, &WelcomeView::refresh);
    }
    layout->addStretch(1);
    refresh();
}

void WelcomeView::refresh() {
    if (!m_openLast)
        return;
    m_openLast->setEnabled(!m_model.snapshotBusy());
    m_busy->setVisible(m_model.snapshotBusy());
}

} // namespace ambertrove
