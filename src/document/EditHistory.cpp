// The edit history. A change is made in three phases: everything that may
// allocate, then everything that writes to disk (the snapshot's slot, then the
// journal that refers to it), then the in-memory update, which cannot fail. A
// slot is only ever written when no snapshot refers to it, so a failed write
// cannot damage the history that stays.
#include "document/EditHistory.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

EditHistory::EditHistory() = default;

EditHistory::~EditHistory() { discardFiles(); }

EditHistory::EditHistory(EditHistory&& other) noexcept
    : files_(std::move(other.files_)),
      entries_(std::move(other.entries_)),
      photo_(std::move(other.photo_)),
      cursor_(std::exchange(other.cursor_, -1)),
      modified_(std::exchange(other.modified_, false)),
      snapshotBytes_(std::exchange(other.snapshotBytes_, 0)),
      memoryBudget_(other.memoryBudget_),
      residentBytes_(std::exchange(other.residentBytes_, 0))
{
}

EditHistory& EditHistory::operator=(EditHistory&& other) noexcept
{
    if (this != &other) {
        discardFiles();
        files_ = std::move(other.files_);
        entries_ = std::move(other.entries_);
        photo_ = std::move(other.photo_);
        cursor_ = std::exchange(other.cursor_, -1);
        modified_ = std::exchange(other.modified_, false);
        snapshotBytes_ = std::exchange(other.snapshotBytes_, 0);
        memoryBudget_ = other.memoryBudget_;
        residentBytes_ = std::exchange(other.residentBytes_, 0);
    }
    return *this;
}

std::size_t EditHistory::defaultMemoryBudget()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageBytes = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageBytes <= 0) {
        return std::size_t{1} << 30;
    }
    return static_cast<std::size_t>(pages) / 4 * static_cast<std::size_t>(pageBytes);
}

EditHistory EditHistory::begin(std::span<const std::uint8_t> first, const Photo& photo,
                               const std::filesystem::path& folder, std::size_t memoryBudget)
{
    EditHistory history;
    history.photo_ = photo;
    history.snapshotBytes_ = first.size();
    history.memoryBudget_ = memoryBudget;
    history.entries_.push_back({{0, session::checksum(first)}, {first.begin(), first.end()}});
    history.residentBytes_ = first.size();
    history.cursor_ = 0;
    if (!folder.empty()) {
        history.files_ = session::SessionFiles::create(folder);
        if (history.files_ != nullptr && !(history.files_->writeSlot(0, first) && history.writeJournal())) {
            history.discardFiles();
        }
    }
    history.evictOverBudget();
    return history;
}

EditHistory EditHistory::resume(std::unique_ptr<session::SessionFiles> files, session::Journal journal,
                                std::size_t memoryBudget)
{
    EditHistory history;
    history.photo_ = {journal.photoPath, journal.width, journal.height};
    history.snapshotBytes_ = static_cast<std::size_t>(journal.planeBytes());
    history.memoryBudget_ = memoryBudget;
    history.cursor_ = journal.cursor;
    history.modified_ = journal.modified;
    for (const session::SnapshotRecord& stored : journal.snapshots) {
        history.entries_.push_back({stored, {}});
    }
    history.files_ = std::move(files);
    return history;
}

void EditHistory::setMemoryBudget(std::size_t bytes)
{
    memoryBudget_ = bytes;
    evictOverBudget();
}

