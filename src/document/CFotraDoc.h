// The single document: the open photo's record, the snapshot history with
// undo and redo, and every photo command (open, save, the 32 effects, the
// three fixed filters, commit-result), dispatched by numeric command id. A
// failed command leaves the photo, the history and `modified` as they were.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "document/DocumentUi.h"
#include "document/EditHistory.h"
#include "image/PhotoMetadata.h"
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

struct LeftoverSession;

class CFotraDoc {
public:
    // Reads a photo file into a fresh record; COvImage2::loadFromFile by
    // default. The reason of a failure is left in the record's fileProblem.
    using PhotoLoader = std::function<bool(COvImage2& image, const std::string& path)>;
    // Writes `current` of the record into the file, leaving the reason of a
    // failure in the record's fileProblem; by default it is encoded with its
    // metadata in memory and written once (see writePhotoFile).
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
    // Reads the metadata of each opened photo and writes it into each saved
    // file; NullMetadataIo (keeps none) by default. Null restores the default.
    void setMetadataIo(std::shared_ptr<IMetadataIo> io);

    // The folder of the session files (history file and journal); empty, the
    // default, keeps the history in memory only. The program passes
    // session::defaultFolder(). Applies from the next open.
    void setSessionFolder(std::filesystem::path folder);
    const std::filesystem::path& sessionFolder() const { return sessionFolder_; }
    // Bytes of snapshots the history keeps in memory when it has a session
    // folder; written ones beyond it wait in the history file. Default: a
    // quarter of the memory the process may use. Takes effect at once.
    void setHistoryMemoryBudget(std::size_t bytes);
    std::size_t historyMemoryBudget() const { return historyBudget_; }
    // Bytes the history file may take; by default the smaller of 2 GiB and a
    // tenth of the session folder's free space. Takes effect at once for new
    // snapshots.
    void setHistoryCacheBudget(std::uint64_t bytes);
    const EditHistory& editHistory() const { return history; }
    // Waits until the history's background writes are done (for tests and
    // before a deliberate stop).
    void settleHistory();

    // At start-up: offers every session in the session folder that did not
    // end normally, newest first, through the question box. Restore brings
    // back the photo with its history and cursor (and stops); Discard
    // deletes the session; Later keeps it for the next start. True when a
    // session was restored.
    bool offerSessionRecovery();

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

    // The open photo's metadata, as the metadata reader returned it; null
    // when none was kept.
    const PhotoMetadata* photoMetadata() const { return metadata_.get(); }

    bool isModified() const { return modified; }
    bool isPendingCommit() const { return pendingCommit; }
    int historyLength() const { return history.length(); }
    int historyPosition() const { return history.cursor(); }
    // Snapshot `index` (0 .. historyLength() - 1): height x stride bytes,
    // valid until the next call or command; empty when it cannot be read back.
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
    bool writePhotoFile(const COvImage2& record, const std::string& path, int format);
    void undo();
    void redo();
    void commitResult();
    void runEffect(int mode);
    void runFilter(int commandId);
    bool recordAcceptedEffect();
    bool showSnapshot(int index);
    bool restoreSession(LeftoverSession leftover);
    void reportOutOfMemory();
    void reportRecoveryLimit();
    void showMessage(const std::string& text);
    void showStatus(const std::string& text);
    void allocationPoint(AllocationSite site) const;
    void invalidateView();

    DocumentUi ui_;
    PhotoLoader loader_;
    PhotoSaver saver_;
    AllocationHook allocationHook_;
    std::shared_ptr<IMetadataIo> metadataIo_;
    std::shared_ptr<const PhotoMetadata> metadata_; // travels with `image`
    std::filesystem::path sessionFolder_;
    std::size_t historyBudget_ = EditHistory::defaultMemoryBudget();
    std::optional<std::uint64_t> cacheBudget_; // unset: the default of the folder
    mutable std::vector<std::uint8_t> snapshotView_;

    bool modified = false;
    EditHistory history; // its cursor is the index of the snapshot `current` shows
    std::unique_ptr<COvImage2> image;
    bool pendingCommit = false;
    bool metadataEmbedded_ = true; // of the last save
};
