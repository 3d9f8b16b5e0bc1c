// Overview pane drawing: the scaled photo through the record's own zoomed
// drawing, and the region marker as an exact 1-pixel red outline.
#include "dialog/widgets/OverviewPane.h"

#include "dialog/widgets/ImageCanvas.h"
#include "image/COvImage2.h"
#include "res/DialogControls.h"

OverviewPane::OverviewPane(QWidget* parent) : PaneWidget(EffectDialogId::OverviewPane, parent) {}

void OverviewPane::drawPhoto(const COvImage2& image, double scale)
{
    paintControlLook();
    ImageCanvas canvas(mutableSurface());
    image.drawZoomed(canvas, scale);
    update();
}

void OverviewPane::drawRegionMarker(int left, int top, int right, int bottom)
{
    const QPoint corners[] = {{left, top}, {left, bottom}, {right, bottom}, {right, top}, {left, top}};
    drawOutline(corners, qRgb(255, 0, 0));
}
