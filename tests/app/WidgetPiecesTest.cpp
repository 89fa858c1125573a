#include "WidgetTestSupport.hpp"

#include "shell/ThemePalette.hpp"

#include "widgets/Card.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/FolderShape.hpp"
#include "widgets/SectionCaption.hpp"
#include "widgets/SegmentedChoices.hpp"
#include "widgets/SidebarRow.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QAbstractButton>
#include <QCheckBox>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QTest>

#include <cmath>

namespace ambertrove {
namespace {

using test::Backdrop;
using test::near;
using test::over;
using test::savePicture;

class WidgetPieces : public test::WidgetTest {};

QColor role(ColorRole r, double opacity = 1) {
    return Appearance::role(r, opacity);
}

void sendEnter(QWidget& widget) {
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(&widget, &enter);
}

void sendLeave(QWidget& widget) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&widget, &leave);
}

// ---- the theme's style ----

// The contrast ratio of two opaque colours, from their relative luminances (1 to 21).
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(WidgetPieces, ACheckBoxFrameStandsOutFromTheWindowInBothAppearances) {
    for (const bool dark : {false, true}) {
        ThemePalette::apply(dark);
        auto* box = new QCheckBox(QStringLiteral("Include everything below"));
        Backdrop backdrop(box);
        const QImage picture = backdrop.grab().toImage();
        // Asked after the picture, once the layout has placed and sized the box.
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        savePicture(picture, dark ? QStringLiteral("check-box-dark") : QStringLiteral("check-box-light"));
        const QPoint edge = box->mapTo(&backdrop, QPoint(indicator.left(), indicator.center().y()));
        const QColor background = Paper::background().resolved(dark);
        // The non-text contrast a control's boundary needs to be seen.
        EXPECT_GE(contrast(picture.pixelColor(edge), background), 3.0) << (dark ? "dark" : "light");
        EXPECT_TRUE(near(picture.pixelColor(2, 2), background));
    }
    ThemePalette::apply(false);
}

// ---- TroveButtonStyle ----

struct LookCase {
    const char* name;
    bool primary;
    bool enabled;
    double hover;
    bool pressed;
    QColor fill;
    QColor border;
    QColor text;
    double opacity;
};

TEST_F(WidgetPieces, ButtonLooksFollowTheStateTable) {
    const QColor clear(0, 0, 0, 0);
    const LookCase cases[] = {
        {"plain idle", false, true, 0, false, role(ColorRole::surface), role(ColorRole::border), role(ColorRole::ink), 1},
        {"plain hovered", false, true, 1, false, role(ColorRole::ink, 0.09), role(ColorRole::muted, 0.55),
         role(ColorRole::ink), 1},
        {"plain pressed", false, true, 0, true, role(ColorRole::surface), role(ColorRole::border), role(ColorRole::ink),
         0.7},
        {"plain hovered and pressed", false, true, 1, true, role(ColorRole::ink, 0.09), role(ColorRole::muted, 0.55),
         role(ColorRole::ink), 0.7},
        {"plain disabled ignores hover", false, false, 1, false, role(ColorRole::surface), role(ColorRole::border),
         role(ColorRole::ink), 0.38},
        {"primary idle", true, true, 0, false, role(ColorRole::ink), clear, role(ColorRole::background), 1},
        {"primary hovered looks the same", true, true, 1, false, role(ColorRole::ink), clear,
         role(ColorRole::background), 1},
        {"primary pressed", true, true, 1, true, role(ColorRole::ink), clear, role(ColorRole::background), 0.7},
        {"primary disabled", true, false, 0, false, role(ColorRole::ink), clear, role(ColorRole::background), 0.38},
    };
    for (const LookCase& c : cases) {
        const TroveButtonStyle style{c.primary, false};
        const TroveButtonStyle::Look look = style.look(c.enabled, c.hover, c.pressed);
        EXPECT_TRUE(near(look.fill, c.fill, 1)) << c.name;
        EXPECT_TRUE(near(look.border, c.border, 1) || (look.border.alpha() == 0 && c.border.alpha() == 0)) << c.name;
        EXPECT_EQ(look.text, c.text) << c.name;
        EXPECT_DOUBLE_EQ(look.opacity, c.opacity) << c.name;
    }
}

