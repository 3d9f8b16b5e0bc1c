// The single document: the open photo's record, the snapshot history with
// undo and redo, and every photo command (open, save, the 32 effects, the
// three fixed filters, commit-result), dispatched by numeric command id. A
// failed command leaves the photo, the history and `modified` as they were.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "document/DocumentUi.h"
#include "image/COvImage2.h"

// The menu state of one command: enabled, and checked (no document command
// is ever checked; the field is there for the shell's one update function).
struct CommandState {
    bool enabled = false;
    bool checked = false;
    friend bool operator==(const CommandState&, const CommandState&) = default;
};

// The points where the document allocates whole planes; a test can make any
// of them fail (see CFotraDoc::setAllocationHook).
enum class AllocationSite {
    OpenPhoto,      // the new record's planes and its first snapshot
    RecordSnapshot, // the snapshot of an accepted effect
    RunPipeline,    // the engine's temporaries while a pipeline runs
};

class CFotraDoc {
public:
    // Reads a photo file into a fresh record; COvImage2::loadFromFile by default.
    using PhotoLoader = std::function<bool(COvImage2& image, const std::string& path)>;
    // Writes `current` of the record; COvImage2::saveToFile by default.
    using PhotoSaver = std::function<bool(const COvImage2& image, const std::string& path, int format)>;
    // Called before each allocating step; may throw std::bad_alloc.
    using AllocationHook = std::function<void(AllocationSite site)>;

    explicit CFotraDoc(DocumentUi ui = {});
    ~CFotraDoc();
    CFotraDoc(const CFotraDoc&) = delete;
    CFotraDoc& operator=(const CFotraDoc&) = delete;

    void setUi(const DocumentUi& ui);
    void setView(IDocumentView* view);
    void setPhotoLoader(PhotoLoader loader);
    void setPhotoSaver(PhotoSaver saver);
    void setAllocationHook(AllocationHook hook);

    // Runs the command `id`; false when the id is not a document command.
    bool onCommand(int id);
    // The enable rule of command `id` in the present state.
    CommandState commandState(int id) const;

    // The open-photo command without its dialog (command line, drag and
    // drop): true when the photo was opened; on failure it says so in a
    // message and keeps the photo that was open.
    bool openPhotoFile(const std::string& path);

    // True when a photo is open and has changes that no save has written;
    // the shell asks before it discards them.
    bool hasUnsavedChanges() const;

    bool hasPhoto() const { return image != nullptr; }
    // The open photo's record, or null.
    COvImage2* photo() { return image.get(); }
    const COvImage2* photo() const { return image.get(); }

    bool isModified() const { return modified; }
    bool isPendingCommit() const { return pendingCommit; }
    int historyLength() const { return static_cast<int>(history.size()); }
    int historyPosition() const { return historyCursor; }
    // Snapshot `index` (0 .. historyLength() - 1): height x stride bytes.
    std::span<const std::uint8_t> snapshot(int index) const;

    // The extension rule of the save command: the SaveFormat code that the
    // extension of `path`'s file name names (case-insensitive: jpg, jpeg,
    // png, tif, tiff), or 0 when it names none.
    static int saveFormatForPath(const std::string& path);

    // The file dialogs' filter lists.
    static FileDialogOptions openDialogOptions();
    static FileDialogOptions saveDialogOptions();

private:
    void openPhoto();
    void savePhoto();
    void undo();
    void redo();
    void commitResult();
    void runEffect(int mode);
    void runFilter(int commandId);
    bool recordAcceptedEffect();
    void reportOutOfMemory();
    void showMessage(const std::string& text);
    void allocationPoint(AllocationSite site) const;
    void invalidateView();

    DocumentUi ui_;
    PhotoLoader loader_;
    PhotoSaver saver_;
    AllocationHook allocationHook_;

    bool modified = false;
    std::vector<std::vector<std::uint8_t>> history;
    std::int32_t historyCursor = -1;
    std::unique_ptr<COvImage2> image;
    bool pendingCommit = false;
};
