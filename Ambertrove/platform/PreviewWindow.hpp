#pragma once

#include "platform/PreviewContent.hpp"

#include <QWidget>

#include <cstdint>
#include <optional>
#include <stop_token>

class QGridLayout;
class QLabel;
class QPlainTextEdit;
class QStackedWidget;

namespace ambertrove {

class ElidedLabel;

// The application's own read-only preview: one window, reused for every item, showing an image, the
// start of a text file, or the item's facts. The item is read on a pool thread; a newer request
// supersedes an older one still loading. Nothing is ever launched, opened with a program or executed.
class PreviewWindow final : public QWidget {
    Q_OBJECT

public:
    explicit PreviewWindow(QWidget* parent = nullptr);
    // Stops the read still running at its next step, so that the program's end waits little for it.
    ~PreviewWindow() override;
    Q_DISABLE_COPY_MOVE(PreviewWindow)

    // Shows the window (raised) and starts reading `path`. `knownSize` is the size to show for it.
    void preview(const QString& path, std::optional<std::int64_t> knownSize = {});

    enum class State { empty, loading, shown };
    [[nodiscard]] State state() const { return m_state; }
    // The item shown or being read.
    [[nodiscard]] QString path() const { return m_path; }
    // What is shown once the state is `shown`.
    [[nodiscard]] const PreviewContent& content() const { return m_content; }
    // The text in the text view and the image in the image view.
    [[nodiscard]] QString shownText() const;
    [[nodiscard]] QSize shownImageSize() const;
    // The page on display: the image, the text or the facts.
    [[nodiscard]] PreviewContent::Kind shownPage() const;

signals:
    // The item's content is on display.
    void contentShown();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyColours();
    void apply(PreviewContent content);
    void fitImage();
    void showFacts(const QList<QPair<QString, QString>>& facts);

    State m_state = State::empty;
    QString m_path;
    std::uint64_t m_generation = 0;
    // The running read's stop: a newer request or the window's end stops it.
    std::stop_source m_loadStop;
    PreviewContent m_content;

    ElidedLabel* m_title = nullptr;
    ElidedLabel* m_summary = nullptr;
    QStackedWidget* m_pages = nullptr;
    QLabel* m_image = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QWidget* m_factsPage = nullptr;
    QLabel* m_factsSymbol = nullptr;
    QGridLayout* m_factsGrid = nullptr;
};

} // namespace ambertrove