TEST_F(WidgetPieces, ButtonMeasuresAreThePaddingAroundTheLabel) {
    for (const bool compact : {true, false}) {
        TroveButton button(QStringLiteral("Open folder"), {false, compact});
        const QFont font = ViewText::font(compact ? 11 : 12, QFont::DemiBold);
        EXPECT_EQ(button.buttonStyle().font().pixelSize(), compact ? 11 : 12);
        EXPECT_EQ(button.buttonStyle().font().weight(), QFont::DemiBold);
        const QFontMetrics metrics(font);
        const int horizontal = compact ? 10 : 14;
        const int vertical = compact ? 7 : 9;
        EXPECT_EQ(button.sizeHint(), QSize(metrics.horizontalAdvance(QStringLiteral("Open folder")) + 2 * horizontal,
                                           metrics.height() + 2 * vertical))
            << compact;
    }
}

TEST_F(WidgetPieces, ButtonLabelIsPlainTextAndMakesNoShortcut) {
    TroveButton button(QStringLiteral("Back up & Move to Trash"), {true, false});
    EXPECT_EQ(button.label(), QStringLiteral("Back up & Move to Trash"));
    EXPECT_EQ(button.text(), QStringLiteral("Back up && Move to Trash"));
    EXPECT_TRUE(button.shortcut().isEmpty());
    EXPECT_FALSE(button.autoDefault());
}

TEST_F(WidgetPieces, HoverChangesAPlainButtonAtOnceWithReducedMotion) {
    TroveButton button(QStringLiteral("Home"), {false, true});
    sendEnter(button);
    EXPECT_TRUE(button.isHovered());
    EXPECT_DOUBLE_EQ(button.hoverAmount(), 1.0);
    EXPECT_TRUE(near(button.currentLook().fill, role(ColorRole::ink, 0.09), 1));
    sendLeave(button);
    EXPECT_DOUBLE_EQ(button.hoverAmount(), 0.0);
    EXPECT_EQ(button.currentLook().fill, role(ColorRole::surface));
}

TEST_F(WidgetPieces, HoverIsAnimatedWithoutReducedMotion) {
    Appearance::setReducedMotion(false);
    TroveButton button(QStringLiteral("Home"), {false, true});
    QSignalSpy settled(&button, &TroveButton::hoverSettled);
    sendEnter(button);
    EXPECT_LT(button.hoverAmount(), 1.0);
    ASSERT_TRUE(settled.wait(2000));
    EXPECT_DOUBLE_EQ(button.hoverAmount(), 1.0);
}

TEST_F(WidgetPieces, DisabledPlainButtonNeverShowsHover) {
    TroveButton button(QStringLiteral("Folder…"), {false, true});
    button.setEnabled(false);
    sendEnter(button);
    const TroveButtonStyle::Look look = button.currentLook();
    EXPECT_EQ(look.fill, role(ColorRole::surface));
    EXPECT_EQ(look.border, role(ColorRole::border));
    EXPECT_DOUBLE_EQ(look.opacity, 0.38);
}

TEST_F(WidgetPieces, PressedButtonIsDrawnAtSeventyPerCent) {
    TroveButton button(QStringLiteral("Scan"), {true, false});
    button.resize(button.sizeHint());
    button.setDown(true);
    EXPECT_DOUBLE_EQ(button.currentLook().opacity, 0.7);
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, &button, [&] { ++clicks; });
    button.setDown(false);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(4, button.height() / 2));
    EXPECT_EQ(clicks, 1) << "the padding is clickable";
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(clicks, 1) << "the rounded corner is not";
}

