// What the shell asks of the desktop besides the document's interfaces:
// the save-changes question, messages and yes/no questions, and opening a
// local file (the help pages) with the desktop's handler. The program uses the Qt versions
// (QtServices.h); the tests put in fakes so that no box blocks them.
#pragma once

#include <string>

#include "document/DocumentUi.h"

enum class SaveChangesAnswer { Save, Discard, Cancel };

class IAppPrompts : public IMessageBox, public IQuestionBox {
public:
    // Asks whether to save the open photo's changes before they are discarded.
    virtual SaveChangesAnswer askSaveChanges() = 0;
};

class IShell {
public:
    virtual ~IShell() = default;
    // Opens a local file with the desktop's handler; false when the file is
    // missing or nothing could open it.
    virtual bool openLocalFile(const std::string& path) = 0;
};
