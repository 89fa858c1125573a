#pragma once

#include "controller/AppSection.hpp"
#include "shell/ScanIssuesSheet.hpp"
#include "shell/ScreenTable.hpp"
#include "shell/Sidebar.hpp"

#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <optional>

class QVBoxLayout;

namespace ambertrove {

class AppModel;
class Footer;
class NoticeBanner;
class ToastCard;
class TopBar;

// The main window's content: the top bar, the main row (sidebar, the section's screen, and the inspector
// after a finished scan in Explore), the footer, the notification card over the bottom, the error alert
// and the issues and review sheets. It shows what the controller holds and owns no state of its own: a
// new ContentView shows the same window. The section's screen is built afresh each time the section is
// entered. The screens come from the table it is given.
class ContentView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSidebarWidth = 226;
    static constexpr int kInspectorWidth = 260;

    ContentView(AppModel& model, ScreenTable screens, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ContentView)

    [[nodiscard]] TopBar* topBar() const { return m_topBar; }
    [[nodiscard]] Footer* footer() const { return m_footer; }
    [[nodiscard]] NoticeBanner* noticeBanner() const { return m_notice; }
    [[nodiscard]] ToastCard* toastCard() const { return m_toast; }
    [[nodiscard]] Sidebar* sidebar() const { return m_sidebar; }
    // The section's screen and the section it shows.
    [[nodiscard]] QWidget* sectionView() const { return m_section; }
    [[nodiscard]] AppSection shownSection() const { return m_shownSection; }
    // The inspector column (its rule and pane), shown only in Explore with a finished scan.
    [[nodiscard]] QWidget* inspector() const { return m_inspector; }
    [[nodiscard]] bool inspectorShown() const;
    [[nodiscard]] QMessageBox* errorAlert() const { return m_alert; }
    [[nodiscard]] ScanIssuesSheet* issuesSheet() const { return m_issues; }
    [[nodiscard]] QDialog* reviewSheet() const { return m_review; }

    // Stops showing the controller: closes the alert and the sheets without answering them (a new content
    // shows them again) and listens no more. Called on a content that is being replaced.
    void retire();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refreshSection();
    void refreshInspector();
    void refreshAlert();
    void refreshIssues();
    void refreshReview();

    AppModel& m_model;
    ScreenTable m_screens;
    TopBar* m_topBar = nullptr;
    Footer* m_footer = nullptr;
    Sidebar* m_sidebar = nullptr;
    NoticeBanner* m_notice = nullptr;
    QVBoxLayout* m_detail = nullptr;
    QWidget* m_section = nullptr;
    AppSection m_shownSection = AppSection::explore;
    bool m_sectionBuilt = false;
    QWidget* m_inspector = nullptr;
    ToastCard* m_toast = nullptr;
    QPointer<QMessageBox> m_alert;
    QPointer<ScanIssuesSheet> m_issues;
    QPointer<QDialog> m_review;
};

} // namespace ambertrove
