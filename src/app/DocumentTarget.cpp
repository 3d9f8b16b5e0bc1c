// The document's commands and their enable rules, as the routing sees them.
#include "app/DocumentTarget.h"

#include "document/CFotraDoc.h"
#include "document/EffectCatalogue.h"

bool isDocumentCommand(int id)
{
    switch (id) {
    case CommandId::OpenPhoto:
    case CommandId::SavePhoto:
    case CommandId::Undo:
    case CommandId::Redo:
    case CommandId::CommitResult:
        return true;
    default:
        return isFixedFilterCommand(id) || effectModeForCommand(id) != 0;
    }
}

bool CDocumentTarget::onCommand(int id)
{
    return isDocumentCommand(id) && document_.onCommand(id);
}

bool CDocumentTarget::onUpdateCommand(int id, CommandUi& ui)
{
    if (!isDocumentCommand(id)) {
        return false;
    }
    const CommandState state = document_.commandState(id);
    ui.enabled = state.enabled;
    ui.checked = state.checked;
    return true;
}
