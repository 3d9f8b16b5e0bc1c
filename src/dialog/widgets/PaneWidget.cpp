// Surface handling shared by the panes and swatches: the control look, fills,
// exact 1-pixel outlines, and showing the surface unscaled.
#include "dialog/widgets/PaneWidget.h"


#include <QPainter>

PaneWidget::PaneWidget(int controlId, QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // The pane paints every pixel itself, so an update never repaints the dialog behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(QString::number(controlId));
}

PaneSize PaneWidget::deviceSize() const { return devicePixels({width(), height()}, devicePixelRatio()); }

QSize PaneWidget::surfaceSize() const
{
    const PaneSize device = deviceSize();
    return {device.width, device.height};
}

QImage& PaneWidget::mutableSurface()
{
    if (surface_.size() != surfaceSize() || surface_.devicePixelRatio() != devicePixelRatio()) {
        paintControlLook();
    }
    return surface_;
}

void PaneWidget::paintControlLook()
{
    if (surface_.size() != surfaceSize() || surface_.devicePixelRatio() != devicePixelRatio()) {
        surface_ = QImage(surfaceSize(), QImage::Format_RGB32);
        surface_.setDevicePixelRatio(devicePixelRatio());
    }
    surface_.fill(palette().color(QPalette::Window));
    const int right = surface_.width() - 1;
    const int bottom = surface_.height() - 1;
    const QPoint frame[] = {{0, 0}, {right, 0}, {right, bottom}, {0, bottom}, {0, 0}};
    drawOutline(frame, qRgb(0, 0, 0));
}

void PaneWidget::fill(QColor colour)
{
    mutableSurface().fill(colour);
    update();
}

void PaneWidget::drawOutline(std::span<const QPoint> corners, QRgb colour)
{
    for (std::size_t i = 1; i < corners.size(); ++i) {
        const QPoint from = corners[i - 1];
        const QPoint to = corners[i];
        if (from.x() != to.x() && from.y() != to.y()) {
            continue; // the dialog draws only horizontal and vertical lines
        }
        const int stepX = (to.x() > from.x()) - (to.x() < from.x());
        const int stepY = (to.y() > from.y()) - (to.y() < from.y());
        for (QPoint point = from; point != to; point += QPoint(stepX, stepY)) {
            plot(point.x(), point.y(), colour);
        }
    }
    update();
}

void PaneWidget::plot(int x, int y, QRgb colour)
{
    mutableSurface();
    if (x >= 0 && y >= 0 && x < surface_.width() && y < surface_.height()) {
        reinterpret_cast<QRgb*>(surface_.scanLine(y))[x] = colour;
    }
}

void PaneWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // The surface carries the device pixel ratio, so it lands unscaled; the
    // painter is clipped to the area to repaint.
    painter.drawImage(QPointF(0, 0), mutableSurface());
}
