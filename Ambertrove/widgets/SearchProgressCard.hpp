#pragma once

#include <QList>
#include <QPair>
#include <QWidget>

#include <optional>

class QHBoxLayout;
class QLabel;

namespace ambertrove {

class ClampedLabel;
class ElidedLabel;
class LinearProgress;
class ShrinkingLabel;

// What the card shows while a long search runs: a header (symbol tile, title, detail, percentage), a
// progress bar, a row of large figures and the path being worked on. It draws no background of its own;
// callers put it in a Card. Setters change only the part they concern, so frequent progress is cheap.
class SearchProgressCard final : public QWidget {
    Q_OBJECT

public:
    using Facts = QList<QPair<QString, QString>>;

    explicit SearchProgressCard(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SearchProgressCard)

    // An empty title hides the whole header, percentage included.
    void setTitle(const QString& title);
    // An empty detail hides its line; at most two lines, shortened in the middle.
    void setDetail(const QString& detail);
    // Nothing hides the path line.
    void setPath(const std::optional<QString>& path);
    // A fraction gives a determinate bar and a percentage; nothing (or a value that is not finite) an
    // indeterminate bar and no percentage.
    void setFraction(std::optional<double> fraction);
    // Label and value pairs, in order; none hides the row.
    void setFacts(const Facts& facts);

    [[nodiscard]] QString title() const { return m_title; }
    [[nodiscard]] QString detail() const { return m_detail; }
    [[nodiscard]] std::optional<QString> path() const { return m_path; }
    [[nodiscard]] std::optional<double> fraction() const { return m_fraction; }
    [[nodiscard]] const Facts& facts() const { return m_facts; }

    // The percentage of a fraction: the whole per cent, truncated ("99%" for 0.999), from a fraction
    // clamped to 0...1; "" for a value that is not finite.
    [[nodiscard]] static QString percentText(double fraction);

    // The parts, for layout checks: the header row, the percentage, the bar, the facts row and path line.
    [[nodiscard]] QWidget* header() const { return m_header; }
    [[nodiscard]] QLabel* percentLabel() const { return m_percent; }
    [[nodiscard]] LinearProgress* progressBar() const { return m_bar; }
    [[nodiscard]] QWidget* factsRow() const { return m_factsRow; }
    [[nodiscard]] ElidedLabel* pathLabel() const { return m_pathLabel; }
    [[nodiscard]] ClampedLabel* detailLabel() const { return m_detailLabel; }
    [[nodiscard]] QList<ShrinkingLabel*> factValues() const { return m_factValues; }
    [[nodiscard]] QList<ElidedLabel*> factLabels() const { return m_factLabels; }

private:
    void rebuildFacts();

    QString m_title;
    QString m_detail;
    std::optional<QString> m_path;
    std::optional<double> m_fraction;
    Facts m_facts;

    QWidget* m_header = nullptr;
    ElidedLabel* m_titleLabel = nullptr;
    ClampedLabel* m_detailLabel = nullptr;
    QLabel* m_percent = nullptr;
    LinearProgress* m_bar = nullptr;
    QWidget* m_factsRow = nullptr;
    QHBoxLayout* m_factsLayout = nullptr;
    QList<ElidedLabel*> m_factLabels;
    QList<ShrinkingLabel*> m_factValues;
    ElidedLabel* m_pathLabel = nullptr;
};

} // namespace ambertrove
