// Every effect command opens the effect dialog (CDialogUnSharpMask) over the
// main window; the document runs it modally and reads its values after OK.
#include "app/EffectDialogFactory.h"

#include "dialog/widgets/EffectDialogFactory.h"

std::unique_ptr<IEffectDialogFactory> makeEffectDialogFactory(QWidget* parent)
{
    return std::make_unique<EffectDialogFactory>(parent);
}
