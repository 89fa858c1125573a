#pragma once

#include <QWidget>

namespace ambertrove {

// The chip under an application's name: "v" and its version, then a clock and when it was last used
// (when that is known), 10-pixel medium text on a capsule in the border colour.
class VersionChip final : public QWidget {
    Q_OBJECT

public:
    // `used` is the whole "Used …" text, or empty when unknown.
    VersionChip(const QString& version, const QString& used, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(VersionChip)

    [[nodiscard]] QString versionText() const { return m_version; }
    [[nodiscard]] QString usedText() const { return m_used; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_version;
    QString m_used;
};

} // namespace ambertrove
