// Finding and discarding leftover sessions. What a damaged journal still
// says is kept: its photo path and the snapshots before the damage.
#include "document/SessionRecovery.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "document/DocumentUi.h"

namespace {

// Keeps the records whose slots lie inside the history file; a record cut
// off this way and every one after it count as lost.
void keepStoredSnapshots(const session::SessionFiles& files, LeftoverSession& leftover)
{
    const std::uint64_t planeBytes = leftover.journal.planeBytes();
    const std::uint64_t slots = planeBytes == 0 ? 0 : files.historyFileBytes() / planeBytes;
    auto& snapshots = leftover.journal.snapshots;
    const auto outside = std::find_if(snapshots.begin(), snapshots.end(), [&](const session::SnapshotRecord& r) {
        return r.slot != session::kNoSlot && r.slot >= slots;
    });
    leftover.lostSnapshots += static_cast<std::size_t>(snapshots.end() - outside);
    snapshots.erase(outside, snapshots.end());
    if (!snapshots.empty()) {
        leftover.journal.cursor = std::min(leftover.journal.cursor, static_cast<std::int32_t>(snapshots.size()) - 1);
    }
}

} // namespace

std::vector<LeftoverSession> findLeftoverSessions(const std::filesystem::path& folder)
{
    struct Found {
        LeftoverSession session;
        std::filesystem::file_time_type written;
    };
    std::vector<Found> found;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = item.path().filename().string();
        if (!name.starts_with(session::SessionFiles::kPrefix)
            || item.path().extension() != session::SessionFiles::kHistorySuffix) {
            continue;
        }
        std::filesystem::path journalPath = item.path();
        journalPath.replace_extension(std::string(session::SessionFiles::kJournalSuffix));
        std::unique_ptr<session::SessionFiles> files = session::SessionFiles::adopt(journalPath);
        if (files == nullptr) {
            continue; // a running session, or gone meanwhile
        }
        const std::optional<std::string> text = files->readJournalText();
        std::optional<session::JournalPrefix> prefix = text ? session::parseJournalPrefix(*text) : std::nullopt;
        if (!prefix) {
            // No journal (the session had no edit) or not even its photo can be read.
            files->remove();
            continue;
        }
        const std::size_t unreadable = prefix->namedSnapshots - prefix->journal.snapshots.size();
        LeftoverSession leftover{nullptr, std::move(prefix->journal), unreadable};
        keepStoredSnapshots(*files, leftover);
        if (prefix->whole && leftover.journal.snapshots.size() < 2) {
            files->remove(); // no edit: nothing to offer
            continue;
        }
        leftover.files = std::move(files);
        const auto written = std::filesystem::last_write_time(journalPath, error);
        found.push_back({std::move(leftover), written});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.written > b.written; });
    std::vector<LeftoverSession> sessions;
    for (Found& item : found) {
        sessions.push_back(std::move(item.session));
    }
    return sessions;
}

void discardSession(LeftoverSession leftover)
{
    if (leftover.files != nullptr) {
        leftover.files->remove();
    }
}

std::string recoveryQuestion(const LeftoverSession& leftover)
{
    const session::Journal& journal = leftover.journal;
    std::string text = "前回、プログラムが正常に終了しなかったため、編集中の写真が残っています。\n" + journal.photoPath;
    if (journal.snapshots.size() > 1) {
        text += "\n（編集 " + std::to_string(journal.snapshots.size() - 1) + " 回分の履歴）";
    }
    if (leftover.lostSnapshots > 0) {
        text += "\n履歴の一部（" + std::to_string(leftover.lostSnapshots) + " 回分）は壊れているため復元できません。";
    }
    return text + "\n\n前回の編集を復元しますか？\n「" + kDiscardButtonText + "」を選ぶと、残っている編集は削除されます。「"
           + kLaterButtonText + "」を選ぶと、次回の起動時にもう一度たずねます。";
}
