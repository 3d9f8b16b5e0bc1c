// The document's commands through fake dialogs: open, save and the extension
// rule, the history with undo and redo, the effect flow with cancel and the
// pre-dialog step of mode 27, the fixed filters and the enable rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "DocumentFakes.h"
#include "document/EffectCatalogue.h"
#include "document/EffectPipelines.h"
#include "support/TestImages.h"

using namespace documenttest;
using testsupport::planesEqual;

namespace {

const std::string kPhotoA = "/photos/a.jpg";
const std::string kPhotoB = "/photos/b.png";

EffectValues contrastValues(int effect)
{
    EffectValues values;
    values.strengthValue = 10;
    values.effectValue = effect;
    return values;
}

// What accepting `mode` with `values` makes of `photo`, by the pipeline table.
std::vector<std::uint8_t> afterEffect(const ImagePlanes& photo, int mode, const EffectValues& values)
{
    ImagePlanes copy = photo;
    runPreDialogStep(copy, mode);
    runEffectPipeline(copy, mode, values);
    return copy.result;
}

class DocumentFlow : public ::testing::Test {
protected:
    DocumentFixture f;
    ImagePlanes photoA = testsupport::randomImage(7, 5, 11);
    ImagePlanes photoB = testsupport::randomImage(4, 9, 12);

    void SetUp() override
    {
        f.files.photos[kPhotoA] = photoA;
        f.files.photos[kPhotoB] = photoB;
    }

    const COvImage2& photo() const { return *f.doc.photo(); }
    bool idle(const std::vector<std::uint8_t>& plane, std::uint8_t value) const
    {
        return std::all_of(plane.begin(), plane.end(), [value](std::uint8_t b) { return b == value; });
    }
};

} // namespace

TEST_F(DocumentFlow, OpenLoadsThePhotoAndStartsAHistory)
{
    f.open(kPhotoA);
    ASSERT_TRUE(f.doc.hasPhoto());
    EXPECT_TRUE(planesEqual(photoA.current, photo().current, photoA.width));
    EXPECT_EQ(f.doc.historyLength(), 1);
    EXPECT_EQ(f.doc.historyPosition(), 0);
    const std::span<const std::uint8_t> first = f.doc.snapshot(0);
    EXPECT_TRUE(planesEqual(photoA.current, {first.begin(), first.end()}, photoA.width));
    EXPECT_FALSE(f.doc.isModified());
    EXPECT_FALSE(f.doc.isPendingCommit());
    EXPECT_FALSE(f.doc.hasUnsavedChanges());
    EXPECT_TRUE(f.messageBox.messages.empty());
    EXPECT_EQ(f.view.calls, (std::vector<std::string>{"computeFitZoom", "updateScrollLayout", "invalidate"}));
}

TEST_F(DocumentFlow, OpenDialogHasTheFourFiltersAndNoDefaults)
{
    f.open(kPhotoA);
    ASSERT_EQ(f.fileDialogs.openRequests.size(), 1u);
    const FileDialogOptions& options = f.fileDialogs.openRequests[0];
    ASSERT_EQ(options.filters.size(), 4u);
    EXPECT_EQ(options.filters[0].label, "Jpegファイル(*.jpg,*jpeg)");
    EXPECT_EQ(options.filters[0].pattern, "*.jp*g");
    EXPECT_EQ(options.filters[1].pattern, "*.png");
    EXPECT_EQ(options.filters[2].pattern, "*.tif");
    EXPECT_EQ(options.filters[3].label, "bmpファイル(*.bmp)");
    EXPECT_EQ(options.filters[3].pattern, "*.bmp");
    EXPECT_TRUE(options.defaultExtension.empty());
    EXPECT_TRUE(options.initialName.empty());
    EXPECT_TRUE(options.fileMustExist);
    EXPECT_TRUE(options.hideReadOnly);
}

TEST_F(DocumentFlow, OpenShowsTheWaitCursorWhileLoading)
{
    int depthDuringLoad = 0;
    f.files.duringLoad = [&] { depthDuringLoad = f.waitCursor.depth; };
    f.open(kPhotoA);
    EXPECT_EQ(depthDuringLoad, 1);
    EXPECT_EQ(f.waitCursor.depth, 0);
}

