// The document as a command target: it maps the photo commands (open, save,
// undo, redo, commit-result, the 32 effects and the three fixed filters) and
// reports their enable rules; the document itself knows nothing of menus.
#pragma once

#include "app/CommandRouting.h"

class CFotraDoc;

// True for every command id the document binds.
bool isDocumentCommand(int id);

class CDocumentTarget : public CCommandTarget {
public:
    explicit CDocumentTarget(CFotraDoc& document) : document_(document) {}

    bool onCommand(int id) override;
    bool onUpdateCommand(int id, CommandUi& ui) override;
    bool hasHandler(int id) const override { return isDocumentCommand(id); }

private:
    CFotraDoc& document_;
};
