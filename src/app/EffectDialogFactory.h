// The factory that gives the document its modal effect dialog, kept apart in
// one small file: the only place where the program names the dialog.
#pragma once

#include <memory>

#include "document/DocumentUi.h"

class QWidget;

// A factory whose dialogs open over `parent`.
std::unique_ptr<IEffectDialogFactory> makeEffectDialogFactory(QWidget* parent);
