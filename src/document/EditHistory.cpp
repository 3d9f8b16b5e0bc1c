// The edit history. A change allocates first (the only step that can fail),
// then updates the list in memory, then queues the disk work: the snapshot's
// slot, then the journal that names it. A slot is only ever written when no
// journal on disk names it, so a crash or a failed write cannot damage the
// snapshots a recovery would use; a snapshot whose slot could not be written
// stays in memory and the journals name it without a slot.
#include "document/EditHistory.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

#include "document/MemoryLimits.h"

EditHistory::EditHistory() = default;

EditHistory::~EditHistory() { discardFiles(); }

EditHistory::EditHistory(EditHistory&& other) noexcept { *this = std::move(other); }

EditHistory& EditHistory::operator=(EditHistory&& other) noexcept
{
    if (this != &other) {
        discardFiles();
        files_ = std::move(other.files_);
        writer_ = std::move(other.writer_);
        entries_ = std::move(other.entries_);
        photo_ = std::move(other.photo_);
        original_ = std::exchange(other.original_, std::nullopt);
        cursor_ = std::exchange(other.cursor_, -1);
        modified_ = std::exchange(other.modified_, false);
        snapshotBytes_ = std::exchange(other.snapshotBytes_, 0);
        memoryBudget_ = other.memoryBudget_;
        cacheBudget_ = other.cacheBudget_;
        residentBytes_ = std::exchange(other.residentBytes_, 0);
        nextTicket_ = other.nextTicket_;
        folder_ = std::move(other.folder_);
        limit_ = std::exchange(other.limit_, RecoveryLimit::None);
        limitReported_ = std::exchange(other.limitReported_, false);
    }
    return *this;
}

std::size_t EditHistory::defaultMemoryBudget() { return memory::defaultHistoryBudget(memory::readLimits()); }

std::uint64_t EditHistory::defaultCacheBudget(const std::filesystem::path& folder)
{
    constexpr std::uint64_t kMostBytes = std::uint64_t{2} << 30;
    struct statvfs space {};
    // The folder may not exist yet: its nearest existing parent has the same space.
    std::filesystem::path probe = folder;
    while (!probe.empty() && ::statvfs(probe.c_str(), &space) != 0) {
        if (probe == probe.parent_path()) {
            return 0;
        }
        probe = probe.parent_path();
    }
    if (probe.empty()) {
        return 0;
    }
    return std::min(kMostBytes, std::uint64_t{space.f_bavail} * space.f_frsize / 10);
}

EditHistory EditHistory::begin(std::span<const std::uint8_t> first, const Photo& photo,
                               const std::filesystem::path& folder, std::size_t memoryBudget,
                               std::uint64_t cacheBudget)
{
    EditHistory history;
    history.photo_ = photo;
    history.snapshotBytes_ = first.size();
    history.memoryBudget_ = memoryBudget;
    history.cacheBudget_ = cacheBudget;
    history.folder_ = folder;
    auto plane = std::make_shared<const std::vector<std::uint8_t>>(first.begin(), first.end());
    history.entries_.push_back({{session::kNoSlot, session::checksum(first)}, plane, 0, false});
    history.residentBytes_ = first.size();
    history.cursor_ = 0;
    if (folder.empty()) {
        return history;
    }
    history.files_ = session::SessionFiles::create(folder);
    if (history.files_ == nullptr) {
        history.limitRecovery(RecoveryLimit::FolderUnusable);
        return history;
    }
    history.writer_ = std::make_unique<session::SnapshotWriter>(*history.files_);
    // The photo file stands for snapshot 0; only one that cannot be read
    // back is copied. No journal is written before the first edit, so a
    // session without one is never offered for recovery.
    history.original_ = session::fingerprintOf(photo.path);
    if (!history.original_) {
        Entry& entry = history.entries_.front();
        entry.ticket = history.nextTicket_++;
        entry.stored.slot = history.slotFor();
        if (entry.stored.slot != session::kNoSlot) {
            history.writer_->writeSlot(entry.ticket, entry.stored.slot, plane);
        } else {
            entry.ticket = 0;
        }
    }
    return history;
}

