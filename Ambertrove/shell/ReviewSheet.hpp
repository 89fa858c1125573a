#pragma once

#include <QDialog>

namespace ambertrove {

class AppModel;

// The cleanup review sheet's place: shown while the controller holds a cleanup request; closing it
// clears the request. Its content is a stand-in until the review screen is built into the window.
class ReviewSheet final : public QDialog {
    Q_OBJECT

public:
    explicit ReviewSheet(AppModel& model, QWidget* parent);
    Q_DISABLE_COPY_MOVE(ReviewSheet)
};

} // namespace ambertrove
