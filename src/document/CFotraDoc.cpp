// The document's commands. Every command that can fail prepares what it needs
// (a new record, a snapshot buffer, the history's capacity) before it changes
// anything, so a failed open, save or effect leaves the photo, the history and
// `modified` exactly as they were.
#include "document/CFotraDoc.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <utility>

#include "document/CommandTable.h"
#include "document/EffectPipelines.h"
#include "document/SessionRecovery.h"

namespace {

constexpr const char* kSaveFailedMessage = "ファイルの保存に失敗しました。";
constexpr const char* kOutOfMemoryMessage = "メモリが不足しています。操作は取り消されました。";
constexpr const char* kOutOfDiskMessage =
    "ディスクの空き容量が足りないため、編集を履歴に記録できませんでした。写真と履歴は元のままです。";
constexpr const char* kHistoryReadFailedMessage = "編集履歴を読み込めませんでした。写真は元のままです。";
constexpr const char* kHistoryInMemoryMessage =
    "編集履歴を一時ファイルに書き込めないため、この写真の履歴はメモリーだけに保持されます。"
    "プログラムが異常終了したときは、編集を復元できません。";
constexpr const char* kRestoreFailedMessage = "前回の編集を復元できませんでした。残っていた編集は削除されました。";
constexpr const char* kMetadataDamagedStatus = "撮影情報の一部が壊れているため、その部分を除いて写真を開きました。";
constexpr const char* kMetadataNotWrittenStatus = "写真は保存しましたが、撮影情報と色プロファイルは書き込めませんでした。";

// The lead sentence, the file, and the reason on a line of its own.
std::string openFailedMessage(const std::string& path, const FileProblem& problem)
{
    const std::string reason = fileProblemMessage(problem);
    return "写真を開けませんでした。\n" + path + (reason.empty() ? "" : "\n" + reason);
}

std::string saveFailedMessage(const FileProblem& problem)
{
    const std::string reason = fileProblemMessage(problem);
    return std::string(kSaveFailedMessage) + (reason.empty() ? "" : "\n" + reason);
}

std::string lowerAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isIdleResult(const std::vector<std::uint8_t>& plane)
{
    return std::all_of(plane.begin(), plane.end(), [](std::uint8_t byte) { return byte == 255; });
}

} // namespace

CFotraDoc::CFotraDoc(DocumentUi ui)
    : ui_(ui),
      loader_([](COvImage2& record, const std::string& path) { return record.loadFromFile(path); }),
      saver_([](const COvImage2& record, const std::string& path, int format) {
          return record.saveToFile(path, format);
      }),
      metadataIo_(std::make_shared<NullMetadataIo>())
{
}

CFotraDoc::~CFotraDoc() = default;

void CFotraDoc::setUi(const DocumentUi& ui) { ui_ = ui; }
void CFotraDoc::setView(IDocumentView* view) { ui_.view = view; }
void CFotraDoc::setPhotoLoader(PhotoLoader loader) { loader_ = std::move(loader); }
void CFotraDoc::setPhotoSaver(PhotoSaver saver) { saver_ = std::move(saver); }
void CFotraDoc::setAllocationHook(AllocationHook hook) { allocationHook_ = std::move(hook); }

void CFotraDoc::setMetadataIo(std::shared_ptr<IMetadataIo> io)
{
    metadataIo_ = io ? std::move(io) : std::make_shared<NullMetadataIo>();
}

void CFotraDoc::setSessionFolder(std::filesystem::path folder) { sessionFolder_ = std::move(folder); }

void CFotraDoc::setHistoryMemoryBudget(std::size_t bytes)
{
    historyBudget_ = bytes;
    history.setMemoryBudget(bytes);
}

bool CFotraDoc::onCommand(int id)
{
    switch (id) {
    case CommandId::OpenPhoto:
        openPhoto();
        return true;
    case CommandId::SavePhoto:
        savePhoto();
        return true;
    case CommandId::Undo:
        undo();
        return true;
    case CommandId::Redo:
        redo();
        return true;
    case CommandId::CommitResult:
        commitResult();
        return true;
    default:
        break;
    }
    if (isFixedFilterCommand(id)) {
        runFilter(id);
        return true;
    }
    if (const int mode = effectModeForCommand(id); mode != 0) {
        runEffect(mode);
        return true;
    }
    return false;
}