TEST_F(DocumentFlow, CancelledOpenChangesNothing)
{
    f.open(kPhotoA);
    f.accept(6, contrastValues(40));
    f.fileDialogs.openAnswers.emplace_back(std::nullopt);
    f.doc.onCommand(CommandId::OpenPhoto);
    EXPECT_TRUE(f.files.loadedPaths.size() == 1);
    EXPECT_EQ(f.doc.historyLength(), 2);
    EXPECT_TRUE(f.doc.isModified());
}

TEST_F(DocumentFlow, SecondOpenReplacesThePhotoAndItsHistory)
{
    f.open(kPhotoA);
    f.accept(6, contrastValues(40));
    f.open(kPhotoB);
    EXPECT_EQ(photo().width, photoB.width);
    EXPECT_TRUE(planesEqual(photoB.current, photo().current, photoB.width));
    EXPECT_EQ(f.doc.historyLength(), 1);
    EXPECT_EQ(f.doc.historyPosition(), 0);
    EXPECT_FALSE(f.doc.isModified());
    EXPECT_FALSE(f.doc.commandState(CommandId::Undo).enabled);
}

// A failed open keeps the photo that was open, its edits and its history, and
// names the file it could not open.
TEST_F(DocumentFlow, FailedOpenKeepsThePhotoAndNamesTheFile)
{
    f.open(kPhotoA);
    f.accept(6, contrastValues(40));
    const std::vector<std::uint8_t> edited = photo().current;

    f.open("/photos/broken.jpg");
    ASSERT_TRUE(f.doc.hasPhoto());
    EXPECT_TRUE(planesEqual(edited, photo().current, photoA.width));
    EXPECT_EQ(f.doc.historyLength(), 2);
    EXPECT_EQ(f.doc.historyPosition(), 1);
    EXPECT_TRUE(f.doc.isModified());
    EXPECT_TRUE(f.doc.commandState(CommandId::Undo).enabled);
    EXPECT_TRUE(f.doc.commandState(CommandId::SavePhoto).enabled);
    ASSERT_EQ(f.messageBox.messages.size(), 1u);
    EXPECT_NE(f.messageBox.messages[0].find("/photos/broken.jpg"), std::string::npos);
}

TEST_F(DocumentFlow, FailedFirstOpenLeavesNoPhoto)
{
    EXPECT_FALSE(f.doc.openPhotoFile("/photos/missing.tif"));
    EXPECT_FALSE(f.doc.hasPhoto());
    EXPECT_EQ(f.doc.historyPosition(), -1);
    ASSERT_EQ(f.messageBox.messages.size(), 1u);
    EXPECT_NE(f.messageBox.messages[0].find("missing.tif"), std::string::npos);
    EXPECT_TRUE(f.view.calls.empty());
}

TEST_F(DocumentFlow, SaveDialogOffersThreeFormatsWithDefaults)
{
    f.open(kPhotoA);
    f.accept(6, contrastValues(40));
    f.save("/out/x.jpg");
    ASSERT_EQ(f.fileDialogs.saveRequests.size(), 1u);
    const FileDialogOptions& options = f.fileDialogs.saveRequests[0];
    ASSERT_EQ(options.filters.size(), 3u);
    EXPECT_EQ(options.filters[0].label, "Jpegファイル(*.jpg,*jpeg)");
    EXPECT_EQ(options.filters[0].pattern, "*.jpg");
    EXPECT_EQ(options.filters[1].label, "PNGファイル(*.png)");
    EXPECT_EQ(options.filters[2].label, "TIFFファイル(*.tif)");
    EXPECT_EQ(options.defaultExtension, "jpg");
    EXPECT_EQ(options.initialName, "名称未設定");
    EXPECT_TRUE(options.promptBeforeOverwrite);
    EXPECT_FALSE(options.fileMustExist);
}