TEST_F(WidgetPieces, ButtonPicturesShowTheFills) {
    for (const bool dark : {false, true}) {
        Appearance::setDark(dark);
        auto* row = new QWidget;
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
        auto* primary = new TroveButton({true, false}, QStringLiteral("internaldrive.fill"), QStringLiteral("Scan Full Mac"));
        auto* plain = new TroveButton({false, true}, QStringLiteral("house.fill"), QStringLiteral("Home"));
        auto* hovered = new TroveButton({false, true}, QStringLiteral("folder.fill"), QStringLiteral("Folder…"));
        auto* disabled = new TroveButton(QStringLiteral("Disabled & off"), {false, false});
        auto* pressed = new TroveButton(QStringLiteral("Pressed"), {true, true});
        disabled->setEnabled(false);
        pressed->setDown(true);
        for (TroveButton* w : {primary, plain, hovered, disabled, pressed})
            layout->addWidget(w);
        Backdrop backdrop(row);
        backdrop.show();
        sendEnter(*hovered);
        const QImage picture = test::settledPicture(backdrop);
        savePicture(picture, dark ? QStringLiteral("buttons-dark") : QStringLiteral("buttons-light"));

        // A primary button is filled with ink; a plain one with surface; hovered with ink at 0.09.
        const QPoint inPrimary = primary->mapTo(&backdrop, QPoint(3, primary->height() / 2));
        EXPECT_TRUE(near(picture.pixelColor(inPrimary), role(ColorRole::ink))) << dark;
        const QPoint inPlain = plain->mapTo(&backdrop, QPoint(3, plain->height() / 2));
        EXPECT_TRUE(near(picture.pixelColor(inPlain), role(ColorRole::surface))) << dark;
        const QPoint inHovered = hovered->mapTo(&backdrop, QPoint(3, hovered->height() / 2));
        EXPECT_TRUE(near(picture.pixelColor(inHovered), over(role(ColorRole::ink, 0.09), role(ColorRole::background))))
            << dark;
        // Disabled: the surface at 0.38 over the window's background.
        const QPoint inDisabled = disabled->mapTo(&backdrop, QPoint(3, disabled->height() / 2));
        QColor surface = role(ColorRole::surface);
        surface.setAlphaF(0.38f);
        EXPECT_TRUE(near(picture.pixelColor(inDisabled), over(surface, role(ColorRole::background)))) << dark;
    }
}

// ---- SidebarRowStyle ----

TEST_F(WidgetPieces, SidebarRowLooks) {
    const SidebarRowStyle selected{true};
    const SidebarRowStyle plain{false};
    EXPECT_EQ(selected.look(false, false).fill, role(ColorRole::accent, 0.14));
    EXPECT_EQ(selected.look(true, false).fill, role(ColorRole::accent, 0.14));
    EXPECT_EQ(selected.look(true, false).border, role(ColorRole::accent, 0.24));
    EXPECT_EQ(plain.look(true, false).fill, role(ColorRole::accent, 0.07));
    EXPECT_EQ(plain.look(false, false).fill.alpha(), 0);
    EXPECT_EQ(plain.look(true, false).border.alpha(), 0);
    EXPECT_DOUBLE_EQ(plain.look(false, true).opacity, 0.65);
    EXPECT_DOUBLE_EQ(selected.look(false, false).opacity, 1.0);

    SidebarRow row(QStringLiteral("internaldrive"), QStringLiteral("Scan root"));
    EXPECT_EQ(row.sizeHint().height(), std::max(QFontMetrics(ViewText::font(11)).height(), 13) + 16);
    sendEnter(row);
    EXPECT_EQ(row.currentLook().fill, role(ColorRole::accent, 0.07));
    row.setSelected(true);
    EXPECT_EQ(row.currentLook().fill, role(ColorRole::accent, 0.14));
}

TEST_F(WidgetPieces, SidebarRowsAndCaptionPicture) {
    for (const bool dark : {false, true}) {
        Appearance::setDark(dark);
        auto* column = new QWidget;
        auto* layout = new QVBoxLayout(column);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(4);
        auto* caption = new SectionCaption(QStringLiteral("Places"), QStringLiteral("3 of 6"));
        layout->addWidget(caption);
        auto* selected = new SidebarRow(QStringLiteral("internaldrive"), QStringLiteral("Scan root"));
        selected->setSelected(true);
        auto* hovered = new SidebarRow(QStringLiteral("arrow.down.circle"), QStringLiteral("Downloads"));
        layout->addWidget(selected);
        layout->addWidget(hovered);
        layout->addWidget(new SidebarRow(QStringLiteral("desktopcomputer"), QStringLiteral("<b>Desk</b> & top")));
        layout->addWidget(new SidebarRow(QStringLiteral("doc"), QStringLiteral("Documents")));
        Backdrop backdrop(column, 12, 226);
        backdrop.show();
        sendEnter(*hovered);
        const QImage picture = test::settledPicture(backdrop);
        savePicture(picture, dark ? QStringLiteral("sidebar-rows-dark") : QStringLiteral("sidebar-rows-light"));
        const QPoint inSelected = selected->mapTo(&backdrop, QPoint(selected->width() - 6, selected->height() / 2));
        EXPECT_TRUE(near(picture.pixelColor(inSelected),
                         over(role(ColorRole::accent, 0.14), role(ColorRole::background))))
            << dark;
    }
}

// ---- SectionCaption ----

