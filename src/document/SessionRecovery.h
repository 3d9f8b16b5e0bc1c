// Recovery of an editing session that did not end normally: its history file
// and journal stay in the session folder, and the next start finds them,
// offers them, and restores the photo with its whole history and cursor, or
// deletes them. Only the session files are read or deleted, never a photo.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "document/EditHistory.h"
#include "document/SessionFiles.h"

// A leftover session, locked for this process while the object lives.
struct LeftoverSession {
    std::unique_ptr<session::SessionFiles> files;
    session::Journal journal;
};

// The leftover sessions in `folder`, newest first. Sessions of a running
// program are skipped (their history file is locked); leftovers that cannot
// be used (a damaged or half-written journal, a history file shorter than its
// journal says) are deleted on the way.
std::vector<LeftoverSession> findLeftoverSessions(const std::filesystem::path& folder);

// The history of `leftover`, which it takes over (its files stay in use).
EditHistory resumeHistory(LeftoverSession leftover, std::size_t memoryBudget);

// Deletes the files of `leftover`.
void discardSession(LeftoverSession leftover);

// The question asked for a leftover session.
std::string recoveryQuestion(const session::Journal& journal);