// The extension names the format whatever its case or long form; the path is
// handed on as the dialog gave it.
TEST_F(DocumentFlow, SaveWritesTheFormatTheExtensionNames)
{
    const std::vector<std::pair<std::string, int>> cases = {
        {"/out/a.jpg", SaveFormatJpeg}, {"/out/a.JPG", SaveFormatJpeg},  {"/out/a.jpeg", SaveFormatJpeg},
        {"/out/a.png", SaveFormatPng},  {"/out/a.PNG", SaveFormatPng},   {"/out/a.tif", SaveFormatTiff},
        {"/out/a.TIF", SaveFormatTiff}, {"/out/a.tiff", SaveFormatTiff}, {"/out/my.photo.Jpeg", SaveFormatJpeg},
    };
    f.open(kPhotoA);
    for (const auto& [path, format] : cases) {
        SCOPED_TRACE(path);
        f.accept(6, contrastValues(40));
        f.saved.clear();
        f.save(path);
        ASSERT_EQ(f.saved.size(), 1u);
        EXPECT_EQ(f.saved[0].path, path);
        EXPECT_EQ(f.saved[0].format, format);
        EXPECT_TRUE(planesEqual(photo().current, f.saved[0].current, photoA.width));
        EXPECT_FALSE(f.doc.isModified());
        EXPECT_FALSE(f.doc.commandState(CommandId::SavePhoto).enabled);
    }
    EXPECT_TRUE(f.messageBox.messages.empty());
}

TEST_F(DocumentFlow, SaveToAnUnknownExtensionFailsAndKeepsModified)
{
    f.open(kPhotoA);
    f.accept(6, contrastValues(40));
    for (const std::string path : {"/out/a.bmp", "/out/noextension", "/out/dir.jpg/name", "/out/a.", "/out/a.jpgx"}) {
        SCOPED_TRACE(path);
        f.messageBox.messages.clear();
        f.save(path);
        EXPECT_TRUE(f.saved.empty());
        ASSERT_EQ(f.messageBox.messages.size(), 1u);
        EXPECT_EQ(f.messageBox.messages[0], "ファイルの保存に失敗しました。\n保存できるのは JPEG（.jpg）、PNG（.png）、TIFF（.tif）です。");
        EXPECT_TRUE(f.doc.isModified());
        EXPECT_TRUE(f.doc.hasUnsavedChanges());
    }
}

TEST_F(DocumentFlow, FailedWriteKeepsModifiedAndTheHistory)
{
    f.open(kPhotoA);
    f.accept(6, contrastValues(40));
    f.saverSucceeds = false;
    f.save("/out/a.png");
    ASSERT_EQ(f.messageBox.messages.size(), 1u);
    EXPECT_EQ(f.messageBox.messages[0], "ファイルの保存に失敗しました。");
    EXPECT_TRUE(f.doc.isModified());
    EXPECT_EQ(f.doc.historyLength(), 2);
    EXPECT_EQ(f.doc.historyPosition(), 1);
}

TEST_F(DocumentFlow, CancelledSaveChangesNothing)
{
    f.open(kPhotoA);
    f.accept(6, contrastValues(40));
    f.fileDialogs.saveAnswers.emplace_back(std::nullopt);
    f.doc.onCommand(CommandId::SavePhoto);
    EXPECT_TRUE(f.saved.empty());
    EXPECT_TRUE(f.messageBox.messages.empty());
    EXPECT_TRUE(f.doc.isModified());
}

TEST_F(DocumentFlow, SaveIsIgnoredWhileDisabled)
{
    f.open(kPhotoA);
    f.save("/out/a.png");
    EXPECT_TRUE(f.fileDialogs.saveRequests.empty());
    EXPECT_TRUE(f.saved.empty());
}

