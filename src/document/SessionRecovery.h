// Recovery of an editing session that did not end normally: its history file
// and journal stay in the session folder, and the next start finds them,
// offers them, and restores the photo with its history and cursor. A session
// is deleted only when the user discards it or when it holds nothing to offer
// (no journal: it had no edit); a damaged one offers its intact part. Only the
// session files are read or deleted, never a photo.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "document/EditHistory.h"
#include "document/SessionFiles.h"

// A leftover session, locked for this process while the object lives.
struct LeftoverSession {
    std::unique_ptr<session::SessionFiles> files;
    // What could be read of its journal: the snapshots up to the first
    // damaged record, and only those whose slot the history file holds.
    session::Journal journal;
    std::size_t lostSnapshots = 0; // named by the journal but left out
};

// The leftover sessions in `folder`, newest first. Sessions of a running
// program are skipped (their history file is locked); a session without a
// readable journal heading has nothing to offer and is deleted on the way.
std::vector<LeftoverSession> findLeftoverSessions(const std::filesystem::path& folder);

// Deletes the files of `leftover`, both together.
void discardSession(LeftoverSession leftover);

// The question asked for a leftover session.
std::string recoveryQuestion(const LeftoverSession& leftover);
