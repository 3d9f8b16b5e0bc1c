// Swatch fill: the whole window rectangle, frame included, in the colour.
#include "dialog/widgets/ColourSwatch.h"

ColourSwatch::ColourSwatch(int controlId, QWidget* parent) : PaneWidget(controlId, parent) {}

void ColourSwatch::fillColour(const RgbColour& colour)
{
    fill(QColor(colour.red, colour.green, colour.blue));
}
