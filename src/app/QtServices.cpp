// Qt file dialogs, message boxes, the wait cursor and the desktop's
// handlers behind the document's and the shell's interfaces.
#include "app/QtServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

#include "res/Strings.h"

namespace {

QString fromUtf8(const std::string& text) { return QString::fromStdString(text); }

QString captionText() { return QString::fromUtf8(kMessageCaption); }

// The extension a filter's pattern names ("*.png" gives "png"), or empty.
QString extensionOfFilter(const QString& qtFilter)
{
    const qsizetype open = qtFilter.lastIndexOf('(');
    const QString pattern = qtFilter.mid(open + 1).chopped(1).section(' ', 0, 0);
    const qsizetype dot = pattern.lastIndexOf('.');
    if (dot < 0) {
        return {};
    }
    const QString extension = pattern.mid(dot + 1);
    return extension.contains('*') ? QString() : extension;
}

bool isInsideVirtualFileSystem(const QString& folder)
{
    const QString path = QFileInfo(folder).canonicalFilePath();
    for (const char* root : {"/proc", "/sys", "/dev", "/run"}) {
        if (path == root || path.startsWith(QString(root) + "/")) {
            return true;
        }
    }
    return false;
}

// Selects the initial name, runs the dialog and returns the chosen path,
// remembering its folder for the next dialog; nothing when cancelled.
std::optional<std::string> runFileDialog(QFileDialog& dialog, const FileDialogOptions& options, QString& lastFolder)
{
    if (!options.initialName.empty()) {
        dialog.selectFile(fromUtf8(options.initialName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString path = dialog.selectedFiles().constFirst();
    lastFolder = QFileInfo(path).absolutePath();
    return path.toStdString();
}

} // namespace

QString fileDialogStartFolder(const QString& lastFolder)
{
    if (!lastFolder.isEmpty() && QFileInfo(lastFolder).isDir() && !isInsideVirtualFileSystem(lastFolder)) {
        return lastFolder;
    }
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QDir(pictures).exists() ? pictures : QDir::homePath();
}

QString qtFilterString(const FileDialogOptions& options)
{
    QStringList entries;
    for (const FileFilter& filter : options.filters) {
        entries << fromUtf8(filter.label) + " (" + fromUtf8(filter.pattern) + ")";
    }
    return entries.join(";;");
}

std::optional<std::string> QtFileDialogs::askOpenPath(const FileDialogOptions& options)
{
    QFileDialog dialog(parent_, QString::fromUtf8(res::commandTooltip(CommandId::OpenPhoto)),
                       fileDialogStartFolder(lastFolder_), qtFilterString(options));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(options.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!options.defaultExtension.empty()) {
        dialog.setDefaultSuffix(fromUtf8(options.defaultExtension));
    }
    return runFileDialog(dialog, options, lastFolder_);
}

std::optional<std::string> QtFileDialogs::askSavePath(const FileDialogOptions& options)
{
    QFileDialog dialog(parent_, QString::fromUtf8(res::commandTooltip(CommandId::SavePhoto)),
                       fileDialogStartFolder(lastFolder_), qtFilterString(options));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.promptBeforeOverwrite);
    if (!options.defaultExtension.empty()) {
        dialog.setDefaultSuffix(fromUtf8(options.defaultExtension));
    }
    // A name typed without an extension takes the one of the chosen type.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &options](const QString& filter) {
        const QString extension = extensionOfFilter(filter);
        dialog.setDefaultSuffix(extension.isEmpty() ? fromUtf8(options.defaultExtension) : extension);
    });
    return runFileDialog(dialog, options, lastFolder_);
}

void QtPrompts::showMessage(const std::string& text)
{
    QMessageBox box(QMessageBox::Warning, captionText(), fromUtf8(text), QMessageBox::Ok, parent_);
    box.exec();
}

RecoveryAnswer QtPrompts::askRecovery(const std::string& text)
{
    QMessageBox box(QMessageBox::Question, captionText(), fromUtf8(text), QMessageBox::NoButton, parent_);
    QPushButton* restore = box.addButton(fromUtf8(kRestoreButtonText), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(fromUtf8(kDiscardButtonText), QMessageBox::DestructiveRole);
    QPushButton* later = box.addButton(fromUtf8(kLaterButtonText), QMessageBox::RejectRole);
    box.setDefaultButton(restore);
    // Escape and the close box answer "later": nothing is deleted without a click on discard.
    box.setEscapeButton(later);
    box.exec();
    if (box.clickedButton() == restore) {
        return RecoveryAnswer::Restore;
    }
    return box.clickedButton() == discard ? RecoveryAnswer::Discard : RecoveryAnswer::Later;
}

SaveChangesAnswer QtPrompts::askSaveChanges()
{
    QMessageBox box(QMessageBox::Question, captionText(),
                    QString::fromUtf8(res::loadString(res::IDS_SAVE_CHANGES_QUESTION)),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent_);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveChangesAnswer::Save;
    case QMessageBox::Discard:
        return SaveChangesAnswer::Discard;
    default:
        return SaveChangesAnswer::Cancel;
    }
}

void QtWaitCursor::beginWait() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void QtWaitCursor::endWait() { QApplication::restoreOverrideCursor(); }

// The desktop opens a missing file without complaint, so its presence is
// checked first.
bool QtShell::openLocalFile(const std::string& path)
{
    const QString file = fromUtf8(path);
    return QFileInfo(file).isFile() && QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}
