#pragma once

#include "controller/AppTheme.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPalette>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>

namespace ambertrove::test {

// Pieces are checked in a known state: the default theme, light, motion reduced, painted icons only.
class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        setCurrentTheme(AppTheme::paper);
        Appearance::setDark(false);
        Appearance::setReducedMotion(true);
        Icons::setThemeIconsEnabled(false);
    }
    void TearDown() override {
        setCurrentTheme(AppTheme::paper);
        Appearance::setDark(false);
        Appearance::setReducedMotion(std::nullopt);
        Icons::setThemeIconsEnabled(true);
    }
};

// A window in the background colour holding `piece` with a margin, as the window would show it.
class Backdrop final : public QWidget {
public:
    explicit Backdrop(QWidget* piece, int margin = 12, int width = -1) {
        setAutoFillBackground(true);
        QPalette colours = palette();
        colours.setColor(QPalette::Window, Appearance::role(ColorRole::background));
        setPalette(colours);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(margin, margin, margin, margin);
        layout->addWidget(piece);
        // Sized by hand: adjustSize() would cap the width at two thirds of the (small) offscreen screen.
        if (width > 0) {
            setFixedWidth(width);
            resize(width, layout->hasHeightForWidth() ? layout->totalHeightForWidth(width) : sizeHint().height());
        } else {
            resize(sizeHint());
        }
    }
};

// The widget's picture once pending layout requests are handled (a label that needs another line asks
// for it after its first resize, as it would before the window first paints).
inline QImage settledPicture(QWidget& widget) {
    for (int i = 0; i < 4; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    return widget.grab().toImage();
}

// Saves `image` as tests/pictures/NAME.png in the build folder.
inline void savePicture(const QImage& image, const QString& name) {
    const QString folder = QStringLiteral(AMBERTROVE_TEST_OUTPUT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(image.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"))) << name.toStdString();
}

inline void savePicture(QWidget& widget, const QString& name) {
    savePicture(widget.grab().toImage(), name);
}

// Whether two colours agree within `tolerance` per channel (antialiasing and rounding).
inline bool near(const QColor& a, const QColor& b, int tolerance = 3) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

// `top` at its alpha over the opaque `bottom`.
inline QColor over(const QColor& top, const QColor& bottom) {
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + bottom.redF() * (1 - a)),
                            float(top.greenF() * a + bottom.greenF() * (1 - a)),
                            float(top.blueF() * a + bottom.blueF() * (1 - a)));
}

} // namespace ambertrove::test
