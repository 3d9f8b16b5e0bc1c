// The history within a memory budget: snapshots over the budget wait in the
// session's history file and come back byte for byte on undo and redo; a full
// disk or a damaged history file is reported and changes nothing; a session
// that ends normally leaves no file behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <unistd.h>

#include <fstream>

#include "DocumentFakes.h"
#include "SessionTestSupport.h"
#include "document/CommandTable.h"
#include "document/SessionFiles.h"
#include "support/TestImages.h"

using namespace documenttest;
using testsupport::planesEqual;

namespace {

const std::string kPhoto = "/photos/budget.jpg";
constexpr int kWidth = 37; // stride 112: padding in every row
constexpr int kHeight = 23;
constexpr std::size_t kSnapshotBytes = 112 * kHeight;

constexpr const char* kOutOfDiskMessage =
    "ディスクの空き容量が足りないため、編集を履歴に記録できませんでした。写真と履歴は元のままです。";
constexpr const char* kReadFailedMessage = "編集履歴を読み込めませんでした。写真は元のままです。";

class HistoryBudget : public ::testing::Test {
protected:
    TempFolder folder;
    DocumentFixture f;
    ImagePlanes photo = testsupport::photoLikeImage(kWidth, kHeight, 41);

    void SetUp() override
    {
        ASSERT_FALSE(folder.path().empty());
        f.files.photos[kPhoto] = photo;
        f.doc.setSessionFolder(folder.path());
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
    for (const auto& shown : applyEdits({20, 45, 70, 90, 30, 60})) {
        expected.push_back(shown);
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
    EXPECT_EQ(f.doc.editHistory().residentBytes(), 4 * kSnapshotBytes);
    f.doc.setHistoryMemoryBudget(kSnapshotBytes);
    EXPECT_EQ(f.doc.editHistory().residentBytes(), kSnapshotBytes);
    f.doc.onCommand(CommandId::Undo);
    EXPECT_TRUE(planesEqual(shown[1], record().current, kWidth));
}

TEST_F(HistoryBudget, TheDefaultBudgetIsAQuarterOfPhysicalMemory)
{
    const auto pages = static_cast<std::size_t>(sysconf(_SC_PHYS_PAGES));
    const auto pageBytes = static_cast<std::size_t>(sysconf(_SC_PAGE_SIZE));
    EXPECT_EQ(CFotraDoc().historyMemoryBudget(), pages / 4 * pageBytes);
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
    ASSERT_EQ(f.messageBox.messages.size(), 1u);
    EXPECT_NE(f.messageBox.messages[0].find("メモリーだけに保持"), std::string::npos);
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
        EXPECT_EQ(folder.files().size(), 2u);
        // A new photo replaces the session of the old one.
        g.open(kPhoto);
        EXPECT_EQ(folder.files().size(), 2u);
    }
    EXPECT_TRUE(folder.files().empty());
}

// The history file cannot grow (a file-size limit stands in for a full
// disk): the effect is reported, and the photo, the history, its files and
// `modified` stay exactly as they were; with room again recording works.
TEST_F(HistoryBudget, AFullDiskWhileRecordingIsReportedAndKeepsEverything)
{
    f.doc.setHistoryMemoryBudget(kSnapshotBytes);
    f.open(kPhoto);
    applyEdits({20, 45});
    f.doc.onCommand(CommandId::Undo);
    f.save("/photos/saved.jpg");
    const DocumentState before = DocumentState::of(f.doc);
    const std::filesystem::path historyFile = folder.fileEndingWith(".history");
    const std::filesystem::path journalFile = folder.fileEndingWith(".journal");
    const auto historyBytes = std::filesystem::file_size(historyFile);
    std::ifstream journalBefore(journalFile);
    const std::string journalText{std::istreambuf_iterator<char>(journalBefore), {}};

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = historyBytes + kSnapshotBytes / 2; // room for half a snapshot
    const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    f.accept(6, contrast(80));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);

    ASSERT_EQ(f.messageBox.messages.size(), 1u);
    EXPECT_EQ(f.messageBox.messages[0], kOutOfDiskMessage);
    EXPECT_EQ(DocumentState::of(f.doc), before);
    EXPECT_EQ(std::filesystem::file_size(historyFile), historyBytes);
    std::ifstream journalAfter(journalFile);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(journalAfter), {}), journalText);

    f.accept(6, contrast(80));
    EXPECT_EQ(f.doc.historyLength(), 3);
    EXPECT_EQ(f.doc.historyPosition(), 2);
}

// The snapshot reached the history file but its journal could not be
// written: the edit is reported and not recorded.
TEST_F(HistoryBudget, AJournalThatCannotBeWrittenIsReportedAndKeepsEverything)
{
    f.open(kPhoto);
    applyEdits({20});
    const DocumentState before = DocumentState::of(f.doc);
    std::filesystem::path blocker = folder.fileEndingWith(".journal");
    blocker += ".tmp";
    std::filesystem::create_directory(blocker);
    f.accept(6, contrast(80));
    ASSERT_EQ(f.messageBox.messages.size(), 1u);
    EXPECT_EQ(f.messageBox.messages[0], kOutOfDiskMessage);
    EXPECT_EQ(DocumentState::of(f.doc), before);
    // A crash now would recover the history as it stands, not the lost edit.
    std::ifstream journalFile(folder.fileEndingWith(".journal"));
    const auto journal = session::parseJournal(std::string(std::istreambuf_iterator<char>(journalFile), {}));
    ASSERT_TRUE(journal.has_value());
    EXPECT_EQ(journal->snapshots.size(), 2u);
    EXPECT_EQ(journal->cursor, 1);
}

// A snapshot whose slot was damaged on disk is refused, not shown.
TEST_F(HistoryBudget, ADamagedSnapshotIsReportedAndUndoKeepsThePhoto)
{
    f.doc.setHistoryMemoryBudget(0);
    f.open(kPhoto);
    applyEdits({20, 45});
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