CommandState CFotraDoc::commandState(int id) const
{
    const bool open = hasPhoto();
    switch (id) {
    case CommandId::OpenPhoto:
        return {true, false};
    case CommandId::SavePhoto:
        return {open && modified, false};
    case CommandId::Undo:
        return {open && history.cursor() > 0, false};
    case CommandId::Redo:
        return {open && history.cursor() < historyLength() - 1, false};
    case CommandId::CommitResult:
        return {open && pendingCommit, false};
    default:
        break;
    }
    if (isFixedFilterCommand(id) || effectModeForCommand(id) != 0) {
        return {open, false};
    }
    return {};
}

bool CFotraDoc::hasUnsavedChanges() const { return hasPhoto() && modified; }

std::span<const std::uint8_t> CFotraDoc::snapshot(int index) const
{
    if (const std::span<const std::uint8_t> inMemory = history.resident(index); !inMemory.empty()) {
        return inMemory;
    }
    try {
        snapshotView_.resize(history.snapshotBytes());
    } catch (const std::bad_alloc&) {
        return {};
    }
    if (!history.read(index, snapshotView_)) {
        return {};
    }
    return snapshotView_;
}

int CFotraDoc::saveFormatForPath(const std::string& path)
{
    const std::size_t nameStart = path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) {
        return 0;
    }
    const std::string extension = lowerAscii(path.substr(dot + 1));
    if (extension == "jpg" || extension == "jpeg") {
        return SaveFormatJpeg;
    }
    if (extension == "png") {
        return SaveFormatPng;
    }
    if (extension == "tif" || extension == "tiff") {
        return SaveFormatTiff;
    }
    return 0;
}

FileDialogOptions CFotraDoc::openDialogOptions()
{
    FileDialogOptions options;
    options.filters = {{"Jpegファイル(*.jpg,*jpeg)", "*.jp*g"},
                       {"PNGファイル(*.png)", "*.png"},
                       {"TIFFファイル(*.tif)", "*.tif"},
                       {"bmpファイル(*.bmp)", "*.bmp"}};
    options.fileMustExist = true;
    return options;
}

FileDialogOptions CFotraDoc::saveDialogOptions()
{
    FileDialogOptions options;
    options.filters = {{"Jpegファイル(*.jpg,*jpeg)", "*.jpg"},
                       {"PNGファイル(*.png)", "*.png"},
                       {"TIFFファイル(*.tif)", "*.tif"}};
    options.defaultExtension = "jpg";
    options.initialName = "名称未設定";
    options.promptBeforeOverwrite = true;
    return options;
}

void CFotraDoc::openPhoto()
{
    if (ui_.fileDialogs == nullptr) {
        return;
    }
    const std::optional<std::string> path = ui_.fileDialogs->askOpenPath(openDialogOptions());
    if (path) {
        openPhotoFile(*path);
    }
}

bool CFotraDoc::openPhotoFile(const std::string& path)
{
    const WaitCursorScope wait(ui_.waitCursor);
    std::unique_ptr<COvImage2> loaded;
    EditHistory freshHistory;
    MetadataReadResult freshMetadata;
    try {
        allocationPoint(AllocationSite::OpenPhoto);
        loaded = std::make_unique<COvImage2>();
        if (!loader_(*loaded, path)) {
            showMessage(openFailedMessage(path, loaded->fileProblem));
            return false;
        }
        freshHistory = EditHistory::begin(loaded->current, {path, loaded->width, loaded->height},
                                          sessionFolder_, historyBudget_);
        // Damaged metadata never stops the photo: it opens without it.
        freshMetadata = metadataIo_->read(path);
    } catch (const std::bad_alloc&) {
        showMessage(openFailedMessage(path, {FileError::OutOfMemory}));
        return false;
    }

    // Nothing below allocates: the new photo replaces the old one at once.
    image = std::move(loaded);
    history = std::move(freshHistory);
    metadata_ = std::move(freshMetadata.metadata);
    modified = false;
    pendingCommit = false;
    if (ui_.view != nullptr) {
        ui_.view->computeFitZoom();
        ui_.view->updateScrollLayout();
        ui_.view->invalidate();
    }
    std::vector<std::string> notes = loadNoteMessages(image->loadNotes);
    if (freshMetadata.damaged) {
        notes.emplace_back(kMetadataDamagedStatus);
    }
    if (!notes.empty()) {
        std::string joined;
        for (const std::string& note : notes) {
            joined += (joined.empty() ? "" : " ") + note;
        }
        showStatus(joined);
    }
    if (!sessionFolder_.empty() && !history.isPersistent()) {
        showMessage(kHistoryInMemoryMessage);
    }
    if (ui_.photoOpened) {
        ui_.photoOpened(path);
    }
    return true;
}