TEST_F(DocumentFlow, AcceptedEffectCommitsAndRecords)
{
    f.open(kPhotoA);
    f.view.calls.clear();
    const EffectValues values = contrastValues(40);
    f.accept(6, values);
    const std::vector<std::uint8_t> expected = afterEffect(photoA, 6, values);
    EXPECT_TRUE(planesEqual(expected, photo().current, photoA.width));
    EXPECT_TRUE(idle(photo().result, 255));
    EXPECT_TRUE(idle(photo().scratch, 0));
    EXPECT_EQ(f.doc.historyLength(), 2);
    EXPECT_EQ(f.doc.historyPosition(), 1);
    const std::span<const std::uint8_t> last = f.doc.snapshot(1);
    EXPECT_TRUE(planesEqual(expected, {last.begin(), last.end()}, photoA.width));
    EXPECT_TRUE(f.doc.isModified());
    EXPECT_TRUE(f.doc.isPendingCommit());
    EXPECT_TRUE(f.doc.hasUnsavedChanges());
    EXPECT_EQ(f.effectDialogs.created.size(), 1u);
    EXPECT_EQ(f.effectDialogs.created[0].mode, 6);
    EXPECT_EQ(f.effectDialogs.alive, 0);
    EXPECT_EQ(f.view.calls, std::vector<std::string>{"invalidate"});
    EXPECT_EQ(f.waitCursor.depth, 0);
    EXPECT_GE(f.waitCursor.scopes, 2);
}

// The dialog's preview scribbles on `result` and uses `scratch`; cancel puts
// back `result` exactly as it was before the command.
TEST_F(DocumentFlow, CancelRestoresResultByteForByte)
{
    f.open(kPhotoA);
    f.accept(6, contrastValues(40));
    COvImage2& record = *f.doc.photo();
    std::mt19937 rng(5);
    testsupport::fillRandom(record.result, rng);
    const std::vector<std::uint8_t> resultBefore = record.result;
    const std::vector<std::uint8_t> currentBefore = record.current;

    f.effectDialogs.script.accept = false;
    f.effectDialogs.script.whileOpen = [](COvImage2& image) {
        std::fill(image.result.begin(), image.result.begin() + 10, 7);
        image.scratch[3] = 1;
        image.scratch[3] = 0;
    };
    f.view.calls.clear();
    f.doc.onCommand(findEffectMode(2)->commandId);

    EXPECT_TRUE(planesEqual(resultBefore, record.result, record.width));
    EXPECT_TRUE(planesEqual(currentBefore, record.current, record.width));
    EXPECT_EQ(f.doc.historyLength(), 2);
    EXPECT_EQ(f.doc.historyPosition(), 1);
    EXPECT_TRUE(f.doc.isModified());
    EXPECT_TRUE(f.effectDialogs.created.back().ran);
    EXPECT_EQ(f.effectDialogs.alive, 0);
    EXPECT_TRUE(f.view.calls.empty());
}

TEST_F(DocumentFlow, CancelRightAfterOpenKeepsModifiedClear)
{
    f.open(kPhotoA);
    f.effectDialogs.script.accept = false;
    f.effectDialogs.script.whileOpen = [](COvImage2& image) { image.result[0] = 0; };
    f.doc.onCommand(findEffectMode(8)->commandId);
    EXPECT_TRUE(idle(photo().result, 255));
    EXPECT_FALSE(f.doc.isModified());
    EXPECT_FALSE(f.doc.isPendingCommit());
    EXPECT_EQ(f.doc.historyLength(), 1);
}

// Mode 27 computes the mean colour of `current` before its dialog exists;
// the means stay after a cancel.
TEST_F(DocumentFlow, ClearColourComputesTheMeansBeforeTheDialog)
{
    f.open(kPhotoA);
    double sums[3] = {0, 0, 0};
    for (int y = 0; y < photoA.height; ++y) {
        for (int x = 0; x < photoA.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                sums[c] += photoA.current[y * photoA.stride() + 3 * x + c];
            }
        }
    }
    const double count = static_cast<double>(photoA.width) * photoA.height;
    f.effectDialogs.script.accept = false;
    f.doc.onCommand(findEffectMode(27)->commandId);
    ASSERT_EQ(f.effectDialogs.created.size(), 1u);
    EXPECT_DOUBLE_EQ(f.effectDialogs.created[0].meanBlue, sums[0] / count);
    EXPECT_DOUBLE_EQ(f.effectDialogs.created[0].meanGreen, sums[1] / count);
    EXPECT_DOUBLE_EQ(f.effectDialogs.created[0].meanRed, sums[2] / count);
    EXPECT_EQ(photo().meanRed, f.effectDialogs.created[0].meanRed);
    EXPECT_EQ(photo().meanGreen, f.effectDialogs.created[0].meanGreen);
    EXPECT_EQ(photo().meanBlue, f.effectDialogs.created[0].meanBlue);
    EXPECT_FALSE(f.doc.isModified());
}

