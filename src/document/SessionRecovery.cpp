// Finding, validating, resuming and discarding leftover sessions.
#include "document/SessionRecovery.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace {

bool startsWith(const std::string& text, std::string_view prefix) { return text.starts_with(prefix); }

// The journal is whole and the history file holds every slot it names.
bool usable(const session::SessionFiles& files, const session::Journal& journal)
{
    std::uint32_t lastSlot = 0;
    for (const session::SnapshotRecord& record : journal.snapshots) {
        lastSlot = std::max(lastSlot, record.slot);
    }
    return files.historyFileBytes() >= (std::uint64_t{lastSlot} + 1) * journal.planeBytes();
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
        if (!startsWith(name, session::SessionFiles::kPrefix)
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
        std::optional<session::Journal> journal = text ? session::parseJournal(*text) : std::nullopt;
        if (!journal || !usable(*files, *journal)) {
            files->remove();
            continue;
        }
        const auto written = std::filesystem::last_write_time(journalPath, error);
        found.push_back({{std::move(files), std::move(*journal)}, written});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.written > b.written; });
    std::vector<LeftoverSession> sessions;
    for (Found& item : found) {
        sessions.push_back(std::move(item.session));
    }
    return sessions;
}

EditHistory resumeHistory(LeftoverSession leftover, std::size_t memoryBudget)
{
    return EditHistory::resume(std::move(leftover.files), std::move(leftover.journal), memoryBudget);
}

void discardSession(LeftoverSession leftover)
{
    if (leftover.files != nullptr) {
        leftover.files->remove();
    }
}

std::string recoveryQuestion(const session::Journal& journal)
{
    const int edits = static_cast<int>(journal.snapshots.size()) - 1;
    return "前回、プログラムが正常に終了しなかったため、編集中の写真が残っています。\n" + journal.photoPath
           + "\n（編集 " + std::to_string(edits) + " 回分の履歴）\n\n前回の編集を復元しますか？\n"
           + "「いいえ」を選ぶと、残っている編集は削除されます。";
}
