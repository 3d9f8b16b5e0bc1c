// The small interfaces through which the document reaches the user interface:
// file dialogs, message and question boxes, wait cursor, the effect dialog and the view. The
// Qt program implements them with real widgets, the tests with fakes; the
// document itself stays free of any toolkit.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/EffectValues.h"

class COvImage2;

// Caption of every message box the document shows.
inline constexpr const char* kMessageCaption = "PEKARUN4FREE";

// One entry of a file dialog's filter list, e.g. {"PNGファイル(*.png)", "*.png"}.
struct FileFilter {
    std::string label;
    std::string pattern;
};

// Everything a file dialog needs to know; the document fills it in.
struct FileDialogOptions {
    std::vector<FileFilter> filters;
    std::string defaultExtension; // without the dot; empty for none
    std::string initialName;      // empty for none
    bool fileMustExist = false;
    bool promptBeforeOverwrite = false;
    bool hideReadOnly = true;
};

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // Full POSIX path of the chosen file, or nothing when the user cancels.
    virtual std::optional<std::string> askOpenPath(const FileDialogOptions& options) = 0;
    // Full POSIX path as the dialog reports it (the default extension already
    // applied by the dialog where the user typed none), or nothing on cancel.
    virtual std::optional<std::string> askSavePath(const FileDialogOptions& options) = 0;
};

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // A modal box with an OK button only and kMessageCaption as its caption.
    virtual void showMessage(const std::string& text) = 0;
};

// The answers to the recovery question, and the texts of their buttons,
// which the question names. Only Discard deletes anything.
inline constexpr const char* kRestoreButtonText = "復元する";
inline constexpr const char* kDiscardButtonText = "削除する";
inline constexpr const char* kLaterButtonText = "後で";
enum class RecoveryAnswer {
    Restore,
    Discard,
    Later, // Escape or the close box: ask again at the next start
};

class IQuestionBox {
public:
    virtual ~IQuestionBox() = default;
    // A modal box with kMessageCaption as its caption and the buttons to
    // restore, to discard and to decide later.
    virtual RecoveryAnswer askRecovery(const std::string& text) = 0;
};

class IWaitCursor {
public:
    virtual ~IWaitCursor() = default;
    virtual void beginWait() = 0;
    virtual void endWait() = 0;
};

// Shows the wait cursor for its lifetime (tolerates a null cursor).
class WaitCursorScope {
public:
    explicit WaitCursorScope(IWaitCursor* cursor) : cursor_(cursor)
    {
        if (cursor_ != nullptr) {
            cursor_->beginWait();
        }
    }
    ~WaitCursorScope()
    {
        if (cursor_ != nullptr) {
            cursor_->endWait();
        }
    }
    WaitCursorScope(const WaitCursorScope&) = delete;
    WaitCursorScope& operator=(const WaitCursorScope&) = delete;

private:
    IWaitCursor* cursor_;
};

// The modal effect dialog of one command. It may write `result` and `scratch`
// of the record while it runs, never `current` or `resultBackup`.
class IEffectDialog {
public:
    virtual ~IEffectDialog() = default;
    // Runs the dialog modally; true when the user accepted it (OK).
    virtual bool runModal() = 0;
    // After an accepted run: the slider positions and colours at OK.
    virtual EffectValues values() const = 0;
};

class IEffectDialogFactory {
public:
    virtual ~IEffectDialogFactory() = default;
    // A dialog for `mode` (1..32) on the record, which outlives the dialog.
    virtual std::unique_ptr<IEffectDialog> createEffectDialog(COvImage2& image, int mode) = 0;
};

// The status bar's message pane: one line that needs no answer, such as a
// photo's metadata left out.
class IStatusLine {
public:
    virtual ~IStatusLine() = default;
    virtual void showStatus(const std::string& text) = 0;
};

// The one view that shows the photo.
class IDocumentView {
public:
    virtual ~IDocumentView() = default;
    // Refits the zoom in fit-to-window mode; true when it changed the zoom.
    virtual bool computeFitZoom() = 0;
    // Sets the scroll extent and centres a large photo in 1:1 mode.
    virtual void updateScrollLayout() = 0;
    // Invalidates the whole view so that it repaints, erasing the background.
    virtual void invalidate() = 0;
};

// The document's links to the user interface; none is owned. A missing
// dialog counts as cancelled, a missing message box, cursor or view as silent.
struct DocumentUi {
    IFileDialogs* fileDialogs = nullptr;
    IMessageBox* messageBox = nullptr;
    IWaitCursor* waitCursor = nullptr;
    IEffectDialogFactory* effectDialogs = nullptr;
    IDocumentView* view = nullptr;
    IQuestionBox* questionBox = nullptr; // a missing one answers Later
    IStatusLine* statusLine = nullptr;   // a missing one is silent
    // Told the path of every photo that opened (open command, command line,
    // drag and drop, recent list); the shell keeps its recent-file list.
    std::function<void(const std::string& path)> photoOpened = {};
};
