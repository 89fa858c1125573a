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
                           const std::optional<std::optional<QString>>& rejection,
                           const QString& focusTitle) {
    AppModel* controller = &model;
    const bool allowed = rejection && !*rejection && model.canClean();
    std::vector<Entry> list;
    list.push_back({Entry::Kind::text, nameOf(node), false, false, false, {}});
    if (node.isDirectory)
        list.push_back({Entry::Kind::action, focusTitle, true, false, false, [controller, node] {
                            controller->focus(node);
                        }});
    list.push_back(
        {Entry::Kind::action, QStringLiteral("Reveal in Finder"), true, false, false, [controller, node] {
             controller->reveal(node);
         }});
    list.push_back(
        {Entry::Kind::action, QStringLiteral("Quick Look"), true, false, false, [controller, node] {
             controller->quickLook(node);
         }});
    list.push_back({Entry::Kind::action, QStringLiteral("Copy Path"), true, false, false, [controller, node] {
                        controller->copyPath(node);
                    }});
    list.push_back({Entry::Kind::divider, {}, false, false, false, {}});
    list.push_back(
        {Entry::Kind::action, QStringLiteral("Add to Cleanup"), allowed, false, true, [controller, node] {
             controller->stage({node}, nullptr, kStageReason.toStdString());
         }});
    list.push_back(
        {Entry::Kind::action, QStringLiteral("Move to Trash…"), allowed, true, true, [controller, node] {
             controller->requestTrash(node);
         }});
    if (rejection && *rejection)
        list.push_back({Entry::Kind::text, **rejection, false, false, true, {}});
    return list;
}

void fill(QMenu& menu, AppModel& model, const DiskNode& node, const QString& focusTitle) {
    const std::optional<std::optional<QString>> rejection = model.cleanupRejection(node.path);
    addEntries(menu, entries(model, node, rejection, focusTitle));
    if (rejection)
        return;
    // The answer arrives later: the cleanup entries are made again from it, in place.
    QPointer<QMenu> target(&menu);
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(
        &model, &AppModel::policyAnswered, &menu, [target, &model, node, focusTitle, connection] {
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
            for (Entry& entry : entries(model, node, answer, focusTitle)) {
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
