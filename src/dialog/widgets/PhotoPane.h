// The photo pane (control 1008): the untouched preview region of `current` at
// 1:1, and the blue sampling square drawn over it.
#pragma once

#include "dialog/widgets/PaneWidget.h"

class COvImage2;

class PhotoPane final : public PaneWidget {
    Q_OBJECT
public:
    explicit PhotoPane(QWidget* parent);

    // The region of `current` whose first column is regionX and first plane
    // row regionY, at the pane's top-left corner; the caller keeps it inside
    // the photo.
    void drawRegion(COvImage2& image, int regionX, int regionY, int regionWidth, int regionHeight);
    // The blue 1-pixel outline of the square from (x, y) to (x + side,
    // y + side), pane coordinates in device pixels.
    void drawSamplingSquare(int x, int y, int side);
};
