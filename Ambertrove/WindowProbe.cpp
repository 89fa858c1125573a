#include "WindowProbe.hpp"

#include "controller/AppModel.hpp"
#include "explore/ExploreView.hpp"
#include "explore/StorageBody.hpp"
#include "screens/CleanupHistoryList.hpp"
#include "shell/ContentView.hpp"
#include "shell/MainWindow.hpp"
#include "widgets/ClampedLabel.hpp"
#include "widgets/ElidedLabel.hpp"
#include "widgets/RowCanvas.hpp"
#include "widgets/ShrinkingLabel.hpp"
#include "widgets/TroveButton.hpp"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace ambertrove {

namespace {

// Rows of lists reported, from the first: enough for any test tree, bounded for a large one.
constexpr int kListedRows = 60;

QJsonArray rectJson(const QRect& rect) {
    return QJsonArray{rect.x(), rect.y(), rect.width(), rect.height()};
}

// `local` of `widget` in the screen's pixels.
QRect screenRect(const QWidget* widget, const QRect& local) {
    const qreal ratio = widget->devicePixelRatioF();
    const QPoint topLeft = widget->mapToGlobal(local.topLeft());
    return {QPoint(qRound(topLeft.x() * ratio), qRound(topLeft.y() * ratio)),
            QSize(qRound(local.width() * ratio), qRound(local.height() * ratio))};
}

QString pathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString className(const QObject* object) {
    return QString::fromLatin1(object->metaObject()->className()).remove(QStringLiteral("ambertrove::"));
}

// What a person reads on the widget, for the widgets that show one text.
QString widgetText(const QWidget* widget) {
    if (const auto* button = dynamic_cast<const TroveButton*>(widget))
        return button->label();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        return edit->text();
    if (const auto* label = dynamic_cast<const ElidedLabel*>(widget))
        return label->text();
    if (const auto* label = dynamic_cast<const ClampedLabel*>(widget))
        return label->text();
    if (const auto* label = dynamic_cast<const ShrinkingLabel*>(widget))
        return label->text();
    return {};
}

QJsonArray itemRows(const QAbstractItemView* view) {
    QJsonArray rows;
    const QAbstractItemModel* model = view->model();
    if (!model)
        return rows;
    const QRect shown = view->viewport()->rect();
    for (int row = 0; row < model->rowCount() && rows.size() < kListedRows; ++row) {
        const QModelIndex index = model->index(row, 0);
        const QRect rect = view->visualRect(index).intersected(shown);
        if (rect.isEmpty())
            continue;
        rows.append(QJsonObject{{QStringLiteral("row"), row},
                                {QStringLiteral("text"), index.data(Qt::DisplayRole).toString()},
                                {QStringLiteral("rect"), rectJson(screenRect(view->viewport(), rect))}});
    }
    return rows;
}

QJsonArray canvasRows(const RowCanvas* canvas) {
    QJsonArray rows;
    const QRect shown = canvas->visibleRegion().boundingRect();
    const auto* history = dynamic_cast<const CleanupHistoryList*>(canvas);
    for (int row = 0; row < canvas->rowCount() && rows.size() < kListedRows; ++row) {
        const QRect rect = canvas->rowRect(row).intersected(shown);
        if (rect.isEmpty())
            continue;
        QJsonArray targets;
        for (const RowCanvas::Target& target : canvas->rowTargets(row))
            targets.append(QJsonObject{{QStringLiteral("kind"), target.kind},
                                       {QStringLiteral("enabled"), target.enabled},
                                       {QStringLiteral("rect"), rectJson(screenRect(canvas, target.rect))}});
        QJsonObject entry{{QStringLiteral("row"), row},
                          {QStringLiteral("rect"), rectJson(screenRect(canvas, rect))},
                          {QStringLiteral("targets"), targets}};
        if (history)
            entry.insert(QStringLiteral("text"), history->rows()[std::size_t(row)].title);
        rows.append(entry);
    }
    return rows;
}

QJsonObject menuJson(const QMenu* menu) {
    QJsonArray items;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        items.append(
            QJsonObject{{QStringLiteral("text"), action->text()},
                        {QStringLiteral("enabled"), action->isEnabled()},
                        {QStringLiteral("checked"), action->isChecked()},
                        {QStringLiteral("rect"), rectJson(screenRect(menu, menu->actionGeometry(action)))}});
    }
    return QJsonObject{{QStringLiteral("class"), className(menu)}, {QStringLiteral("items"), items}};
}

