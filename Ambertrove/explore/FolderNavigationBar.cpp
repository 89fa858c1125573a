#include "explore/FolderNavigationBar.hpp"

#include "controller/AppModel.hpp"
#include "shell/Rule.hpp"
#include "shell/SymbolView.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ScrollingRow.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>
#include <QShortcut>

namespace ambertrove {

namespace {

constexpr int kRuleHeight = 18;
constexpr int kRuleMargin = 3;
constexpr int kCrumbVertical = 5;
constexpr int kSeparatorSize = 8;

// One folder of the trail: its title, shortened in the middle past 220 pixels, semibold when it is the
// folder shown.
class CrumbButton final : public QAbstractButton {
public:
    CrumbButton(const QString& title, const std::string& path, bool current, QWidget* parent)
        : QAbstractButton(parent)
        , m_title(title)
        , m_current(current) {
        setText(ViewText::withoutMnemonic(title));
        setAccessibleName(title);
        setToolTip(ViewText::plainToolTip(ViewText::fromBytes(path)));
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        // The trail scrolls rather than squeezing its crumbs.
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    [[nodiscard]] bool isCurrent() const { return m_current; }
    [[nodiscard]] QFont textFont() const {
        return ViewText::font(11, m_current ? QFont::DemiBold : QFont::Normal);
    }
    [[nodiscard]] QString shownText() const {
        return ViewText::elided(QFontMetrics(textFont()), m_title, Qt::ElideMiddle, width());
    }

    [[nodiscard]] QSize sizeHint() const override {
        const QFontMetrics metrics(textFont());
        return {std::min(FolderNavigationBar::kCrumbMaximum, metrics.horizontalAdvance(m_title)),
                metrics.height() + 2 * kCrumbVertical};
    }
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(textFont());
        painter.setPen(Appearance::role(ColorRole::ink, isDown() ? 0.6 : 1.0));
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, shownText());
    }

private:
    QString m_title;
    bool m_current;
};

} // namespace

FolderNavigationBar::FolderNavigationBar(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    setFixedHeight(kHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kSpacing);

    m_back = new TroveButton({false, true}, QStringLiteral("chevron.left"), QStringLiteral("Back"), this);
    m_back->setToolTip(QStringLiteral("Back — ⌘["));
    m_forward = new TroveButton({false, true}, QStringLiteral("chevron.right"), QString(), this);
    m_forward->setToolTip(QStringLiteral("Forward — ⌘]"));
    m_forward->setAccessibleName(QStringLiteral("Forward"));
    m_up = new TroveButton({false, true}, QStringLiteral("arrow.up"), QStringLiteral("Up"), this);
    m_up->setToolTip(QStringLiteral("Parent folder — ⌘↑"));
    connect(m_back, &TroveButton::clicked, this, [this] { m_model.goBack(); });
    connect(m_forward, &TroveButton::clicked, this, [this] { m_model.goForward(); });
    connect(m_up, &TroveButton::clicked, this, [this] { m_model.goUp(); });
    // The command key of the shortcuts is Control here.
    const std::pair<TroveButton*, QKeySequence> shortcuts[] = {
        {m_back, QKeySequence(Qt::CTRL | Qt::Key_BracketLeft)},
        {m_forward, QKeySequence(Qt::CTRL | Qt::Key_BracketRight)},
        {m_up, QKeySequence(Qt::CTRL | Qt::Key_Up)}};
    for (const auto& [button, keys] : shortcuts) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled())
                button->click();
        });
    }
    layout->addWidget(m_back);
    layout->addWidget(m_forward);
    layout->addWidget(m_up);

    auto* rule = new Rule(Qt::Vertical, this);
    rule->setFixedSize(1, kRuleHeight);
    layout->addSpacing(kRuleMargin);
    layout->addWidget(rule, 0, Qt::AlignVCenter);
    layout->addSpacing(kRuleMargin);

    // The end of the trail stays in view as the trail or the bar changes width.
    m_trail = new ScrollingRow(kCrumbSpacing, this);
    m_trail->setKeepsEndInView(true);
    layout->addWidget(m_trail, 1);

    connect(&m_model, &AppModel::scanChanged, this, &FolderNavigationBar::refresh);
    connect(&m_model, &AppModel::progressChanged, this, &FolderNavigationBar::refresh);
    refresh();
}

bool FolderNavigationBar::isCurrent(const QAbstractButton* crumb) {
    return static_cast<const CrumbButton*>(crumb)->isCurrent();
}

QString FolderNavigationBar::shownText(const QAbstractButton* crumb) {
    return static_cast<const CrumbButton*>(crumb)->shownText();
}

void FolderNavigationBar::refresh() {
    const FolderNavigationHistory& history = m_model.displayedNavigation();
    m_back->setEnabled(!history.back.empty());
    m_forward->setEnabled(!history.forward.empty());
    m_up->setEnabled(m_model.canGoUp());

    const bool live = m_model.scanning();
    std::optional<std::string> current = m_model.displayedFolderPath();
    // A finished scan's trail changes only with the scan and the folder shown.
    if (!live && !m_trailLive && m_trailScan == m_model.scan().get() && current == m_current)
        return;
    m_trailLive = live;
    m_trailScan = live ? nullptr : m_model.scan().get();
    const std::vector<DiskNode> chain = m_model.navigationBreadcrumbs();
    std::vector<std::string> paths;
    paths.reserve(chain.size());
    for (const DiskNode& node : chain)
        paths.push_back(node.path);
    if (paths == m_paths && current == m_current)
        return;
    m_paths = std::move(paths);
    m_current = std::move(current);

    // A crumb pressed may be among those replaced: the row deletes its old crumbs later.
    m_trail->clear();
    m_crumbs.clear();
    QWidget* content = m_trail->content();
    for (std::size_t i = 0; i < chain.size(); ++i) {
        const DiskNode& node = chain[i];
        if (i > 0)
            m_trail->append(
                new SymbolView(QStringLiteral("chevron.right"), kSeparatorSize, ColorRole::muted, content));
        auto* crumb = new CrumbButton(m_model.displayName(node), node.path,
                                      m_current && *m_current == node.path, content);
        connect(crumb, &QAbstractButton::clicked, this, [this, node] { m_model.focus(node); });
        m_trail->append(crumb);
        m_crumbs.push_back(crumb);
    }
}

} // namespace ambertrove
