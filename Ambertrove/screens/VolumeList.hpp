#pragma once

#include "system/VolumeInfo.hpp"

#include <QWidget>

#include <vector>

namespace ambertrove {

// The first three volumes of a reading: each its name, what is used of its capacity, and a usage bar.
class VolumeList final : public QWidget {
    Q_OBJECT

public:
    static constexpr std::size_t kMostVolumes = 3;
    static constexpr int kBarHeight = 5;

    explicit VolumeList(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(VolumeList)

    // How much of a usage bar is filled: the used share of the capacity, within 0 and 1.
    [[nodiscard]] static double barFraction(const VolumeInfo& volume);

    void setVolumes(const std::vector<VolumeInfo>& volumes);
    [[nodiscard]] const std::vector<VolumeInfo>& volumes() const { return m_volumes; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] int volumeHeight() const;

    std::vector<VolumeInfo> m_volumes;
};

} // namespace ambertrove