// The visible widgets of `window` that show a text or a list, with where they are.
void addWidgets(QWidget* window, int windowIndex, QJsonArray& out) {
    const QList<QWidget*> children = window->findChildren<QWidget*>();
    for (QWidget* widget : children) {
        if (!widget->isVisible() || widget->window() != window)
            continue;
        const QRect shown = widget->visibleRegion().boundingRect();
        if (shown.isEmpty())
            continue;
        QJsonObject entry;
        const QString text = widgetText(widget);
        if (!text.isEmpty())
            entry.insert(QStringLiteral("text"), text);
        if (!widget->accessibleName().isEmpty())
            entry.insert(QStringLiteral("accessible"), widget->accessibleName());
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget);
            button && button->isCheckable())
            entry.insert(QStringLiteral("checked"), button->isChecked());
        if (const auto* view = qobject_cast<const QAbstractItemView*>(widget))
            entry.insert(QStringLiteral("rows"), itemRows(view));
        if (const auto* canvas = dynamic_cast<const RowCanvas*>(widget))
            entry.insert(QStringLiteral("rows"), canvasRows(canvas));
        if (const auto* history = dynamic_cast<const CleanupHistoryList*>(widget))
            entry.insert(QStringLiteral("button"), history->buttonLabel());
        if (const auto* body = dynamic_cast<const StorageBody*>(widget))
            entry.insert(QStringLiteral("ready"), body->showsCurrentResult());
        if (entry.isEmpty() && widget->objectName().isEmpty())
            continue;
        entry.insert(QStringLiteral("class"), className(widget));
        if (!widget->objectName().isEmpty())
            entry.insert(QStringLiteral("name"), widget->objectName());
        entry.insert(QStringLiteral("window"), windowIndex);
        entry.insert(QStringLiteral("enabled"), widget->isEnabled());
        entry.insert(QStringLiteral("rect"), rectJson(screenRect(widget, shown)));
        out.append(entry);
    }
}

QJsonObject modelJson(const AppModel& model) {
    QJsonArray queue;
    for (const CleanupEntry& entry : model.queue())
        queue.append(pathText(entry.node.path));
    QJsonArray receipts;
    for (const TrashReceipt& receipt : model.receipts())
        receipts.append(QJsonObject{{QStringLiteral("originalPath"), pathText(receipt.originalPath)},
                                    {QStringLiteral("trashPath"), pathText(receipt.trashPath)}});
    QJsonArray backups;
    for (const BackupReceipt& backup : model.backups())
        backups.append(pathText(backup.directory));
    QJsonObject state{
        {QStringLiteral("section"), rawValue(model.section())},
        {QStringLiteral("view"), rawValue(model.storageView())},
        {QStringLiteral("theme"), rawValue(model.theme())},
        {QStringLiteral("dark"), model.dark()},
        {QStringLiteral("scanning"), model.scanning()},
        {QStringLiteral("hasScan"), model.scan() != nullptr},
        {QStringLiteral("historical"), model.isHistorical()},
        {QStringLiteral("rootName"), model.scanRootName()},
        {QStringLiteral("rootPath"), pathText(model.scanRootPath())},
        {QStringLiteral("staging"), model.staging()},
        {QStringLiteral("cleaning"), model.cleaning()},
        {QStringLiteral("restoring"), int(model.restoringReceipts().size())},
        {QStringLiteral("findingDuplicates"), model.findingDuplicates()},
        {QStringLiteral("inspectingApps"), model.inspectingApps()},
        {QStringLiteral("snapshotBusy"), model.snapshotBusy()},
        {QStringLiteral("backupBeforeCleanup"), model.backupBeforeCleanup()},
        {QStringLiteral("queue"), queue},
        {QStringLiteral("receipts"), receipts},
        {QStringLiteral("backups"), backups},
    };
    if (model.error())
        state.insert(QStringLiteral("error"), *model.error());
    if (model.notice())
        state.insert(QStringLiteral("notice"), *model.notice());
    if (model.toast())
        state.insert(QStringLiteral("toast"), model.toast()->title);
    if (const auto& request = model.cleanupRequest())
        state.insert(QStringLiteral("request"),
                     QJsonObject{{QStringLiteral("entries"), int(request->entries.size())},
                                 {QStringLiteral("blocked"), int(request->blocked.size())}});
    return state;
}

QJsonObject contentJson(const MainWindow& window) {
    const ContentView* content = window.content();
    QJsonObject state;
    if (!content)
        return state;
    state.insert(QStringLiteral("section"), rawValue(content->shownSection()));
    if (QWidget* section = content->sectionView()) {
        state.insert(QStringLiteral("screen"), className(section));
        if (const auto* explore = qobject_cast<const ExploreView*>(section)) {
            static const char* const screens[] = {"progress", "welcome", "explorer"};
            state.insert(QStringLiteral("explore"), QString::fromLatin1(screens[int(explore->screen())]));
            state.insert(QStringLiteral("title"), explore->titleText());
            state.insert(QStringLiteral("size"), explore->sizeText());
            state.insert(QStringLiteral("counts"), explore->countsText());
            if (QWidget* body = explore->body()) {
                state.insert(QStringLiteral("body"), className(body));
                if (const auto* storage = dynamic_cast<const StorageBody*>(body))
                    state.insert(QStringLiteral("bodyReady"), storage->showsCurrentResult());
            }
        }
    }
    if (const QMessageBox* alert = content->errorAlert(); alert && alert->isVisible())
        state.insert(QStringLiteral("alert"), alert->text());
    if (const QDialog* review = content->reviewSheet(); review && review->isVisible())
        state.insert(QStringLiteral("review"), true);
    return state;
}

} // namespace

