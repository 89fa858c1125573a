#include "WidgetTestSupport.hpp"

#include "platform/Clipboard.hpp"
#include "platform/FileDialogs.hpp"
#include "platform/PreviewContent.hpp"
#include "platform/PreviewWindow.hpp"
#include "platform/QtPlatformServices.hpp"
#include "platform/Reveal.hpp"
#include "support/TempDir.hpp"

#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>

#include <sys/stat.h>

#include <fstream>

namespace ambertrove {
namespace {

using test::TempDir;

class PlatformServices : public test::WidgetTest {};

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// ---- File dialogs ----

TEST_F(PlatformServices, AFolderDialogAnsweredInTheTestCallsBackWithThePath) {
    TempDir dir;
    const QString chosen = q(dir.makeDir("Projects"));
    QWidget window;
    std::optional<QString> answer;
    int calls = 0;
    FileDialogs::FolderRequest request;
    request.message = QStringLiteral("Scan a folder or mounted drive.");
    request.acceptLabel = QStringLiteral("Scan folder");
    request.directory = q(dir.path());
    FileDialogs::chooseFolder(&window, request, [&](std::optional<QString> path) {
        answer = std::move(path);
        ++calls;
    });
    auto* dialog = window.findChild<QFileDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible()) << "opened with open(), not run modally";
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Scan a folder or mounted drive."));
    EXPECT_EQ(dialog->labelText(QFileDialog::Accept), QStringLiteral("Scan folder"));
    EXPECT_EQ(calls, 0);
    dialog->selectFile(chosen);
    static_cast<QDialog*>(dialog)->accept(); // QFileDialog's own accept() checks the choice
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(answer, chosen);
}

TEST_F(PlatformServices, ACancelledDialogCallsBackWithNothing) {
    TempDir dir;
    QWidget window;
    std::optional<QString> answer = QStringLiteral("unchanged");
    int calls = 0;
    FileDialogs::chooseBackupFolder(&window, q(dir.path()), [&](std::optional<QString> path) {
        answer = std::move(path);
        ++calls;
    });
    auto* dialog = window.findChild<QFileDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Choose a backup folder"));
    EXPECT_EQ(dialog->labelText(QFileDialog::Accept), QStringLiteral("Back up && Move to Trash"));
    EXPECT_EQ(dialog->directory().absolutePath(), q(dir.path()));
    auto* message = dialog->findChild<QLabel*>(QStringLiteral("ambertroveDialogMessage"));
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text(), QStringLiteral("Files will be copied here, verified, then moved to Trash."));
    dialog->reject();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(answer.has_value());
}

TEST_F(PlatformServices, ASaveDialogProposesTheNameAndAnswersWithTheFile) {
    TempDir dir;
    QWidget window;
    std::optional<QString> answer;
    FileDialogs::chooseSaveFile(&window, QStringLiteral("Ambertrove-files.csv"), q(dir.path()),
                                [&](std::optional<QString> path) { answer = std::move(path); });
    auto* dialog = window.findChild<QFileDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->directory().absolutePath(), q(dir.path())) << "not the process's working folder";
    ASSERT_FALSE(dialog->selectedFiles().isEmpty());
    EXPECT_TRUE(dialog->selectedFiles().first().endsWith(QStringLiteral("/Ambertrove-files.csv")));
    const QString target = q(dir / "Ambertrove-files.csv");
    dialog->selectFile(target);
    static_cast<QDialog*>(dialog)->accept(); // QFileDialog's own accept() checks the choice
    EXPECT_EQ(answer, target);
}

// ---- Clipboard ----