TEST_F(WidgetPieces, CaptionShowsTheTitleInUpperCaseAndTheTrailingTextAsGiven) {
    SectionCaption caption(QStringLiteral("Current view"), QStringLiteral("1.2s scan"));
    EXPECT_EQ(caption.shownTitle(), QStringLiteral("CURRENT VIEW"));
    EXPECT_EQ(caption.trailing(), QStringLiteral("1.2s scan"));
    const QFont titleFont = ViewText::font(10, QFont::DemiBold, 1.2);
    EXPECT_EQ(caption.sizeHint().width(), QFontMetrics(titleFont).horizontalAdvance(QStringLiteral("CURRENT VIEW")) +
                                              SectionCaption::kSpacing +
                                              QFontMetrics(ViewText::font(10, QFont::DemiBold))
                                                  .horizontalAdvance(QStringLiteral("1.2s scan")));
    // Title at the left edge, trailing text at the right edge.
    caption.resize(300, caption.sizeHint().height());
    QImage picture(caption.size(), QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    caption.render(&picture, {}, {}, QWidget::DrawChildren);
    const auto inkIn = [&](int from, int to) {
        for (int x = from; x < to; ++x)
            for (int y = 0; y < picture.height(); ++y)
                if (picture.pixelColor(x, y).alpha() > 100)
                    return true;
        return false;
    };
    EXPECT_TRUE(inkIn(0, 4));
    EXPECT_TRUE(inkIn(290, 300));
    EXPECT_FALSE(inkIn(150, 230));
}

// ---- Card ----

TEST_F(WidgetPieces, CardPadsItsContentBySixteenAndDrawsTheSurface) {
    for (const bool dark : {false, true}) {
        Appearance::setDark(dark);
        auto* label = new QLabel(QStringLiteral("Card content"));
        label->setTextFormat(Qt::PlainText);
        label->setFixedSize(200, 40);
        auto* card = new Card(label);
        Backdrop backdrop(card);
        backdrop.show();
        EXPECT_EQ(card->sizeHint(), QSize(232, 72));
        EXPECT_EQ(label->geometry().topLeft(), QPoint(16, 16));
        const QImage picture = test::settledPicture(backdrop);
        savePicture(picture, dark ? QStringLiteral("card-dark") : QStringLiteral("card-light"));
        const QPoint inside = card->mapTo(&backdrop, QPoint(8, card->height() / 2));
        EXPECT_TRUE(near(picture.pixelColor(inside), role(ColorRole::surface)));
        const QPoint edge = card->mapTo(&backdrop, QPoint(0, card->height() / 2));
        EXPECT_TRUE(near(picture.pixelColor(edge), role(ColorRole::border), 12));
    }
}

// ---- EmptyPanel ----

TEST_F(WidgetPieces, EmptyPanelMeasures) {
    const QString subtitle = QStringLiteral("Folders will appear here as the scan begins.");
    for (const bool compact : {true, false}) {
        EmptyPanel panel(QStringLiteral("folder"), QStringLiteral("Discovering folders…"), subtitle, compact);
        const EmptyPanel::Measures m = EmptyPanel::measures(compact);
        EXPECT_EQ(m.square, compact ? 52 : 78);
        EXPECT_EQ(m.titleSize, compact ? 20 : 24);
        EXPECT_EQ(m.padding, compact ? 18 : 36);
        const EmptyPanel::Layout layout = panel.layoutFor(600);
        EXPECT_EQ(layout.square, QRect((600 - m.square) / 2, m.padding, m.square, m.square));
        ASSERT_EQ(layout.titleLines.size(), 1u);
        EXPECT_EQ(layout.titleLines[0].top(), m.padding + m.square + m.spacing);
        const int titleHeight = QFontMetrics(ViewText::font(m.titleSize, QFont::DemiBold)).height();
        EXPECT_EQ(layout.titleLines[0].height(), titleHeight);
        ASSERT_EQ(layout.subtitleLines.size(), 1u);
        EXPECT_EQ(layout.subtitleLines[0].top(), layout.titleLines[0].bottom() + 1 + m.spacing);
        EXPECT_EQ(layout.height, layout.subtitleLines[0].bottom() + 1 + m.padding);
    }
}

TEST_F(WidgetPieces, EmptyPanelWrapsALongSubtitleWithinThreeHundredNinetyOnCentredLines) {
    const QString subtitle = QStringLiteral(
        "Nothing in this folder matches the filters you chose. Clear a filter or pick another folder to see its "
        "largest items, and come back when the scan has found more.");
    EmptyPanel panel(QStringLiteral("magnifyingglass"), QStringLiteral("No matches"), subtitle, false);
    const EmptyPanel::Layout layout = panel.layoutFor(900);
    ASSERT_GE(layout.subtitleLines.size(), 2u);
    const int lineHeight = QFontMetrics(ViewText::font(13)).height();
    for (std::size_t i = 0; i < layout.subtitleLines.size(); ++i) {
        const QRect& line = layout.subtitleLines[i];
        EXPECT_LE(line.width(), EmptyPanel::kSubtitleWidth);
        EXPECT_NEAR(line.center().x(), 450, 1) << "centred";
        if (i > 0) {
            EXPECT_EQ(line.top(), layout.subtitleLines[i - 1].top() + lineHeight + 4);
        }
    }

    for (const bool dark : {false, true}) {
        Appearance::setDark(dark);
        auto* compact = new EmptyPanel(QStringLiteral("folder"), QStringLiteral("Discovering folders…"),
                                       QStringLiteral("Folders will appear here as the scan begins."), true);
        auto* full = new EmptyPanel(QStringLiteral("magnifyingglass"), QStringLiteral("No matches"), subtitle, false);
        auto* column = new QWidget;
        auto* layoutBox = new QVBoxLayout(column);
        layoutBox->addWidget(compact);
        layoutBox->addWidget(full);
        Backdrop backdrop(column, 0, 560);
        backdrop.show();
        const QImage picture = test::settledPicture(backdrop);
        savePicture(picture, dark ? QStringLiteral("empty-panels-dark") : QStringLiteral("empty-panels-light"));
        const EmptyPanel::Layout shown = compact->layoutFor(compact->width());
        const int shift = std::max(0, (compact->height() - shown.height) / 2);
        const QPoint corner =
            compact->mapTo(&backdrop, shown.square.topLeft() + QPoint(shown.square.width() / 2, shift + 2));
        EXPECT_TRUE(near(picture.pixelColor(corner), over(role(ColorRole::accent, 0.08), role(ColorRole::background))));
    }
}

// ---- FolderShape ----

TEST_F(WidgetPieces, FolderShapeFollowsItsElevenSteps) {
    const QPainterPath path = FolderShape::path(QRectF(0, 0, 125, 100));
    EXPECT_EQ(path.fillRule(), Qt::WindingFill);
    EXPECT_EQ(path.boundingRect(), QRectF(0, 0, 125, 100));
    // Move, line, quad, line, quad, line, quad, line, quad, line, quad, close: the points in order.
    const std::vector<QPointF> ends = {{13, 0}, {50, 0}, {57.5, 16}, {112, 16}, {125, 29}, {125, 87},
                                       {112, 100}, {13, 100}, {0, 87}, {0, 13}, {13, 0}};
    std::vector<QPointF> seen;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        // Quadratic curves are stored as cubic ones: a curve element and two control points.
        if (e.type == QPainterPath::MoveToElement || e.type == QPainterPath::LineToElement)
            seen.emplace_back(e.x, e.y);
        else if (e.type == QPainterPath::CurveToDataElement &&
                 (i + 1 == path.elementCount() || path.elementAt(i + 1).type != QPainterPath::CurveToDataElement))
            seen.emplace_back(e.x, e.y);
    }
    ASSERT_EQ(seen.size(), ends.size());
    for (std::size_t i = 0; i < ends.size(); ++i)
        EXPECT_EQ(seen[i], ends[i]) << i;

    struct Probe {
        QPointF point;
        bool inside;
    };
    const Probe probes[] = {
        {{30, 5}, true},     // the tab
        {{100, 5}, false},   // above the body, right of the tab
        {{53, 4}, true},     // under the slope near its top
        {{57, 2}, false},    // beyond the slope
        {{1, 1}, false},     // the rounded top left corner
        {{124, 18}, false},  // the rounded top right corner of the body
        {{124, 50}, true},   // the right edge
        {{62, 99}, true},    // the bottom edge
        {{124, 99}, false},  // the rounded bottom right corner
    };
    for (const Probe& p : probes)
        EXPECT_EQ(path.contains(p.point), p.inside) << p.point.x() << "," << p.point.y();
}