WindowProbe::WindowProbe(AppModel& model, MainWindow& window, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_window(window) {}

WindowProbe::~WindowProbe() = default;

bool WindowProbe::asked() {
    const char* value = std::getenv(kVariable);
    return value && std::strcmp(value, "stdio") == 0;
}

WindowProbe* WindowProbe::startIfAsked(AppModel& model, MainWindow& window) {
    if (!asked())
        return nullptr;
    auto* probe = new WindowProbe(model, window, &window);
    probe->listen();
    return probe;
}

void WindowProbe::listen() {
#ifdef Q_OS_UNIX
    // Standard input is read only as far as it has lines: it must never block the GUI thread.
    const int flags = ::fcntl(STDIN_FILENO, F_GETFL);
    if (flags < 0 || ::fcntl(STDIN_FILENO, F_SETFL, flags | O_NONBLOCK) < 0)
        return;
    m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &WindowProbe::readInput);
#endif
}

void WindowProbe::readInput() {
#ifdef Q_OS_UNIX
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count > 0) {
            m_pending.append(buffer, qsizetype(count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        // At the end, or on a failure other than "nothing more yet", nothing more will come.
        if (count == 0 || errno != EAGAIN)
            m_notifier->setEnabled(false);
        break;
    }
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QByteArray line = m_pending.left(end).trimmed();
        m_pending.remove(0, end + 1);
        if (line.isEmpty())
            continue;
        const QByteArray reply = answer(line) + '\n';
        std::fwrite(reply.constData(), 1, std::size_t(reply.size()), stdout);
        std::fflush(stdout);
    }
#endif
}

QByteArray WindowProbe::answer(const QByteArray& command) const {
    if (command == "state")
        return "probe-state " + QJsonDocument(state()).toJson(QJsonDocument::Compact);
    if (command.startsWith("grab ")) {
        const QString failure = grab(QString::fromUtf8(command.mid(5)));
        return failure.isEmpty() ? QByteArray("probe-grab ok") : "probe-grab failed " + failure.toUtf8();
    }
    return "probe-unknown " + command;
}

QJsonObject WindowProbe::state() const {
    // Geometry is read after the pending layouts, so that a click aimed at a reported place meets what
    // the window shows there.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QJsonArray windows;
    QJsonArray widgets;
    QJsonArray menus;
    int index = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        if (const auto* menu = qobject_cast<const QMenu*>(window)) {
            menus.append(menuJson(menu));
            continue;
        }
        windows.append(QJsonObject{{QStringLiteral("class"), className(window)},
                                   {QStringLiteral("title"), window->windowTitle()},
                                   {QStringLiteral("main"), window == &m_window},
                                   {QStringLiteral("active"), window->isActiveWindow()},
                                   {QStringLiteral("rect"), rectJson(screenRect(window, window->rect()))}});
        addWidgets(window, index, widgets);
        ++index;
    }
    QJsonObject state{{QStringLiteral("model"), modelJson(m_model)},
                      {QStringLiteral("content"), contentJson(m_window)},
                      {QStringLiteral("windows"), windows},
                      {QStringLiteral("widgets"), widgets},
                      {QStringLiteral("menus"), menus}};
    if (const QWidget* focus = QApplication::focusWidget()) {
        QJsonObject focused{{QStringLiteral("class"), className(focus)}};
        if (!focus->objectName().isEmpty())
            focused.insert(QStringLiteral("name"), focus->objectName());
        state.insert(QStringLiteral("focus"), focused);
    }
    return state;
}

QString WindowProbe::grab(const QString& path) const {
    QScreen* screen = m_window.screen();
    if (!screen)
        return QStringLiteral("the window is on no screen");
    // The layouts and paints that are pending are done first, as the event loop would do them before
    // anything reached the screen: the picture shows what the last report described, never a layout
    // half done.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible())
            window->repaint();
    const QRect area = m_window.frameGeometry();
    const QPixmap picture = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (picture.isNull())
        return QStringLiteral("the screen gave no picture");
    if (!picture.save(path, "PNG"))
        return QStringLiteral("cannot write “%1”").arg(path);
    return {};
}

} // namespace ambertrove