TEST_F(DocumentFlow, OtherModesComputeNoMeans)
{
    f.open(kPhotoA);
    f.effectDialogs.script.accept = false;
    f.doc.onCommand(findEffectMode(15)->commandId);
    EXPECT_EQ(f.effectDialogs.created[0].meanRed, 0.0);
    EXPECT_EQ(photo().meanRed, 0.0);
}

// Effects A and B, undo, then C: the redo tail is dropped.
TEST_F(DocumentFlow, HistoryDropsTheRedoTail)
{
    f.open(kPhotoA);
    const EffectValues a = contrastValues(30), b = contrastValues(60), c = contrastValues(90);
    f.accept(6, a);
    const std::vector<std::uint8_t> afterA = photo().current;
    f.accept(3, b);
    const std::vector<std::uint8_t> afterB = photo().current;
    EXPECT_EQ(f.doc.historyLength(), 3);
    EXPECT_EQ(f.doc.historyPosition(), 2);
    EXPECT_TRUE(f.doc.commandState(CommandId::Undo).enabled);
    EXPECT_FALSE(f.doc.commandState(CommandId::Redo).enabled);

    f.doc.onCommand(CommandId::Undo);
    EXPECT_TRUE(planesEqual(afterA, photo().current, photoA.width));
    EXPECT_EQ(f.doc.historyPosition(), 1);
    EXPECT_TRUE(f.doc.commandState(CommandId::Redo).enabled);

    ImagePlanes fromA = photoA;
    fromA.current = afterA;
    const std::vector<std::uint8_t> expectedC = afterEffect(fromA, 24, c);
    f.accept(24, c);
    EXPECT_EQ(f.doc.historyLength(), 3);
    EXPECT_EQ(f.doc.historyPosition(), 2);
    EXPECT_FALSE(f.doc.commandState(CommandId::Redo).enabled);
    EXPECT_TRUE(planesEqual(expectedC, photo().current, photoA.width));
    const std::span<const std::uint8_t> last = f.doc.snapshot(2);
    EXPECT_TRUE(planesEqual(expectedC, {last.begin(), last.end()}, photoA.width));
    const std::span<const std::uint8_t> middle = f.doc.snapshot(1);
    EXPECT_TRUE(planesEqual(afterA, {middle.begin(), middle.end()}, photoA.width));
    EXPECT_FALSE(planesEqual(afterB, photo().current, photoA.width));
}

TEST_F(DocumentFlow, UndoToTheStartAndRedoBack)
{
    f.open(kPhotoA);
    f.accept(6, contrastValues(30));
    f.accept(8, contrastValues(70));
    const std::vector<std::uint8_t> latest = photo().current;
    f.save("/out/a.png");
    EXPECT_FALSE(f.doc.isModified());

    f.view.calls.clear();
    f.doc.onCommand(CommandId::Undo);
    f.doc.onCommand(CommandId::Undo);
    EXPECT_TRUE(planesEqual(photoA.current, photo().current, photoA.width));
    EXPECT_EQ(f.doc.historyPosition(), 0);
    EXPECT_FALSE(f.doc.commandState(CommandId::Undo).enabled);
    EXPECT_TRUE(f.doc.isModified());
    f.doc.onCommand(CommandId::Undo); // disabled: nothing happens
    EXPECT_EQ(f.doc.historyPosition(), 0);

    f.doc.onCommand(CommandId::Redo);
    f.doc.onCommand(CommandId::Redo);
    EXPECT_TRUE(planesEqual(latest, photo().current, photoA.width));
    EXPECT_EQ(f.doc.historyPosition(), 2);
    EXPECT_TRUE(f.doc.isModified()); // back at the saved state, but moved
    EXPECT_TRUE(f.doc.commandState(CommandId::SavePhoto).enabled);
    f.doc.onCommand(CommandId::Redo); // disabled
    EXPECT_EQ(f.doc.historyPosition(), 2);
    EXPECT_EQ(f.view.calls, (std::vector<std::string>(4, "invalidate")));
    EXPECT_TRUE(idle(photo().result, 255));
}

