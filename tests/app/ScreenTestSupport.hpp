#pragma once

#include "WindowTestSupport.hpp"

#include "screens/RowListView.hpp"

#include <QAbstractItemModel>
#include <QTest>

#include <functional>

namespace ambertrove::test {

// The window's feature screens on the real controller: finding the shown screen, pressing the painted
// rows and their buttons, and pictures of the window in both appearances.
class ScreenTest : public WindowTest {
protected:
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
