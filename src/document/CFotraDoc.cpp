// The document's commands. Every command that can fail prepares what it needs
// (a new record, a snapshot buffer, the history's capacity) before it changes
// anything, so a failed open, save or effect leaves the photo, the history and
// `modified` exactly as they were.
#include "document/CFotraDoc.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <utility>

#include "document/EffectCatalogue.h"
#include "document/EffectPipelines.h"
#include "document/SessionRecovery.h"

namespace {

constexpr const char* kSaveFailedMessage = "ファイルの保存に失敗しました。";
constexpr const char* kOutOfMemoryMessage = "メモリが不足しています。操作は取り消されました。";
constexpr const char* kHistoryReadFailedMessage = "編集履歴を読み込めませんでした。写真は元のままです。";
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

// The status line when crash recovery no longer covers every edit.
std::string recoveryLimitStatus(RecoveryLimit limit, const std::filesystem::path& folder)
{
    switch (limit) {
    case RecoveryLimit::FolderUnusable:
        return "フォルダー " + folder.string() + " を使えないため、異常終了したときに編集を復元できません。";
    case RecoveryLimit::FolderFull:
        return "フォルダー " + folder.string() + " がいっぱいのため、異常終了したときに復元できる編集は一部だけです。";
    case RecoveryLimit::CacheBudgetReached:
        return "フォルダー " + folder.string()
               + " の編集履歴が上限に達したため、異常終了したときに古い編集は復元できません。";
    case RecoveryLimit::None:
        break;
    }
    return {};
}

std::string restoredPartMessage(std::size_t lost)
{
    return "前回の編集のうち " + std::to_string(lost) + " 回分は壊れていたため、残りの部分を復元しました。";
}

std::string nothingRestoredMessage(const std::string& photoPath)
{
    return "前回の編集は壊れていたため復元できませんでした。元の写真はここにあります:\n" + photoPath;
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
      saver_([this](const COvImage2& record, const std::string& path, int format) {
          return writePhotoFile(record, path, format);
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

void CFotraDoc::setHistoryCacheBudget(std::uint64_t bytes)
{
    cacheBudget_ = bytes;
    history.setCacheBudget(bytes);
}

void CFotraDoc::settleHistory()
{
    history.settle();
    reportRecoveryLimit();
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
        freshHistory = EditHistory::begin(
            loaded->current, {path, loaded->width, loaded->height}, sessionFolder_, historyBudget_,
            cacheBudget_.value_or(sessionFolder_.empty() ? 0 : EditHistory::defaultCacheBudget(sessionFolder_)));
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
    reportRecoveryLimit();
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
    metadataEmbedded_ = true;
    if (format != 0 && saver_(*image, *path, format)) {
        modified = false;
        history.markSaved();
        if (!metadataEmbedded_) {
            showStatus(kMetadataNotWrittenStatus);
        }
        return;
    }
    showMessage(saveFailedMessage(image->fileProblem));
}

// The default save: `current` encoded in memory, the metadata put into the
// encoded file there, and the file written once, atomically: the target holds
// the old photo or the new one with its metadata, never pixels without it.
// Metadata that cannot be put in does not stop the pixels.
bool CFotraDoc::writePhotoFile(const COvImage2& record, const std::string& path, int format)
{
    std::vector<std::uint8_t> encoded;
    try {
        if (!record.encode(format, encoded)) {
            return false;
        }
        metadataEmbedded_ = metadataIo_->embed(encoded, metadata_.get(), record.width, record.height, record.colourProfile);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return record.writeEncoded(path, encoded);
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
    reportRecoveryLimit();
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
    reportRecoveryLimit();
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
        reportOutOfMemory();
        return false;
    }

    // The history holds the new snapshot; nothing below allocates.
    pendingCommit = true;
    copyPlane(record.current, record.result);
    fillPlane(record.result, 255);
    modified = true;
    reportRecoveryLimit();
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
        const RecoveryAnswer answer = ui_.questionBox != nullptr ? ui_.questionBox->askRecovery(recoveryQuestion(leftover))
                                                                 : RecoveryAnswer::Later;
        switch (answer) {
        case RecoveryAnswer::Restore:
            return restoreSession(std::move(leftover));
        case RecoveryAnswer::Discard:
            discardSession(std::move(leftover));
            break;
        case RecoveryAnswer::Later:
            break; // its files stay, and the lock goes with `leftover`
        }
    }
    return false;
}

// Rebuilds the record from the snapshots that can still be read: the
// longest run of intact snapshots around the cursor (snapshot 0 comes from
// the photo file when its size and checksum still match). Short of memory,
// the session stays for the next start; what was lost is said.
bool CFotraDoc::restoreSession(LeftoverSession leftover)
{
    const WaitCursorScope wait(ui_.waitCursor);
    session::Journal& journal = leftover.journal;
    std::unique_ptr<COvImage2> rebuilt;
    std::vector<std::uint8_t> first;
    try {
        allocationPoint(AllocationSite::OpenPhoto);
        rebuilt = std::make_unique<COvImage2>();
        rebuilt->allocatePlanes(journal.width, journal.height);
        // Snapshot 0 from the photo file, when it is still the file that was opened.
        if (!journal.snapshots.empty() && journal.snapshots.front().slot == session::kNoSlot && journal.original
            && session::fingerprintOf(journal.photoPath) == journal.original) {
            COvImage2 original;
            if (loader_(original, journal.photoPath) && original.width == journal.width
                && original.height == journal.height
                && session::checksum(original.current) == journal.snapshots.front().checksum) {
                first = std::move(original.current);
            }
        }
    } catch (const std::bad_alloc&) {
        reportOutOfMemory();
        return false;
    }

    // Which snapshots are intact; `scratch` serves as the reading buffer.
    const auto count = static_cast<int>(journal.snapshots.size());
    std::vector<bool> intact(static_cast<std::size_t>(count), false);
    for (int i = 0; i < count; ++i) {
        const session::SnapshotRecord& stored = journal.snapshots[static_cast<std::size_t>(i)];
        intact[static_cast<std::size_t>(i)] =
            stored.slot == session::kNoSlot
                ? i == 0 && !first.empty()
                : leftover.files->readSlot(stored.slot, rebuilt->scratch)
                      && session::checksum(rebuilt->scratch) == stored.checksum;
    }
    fillPlane(rebuilt->scratch, 0);
    int target = -1;
    for (int i = 0; i < count; ++i) {
        if (intact[static_cast<std::size_t>(i)] && (target < 0 || i <= journal.cursor)) {
            target = i;
        }
    }
    if (target < 0) {
        const std::string photoPath = journal.photoPath;
        discardSession(std::move(leftover));
        showMessage(nothingRestoredMessage(photoPath));
        return false;
    }
    int low = target;
    int high = target;
    while (low > 0 && intact[static_cast<std::size_t>(low - 1)]) {
        --low;
    }
    while (high + 1 < count && intact[static_cast<std::size_t>(high + 1)]) {
        ++high;
    }
    const std::size_t lost = leftover.lostSnapshots + static_cast<std::size_t>(count - (high - low + 1));
    journal.snapshots = {journal.snapshots.begin() + low, journal.snapshots.begin() + high + 1};
    journal.cursor = target - low;
    if (low > 0) {
        first.clear();
    }

    const std::string photoPath = journal.photoPath;
    EditHistory restored = EditHistory::resume(std::move(leftover.files), std::move(journal), std::move(first),
                                               historyBudget_, cacheBudget_.value_or(EditHistory::defaultCacheBudget(sessionFolder_)));
    if (!restored.read(restored.cursor(), rebuilt->current)) {
        showMessage(nothingRestoredMessage(photoPath));
        return false;
    }

    // The photo file still holds the metadata of the photo being edited.
    std::shared_ptr<const PhotoMetadata> restoredMetadata = metadataIo_->read(photoPath).metadata;

    image = std::move(rebuilt);
    history = std::move(restored);
    metadata_ = std::move(restoredMetadata);
    modified = history.modified() || lost > 0;
    pendingCommit = history.length() > 1;
    if (ui_.view != nullptr) {
        ui_.view->computeFitZoom();
        ui_.view->updateScrollLayout();
        ui_.view->invalidate();
    }
    if (lost > 0) {
        showMessage(restoredPartMessage(lost));
    }
    return true;
}

void CFotraDoc::reportOutOfMemory() { showMessage(kOutOfMemoryMessage); }

void CFotraDoc::reportRecoveryLimit()
{
    if (const RecoveryLimit limit = history.takeRecoveryLimit(); limit != RecoveryLimit::None) {
        showStatus(recoveryLimitStatus(limit, history.sessionFolder()));
    }
}

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