TEST_F(WidgetPieces, ANarrowFolderKeepsItsCornersAndTabHeight) {
    const QPainterPath path = FolderShape::path(QRectF(0, 0, 60, 100));
    EXPECT_EQ(path.elementAt(0).x, 13);
    EXPECT_EQ(path.elementAt(1), QPointF(24, 0));
    EXPECT_TRUE(path.contains(QPointF(40, 17)));
    EXPECT_FALSE(path.contains(QPointF(40, 14)));
    // Placed elsewhere, the outline moves with its rectangle.
    const QPainterPath moved = FolderShape::path(QRectF(10, 20, 125, 100));
    EXPECT_EQ(moved.boundingRect(), QRectF(10, 20, 125, 100));
    EXPECT_EQ(QPointF(moved.elementAt(0)), QPointF(23, 20));
}

TEST_F(WidgetPieces, FolderShapePicture) {
    QImage picture(180, 150, QImage::Format_ARGB32);
    picture.fill(role(ColorRole::background));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(FolderShape::path(QRectF(20, 20, 125, 100)), role(ColorRole::accent, 0.8));
    painter.fillPath(FolderShape::path(QRectF(150, 20, 26, 40)), role(ColorRole::ink));
    painter.end();
    savePicture(picture, QStringLiteral("folder-shape"));
    EXPECT_TRUE(near(picture.pixelColor(80, 90), over(role(ColorRole::accent, 0.8), role(ColorRole::background))));
    EXPECT_EQ(picture.pixelColor(130, 25), role(ColorRole::background));
}