TEST_F(PlatformServices, CopyTextReplacesTheClipboard) {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    Clipboard::copyText(QStringLiteral("/Users/u/<b>x</b> & y"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("/Users/u/<b>x</b> & y"));
}

// ---- Reveal ----

struct FakeDesktop {
    QStringList shownUris;
    QList<QUrl> opened;
    std::function<void(bool)> pending;

    Reveal::Backend backend(std::optional<bool> answerAtOnce) {
        Reveal::Backend b;
        b.showItems = [this, answerAtOnce](const QStringList& uris, std::function<void(bool)> answered) {
            shownUris << uris;
            if (answerAtOnce)
                answered(*answerAtOnce);
            else
                pending = std::move(answered);
        };
        b.openUrl = [this](const QUrl& url) {
            opened << url;
            return true;
        };
        return b;
    }
};

TEST_F(PlatformServices, RevealAsksTheFileManagerWithTheFileUri) {
    FakeDesktop desktop;
    const Reveal reveal(desktop.backend(true));
    std::optional<Reveal::Outcome> outcome;
    reveal.reveal(QStringLiteral("/home/u/a b#c.txt"), [&](Reveal::Outcome o) { outcome = o; });
    EXPECT_EQ(desktop.shownUris, QStringList{QStringLiteral("file:///home/u/a%20b%23c.txt")});
    EXPECT_TRUE(desktop.opened.isEmpty());
    EXPECT_EQ(outcome, Reveal::Outcome::shownByFileManager);
}

TEST_F(PlatformServices, RevealOpensTheParentFolderWhenNoFileManagerAnswers) {
    FakeDesktop desktop;
    const Reveal reveal(desktop.backend(std::nullopt));
    std::optional<Reveal::Outcome> outcome;
    reveal.reveal(QStringLiteral("/home/u/Projects/report.pdf"), [&](Reveal::Outcome o) { outcome = o; });
    EXPECT_FALSE(outcome.has_value()) << "the answer comes later";
    ASSERT_TRUE(desktop.pending);
    desktop.pending(false);
    EXPECT_EQ(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/home/u/Projects"))});
    EXPECT_EQ(outcome, Reveal::Outcome::openedParentFolder);
}

TEST_F(PlatformServices, RevealWithoutAnyBusFallsBackAtOnce) {
    FakeDesktop desktop;
    Reveal::Backend backend = desktop.backend(false);
    backend.showItems = nullptr;
    const Reveal reveal(backend);
    std::optional<Reveal::Outcome> outcome;
    reveal.reveal(QStringLiteral("/"), [&](Reveal::Outcome o) { outcome = o; });
    EXPECT_EQ(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/"))});
    EXPECT_EQ(outcome, Reveal::Outcome::openedParentFolder);
}

TEST_F(PlatformServices, ARevealThatNoWayShowsIsReportedWithItsPath) {
    FakeDesktop desktop;
    Reveal::Backend backend = desktop.backend(false);
    backend.openUrl = [](const QUrl&) {
        return false;
    }; // no launcher for folders either
    QtPlatformServices services{Reveal(backend)};
    std::vector<QString> reports;
    services.setFailureReport([&](const QString& sentence) { reports.push_back(sentence); });
    services.reveal("/home/u/Tom & Jerry");
    EXPECT_EQ(reports,
              std::vector<QString>{QStringLiteral("No file manager could show “/home/u/Tom & Jerry”.")});

    backend.openUrl = [](const QUrl&) {
        return true;
    };
    QtPlatformServices working{Reveal(backend)};
    working.setFailureReport([&](const QString& sentence) { reports.push_back(sentence); });
    working.reveal("/home/u/a");
    EXPECT_EQ(reports.size(), 1U) << "a folder opened in its place is no failure";
}

TEST_F(PlatformServices, TheFolderDialogOpensWhereTheControllerSays) {
    TempDir dir;
    QWidget window;
    QtPlatformServices services;
    services.setWindow(&window);
    services.chooseFolderWithPrompt(QStringLiteral("Open folder"),
                                    QStringLiteral("Open a folder from the current scan."),
                                    dir.makeDir("in view"), [](std::optional<std::string>) {});
    auto* dialog = window.findChild<QFileDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->directory().absolutePath(), q(dir / "in view"));
    dialog->reject();
}

// ---- Preview ----

void writeFile(const std::string& path, const std::string& contents, mode_t mode = 0644) {
    std::ofstream(path, std::ios::binary) << contents;
    ::chmod(path.c_str(), mode);
}

struct Fixture {
    TempDir dir;
    std::string marker = dir / "ran";
    std::string image = dir / "picture.png";
    std::string script = dir / "run-me.sh";
    std::string desktopEntry = dir / "launcher.desktop";
    std::string binary = dir / "program";
    std::string longText = dir / "long.txt";
    std::string folder = dir.makeDir("Folder");
    std::string fifo = dir / "pipe";
    std::string empty = dir / "empty";

    Fixture() {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(QColor(0x48, 0x7B, 0x96));
        picture.save(QString::fromStdString(image));
        writeFile(script, "#!/bin/sh\ntouch '" + marker + "'\n", 0755);
        writeFile(desktopEntry,
                  "[Desktop Entry]\nType=Application\nName=Launcher\nExec=/bin/sh -c 'touch " + marker +
                      "'\n",
                  0755);
        std::string elf("\x7f"
                        "ELF\x02\x01\x01",
                        7);
        elf += std::string(64, '\0');
        elf += "#!/bin/sh\ntouch " + marker;
        writeFile(binary, elf, 0755);
        std::string text;
        while (text.size() < 100 * 1024)
            text += "line of text ✓\n";
        writeFile(longText, text);
        ::mkfifo(fifo.c_str(), 0644);
        writeFile(empty, "");
    }

    [[nodiscard]] bool ran() const { return QFile::exists(QString::fromStdString(marker)); }
};

TEST_F(PlatformServices, PreviewContentIsAnImageTextOrFactsAndNeverRuns) {
    Fixture f;
    struct Case {
        std::string path;
        PreviewContent::Kind kind;
        const char* startsWith;
    };
    const Case cases[] = {
        {f.image, PreviewContent::Kind::image, ""},
        {f.script, PreviewContent::Kind::text, "#!/bin/sh\ntouch"},
        {f.desktopEntry, PreviewContent::Kind::text, "[Desktop Entry]"},
        {f.binary, PreviewContent::Kind::facts, ""},
        {f.longText, PreviewContent::Kind::text, "line of text ✓\n"},
        {f.folder, PreviewContent::Kind::facts, ""},
        {f.fifo, PreviewContent::Kind::facts, ""},
        {f.empty, PreviewContent::Kind::facts, ""},
        {f.dir / "missing", PreviewContent::Kind::facts, ""},
    };
    for (const Case& c : cases) {
        const PreviewContent content = PreviewContent::load(q(c.path));
        EXPECT_EQ(content.kind, c.kind) << c.path;
        if (*c.startsWith == '\0')
            EXPECT_TRUE(content.text.isEmpty()) << c.path;
        else
            EXPECT_TRUE(content.text.startsWith(QString::fromUtf8(c.startsWith))) << c.path;
        ASSERT_FALSE(content.facts.isEmpty()) << c.path;
        EXPECT_EQ(content.facts[0].first, QStringLiteral("Name"));
        EXPECT_EQ(content.facts[0].second, QFileInfo(q(c.path)).fileName());
    }
    EXPECT_FALSE(f.ran()) << "nothing was executed";

    const PreviewContent image = PreviewContent::load(q(f.image));
    EXPECT_EQ(image.image.size(), QSize(40, 30));
    const PreviewContent text = PreviewContent::load(q(f.longText));
    EXPECT_TRUE(text.textTruncated);
    EXPECT_LE(text.text.toUtf8().size(), PreviewContent::kTextBytes);
    const PreviewContent folder = PreviewContent::load(q(f.folder), 123456);
    EXPECT_TRUE(folder.facts.contains(qMakePair(QStringLiteral("Kind"), QStringLiteral("Folder"))));
    EXPECT_TRUE(folder.facts.contains(qMakePair(QStringLiteral("Size"), QStringLiteral("123 KB"))));
    const PreviewContent binary = PreviewContent::load(q(f.binary));
    const std::int64_t binarySize = QFileInfo(q(f.binary)).size();
    EXPECT_TRUE(binary.facts.contains(
        qMakePair(QStringLiteral("Size"), QString::number(binarySize) + QStringLiteral(" bytes"))));
    EXPECT_FALSE(PreviewContent::load(q(f.dir / "missing")).error.isEmpty());
}

// A read nobody waits for any more (a newer request, the window's end) stops before the image's long part:
// before it is read whole, and before it is decoded.
TEST_F(PlatformServices, AStoppedPreviewReadDecodesNoImage) {
    Fixture f;
    int polls = 0;
    const PreviewContent whole =
        PreviewContent::load(q(f.image), std::nullopt, TaskCancellation([&] { return ++polls < 0; }));
    EXPECT_EQ(whole.kind, PreviewContent::Kind::image);
    EXPECT_EQ(polls, 2);
    for (int stopAt = 1; stopAt <= 2; ++stopAt) {
        int seen = 0;
        const PreviewContent stopped = PreviewContent::load(
            q(f.image), std::nullopt, TaskCancellation([&] { return ++seen >= stopAt; }));
        EXPECT_EQ(stopped.kind, PreviewContent::Kind::facts) << stopAt;
        EXPECT_TRUE(stopped.image.isNull()) << stopAt;
        EXPECT_EQ(seen, stopAt);
    }
}

// Waits until the spy has seen `count` signals in all (one may already have arrived).
bool waitForCount(QSignalSpy& spy, int count) {
    while (spy.size() < count)
        if (!spy.wait(10000))
            return false;
    return true;
}

TEST_F(PlatformServices, OnePreviewWindowShowsEachItemInTurn) {
    Fixture f;
    PreviewWindow window;
    QSignalSpy shown(&window, &PreviewWindow::contentShown);

    window.preview(q(f.script));
    EXPECT_EQ(window.state(), PreviewWindow::State::loading);
    ASSERT_TRUE(waitForCount(shown, 1));
    EXPECT_EQ(window.shownPage(), PreviewContent::Kind::text);
    EXPECT_TRUE(window.shownText().startsWith(QStringLiteral("#!/bin/sh")));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("run-me.sh"));
    test::savePicture(test::settledPicture(window), QStringLiteral("preview-text"));

    window.preview(q(f.image));
    ASSERT_TRUE(waitForCount(shown, 2));
    EXPECT_EQ(window.shownPage(), PreviewContent::Kind::image);
    EXPECT_EQ(window.shownImageSize(), QSize(40, 30));
    test::savePicture(test::settledPicture(window), QStringLiteral("preview-image"));

    window.preview(q(f.binary));
    ASSERT_TRUE(waitForCount(shown, 3));
    EXPECT_EQ(window.shownPage(), PreviewContent::Kind::facts);
    test::savePicture(test::settledPicture(window), QStringLiteral("preview-facts"));

    window.preview(q(f.desktopEntry));
    ASSERT_TRUE(waitForCount(shown, 4));
    EXPECT_EQ(window.shownPage(), PreviewContent::Kind::text);
    EXPECT_FALSE(f.ran());
}

TEST_F(PlatformServices, ANewerPreviewSupersedesOneStillLoading) {
    Fixture f;
    PreviewWindow window;
    QSignalSpy shown(&window, &PreviewWindow::contentShown);
    window.preview(q(f.longText));
    window.preview(q(f.image));
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_EQ(window.path(), q(f.image));
    EXPECT_EQ(window.content().path, q(f.image));
    EXPECT_EQ(window.shownPage(), PreviewContent::Kind::image);
}

} // namespace
} // namespace ambertrove
