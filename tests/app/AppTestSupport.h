// Helpers of the desktop program's tests: fakes for the message boxes, the
// desktop's handlers and the file dialogs, a photo loader that makes
// synthetic photos from the file name, a frame fixture, and the test main
// that moves the settings and the runtime folder into temporary folders.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include "app/AppServices.h"
#include "app/CMainFrame.h"
#include "app/Translations.h"
#include "document/CFotraDoc.h"

namespace apptest {

class FakePrompts : public IAppPrompts {
public:
    void showMessage(const std::string& text) override { messages.push_back(text); }
    SaveChangesAnswer askSaveChanges() override
    {
        ++questions;
        return answer;
    }
    RecoveryAnswer askRecovery(const std::string& text) override
    {
        recoveryQuestions.push_back(text);
        return recoveryAnswer;
    }
    std::vector<std::string> recoveryQuestions;
    RecoveryAnswer recoveryAnswer = RecoveryAnswer::Later;
    std::vector<std::string> messages;
    SaveChangesAnswer answer = SaveChangesAnswer::Cancel;
    int questions = 0;
};

class FakeShell : public IShell {
public:
    bool openLocalFile(const std::string& path) override
    {
        openedFiles.push_back(path);
        return succeed;
    }
    std::vector<std::string> openedFiles;
    bool succeed = true;
};

class FakeFileDialogs : public IFileDialogs {
public:
    std::optional<std::string> askOpenPath(const FileDialogOptions&) override { return next(openAnswers, openAsked); }
    std::optional<std::string> askSavePath(const FileDialogOptions&) override { return next(saveAnswers, saveAsked); }
    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    int openAsked = 0;
    int saveAsked = 0;

private:
    static std::optional<std::string> next(std::deque<std::optional<std::string>>& answers, int& asked)
    {
        ++asked;
        if (answers.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// Loads "<any folder>/<W>x<H><anything>" as a W x H photo whose pixels
// encode their position; any other name fails. Records every path asked.
CFotraDoc::PhotoLoader syntheticLoader(std::vector<std::string>* asked = nullptr);

// Expected blue, green, red of the synthetic photo at picture column x and
// picture row y (counted from the top).
std::array<std::uint8_t, 3> syntheticPixel(int x, int y);

// A frame on a document with fakes everywhere.
struct FrameFixture {
    FrameFixture();
    ~FrameFixture();
    // Opens a synthetic photo through the document, as the command line does.
    bool openPhoto(int width, int height);
    // Gives the photo an unsaved change (an undoable fixed filter).
    void makeModified();

    FakePrompts prompts;
    FakeShell shell;
    FakeFileDialogs dialogs;
    std::vector<std::string> loadedPaths;
    std::vector<std::pair<std::string, int>> savedPaths;
    CFotraDoc document;
    std::unique_ptr<CMainFrame> frame;
};

// Creates the temporary settings and runtime folders; call before the
// QApplication exists.
void isolateEnvironment();

} // namespace apptest

#define FOTRA_APP_TEST_MAIN(TestClass)                \
    int main(int argc, char* argv[])                  \
    {                                                 \
        apptest::isolateEnvironment();                \
        QApplication application(argc, argv);         \
        installJapaneseTranslations(application);     \
        TestClass test;                               \
        return QTest::qExec(&test, argc, argv);       \
    }
