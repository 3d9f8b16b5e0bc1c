// The edit history of the open photo: a linear list of whole-plane snapshots
// and a cursor, with undo and redo by copying a snapshot back. With a session
// folder the snapshots are also written, off the interface thread, to the
// session's history file (within a cache budget), and the journal describes
// the history, so a crashed session can be rebuilt. The disk only helps: a
// snapshot it cannot take stays in memory, and an edit is refused only when
// memory cannot hold it. Snapshot 0 is not copied when the photo file itself
// (its size and checksum in the journal) can stand for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "document/SessionFiles.h"
#include "document/SnapshotWriter.h"

// Why crash recovery covers less than the whole history.
enum class RecoveryLimit {
    None,
    FolderUnusable,     // the session files could not be made in the folder
    FolderFull,         // a snapshot or the journal could not be written there
    CacheBudgetReached, // the history file reached its budget
};

enum class HistoryError {
    None,
    OutOfMemory, // a snapshot does not fit into memory
};

class EditHistory {
public:
    // What a new history records about its photo.
    struct Photo {
        std::string path;
        std::int32_t width = 0;
        std::int32_t height = 0;
    };

    // Empty: no photo, cursor -1.
    EditHistory();
    // Deletes the session files: an editing session that ends normally leaves nothing behind.
    ~EditHistory();
    EditHistory(EditHistory&& other) noexcept;
    EditHistory& operator=(EditHistory&& other) noexcept;
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    // A quarter of the memory this process may use (see memory::defaultHistoryBudget).
    static std::size_t defaultMemoryBudget();
    // The smaller of 2 GiB and a tenth of the free space of `folder`.
    static std::uint64_t defaultCacheBudget(const std::filesystem::path& folder);

    // A history whose snapshot 0 is `first` (height x stride bytes of
    // `photo`). With a non-empty `folder` it is kept in new session files
    // there, of at most `cacheBudget` bytes; when they cannot be made, the
    // history stays in memory only (notice() says so). Throws std::bad_alloc.
    static EditHistory begin(std::span<const std::uint8_t> first, const Photo& photo,
                             const std::filesystem::path& folder, std::size_t memoryBudget,
                             std::uint64_t cacheBudget);
    // The history of a leftover session: `files` must hold the lock and
    // `journal` their journal, every snapshot of which has a readable slot
    // except snapshot 0, whose plane `first` (from the photo file) is then
    // given. Nothing else is in memory at first.
    static EditHistory resume(std::unique_ptr<session::SessionFiles> files, session::Journal journal,
                              std::vector<std::uint8_t> first, std::size_t memoryBudget,
                              std::uint64_t cacheBudget);

    bool isPersistent() const { return files_ != nullptr; }
    int length() const { return static_cast<int>(entries_.size()); }
    int cursor() const { return cursor_; }
    const Photo& photo() const { return photo_; }
    bool modified() const { return modified_; }
    std::size_t snapshotBytes() const { return snapshotBytes_; }

    // Bytes of snapshots held in memory. Those in the history file leave
    // memory beyond the budget; those that are not stay.
    std::size_t residentBytes() const { return residentBytes_; }
    std::size_t memoryBudget() const { return memoryBudget_; }
    // Takes effect at once for snapshots already written.
    void setMemoryBudget(std::size_t bytes);
    std::uint64_t cacheBudget() const { return cacheBudget_; }
    // Applies to the snapshots recorded from now on.
    void setCacheBudget(std::uint64_t bytes) { cacheBudget_ = bytes; }

    // Appends `snapshot` after the cursor (dropping the snapshots ahead of
    // it) and moves the cursor to it; marks the session modified. On an
    // error nothing has changed.
    HistoryError record(std::span<const std::uint8_t> snapshot);

    // Snapshot `index` when it is in memory, else an empty span.
    std::span<const std::uint8_t> resident(int index) const;
    // Copies snapshot `index` into `out` (snapshotBytes() bytes); false when
    // its slot cannot be read or fails its checksum.
    bool read(int index, std::span<std::uint8_t> out) const;

    // Moves the cursor (0 .. length() - 1) after undo or redo; marks the
    // session modified.
    void moveCursor(int index);
    // The photo was saved: the session has no unsaved changes.
    void markSaved();

    // Waits until the history file and the journal hold everything recorded
    // so far, then lets written snapshots leave memory beyond the budget.
    void settle();
    // Once per history: that crash recovery became limited, and why (the
    // folder is sessionFolder()); None otherwise.
    RecoveryLimit takeRecoveryLimit();
    const std::filesystem::path& sessionFolder() const { return folder_; }

private:
    struct Entry {
        session::SnapshotRecord stored; // its slot (kNoSlot: not in the history file) and checksum
        session::Plane inMemory;        // null when only in the history file
        std::uint64_t ticket = 0;       // the pending slot write; 0 when none
        bool written = false;           // its slot holds it on disk
    };

    session::Journal journal() const;
    void queueJournal();
    std::uint32_t slotFor();
    std::uint32_t freeSlot() const;
    void collectOutcomes();
    void evictOverBudget();
    void limitRecovery(RecoveryLimit reason);
    void discardFiles() noexcept;

    std::unique_ptr<session::SessionFiles> files_;
    std::unique_ptr<session::SnapshotWriter> writer_; // writes into *files_
    std::vector<Entry> entries_;
    Photo photo_;
    std::optional<session::FileFingerprint> original_;
    int cursor_ = -1;
    bool modified_ = false;
    std::size_t snapshotBytes_ = 0;
    std::size_t memoryBudget_ = 0;
    std::uint64_t cacheBudget_ = 0;
    std::size_t residentBytes_ = 0;
    std::uint64_t nextTicket_ = 1;
    std::filesystem::path folder_;
    RecoveryLimit limit_ = RecoveryLimit::None;
    bool limitReported_ = false;
};
