// The overview pane (control 1007): the whole photo scaled to fit, with the
// red outline of the preview region drawn over it.
#pragma once

#include "dialog/widgets/PaneWidget.h"

class COvImage2;

class OverviewPane final : public PaneWidget {
    Q_OBJECT
public:
    explicit OverviewPane(QWidget* parent);

    // The control look, then `current` scaled by `scale` at the pane's
    // top-left corner; the rest of the pane keeps the control look.
    void drawPhoto(const COvImage2& image, double scale);
    // The red 1-pixel outline from (left, top) to (left, bottom), to
    // (right, bottom), to (right, top) and back, in pane coordinates (device pixels).
    void drawRegionMarker(int left, int top, int right, int bottom);
};
