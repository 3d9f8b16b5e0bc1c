// The snapshot writer's thread: takes one task at a time off the queue and
// runs it without holding the lock, so the interface thread only ever waits
// for the queue's lock, never for the disk.
#include "document/SnapshotWriter.h"

#include <utility>

namespace session {

SnapshotWriter::SnapshotWriter(SessionFiles& files)
    : files_(files), thread_([this](std::stop_token stop) { run(stop); })
{
}

SnapshotWriter::~SnapshotWriter()
{
    {
        const std::lock_guard lock(mutex_);
        queue_.clear();
    }
    thread_.request_stop();
    changed_.notify_all();
}

void SnapshotWriter::writeSlot(std::uint64_t ticket, std::uint32_t slot, Plane plane)
{
    {
        const std::lock_guard lock(mutex_);
        queue_.emplace_back(SlotTask{ticket, slot, std::move(plane)});
    }
    changed_.notify_all();
}

void SnapshotWriter::writeJournal(Journal journal)
{
    {
        const std::lock_guard lock(mutex_);
        queue_.emplace_back(std::move(journal));
    }
    changed_.notify_all();
}

void SnapshotWriter::wait()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

std::vector<SnapshotWriter::Outcome> SnapshotWriter::takeOutcomes()
{
    const std::lock_guard lock(mutex_);
    return std::exchange(outcomes_, {});
}

bool SnapshotWriter::takeJournalFailure()
{
    const std::lock_guard lock(mutex_);
    return std::exchange(journalFailed_, false);
}

void SnapshotWriter::run(std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!changed_.wait(lock, stop, [this] { return !queue_.empty(); })) {
            return;
        }
        Task task = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        perform(task);
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

// Runs one task; the outcome is published under the lock by the caller's loop.
void SnapshotWriter::perform(Task& task)
{
    if (auto* slotTask = std::get_if<SlotTask>(&task)) {
        const bool written = files_.writeSlot(slotTask->slot, *slotTask->plane);
        if (written) {
            failedSlots_.erase(slotTask->slot);
        } else {
            failedSlots_.insert(slotTask->slot);
        }
        const std::lock_guard lock(mutex_);
        outcomes_.push_back({slotTask->ticket, written});
        return;
    }
    Journal& journal = std::get<Journal>(task);
    for (SnapshotRecord& record : journal.snapshots) {
        if (failedSlots_.contains(record.slot)) {
            record.slot = kNoSlot;
        }
    }
    if (!files_.writeJournal(journal)) {
        const std::lock_guard lock(mutex_);
        journalFailed_ = true;
    }
}

} // namespace session
