// The document's effect-dialog factory for the desktop program: every effect
// command opens a CDialogUnSharpMask on the open photo's record.
#pragma once

#include <memory>

#include <QPointer>

#include "document/DocumentUi.h"

class QWidget;

class EffectDialogFactory final : public IEffectDialogFactory {
public:
    // Dialogs open over `parent` (the main window), or on their own if null.
    explicit EffectDialogFactory(QWidget* parent = nullptr);

    std::unique_ptr<IEffectDialog> createEffectDialog(COvImage2& image, int mode) override;

private:
    QPointer<QWidget> parent_;
};
