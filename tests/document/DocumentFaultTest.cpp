// Running out of memory while opening a photo, running a pipeline or
// recording its snapshot: the document says so and keeps the photo, the
// history and `modified` exactly as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <new>

#include "DocumentFakes.h"
#include "document/EffectCatalogue.h"
#include "support/TestImages.h"

using namespace documenttest;
using testsupport::planesEqual;

namespace {

const std::string kPhotoA = "/photos/a.jpg";
const std::string kPhotoB = "/photos/b.jpg";

void expectSameState(const DocumentState& before, const CFotraDoc& doc)
{
    ASSERT_TRUE(doc.hasPhoto());
    const DocumentState after = DocumentState::of(doc);
    EXPECT_EQ(after.width, before.width);
    EXPECT_TRUE(planesEqual(before.current, after.current, before.width));
    EXPECT_TRUE(planesEqual(before.result, after.result, before.width));
    EXPECT_TRUE(planesEqual(before.scratch, after.scratch, before.width));
    EXPECT_EQ(after.snapshots, before.snapshots);
    EXPECT_EQ(after.cursor, before.cursor);
    EXPECT_EQ(after.modified, before.modified);
    EXPECT_EQ(after.pendingCommit, before.pendingCommit);
}

class DocumentOutOfMemory : public ::testing::TestWithParam<AllocationSite> {
protected:
    DocumentFixture f;

    void SetUp() override
    {
        f.files.photos[kPhotoA] = testsupport::randomImage(9, 6, 21);
        f.files.photos[kPhotoB] = testsupport::randomImage(5, 5, 22);
        f.open(kPhotoA);
    }

    void failAt(AllocationSite failing)
    {
        f.doc.setAllocationHook([failing](AllocationSite site) {
            if (site == failing) {
                throw std::bad_alloc();
            }
        });
    }

    void expectOneMemoryMessage() const
    {
        ASSERT_EQ(f.messageBox.messages.size(), 1u);
        EXPECT_NE(f.messageBox.messages[0].find("メモリ"), std::string::npos);
        EXPECT_EQ(f.waitCursor.depth, 0);
    }
};

EffectValues someValues()
{
    EffectValues values;
    values.strengthValue = 20;
    values.effectValue = 50;
    return values;
}

} // namespace

// A site that does not fail leaves every command working as usual.
TEST_P(DocumentOutOfMemory, OnlyTheFailingStepIsUndone)
{
    const AllocationSite site = GetParam();
    f.accept(2, someValues());
    failAt(site);
    const DocumentState before = DocumentState::of(f.doc);

    if (site == AllocationSite::OpenPhoto) {
        f.open(kPhotoB);
    } else {
        f.effectDialogs.script.whileOpen = [](COvImage2& image) { image.result[0] = 1; };
        f.doc.onCommand(findEffectMode(8)->commandId);
    }
    expectSameState(before, f.doc);
    expectOneMemoryMessage();
    EXPECT_EQ(f.effectDialogs.alive, 0);

    // Nothing was lost on the way: the next attempt without a fault works.
    f.doc.setAllocationHook({});
    f.messageBox.messages.clear();
    f.effectDialogs.script.whileOpen = {};
    f.accept(8, someValues());
    EXPECT_EQ(f.doc.historyLength(), 3);
    EXPECT_TRUE(f.messageBox.messages.empty());
    f.doc.onCommand(CommandId::Undo);
    EXPECT_TRUE(planesEqual(before.current, f.doc.photo()->current, before.width));
}

INSTANTIATE_TEST_SUITE_P(Sites, DocumentOutOfMemory,
                         ::testing::Values(AllocationSite::OpenPhoto, AllocationSite::RunPipeline,
                                           AllocationSite::RecordSnapshot));

TEST(DocumentOutOfMemoryFilter, FixedFiltersKeepTheState)
{
    for (const AllocationSite failing : {AllocationSite::RunPipeline, AllocationSite::RecordSnapshot}) {
        DocumentFixture f;
        f.files.photos[kPhotoA] = testsupport::randomImage(8, 7, 25);
        f.open(kPhotoA);
        f.doc.setAllocationHook([failing](AllocationSite site) {
            if (site == failing) {
                throw std::bad_alloc();
            }
        });
        const DocumentState before = DocumentState::of(f.doc);
        f.doc.onCommand(CommandId::MedianSharpenFilter);
        expectSameState(before, f.doc);
        EXPECT_EQ(f.messageBox.messages.size(), 1u);
        EXPECT_EQ(f.waitCursor.depth, 0);
    }
}
TEST(DocumentOutOfMemoryLoad, ALoaderThatRunsOutOfMemoryKeepsThePhoto)
{
    DocumentFixture f;
    f.files.photos[kPhotoA] = testsupport::randomImage(6, 4, 23);
    f.open(kPhotoA);
    const DocumentState before = DocumentState::of(f.doc);
    f.doc.setPhotoLoader([](COvImage2&, const std::string&) -> bool { throw std::bad_alloc(); });
    EXPECT_FALSE(f.doc.openPhotoFile(kPhotoB));
    expectSameState(before, f.doc);
    ASSERT_EQ(f.messageBox.messages.size(), 1u);
    EXPECT_EQ(f.waitCursor.depth, 0);
}

TEST(DocumentOutOfMemoryLoad, FirstOpenOutOfMemoryLeavesNoPhoto)
{
    DocumentFixture f;
    f.files.photos[kPhotoA] = testsupport::randomImage(6, 4, 24);
    f.doc.setAllocationHook([](AllocationSite) { throw std::bad_alloc(); });
    f.open(kPhotoA);
    EXPECT_FALSE(f.doc.hasPhoto());
    EXPECT_EQ(f.doc.historyLength(), 0);
    EXPECT_EQ(f.doc.historyPosition(), -1);
    EXPECT_EQ(f.messageBox.messages.size(), 1u);
}
