// Preview pane drawing through the record's region drawing of `result` or of
// `current`.
#include "dialog/widgets/PreviewPane.h"

#include "dialog/widgets/ImageCanvas.h"
#include "image/COvImage2.h"
#include "res/DialogControls.h"

PreviewPane::PreviewPane(QWidget* parent) : PaneWidget(EffectDialogId::PreviewPane, parent) {}

void PreviewPane::drawResult(COvImage2& image, int regionX, int regionY, int regionWidth, int regionHeight)
{
    ImageCanvas canvas(mutableSurface());
    image.drawResultRegion(canvas, regionX, regionY, regionWidth, regionHeight);
    update();
}

void PreviewPane::drawUntouched(COvImage2& image, int regionX, int regionY, int regionWidth,
                                int regionHeight)
{
    ImageCanvas canvas(mutableSurface());
    image.drawCurrentRegion(canvas, regionX, regionY, regionWidth, regionHeight);
    update();
}