void CFotraDoc::savePhoto()
{
    if (!commandState(CommandId::SavePhoto).enabled || ui_.fileDialogs == nullptr) {
        return;
    }
    const std::optional<std::string> path = ui_.fileDialogs->askSavePath(saveDialogOptions());
    if (!path) {
        return;
    }
    const WaitCursorScope wait(ui_.waitCursor);
    const int format = saveFormatForPath(*path);
    image->fileProblem = {format == 0 ? FileError::NotSaveFormat : FileError::None};
    if (format != 0 && saver_(*image, *path, format)) {
        modified = false;
        history.markSaved();
        // The pixels are saved whatever becomes of the metadata.
        if (!metadataIo_->write(*path, metadata_.get(), image->width, image->height)) {
            showStatus(kMetadataNotWrittenStatus);
        }
        return;
    }
    showMessage(saveFailedMessage(image->fileProblem));
}

void CFotraDoc::undo()
{
    if (!commandState(CommandId::Undo).enabled) {
        return;
    }
    if (showSnapshot(history.cursor() - 1)) {
        modified = true;
        invalidateView();
    }
}

void CFotraDoc::redo()
{
    if (!commandState(CommandId::Redo).enabled) {
        return;
    }
    if (showSnapshot(history.cursor() + 1)) {
        modified = true;
        invalidateView();
    }
}

// Every command of this program records its output at once, so `result` is
// idle (all 255) whenever this runs from the user interface; committing that
// would paint the photo white. Only an output actually left in `result` is
// committed, and through the history, so that it can be undone.
void CFotraDoc::commitResult()
{
    if (!commandState(CommandId::CommitResult).enabled || isIdleResult(image->result)) {
        return;
    }
    copyPlane(image->resultBackup, image->result);
    if (recordAcceptedEffect()) {
        pendingCommit = false;
        invalidateView();
    }
}

void CFotraDoc::runEffect(int mode)
{
    if (!hasPhoto()) {
        return;
    }
    COvImage2& record = *image;
    copyPlane(record.resultBackup, record.result);
    runPreDialogStep(record, mode);

    std::unique_ptr<IEffectDialog> dialog =
        ui_.effectDialogs != nullptr ? ui_.effectDialogs->createEffectDialog(record, mode) : nullptr;
    if (dialog == nullptr || !dialog->runModal()) {
        copyPlane(record.result, record.resultBackup);
        return;
    }

    const WaitCursorScope wait(ui_.waitCursor);
    const EffectValues values = dialog->values();
    try {
        allocationPoint(AllocationSite::RunPipeline);
        runEffectPipeline(record, mode, values);
    } catch (const std::bad_alloc&) {
        copyPlane(record.result, record.resultBackup);
        fillPlane(record.scratch, 0);
        dialog.reset();
        reportOutOfMemory();
        return;
    }
    dialog.reset();
    invalidateView();
    recordAcceptedEffect();
}

// The fixed filters are offered to the user, so their output is recorded like
// an accepted effect (undoable, `modified` set) instead of staying in `result`.
void CFotraDoc::runFilter(int commandId)
{
    if (!hasPhoto()) {
        return;
    }
    COvImage2& record = *image;
    const WaitCursorScope wait(ui_.waitCursor);
    copyPlane(record.resultBackup, record.result);
    try {
        allocationPoint(AllocationSite::RunPipeline);
        runFixedFilter(record, commandId);
    } catch (const std::bad_alloc&) {
        copyPlane(record.result, record.resultBackup);
        fillPlane(record.scratch, 0);
        reportOutOfMemory();
        return;
    }
    invalidateView();
    recordAcceptedEffect();
}