TEST_F(DocumentFlow, FixedFiltersAreRecordedLikeEffects)
{
    for (const int id : {CommandId::TriangleSharpenFilter, CommandId::OutlierFilter, CommandId::MedianSharpenFilter}) {
        SCOPED_TRACE(id);
        DocumentFixture g;
        g.files.photos[kPhotoA] = photoA;
        g.open(kPhotoA);
        ImagePlanes expected = photoA;
        runFixedFilter(expected, id);
        EXPECT_TRUE(g.doc.onCommand(id));
        const COvImage2& record = *g.doc.photo();
        EXPECT_TRUE(planesEqual(expected.result, record.current, photoA.width));
        EXPECT_TRUE(std::all_of(record.result.begin(), record.result.end(), [](auto b) { return b == 255; }));
        EXPECT_TRUE(std::all_of(record.scratch.begin(), record.scratch.end(), [](auto b) { return b == 0; }));
        EXPECT_EQ(g.doc.historyLength(), 2);
        EXPECT_TRUE(g.doc.isModified());
        EXPECT_TRUE(g.effectDialogs.created.empty());
        g.doc.onCommand(CommandId::Undo);
        EXPECT_TRUE(planesEqual(photoA.current, record.current, photoA.width));
    }
}

TEST_F(DocumentFlow, CommandsWithoutAPhotoDoNothing)
{
    for (const int id : {CommandId::SavePhoto, CommandId::Undo, CommandId::Redo, CommandId::CommitResult,
                         CommandId::TriangleSharpenFilter, CommandId::OutlierFilter, CommandId::MedianSharpenFilter,
                         32811, 32842}) {
        EXPECT_TRUE(f.doc.onCommand(id)) << id;
    }
    EXPECT_FALSE(f.doc.hasPhoto());
    EXPECT_TRUE(f.effectDialogs.created.empty());
    EXPECT_TRUE(f.fileDialogs.saveRequests.empty());
    EXPECT_TRUE(f.messageBox.messages.empty());
    EXPECT_FALSE(f.doc.onCommand(32792)); // a view command, not the document's
    EXPECT_FALSE(f.doc.onCommand(0));
}

// The commit-result command commits an output left in `result` through the
// history; with the idle `result` every command leaves, it changes nothing.
TEST_F(DocumentFlow, CommitResultNeverWhitensThePhoto)
{
    f.open(kPhotoA);
    f.accept(6, contrastValues(30));
    ASSERT_TRUE(f.doc.commandState(CommandId::CommitResult).enabled);
    const std::vector<std::uint8_t> shown = photo().current;
    f.doc.onCommand(CommandId::CommitResult);
    EXPECT_TRUE(planesEqual(shown, photo().current, photoA.width));
    EXPECT_EQ(f.doc.historyLength(), 2);

    COvImage2& record = *f.doc.photo();
    std::mt19937 rng(9);
    testsupport::fillRandom(record.result, rng);
    const std::vector<std::uint8_t> output = record.result;
    f.doc.onCommand(CommandId::CommitResult);
    EXPECT_TRUE(planesEqual(output, record.current, photoA.width));
    EXPECT_TRUE(idle(record.result, 255));
    EXPECT_EQ(f.doc.historyLength(), 3);
    EXPECT_FALSE(f.doc.isPendingCommit());
    EXPECT_FALSE(f.doc.commandState(CommandId::CommitResult).enabled);
    f.doc.onCommand(CommandId::Undo);
    EXPECT_TRUE(planesEqual(shown, record.current, photoA.width));
}

