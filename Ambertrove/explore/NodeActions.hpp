#pragma once

#include "model/DiskNode.hpp"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QMenu;
class QPoint;
class QWidget;

namespace ambertrove {

class AppModel;

// The one menu of actions on a scanned node that the explorer's lists, the chart and the age map share:
// the node's name, focus, reveal, preview, copy, then add to Cleanup and move to the Trash, which the
// cleanup policy and the controller's state guard, and the policy's objection last.
namespace NodeActions {

inline const QString kFocusTitle = QStringLiteral("Focus on this folder");
inline const QString kStageReason = QStringLiteral("Selected in Explore");

struct Entry {
    enum class Kind {
        // A line of text that cannot be chosen: the node's name, the policy's objection.
        text,
        action,
        divider,
    };
    Kind kind = Kind::action;
    QString title;
    bool enabled = false;
    // "Move to Trash…".
    bool destructive = false;
    // Marks the two cleanup entries, whose enabling waits for the policy's answer.
    bool cleanup = false;
    std::function<void()> act;
};

// Finds the node at a path again, in the scan its menu was made for; nothing once it is gone.
using NodeLookup = std::function<std::optional<DiskNode>(const std::string& path)>;

// The entries for `node`, top to bottom. `rejection` is the policy's answer: nothing while it is not
// known yet (the cleanup entries are then disabled, as when the answer objects), else the objection or
// none. The actions act on the node as it is given here, or, with `lookup`, on the node it finds at the
// node's path when the entry is chosen (nothing happens when it finds none).
[[nodiscard]] std::vector<Entry> entries(AppModel& model, const DiskNode& node,
                                         const std::optional<std::optional<QString>>& rejection,
                                         const QString& focusTitle = kFocusTitle,
                                         const NodeLookup& lookup = {});

// Fills `menu` with the entries of `node`. Names are shown literally. When the policy's answer is still
// being found out, the menu is completed in place once it arrives, also while it is open.
void fill(QMenu& menu, AppModel& model, const DiskNode& node, const QString& focusTitle = kFocusTitle,
          const NodeLookup& lookup = {});

// Opens the menu of `node` at the global point `at`, filled as fill() does; it deletes itself once closed.
QMenu* popup(QWidget* parent, AppModel& model, const DiskNode& node, const QPoint& at,
             const QString& focusTitle = kFocusTitle);

} // namespace NodeActions

} // namespace ambertrove
