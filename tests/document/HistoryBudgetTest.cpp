// The history within a memory budget: snapshots over the budget wait in the
// session's history file and come back byte for byte on undo and redo; a full
// or tiny cache never refuses an edit (the snapshots stay in memory and the
// status line says once that recovery is limited); a damaged history file is
// reported and changes nothing; a session that ends normally leaves no file
// behind; the memory limits of the process are read from where they are set.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <unistd.h>

#include <fstream>

#include "DocumentFakes.h"
#include "SessionTestSupport.h"
#include "document/EffectCatalogue.h"
#include "document/MemoryLimits.h"
#include "document/SessionFiles.h"
#include "support/TestImages.h"

using namespace documenttest;
using testsupport::planesEqual;

namespace {

const std::string kPhoto = "/photos/budget.jpg";
constexpr int kWidth = 37; // stride 112: padding in every row
constexpr int kHeight = 23;
constexpr std::size_t kSnapshotBytes = 112 * kHeight;

constexpr const char* kReadFailedMessage = "編集履歴を読み込めませんでした。写真は元のままです。";

class FakeStatusLine : public IStatusLine {
public:
    std::vector<std::string> lines;
    void showStatus(const std::string& text) override { lines.push_back(text); }
};

class HistoryBudget : public ::testing::Test {
protected:
    TempFolder folder;
    DocumentFixture f;
    FakeStatusLine status;
    ImagePlanes photo = testsupport::photoLikeImage(kWidth, kHeight, 41);

    void SetUp() override
    {
        ASSERT_FALSE(folder.path().empty());
        f.files.photos[kPhoto] = photo;
        f.doc.setSessionFolder(folder.path());
        DocumentUi ui{&f.fileDialogs, &f.messageBox, &f.waitCursor, &f.effectDialogs, &f.view};
        ui.statusLine = &status;
        f.doc.setUi(ui);
    }

    const COvImage2& record() const { return *f.doc.photo(); }

    // Accepts one contrast effect per strength and returns `current` after each.
    std::vector<std::vector<std::uint8_t>> applyEdits(std::initializer_list<int> strengths)
    {
        std::vector<std::vector<std::uint8_t>> shown;
        for (const int strength : strengths) {
            f.accept(6, contrast(strength));
            shown.push_back(record().current);
        }
        return shown;
    }
};

class HistoryBudgetSizes : public HistoryBudget, public ::testing::WithParamInterface<std::size_t> {};

} // namespace

// Undo all the way back to the opened photo and redo all the way forward,
// with budgets from nothing in memory to everything in memory.
TEST_P(HistoryBudgetSizes, UndoAndRedoAcrossTheBudgetRestoreEveryByte)
{
    f.doc.setHistoryMemoryBudget(GetParam());
    f.open(kPhoto);
    ASSERT_TRUE(f.doc.editHistory().isPersistent());
    std::vector<std::vector<std::uint8_t>> expected{photo.current};
    for (const int strength : {20, 45, 70, 90, 30, 60}) {
        expected.push_back(applyEdits({strength})[0]);
        f.doc.settleHistory();
        EXPECT_LE(f.doc.editHistory().residentBytes(), GetParam());
    }
    ASSERT_EQ(f.doc.historyLength(), 7);
    for (std::size_t i = 1; i < expected.size(); ++i) {
        EXPECT_NE(expected[i], expected[i - 1]) << "edit " << i << " must change the photo";
    }

    for (int index = 5; index >= 0; --index) {
        f.doc.onCommand(CommandId::Undo);
        ASSERT_EQ(f.doc.historyPosition(), index);
        EXPECT_TRUE(planesEqual(expected[static_cast<std::size_t>(index)], record().current, kWidth));
        EXPECT_TRUE(std::all_of(record().scratch.begin(), record().scratch.end(), [](auto b) { return b == 0; }));
    }
    EXPECT_FALSE(f.doc.commandState(CommandId::Undo).enabled);
    for (int index = 1; index <= 6; ++index) {
        f.doc.onCommand(CommandId::Redo);
        ASSERT_EQ(f.doc.historyPosition(), index);
        EXPECT_TRUE(planesEqual(expected[static_cast<std::size_t>(index)], record().current, kWidth));
    }
    for (int index = 0; index < 7; ++index) {
        const std::span<const std::uint8_t> stored = f.doc.snapshot(index);
        EXPECT_TRUE(planesEqual(expected[static_cast<std::size_t>(index)], {stored.begin(), stored.end()}, kWidth));
    }
    EXPECT_TRUE(f.messageBox.messages.empty());
}

