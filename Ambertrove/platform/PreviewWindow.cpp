#include "platform/PreviewWindow.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/ElidedLabel.hpp"
#include "widgets/ViewText.hpp"

#include <QFileInfo>
#include <QFontDatabase>
#include <QFuture>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPromise>
#include <QStackedWidget>
#include <QThreadPool>
#include <QVBoxLayout>

#include <memory>

namespace ambertrove {

namespace {
enum Page { imagePage = 0, textPage = 1, factsPage = 2 };
}

PreviewWindow::PreviewWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Preview"));
    resize(640, 520);
    setAutoFillBackground(true);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 14, 16, 16);
    column->setSpacing(6);
    m_title = new ElidedLabel({}, Qt::ElideMiddle, this);
    m_title->setFont(ViewText::font(14, QFont::DemiBold));
    m_summary = new ElidedLabel({}, Qt::ElideRight, this);
    m_summary->setFont(ViewText::font(11));
    column->addWidget(m_title);
    column->addWidget(m_summary);
    column->addSpacing(6);

    m_pages = new QStackedWidget(this);
    m_image = new QLabel(m_pages);
    m_image->setAlignment(Qt::AlignCenter);
    m_image->setMinimumSize(1, 1);
    m_image->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_text = new QPlainTextEdit(m_pages);
    m_text->setReadOnly(true);
    m_text->setUndoRedoEnabled(false);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(12);
    m_text->setFont(mono);
    m_factsPage = new QWidget(m_pages);
    auto* factsLayout = new QVBoxLayout(m_factsPage);
    m_facts = new QLabel(m_factsPage);
    m_facts->setTextFormat(Qt::PlainText);
    m_facts->setFont(ViewText::font(12));
    m_facts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_facts->setAlignment(Qt::AlignCenter);
    m_facts->setWordWrap(true);
    factsLayout->addWidget(m_facts);
    m_pages->insertWidget(imagePage, m_image);
    m_pages->insertWidget(textPage, m_text);
    m_pages->insertWidget(factsPage, m_factsPage);
    m_pages->setCurrentIndex(factsPage);
    column->addWidget(m_pages, 1);
    applyColours();
}

void PreviewWindow::applyColours() {
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Appearance::role(ColorRole::panel));
    colours.setColor(QPalette::WindowText, Appearance::role(ColorRole::ink));
    colours.setColor(QPalette::Base, Appearance::role(ColorRole::surface));
    colours.setColor(QPalette::Text, Appearance::role(ColorRole::ink));
    setPalette(colours);
    m_summary->setColor(Appearance::role(ColorRole::muted));
}

void PreviewWindow::preview(const QString& path, std::optional<std::int64_t> knownSize) {
    const std::uint64_t generation = ++m_generation;
    // The theme may have changed since the last item.
    applyColours();
    m_path = path;
    m_state = State::loading;
    const QString name = QFileInfo(path).fileName();
    setWindowTitle(name.isEmpty() ? path : name);
    m_title->setText(name.isEmpty() ? path : name);
    m_title->setToolTip(ViewText::plainToolTip(path));
    m_summary->setText(QString());
    m_facts->setText(QString());
    m_image->clear();
    m_text->clear();
    m_pages->setCurrentIndex(factsPage);
    show();
    raise();
    activateWindow();

    // The read runs on a pool thread; its result comes back only while this window lives, and is applied
    // only when no newer request came meanwhile.
    auto promise = std::make_shared<QPromise<PreviewContent>>();
    QFuture<PreviewContent> future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, path, knownSize] {
        promise->addResult(PreviewContent::load(path, knownSize));
        promise->finish();
    });
    future.then(this, [this, generation](PreviewContent content) {
        if (generation == m_generation)
            apply(std::move(content));
    });
}

void PreviewWindow::apply(PreviewContent content) {
    m_content = std::move(content);
    m_state = State::shown;
    QStringList summary;
    QStringList lines;
    for (const auto& [label, value] : m_content.facts) {
        lines << label + QStringLiteral(": ") + value;
        if (label != QLatin1String("Name"))
            summary << value;
    }
    if (!m_content.error.isEmpty())
        lines << QStringLiteral("Could not be read: ") + m_content.error;
    m_summary->setText(summary.join(QStringLiteral(" · ")));
    m_facts->setText(lines.join(QLatin1Char('\n')));
    switch (m_content.kind) {
    case PreviewContent::Kind::image:
        m_pages->setCurrentIndex(imagePage);
        fitImage();
        break;
    case PreviewContent::Kind::text:
        m_text->setPlainText(m_content.textTruncated ? m_content.text + QStringLiteral("\n…") : m_content.text);
        m_pages->setCurrentIndex(textPage);
        break;
    case PreviewContent::Kind::facts:
        m_pages->setCurrentIndex(factsPage);
        break;
    }
    emit contentShown();
}

void PreviewWindow::fitImage() {
    if (m_content.kind != PreviewContent::Kind::image || m_content.image.isNull())
        return;
    const QSize room = m_pages->size();
    QImage shown = m_content.image;
    if (shown.width() > room.width() || shown.height() > room.height())
        shown = shown.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    m_image->setPixmap(QPixmap::fromImage(shown));
}

QString PreviewWindow::shownText() const {
    return m_pages->currentIndex() == textPage ? m_text->toPlainText() : QString();
}

QSize PreviewWindow::shownImageSize() const {
    return m_pages->currentIndex() == imagePage ? m_image->pixmap().size() : QSize();
}

PreviewContent::Kind PreviewWindow::shownPage() const {
    switch (m_pages->currentIndex()) {
    case imagePage:
        return PreviewContent::Kind::image;
    case textPage:
        return PreviewContent::Kind::text;
    default:
        return PreviewContent::Kind::facts;
    }
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Space) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PreviewWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitImage();
}

} // namespace ambertrove
