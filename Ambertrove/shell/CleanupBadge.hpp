#pragma once

#include <QAbstractButton>

#include <cstdint>

namespace ambertrove {

// The footer's Cleanup button: the trash symbol and "Cleanup", and while the queue holds entries their
// number on an accent chip and their summed size.
class CleanupBadge final : public QAbstractButton {
    Q_OBJECT

public:
    explicit CleanupBadge(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(CleanupBadge)

    void setQueue(std::int64_t count, std::int64_t bytes);
    [[nodiscard]] std::int64_t count() const { return m_count; }
    // The chip's number and the size, as shown; empty while the queue is empty.
    [[nodiscard]] QString countText() const;
    [[nodiscard]] QString bytesText() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::int64_t m_count = 0;
    std::int64_t m_bytes = 0;
};

} // namespace ambertrove
