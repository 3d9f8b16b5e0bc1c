// Fakes of the document's user-interface links: scripted file dialogs and
// effect dialogs, a message box and a view that record what they were asked,
// a wait cursor that counts its depth, and photo loaders over in-memory photos.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "document/CFotraDoc.h"
#include "document/EffectCatalogue.h"
#include "document/DocumentUi.h"
#include "image/COvImage2.h"

namespace documenttest {

class FakeFileDialogs : public IFileDialogs {
public:
    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    std::vector<FileDialogOptions> openRequests;
    std::vector<FileDialogOptions> saveRequests;

    std::optional<std::string> askOpenPath(const FileDialogOptions& options) override
    {
        openRequests.push_back(options);
        return pop(openAnswers);
    }
    std::optional<std::string> askSavePath(const FileDialogOptions& options) override
    {
        saveRequests.push_back(options);
        return pop(saveAnswers);
    }

private:
    static std::optional<std::string> pop(std::deque<std::optional<std::string>>& answers)
    {
        if (answers.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class FakeMessageBox : public IMessageBox {
public:
    std::vector<std::string> messages;
    void showMessage(const std::string& text) override { messages.push_back(text); }
};

class FakeWaitCursor : public IWaitCursor {
public:
    int depth = 0;
    int scopes = 0;
    void beginWait() override
    {
        ++depth;
        ++scopes;
    }
    void endWait() override { --depth; }
};

class FakeView : public IDocumentView {
public:
    std::vector<std::string> calls;
    bool computeFitZoom() override
    {
        calls.emplace_back("computeFitZoom");
        return false;
    }
    void updateScrollLayout() override { calls.emplace_back("updateScrollLayout"); }
    void invalidate() override { calls.emplace_back("invalidate"); }
};

// What the next effect dialog does and what it saw.
struct DialogScript {
    bool accept = true;
    EffectValues values;
    // Runs inside the modal loop, like a preview paint (may write result and scratch).
    std::function<void(COvImage2&)> whileOpen;
};

struct DialogRecord {
    int mode = 0;
    double meanRed = 0.0, meanGreen = 0.0, meanBlue = 0.0; // at construction
    bool ran = false;
};

class FakeEffectDialogFactory : public IEffectDialogFactory {
public:
    DialogScript script;
    std::vector<DialogRecord> created;
    int alive = 0;

    std::unique_ptr<IEffectDialog> createEffectDialog(COvImage2& image, int mode) override
    {
        created.push_back({mode, image.meanRed, image.meanGreen, image.meanBlue, false});
        return std::make_unique<Dialog>(*this, image, created.size() - 1);
    }

private:
    class Dialog : public IEffectDialog {
    public:
        Dialog(FakeEffectDialogFactory& owner, COvImage2& image, std::size_t index)
            : owner_(owner), image_(image), index_(index)
        {
            ++owner_.alive;
        }
        ~Dialog() override { --owner_.alive; }
        bool runModal() override
        {
            owner_.created[index_].ran = true;
            if (owner_.script.whileOpen) {
                owner_.script.whileOpen(image_);
            }
            return owner_.script.accept;
        }
        EffectValues values() const override { return owner_.script.values; }

    private:
        FakeEffectDialogFactory& owner_;
        COvImage2& image_;
        std::size_t index_;
    };
};

// In-memory photo files: a path maps to the planes a successful load gives.
struct FakePhotoFiles {
    std::map<std::string, ImagePlanes> photos;
    std::vector<std::string> loadedPaths;
    std::function<void()> duringLoad; // e.g. to look at the wait cursor

    CFotraDoc::PhotoLoader loader()
    {
        return [this](COvImage2& record, const std::string& path) {
            loadedPaths.push_back(path);
            if (duringLoad) {
                duringLoad();
            }
            const auto found = photos.find(path);
            if (found == photos.end()) {
                return false;
            }
            static_cast<ImagePlanes&>(record) = found->second;
            return true;
        };
    }
};

struct SavedFile {
    std::string path;
    int format = 0;
    std::vector<std::uint8_t> current;
};

// Everything wired together around one document.
struct DocumentFixture {
    FakeFileDialogs fileDialogs;
    FakeMessageBox messageBox;
    FakeWaitCursor waitCursor;
    FakeView view;
    FakeEffectDialogFactory effectDialogs;
    FakePhotoFiles files;
    std::vector<SavedFile> saved;
    bool saverSucceeds = true;
    CFotraDoc doc;

    // With realFiles the document reads and writes files through the record
    // (and the image-file library) instead of the in-memory fakes.
    explicit DocumentFixture(bool realFiles = false)
        : doc(DocumentUi{&fileDialogs, &messageBox, &waitCursor, &effectDialogs, &view})
    {
        if (realFiles) {
            return;
        }
        doc.setPhotoLoader(files.loader());
        doc.setPhotoSaver([this](const COvImage2& image, const std::string& path, int format) {
            saved.push_back({path, format, image.current});
            return saverSucceeds;
        });
    }

    // Opens `path` through the open command and its dialog.
    void open(const std::string& path)
    {
        fileDialogs.openAnswers.emplace_back(path);
        doc.onCommand(CommandId::OpenPhoto);
    }

    void save(const std::string& path)
    {
        fileDialogs.saveAnswers.emplace_back(path);
        doc.onCommand(CommandId::SavePhoto);
    }

    // Runs effect `mode` through its command id with the dialog accepting `values`.
    void accept(int mode, const EffectValues& values)
    {
        effectDialogs.script = {true, values, {}};
        doc.onCommand(findEffectMode(mode)->commandId);
    }
};

// Everything a user can observe of the document's photo and history.
struct DocumentState {
    std::vector<std::uint8_t> current, result, scratch;
    std::vector<std::vector<std::uint8_t>> snapshots;
    int cursor = 0;
    bool modified = false, pendingCommit = false;
    int width = 0;

    static DocumentState of(const CFotraDoc& doc)
    {
        DocumentState state;
        const COvImage2& record = *doc.photo();
        state.current = record.current;
        state.result = record.result;
        state.scratch = record.scratch;
        for (int i = 0; i < doc.historyLength(); ++i) {
            const std::span<const std::uint8_t> snapshot = doc.snapshot(i);
            state.snapshots.emplace_back(snapshot.begin(), snapshot.end());
        }
        state.cursor = doc.historyPosition();
        state.modified = doc.isModified();
        state.pendingCommit = doc.isPendingCommit();
        state.width = record.width;
        return state;
    }
    friend bool operator==(const DocumentState&, const DocumentState&) = default;
};

} // namespace documenttest
