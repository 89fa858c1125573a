#pragma once

#include "model/NodeTable.hpp"

#include <QList>
#include <QPair>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace ambertrove {

class AppModel;
class ClampedLabel;
class DisclosureButton;
class InspectorChips;
class LargestInsideList;
class SectionCaption;
class SelectablePath;
class ShrinkingLabel;
class TroveButton;
struct DiskNode;
struct ScanResult;

// The inspector column of the Explore section: the selected node, else the focused folder, with its
// kind, path, size and share of the scan, its details, for a folder its ten largest children, the
// cleanup policy's objection, and a fixed bar of the node's actions.
//
// Its content is made again only when what it shows changes: the node (selection, focus, scan), the
// size mode or the gate of the cleanup actions (jobs, a saved scan); a theme change rebuilds the window.
// The policy's answer arrives off the GUI thread and completes the note and the cleanup buttons in place.
class InspectorView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kLargestCount = 10;

    explicit InspectorView(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(InspectorView)

    // "—" without a reference or when it is 0 or less; else part over reference as "%.1f%%".
    [[nodiscard]] static QString share(std::int64_t part, std::optional<std::int64_t> reference);

    // What the content shows; the pointers are null while there is nothing to inspect.
    struct Parts {
        ClampedLabel* title = nullptr;
        InspectorChips* chips = nullptr;
        SelectablePath* path = nullptr;
        ShrinkingLabel* size = nullptr;
        QLabel* share = nullptr;
        // Label and value of each details row, top to bottom.
        QList<QPair<QLabel*, QLabel*>> details;
        SectionCaption* largestCaption = nullptr;
        LargestInsideList* largest = nullptr;
        QLabel* emptyInside = nullptr;
        QWidget* protection = nullptr;
        QLabel* protectionText = nullptr;
        DisclosureButton* aboutToggle = nullptr;
        QLabel* aboutText = nullptr;
        QWidget* cloudNote = nullptr;
        QWidget* actionBar = nullptr;
        TroveButton* reveal = nullptr;
        TroveButton* quickLook = nullptr;
        TroveButton* focus = nullptr;
        TroveButton* copyPath = nullptr;
        TroveButton* addToCleanup = nullptr;
        TroveButton* trash = nullptr;
    };
    [[nodiscard]] const Parts& parts() const { return m_parts; }
    // The path of the node shown, if any.
    [[nodiscard]] std::optional<std::string> inspectedPath() const;
    // How many times the content was made.
    [[nodiscard]] int buildCount() const { return m_buildCount; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // What the content depends on.
    struct Shown {
        const ScanResult* scan = nullptr;
        NodeIndex node = kNoNode;
        bool logical = false;
        bool canClean = false;
        friend bool operator==(const Shown&, const Shown&) = default;
    };

    [[nodiscard]] Shown wanted() const;
    void refresh();
    void build();
    void buildContent(QVBoxLayout* column, const ScanResult& scan, const DiskNode& node, NodeIndex index);
    void buildLargest(QVBoxLayout* column, const ScanResult& scan, const DiskNode& node, NodeIndex index);
    void buildActionBar(const DiskNode& node);
    // Shows the policy's answer, once it is known: the note, and the enabling of the cleanup actions.
    void applyPolicy();

    AppModel& m_model;
    QScrollArea* m_scroll = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QWidget* m_content = nullptr;
    Parts m_parts;
    std::optional<Shown> m_shown;
    std::string m_path;
    bool m_aboutOpen = false;
    int m_buildCount = 0;
};

} // namespace ambertrove
