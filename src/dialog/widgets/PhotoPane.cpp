// Photo pane drawing: the region through the record's region drawing and the
// sampling square as an exact 1-pixel blue outline.
#include "dialog/widgets/PhotoPane.h"

#include "dialog/widgets/ImageCanvas.h"
#include "image/COvImage2.h"
#include "res/DialogControls.h"

PhotoPane::PhotoPane(QWidget* parent) : PaneWidget(EffectDialogId::PhotoPane, parent) {}

void PhotoPane::drawRegion(COvImage2& image, int regionX, int regionY, int regionWidth, int regionHeight)
{
    ImageCanvas canvas(mutableSurface());
    image.drawCurrentRegion(canvas, regionX, regionY, regionWidth, regionHeight);
    update();
}

void PhotoPane::drawSamplingSquare(int x, int y, int side)
{
    const QPoint corners[] = {{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}, {x, y}};
    drawOutline(corners, qRgb(0, 0, 255));
}