EditHistory EditHistory::resume(std::unique_ptr<session::SessionFiles> files, session::Journal journal,
                                std::vector<std::uint8_t> first, std::size_t memoryBudget,
                                std::uint64_t cacheBudget)
{
    EditHistory history;
    history.photo_ = {journal.photoPath, journal.width, journal.height};
    history.original_ = journal.original;
    history.snapshotBytes_ = static_cast<std::size_t>(journal.planeBytes());
    history.memoryBudget_ = memoryBudget;
    history.cacheBudget_ = cacheBudget;
    history.cursor_ = journal.cursor;
    history.modified_ = journal.modified;
    history.folder_ = files->folder();
    for (const session::SnapshotRecord& stored : journal.snapshots) {
        history.entries_.push_back({stored, nullptr, 0, stored.slot != session::kNoSlot});
    }
    if (!first.empty() && !history.entries_.empty() && !history.entries_.front().written) {
        history.residentBytes_ += first.size();
        history.entries_.front().inMemory = std::make_shared<const std::vector<std::uint8_t>>(std::move(first));
    }
    history.files_ = std::move(files);
    history.writer_ = std::make_unique<session::SnapshotWriter>(*history.files_);
    // The journal now describes what was restored, should the program stop again.
    history.queueJournal();
    return history;
}

void EditHistory::setMemoryBudget(std::size_t bytes)
{
    memoryBudget_ = bytes;
    collectOutcomes();
    evictOverBudget();
}

HistoryError EditHistory::record(std::span<const std::uint8_t> snapshot)
{
    collectOutcomes();
    // Allocation: room in the list and the copy kept in memory until the
    // disk has it, if memory can hold one more plane.
    if (snapshot.size() > memory::room(memory::readLimits())) {
        return HistoryError::OutOfMemory;
    }
    session::Plane plane;
    try {
        entries_.reserve(static_cast<std::size_t>(cursor_) + 2);
        plane = std::make_shared<const std::vector<std::uint8_t>>(snapshot.begin(), snapshot.end());
    } catch (const std::bad_alloc&) {
        return HistoryError::OutOfMemory;
    }

    // The slot is chosen while the redo tail still counts as used: the
    // journal on disk names its slots until the next one is written.
    Entry entry{{session::kNoSlot, session::checksum(snapshot)}, plane, 0, false};
    if (writer_ != nullptr) {
        entry.ticket = nextTicket_++;
        entry.stored.slot = slotFor();
    }
    for (auto dropped = entries_.begin() + cursor_ + 1; dropped != entries_.end(); ++dropped) {
        residentBytes_ -= dropped->inMemory ? dropped->inMemory->size() : 0;
    }
    entries_.erase(entries_.begin() + cursor_ + 1, entries_.end());
    residentBytes_ += plane->size();
    entries_.push_back(std::move(entry));
    cursor_ = static_cast<int>(entries_.size()) - 1;
    modified_ = true;

    if (writer_ != nullptr) {
        Entry& added = entries_.back();
        if (added.stored.slot != session::kNoSlot) {
            writer_->writeSlot(added.ticket, added.stored.slot, plane);
        } else {
            added.ticket = 0;
        }
        queueJournal();
    }
    evictOverBudget();
    return HistoryError::None;
}

std::span<const std::uint8_t> EditHistory::resident(int index) const
{
    const Entry& entry = entries_.at(static_cast<std::size_t>(index));
    return entry.inMemory ? std::span<const std::uint8_t>(*entry.inMemory) : std::span<const std::uint8_t>();
}

bool EditHistory::read(int index, std::span<std::uint8_t> out) const
{
    const Entry& entry = entries_.at(static_cast<std::size_t>(index));
    if (out.size() != snapshotBytes_) {
        return false;
    }
    if (entry.inMemory) {
        std::copy(entry.inMemory->begin(), entry.inMemory->end(), out.begin());
        return true;
    }
    return files_ != nullptr && entry.written && files_->readSlot(entry.stored.slot, out)
           && session::checksum(out) == entry.stored.checksum;
}

void EditHistory::moveCursor(int index)
{
    cursor_ = index;
    modified_ = true;
    queueJournal();
    collectOutcomes();
    evictOverBudget();
}

void EditHistory::markSaved()
{
    modified_ = false;
    queueJournal();
}

void EditHistory::settle()
{
    if (writer_ != nullptr) {
        writer_->wait();
    }
    collectOutcomes();
    evictOverBudget();
}

RecoveryLimit EditHistory::takeRecoveryLimit()
{
    collectOutcomes();
    if (limit_ == RecoveryLimit::None || limitReported_) {
        return RecoveryLimit::None;
    }
    limitReported_ = true;
    return limit_;
}