// The record step: `result` becomes the new last snapshot and `current`.
// `resultBackup` holds the `result` of before the command, which a failure
// restores.
bool CFotraDoc::recordAcceptedEffect()
{
    COvImage2& record = *image;
    HistoryError error = HistoryError::None;
    try {
        allocationPoint(AllocationSite::RecordSnapshot);
        error = history.record(record.result);
    } catch (const std::bad_alloc&) {
        error = HistoryError::OutOfMemory;
    }
    if (error != HistoryError::None) {
        copyPlane(record.result, record.resultBackup);
        showMessage(error == HistoryError::OutOfDisk ? kOutOfDiskMessage : kOutOfMemoryMessage);
        return false;
    }

    // The history holds the new snapshot; nothing below allocates.
    pendingCommit = true;
    copyPlane(record.current, record.result);
    fillPlane(record.result, 255);
    modified = true;
    return true;
}

// Undo and redo: shows snapshot `index`. One waiting in the history file is
// read into `scratch` first and checked, so a failed read leaves `current`
// as it was; the planes then trade places and `scratch` is cleared again.
bool CFotraDoc::showSnapshot(int index)
{
    COvImage2& record = *image;
    if (const std::span<const std::uint8_t> inMemory = history.resident(index); !inMemory.empty()) {
        std::copy(inMemory.begin(), inMemory.end(), record.current.begin());
    } else if (history.read(index, record.scratch)) {
        std::swap(record.current, record.scratch);
        fillPlane(record.scratch, 0);
    } else {
        fillPlane(record.scratch, 0);
        showMessage(kHistoryReadFailedMessage);
        return false;
    }
    history.moveCursor(index);
    return true;
}

bool CFotraDoc::offerSessionRecovery()
{
    if (sessionFolder_.empty()) {
        return false;
    }
    for (LeftoverSession& leftover : findLeftoverSessions(sessionFolder_)) {
        const bool restore =
            ui_.questionBox != nullptr && ui_.questionBox->askYesNo(recoveryQuestion(leftover.journal));
        if (!restore) {
            discardSession(std::move(leftover));
            continue;
        }
        return restoreSession(std::move(leftover));
    }
    return false;
}

// Rebuilds the record from the cursor's snapshot; the photo file is not read.
// Short of memory, the session stays for the next start; a history that
// cannot be read back is dropped with its files.
bool CFotraDoc::restoreSession(LeftoverSession leftover)
{
    const WaitCursorScope wait(ui_.waitCursor);
    std::unique_ptr<COvImage2> rebuilt;
    try {
        allocationPoint(AllocationSite::OpenPhoto);
        rebuilt = std::make_unique<COvImage2>();
        rebuilt->allocatePlanes(leftover.journal.width, leftover.journal.height);
    } catch (const std::bad_alloc&) {
        reportOutOfMemory();
        return false;
    }
    const std::string photoPath = leftover.journal.photoPath;
    EditHistory restored = resumeHistory(std::move(leftover), historyBudget_);
    if (!restored.read(restored.cursor(), rebuilt->current)) {
        showMessage(kRestoreFailedMessage);
        return false;
    }

    // The photo file still holds the metadata of the photo being edited.
    std::shared_ptr<const PhotoMetadata> restoredMetadata = metadataIo_->read(photoPath).metadata;

    image = std::move(rebuilt);
    history = std::move(restored);
    metadata_ = std::move(restoredMetadata);
    modified = history.modified();
    pendingCommit = history.length() > 1;
    if (ui_.view != nullptr) {
        ui_.view->computeFitZoom();
        ui_.view->updateScrollLayout();
        ui_.view->invalidate();
    }
    return true;
}

void CFotraDoc::reportOutOfMemory() { showMessage(kOutOfMemoryMessage); }

void CFotraDoc::showMessage(const std::string& text)
{
    if (ui_.messageBox != nullptr) {
        ui_.messageBox->showMessage(text);
    }
}

void CFotraDoc::showStatus(const std::string& text)
{
    if (ui_.statusLine != nullptr) {
        ui_.statusLine->showStatus(text);
    }
}

void CFotraDoc::allocationPoint(AllocationSite site) const
{
    if (allocationHook_) {
        allocationHook_(site);
    }
}

void CFotraDoc::invalidateView()
{
    if (ui_.view != nullptr) {
        ui_.view->invalidate();
    }
}
