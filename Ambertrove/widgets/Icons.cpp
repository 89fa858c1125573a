#include "widgets/Icons.hpp"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QTransform>

#include <cmath>
#include <numbers>

namespace ambertrove::Icons {

namespace {

bool g_themeIcons = true;

// Glyphs are drawn in a 24-unit square; strokes are 1.8 units wide with round ends.
class Glyph {
public:
    Glyph(QPainter& painter, const QRectF& box, const QColor& color)
        : m_painter(painter)
        , m_color(color) {
        const double side = std::min(box.width(), box.height());
        m_painter.save();
        m_painter.setRenderHint(QPainter::Antialiasing);
        m_painter.translate(box.center().x() - side / 2, box.center().y() - side / 2);
        m_painter.scale(side / 24.0, side / 24.0);
    }
    ~Glyph() { m_painter.restore(); }
    Glyph(const Glyph&) = delete;
    Glyph& operator=(const Glyph&) = delete;

    void stroke(const QPainterPath& path, double width = 1.8) {
        m_painter.setBrush(Qt::NoBrush);
        m_painter.setPen(QPen(m_color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        m_painter.drawPath(path);
    }
    void fill(QPainterPath path) {
        path.setFillRule(Qt::WindingFill);
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(m_color);
        m_painter.drawPath(path);
    }
    void shape(const QPainterPath& path, bool filled) {
        if (filled)
            fill(path);
        else
            stroke(path);
    }
    // Clears the area of `path` out of what was drawn before (holes in filled glyphs).
    void cut(const QPainterPath& path, double width = 1.8) {
        m_painter.save();
        m_painter.setCompositionMode(QPainter::CompositionMode_Clear);
        m_painter.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawPath(path);
        m_painter.restore();
    }

private:
    QPainter& m_painter;
    QColor m_color;
};

QPainterPath rounded(double x, double y, double w, double h, double r) {
    QPainterPath p;
    p.addRoundedRect(QRectF(x, y, w, h), r, r);
    return p;
}

QPainterPath circle(double cx, double cy, double r) {
    QPainterPath p;
    p.addEllipse(QPointF(cx, cy), r, r);
    return p;
}

QPainterPath polyline(std::initializer_list<QPointF> points, bool closed = false) {
    QPainterPath p;
    bool first = true;
    for (const QPointF& point : points) {
        if (first)
            p.moveTo(point);
        else
            p.lineTo(point);
        first = false;
    }
    if (closed)
        p.closeSubpath();
    return p;
}

QPainterPath arc(double cx, double cy, double r, double startDegrees, double spanDegrees) {
    QPainterPath p;
    const QRectF box(cx - r, cy - r, 2 * r, 2 * r);
    p.arcMoveTo(box, startDegrees);
    p.arcTo(box, startDegrees, spanDegrees);
    return p;
}

// The outline of a shield, pointed at the bottom.
QPainterPath shield() {
    QPainterPath path;
    path.moveTo(12, 2.5);
    path.lineTo(20, 5.5);
    path.cubicTo(20, 13, 17, 18.5, 12, 21.5);
    path.cubicTo(7, 18.5, 4, 13, 4, 5.5);
    path.closeSubpath();
    return path;
}

void drawGlyph(Glyph& g, const QString& symbol) {
    const bool filled = symbol.endsWith(QLatin1String(".fill"));
    const QString base = filled ? symbol.chopped(5) : symbol;

    if (base == QLatin1String("folder")) {
        QPainterPath folder;
        folder.moveTo(4.5, 4);
        folder.lineTo(9.5, 4);
        folder.lineTo(11.5, 6.5);
        folder.lineTo(19.5, 6.5);
        folder.quadTo(21.5, 6.5, 21.5, 8.5);
        folder.lineTo(21.5, 18);
        folder.quadTo(21.5, 20, 19.5, 20);
        folder.lineTo(4.5, 20);
        folder.quadTo(2.5, 20, 2.5, 18);
        folder.lineTo(2.5, 6);
        folder.quadTo(2.5, 4, 4.5, 4);
        folder.closeSubpath();
        g.shape(folder, filled);
        if (!filled)
            g.stroke(polyline({{2.5, 9.5}, {21.5, 9.5}}), 1.4);
    } else if (base == QLatin1String("internaldrive") || base == QLatin1String("externaldrive")) {
        g.shape(rounded(2.5, 7, 19, 10, 2.5), filled);
        if (filled)
            g.cut(circle(17.5, 12, 0.4), 1.6);
        else
            g.fill(circle(17.5, 12, 1.1));
        if (base == QLatin1String("externaldrive"))
            g.stroke(polyline({{6, 20}, {18, 20}}));
    } else if (base == QLatin1String("house")) {
        g.shape(
            polyline({{3, 11.5}, {12, 3.5}, {21, 11.5}, {19, 11.5}, {19, 20.5}, {5, 20.5}, {5, 11.5}}, true),
            filled);
    } else if (base == QLatin1String("arrow.down.circle")) {
        g.shape(circle(12, 12, 9), filled);
        if (filled) {
            g.cut(polyline({{12, 7}, {12, 16.5}}));
            g.cut(polyline({{8, 12.5}, {12, 16.5}, {16, 12.5}}));
        } else {
            g.stroke(polyline({{12, 7}, {12, 16.5}}));
            g.stroke(polyline({{8, 12.5}, {12, 16.5}, {16, 12.5}}));
        }
    } else if (base == QLatin1String("desktopcomputer")) {
        g.shape(rounded(2.5, 4, 19, 12.5, 2), filled);
        g.stroke(polyline({{12, 16.5}, {12, 20}}));
        g.stroke(polyline({{8, 20.5}, {16, 20.5}}));
    } else if (base == QLatin1String("doc") || base == QLatin1String("doc.text")) {
        g.shape(polyline({{5, 3}, {14, 3}, {19, 8}, {19, 21}, {5, 21}}, true), filled);
        if (base == QLatin1String("doc.text")) {
            for (double y : {11.0, 14.5, 18.0}) {
                if (filled)
                    g.cut(polyline({{8, y}, {16, y}}), 1.4);
                else
                    g.stroke(polyline({{8, y}, {16, y}}), 1.4);
            }
        }
    } else if (base == QLatin1String("doc.on.doc") || base == QLatin1String("doc.on.clipboard")) {
        g.shape(rounded(8, 7, 12, 14, 2), filled);
        g.stroke(polyline({{5, 16}, {4, 16}, {4, 3}, {14, 3}, {14, 4}}));
    } else if (base == QLatin1String("clock.arrow.circlepath")) {
        g.stroke(arc(12, 12, 8.5, 200, -300));
        g.stroke(polyline({{2.2, 8.5}, {4.2, 11.8}, {7.4, 9.8}}));
        g.stroke(polyline({{12, 7.5}, {12, 12}, {15, 14}}));
    } else if (base == QLatin1String("arrow.up.forward.square")) {
        g.shape(rounded(3, 3, 18, 18, 4), filled);
        const auto arrow = [&](auto&& draw) {
            draw(polyline({{8.5, 15.5}, {15.5, 8.5}}));
            draw(polyline({{10, 8.5}, {15.5, 8.5}, {15.5, 14}}));
        };
        if (filled)
            arrow([&](const QPainterPath& p) { g.cut(p); });
        else
            arrow([&](const QPainterPath& p) { g.stroke(p); });
    } else if (base == QLatin1String("chevron.right")) {
        g.stroke(polyline({{9, 5}, {16, 12}, {9, 19}}), 2.2);
    } else if (base == QLatin1String("chevron.left")) {
        g.stroke(polyline({{15, 5}, {8, 12}, {15, 19}}), 2.2);
    } else if (base == QLatin1String("arrow.up")) {
        g.stroke(polyline({{12, 20}, {12, 4.5}}), 2);
        g.stroke(polyline({{5.5, 11}, {12, 4.5}, {18.5, 11}}), 2);
    } else if (base == QLatin1String("ellipsis")) {
        for (const double x : {5.0, 12.0, 19.0})
            g.fill(circle(x, 12, 1.9));
    } else if (base == QLatin1String("plus.circle")) {
        g.shape(circle(12, 12, 9), filled);
        if (filled) {
            g.cut(polyline({{12, 7.5}, {12, 16.5}}));
            g.cut(polyline({{7.5, 12}, {16.5, 12}}));
        } else {
            g.stroke(polyline({{12, 7.5}, {12, 16.5}}));
            g.stroke(polyline({{7.5, 12}, {16.5, 12}}));
        }
    } else if (base == QLatin1String("link")) {
        QPainterPath first;
        first.addRoundedRect(QRectF(2.5, 8.5, 11, 7), 3.5, 3.5);
        QPainterPath second;
        second.addRoundedRect(QRectF(10.5, 8.5, 11, 7), 3.5, 3.5);
        QTransform turn;
        turn.translate(12, 12);
        turn.rotate(-35);
        turn.translate(-12, -12);
        g.stroke(turn.map(first), 1.7);
        g.stroke(turn.map(second), 1.7);
    } else if (base == QLatin1String("rectangle.split.3x3")) {
        g.shape(rounded(3, 3, 18, 18, 2.5), filled);
        const auto draw = [&](const QPainterPath& p) {
            if (filled)
                g.cut(p, 1.3);
            else
                g.stroke(p, 1.3);
        };
        for (const double at : {9.0, 15.0}) {
            draw(polyline({{at, 3}, {at, 21}}));
            draw(polyline({{3, at}, {21, at}}));
        }
    } else if (base == QLatin1String("circle.circle")) {
        g.stroke(circle(12, 12, 9));
        g.shape(circle(12, 12, 4), filled);
    } else if (base == QLatin1String("chart.bar.xaxis")) {
        g.stroke(polyline({{3, 20.5}, {21, 20.5}}));
        g.fill(rounded(4.5, 11, 4, 7.5, 1));
        g.fill(rounded(10, 5, 4, 13.5, 1));
        g.fill(rounded(15.5, 8.5, 4, 10, 1));
    } else if (base == QLatin1String("chart.bar")) {
        g.shape(rounded(3.5, 12, 4.5, 9, 1), filled);
        g.shape(rounded(9.75, 4, 4.5, 17, 1), filled);
        g.shape(rounded(16, 8, 4.5, 13, 1), filled);
    } else if (base == QLatin1String("circle.hexagongrid")) {
        for (const QPointF& at : {QPointF(12, 12), QPointF(6.5, 12), QPointF(17.5, 12), QPointF(9.25, 7.2),
                                  QPointF(14.75, 7.2), QPointF(9.25, 16.8), QPointF(14.75, 16.8)})
            g.shape(circle(at.x(), at.y(), 2.3), filled);
    } else if (base == QLatin1String("point.3.connected.trianglepath.dotted")) {
        g.stroke(polyline({{5, 18}, {12, 5.5}, {19, 18}}), 1.4);
        g.stroke(polyline({{7.5, 18}, {16.5, 18}}), 1.2);
        for (const QPointF& at : {QPointF(5, 18), QPointF(12, 5.5), QPointF(19, 18)})
            g.fill(circle(at.x(), at.y(), 2.6));
    } else if (base == QLatin1String("calendar")) {
        g.shape(rounded(3, 4.5, 18, 16.5, 2.5), filled);
        if (filled) {
            g.cut(polyline({{3, 9.5}, {21, 9.5}}), 1.4);
        } else {
            g.stroke(polyline({{3, 9.5}, {21, 9.5}}), 1.4);
            for (const double x : {8.0, 12.0, 16.0})
                for (const double y : {13.0, 17.0})
                    g.fill(circle(x, y, 1.1));
        }
        g.stroke(polyline({{8, 2.5}, {8, 6}}));
        g.stroke(polyline({{16, 2.5}, {16, 6}}));
    } else if (base == QLatin1String("list.bullet.rectangle")) {
        g.shape(rounded(2.5, 4, 19, 16, 2.5), filled);
        for (const double y : {8.5, 12.0, 15.5}) {
            if (filled) {
                g.cut(circle(6.5, y, 0.4), 1.6);
                g.cut(polyline({{9.5, y}, {17.5, y}}), 1.4);
            } else {
                g.fill(circle(6.5, y, 1));
                g.stroke(polyline({{9.5, y}, {17.5, y}}), 1.4);
            }
        }
    } else if (base == QLatin1String("line.3.horizontal.decrease.circle")) {
        g.shape(circle(12, 12, 9.5), filled);
        const std::initializer_list<std::pair<double, double>> lines = {{8.5, 6.5}, {12, 8.5}, {15.5, 10.5}};
        for (const auto& [y, inset] : lines) {
            const QPainterPath line = polyline({{inset, y}, {24 - inset, y}});
            if (filled)
                g.cut(line, 1.6);
            else
                g.stroke(line, 1.6);
        }
    } else if (base == QLatin1String("music.note")) {
        g.fill(circle(8, 17.5, 3.2));
        g.stroke(polyline({{11, 17.5}, {11, 4}, {19, 2.5}, {19, 6.5}, {11, 8}}), 1.8);
    } else if (base == QLatin1String("chevron.left.forwardslash.chevron.right")) {
        g.stroke(polyline({{7, 7}, {2.5, 12}, {7, 17}}), 2);
        g.stroke(polyline({{17, 7}, {21.5, 12}, {17, 17}}), 2);
        g.stroke(polyline({{14, 4.5}, {10, 19.5}}), 1.8);
    } else if (base == QLatin1String("doc.zipper")) {
        g.shape(polyline({{5, 3}, {14, 3}, {19, 8}, {19, 21}, {5, 21}}, true), filled);
        for (const double y : {5.5, 8.5, 11.5}) {
            const QPainterPath tooth = polyline({{y == 8.5 ? 11.0 : 9.0, y}, {y == 8.5 ? 13.0 : 11.0, y}});
            if (filled)
                g.cut(tooth, 1.6);
            else
                g.stroke(tooth, 1.6);
        }
        if (filled)
            g.cut(rounded(9.5, 14, 3, 4, 0.8), 1.3);
        else
            g.stroke(rounded(9.5, 14, 3, 4, 0.8), 1.3);
    } else if (base == QLatin1String("lock.shield")) {
        g.shape(shield(), filled);
        g.fill(rounded(9, 11, 6, 5, 1));
        g.stroke(arc(12, 11, 2, 0, 180), 1.4);
    } else if (base.startsWith(QLatin1String("waveform"))) {
        g.stroke(polyline({{2, 12}, {6, 12}, {8.5, 5}, {12, 19}, {15, 8}, {17, 12}, {22, 12}}));
    } else if (base == QLatin1String("checkmark.circle")) {
        g.shape(circle(12, 12, 9), filled);
        const QPainterPath tick = polyline({{7.5, 12.5}, {10.5, 15.5}, {16.5, 9}});
        if (filled)
            g.cut(tick, 2);
        else
            g.stroke(tick);
    } else if (base == QLatin1String("circle")) {
        g.shape(circle(12, 12, 9), filled);
    } else if (base == QLatin1String("checkmark.shield")) {
        g.shape(shield(), filled);
        const QPainterPath tick = polyline({{8.5, 12}, {11, 14.5}, {15.5, 9.5}});
        if (filled)
            g.cut(tick, 1.8);
        else
            g.stroke(tick, 1.6);
    } else if (base == QLatin1String("checkmark.seal")) {
        QPainterPath seal;
        constexpr int kPoints = 24;
        for (int i = 0; i <= kPoints; ++i) {
            const double a = i * 2 * std::numbers::pi / kPoints;
            const double r = i % 2 == 0 ? 9.6 : 8.2;
            const QPointF point(12 + r * std::cos(a), 12 + r * std::sin(a));
            if (i == 0)
                seal.moveTo(point);
            else
                seal.lineTo(point);
        }
        seal.closeSubpath();
        g.shape(seal, filled);
        const QPainterPath tick = polyline({{8, 12.3}, {10.8, 15}, {16, 9.3}});
        if (filled)
            g.cut(tick, 2);
        else
            g.stroke(tick, 1.6);
    } else if (base == QLatin1String("square.stack")) {
        g.shape(rounded(3, 8, 14, 13, 2.5), filled);
        g.stroke(polyline({{7.5, 5}, {7.5, 3.5}, {20.5, 3.5}, {20.5, 16.5}, {19, 16.5}}));
    } else if (base == QLatin1String("tray")) {
        QPainterPath tray;
        tray.moveTo(3, 13);
        tray.lineTo(3, 18.5);
        tray.quadTo(3, 20.5, 5, 20.5);
        tray.lineTo(19, 20.5);
        tray.quadTo(21, 20.5, 21, 18.5);
        tray.lineTo(21, 13);
        tray.lineTo(18, 4.5);
        tray.lineTo(6, 4.5);
        tray.closeSubpath();
        g.shape(tray, filled);
        const QPainterPath opening =
            polyline({{3, 13}, {8, 13}, {9.5, 15.5}, {14.5, 15.5}, {16, 13}, {21, 13}});
        if (filled)
            g.cut(opening, 1.6);
        else
            g.stroke(opening, 1.6);
    } else if (base == QLatin1String("externaldrive.badge.checkmark")) {
        g.stroke(rounded(2, 5.5, 16, 9, 2.5));
        g.fill(circle(14, 10, 1));
        g.stroke(polyline({{4.5, 17.5}, {10, 17.5}}));
        g.cut(circle(17.5, 17, 6.3), 1.6);
        g.fill(circle(17.5, 17, 5.6));
        g.cut(polyline({{15, 17.2}, {16.9, 19}, {20, 15.4}}), 1.6);
    } else if (base == QLatin1String("checkmark")) {
        g.stroke(polyline({{5, 12.5}, {10, 17.5}, {19, 7}}), 2.2);
    } else if (base == QLatin1String("magnifyingglass")) {
        g.stroke(circle(10.5, 10.5, 6.5), 2);
        g.stroke(polyline({{15.5, 15.5}, {20.5, 20.5}}), 2.4);
    } else if (base == QLatin1String("paperplane")) {
        g.shape(polyline({{3, 11}, {21, 3}, {14, 21}, {11, 13}}, true), filled);
        g.stroke(polyline({{11, 13}, {21, 3}}), 1.4);
    } else if (base == QLatin1String("sidebar.right")) {
        g.stroke(rounded(2.5, 4, 19, 16, 3));
        g.stroke(polyline({{15, 4}, {15, 20}}));
    } else if (base == QLatin1String("sun.max")) {
        g.shape(circle(12, 12, 4), filled);
        for (int i = 0; i < 8; ++i) {
            const double a = i * std::numbers::pi / 4;
            g.stroke(polyline({{12 + 7 * std::cos(a), 12 + 7 * std::sin(a)},
                               {12 + 9.5 * std::cos(a), 12 + 9.5 * std::sin(a)}}));
        }
    } else if (base == QLatin1String("moon")) {
        QPainterPath moon = circle(12, 12, 8.5).subtracted(circle(16.5, 8, 7));
        g.shape(moon, filled);
    } else if (base == QLatin1String("trash")) {
        g.shape(polyline({{6, 7}, {18, 7}, {17, 21}, {7, 21}}, true), filled);
        g.stroke(polyline({{3.5, 6}, {20.5, 6}}));
        g.stroke(polyline({{9.5, 5.5}, {9.5, 3}, {14.5, 3}, {14.5, 5.5}}));
    } else if (base == QLatin1String("xmark")) {
        g.stroke(polyline({{6, 6}, {18, 18}}), 2.2);
        g.stroke(polyline({{18, 6}, {6, 18}}), 2.2);
    } else if (base == QLatin1String("xmark.circle")) {
        g.shape(circle(12, 12, 9.5), filled);
        const QPainterPath a = polyline({{8.5, 8.5}, {15.5, 15.5}});
        const QPainterPath b = polyline({{15.5, 8.5}, {8.5, 15.5}});
        if (filled) {
            g.cut(a, 2);
            g.cut(b, 2);
        } else {
            g.stroke(a);
            g.stroke(b);
        }
    } else if (base == QLatin1String("app.badge")) {
        g.stroke(rounded(3, 5, 16, 16, 4));
        g.fill(circle(18.5, 5.5, 3.5));
    } else if (base == QLatin1String("photo")) {
        g.shape(rounded(2.5, 4.5, 19, 15, 2.5), filled);
        const QPainterPath hills = polyline({{4, 18}, {9.5, 12}, {13, 15.5}, {15.5, 13}, {20, 18}});
        if (filled)
            g.cut(hills, 1.6);
        else
            g.stroke(hills, 1.6);
    } else if (base == QLatin1String("iphone") || base == QLatin1String("apps.iphone")) {
        g.shape(rounded(6.5, 2.5, 11, 19, 2.5), filled);
        if (base == QLatin1String("apps.iphone")) {
            for (double x : {9.5, 14.5})
                for (double y : {7.0, 12.0})
                    g.fill(rounded(x - 1.5, y - 1.5, 3, 3, 0.8));
        }
    } else if (base == QLatin1String("film")) {
        g.shape(rounded(3, 3, 18, 18, 2), filled);
        const auto draw = [&](const QPainterPath& p) {
            if (filled)
                g.cut(p, 1.4);
            else
                g.stroke(p, 1.4);
        };
        draw(polyline({{7.5, 3}, {7.5, 21}}));
        draw(polyline({{16.5, 3}, {16.5, 21}}));
        draw(polyline({{7.5, 12}, {16.5, 12}}));
    } else if (base == QLatin1String("shippingbox") || base == QLatin1String("cube.transparent")) {
        const QPainterPath box =
            polyline({{12, 2.5}, {20.5, 7}, {20.5, 17}, {12, 21.5}, {3.5, 17}, {3.5, 7}}, true);
        g.shape(box, filled);
        const QPainterPath edges = polyline({{3.5, 7}, {12, 11.5}, {20.5, 7}});
        if (filled) {
            g.cut(edges, 1.4);
            g.cut(polyline({{12, 11.5}, {12, 21.5}}), 1.4);
        } else {
            g.stroke(edges, 1.4);
            g.stroke(polyline({{12, 11.5}, {12, 21.5}}), 1.4);
        }
    } else if (base == QLatin1String("hammer")) {
        g.fill(polyline({{4, 6}, {12, 3}, {17, 6}, {15, 10}, {11, 8}, {6, 10}}, true));
        g.stroke(polyline({{11.5, 9}, {19.5, 20}}), 2.6);
    } else if (base == QLatin1String("opticaldisc")) {
        g.shape(circle(12, 12, 9.5), filled);
        if (filled)
            g.cut(circle(12, 12, 1.5), 2);
        else
            g.stroke(circle(12, 12, 2.5), 1.4);
    } else if (base == QLatin1String("square.grid.2x2")) {
        for (const double x : {4.0, 13.0})
            for (const double y : {4.0, 13.0})
                g.shape(rounded(x, y, 7, 7, 1.8), filled);
    } else if (base == QLatin1String("envelope")) {
        g.shape(rounded(2.5, 5, 19, 14, 2.5), filled);
        const QPainterPath flap = polyline({{3.5, 6.5}, {12, 13}, {20.5, 6.5}});
        if (filled)
            g.cut(flap, 1.6);
        else
            g.stroke(flap, 1.6);
    } else if (base == QLatin1String("gearshape")) {
        QPainterPath gear;
        for (int i = 0; i < 8; ++i) {
            const double a = i * std::numbers::pi / 4;
            gear.addPolygon(
                QPolygonF(QList<QPointF>{{12 + 6.5 * std::cos(a - 0.28), 12 + 6.5 * std::sin(a - 0.28)},
                                         {12 + 9.8 * std::cos(a - 0.2), 12 + 9.8 * std::sin(a - 0.2)},
                                         {12 + 9.8 * std::cos(a + 0.2), 12 + 9.8 * std::sin(a + 0.2)},
                                         {12 + 6.5 * std::cos(a + 0.28), 12 + 6.5 * std::sin(a + 0.28)}}));
            gear.closeSubpath();
        }
        gear.addPath(circle(12, 12, 7.2));
        gear = gear.simplified();
        g.shape(gear, filled);
        if (filled)
            g.cut(circle(12, 12, 1.6), 2.2);
        else
            g.stroke(circle(12, 12, 2.8));
    } else if (base == QLatin1String("arrow.clockwise")) {
        // Clockwise from the right round to the upper right, where the head points on.
        g.stroke(arc(12, 12, 8, 0, -300), 2);
        g.fill(polyline({{18.6, 6.5}, {12.9, 7.2}, {16.4, 1.3}}, true));
    } else if (base == QLatin1String("square.stack.3d.up")) {
        g.shape(polyline({{12, 3}, {21, 7.5}, {12, 12}, {3, 7.5}}, true), filled);
        g.stroke(polyline({{3, 12}, {12, 16.5}, {21, 12}}));
        g.stroke(polyline({{3, 16.5}, {12, 21}, {21, 16.5}}));
    } else if (base == QLatin1String("clock")) {
        g.shape(circle(12, 12, 9), filled);
        const QPainterPath hands = polyline({{12, 7}, {12, 12}, {15.5, 14}});
        if (filled)
            g.cut(hands);
        else
            g.stroke(hands);
    } else if (base == QLatin1String("square")) {
        g.shape(rounded(4, 4, 16, 16, 3), filled);
    } else if (base == QLatin1String("ellipsis.circle")) {
        g.shape(circle(12, 12, 9.5), filled);
        for (const double x : {8.0, 12.0, 16.0}) {
            if (filled)
                g.cut(circle(x, 12, 0.4), 2.2);
            else
                g.fill(circle(x, 12, 1.3));
        }
    } else if (base == QLatin1String("plus")) {
        g.stroke(polyline({{12, 5}, {12, 19}}), 2.2);
        g.stroke(polyline({{5, 12}, {19, 12}}), 2.2);
    } else if (base == QLatin1String("cpu")) {
        g.shape(rounded(6, 6, 12, 12, 2), filled);
        if (filled)
            g.cut(rounded(9.5, 9.5, 5, 5, 1), 1.4);
        else
            g.stroke(rounded(9.5, 9.5, 5, 5, 1), 1.4);
        for (const double t : {9.0, 12.0, 15.0}) {
            g.stroke(polyline({{t, 2.5}, {t, 5}}), 1.4);
            g.stroke(polyline({{t, 19}, {t, 21.5}}), 1.4);
            g.stroke(polyline({{2.5, t}, {5, t}}), 1.4);
            g.stroke(polyline({{19, t}, {21.5, t}}), 1.4);
        }
    } else if (base == QLatin1String("memorychip")) {
        g.shape(rounded(2.5, 6, 19, 10, 1.5), filled);
        for (const double x : {6.0, 10.0, 14.0, 18.0})
            g.stroke(polyline({{x, 16}, {x, 19.5}}), 1.4);
        if (filled)
            g.cut(polyline({{6.5, 11}, {17.5, 11}}), 1.4);
        else
            g.stroke(polyline({{6.5, 11}, {17.5, 11}}), 1.4);
    } else if (base == QLatin1String("network")) {
        g.shape(circle(12, 12, 9), filled);
        const auto draw = [&](const QPainterPath& p) {
            if (filled)
                g.cut(p, 1.4);
            else
                g.stroke(p, 1.4);
        };
        QPainterPath meridian;
        meridian.addEllipse(QRectF(8, 3, 8, 18));
        draw(meridian);
        draw(polyline({{3, 12}, {21, 12}}));
    } else if (base == QLatin1String("chevron.down")) {
        g.stroke(polyline({{5, 9}, {12, 16}, {19, 9}}), 2.2);
    } else if (base == QLatin1String("eye")) {
        QPainterPath lid;
        lid.moveTo(2.5, 12);
        lid.quadTo(12, 2, 21.5, 12);
        lid.quadTo(12, 22, 2.5, 12);
        lid.closeSubpath();
        g.shape(lid, filled);
        if (filled)
            g.cut(circle(12, 12, 2.2), 1.6);
        else
            g.fill(circle(12, 12, 3));
    } else if (base == QLatin1String("scope")) {
        g.stroke(circle(12, 12, 7.5));
        g.fill(circle(12, 12, 2));
        for (const auto& [from, to] : {std::pair{QPointF(12, 1.5), QPointF(12, 5)},
                                       {QPointF(12, 19), QPointF(12, 22.5)},
                                       {QPointF(1.5, 12), QPointF(5, 12)},
                                       {QPointF(19, 12), QPointF(22.5, 12)}})
            g.stroke(polyline({from, to}));
    } else if (base == QLatin1String("tray.and.arrow.down")) {
        g.stroke(polyline({{3, 13}, {3, 20}, {21, 20}, {21, 13}}));
        g.stroke(polyline({{3, 14.5}, {8, 14.5}, {9.5, 16.5}, {14.5, 16.5}, {16, 14.5}, {21, 14.5}}), 1.4);
        g.stroke(polyline({{12, 3}, {12, 12}}));
        g.stroke(polyline({{8.5, 8.5}, {12, 12}, {15.5, 8.5}}));
    } else if (base == QLatin1String("square.and.arrow.up")) {
        g.stroke(polyline({{8.5, 9}, {5, 9}, {5, 21}, {19, 21}, {19, 9}, {15.5, 9}}));
        g.stroke(polyline({{12, 2.5}, {12, 14.5}}));
        g.stroke(polyline({{8.5, 6}, {12, 2.5}, {15.5, 6}}));
    } else if (base == QLatin1String("icloud")) {
        QPainterPath cloud;
        cloud.moveTo(7, 19);
        cloud.cubicTo(2.5, 19, 2, 12.5, 6.5, 12);
        cloud.cubicTo(7, 6, 15.5, 5, 17, 10.5);
        cloud.cubicTo(22.5, 10.5, 22.5, 19, 17.5, 19);
        cloud.closeSubpath();
        g.shape(cloud, filled);
    } else if (base == QLatin1String("plus.circle")) {
        g.shape(circle(12, 12, 9), filled);
        const QPainterPath across = polyline({{7.5, 12}, {16.5, 12}});
        const QPainterPath down = polyline({{12, 7.5}, {12, 16.5}});
        if (filled) {
            g.cut(across, 2);
            g.cut(down, 2);
        } else {
            g.stroke(across);
            g.stroke(down);
        }
    } else if (base == QLatin1String("music.note")) {
        g.fill(QPainterPath(circle(8, 18, 3)));
        g.stroke(polyline({{10.8, 18}, {10.8, 4}, {18, 6.5}}), 2);
    } else if (base == QLatin1String("chevron.left.forwardslash.chevron.right")) {
        g.stroke(polyline({{7, 7}, {2.5, 12}, {7, 17}}));
        g.stroke(polyline({{17, 7}, {21.5, 12}, {17, 17}}));
        g.stroke(polyline({{13.5, 5}, {10.5, 19}}));
    } else if (base == QLatin1String("doc.zipper")) {
        g.shape(polyline({{5, 3}, {14, 3}, {19, 8}, {19, 21}, {5, 21}}, true), filled);
        for (double y : {6.0, 9.0, 12.0, 15.0}) {
            const QPainterPath tooth = polyline(
                {{y == 9.0 || y == 15.0 ? 10.0 : 12.0, y}, {y == 9.0 || y == 15.0 ? 12.0 : 14.0, y}});
            if (filled)
                g.cut(tooth, 1.4);
            else
                g.stroke(tooth, 1.4);
        }
    } else if (base == QLatin1String("rectangle.split.3x3")) {
        g.shape(rounded(3, 3, 18, 18, 2.5), filled);
        const auto split = [&](const QPainterPath& p) {
            if (filled)
                g.cut(p, 1.4);
            else
                g.stroke(p, 1.4);
        };
        for (const double at : {9.0, 15.0}) {
            split(polyline({{at, 3}, {at, 21}}));
            split(polyline({{3, at}, {21, at}}));
        }
    } else if (base == QLatin1String("circle.circle")) {
        g.shape(circle(12, 12, 9), filled);
        if (filled)
            g.cut(circle(12, 12, 4.5), 1.6);
        else
            g.stroke(circle(12, 12, 4.5));
    } else if (base == QLatin1String("chart.bar.xaxis")) {
        g.stroke(polyline({{3, 20.5}, {21, 20.5}}));
        g.fill(rounded(5, 12, 3.2, 6.5, 1));
        g.fill(rounded(10.4, 5, 3.2, 13.5, 1));
        g.fill(rounded(15.8, 9, 3.2, 9.5, 1));
    } else if (base == QLatin1String("circle.hexagongrid")) {
        g.shape(circle(8.5, 9, 5), filled);
        g.shape(circle(16.5, 10, 3.5), filled);
        g.shape(circle(11.5, 17.5, 3.5), filled);
    } else if (base == QLatin1String("point.3.connected.trianglepath.dotted")) {
        g.stroke(polyline({{5, 18}, {12, 5.5}, {19, 18}}), 1.4);
        g.fill(circle(5, 18, 2.6));
        g.fill(circle(12, 5.5, 2.6));
        g.fill(circle(19, 18, 2.6));
    } else {
        // An unknown name still takes its place: a small ring.
        g.stroke(circle(12, 12, 7));
    }
}

const QHash<QString, QString>& index() {
    static const QHash<QString, QString> byName = [] {
        QHash<QString, QString> h;
        for (const auto& [symbol, name] : table())
            h.insert(symbol, name);
        return h;
    }();
    return byName;
}

// The theme's icon for `symbol`, or a null icon. Symbolic variants are preferred: they are monochrome,
// like the glyphs they replace.
QIcon themeIcon(const QString& symbol) {
    if (!g_themeIcons)
        return {};
    const QString name = themeName(symbol);
    if (name.isEmpty())
        return {};
    const QString symbolic = name + QStringLiteral("-symbolic");
    if (QIcon::hasThemeIcon(symbolic))
        return QIcon::fromTheme(symbolic);
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    return {};
}

} // namespace

const std::vector<std::pair<QString, QString>>& table() {
    static const std::vector<std::pair<QString, QString>> rows = {
        {QStringLiteral("folder"), QStringLiteral("folder")},
        {QStringLiteral("folder.fill"), QStringLiteral("folder")},
        {QStringLiteral("internaldrive"), QStringLiteral("drive-harddisk")},
        {QStringLiteral("internaldrive.fill"), QStringLiteral("drive-harddisk")},
        {QStringLiteral("externaldrive"), QStringLiteral("drive-removable-media")},
        {QStringLiteral("house.fill"), QStringLiteral("user-home")},
        {QStringLiteral("arrow.down.circle"), QStringLiteral("folder-download")},
        {QStringLiteral("desktopcomputer"), QStringLiteral("user-desktop")},
        {QStringLiteral("doc"), QStringLiteral("text-x-generic")},
        {QStringLiteral("doc.text.fill"), QStringLiteral("text-x-generic")},
        {QStringLiteral("doc.on.doc"), QStringLiteral("edit-copy")},
        {QStringLiteral("doc.on.clipboard"), QStringLiteral("edit-paste")},
        {QStringLiteral("clock.arrow.circlepath"), QStringLiteral("document-open-recent")},
        {QStringLiteral("arrow.up.forward.square"), QStringLiteral("system-file-manager")},
        {QStringLiteral("chevron.right"), QStringLiteral("go-next")},
        {QStringLiteral("chevron.left"), QStringLiteral("go-previous")},
        {QStringLiteral("arrow.up"), QStringLiteral("go-up")},
        {QStringLiteral("plus.circle"), QStringLiteral("list-add")},
        {QStringLiteral("link"), QStringLiteral("insert-link")},
        {QStringLiteral("music.note"), QStringLiteral("audio-x-generic")},
        {QStringLiteral("doc.zipper"), QStringLiteral("package-x-generic")},
        {QStringLiteral("lock.shield"), QStringLiteral("security-high")},
        {QStringLiteral("waveform.path"), QStringLiteral("utilities-system-monitor")},
        {QStringLiteral("waveform.path.ecg"), QStringLiteral("utilities-system-monitor")},
        {QStringLiteral("checkmark"), QStringLiteral("object-select")},
        {QStringLiteral("checkmark.circle"), QStringLiteral("emblem-ok")},
        {QStringLiteral("checkmark.circle.fill"), QStringLiteral("emblem-ok")},
        {QStringLiteral("magnifyingglass"), QStringLiteral("edit-find")},
        {QStringLiteral("paperplane.fill"), QStringLiteral("mail-send")},
        {QStringLiteral("sidebar.right"), QStringLiteral("view-right-pane")},
        {QStringLiteral("sun.max"), QStringLiteral("weather-clear")},
        {QStringLiteral("moon"), QStringLiteral("weather-clear-night")},
        {QStringLiteral("trash"), QStringLiteral("user-trash")},
        {QStringLiteral("xmark"), QStringLiteral("window-close")},
        {QStringLiteral("xmark.circle.fill"), QStringLiteral("edit-clear")},
        {QStringLiteral("app.badge"), QStringLiteral("application-x-executable")},
        {QStringLiteral("photo.fill"), QStringLiteral("image-x-generic")},
        {QStringLiteral("iphone"), QStringLiteral("phone")},
        {QStringLiteral("apps.iphone"), QStringLiteral("phone")},
        {QStringLiteral("film"), QStringLiteral("video-x-generic")},
        {QStringLiteral("shippingbox"), QStringLiteral("package-x-generic")},
        {QStringLiteral("shippingbox.fill"), QStringLiteral("package-x-generic")},
        {QStringLiteral("hammer"), QStringLiteral("applications-development")},
        {QStringLiteral("cube.transparent"), QStringLiteral("computer")},
        {QStringLiteral("opticaldisc"), QStringLiteral("media-optical")},
        {QStringLiteral("envelope"), QStringLiteral("mail-read")},
        {QStringLiteral("square.grid.2x2"), QStringLiteral("view-grid")},
        {QStringLiteral("gearshape.fill"), QStringLiteral("preferences-system")},
        {QStringLiteral("arrow.clockwise"), QStringLiteral("view-refresh")},
        {QStringLiteral("plus"), QStringLiteral("list-add")},
        {QStringLiteral("network"), QStringLiteral("network-wired")},
        {QStringLiteral("chevron.down"), QStringLiteral("go-down")},
        {QStringLiteral("eye"), QStringLiteral("view-visible")},
        {QStringLiteral("scope"), QStringLiteral("zoom-fit-best")},
        {QStringLiteral("tray.and.arrow.down"), QStringLiteral("document-save")},
        {QStringLiteral("square.and.arrow.up"), QStringLiteral("document-export")},
        {QStringLiteral("icloud"), QStringLiteral("weather-overcast")},
        {QStringLiteral("plus.circle"), QStringLiteral("list-add")},
        {QStringLiteral("music.note"), QStringLiteral("audio-x-generic")},
        {QStringLiteral("chevron.left.forwardslash.chevron.right"), QStringLiteral("text-x-script")},
        {QStringLiteral("doc.zipper"), QStringLiteral("package-x-generic")},
    };
    return rows;
}

QString themeName(const QString& symbol) {
    return index().value(symbol);
}

void setThemeIconsEnabled(bool enabled) {
    g_themeIcons = enabled;
    QPixmapCache::clear();
}

bool themeIconsEnabled() {
    return g_themeIcons;
}

void paintFallback(QPainter& painter, const QString& symbol, const QRectF& box, const QColor& color) {
    Glyph glyph(painter, box, color);
    drawGlyph(glyph, symbol);
}

QPixmap pixmap(const QString& symbol, int size, const QColor& color, qreal devicePixelRatio) {
    size = std::max(1, size);
    const QString key = QStringLiteral("ambertrove-icon:%1:%2:%3:%4")
                            .arg(symbol)
                            .arg(size)
                            .arg(color.rgba(), 0, 16)
                            .arg(devicePixelRatio);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;

    const int device = int(std::ceil(size * devicePixelRatio));
    QImage image(device, device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);
    {
        QPainter painter(&image);
        const QIcon themed = themeIcon(symbol);
        if (!themed.isNull()) {
            // A theme icon is reduced to its silhouette in the asked colour.
            painter.drawPixmap(QRect(0, 0, size, size), themed.pixmap(QSize(size, size), devicePixelRatio));
            painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            painter.fillRect(QRect(0, 0, size, size), color);
        } else {
            // Drawn in full opacity, then faded, so overlapping strokes keep one tone.
            QColor opaque = color;
            opaque.setAlpha(255);
            paintFallback(painter, symbol, QRectF(0, 0, size, size), opaque);
            if (color.alpha() != 255) {
                painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
                painter.fillRect(QRect(0, 0, size, size), QColor(0, 0, 0, color.alpha()));
            }
        }
    }
    QPixmap result = QPixmap::fromImage(image);
    QPixmapCache::insert(key, result);
    return result;
}

void paint(QPainter& painter, const QString& symbol, const QRectF& box, const QColor& color) {
    const double side = std::min(box.width(), box.height());
    if (side <= 0)
        return;
    const int size = int(std::lround(side));
    const QPixmap image =
        pixmap(symbol, size, color, painter.device() ? painter.device()->devicePixelRatioF() : 1.0);
    const QPointF topLeft(box.center().x() - size / 2.0, box.center().y() - size / 2.0);
    painter.drawPixmap(topLeft, image);
}

QIcon icon(const QString& symbol, const QColor& color) {
    QIcon result;
    for (int size : {16, 22, 32})
        result.addPixmap(pixmap(symbol, size, color, 1));
    return result;
}

} // namespace ambertrove::Icons
