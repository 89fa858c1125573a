#include "explore/NodeActions.hpp"

#include "controller/AppModel.hpp"
#include "widgets/ViewText.hpp"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace ambertrove::NodeActions {

namespace {

QString nameOf(const DiskNode& node) {
    const std::string name = node.name();
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

void addEntries(QMenu& menu, const std::vector<Entry>& list) {
    for (const Entry& entry : list) {
        switch (entry.kind) {
        case Entry::Kind::divider:
            menu.addSeparator();
            break;
        case Entry::Kind::text: {
            QAction* line = menu.addAction(ViewText::withoutMnemonic(entry.title));
            line->setEnabled(false);
            line->setProperty("nodeActionCleanup", entry.cleanup);
            break;
        }
        case Entry::Kind::action: {
            QAction* action = menu.addAction(ViewText::withoutMnemonic(entry.title));
            action->setEnabled(entry.enabled);
            action->setProperty("nodeActionCleanup", entry.cleanup);
            if (entry.act)
                QObject::connect(action, &QAction::triggered, &menu, entry.act);
            break;
        }
        }
    }
}

} // namespace

std::vector<Entry> entries(AppModel& model, const DiskNode& node,
                           const std::optional<std::optional<QString>>& rejection, const QString& focusTitle,
                           const NodeLookup& lookup) {
    AppModel* controller = &model;
    const bool allowed = rejection && !*rejection && model.canClean();
    // An action on the node as given, or on the one the lookup finds when the entry is chosen.
    auto on = [&node, &lookup](std::function<void(const DiskNode&)> act) -> std::function<void()> {
        if (!lookup)
            return [node, act = std::move(act)] {
                act(node);
            };
        return [path = node.path, lookup, act = std::move(act)] {
            if (const std::optional<DiskNode> found = lookup(path))
                act(*found);
        };
    };
    std::vector<Entry> list;
    list.push_back({Entry::Kind::text, nameOf(node), false, false, false, {}});
    if (node.isDirectory)
        list.push_back({Entry::Kind::action, focusTitle, true, false, false,
                        on([controller](const DiskNode& n) { controller->focus(n); })});
    list.push_back({Entry::Kind::action, QStringLiteral("Reveal in Finder"), true, false, false,
                    on([controller](const DiskNode& n) { controller->reveal(n); })});
    list.push_back({Entry::Kind::action, QStringLiteral("Quick Look"), true, false, false,
                    on([controller](const DiskNode& n) { controller->quickLook(n); })});
    list.push_back({Entry::Kind::action, QStringLiteral("Copy Path"), true, false, false,
                    on([controller](const DiskNode& n) { controller->copyPath(n); })});
    list.push_back({Entry::Kind::divider, {}, false, false, false, {}});
    list.push_back({Entry::Kind::action, QStringLiteral("Add to Cleanup"), allowed, false, true,
                    on([controller](const DiskNode& n) {
                        controller->stage({n}, nullptr, kStageReason.toStdString());
                    })});
    list.push_back({Entry::Kind::action, QStringLiteral("Move to Trash…"), allowed, true, true,
                    on([controller](const DiskNode& n) { controller->requestTrash(n); })});
    if (rejection && *rejection)
        list.push_back({Entry::Kind::text, **rejection, false, false, true, {}});
    return list;
}

void fill(QMenu& menu, AppModel& model, const DiskNode& node, const QString& focusTitle,
          const NodeLookup& lookup) {
    const std::optional<std::optional<QString>> rejection = model.cleanupRejection(node.path);
    addEntries(menu, entries(model, node, rejection, focusTitle, lookup));
    if (rejection)
        return;
    // The answer arrives later: the cleanup entries are made again from it, in place.
    QPointer<QMenu> target(&menu);
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(
        &model, &AppModel::policyAnswered, &menu, [target, &model, node, focusTitle, lookup, connection] {
            const std::optional<std::optional<QString>> answer = model.cleanupRejection(node.path);
            if (!answer || !target)
                return;
            QObject::disconnect(*connection);
            const QList<QAction*> actions = target->actions();
            for (QAction* action : actions) {
                if (action->property("nodeActionCleanup").toBool()) {
                    target->removeAction(action);
                    action->deleteLater();
                }
            }
            std::vector<Entry> cleanup;
            for (Entry& entry : entries(model, node, answer, focusTitle, lookup)) {
                if (entry.cleanup)
                    cleanup.push_back(std::move(entry));
            }
            addEntries(*target, cleanup);
        });
}

QMenu* popup(QWidget* parent, AppModel& model, const DiskNode& node, const QPoint& at,
             const QString& focusTitle) {
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    fill(*menu, model, node, focusTitle);
    menu->popup(at);
    return menu;
}

} // namespace ambertrove::NodeActions
