#include "shell/NoticeBanner.hpp"

#include "controller/AppModel.hpp"
#include "shell/PlainButton.hpp"
#include "shell/SymbolView.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ClampedLabel.hpp"
#include "widgets/ViewText.hpp"

#include <QHBoxLayout>
#include <QPainter>

namespace ambertrove {

NoticeBanner::NoticeBanner(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(22, 10, 22, 10);
    layout->setSpacing(8);
    layout->addWidget(new SymbolView(QStringLiteral("checkmark.circle"), 13, ColorRole::accent, this));
    m_text = new ClampedLabel(QString(), 2, this);
    m_text->setFont(ViewText::font(11));
    m_text->setColor(Appearance::role(ColorRole::muted));
    layout->addWidget(m_text, 1);
    m_details = new PlainButton(QStringLiteral("Details"), ViewText::font(11), ColorRole::muted, this);
    connect(m_details, &PlainButton::clicked, this, [this] { m_model.setShowIssues(true); });
    layout->addWidget(m_details);
    m_close = new PlainButton(QStringLiteral("xmark"), 9, ColorRole::muted, this);
    m_close->setAccessibleName(QStringLiteral("Dismiss notice"));
    m_close->setToolTip(QStringLiteral("Dismiss notice"));
    connect(m_close, &PlainButton::clicked, this, [this] { m_model.setNotice(std::nullopt); });
    layout->addWidget(m_close);

    connect(&m_model, &AppModel::messagesChanged, this, &NoticeBanner::refresh);
    connect(&m_model, &AppModel::scanChanged, this, &NoticeBanner::refresh);
    refresh();
}

QString NoticeBanner::text() const {
    return m_text->text();
}

void NoticeBanner::refresh() {
    const auto& notice = m_model.notice();
    if (notice && m_text->text() != *notice)
        m_text->setText(*notice);
    m_details->setVisible(m_model.scan() && m_model.scan()->skippedCount > 0);
    setVisible(notice.has_value());
}

void NoticeBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Appearance::role(ColorRole::accent, 0.055));
}

} // namespace ambertrove
