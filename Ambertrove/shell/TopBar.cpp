#include "shell/TopBar.hpp"

#include "controller/AppModel.hpp"
#include "shell/FilterField.hpp"
#include "shell/SectionTab.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>

namespace ambertrove {

TopBar::TopBar(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    setFixedHeight(kHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 0, 18, 0);
    layout->setSpacing(6);

    for (const AppSection section : allCases<AppSection>()) {
        auto* tab = new SectionTab(section, this);
        connect(tab, &SectionTab::clicked, this, [this, section] {
            m_model.setSection(section);
            m_model.setFilter(QString());
        });
        m_tabs.push_back(tab);
        layout->addWidget(tab);
    }
    layout->addStretch(1);

    m_filter = new FilterField(this);
    m_filter->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_filter, &FilterField::edited, this, [this](const QString& text) { m_model.setFilter(text); });
    layout->addWidget(m_filter);

    const TroveButtonStyle compact{false, true};
    m_labels = new TroveButton(QStringLiteral("A"), compact, this);
    m_labels->setToolTip(QStringLiteral("Draw labels on visualisations"));
    m_labels->setAccessibleName(QStringLiteral("Draw labels on visualisations"));
    connect(m_labels, &TroveButton::clicked, this, [this] { m_model.setShowLabels(!m_model.showLabels()); });
    layout->addWidget(m_labels);

    m_sizeMode = new TroveButton(compact, QStringLiteral("internaldrive"), QString(), this);
    connect(m_sizeMode, &TroveButton::clicked, this, [this] { m_model.setLogical(!m_model.logical()); });
    layout->addWidget(m_sizeMode);

    m_theme = new QToolButton(this);
    m_theme->setAutoRaise(true);
    m_theme->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_theme->setFont(ViewText::font(12, QFont::Medium));
    m_theme->setCursor(Qt::PointingHandCursor);
    m_theme->setContentsMargins(8, 0, 8, 0);
    m_themeMenu = new QMenu(m_theme);
    buildThemeMenu();
    // Opened with popup(), so that nothing waits in a nested event loop.
    connect(m_theme, &QToolButton::clicked, this,
            [this] { m_themeMenu->popup(m_theme->mapToGlobal(QPoint(0, m_theme->height()))); });
    layout->addWidget(m_theme);

    m_inspector = new TroveButton(compact, QStringLiteral("sidebar.right"), QString(), this);
    m_inspector->setToolTip(QStringLiteral("Toggle inspector"));
    m_inspector->setAccessibleName(QStringLiteral("Toggle inspector"));
    connect(m_inspector, &TroveButton::clicked, this,
            [this] { m_model.setShowInspector(!m_model.showInspector()); });
    layout->addWidget(m_inspector);

    connect(&m_model, &AppModel::displayChanged, this, &TopBar::refresh);
    refresh();
}

void TopBar::buildThemeMenu() {
    QAction* heading = m_themeMenu->addAction(QStringLiteral("Color theme"));
    heading->setEnabled(false);
    auto* themes = new QActionGroup(m_themeMenu);
    themes->setExclusive(true);
    for (const AppTheme theme : allCases<AppTheme>()) {
        QAction* choice = m_themeMenu->addAction(rawValue(theme));
        choice->setCheckable(true);
        choice->setData(int(theme));
        themes->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, theme] { m_model.setTheme(theme); });
    }
    m_themeMenu->addSeparator();
    QAction* dark = m_themeMenu->addAction(QStringLiteral("Dark appearance"));
    dark->setCheckable(true);
    connect(dark, &QAction::triggered, this, [this](bool on) { m_model.setDark(on); });
    connect(m_themeMenu, &QMenu::aboutToShow, this, [this, dark] {
        dark->setChecked(m_model.dark());
        for (QAction* action : m_themeMenu->actions())
            if (action->isCheckable() && action != dark)
                action->setChecked(action->data().toInt() == int(m_model.theme()));
    });
}

SectionTab* TopBar::tab(AppSection section) const {
    for (SectionTab* tab : m_tabs)
        if (tab->section() == section)
            return tab;
    return nullptr;
}

void TopBar::refresh() {
    const AppSection section = m_model.section();
    for (SectionTab* tab : m_tabs)
        tab->setSelected(tab->section() == section);
    const bool explore = section == AppSection::explore;
    m_filter->setVisible(explore || section == AppSection::duplicates);
    m_filter->setText(m_model.filter());
    m_labels->setVisible(explore && isGraph(m_model.storageView()));
    m_labels->setAccessibleDescription(m_model.showLabels() ? QStringLiteral("On") : QStringLiteral("Off"));
    m_sizeMode->setVisible(explore);
    m_sizeMode->setSymbol(m_model.logical() ? QStringLiteral("doc") : QStringLiteral("internaldrive"));
    m_sizeMode->setToolTip(m_model.logical() ? QStringLiteral("Showing logical size")
                                             : QStringLiteral("Showing size on disk"));
    m_sizeMode->setAccessibleName(m_sizeMode->toolTip());
    m_inspector->setVisible(explore);

    const QString themeSymbol = m_model.dark() ? QStringLiteral("moon") : QStringLiteral("sun.max");
    m_theme->setText(m_model.dark() ? QStringLiteral("Night") : rawValue(m_model.theme()));
    m_theme->setIcon(Icons::icon(themeSymbol, Appearance::role(ColorRole::ink)));
    m_theme->setAccessibleName(QStringLiteral("Color theme"));
    updateWidths();
}

void TopBar::updateWidths() {
    const int barWidth = width();
    const AppSection section = m_model.section();
    for (SectionTab* tab : m_tabs)
        tab->setShowsTitle(barWidth >= kAllTitlesFrom || tab->section() == AppSection::cleanup ||
                           tab->section() == section);
    m_filter->setBarWidth(barWidth);
}

void TopBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateWidths();
}

} // namespace ambertrove
