// The files of one editing session in the user's cache folder: the history
// file (snapshots in numbered slots of one plane each) and a small journal
// (photo path with the photo file's size and checksum, size, cursor, the slot
// and checksum of each snapshot, or no slot for one kept in memory only).
// Every slot and journal reaches the disk (fdatasync) before a journal names
// it, and the journal is replaced atomically, so after a crash or a power cut
// a reader sees the old or the new one; the history file is held under an
// exclusive lock while its session lives.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace session {

// $XDG_CACHE_HOME/Pekarun4Free, else $HOME/.cache/Pekarun4Free; empty when
// neither variable names an absolute folder.
std::filesystem::path defaultFolder();

// A 64-bit checksum of a snapshot, to refuse a damaged slot instead of
// showing garbage.
std::uint64_t checksum(std::span<const std::uint8_t> bytes);

// The photo file a history started from: it stands for snapshot 0, which is
// then not copied into the history file.
struct FileFingerprint {
    std::uint64_t bytes = 0;
    std::uint64_t checksum = 0;
    friend bool operator==(const FileFingerprint&, const FileFingerprint&) = default;
};
// Size and checksum of the regular file at `path`; nothing when it cannot be read.
std::optional<FileFingerprint> fingerprintOf(const std::filesystem::path& path);

// The slot of a snapshot that is not in the history file.
inline constexpr std::uint32_t kNoSlot = 0xffffffffu;

struct SnapshotRecord {
    std::uint32_t slot = kNoSlot;
    std::uint64_t checksum = 0;
    friend bool operator==(const SnapshotRecord&, const SnapshotRecord&) = default;
};

struct Journal {
    std::string photoPath;
    std::optional<FileFingerprint> original; // the photo file as opened
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool modified = false;
    std::int32_t cursor = -1;
    std::vector<SnapshotRecord> snapshots;

    // height x stride bytes of the plane layout.
    std::uint64_t planeBytes() const;
    friend bool operator==(const Journal&, const Journal&) = default;
};

std::string formatJournal(const Journal& journal);
// Nothing for text that is not a whole, consistent journal (cut short, wrong
// size, cursor or slot out of range).
std::optional<Journal> parseJournal(std::string_view text);

// What can be read of a damaged journal: the heading lines must be whole;
// the snapshot list keeps its records up to the first damaged one (possibly
// none) and the cursor is moved back into it.
struct JournalPrefix {
    Journal journal;
    std::size_t namedSnapshots = 0; // as many as the journal said it lists
    bool whole = false;             // every record and the end line were intact
};
std::optional<JournalPrefix> parseJournalPrefix(std::string_view text);

// The two files of one session. Closing releases the lock and keeps the
// files (a crash leaves them the same way); remove() deletes them.
class SessionFiles {
public:
    // New files with a fresh name in `folder` (created if missing); null when
    // the folder or the files cannot be made.
    static std::unique_ptr<SessionFiles> create(const std::filesystem::path& folder);
    // The leftover session whose journal is `journalPath`; null when its
    // history file is missing or locked by a session that is still running.
    static std::unique_ptr<SessionFiles> adopt(const std::filesystem::path& journalPath);

    ~SessionFiles();
    SessionFiles(const SessionFiles&) = delete;
    SessionFiles& operator=(const SessionFiles&) = delete;

    // Writes one plane into `slot` and flushes it to the disk; false when not
    // all of it was written (a full disk), in which case the file is cut back
    // to its previous size. May run on another thread than readSlot.
    bool writeSlot(std::uint32_t slot, std::span<const std::uint8_t> plane);
    // Reads slot `slot` (out.size() bytes) into `out`; false on a short read.
    bool readSlot(std::uint32_t slot, std::span<std::uint8_t> out) const;
    std::uint64_t historyFileBytes() const;

    // Replaces the journal atomically (temporary file flushed to the disk,
    // then rename, then the folder flushed).
    bool writeJournal(const Journal& journal);
    std::optional<std::string> readJournalText() const;

    // Deletes the journal, then the history file (an orphan history file is
    // recognised by its missing journal): the files of a session go together.
    void remove();
    // The folder that holds the files.
    std::filesystem::path folder() const { return historyPath_.parent_path(); }

    const std::filesystem::path& journalPath() const { return journalPath_; }
    const std::filesystem::path& historyPath() const { return historyPath_; }

    // File names of the sessions in a folder.
    static constexpr std::string_view kPrefix = "session-";
    static constexpr std::string_view kJournalSuffix = ".journal";
    static constexpr std::string_view kHistorySuffix = ".history";

private:
    SessionFiles(std::filesystem::path journalPath, std::filesystem::path historyPath, int historyFd);

    std::filesystem::path journalPath_;
    std::filesystem::path historyPath_;
    int historyFd_;
};

} // namespace session
