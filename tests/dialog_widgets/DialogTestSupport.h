// Helpers of the effect-dialog tests: photos as image records, mouse events
// sent straight to the dialog, plane pixels and pane comparisons, and
// closing the message boxes the dialog opens.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>

#include "document/EffectValues.h"
#include "image/COvImage2.h"

class QSignalSpy;
class QWidget;

namespace dialogtest {

// A record holding a photo-like picture of width x height (idle planes).
std::unique_ptr<COvImage2> photoLikeRecord(int width, int height, std::uint32_t seed = 7);
// A record whose every pixel has one colour.
std::unique_ptr<COvImage2> uniformRecord(int width, int height, RgbColour colour);

// Sets the pixel (column x, plane row y counted from the bottom) of a plane.
void setPixel(std::vector<std::uint8_t>& plane, int width, int x, int y, RgbColour colour);
QRgb planePixel(const std::vector<std::uint8_t>& plane, int width, int x, int y);

// Empty when the surface shows, at its top-left corner, the w x h region
// of `plane` whose first column is x0 and first plane row y0 (upright);
// otherwise the first differing pixel.
QString compareRegion(const QImage& surface, const std::vector<std::uint8_t>& plane, int width, int x0, int y0,
                      int w, int h);

// Left-button events at a point of `widget`, delivered to it directly.
void pressAt(QWidget* widget, QPoint point);
void dragTo(QWidget* widget, QPoint point);
void releaseAt(QWidget* widget, QPoint point);

// Waits until `spy` has seen no new signal for 50 ms (at most 2 s), so that
// the paints of showing and activating a window are over.
void waitUntilQuiet(QSignalSpy& spy);

// Shows the widget and waits until it is exposed, has painted its panes
// (`rendered` saw a signal) and has settled. False when any of it fails.
bool showAndSettle(QWidget& widget, QSignalSpy& rendered);

// While alive, closes every modal message box that opens and remembers its
// caption and text.
class MessageBoxCatcher : public QObject {
    Q_OBJECT
public:
    MessageBoxCatcher();
    int count() const { return count_; }
    QString caption() const { return caption_; }
    QString text() const { return text_; }

private:
    void closeModalBox();
    QTimer timer_;
    int count_ = 0;
    QString caption_;
    QString text_;
};

} // namespace dialogtest
