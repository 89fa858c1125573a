#pragma once

#include <QLabel>

namespace ambertrove {

// A path shown on at most `maxLines` lines, shortened in the middle around "…" when longer, that the user
// can select. Plain text; its tooltip is the whole path. Laid out again whenever its width changes.
class SelectablePath final : public QLabel {
    Q_OBJECT

public:
    explicit SelectablePath(int maxLines = 2, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SelectablePath)

    [[nodiscard]] QString path() const { return m_path; }
    void setPath(const QString& path);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] bool hasHeightForWidth() const override { return true; }
    [[nodiscard]] int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void relayout();
    [[nodiscard]] QString linesAt(int width) const;

    QString m_path;
    int m_maxLines;
};

} // namespace ambertrove
