#pragma once

#include "duplicates/DuplicateReport.hpp"
#include "widgets/RowCanvas.hpp"

#include <QStringList>

#include <cstddef>
#include <memory>
#include <string>

namespace ambertrove {

class AppModel;

// One group of identical files, painted as one widget however many copies it holds: a header with the
// count, the size of one copy and "Add extras to Cleanup", then a row per copy with a radio mark, its name
// and shortened path, a "KEEP" or "EXTRA COPY" badge and a reveal button. A click anywhere on a row but its
// reveal button makes that copy the kept one; the choice lives in the controller.
class DuplicateGroupCard final : public RowCanvas {
    Q_OBJECT

public:
    enum TargetKind { stageTarget = 1, chooseTarget, revealTarget };

    static constexpr int kSpacing = 12;
    static constexpr int kRowPadding = 12;
    static constexpr int kTextSpacing = 5;
    static constexpr int kRadioSize = 18;
    static constexpr int kDocumentSize = 20;
    static constexpr double kCornerRadius = 10;

    // Shows group `index` of `report`, which it keeps alive.
    DuplicateGroupCard(AppModel& model, std::shared_ptr<const DuplicateReport> report, std::size_t index,
                       QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(DuplicateGroupCard)

    [[nodiscard]] const DuplicateGroup& group() const { return m_report->groups[m_index]; }
    // The path of the copy kept: the controller's choice, else the first file.
    [[nodiscard]] std::string keep() const;
    // The header's texts: "2 identical files" and "·  1 MB each".
    [[nodiscard]] QString countText() const;
    [[nodiscard]] QString sizeText() const;
    // The row of file `file` (rows start after the header).
    [[nodiscard]] static int rowOfFile(std::size_t file) { return int(file) + 1; }
    // The path of file `file` as shown.
    [[nodiscard]] QString shownPath(std::size_t file) const { return m_shownPaths.value(qsizetype(file)); }
    [[nodiscard]] bool canStage() const { return m_canStage; }

    // Reads the keeper and whether staging is allowed again; repaints when either changed.
    void refresh();

protected:
    void paintRow(QPainter& painter, int row, const QRect& rect) const override;
    [[nodiscard]] std::vector<Target> targets(int row, const QRect& rect) const override;
    void activate(int row, int kind) override;

private:
    struct FileLayout {
        QRect radio;
        QRect document;
        QRect name;
        QRect path;
        QRect badge;
        QRect reveal;
    };
    [[nodiscard]] FileLayout fileLayout(std::size_t file, const QRect& rect) const;
    [[nodiscard]] QRect stageRect(const QRect& rect) const;
    void paintHeader(QPainter& painter, const QRect& rect) const;
    void paintFile(QPainter& painter, std::size_t file, const QRect& rect) const;

    AppModel& m_model;
    std::shared_ptr<const DuplicateReport> m_report;
    std::size_t m_index;
    QStringList m_names;
    QStringList m_shownPaths;
    std::string m_keep;
    bool m_canStage = false;
};

} // namespace ambertrove
