#include "platform/FileDialogs.hpp"

#include "widgets/ViewText.hpp"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QUrl>

namespace ambertrove::FileDialogs {

namespace {

// Calls `done` once, when the dialog closes, with its first chosen local path.
void finishWith(QFileDialog* dialog, Done done) {
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
        std::optional<QString> chosen;
        if (result == QDialog::Accepted) {
            const QList<QUrl> urls = dialog->selectedUrls();
            if (!urls.isEmpty() && urls.first().isLocalFile())
                chosen = urls.first().toLocalFile();
        }
        if (done)
            done(chosen);
    });
}

// The message as a line of the dialog's own layout, when the dialog is Qt's (a native one has no room).
void addMessage(QFileDialog* dialog, const QString& message) {
    auto* grid = qobject_cast<QGridLayout*>(dialog->layout());
    if (!grid || message.isEmpty())
        return;
    auto* label = new QLabel(message, dialog);
    label->setObjectName(QStringLiteral("ambertroveDialogMessage"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
}

QFileDialog* makeDialog(QWidget* parent, const QString& title) {
    auto* dialog = new QFileDialog(parent, title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    return dialog;
}

} // namespace

QFileDialog* chooseFolder(QWidget* parent, const FolderRequest& request, Done done) {
    QFileDialog* dialog = makeDialog(parent, request.title.isEmpty() ? request.message : request.title);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (!request.acceptLabel.isEmpty())
        dialog->setLabelText(QFileDialog::Accept, ViewText::withoutMnemonic(request.acceptLabel));
    if (!request.directory.isEmpty())
        dialog->setDirectory(request.directory);
    finishWith(dialog, std::move(done));
    dialog->open();
    addMessage(dialog, request.title.isEmpty() ? QString() : request.message);
    return dialog;
}

QFileDialog* chooseBackupFolder(QWidget* parent, const QString& lastParent, Done done) {
    FolderRequest request;
    request.title = QStringLiteral("Choose a backup folder");
    request.message = QStringLiteral("Files will be copied here, verified, then moved to Trash.");
    request.acceptLabel = QStringLiteral("Back up & Move to Trash");
    request.directory = lastParent;
    return chooseFolder(parent, request, std::move(done));
}

QFileDialog* chooseSaveFile(QWidget* parent, const QString& proposedName, const QString& directory,
                            Done done) {
    QFileDialog* dialog = makeDialog(parent, QString());
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    if (!directory.isEmpty())
        dialog->setDirectory(directory);
    dialog->selectFile(proposedName);
    finishWith(dialog, std::move(done));
    dialog->open();
    return dialog;
}

} // namespace ambertrove::FileDialogs
