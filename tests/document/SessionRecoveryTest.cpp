// Recovery after a crash: a child process edits a photo and is killed; the
// next start finds its session, asks, and restores the same bytes, history
// and cursor, or deletes every file on a refusal. Damaged or half-written
// session files are refused without a crash, and a running session is left alone.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "DocumentFakes.h"
#include "SessionTestSupport.h"
#include "document/EffectCatalogue.h"
#include "document/SessionFiles.h"
#include "document/SessionRecovery.h"
#include "support/TestImages.h"

extern char** environ;

using namespace documenttest;
using testsupport::planesEqual;

namespace {

const std::string kPhoto = "/photos/killed session.jpg";
constexpr int kWidth = 29;
constexpr int kHeight = 17;
constexpr const char* kChildFolderVariable = "FOTRA_SESSION_CHILD_FOLDER";
constexpr int kChildReadyFd = 100;

ImagePlanes killedPhoto() { return testsupport::photoLikeImage(kWidth, kHeight, 77); }

// The edits of the killed session: four effects and two undos, so the cursor
// stands inside the history and there is a redo tail to restore as well.
void editLikeTheKilledSession(DocumentFixture& f)
{
    f.files.photos[kPhoto] = killedPhoto();
    f.open(kPhoto);
    for (const int strength : {25, 50, 75, 95}) {
        f.accept(6, contrast(strength));
    }
    f.doc.onCommand(CommandId::Undo);
    f.doc.onCommand(CommandId::Undo);
}

// Starts this test program as a child that runs the killed session's edits
// in `folder`, waits until it says it is done, and kills it with SIGKILL.
::testing::AssertionResult leaveKilledSession(const std::filesystem::path& folder)
{
    int ready[2];
    if (pipe(ready) != 0) {
        return ::testing::AssertionFailure() << "pipe";
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ready[1], kChildReadyFd);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    std::vector<std::string> environment{std::string(kChildFolderVariable) + "=" + folder.string()};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        environment.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string program = "/proc/self/exe";
    std::string filter = "--gtest_filter=SessionChild.DISABLED_EditsAndWaitsToBeKilled";
    std::string alsoDisabled = "--gtest_also_run_disabled_tests";
    char* argv[] = {program.data(), filter.data(), alsoDisabled.data(), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(ready[1]);
    if (spawned != 0) {
        close(ready[0]);
        return ::testing::AssertionFailure() << "posix_spawn: " << spawned;
    }
    pollfd waitForReady{ready[0], POLLIN, 0};
    char signal = 0;
    const bool isReady = poll(&waitForReady, 1, 60000) == 1 && read(ready[0], &signal, 1) == 1;
    close(ready[0]);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    if (!isReady) {
        return ::testing::AssertionFailure() << "the child never finished its edits";
    }
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL) {
        return ::testing::AssertionFailure() << "the child was not killed by SIGKILL";
    }
    return ::testing::AssertionSuccess();
}

// A leftover session written straight through the session files: `slots`
// snapshot slots of 7s and `journalText` as its journal. Returns the journal.
std::filesystem::path writeLeftover(const std::filesystem::path& folder, int slots, const std::string& journalText)
{
    const std::unique_ptr<session::SessionFiles> files = session::SessionFiles::create(folder);
    if (files == nullptr) {
        ADD_FAILURE() << "cannot create session files in " << folder;
        return {};
    }
    const std::vector<std::uint8_t> plane(session::Journal{"", std::nullopt, kWidth, kHeight, false, 0, {}}.planeBytes(), 7);
    for (int slot = 0; slot < slots; ++slot) {
        EXPECT_TRUE(files->writeSlot(static_cast<std::uint32_t>(slot), plane));
    }
    std::ofstream(files->journalPath(), std::ios::binary) << journalText;
    return files->journalPath();
}

session::Journal validJournal(int snapshots)
{
    session::Journal journal{kPhoto, std::nullopt, kWidth, kHeight, true, snapshots - 1, {}};
    const std::vector<std::uint8_t> plane(journal.planeBytes(), 7);
    for (int i = 0; i < snapshots; ++i) {
        journal.snapshots.push_back({static_cast<std::uint32_t>(i), session::checksum(plane)});
    }
    return journal;
}

class SessionRecovery : public ::testing::Test {
protected:
    TempFolder folder;
    FakeQuestionBox question;
    DocumentFixture f;

