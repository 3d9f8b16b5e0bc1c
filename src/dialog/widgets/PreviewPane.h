// The preview pane (control 1009): the preview region of `result` after the
// mode's preview pipeline, or the untouched region while the preview is off.
#pragma once

#include "dialog/widgets/PaneWidget.h"

class COvImage2;

class PreviewPane final : public PaneWidget {
    Q_OBJECT
public:
    explicit PreviewPane(QWidget* parent);

    // The region of `result` (first column regionX, first plane row regionY)
    // of the given size at the pane's top-left corner.
    void drawResult(COvImage2& image, int regionX, int regionY, int regionWidth, int regionHeight);
    // The same region of `current`.
    void drawUntouched(COvImage2& image, int regionX, int regionY, int regionWidth, int regionHeight);
};
