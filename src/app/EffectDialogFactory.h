// The factory that gives the document its modal effect dialog, kept apart in
// one small file: the only place where the program names the dialog.
#pragma once

#include <memory>

#include "document/DocumentUi.h"

class QWidget;

// A factory whose dialogs open over `parent`; `messages` is for a factory
// that must report a dialog it cannot show.
std::unique_ptr<IEffectDialogFactory> makeEffectDialogFactory(QWidget* parent, IMessageBox& messages);
