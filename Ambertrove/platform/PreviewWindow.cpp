#include "platform/PreviewWindow.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/ElidedLabel.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStackedWidget>
#include <QThreadPool>
#include <QVBoxLayout>


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
    factsLayout->addStretch(1);
    m_factsSymbol = new QLabel(m_factsPage);
    m_factsSymbol->setAlignment(Qt::AlignCenter);
    factsLayout->addWidget(m_factsSymbol);
    factsLayout->addSpacing(14);
    m_factsGrid = new QGridLayout;
    m_factsGrid->setHorizontalSpacing(12);
    m_factsGrid->setVerticalSpacing(6);
    auto* centred = new QHBoxLayout;
    centred->addStretch(1);
    centred->addLayout(m_factsGrid);
    centred->addStretch(1);
    factsLayout->addLayout(centred);
    factsLayout->addStretch(2);
    m_pages->insertWidget(imagePage, m_image);
    m_pages->insertWidget(textPage, m_text);
    m_pages->insertWidget(factsPage, m_factsPage);
    m_pages->setCurrentIndex(factsPage);
    column->addWidget(m_pages, 1);
    applyColours();
}

PreviewWindow::~PreviewWindow() {
    m_loadStop.request_stop();
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
    showFacts({});
    m_image->clear();
    m_text->clear();
    m_pages->setCurrentIndex(factsPage);
    show();
    raise();
    activateWindow();

    // The read runs on a pool thread. Its result is posted to the application object, which outlives any
    // window, and applied on the GUI thread only while this window lives and no newer request came. A newer
    // request, or the window's end, stops the read before its long part (an image read whole and decoded).
    m_loadStop.request_stop();
    m_loadStop = std::stop_source();
    QPointer<PreviewWindow> guard(this);
    QThreadPool::globalInstance()->start([guard, generation, path, knownSize, stop = m_loadStop.get_token()] {
        PreviewContent content = PreviewContent::load(path, knownSize, stop);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, generation, content = std::move(content)]() mutable {
                if (guard && generation == guard->m_generation)
                    guard->apply(std::move(content));
            },
            Qt::QueuedConnection);
    });
}

void PreviewWindow::apply(PreviewContent content) {
    m_content = std::move(content);
    m_state = State::shown;
    QStringList summary;
    for (const auto& [label, value] : m_content.facts)
        if (label != QLatin1String("Name"))
            summary << value;
    m_summary->setText(summary.join(QStringLiteral(" · ")));
    QList<QPair<QString, QString>> facts = m_content.facts;
    if (!m_content.error.isEmpty())
        facts << qMakePair(QStringLiteral("Could not be read"), m_content.error);
    showFacts(facts);
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

void PreviewWindow::showFacts(const QList<QPair<QString, QString>>& facts) {
    while (QLayoutItem* item = m_factsGrid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const bool folder = facts.contains(qMakePair(QStringLiteral("Kind"), QStringLiteral("Folder")));
    m_factsSymbol->setPixmap(facts.isEmpty() ? QPixmap()
                                             : Icons::pixmap(folder ? QStringLiteral("folder") : QStringLiteral("doc"), 64,
                                                             Appearance::role(ColorRole::accent), devicePixelRatioF()));
    for (int row = 0; row < facts.size(); ++row) {
        auto* label = new QLabel(facts[row].first, m_factsPage);
        auto* value = new QLabel(facts[row].second, m_factsPage);
        for (QLabel* text : {label, value}) {
            text->setTextFormat(Qt::PlainText);
            text->setFont(ViewText::font(12));
        }
        QPalette muted = label->palette();
        muted.setColor(QPalette::WindowText, Appearance::role(ColorRole::muted));
        label->setPalette(muted);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_factsGrid->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignTop);
        m_factsGrid->addWidget(value, row, 1, Qt::AlignLeft | Qt::AlignTop);
        label->show();
        value->show();
    }
    m_factsPage->layout()->activate();
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
