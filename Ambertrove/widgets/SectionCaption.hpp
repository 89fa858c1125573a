#pragma once

#include <QWidget>

namespace ambertrove {

// The small heading above a list or a sidebar group: the title in upper case with 1.2 pixels of
// tracking at the left, an optional trailing text as given at the right, 10-pixel semibold, muted.
class SectionCaption final : public QWidget {
    Q_OBJECT

public:
    explicit SectionCaption(const QString& title, const QString& trailing = {}, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SectionCaption)

    [[nodiscard]] QString title() const { return m_title; }
    void setTitle(const QString& title);
    [[nodiscard]] QString trailing() const { return m_trailing; }
    void setTrailing(const QString& trailing);
    // The title as shown (upper case).
    [[nodiscard]] QString shownTitle() const { return m_title.toUpper(); }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

    static constexpr int kSpacing = 8;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void changed();

    QString m_title;
    QString m_trailing;
};

} // namespace ambertrove
