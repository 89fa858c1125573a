#pragma once

#include <QString>

#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

namespace ambertrove {

// The file dialogs of the window. Each opens window-modal with open() and returns at once; `done` runs
// once, with the chosen absolute path or with nothing when the dialog is cancelled. The dialog is a
// child of `parent` (so tests find it and answer it) and deletes itself when closed.
namespace FileDialogs {

using Done = std::function<void(std::optional<QString>)>;

struct FolderRequest {
    QString title;       // the window title; the message stands in when empty
    QString message;     // one line above the file list
    QString acceptLabel; // the confirm button
    QString directory;   // where the dialog opens; empty for the dialog's own choice
};

// A folder (files cannot be chosen; new folders can be made).
QFileDialog* chooseFolder(QWidget* parent, const FolderRequest& request, Done done);

// The backup folder asked for before items go to the Trash, opened at `lastParent` when it is not empty.
QFileDialog* chooseBackupFolder(QWidget* parent, const QString& lastParent, Done done);

// A file to write in `directory`, proposing `proposedName` ("Ambertrove-files.csv"). The dialog asks
// before replacing.
QFileDialog* chooseSaveFile(QWidget* parent, const QString& proposedName, const QString& directory,
                            Done done);

} // namespace FileDialogs

} // namespace ambertrove
