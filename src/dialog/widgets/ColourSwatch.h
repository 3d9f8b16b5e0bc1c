// A colour swatch of the effect dialog: the target swatch (control 1013) or
// the light swatch (control 1021), filled whole in one colour at each paint.
#pragma once

#include "dialog/widgets/PaneWidget.h"
#include "document/EffectValues.h"

class ColourSwatch final : public PaneWidget {
    Q_OBJECT
public:
    ColourSwatch(int controlId, QWidget* parent);

    void fillColour(const RgbColour& colour);
};
