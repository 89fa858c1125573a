#include "shell/ContentView.hpp"

#include "controller/AppModel.hpp"
#include "shell/Footer.hpp"
#include "shell/NoticeBanner.hpp"
#include "shell/ReviewSheet.hpp"
#include "shell/Rule.hpp"
#include "shell/ScanIssuesSheet.hpp"
#include "shell/SectionTab.hpp"
#include "shell/Sidebar.hpp"
#include "shell/StandInPanel.hpp"
#include "shell/ToastCard.hpp"
#include "shell/TopBar.hpp"
#include "widgets/Appearance.hpp"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QVBoxLayout>

namespace ambertrove {

static_assert(Sidebar::kWidth == ContentView::kSidebarWidth);

ContentView::ContentView(AppModel& model, ScreenTable screens, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_screens(std::move(screens)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_topBar = new TopBar(model, this);
    column->addWidget(m_topBar);
    column->addWidget(new Rule(Qt::Horizontal, this));

    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    m_sidebar = new Sidebar(model, this);
    row->addWidget(m_sidebar);
    row->addWidget(new Rule(Qt::Vertical, this));
    m_detail = new QVBoxLayout;
    m_detail->setSpacing(0);
    m_notice = new NoticeBanner(model, this);
    m_detail->addWidget(m_notice);
    row->addLayout(m_detail, 1);
    m_inspector = new QWidget(this);
    auto* inspectorRow = new QHBoxLayout(m_inspector);
    inspectorRow->setContentsMargins(0, 0, 0, 0);
    inspectorRow->setSpacing(0);
    inspectorRow->addWidget(new Rule(Qt::Vertical, m_inspector));
    QWidget* pane = m_screens.inspector ? m_screens.inspector(m_model, m_inspector)
                                        : StandInPanel::make(QStringLiteral("sidebar.right"),
                                                             QStringLiteral("Inspector"), m_inspector);
    pane->setFixedWidth(kInspectorWidth);
    inspectorRow->addWidget(pane);
    row->addWidget(m_inspector);
    column->addLayout(row, 1);

    column->addWidget(new Rule(Qt::Horizontal, this));
    m_footer = new Footer(model, this);
    column->addWidget(m_footer);

    m_toast = new ToastCard(model, this);

    connect(&m_model, &AppModel::displayChanged, this, [this] {
        refreshSection();
        refreshInspector();
        refreshIssues();
    });
    connect(&m_model, &AppModel::scanChanged, this, &ContentView::refreshInspector);
    connect(&m_model, &AppModel::messagesChanged, this, &ContentView::refreshAlert);
    connect(&m_model, &AppModel::cleanupChanged, this, &ContentView::refreshReview);
    refreshSection();
    refreshInspector();
    // The alert and the sheets open once the window is on screen, so that they sit over it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            refreshAlert();
            refreshIssues();
            refreshReview();
        },
        Qt::QueuedConnection);
}

void ContentView::retire() {
    m_model.disconnect(this);
    for (QDialog* dialog : {static_cast<QDialog*>(m_alert.data()), static_cast<QDialog*>(m_issues.data()),
                            static_cast<QDialog*>(m_review.data())}) {
        if (!dialog)
            continue;
        dialog->disconnect(this);
        dialog->hide();
        dialog->deleteLater();
    }
    m_alert = nullptr;
    m_issues = nullptr;
    m_review = nullptr;
}

bool ContentView::inspectorShown() const {
    return !m_inspector->isHidden();
}

void ContentView::refreshSection() {
    const AppSection section = m_model.section();
    if (m_sectionBuilt && section == m_shownSection)
        return;
    m_sectionBuilt = true;
    m_shownSection = section;
    if (m_section) {
        // Later: the change may come from a control inside the screen being replaced.
        m_section->hide();
        m_section->deleteLater();
    }
    if (const ScreenTable::Builder& build = m_screens.section(section))
        m_section = build(m_model, this);
    else
        m_section = StandInPanel::make(SectionTab::symbolOf(section), rawValue(section), this);
    m_detail->addWidget(m_section, 1);
    // A new child is stacked over the older ones: the notification card must stay over the new screen.
    m_toast->raise();
}

void ContentView::refreshInspector() {
    m_inspector->setVisible(m_model.section() == AppSection::explore && m_model.scan() &&
                            !m_model.scanning() && m_model.showInspector());
}

void ContentView::refreshAlert() {
    const auto& error = m_model.error();
    if (!error) {
        if (m_alert) {
            QMessageBox* alert = m_alert;
            m_alert = nullptr;
            alert->disconnect(this);
            alert->close();
            alert->deleteLater();
        }
        return;
    }
    if (!m_alert) {
        m_alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("Ambertrove"), QString(),
                                  QMessageBox::Ok, this);
        m_alert->setTextFormat(Qt::PlainText);
        // Room around the sentence, as a desktop's alerts give it; a long path wraps rather than crowd.
        m_alert->setStyleSheet(QStringLiteral(
            "QLabel#qt_msgbox_label { min-width: 380px; max-width: 520px; padding: 8px 6px 14px 6px; }"));
        m_alert->setAttribute(Qt::WA_DeleteOnClose);
        m_alert->setWindowModality(Qt::WindowModal);
        // Every way of closing the alert clears the error.
        connect(m_alert, &QMessageBox::finished, this, [this] {
            m_alert = nullptr;
            m_model.setError(std::nullopt);
        });
        m_alert->setText(*error);
        m_alert->open();
    } else if (m_alert->text() != *error) {
        m_alert->setText(*error);
    }
}

void ContentView::refreshIssues() {
    if (!m_model.showIssues()) {
        if (m_issues) {
            ScanIssuesSheet* sheet = m_issues;
            m_issues = nullptr;
            sheet->disconnect(this);
            sheet->close();
            sheet->deleteLater();
        }
        return;
    }
    if (m_issues)
        return;
    m_issues = new ScanIssuesSheet(m_model, this);
    m_issues->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_issues, &QDialog::finished, this, [this] {
        m_issues = nullptr;
        m_model.setShowIssues(false);
    });
    m_issues->open();
}

void ContentView::refreshReview() {
    if (!m_model.cleanupRequest()) {
        if (m_review) {
            QDialog* sheet = m_review;
            m_review = nullptr;
            sheet->disconnect(this);
            sheet->close();
            sheet->deleteLater();
        }
        return;
    }
    if (m_review)
        return;
    m_review = m_screens.review ? m_screens.review(m_model, this) : new ReviewSheet(m_model, this);
    m_review->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_review, &QDialog::finished, this, [this] {
        m_review = nullptr;
        m_model.setCleanupRequest(nullptr);
    });
    m_review->open();
}

void ContentView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Appearance::role(ColorRole::background));
}

} // namespace ambertrove