namespace {

struct ExpectedStates {
    bool open, save, undo, redo, commit, effects;
};

void expectStates(const CFotraDoc& doc, const ExpectedStates& expected)
{
    EXPECT_EQ(doc.commandState(CommandId::OpenPhoto), (CommandState{expected.open, false}));
    EXPECT_EQ(doc.commandState(CommandId::SavePhoto), (CommandState{expected.save, false}));
    EXPECT_EQ(doc.commandState(CommandId::Undo), (CommandState{expected.undo, false}));
    EXPECT_EQ(doc.commandState(CommandId::Redo), (CommandState{expected.redo, false}));
    EXPECT_EQ(doc.commandState(CommandId::CommitResult), (CommandState{expected.commit, false}));
    for (const EffectCommand& entry : kEffectCommands) {
        EXPECT_EQ(doc.commandState(entry.commandId), (CommandState{expected.effects, false})) << entry.mode;
    }
    for (const int id : {CommandId::TriangleSharpenFilter, CommandId::OutlierFilter, CommandId::MedianSharpenFilter}) {
        EXPECT_EQ(doc.commandState(id), (CommandState{expected.effects, false})) << id;
    }
    EXPECT_EQ(doc.commandState(32792), CommandState{});
    EXPECT_EQ(doc.hasUnsavedChanges(), expected.save);
}

} // namespace

TEST_F(DocumentFlow, EnableRulesInEveryState)
{
    {
        SCOPED_TRACE("no photo");
        expectStates(f.doc, {true, false, false, false, false, false});
    }
    f.open(kPhotoA);
    {
        SCOPED_TRACE("opened");
        expectStates(f.doc, {true, false, false, false, false, true});
    }
    f.accept(6, contrastValues(30));
    {
        SCOPED_TRACE("one effect");
        expectStates(f.doc, {true, true, true, false, true, true});
    }
    f.save("/out/a.png");
    {
        SCOPED_TRACE("saved");
        expectStates(f.doc, {true, false, true, false, true, true});
    }
    f.doc.onCommand(CommandId::Undo);
    {
        SCOPED_TRACE("undone to the start");
        expectStates(f.doc, {true, true, false, true, true, true});
    }
    f.open("/photos/broken.jpg");
    {
        SCOPED_TRACE("failed open keeps the state");
        expectStates(f.doc, {true, true, false, true, true, true});
    }
    f.accept(2, contrastValues(30));
    f.accept(2, contrastValues(30));
    f.doc.onCommand(CommandId::Undo);
    {
        SCOPED_TRACE("in the middle");
        expectStates(f.doc, {true, true, true, true, true, true});
    }
    f.open(kPhotoB);
    {
        SCOPED_TRACE("another photo");
        expectStates(f.doc, {true, false, false, false, false, true});
    }
}

TEST(CommandTable, ThirtyTwoModesWithDistinctIdsAndTitles)
{
    std::vector<int> ids;
    std::vector<std::string_view> titles;
    for (int mode = 1; mode <= kEffectModeCount; ++mode) {
        const EffectCommand* entry = findEffectMode(mode);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->mode, mode);
        EXPECT_EQ(effectModeForCommand(entry->commandId), mode);
        EXPECT_EQ(effectModeForTitle(entry->title), mode);
        ids.push_back(entry->commandId);
        titles.push_back(entry->title);
    }
    std::sort(ids.begin(), ids.end());
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    EXPECT_EQ(std::adjacent_find(titles.begin(), titles.end()), titles.end());
    EXPECT_EQ(findEffectMode(0), nullptr);
    EXPECT_EQ(findEffectMode(33), nullptr);
    EXPECT_EQ(effectModeForCommand(CommandId::OpenPhoto), 0);
    EXPECT_EQ(effectModeForTitle("くっきり"), 8);
    EXPECT_EQ(findEffectMode(8)->commandId, 32785);
    EXPECT_EQ(findEffectMode(29)->commandId, 32838);
    EXPECT_EQ(findEffectMode(28)->commandId, 32839);
    const int menuModes = static_cast<int>(std::count_if(
        kEffectCommands.begin(), kEffectCommands.end(), [](const EffectCommand& e) { return e.inMainMenu; }));
    EXPECT_EQ(menuModes, 3);
    EXPECT_TRUE(hasPreDialogStep(27));
    EXPECT_FALSE(hasPreDialogStep(26));
}