    void SetUp() override
    {
        ASSERT_FALSE(folder.path().empty());
        DocumentUi ui{&f.fileDialogs, &f.messageBox, &f.waitCursor, &f.effectDialogs, &f.view};
        ui.questionBox = &question;
        f.doc.setUi(ui);
        f.doc.setSessionFolder(folder.path());
    }

    // Restores the one leftover session of three snapshots whose third is
    // lost: the first two come back, the cursor on the second, and the loss is said.
    void restoreTwoOfThreeSnapshots()
    {
        question.answer = RecoveryAnswer::Restore;
        EXPECT_TRUE(f.doc.offerSessionRecovery());
        EXPECT_EQ(f.doc.historyLength(), 2);
        EXPECT_EQ(f.doc.historyPosition(), 1);
        ASSERT_EQ(f.messageBox.messages.size(), 1u);
        EXPECT_NE(f.messageBox.messages[0].find("1 回分は壊れていた"), std::string::npos);
    }
};

} // namespace

// The child half of the kill test; runs only when the test starts it.
TEST(SessionChild, DISABLED_EditsAndWaitsToBeKilled)
{
    const char* folder = std::getenv(kChildFolderVariable);
    ASSERT_NE(folder, nullptr);
    DocumentFixture f;
    f.doc.setSessionFolder(folder);
    f.doc.setHistoryMemoryBudget(0);
    editLikeTheKilledSession(f);
    f.doc.settleHistory();
    ASSERT_EQ(write(kChildReadyFd, "r", 1), 1);
    for (;;) {
        pause();
    }
}

TEST_F(SessionRecovery, AKilledSessionIsRestoredWithTheSameBytesHistoryAndCursor)
{
    DocumentFixture reference;
    editLikeTheKilledSession(reference);
    const DocumentState expected = DocumentState::of(reference.doc);
    ASSERT_EQ(expected.snapshots.size(), 5u);
    ASSERT_EQ(expected.cursor, 2);

    ASSERT_TRUE(leaveKilledSession(folder.path()));
    EXPECT_EQ(folder.files().size(), 2u);

    question.answer = RecoveryAnswer::Restore;
    ASSERT_TRUE(f.doc.offerSessionRecovery());
    ASSERT_EQ(question.questions.size(), 1u);
    EXPECT_NE(question.questions[0].find(kPhoto), std::string::npos);
    EXPECT_NE(question.questions[0].find("前回の編集を復元しますか？"), std::string::npos);
    EXPECT_TRUE(f.files.loadedPaths.empty()) << "the photo file itself is never read";
    ASSERT_TRUE(f.doc.hasPhoto());
    EXPECT_EQ(DocumentState::of(f.doc), expected);
    EXPECT_TRUE(planesEqual(expected.current, f.doc.photo()->current, kWidth));
    EXPECT_EQ(f.messageBox.messages, std::vector<std::string>{});

    // The restored session goes on like the killed one would have.
    f.doc.onCommand(CommandId::Redo);
    EXPECT_TRUE(planesEqual(expected.snapshots[3], f.doc.photo()->current, kWidth));
    reference.doc.onCommand(CommandId::Redo);
    reference.accept(6, contrast(10));
    f.accept(6, contrast(10));
    EXPECT_EQ(DocumentState::of(f.doc), DocumentState::of(reference.doc));

    // It is this program's session now: a normal end removes it.
    f.doc.setSessionFolder({});
    f.files.photos[kPhoto] = killedPhoto();
    f.open(kPhoto);
    EXPECT_TRUE(folder.files().empty());
}

// Only an explicit discard deletes the session; "later" (Escape, the close
// box) keeps every file and asks again at the next start.
TEST_F(SessionRecovery, OnlyDiscardDeletesLaterAsksAgain)
{
    ASSERT_TRUE(leaveKilledSession(folder.path()));
    const std::vector<std::string> files = folder.files();
    ASSERT_EQ(files.size(), 2u);
    question.answer = RecoveryAnswer::Later;
    EXPECT_FALSE(f.doc.offerSessionRecovery());
    EXPECT_FALSE(f.doc.hasPhoto());
    EXPECT_EQ(folder.files(), files);
    question.answer = RecoveryAnswer::Discard;
    EXPECT_FALSE(f.doc.offerSessionRecovery());
    EXPECT_EQ(question.questions.size(), 2u);
    EXPECT_TRUE(folder.files().empty());
    EXPECT_FALSE(f.doc.offerSessionRecovery());
    EXPECT_EQ(question.questions.size(), 2u);
}