// ---- SegmentedChoices ----

TEST_F(WidgetPieces, SegmentedChoicesHighlightByValue) {
    SegmentedChoices choices({{QStringLiteral("Folder"), 1}, {QStringLiteral("Type"), 2}, {QStringLiteral("Kind"), 2},
                              {QStringLiteral("Age"), 3}},
                             2);
    EXPECT_FALSE(choices.isHighlighted(0));
    EXPECT_TRUE(choices.isHighlighted(1));
    EXPECT_TRUE(choices.isHighlighted(2)) << "two equal values both highlight";
    EXPECT_FALSE(choices.isHighlighted(3));
    EXPECT_TRUE(choices.button(1)->isChecked());
    EXPECT_EQ(choices.button(2)->accessibleDescription(), QStringLiteral("Selected"));
    EXPECT_EQ(choices.button(0)->accessibleDescription(), QString());

    choices.setSelection(7);
    for (int i = 0; i < choices.count(); ++i)
        EXPECT_FALSE(choices.isHighlighted(i)) << "no choice carries 7";

    choices.resize(choices.sizeHint());
    choices.show();
    QSignalSpy changed(&choices, &SegmentedChoices::selectionChanged);
    QTest::mouseClick(choices.button(3), Qt::LeftButton);
    EXPECT_EQ(choices.selection(), QVariant(3));
    EXPECT_TRUE(choices.isHighlighted(3));
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed.at(0).at(0), QVariant(3));
    // Pressing the selected choice again keeps it selected and changes nothing.
    QTest::mouseClick(choices.button(3), Qt::LeftButton);
    EXPECT_TRUE(choices.button(3)->isChecked());
    EXPECT_EQ(changed.size(), 1);
    QTest::mouseClick(choices.button(1), Qt::LeftButton);
    EXPECT_TRUE(choices.isHighlighted(1));
    EXPECT_TRUE(choices.isHighlighted(2));
    EXPECT_FALSE(choices.isHighlighted(3));
}

