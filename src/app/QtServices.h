// The Qt implementations of the document's and the shell's interfaces:
// file dialogs with the document's filters, message boxes captioned
// "PEKARUN4FREE", the save-changes question, the wait cursor and the
// desktop's handlers for local files and web addresses.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "app/AppServices.h"
#include "document/DocumentUi.h"

// The Qt filter string of a filter list: "label (pattern)" joined by ";;".
QString qtFilterString(const FileDialogOptions& options);

// The folder a file dialog starts in: the last one used, unless it is gone
// or inside a virtual file system (/proc, /sys, /dev, /run), whose listing
// can hang; then the Pictures folder, or home.
QString fileDialogStartFolder(const QString& lastFolder);

class QtFileDialogs : public IFileDialogs {
public:
    void setParent(QWidget* parent) { parent_ = parent; }
    std::optional<std::string> askOpenPath(const FileDialogOptions& options) override;
    std::optional<std::string> askSavePath(const FileDialogOptions& options) override;

private:
    QPointer<QWidget> parent_;
    QString lastFolder_;
};

class QtPrompts : public IAppPrompts {
public:
    void setParent(QWidget* parent) { parent_ = parent; }
    void showMessage(const std::string& text) override;
    RecoveryAnswer askRecovery(const std::string& text) override;
    SaveChangesAnswer askSaveChanges() override;

private:
    QPointer<QWidget> parent_;
};

class QtWaitCursor : public IWaitCursor {
public:
    void beginWait() override;
    void endWait() override;
};

class QtShell : public IShell {
public:
    bool openLocalFile(const std::string& path) override;
};