session::Journal EditHistory::journal() const
{
    session::Journal journal;
    journal.photoPath = photo_.path;
    journal.original = original_;
    journal.width = photo_.width;
    journal.height = photo_.height;
    journal.modified = modified_;
    journal.cursor = cursor_;
    journal.snapshots.reserve(entries_.size());
    for (const Entry& entry : entries_) {
        journal.snapshots.push_back(entry.stored);
    }
    return journal;
}

// Journals are written from the first edit on: a session that has none has
// nothing to recover. Short of memory for the journal, the one on disk stays
// one step behind.
void EditHistory::queueJournal()
{
    if (writer_ == nullptr || entries_.size() < 2) {
        return;
    }
    try {
        writer_->writeJournal(journal());
    } catch (const std::bad_alloc&) {
    }
}

// A slot for a new snapshot within the cache budget. When the budget is
// reached, the oldest snapshot that is also in memory gives up its slot (it
// stays in the history, only a recovery loses it); the journal that no longer
// names it is queued before the slot is written again.
std::uint32_t EditHistory::slotFor()
{
    const std::uint64_t capacity = snapshotBytes_ == 0 ? 0 : cacheBudget_ / snapshotBytes_;
    const auto used = static_cast<std::uint64_t>(std::count_if(
        entries_.begin(), entries_.end(), [](const Entry& e) { return e.stored.slot != session::kNoSlot; }));
    if (used < capacity) {
        return freeSlot();
    }
    const auto oldest = std::find_if(entries_.begin(), entries_.end(), [](const Entry& e) {
        return e.stored.slot != session::kNoSlot && e.inMemory != nullptr && e.ticket == 0;
    });
    limitRecovery(RecoveryLimit::CacheBudgetReached);
    if (oldest == entries_.end()) {
        return session::kNoSlot;
    }
    const std::uint32_t slot = oldest->stored.slot;
    oldest->stored.slot = session::kNoSlot;
    oldest->written = false;
    queueJournal();
    return slot;
}

// The lowest slot no snapshot refers to, including those ahead of the
// cursor: they stay valid until the journal that drops them is written.
std::uint32_t EditHistory::freeSlot() const
{
    std::vector<bool> used(entries_.size() + 1, false);
    for (const Entry& entry : entries_) {
        if (entry.stored.slot < used.size()) {
            used[entry.stored.slot] = true;
        }
    }
    return static_cast<std::uint32_t>(std::find(used.begin(), used.end(), false) - used.begin());
}

void EditHistory::collectOutcomes()
{
    if (writer_ == nullptr) {
        return;
    }
    for (const session::SnapshotWriter::Outcome& outcome : writer_->takeOutcomes()) {
        const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                        [&](const Entry& e) { return e.ticket == outcome.ticket; });
        if (entry == entries_.end()) {
            continue; // dropped with the redo tail meanwhile
        }
        entry->ticket = 0;
        entry->written = outcome.written;
        if (!outcome.written) {
            entry->stored.slot = session::kNoSlot;
            limitRecovery(RecoveryLimit::FolderFull);
        }
    }
    if (writer_->takeJournalFailure()) {
        limitRecovery(RecoveryLimit::FolderFull);
    }
}

// Drops from memory the written snapshots farthest from the cursor until
// the rest fits the budget; snapshots that are not on disk stay.
void EditHistory::evictOverBudget()
{
    while (residentBytes_ > memoryBudget_) {
        Entry* farthest = nullptr;
        int farthestDistance = -1;
        for (int i = 0; i < length(); ++i) {
            Entry& entry = entries_[static_cast<std::size_t>(i)];
            const int distance = std::abs(i - cursor_);
            if (entry.inMemory && entry.written && distance > farthestDistance) {
                farthest = &entry;
                farthestDistance = distance;
            }
        }
        if (farthest == nullptr) {
            return;
        }
        residentBytes_ -= farthest->inMemory->size();
        farthest->inMemory.reset();
    }
}

void EditHistory::limitRecovery(RecoveryLimit reason)
{
    if (limit_ == RecoveryLimit::None) {
        limit_ = reason;
    }
}

void EditHistory::discardFiles() noexcept
{
    writer_.reset();
    if (files_ != nullptr) {
        files_->remove();
        files_.reset();
    }
}
