// The effect dialog's pane arithmetic: the overview scale, the preview region
// chosen by dragging in the overview and its red marker, the panes shrunk to
// a small photo, the layout of a resized dialog, and the sampling square with
// the colour it picks. Pure functions; pane sizes, regions and pointer points
// are in device pixels (one photo pixel each), control rectangles in the
// toolkit's logical pixels. The Qt dialog supplies sizes and points.
#pragma once

#include <cstdint>
#include <optional>

#include "document/EffectValues.h"
#include "engine/ImagePlanes.h"

struct PaneSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PaneSize&, const PaneSize&) = default;
};

// A pointer position relative to a pane's top-left corner, y downward.
struct PanePoint {
    int x = 0;
    int y = 0;
};

// regionX, regionY: first column and first plane row (counted from the
// picture's bottom) of the preview region.
struct RegionPosition {
    int x = 0;
    int y = 0;
    friend bool operator==(const RegionPosition&, const RegionPosition&) = default;
};

// min(W7 / width, H7 / height) in reals: the overview's scale for a photo of
// width x height (both >= 1).
double computeOverviewScale(PaneSize overview, int width, int height);

// A drag step in the overview: the pointer holds the region's lower-left
// corner; the region (photoPane's size) is clamped to the picture, first at
// its right and top edges, then at 0. scale from computeOverviewScale.
RegionPosition regionForPointer(PanePoint pointerInOverview, double scale, PaneSize photoPane, int width,
                                int height);

// The red marker's corners in overview-pane coordinates: the region's outline
// inset by one pixel; y1 is its lower edge, y2 its upper edge. The outline
// runs (x1, y2) -> (x1, y1) -> (x2, y1) -> (x2, y2) -> (x1, y2).
struct MarkerGeometry {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    friend bool operator==(const MarkerGeometry&, const MarkerGeometry&) = default;
};
MarkerGeometry regionMarker(RegionPosition region, double scale, PaneSize photoPane, int height);

// Start-up: each pane narrower than the photo keeps its width, a wider one
// takes the photo's width; likewise heights. Panes never grow.
struct PhotoAndPreviewPanes {
    PaneSize photo;
    PaneSize preview;
};
PhotoAndPreviewPanes shrinkPanesToPhoto(PhotoAndPreviewPanes panes, int width, int height);

// A control's rectangle in the dialog in logical pixels, left and top
// inclusive.
struct ControlRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    friend bool operator==(const ControlRect&, const ControlRect&) = default;
};

// How much larger than its template the dialog is, in logical pixels; >= 0.
struct DialogGrowth {
    int width = 0;
    int height = 0;
};

// The template rectangles a resized dialog is laid out from.
struct DialogTemplate {
    int width = 0;
    ControlRect photoPane;
    ControlRect previewPane;
    // False when the mode shows nothing right of the preview pane (no light
    // group): a grown dialog then lets the panes take that column too.
    bool rightColumnShown = true;
};

// Where a control goes in a dialog grown by `growth`, from its template
// rectangle. The photo and preview panes share the extra width equally (so
// they stay the same size) and take all the extra height; what lies right
// of the preview pane's left edge follows it, what lies right of the preview
// pane follows the dialog's right edge, what lies below the panes follows
// their bottom edge, and whatever stands beside the panes (the light
// swatch) takes their height. An empty right column goes to the panes as
// the dialog grows, up to the template's margin. With no growth every
// control keeps its template rectangle.
ControlRect placeControl(ControlRect atTemplate, const DialogTemplate& layout, DialogGrowth growth);

// A pane's size in device pixels (rounded up) from its logical size.
PaneSize devicePixels(PaneSize logical, double devicePixelRatio);

// The largest logical size of a pane that shows no more device pixels than
// the photo has: ceil(width / devicePixelRatio) x ceil(height / ...). The
// panes are shrunk to it (shrinkPanesToPhoto) and never grow past it.
PaneSize paneLimitForPhoto(int width, int height, double devicePixelRatio);

// The photo pixels a pane shows at 1:1, one per device pixel: its size in
// device pixels, but no more than the photo has.
PaneSize paneRegionSize(PaneSize paneDevicePixels, int width, int height);

// The region after the panes changed from `before` to `after` (region
// sizes): its middle stays where it was, then it is clamped to the photo
// like a drag step.
RegionPosition regionAfterResize(RegionPosition region, PaneSize before, PaneSize after, int width,
                                 int height);

// The rectangle every preview operation works on: the region at the preview
// pane's size.
PreviewRect previewRectangle(RegionPosition region, PaneSize previewPane);

// True when `rect` is non-empty and lies inside the photo, as every preview
// operation requires.
bool rectangleInsidePhoto(const PreviewRect& rect, const ImagePlanes& image);

// squareX, squareY: the sampling square's top-left corner in photo-pane
// pixels, y downward.
struct SquarePosition {
    int x = 0;
    int y = 0;
    friend bool operator==(const SquarePosition&, const SquarePosition&) = default;
};

// A drag step in the photo pane: the square's corner follows the pointer; at
// 0 it stops, and pushed past the far edge it stops one pixel short of it
// (W8 - side - 1). A square larger than the pane can end up negative.
SquarePosition squareForPointer(PanePoint pointerInPhotoPane, PaneSize photoPane, int side);

// The photo pixels under the square: columns regionX + squareX onward and
// plane rows from regionY + H8 - squareY - side upward, side x side.
PreviewRect sampledRectangle(RegionPosition region, int photoPaneHeight, SquarePosition square, int side);

// Get-colour: the average colour of the photo's `current` pixels inside
// `sampled`. Nothing when the rectangle holds no pixel of the photo (a square
// pushed off a 1-pixel photo), so the target colour stays as it was.
std::optional<RgbColour> sampleTargetColour(const ImagePlanes& image, const PreviewRect& sampled);

// A packed colour blue x 65536 + green x 256 + red as three components.
RgbColour colourFromReference(std::uint32_t packed);