HistoryError EditHistory::record(std::span<const std::uint8_t> snapshot)
{
    // Allocation: room in the list, the slot to write and its journal, the
    // copy kept in memory.
    Entry entry;
    session::Journal journal;
    try {
        entries_.reserve(static_cast<std::size_t>(cursor_) + 2);
        if (files_ != nullptr) {
            entry.stored = {freeSlot(), session::checksum(snapshot)};
            journal = journalFor(entries_, cursor_, true);
            journal.snapshots.resize(static_cast<std::size_t>(cursor_) + 1);
            journal.snapshots.push_back(entry.stored);
            journal.cursor = cursor_ + 1;
        }
    } catch (const std::bad_alloc&) {
        return HistoryError::OutOfMemory;
    }
    if (files_ == nullptr || snapshot.size() <= memoryBudget_) {
        try {
            entry.inMemory.assign(snapshot.begin(), snapshot.end());
        } catch (const std::bad_alloc&) {
            // With a history file it still fits there; it only cannot stay in memory.
            if (files_ == nullptr) {
                return HistoryError::OutOfMemory;
            }
        }
    }

    // Disk: the new slot first, then the journal that makes it part of the session.
    if (files_ != nullptr && !(files_->writeSlot(entry.stored.slot, snapshot) && files_->writeJournal(journal))) {
        return HistoryError::OutOfDisk;
    }

    // Memory: nothing below allocates (the list has room) or throws.
    for (auto dropped = entries_.begin() + cursor_ + 1; dropped != entries_.end(); ++dropped) {
        residentBytes_ -= dropped->inMemory.size();
    }
    entries_.erase(entries_.begin() + cursor_ + 1, entries_.end());
    residentBytes_ += entry.inMemory.size();
    entries_.push_back(std::move(entry));
    cursor_ = static_cast<int>(entries_.size()) - 1;
    modified_ = true;
    evictOverBudget();
    return HistoryError::None;
}

std::span<const std::uint8_t> EditHistory::resident(int index) const
{
    return entries_.at(static_cast<std::size_t>(index)).inMemory;
}

bool EditHistory::read(int index, std::span<std::uint8_t> out) const
{
    const Entry& entry = entries_.at(static_cast<std::size_t>(index));
    if (out.size() != snapshotBytes_) {
        return false;
    }
    if (!entry.inMemory.empty()) {
        std::copy(entry.inMemory.begin(), entry.inMemory.end(), out.begin());
        return true;
    }
    return files_ != nullptr && files_->readSlot(entry.stored.slot, out)
           && session::checksum(out) == entry.stored.checksum;
}

void EditHistory::moveCursor(int index)
{
    cursor_ = index;
    modified_ = true;
    // A journal that cannot be rewritten only makes a recovery return to the
    // cursor before this move; the move itself stands.
    writeJournal();
}

void EditHistory::markSaved()
{
    modified_ = false;
    writeJournal();
}

session::Journal EditHistory::journalFor(const std::vector<Entry>& entries, int cursor, bool modified) const
{
    session::Journal journal;
    journal.photoPath = photo_.path;
    journal.width = photo_.width;
    journal.height = photo_.height;
    journal.modified = modified;
    journal.cursor = cursor;
    journal.snapshots.reserve(entries.size() + 1);
    for (const Entry& entry : entries) {
        journal.snapshots.push_back(entry.stored);
    }
    return journal;
}

bool EditHistory::writeJournal()
{
    if (files_ == nullptr) {
        return true;
    }
    try {
        return files_->writeJournal(journalFor(entries_, cursor_, modified_));
    } catch (const std::bad_alloc&) {
        return false;
    }
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

// Drops from memory the snapshots farthest from the cursor until the rest
// fits the budget; they stay in the history file.
void EditHistory::evictOverBudget()
{
    if (files_ == nullptr) {
        return;
    }
    while (residentBytes_ > memoryBudget_) {
        Entry* farthest = nullptr;
        int farthestDistance = -1;
        for (int i = 0; i < length(); ++i) {
            const int distance = std::abs(i - cursor_);
            if (!entries_[static_cast<std::size_t>(i)].inMemory.empty() && distance > farthestDistance) {
                farthest = &entries_[static_cast<std::size_t>(i)];
                farthestDistance = distance;
            }
        }
        if (farthest == nullptr) {
            return;
        }
        residentBytes_ -= farthest->inMemory.size();
        std::vector<std::uint8_t>().swap(farthest->inMemory);
    }
}

void EditHistory::discardFiles() noexcept
{
    if (files_ != nullptr) {
        files_->remove();
        files_.reset();
    }
}