TEST_F(SessionRecovery, EveryLeftoverIsOfferedNewestFirstUntilOneIsRestored)
{
    const std::filesystem::path older = writeLeftover(folder.path(), 2, session::formatJournal(validJournal(2)));
    std::filesystem::last_write_time(older, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    session::Journal newer = validJournal(3);
    newer.photoPath = "/photos/newer.jpg";
    writeLeftover(folder.path(), 3, session::formatJournal(newer));

    question.answer = RecoveryAnswer::Discard;
    EXPECT_FALSE(f.doc.offerSessionRecovery());
    ASSERT_EQ(question.questions.size(), 2u);
    EXPECT_NE(question.questions[0].find("/photos/newer.jpg"), std::string::npos);
    EXPECT_NE(question.questions[1].find(kPhoto), std::string::npos);
    EXPECT_TRUE(folder.files().empty());

    writeLeftover(folder.path(), 2, session::formatJournal(validJournal(2)));
    writeLeftover(folder.path(), 3, session::formatJournal(newer));
    question.answer = RecoveryAnswer::Restore;
    EXPECT_TRUE(f.doc.offerSessionRecovery());
    EXPECT_EQ(question.questions.size(), 3u);
    EXPECT_EQ(f.doc.historyLength(), 3);
    EXPECT_EQ(folder.files().size(), 4u) << "the restored session and the older one, which waits for the next start";
}

// A damaged journal offers what it still holds: a heading that cannot be
// read has nothing to offer (the files go), a snapshot list cut short or
// spoilt offers the snapshots before the damage and counts the rest as lost.
TEST_F(SessionRecovery, ADamagedJournalOffersItsIntactPart)
{
    const std::string whole = session::formatJournal(validJournal(3));
    const std::size_t listStart = whole.find("snapshots 3\n") + 12;
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        writeLeftover(folder.path(), 3, whole.substr(0, cut));
        std::vector<LeftoverSession> found = findLeftoverSessions(folder.path());
        if (cut < listStart) {
            EXPECT_TRUE(found.empty()) << "cut at " << cut;
            EXPECT_TRUE(folder.files().empty()) << "cut at " << cut;
            continue;
        }
        ASSERT_EQ(found.size(), 1u) << "cut at " << cut;
        const std::size_t kept = found[0].journal.snapshots.size();
        EXPECT_EQ(kept + found[0].lostSnapshots, 3u) << "cut at " << cut;
        if (kept > 0) {
            EXPECT_EQ(found[0].journal.cursor, static_cast<int>(kept) - 1) << "cut at " << cut;
        }
        discardSession(std::move(found[0]));
    }
    struct Case {
        std::string from, to;
        int offered; // snapshots offered; -1: the session is not offered
    };
    for (const Case& c : std::vector<Case>{{"size 29 17", "size 0 17", -1},
                                           {"size 29 17", "size 99999 99999", -1},
                                           {"cursor 2", "cursor 3", -1},
                                           {"modified 1", "modified 2", -1},
                                           {"photo ", "photo 4", -1},
                                           {"snapshots 3", "snapshots 4", 3},
                                           {"\n1 ", "\n0 ", 1},
                                           {"\n2 ", "\nx ", 2}}) {
        std::string damaged = whole;
        damaged.replace(damaged.find(c.from), c.from.size(), c.to);
        writeLeftover(folder.path(), 3, damaged);
        std::vector<LeftoverSession> found = findLeftoverSessions(folder.path());
        ASSERT_EQ(found.size(), c.offered < 0 ? 0u : 1u) << c.to;
        if (!found.empty()) {
            EXPECT_EQ(found[0].journal.snapshots.size(), static_cast<std::size_t>(c.offered)) << c.to;
            discardSession(std::move(found[0]));
        }
    }
    writeLeftover(folder.path(), 2, whole);
    std::vector<LeftoverSession> shortHistory = findLeftoverSessions(folder.path());
    ASSERT_EQ(shortHistory.size(), 1u) << "a history file shorter than its journal";
    EXPECT_EQ(shortHistory[0].journal.snapshots.size(), 2u);
    EXPECT_EQ(shortHistory[0].lostSnapshots, 1u);
    shortHistory.clear();

    // Restoring it brings back the intact part and says what was lost.
    restoreTwoOfThreeSnapshots();
}