// An edit after undoing drops the redo tail; the slots it frees are written
// again without touching the snapshots that stay.
TEST_P(HistoryBudgetSizes, ABranchAfterUndoReusesFreedSlotsSafely)
{
    f.doc.setHistoryMemoryBudget(GetParam());
    f.open(kPhoto);
    const auto first = applyEdits({20, 45, 70, 90});
    for (int i = 0; i < 3; ++i) {
        f.doc.onCommand(CommandId::Undo);
    }
    const auto branch = applyEdits({55, 15, 80});
    ASSERT_EQ(f.doc.historyLength(), 5);
    const std::vector<std::vector<std::uint8_t>> expected{photo.current, first[0], branch[0], branch[1], branch[2]};
    for (int index = 4; index >= 0; --index) {
        const std::span<const std::uint8_t> stored = f.doc.snapshot(index);
        EXPECT_TRUE(planesEqual(expected[static_cast<std::size_t>(index)], {stored.begin(), stored.end()}, kWidth));
        if (index > 0) {
            f.doc.onCommand(CommandId::Undo);
            EXPECT_TRUE(planesEqual(expected[static_cast<std::size_t>(index - 1)], record().current, kWidth));
        }
    }
    // Dropped snapshots give their slots back: six slots at most, not eight.
    f.doc.settleHistory();
    EXPECT_LE(std::filesystem::file_size(folder.fileEndingWith(".history")), 6 * kSnapshotBytes);
}

INSTANTIATE_TEST_SUITE_P(Budgets, HistoryBudgetSizes,
                         ::testing::Values(std::size_t{0}, kSnapshotBytes, kSnapshotBytes * 5 / 2,
                                           std::size_t{1} << 40));

TEST_F(HistoryBudget, LoweringTheBudgetMovesSnapshotsOutOfMemoryAtOnce)
{
    f.doc.setHistoryMemoryBudget(std::size_t{1} << 40);
    f.open(kPhoto);
    const auto shown = applyEdits({20, 45, 70});
    f.doc.settleHistory();
    EXPECT_EQ(f.doc.editHistory().residentBytes(), 4 * kSnapshotBytes);
    f.doc.setHistoryMemoryBudget(kSnapshotBytes);
    EXPECT_EQ(f.doc.editHistory().residentBytes(), kSnapshotBytes);
    f.doc.onCommand(CommandId::Undo);
    EXPECT_TRUE(planesEqual(shown[1], record().current, kWidth));
}

