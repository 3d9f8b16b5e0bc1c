// The edit history of the open photo: a linear list of whole-plane snapshots
// and a cursor, with undo and redo by copying a snapshot back. With a session
// folder every snapshot is also written to the session's history file, only
// those nearest the cursor stay in memory (within a byte budget), and the
// journal always describes the history, so a crashed session can be rebuilt.
// Every change either completes or leaves the history exactly as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "document/SessionFiles.h"

enum class HistoryError {
    None,
    OutOfMemory, // a snapshot buffer could not be allocated
    OutOfDisk,   // the history file or the journal could not be written
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

    // A quarter of the physical memory.
    static std::size_t defaultMemoryBudget();

    // A history whose snapshot 0 is `first` (height x stride bytes of
    // `photo`). With a non-empty `folder` it is kept in new session files
    // there; when they cannot be written, the history stays in memory only
    // (isPersistent() is false). Throws std::bad_alloc.
    static EditHistory begin(std::span<const std::uint8_t> first, const Photo& photo,
                             const std::filesystem::path& folder, std::size_t memoryBudget);
    // The history of a leftover session: `files` must hold the lock and
    // `journal` their validated journal. Nothing is in memory at first.
    static EditHistory resume(std::unique_ptr<session::SessionFiles> files, session::Journal journal,
                              std::size_t memoryBudget);

    bool isPersistent() const { return files_ != nullptr; }
    int length() const { return static_cast<int>(entries_.size()); }
    int cursor() const { return cursor_; }
    const Photo& photo() const { return photo_; }
    bool modified() const { return modified_; }
    std::size_t snapshotBytes() const { return snapshotBytes_; }

    // Bytes of snapshots held in memory; at most the budget unless the
    // history is in memory only.
    std::size_t residentBytes() const { return residentBytes_; }
    std::size_t memoryBudget() const { return memoryBudget_; }
    // Takes effect at once: snapshots over the new budget leave memory.
    void setMemoryBudget(std::size_t bytes);

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

private:
    struct Entry {
        session::SnapshotRecord stored;     // slot and checksum in the history file
        std::vector<std::uint8_t> inMemory; // empty when only on disk
    };

    session::Journal journalFor(const std::vector<Entry>& entries, int cursor, bool modified) const;
    bool writeJournal();
    std::uint32_t freeSlot() const;
    void evictOverBudget();
    void discardFiles() noexcept;

    std::unique_ptr<session::SessionFiles> files_;
    std::vector<Entry> entries_;
    Photo photo_;
    int cursor_ = -1;
    bool modified_ = false;
    std::size_t snapshotBytes_ = 0;
    std::size_t memoryBudget_ = 0;
    std::size_t residentBytes_ = 0;
};
