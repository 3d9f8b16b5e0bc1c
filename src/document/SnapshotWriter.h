// Writes a session's snapshots and journals on a thread of its own, so that
// an edit never waits for the disk. Tasks run in the order they were queued;
// a journal names a slot only after that slot's write succeeded, because a
// journal written after a failed slot write lists that snapshot without a
// slot. The outcome of each slot write comes back through takeOutcomes().
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <variant>
#include <vector>

#include "document/SessionFiles.h"

namespace session {

using Plane = std::shared_ptr<const std::vector<std::uint8_t>>;

class SnapshotWriter {
public:
    struct Outcome {
        std::uint64_t ticket = 0;
        bool written = false;
    };

    // `files` must outlive the writer.
    explicit SnapshotWriter(SessionFiles& files);
    // Drops the tasks not yet started and waits for the one running.
    ~SnapshotWriter();
    SnapshotWriter(const SnapshotWriter&) = delete;
    SnapshotWriter& operator=(const SnapshotWriter&) = delete;

    // Queues the write of `plane` into `slot`; `ticket` names its outcome.
    void writeSlot(std::uint64_t ticket, std::uint32_t slot, Plane plane);
    // Queues a journal.
    void writeJournal(Journal journal);
    // Waits until every queued task has run.
    void wait();
    // The outcomes of slot writes finished since the last call.
    std::vector<Outcome> takeOutcomes();
    // True once a journal could not be written (reported once).
    bool takeJournalFailure();

private:
    struct SlotTask {
        std::uint64_t ticket;
        std::uint32_t slot;
        Plane plane;
    };
    using Task = std::variant<SlotTask, Journal>;

    void run(std::stop_token stop);
    void perform(Task& task);

    SessionFiles& files_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::deque<Task> queue_;
    bool busy_ = false;
    std::vector<Outcome> outcomes_;
    bool journalFailed_ = false;
    std::set<std::uint32_t> failedSlots_; // used by the writer thread only
    std::jthread thread_;                 // last: starts after the fields above exist
};

} // namespace session
