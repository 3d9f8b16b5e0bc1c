// The factory that gives the document its modal effect dialog. Kept apart
// in one small file so that the dialog's widget can be put in here alone.
#pragma once

#include <memory>

#include "document/DocumentUi.h"

class QWidget;

// A factory whose dialogs are parented to `parent`; messages go to `messages`.
std::unique_ptr<IEffectDialogFactory> makeEffectDialogFactory(QWidget* parent, IMessageBox& messages);
