#pragma once

#include "WindowTestSupport.hpp"

#include "screens/RowListView.hpp"
#include "widgets/RowCanvas.hpp"

#include <QAbstractItemModel>
#include <QTest>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove::test {

// A queued entry for an item at `path` (that need not exist), as the screens show it.
inline CleanupEntry entryAt(const std::string& path, std::int64_t bytes, bool directory = false) {
    CleanupEntry entry;
    entry.node.path = path;
    entry.node.allocatedSize = bytes;
    entry.node.isDirectory = directory;
    return entry;
}

// Answers folder choices, records reveals and counts the backup-folder questions.
class ScreenPlatform final : public PlatformServices {
public:
    void chooseFolder(const std::string&, PathChosen done) override { done(answer); }
    void chooseFolderWithPrompt(const QString&, const QString&, const std::string&,
                                PathChosen done) override {
        done(answer);
    }
    void chooseBackupFolder(const std::string&, PathChosen done) override {
        ++backupQuestions;
        done(backupAnswer);
    }
    void chooseSaveFile(const QString&, const std::string&, PathChosen done) override { done(std::nullopt); }
    void copyText(const QString& text) override { copied.push_back(text); }
    void preview(const std::string&) override {}
    void reveal(const std::string& path) override { revealed.push_back(path); }

    std::optional<std::string> answer;
    std::optional<std::string> backupAnswer;
    int backupQuestions = 0;
    std::vector<std::string> revealed;
    std::vector<QString> copied;
};

// The window's tests with a platform that records what the screens ask of the desktop.
class ScreenTest : public WindowTest {
protected:
    AppModel& makeScreenModel(bool threads = false) {
        AppEnvironment env = environment(threads);
        env.platform = screen;
        model = std::make_unique<AppModel>(std::move(env));
        return *model;
    }

    // The window showing `section`, its screen cast to T.
    template <typename T> T& showSection(AppSection section) {
        if (!model)
            makeScreenModel();
        if (!window)
            makeWindow();
        model->setSection(section);
        settle();
        T* screenView = qobject_cast<T*>(content().sectionView());
        EXPECT_NE(screenView, nullptr);
        return *screenView;
    }

    // Clicks the centre of `kind` in `row` of a painted list.
    static void clickTarget(RowCanvas& canvas, int row, int kind) {
        const std::optional<RowCanvas::Target> target = canvas.target(row, kind);
        ASSERT_TRUE(target.has_value()) << "row " << row << " has no target " << kind;
        QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, target->rect.center());
    }

    std::shared_ptr<ScreenPlatform> screen = std::make_shared<ScreenPlatform>();

    // The section's screen, or null when it is another kind.
    template <typename T> [[nodiscard]] T* shown() const { return qobject_cast<T*>(content().sectionView()); }

    // Enters `section` in a window of `size`.
    template <typename T> T* enter(AppSection section, QSize size = MainWindow::kDefaultSize) {
        if (!window)
            makeWindow({}, size);
        model->setSection(section);
        settle();
        return shown<T>();
    }

    static void clickRow(RowListView& list, int row) {
        list.doItemsLayout();
        const QRect rect = list.visualRect(list.model()->index(row, 0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(rect.left() + 12, rect.center().y()));
    }

    // Presses the button of `action` in `row`; false when the row has no such button.
    static bool clickButton(RowListView& list, int row, int action) {
        list.doItemsLayout();
        const std::optional<RowButton> button = list.button(row, action);
        if (!button)
            return false;
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, button->rect.center());
        return true;
    }

    // Saves the window as NAME-light and NAME-dark. The dark appearance builds the screen again, so
    // `prepare` puts it back in the state to show, each time before its picture.
    void saveBothAppearances(const QString& name, const std::function<void()>& prepare = {}) {
        for (const bool dark : {false, true}) {
            model->setDark(dark);
            settle();
            if (prepare)
                prepare();
            settle();
            savePicture(*window, name + (dark ? QStringLiteral("-dark") : QStringLiteral("-light")));
        }
        model->setDark(false);
        settle();
    }
};

} // namespace ambertrove::test
