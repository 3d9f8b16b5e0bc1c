// A black-frame static of the effect dialog (a pane or a swatch): it keeps
// what was last drawn into it in a surface of its own size in device pixels
// and shows that surface unscaled, one surface pixel per device pixel, also
// on a high-density screen. It takes no mouse input, so presses over it
// reach the dialog.
#pragma once

#include <span>

#include <QImage>
#include <QPoint>
#include <QWidget>

#include "dialog/PaneGeometry.h"
#include "dialog/widgets/ImageCanvas.h"

class PaneWidget : public QWidget {
    Q_OBJECT
public:
    // controlId becomes the object name, so that the pane can be found by it.
    PaneWidget(int controlId, QWidget* parent);

    // What the pane shows at the moment, pixel for pixel.
    const QImage& surface() const { return surface_; }
    // The pane's size in device pixels (rounded up), the surface's size.
    PaneSize deviceSize() const;

    // Repaints the control's own look: dialog background in a black frame.
    void paintControlLook();
    // Fills the whole pane, frame included, in one colour.
    void fill(QColor colour);
    // A closed or open outline of a 1-pixel pen through `corners`: each
    // segment includes its start point and excludes its end point; segments
    // are horizontal or vertical; points outside the pane are clipped.
    void drawOutline(std::span<const QPoint> corners, QRgb colour);

protected:
    // The surface at the pane's present size (a resized pane starts over
    // from its control look).
    QImage& mutableSurface();
    void paintEvent(QPaintEvent* event) override;

private:
    QSize surfaceSize() const;
    void plot(int x, int y, QRgb colour);

    QImage surface_;
};