// A crash while the journal was being replaced leaves its half-written
// temporary file: the journal before it still counts, and a discard removes both.
TEST_F(SessionRecovery, AHalfWrittenJournalReplacementDoesNotHideTheSession)
{
    std::filesystem::path journal = writeLeftover(folder.path(), 3, session::formatJournal(validJournal(3)));
    journal += ".tmp";
    std::ofstream(journal) << session::formatJournal(validJournal(3)).substr(0, 40);
    ASSERT_EQ(findLeftoverSessions(folder.path()).size(), 1u);
    question.answer = RecoveryAnswer::Discard;
    EXPECT_FALSE(f.doc.offerSessionRecovery());
    EXPECT_EQ(question.questions.size(), 1u);
    EXPECT_TRUE(folder.files().empty());
}

// The journal is fine but the slot at the cursor fails its checksum: the
// intact snapshot before it is restored and the loss is said.
TEST_F(SessionRecovery, ADamagedSlotAtTheCursorKeepsTheIntactSnapshotsBeforeIt)
{
    session::Journal journal = validJournal(3);
    journal.snapshots[2].checksum ^= 1;
    writeLeftover(folder.path(), 3, session::formatJournal(journal));
    restoreTwoOfThreeSnapshots();
    EXPECT_EQ(folder.files().size(), 2u);
}

// Another program's session that is still running holds its lock: it is
// neither offered nor touched.
TEST_F(SessionRecovery, ARunningSessionIsNeitherOfferedNorDeleted)
{
    DocumentFixture running;
    running.files.photos[kPhoto] = killedPhoto();
    running.doc.setSessionFolder(folder.path());
    running.open(kPhoto);
    running.accept(6, contrast(40));
    running.doc.settleHistory();
    const std::vector<std::string> files = folder.files();
    ASSERT_EQ(files.size(), 2u);
    question.answer = RecoveryAnswer::Restore;
    EXPECT_FALSE(f.doc.offerSessionRecovery());
    EXPECT_TRUE(question.questions.empty());
    EXPECT_EQ(folder.files(), files);
    running.doc.onCommand(CommandId::Undo);
    EXPECT_TRUE(planesEqual(killedPhoto().current, running.doc.photo()->current, kWidth));
}

TEST(SessionJournal, FormatAndParseAgreeOnEveryField)
{
    session::Journal journal{"/a path/with\nnewline and ü.jpg", session::FileFingerprint{123456, 0xabcdef}, 3, 2,
                             false, 1, {{session::kNoSlot, 0xfedcba9876543210ULL}, {0, 1}}};
    EXPECT_EQ(session::parseJournal(session::formatJournal(journal)), journal);
    journal.original.reset();
    EXPECT_EQ(session::parseJournal(session::formatJournal(journal)), journal);
}

TEST(SessionJournal, TheFolderFollowsTheCacheHome)
{
    const char* savedCache = std::getenv("XDG_CACHE_HOME");
    const std::string restoreCache = savedCache != nullptr ? savedCache : "";
    setenv("XDG_CACHE_HOME", "/tmp/cache-home", 1);
    EXPECT_EQ(session::defaultFolder(), std::filesystem::path("/tmp/cache-home/Pekarun4Free"));
    setenv("XDG_CACHE_HOME", "relative", 1);
    setenv("HOME", std::getenv("HOME") != nullptr ? std::getenv("HOME") : "/root", 1);
    EXPECT_EQ(session::defaultFolder(), std::filesystem::path(std::getenv("HOME")) / ".cache/Pekarun4Free");
    if (savedCache != nullptr) {
        setenv("XDG_CACHE_HOME", restoreCache.c_str(), 1);
    } else {
        unsetenv("XDG_CACHE_HOME");
    }
}
