#pragma once

#include <QWidget>

namespace ambertrove {

// One line naming the place a search covers: a symbol, the place's name, its shortened path and, for a
// saved scan, a "Saved scan" badge. 11 pixels; the full path is the tooltip.
class SearchLocationView final : public QWidget {
    Q_OBJECT

public:
    explicit SearchLocationView(const QString& path = {}, bool saved = false, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SearchLocationView)

    [[nodiscard]] QString path() const { return m_path; }
    [[nodiscard]] bool isSaved() const { return m_saved; }
    void setPath(const QString& path);
    void setSaved(bool saved);

    // "Entire Mac" for the whole disk, "Home" for the home folder, else the last component of the path.
    [[nodiscard]] static QString displayName(const QString& path, const QString& home);
    [[nodiscard]] QString name() const;
    // "internaldrive" for the data volume, else "folder".
    [[nodiscard]] static QString symbolFor(const QString& path);
    // The path as shown before it is shortened to the width.
    [[nodiscard]] QString shownPath() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void changed();

    QString m_path;
    bool m_saved;
};

} // namespace ambertrove