// The budget follows the least of the limits that exist: installed memory,
// the cgroup's memory.max, the address-space limit, what is available now.
TEST(MemoryLimits, TheBudgetAndTheRoomFollowTheLeastLimit)
{
    constexpr std::uint64_t GiB = std::uint64_t{1} << 30;
    struct Case {
        const char* name;
        memory::Limits limits;
        std::size_t budget;
        std::uint64_t room;
    };
    for (const Case& c : std::vector<Case>{
             {"physical only", {16 * GiB, {}, {}, {}, {}, {}}, 4 * GiB, 16 * GiB},
             {"available", {16 * GiB, 6 * GiB, {}, {}, {}, {}}, 3 * GiB, 6 * GiB},
             {"cgroup", {16 * GiB, 12 * GiB, GiB * 3 / 2, GiB, {}, {}}, GiB * 3 / 8, GiB / 2},
             {"cgroup over its limit", {16 * GiB, 12 * GiB, GiB, 2 * GiB, {}, {}}, GiB / 4, 0},
             {"address space", {16 * GiB, 12 * GiB, {}, {}, 2 * GiB, GiB / 2}, GiB / 2, GiB * 3 / 2}}) {
        EXPECT_EQ(memory::defaultHistoryBudget(c.limits), c.budget) << c.name;
        EXPECT_EQ(memory::room(c.limits), c.room) << c.name;
    }
    EXPECT_EQ(memory::cgroupPath("12:memory:/old\n0::/user.slice/app-1.scope\n"), "/user.slice/app-1.scope");
    EXPECT_EQ(memory::cgroupPath("4:memory:/v1-only\n"), std::nullopt);
    EXPECT_EQ(memory::parseMemoryMax("1610612736\n"), 1610612736u);
    EXPECT_EQ(memory::parseMemoryMax("max\n"), std::nullopt);
    EXPECT_EQ(memory::parseMemAvailable("MemTotal: 100 kB\nMemAvailable:    2048 kB\n"), 2048u * 1024);

    // Read from files laid out like /proc and /sys/fs/cgroup.
    TempFolder root;
    std::filesystem::create_directories(root.path() / "proc/self");
    std::filesystem::create_directories(root.path() / "cgroup/app.scope");
    std::ofstream(root.path() / "proc/meminfo") << "MemAvailable: 8388608 kB\n";
    std::ofstream(root.path() / "proc/self/cgroup") << "0::/app.scope\n";
    std::ofstream(root.path() / "cgroup/app.scope/memory.max") << "1610612736\n";
    std::ofstream(root.path() / "cgroup/app.scope/memory.stat") << "anon 536870912\nfile 999999999\n";
    const memory::Limits read = memory::readLimits(root.path() / "proc", root.path() / "cgroup");
    EXPECT_EQ(read.available, 8 * GiB);
    EXPECT_EQ(read.cgroupMax, GiB * 3 / 2);
    EXPECT_EQ(memory::room(read), GiB);
}

TEST_F(HistoryBudget, WithoutASessionFolderEverythingStaysInMemoryAndNoFileIsWritten)
{
    f.doc.setSessionFolder({});
    f.doc.setHistoryMemoryBudget(0);
    f.open(kPhoto);
    applyEdits({20, 45});
    EXPECT_FALSE(f.doc.editHistory().isPersistent());
    EXPECT_EQ(f.doc.editHistory().residentBytes(), 3 * kSnapshotBytes);
    f.doc.onCommand(CommandId::Undo);
    f.doc.onCommand(CommandId::Undo);
    EXPECT_TRUE(planesEqual(photo.current, record().current, kWidth));
    EXPECT_TRUE(folder.files().empty());
}

TEST_F(HistoryBudget, AnUnusableSessionFolderIsReportedAndTheHistoryStaysInMemory)
{
    const std::filesystem::path notAFolder = folder.path() / "plain-file";
    std::ofstream(notAFolder) << "x";
    f.doc.setSessionFolder(notAFolder);
    f.open(kPhoto);
    ASSERT_TRUE(f.doc.hasPhoto());
    EXPECT_TRUE(f.messageBox.messages.empty());
    ASSERT_EQ(status.lines.size(), 1u);
    EXPECT_NE(status.lines[0].find(notAFolder.string()), std::string::npos);
    const auto shown = applyEdits({20});
    f.doc.onCommand(CommandId::Undo);
    EXPECT_TRUE(planesEqual(photo.current, record().current, kWidth));
}

TEST_F(HistoryBudget, ASessionThatEndsNormallyLeavesNoFile)
{
    {
        DocumentFixture g;
        g.files.photos[kPhoto] = photo;
        g.doc.setSessionFolder(folder.path());
        g.open(kPhoto);
        g.accept(6, contrast(30));
        g.doc.settleHistory();
        EXPECT_EQ(folder.files().size(), 2u);
        // A new photo replaces the session of the old one; the new one has
        // no journal before its first edit.
        g.open(kPhoto);
        EXPECT_EQ(folder.files().size(), 1u);
    }
    EXPECT_TRUE(folder.files().empty());
}

