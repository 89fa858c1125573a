#pragma once

#include <QRect>
#include <QStringList>
#include <QWidget>

#include <vector>

namespace ambertrove {

// The placeholder where a list, chart or screen has nothing to show: a symbol in an accent-tinted rounded
// square, a semibold title and a centred explanation that wraps within 390 pixels, in a compact and a
// full size. It takes the full width it is given.
class EmptyPanel final : public QWidget {
    Q_OBJECT

public:
    struct Measures {
        int spacing;
        int symbolSize;
        int square;
        int cornerRadius;
        int titleSize;
        int subtitleSize;
        int padding;
    };
    static constexpr int kSubtitleWidth = 390;
    static constexpr int kSubtitleLineSpacing = 4;
    [[nodiscard]] static Measures measures(bool compact);

    EmptyPanel(const QString& icon, const QString& title, const QString& subtitle, bool compact,
               QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(EmptyPanel)

    [[nodiscard]] QString icon() const { return m_icon; }
    [[nodiscard]] QString title() const { return m_title; }
    [[nodiscard]] QString subtitle() const { return m_subtitle; }
    [[nodiscard]] bool isCompact() const { return m_compact; }
    void setIcon(const QString& icon);
    void setTitle(const QString& title);
    void setSubtitle(const QString& subtitle);
    void setCompact(bool compact);

    // Where the parts go at `width`.
    struct Layout {
        QRect square;
        std::vector<QRect> titleLines;
        QStringList titleTexts;
        std::vector<QRect> subtitleLines;
        QStringList subtitleTexts;
        int height = 0;
    };
    [[nodiscard]] Layout layoutFor(int width) const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] bool hasHeightForWidth() const override { return true; }
    [[nodiscard]] int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void changed();

    QString m_icon;
    QString m_title;
    QString m_subtitle;
    bool m_compact;
};

} // namespace ambertrove
