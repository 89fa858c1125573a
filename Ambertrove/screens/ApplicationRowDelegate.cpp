#include "screens/ApplicationRowDelegate.hpp"

#include "applications/InstalledApplication.hpp"
#include "model/Formatting.hpp"
#include "screens/ApplicationDetail.hpp"
#include "screens/ApplicationIcon.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/SidebarRowStyle.hpp"
#include "widgets/ViewText.hpp"

#include <QFontMetrics>
#include <QPainter>

namespace ambertrove {

namespace {

constexpr int kSpacing = 9;
constexpr int kLineSpacing = 3;

QFont nameFont() {
    return ViewText::font(12, QFont::DemiBold);
}
QFont leftoversFont() {
    return ViewText::font(10);
}
// The desktop's fonts draw their digits at one width.
QFont sizeFont() {
    return ViewText::font(11, QFont::DemiBold);
}

} // namespace

ApplicationRowDelegate::ApplicationRowDelegate(RowListView* view, Application application, Selected selected)
    : RowDelegate(view)
    , m_application(std::move(application))
    , m_selected(std::move(selected)) {}

QString ApplicationRowDelegate::leftoversText(const InstalledApplication& app) {
    const std::int64_t leftovers = ApplicationDetail::supportBytes(app);
    if (leftovers >= 1)
        return QStringLiteral("+") + QString::fromStdString(formattedBytes(leftovers)) +
               QStringLiteral(" leftovers");
    return QStringLiteral("App bundle only");
}

int ApplicationRowDelegate::rowHeight(const QModelIndex&, int) const {
    const int texts =
        QFontMetrics(nameFont()).height() + kLineSpacing + QFontMetrics(leftoversFont()).height();
    const QMargins padding = SidebarRowStyle::padding();
    return padding.top() + std::max(kIconSize, texts) + padding.bottom();
}

void ApplicationRowDelegate::paintRow(QPainter& painter, const QRect& rect, const QModelIndex& index,
                                      bool hovered) const {
    const InstalledApplication* app = m_application(index.row());
    if (!app)
        return;
    const SidebarRowStyle style{m_selected(index.row())};
    SidebarRowStyle::paintBackground(painter, QRectF(rect), style.look(hovered, false));
    const QRect inner = rect.marginsRemoved(SidebarRowStyle::padding());

    ApplicationIcon::paint(
        painter, QRectF(inner.left(), inner.center().y() + 1 - kIconSize / 2.0, kIconSize, kIconSize));

    const QString size = QString::fromStdString(formattedBytes(app->bytes()));
    const QFontMetrics sizeMetrics(sizeFont());
    const int sizeWidth = sizeMetrics.horizontalAdvance(size);
    painter.setFont(sizeFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(QRect(inner.right() + 1 - sizeWidth, inner.top(), sizeWidth, inner.height()),
                     Qt::AlignRight | Qt::AlignVCenter, size);

    const int left = inner.left() + kIconSize + kSpacing;
    const int textWidth = std::max(0, inner.right() + 1 - sizeWidth - 2 - left);
    const QFontMetrics nameMetrics(nameFont());
    const QFontMetrics lineMetrics(leftoversFont());
    const int height = nameMetrics.height() + kLineSpacing + lineMetrics.height();
    const int top = inner.top() + (inner.height() - height) / 2;
    painter.setFont(nameFont());
    painter.drawText(
        QRect(left, top, textWidth, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        ViewText::elided(nameMetrics, QString::fromStdString(app->name), Qt::ElideRight, textWidth));
    const bool leftovers = ApplicationDetail::supportBytes(*app) >= 1;
    painter.setFont(leftoversFont());
    painter.setPen(leftovers ? Appearance::color(Paper::amber()) : Appearance::role(ColorRole::muted));
    painter.drawText(QRect(left, top + nameMetrics.height() + kLineSpacing, textWidth, lineMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     ViewText::elided(lineMetrics, leftoversText(*app), Qt::ElideRight, textWidth));
}

} // namespace ambertrove