// The disk is a helper, never a gate: with a history file that cannot grow
// (a file-size limit stands in for a full disk) or a cache budget of a few
// bytes, every edit is accepted, undo and redo restore every byte, and the
// status line says once that crash recovery is limited and which folder.
TEST_F(HistoryBudget, AFullOrTinyCacheNeverRefusesAnEdit)
{
    for (const bool sizeLimited : {true, false}) {
        SCOPED_TRACE(sizeLimited ? "file-size limit" : "budget of a few bytes");
        status.lines.clear();
        f.doc.setHistoryMemoryBudget(0);
        f.doc.setHistoryCacheBudget(sizeLimited ? std::uint64_t{1} << 40 : 5);
        f.open(kPhoto);
        std::vector<std::vector<std::uint8_t>> expected{photo.current};
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
        if (sizeLimited) {
            rlimit limited = saved;
            limited.rlim_cur = kSnapshotBytes * 3 / 2; // snapshot 0 and half of the next
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        }
        for (const int strength : {20, 45, 70, 90}) {
            expected.push_back(applyEdits({strength})[0]);
        }
        f.doc.settleHistory();
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, previousHandler);

        EXPECT_TRUE(f.messageBox.messages.empty());
        ASSERT_EQ(f.doc.historyLength(), 5);
        ASSERT_EQ(status.lines.size(), 1u);
        EXPECT_NE(status.lines[0].find(folder.path().string()), std::string::npos);
        for (int index = 3; index >= 0; --index) {
            f.doc.onCommand(CommandId::Undo);
            EXPECT_TRUE(planesEqual(expected[static_cast<std::size_t>(index)], record().current, kWidth));
        }
        for (int index = 1; index <= 4; ++index) {
            f.doc.onCommand(CommandId::Redo);
            EXPECT_TRUE(planesEqual(expected[static_cast<std::size_t>(index)], record().current, kWidth));
        }
        EXPECT_EQ(status.lines.size(), 1u) << "said once";
    }
}

// A photo opened from a real file is not copied into the history file: the
// file itself, by its size and checksum, stands for snapshot 0; and until the
// first edit there is no journal, so nothing would be offered after a crash.
TEST_F(HistoryBudget, TheOpenedPhotoIsNotCopiedAndAnUneditedSessionIsNotOffered)
{
    const std::filesystem::path photoFile = folder.path() / "photo.jpg";
    std::ofstream(photoFile) << "the bytes of the photo file";
    f.files.photos[photoFile.string()] = photo;
    f.open(photoFile.string());
    f.doc.settleHistory();
    EXPECT_EQ(std::filesystem::file_size(folder.fileEndingWith(".history")), 0u);
    EXPECT_TRUE(folder.fileEndingWith(".journal").empty());
    applyEdits({20});
    f.doc.settleHistory();
    EXPECT_EQ(std::filesystem::file_size(folder.fileEndingWith(".history")), kSnapshotBytes);
    std::ifstream journalFile(folder.fileEndingWith(".journal"));
    const auto journal = session::parseJournal(std::string(std::istreambuf_iterator<char>(journalFile), {}));
    ASSERT_TRUE(journal.has_value());
    EXPECT_EQ(journal->original, session::fingerprintOf(photoFile));
    EXPECT_EQ(journal->snapshots[0].slot, session::kNoSlot);
}

// A snapshot whose slot was damaged on disk is refused, not shown.
TEST_F(HistoryBudget, ADamagedSnapshotIsReportedAndUndoKeepsThePhoto)
{
    f.doc.setHistoryMemoryBudget(0);
    f.open(kPhoto);
    applyEdits({20, 45});
    f.doc.settleHistory();
    {
        std::fstream history(folder.fileEndingWith(".history"), std::ios::in | std::ios::out | std::ios::binary);
        history.seekp(5);
        history.put('\x5a' ^ static_cast<char>(photo.current[5]));
    }
    f.doc.onCommand(CommandId::Undo);
    ASSERT_EQ(f.doc.historyPosition(), 1);
    const std::vector<std::uint8_t> shown = record().current;
    f.doc.onCommand(CommandId::Undo);
    ASSERT_EQ(f.messageBox.messages.size(), 1u);
    EXPECT_EQ(f.messageBox.messages[0], kReadFailedMessage);
    EXPECT_EQ(f.doc.historyPosition(), 1);
    EXPECT_EQ(record().current, shown);
    EXPECT_TRUE(std::all_of(record().scratch.begin(), record().scratch.end(), [](auto b) { return b == 0; }));
    EXPECT_TRUE(f.doc.snapshot(0).empty());
}
