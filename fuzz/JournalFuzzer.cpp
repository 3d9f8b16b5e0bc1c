// libFuzzer target: every input is a session journal. Parsing never crashes;
// what it accepts is consistent (size, cursor, distinct slots) and survives
// a round trip through the journal's text form unchanged; what the reader of
// damaged journals keeps is a consistent part of what the journal named.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string_view>

#include "document/SessionFiles.h"

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "accepted journal is inconsistent: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const std::optional<session::JournalPrefix> prefix = session::parseJournalPrefix(text)) {
        const std::size_t kept = prefix->journal.snapshots.size();
        require(kept <= prefix->namedSnapshots, "no more snapshots than named");
        require(kept == 0 || static_cast<std::size_t>(prefix->journal.cursor) < kept, "cursor inside the part kept");
    }
    const std::optional<session::Journal> journal = session::parseJournal(text);
    if (!journal) {
        return 0;
    }
    require(journal->width > 0 && journal->height > 0, "positive size");
    require(journal->cursor >= 0 && static_cast<std::size_t>(journal->cursor) < journal->snapshots.size(), "cursor");
    std::set<std::uint32_t> slots;
    for (const session::SnapshotRecord& record : journal->snapshots) {
        require(record.slot == session::kNoSlot || slots.insert(record.slot).second, "distinct slots");
    }
    require(session::parseJournal(session::formatJournal(*journal)) == journal, "round trip");
    return 0;
}
