#pragma once

#include "theme/Paper.hpp"

#include <QWidget>

class QAbstractButton;

namespace ambertrove {

// A title with a chevron that shows or hides the content below it; collapsed at first.
class DisclosureGroup final : public QWidget {
    Q_OBJECT

public:
    // The title in `font` and `role`; the content lies `spacing` pixels below it when shown.
    DisclosureGroup(const QString& title, QWidget* content, const QFont& font, ColorRole role, int spacing,
                    QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(DisclosureGroup)

    [[nodiscard]] bool isExpanded() const;
    void setExpanded(bool expanded);
    void setTitle(const QString& title);
    [[nodiscard]] QString title() const;
    [[nodiscard]] QAbstractButton* header() const { return m_header; }
    [[nodiscard]] QWidget* content() const { return m_content; }

private:
    QAbstractButton* m_header;
    QWidget* m_content;
};

} // namespace ambertrove
