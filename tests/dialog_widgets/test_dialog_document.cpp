// The effect dialog driven by the document, as the menu commands run it:
// OK commits the accepted effect (undoable, the bytes of the full-image
// pipeline with the dialog's values) and Cancel or Esc after a preview leave
// every plane and the history exactly as they were.
#include <functional>

#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include "DialogTestSupport.h"
#include "dialog/widgets/CDialogUnSharpMask.h"
#include "dialog/widgets/EffectDialogFactory.h"
#include "dialog/widgets/PhotoPane.h"
#include "document/CFotraDoc.h"
#include "document/EffectCatalogue.h"
#include "document/EffectPipelines.h"
#include "res/DialogControls.h"

namespace Id = EffectDialogId;

namespace {

constexpr int kWidth = 150;
constexpr int kHeight = 110;

// A document with the real effect dialog and a synthetic photo open.
struct DocumentWithPhoto {
    EffectDialogFactory factory;
    CFotraDoc document;

    DocumentWithPhoto() : document(DocumentUi{nullptr, nullptr, nullptr, &factory, nullptr})
    {
        document.setPhotoLoader([](COvImage2& record, const std::string&) {
            static_cast<ImagePlanes&>(record) = *dialogtest::photoLikeRecord(kWidth, kHeight, 3);
            return true;
        });
        document.openPhotoFile("synthetic.png");
    }
};

// Runs `command` and, once its dialog is up, `drive` on the dialog.
void runWithDialog(CFotraDoc& document, int command, const std::function<void(CDialogUnSharpMask&)>& drive)
{
    bool driven = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<CDialogUnSharpMask*>(QApplication::activeModalWidget())) {
            driven = true;
            drive(*dialog);
        }
    });
    document.onCommand(command);
    QVERIFY(driven);
}

void addModeRows()
{
    QTest::addColumn<int>("mode");
    for (const EffectCommand& entry : kEffectCommands) {
        QTest::addRow("mode %d %s", entry.mode, entry.title.data()) << entry.mode;
    }
}

bool allBytes(const std::vector<std::uint8_t>& plane, std::uint8_t value)
{
    return std::all_of(plane.begin(), plane.end(), [value](std::uint8_t byte) { return byte == value; });
}

} // namespace

class DialogDocumentTest : public QObject {
    Q_OBJECT
private slots:
    void okCommitsUndoableEffect_data() { addModeRows(); }
    void okCommitsUndoableEffect();
    void cancelRestoresByteForByte_data() { addModeRows(); }
    void cancelRestoresByteForByte();
    void escapeAfterDraggingRestores();
};

void DialogDocumentTest::okCommitsUndoableEffect()
{
    QFETCH(int, mode);
    DocumentWithPhoto fixture;
    CFotraDoc& document = fixture.document;
    const COvImage2 original = *document.photo();

    EffectValues accepted;
    runWithDialog(document, findEffectMode(mode)->commandId, [&](CDialogUnSharpMask& dialog) {
        // Move the effect slider one step down from its start, as a user might.
        auto* effect = qobject_cast<QSlider*>(dialog.control(Id::EffectSlider));
        effect->setValue(effect->value() - 1);
        dialog.renderPanes();
        QTest::mouseClick(dialog.control(Id::Ok), Qt::LeftButton);
        accepted = dialog.values();
    });

    COvImage2 expected = original;
    runPreDialogStep(expected, mode);
    runEffectPipeline(expected, mode, accepted);
    const COvImage2& photo = *document.photo();
    QVERIFY(photo.current == expected.result);
    QVERIFY(allBytes(photo.result, 255));
    QVERIFY(allBytes(photo.scratch, 0));
    QCOMPARE(document.historyLength(), 2);
    QCOMPARE(document.historyPosition(), 1);
    QVERIFY(document.isModified());
    QVERIFY(photo.current != original.current);

    QVERIFY(document.onCommand(CommandId::Undo));
    QVERIFY(document.photo()->current == original.current);
    QVERIFY(document.onCommand(CommandId::Redo));
    QVERIFY(document.photo()->current == expected.result);
}

void DialogDocumentTest::cancelRestoresByteForByte()
{
    QFETCH(int, mode);
    DocumentWithPhoto fixture;
    CFotraDoc& document = fixture.document;
    const COvImage2 before = *document.photo();

    bool previewWroteResult = false;
    runWithDialog(document, findEffectMode(mode)->commandId, [&](CDialogUnSharpMask& dialog) {
        qobject_cast<QSlider*>(dialog.control(Id::StrengthSlider))->setValue(7);
        dialog.control(Id::PreviewCheckBox)->setProperty("checked", true);
        dialog.renderPanes();
        previewWroteResult = !allBytes(document.photo()->result, 255);
        QTest::mouseClick(dialog.control(Id::Cancel), Qt::LeftButton);
    });

    QVERIFY(previewWroteResult);
    const COvImage2& photo = *document.photo();
    QVERIFY(photo.current == before.current);
    QVERIFY(photo.result == before.result);
    QVERIFY(photo.scratch == before.scratch);
    QVERIFY(photo.resultBackup == before.result);
    QCOMPARE(document.historyLength(), 1);
    QVERIFY(!document.isModified());
    QVERIFY(!document.hasUnsavedChanges());
}

void DialogDocumentTest::escapeAfterDraggingRestores()
{
    DocumentWithPhoto fixture;
    CFotraDoc& document = fixture.document;
    const COvImage2 before = *document.photo();
    runWithDialog(document, findEffectMode(30)->commandId, [&](CDialogUnSharpMask& dialog) {
        const QPoint pane = dialog.photoPane()->geometry().topLeft();
        dialogtest::pressAt(&dialog, pane + QPoint(3, 3));
        dialogtest::dragTo(&dialog, pane + QPoint(60, 40));
        dialogtest::releaseAt(&dialog, pane + QPoint(60, 40));
        qobject_cast<QPushButton*>(dialog.control(Id::GetColourButton))->click();
        dialog.renderPanes();
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QVERIFY(document.photo()->result == before.result);
    QVERIFY(document.photo()->current == before.current);
    QCOMPARE(document.historyLength(), 1);
}

QTEST_MAIN(DialogDocumentTest)
#include "test_dialog_document.moc"
