// The whole program as a person meets it: the real executable on a real X server, driven with real clicks
// and keys, over a small home folder made here. Its probe only reports what the window shows; the state
// files, the Trash and the restored file are checked on disk. The same walk saves a picture of every
// section and storage view, in the light and in the dark appearance.
#include "window/ProbedWindow.hpp"
#include "window/VirtualDisplay.hpp"

#include "cleanup/BackupReceipt.hpp"
#include "cleanup/CleanupJson.hpp"
#include "support/TempDir.hpp"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ctime>
#include <iostream>
#include <set>
#include <sys/stat.h>

namespace ambertrove::test {
namespace {

constexpr int kScreenWidth = 1600;
constexpr int kScreenHeight = 1000;
const QStringList kViews{"Treemap",  "Folders",   "Sunburst", "Flame", "Bubbles",
                         "Mind Map", "Top Sizes", "Age Map",  "Table"};
// Each section and the screen that shows it.
const std::array<std::pair<const char*, const char*>, 6> kSections{{{"Explore", "ExploreView"},
                                                                    {"Duplicates", "DuplicatesView"},
                                                                    {"Applications", "ApplicationsView"},
                                                                    {"Monitor", "MonitorView"},
                                                                    {"Snapshots", "SnapshotsView"},
                                                                    {"Cleanup", "CleanupView"}}};

const QString kStagedName = QStringLiteral("old-laptop-backup.zip");

// A home folder as a person has one: a few folders of documents, pictures, music and a project, of
// different ages, one picture kept twice, and a cache.
struct HomeFile {
    const char* path;
    std::int64_t bytes;
    int ageDays;
    // Files with the same seed have the same content.
    std::uint32_t seed;
};
const HomeFile kHome[] = {
    {"Documents/Taxes 2023/return.pdf", 240'000, 400, 1},
    {"Documents/Taxes 2023/receipts.csv", 18'000, 420, 2},
    {"Documents/Letters/landlord.txt", 3'000, 900, 3},
    {"Documents/Letters/bank statement.pdf", 90'000, 700, 4},
    {"Documents/notes.md", 2'000, 5, 5},
    {"Documents/CV.odt", 48'000, 200, 6},
    {"Pictures/Holiday 2023/IMG_0412.jpg", 2'400'000, 480, 7},
    {"Pictures/Holiday 2023/IMG_0413.jpg", 2'100'000, 480, 8},
    {"Pictures/Holiday 2023/IMG_0419.jpg", 1'900'000, 479, 9},
    {"Pictures/Holiday 2023/IMG_0427.jpg", 2'600'000, 478, 10},
    {"Pictures/Family/birthday.jpg", 1'700'000, 60, 11},
    {"Pictures/Family/garden.png", 900'000, 30, 12},
    {"Music/Quiet Hours/01 Morning.flac", 6'000'000, 1500, 13},
    {"Music/Quiet Hours/02 Tide.flac", 5'200'000, 1500, 14},
    {"Music/Quiet Hours/03 Lanterns.flac", 4'800'000, 1500, 15},
    {"Music/Podcasts/episode-112.mp3", 3'000'000, 14, 16},
    {"Videos/first-steps.mp4", 9'000'000, 1000, 17},
    {"Projects/garden-planner/README.md", 4'000, 3, 18},
    {"Projects/garden-planner/src/main.cpp", 12'000, 3, 19},
    {"Projects/garden-planner/src/planner.cpp", 22'000, 3, 20},
    {"Projects/garden-planner/build/garden-planner", 1'100'000, 3, 21},
    {"Projects/garden-planner/build/planner.o", 400'000, 3, 22},
    {"Downloads/debian-12-netinst.iso", 6'500'000, 300, 23},
    {"Downloads/invoice-2291.pdf", 60'000, 40, 24},
    {"Downloads/birthday (1).jpg", 1'700'000, 58, 11},
    {"Desktop/todo.txt", 1'000, 1, 25},
    {".cache/thumbnails/large/5f1c.png", 700'000, 20, 26},
    {".cache/thumbnails/large/9a02.png", 650'000, 21, 27},
    {".bashrc", 3'500, 800, 28},
    {"old-laptop-backup.zip", 7'000'000, 1100, 29},
};

std::string contentOf(std::int64_t bytes, std::uint32_t seed) {
    // Bytes that no file system can compress, the same for the same seed.
    std::string content(static_cast<std::size_t>(bytes), '\0');
    std::uint32_t state = seed * 2654435761u + 1u;
    for (char& byte : content) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state >> 24);
    }
    return content;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string str(const QString& value) {
    return value.toStdString();
}
std::string str(const QJsonValue& value) {
    return value.toString().toStdString();
}

QString text(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

class RealWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!VirtualDisplay::available())
            GTEST_SKIP() << "xvfb-run is not installed (scripts/install-deps.sh installs it)";
        pictures = QStringLiteral(AMBERTROVE_WINDOW_PICTURES);
        QDir().mkpath(pictures);
        for (const QString& old : QDir(pictures).entryList({QStringLiteral("*.png")}, QDir::Files))
            QFile::remove(pictures + u'/' + old);
        makeHome();
        backups = text(folder.makeDir("backups"));
    }

    void makeHome() {
        home = text(folder.makeDir("home/robin"));
        const std::int64_t now = std::time(nullptr);
        std::set<QString> folders;
        for (const HomeFile& file : kHome) {
            folder.makeFile(std::string("home/robin/") + file.path, contentOf(file.bytes, file.seed));
            const std::int64_t when = now - std::int64_t(file.ageDays) * 86400;
            folder.setTimes(std::string("home/robin/") + file.path, when, when);
            for (QString parent = QFileInfo(QString::fromUtf8(file.path)).path(); parent != u'.';
                 parent = QFileInfo(parent).path())
                folders.insert(parent);
        }
        fileCount = int(std::size(kHome));
        folderCount = int(folders.size());
    }

    // Everything the program reads or writes of a user's: inside the test's folder.
    QProcessEnvironment environment(const VirtualDisplay& display) const {
        QProcessEnvironment environment;
        const auto inside = [&](const char* name) {
            return text(folder / name);
        };
        environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), inside("data"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), inside("config"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), inside("cache"));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), inside("local-state"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), inside("runtime"));
        environment.insert(QStringLiteral("AmbertroveTestStateDirectory"), stateFolder());
        // The run's own X server, whatever platform the surrounding run asks Qt for (CI sets offscreen).
        environment.insert(QStringLiteral("DISPLAY"), display.display());
        environment.insert(QStringLiteral("XAUTHORITY"), display.authority());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        environment.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        // A sanitizer build keeps its settings.
        for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS", "LSAN_OPTIONS"})
            if (qEnvironmentVariableIsSet(name))
                environment.insert(QString::fromLatin1(name), qEnvironmentVariable(name));
        return environment;
    }

    [[nodiscard]] QString stateFolder() const { return text(folder / "state"); }
    [[nodiscard]] QString trashFolder() const { return text(folder / "data/Trash"); }
    [[nodiscard]] QString stagedPath() const { return home + u'/' + kStagedName; }

    // ---- steps ---------------------------------------------------------------------------------------

    void picture(const QString& name) {
        window->grab(pictures + u'/' + (dark ? QStringLiteral("dark-") : QStringLiteral("light-")) + name +
                     QStringLiteral(".png"));
    }

    void click(const QJsonObject& widget, int button = 1) { window->click(centreOf(widget), button); }

    // The reported widget that `matches`, once it is there and enabled.
    QJsonObject widget(const QString& what, const std::function<bool(const QJsonObject&)>& matches) {
        std::optional<QJsonObject> found;
        window->waitFor(what, [&](const QJsonObject& state) {
            found = findWidget(state, matches);
            return found && (*found)["enabled"].toBool();
        });
        return *found;
    }
    QJsonObject widget(const QString& className, const QString& label) {
        return widget(className + u' ' + label, [&](const QJsonObject& each) {
            return each["class"].toString() == className &&
                   (each["text"].toString() == label || each["accessible"].toString() == label);
        });
    }

    // Neither an alert nor an error in the controller.
    static bool calm(const QJsonObject& state) {
        return !state["content"].toObject().contains("alert") && !state["model"].toObject().contains("error");
    }
    static QJsonObject model(const QJsonObject& state) { return state["model"].toObject(); }
    static QJsonObject content(const QJsonObject& state) { return state["content"].toObject(); }

    // Keys go to the focused window: the main window must have it.
    void focusMainWindow() {
        window->waitFor(QStringLiteral("the main window is active"), [](const QJsonObject& state) {
            for (const QJsonValue& each : state["windows"].toArray())
                if (each["main"].toBool())
                    return each["active"].toBool();
            return false;
        });
    }

    void waitForScan() {
        const QJsonObject state = window->waitFor(
            QStringLiteral("the scan to finish in the explorer"), [](const QJsonObject& each) {
                return model(each)["hasScan"].toBool() && !model(each)["scanning"].toBool() &&
                       content(each)["explore"] == "explorer" && content(each)["bodyReady"].toBool();
            });
        EXPECT_TRUE(calm(state)) << summary(state).toStdString();
        EXPECT_EQ(str(model(state)["rootPath"]), str(home));
        // The home folder goes by the name the window gives it.
        EXPECT_EQ(str(content(state)["title"]), "Home");
        EXPECT_EQ(str(content(state)["counts"]),
                  str(QStringLiteral("·  %1 files  ·  %2 folders").arg(fileCount).arg(folderCount)));
        EXPECT_FALSE(str(content(state)["size"]).empty());
    }

    void openSection(const QString& name, const QString& screen) {
        click(widget(QStringLiteral("SectionTab"), name));
        const QJsonObject state =
            window->waitFor(QStringLiteral("the section ") + name, [&](const QJsonObject& each) {
                const QJsonObject m = model(each);
                return content(each)["section"] == name && m["section"] == name &&
                       content(each)["screen"] == screen &&
                       // The section's own work has ended, so that its picture shows the answer.
                       !m["findingDuplicates"].toBool() && !m["inspectingApps"].toBool() &&
                       !m["snapshotBusy"].toBool();
            });
        EXPECT_TRUE(calm(state)) << name.toStdString() << "\n" << summary(state).toStdString();
    }

    void openView(const QString& name) {
        // The capsules are plain buttons named by their views.
        click(widget(QStringLiteral("QAbstractButton"), name));
        const QJsonObject state =
            window->waitFor(QStringLiteral("the view ") + name, [&](const QJsonObject& each) {
                const QJsonObject shown = content(each);
                return model(each)["view"] == name && shown["explore"] == "explorer" &&
                       shown.contains("body") && shown["bodyReady"].toBool(true);
            });
        EXPECT_TRUE(calm(state)) << name.toStdString() << "\n" << summary(state).toStdString();
    }

    // Every storage view and every section, with a picture of each.
    void visitEverything() {
        openSection(QStringLiteral("Explore"), QStringLiteral("ExploreView"));
        for (const QString& view : kViews) {
            openView(view);
            picture(QStringLiteral("view-") + QString(view).toLower().replace(u' ', u'-'));
        }
        for (const auto& [name, screen] : kSections) {
            openSection(QString::fromLatin1(name), QString::fromLatin1(screen));
            picture(QStringLiteral("section-") + QString::fromLatin1(name).toLower());
        }
    }

    void stageFromTheTable() {
        openSection(QStringLiteral("Explore"), QStringLiteral("ExploreView"));
        openView(QStringLiteral("Table"));
        QJsonObject row;
        widget(QStringLiteral("the table's row of ") + kStagedName, [&](const QJsonObject& each) {
            for (const QJsonValue& value : each["rows"].toArray())
                if (value["text"].toString() == kStagedName && each["class"].toString().contains("Table")) {
                    row = value.toObject();
                    return true;
                }
            return false;
        });
        click(row, 3);
        std::optional<QJsonObject> item;
        window->waitFor(QStringLiteral("the item menu's Add to Cleanup"), [&](const QJsonObject& state) {
            item = findMenuItem(state, QStringLiteral("Add to Cleanup"));
            return item && (*item)["enabled"].toBool();
        });
        click(*item);
        const QJsonObject state =
            window->waitFor(QStringLiteral("the file in the cleanup queue"), [&](const QJsonObject& each) {
                const QJsonObject m = model(each);
                return !m["staging"].toBool() && m["queue"].toArray() == QJsonArray{stagedPath()} &&
                       each["menus"].toArray().isEmpty();
            });
        EXPECT_TRUE(calm(state)) << summary(state).toStdString();
        waitForStateFile(QStringLiteral("the queue on disk holds the file"), [&] {
            const auto queue =
                CleanupJson::decodeEntries(readAll(stateFolder() + "/cleanup.json").toStdString());
            return queue.size() == 1 && text(queue[0].node.path) == stagedPath();
        });
    }

    // The review sheet, its backup option and the backup folder chosen in the real folder dialog.
    void reviewBackUpAndTrash() {
        focusMainWindow();
        window->key(QStringLiteral("ctrl+k"));
        window->waitFor(QStringLiteral("Review Cleanup's shortcut shows Cleanup"),
                        [](const QJsonObject& each) { return content(each)["screen"] == "CleanupView"; });
        picture(QStringLiteral("cleanup-queue"));
        click(widget(QStringLiteral("TroveButton"), QStringLiteral("Move to Trash…")));
        window->waitFor(QStringLiteral("the review sheet"), [](const QJsonObject& each) {
            return content(each)["review"].toBool() && model(each)["request"].toObject()["entries"] == 1 &&
                   model(each)["request"].toObject()["blocked"] == 0;
        });
        const QJsonObject toggle =
            widget(QStringLiteral("the review sheet's backup option"), [](const QJsonObject& each) {
                return each["class"] == "QCheckBox" &&
                       each["text"].toString().startsWith(QStringLiteral("Back up"));
            });
        if (!toggle["checked"].toBool()) {
            click(toggle);
            window->waitFor(QStringLiteral("backups before cleanup on"), [](const QJsonObject& each) {
                return model(each)["backupBeforeCleanup"].toBool();
            });
        }
        picture(QStringLiteral("cleanup-review-sheet"));
        click(widget(QStringLiteral("TroveButton"), QStringLiteral("Back up & Move to Trash…")));

        // The folder dialog is Qt's own: its name field takes the folder, as a person would type it.
        const QJsonObject field =
            widget(QStringLiteral("the backup folder dialog's name field"),
                   [](const QJsonObject& each) { return each["name"] == "fileNameEdit"; });
        click(field);
        window->key(QStringLiteral("ctrl+a"));
        window->type(backups);
        window->waitFor(QStringLiteral("the typed backup folder"), [&](const QJsonObject& state) {
            const auto typed =
                findWidget(state, [](const QJsonObject& each) { return each["name"] == "fileNameEdit"; });
            return typed && (*typed)["text"].toString() == backups;
        });
        picture(QStringLiteral("cleanup-backup-folder"));
        window->key(QStringLiteral("Return"));
        // The name field's completion list may take the first Return for itself.
        const auto dialogClosed = [](const QJsonObject& each) {
            for (const QJsonValue& shown : each["windows"].toArray())
                if (shown["class"] == "QFileDialog")
                    return false;
            return true;
        };
        try {
            window->waitFor(QStringLiteral("the folder dialog to close"), dialogClosed, 3000);
        } catch (const WalkFailure&) {
            window->key(QStringLiteral("Return"));
            window->waitFor(QStringLiteral("the folder dialog to close after a second Return"), dialogClosed);
        }
        const QJsonObject done = window->waitFor(
            QStringLiteral("the backup and the move to the Trash"),
            [](const QJsonObject& each) {
                const QJsonObject m = model(each);
                return !m["cleaning"].toBool() && m["receipts"].toArray().size() == 1 &&
                       m["backups"].toArray().size() == 1 && m["queue"].toArray().isEmpty();
            },
            30000);
        EXPECT_TRUE(calm(done)) << summary(done).toStdString();
        picture(QStringLiteral("cleanup-after-trash"));

        // On disk: the file is in the run's Trash, its copy in the backup folder, and the state files say so.
        EXPECT_FALSE(QFileInfo::exists(stagedPath()));
        const QJsonObject receipt = model(done)["receipts"][0].toObject();
        EXPECT_EQ(str(receipt["originalPath"]), str(stagedPath()));
        const QString trashed = receipt["trashPath"].toString();
        EXPECT_TRUE(trashed.startsWith(trashFolder() + QStringLiteral("/files/"))) << str(trashed);
        EXPECT_TRUE(readAll(trashed) == originalContent) << trashed.toStdString();
        EXPECT_TRUE(QFileInfo::exists(trashFolder() + QStringLiteral("/info/") +
                                      QFileInfo(trashed).fileName() + QStringLiteral(".trashinfo")));
        waitForStateFile(QStringLiteral("the state files record the run"), [&] {
            const auto queue =
                CleanupJson::decodeEntries(readAll(stateFolder() + "/cleanup.json").toStdString());
            const auto receipts =
                CleanupJson::decodeReceipts(readAll(stateFolder() + "/receipts.json").toStdString());
            const auto saved =
                BackupReceipt::decodeList(readAll(stateFolder() + "/backups.json").toStdString());
            return queue.empty() && receipts.size() == 1 && text(receipts[0].originalPath) == stagedPath() &&
                   saved.size() == 1 && saved[0].items.size() == 1 &&
                   text(saved[0].items[0].originalPath) == stagedPath();
        });
        const auto saved = BackupReceipt::decodeList(readAll(stateFolder() + "/backups.json").toStdString());
        const QString copy = text(saved[0].directory) + u'/' + text(saved[0].items[0].relativePath);
        EXPECT_TRUE(text(saved[0].directory).startsWith(backups + u'/')) << saved[0].directory;
        EXPECT_TRUE(readAll(copy) == originalContent) << copy.toStdString();
    }

    void restoreFromTheTrash() {
        QJsonObject button;
        widget(QStringLiteral("Restore in the list of trashed items"), [&](const QJsonObject& each) {
            if (each["button"] != "Restore")
                return false;
            for (const QJsonValue& row : each["rows"].toArray()) {
                if (!row["text"].toString().contains(kStagedName))
                    continue;
                for (const QJsonValue& target : row["targets"].toArray())
                    if (target["enabled"].toBool()) {
                        button = target.toObject();
                        return true;
                    }
            }
            return false;
        });
        click(button);
        const QJsonObject state =
            window->waitFor(QStringLiteral("the file restored"), [](const QJsonObject& each) {
                const QJsonObject m = model(each);
                return m["receipts"].toArray().isEmpty() && m["restoring"] == 0;
            });
        EXPECT_TRUE(calm(state)) << summary(state).toStdString();
        picture(QStringLiteral("cleanup-after-restore"));
        EXPECT_TRUE(readAll(stagedPath()) == originalContent);
        EXPECT_TRUE(QDir(trashFolder() + QStringLiteral("/files")).isEmpty());
        waitForStateFile(QStringLiteral("the receipt is gone from disk, the backup stays"), [&] {
            const auto receipts =
                CleanupJson::decodeReceipts(readAll(stateFolder() + "/receipts.json").toStdString());
            const auto saved =
                BackupReceipt::decodeList(readAll(stateFolder() + "/backups.json").toStdString());
            return receipts.empty() && saved.size() == 1;
        });
    }

    // The notification's close button, so that the next pictures show the screens alone. The card may
    // have gone by itself already.
    void dismissToast() {
        const QJsonObject state = window->state();
        const auto close =
            findWidget(state, QStringLiteral("PlainButton"), QStringLiteral("Dismiss notification"));
        if (!model(state).contains("toast") || !close)
            return;
        click(*close);
        window->waitFor(QStringLiteral("no notification"), [](const QJsonObject& each) {
            return !model(each).contains("toast") &&
                   !findWidget(each, QStringLiteral("PlainButton"), QStringLiteral("Dismiss notification"));
        });
    }

    // The scan again by its shortcut: the one the cleanup made out of date is replaced.
    void rescan() {
        openSection(QStringLiteral("Explore"), QStringLiteral("ExploreView"));
        openView(QStringLiteral("Treemap"));
        focusMainWindow();
        window->key(QStringLiteral("ctrl+r"));
        const QJsonObject state =
            window->waitFor(QStringLiteral("the rescan to finish"), [](const QJsonObject& each) {
                const QJsonObject m = model(each);
                return !m["historical"].toBool() && !m["scanning"].toBool() && m["hasScan"].toBool() &&
                       content(each)["explore"] == "explorer" && content(each)["bodyReady"].toBool();
            });
        EXPECT_TRUE(calm(state)) << summary(state).toStdString();
        EXPECT_EQ(str(content(state)["counts"]),
                  str(QStringLiteral("·  %1 files  ·  %2 folders").arg(fileCount).arg(folderCount)));
    }

    void turnDark() {
        click(widget(QStringLiteral("QToolButton"), QStringLiteral("Color theme")));
        std::optional<QJsonObject> item;
        window->waitFor(QStringLiteral("the theme menu's Dark appearance"), [&](const QJsonObject& state) {
            item = findMenuItem(state, QStringLiteral("Dark appearance"));
            return item.has_value();
        });
        click(*item);
        window->waitFor(QStringLiteral("the dark appearance"), [](const QJsonObject& each) {
            return model(each)["dark"].toBool() && each["menus"].toArray().isEmpty() &&
                   findWidget(each, QStringLiteral("QToolButton"), QStringLiteral("Color theme"))
                       .has_value() &&
                   findWidget(each, [](const QJsonObject& w) { return w["text"] == "Night"; });
        });
        dark = true;
    }

    // After quitting: the state as the walk left it, and the settings in the run's own folder.
    void checkWhatQuittingLeft() {
        EXPECT_TRUE(
            CleanupJson::decodeEntries(readAll(stateFolder() + "/cleanup.json").toStdString()).empty());
        EXPECT_TRUE(
            CleanupJson::decodeReceipts(readAll(stateFolder() + "/receipts.json").toStdString()).empty());
        EXPECT_EQ(BackupReceipt::decodeList(readAll(stateFolder() + "/backups.json").toStdString()).size(),
                  1u);
        const QString settings = text(folder / "config/Ambertrove/Ambertrove.ini");
        EXPECT_TRUE(readAll(settings).contains("darkAppearance=true")) << str(settings);
        EXPECT_TRUE(readAll(stagedPath()) == originalContent);
    }

    // Polls a condition on the state files, which the program writes on a thread of its own.
    void waitForStateFile(const QString& what, const std::function<bool()>& holds) {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            try {
                if (holds())
                    return;
            } catch (const std::exception&) {
                // Not written yet, or between its two names: asked again.
            }
            if (timer.elapsed() > 15000)
                throw WalkFailure("timed out waiting for: " + what.toStdString());
            QThread::msleep(25);
        }
    }

    TempDir folder;
    QString home;
    QString backups;
    QString pictures;
    int fileCount = 0;
    int folderCount = 0;
    QByteArray originalContent;
    bool dark = false;
    std::unique_ptr<ProbedWindow> window;
};

TEST_F(RealWindow, ScansStagesTrashesRestoresAndShowsEveryScreen) {
    QElapsedTimer timer;
    timer.start();
    originalContent = readAll(stagedPath());
    ASSERT_FALSE(originalContent.isEmpty());
    ::mkdir((folder / "runtime").c_str(), 0700);
    try {
        VirtualDisplay display(kScreenWidth, kScreenHeight, 30000);
        window =
            std::make_unique<ProbedWindow>(QStringLiteral(AMBERTROVE_EXECUTABLE),
                                           QStringList{QStringLiteral("--scan"), home}, environment(display));
        try {
            waitForScan();
            picture(QStringLiteral("explorer-after-scan"));
            visitEverything();
            stageFromTheTable();
            reviewBackUpAndTrash();
            restoreFromTheTrash();
            dismissToast();
            turnDark();
            rescan();
            picture(QStringLiteral("explorer-after-scan"));
            visitEverything();

            focusMainWindow();
            window->key(QStringLiteral("ctrl+q"));
            EXPECT_EQ(window->waitForExit(15000), std::optional<int>(0))
                << "the program did not quit on its shortcut";
        } catch (...) {
            try {
                window->grab(pictures + QStringLiteral("/failure.png"));
            } catch (const std::exception&) {
            }
            throw;
        }
        // A warning on the way (a painter, a layout, a connection) is a fault of the program too.
        EXPECT_EQ(window->errors().toStdString(), "") << "the program's error output";
        window.reset();
        checkWhatQuittingLeft();
    } catch (const std::exception& failure) {
        FAIL() << failure.what()
               << (window ? "\nThe program's error output:\n" + window->errors().toStdString() : "");
    }
    std::cout << "The walk took " << timer.elapsed() << " ms." << std::endl;
}

} // namespace
} // namespace ambertrove::test