TEST_F(WidgetPieces, SegmentedChoicesShareTheRowWidth) {
    SegmentedChoices choices({{QStringLiteral("A"), QStringLiteral("a")}, {QStringLiteral("Longer title"), QStringLiteral("b")},
                              {QStringLiteral("C"), QStringLiteral("c")}},
                             QStringLiteral("a"));
    choices.resize(304, choices.sizeHint().height());
    choices.show();
    const int inner = 304 - 2 * SegmentedChoices::kPadding - 2 * SegmentedChoices::kSpacing;
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(choices.button(i)->width(), inner / 3.0, 1);
    EXPECT_EQ(choices.button(0)->x(), SegmentedChoices::kPadding);
    EXPECT_EQ(choices.button(1)->x(), choices.button(0)->geometry().right() + 1 + SegmentedChoices::kSpacing);
    const int textHeight = QFontMetrics(ViewText::font(10, QFont::DemiBold)).height();
    EXPECT_EQ(choices.sizeHint().height(), textHeight + 10 + 4);

    for (const bool dark : {false, true}) {
        Appearance::setDark(dark);
        auto* row = new SegmentedChoices({{QStringLiteral("Folder"), 0}, {QStringLiteral("Type"), 1},
                                          {QStringLiteral("Age"), 2}, {QStringLiteral("Also age"), 2}},
                                         2);
        Backdrop backdrop(row, 12, 320);
        backdrop.show();
        const QImage picture = test::settledPicture(backdrop);
        savePicture(picture, dark ? QStringLiteral("segmented-dark") : QStringLiteral("segmented-light"));
        const QColor track = over(role(ColorRole::border, 0.35), role(ColorRole::background));
        const QPoint inSelected = row->button(2)->mapTo(&backdrop, QPoint(3, row->button(2)->height() / 2));
        EXPECT_TRUE(near(picture.pixelColor(inSelected), over(role(ColorRole::ink, 0.14), track)));
        const QPoint inPlain = row->button(0)->mapTo(&backdrop, QPoint(3, row->button(0)->height() / 2));
        EXPECT_TRUE(near(picture.pixelColor(inPlain), track));
    }
}

// ---- Icons ----

TEST_F(WidgetPieces, EverySymbolHasAThemeNameAndAPaintedGlyph) {
    for (const auto& [symbol, name] : Icons::table()) {
        EXPECT_FALSE(name.isEmpty()) << symbol.toStdString();
        const QPixmap pixmap = Icons::pixmap(symbol, 24, QColor(Qt::black));
        const QImage image = pixmap.toImage();
        int painted = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                painted += image.pixelColor(x, y).alpha() > 128 ? 1 : 0;
        EXPECT_GT(painted, 12) << symbol.toStdString();
        EXPECT_LT(painted, 24 * 24) << symbol.toStdString();
    }
    EXPECT_EQ(Icons::themeName(QStringLiteral("folder")), QStringLiteral("folder"));
    EXPECT_EQ(Icons::themeName(QStringLiteral("internaldrive")), QStringLiteral("drive-harddisk"));
    EXPECT_EQ(Icons::themeName(QStringLiteral("no.such.symbol")), QString());

    // One sheet of every glyph, for the eye.
    const int columns = 10;
    const auto& rows = Icons::table();
    QImage sheet(columns * 36, int((rows.size() + columns - 1) / columns) * 36, QImage::Format_ARGB32);
    sheet.fill(role(ColorRole::surface));
    QPainter painter(&sheet);
    for (std::size_t i = 0; i < rows.size(); ++i)
        Icons::paint(painter, rows[i].first, QRectF(int(i % columns) * 36 + 6, int(i / columns) * 36 + 6, 24, 24),
                     role(ColorRole::accent));
    painter.end();
    savePicture(sheet, QStringLiteral("icons"));
}

// ---- Shared text helpers ----

TEST_F(WidgetPieces, TextHelpersKeepFileNamesPlain) {
    EXPECT_EQ(ViewText::withoutMnemonic(QStringLiteral("a & b && c")), QStringLiteral("a && b &&&& c"));
    const QString tip = ViewText::plainToolTip(QStringLiteral("<b>x</b> & y"));
    EXPECT_TRUE(tip.contains(QStringLiteral("&lt;b&gt;x&lt;/b&gt; &amp; y")));
    EXPECT_TRUE(Qt::mightBeRichText(tip));
    EXPECT_EQ(ViewText::groupedCount(1234567), QStringLiteral("1,234,567"));
    EXPECT_EQ(ViewText::groupedCount(0), QStringLiteral("0"));
}

TEST_F(WidgetPieces, MiddleElisionOnTwoLinesKeepsBothEndsAndWholeCharacters) {
    const QFont font = ViewText::font(11);
    const QString text = QStringLiteral("start ") + QString(60, QLatin1Char('x')) + QString::fromUtf8(" 👩‍👩‍👧 ") +
                         QString(60, QLatin1Char('y')) + QStringLiteral(" end");
    const QString shown = ViewText::middleElidedLines(text, font, 120, 2);
    EXPECT_LE(shown.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("start")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("end")));
    EXPECT_TRUE(shown.contains(QStringLiteral("…")));
    EXPECT_EQ(ViewText::middleElidedLines(QStringLiteral("short"), font, 120, 2), QStringLiteral("short"));
}

} // namespace
} // namespace ambertrove
