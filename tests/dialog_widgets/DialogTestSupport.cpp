// Helpers of the effect-dialog tests.
#include "DialogTestSupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "support/TestImages.h"

namespace dialogtest {

std::unique_ptr<COvImage2> photoLikeRecord(int width, int height, std::uint32_t seed)
{
    auto record = std::make_unique<COvImage2>();
    static_cast<ImagePlanes&>(*record) = testsupport::photoLikeImage(width, height, seed);
    return record;
}

std::unique_ptr<COvImage2> uniformRecord(int width, int height, RgbColour colour)
{
    auto record = std::make_unique<COvImage2>();
    record->allocatePlanes(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            setPixel(record->current, width, x, y, colour);
        }
    }
    return record;
}

void setPixel(std::vector<std::uint8_t>& plane, int width, int x, int y, RgbColour colour)
{
    std::uint8_t* pixel = plane.data() + static_cast<std::size_t>(y) * rowStride(width) + 3 * x;
    pixel[0] = static_cast<std::uint8_t>(colour.blue);
    pixel[1] = static_cast<std::uint8_t>(colour.green);
    pixel[2] = static_cast<std::uint8_t>(colour.red);
}

QRgb planePixel(const std::vector<std::uint8_t>& plane, int width, int x, int y)
{
    const std::uint8_t* pixel = plane.data() + static_cast<std::size_t>(y) * rowStride(width) + 3 * x;
    return qRgb(pixel[2], pixel[1], pixel[0]);
}

QString compareRegion(const QImage& surface, const std::vector<std::uint8_t>& plane, int width, int x0, int y0,
                      int w, int h)
{
    if (surface.width() < w || surface.height() < h) {
        return QStringLiteral("surface %1 x %2 smaller than the region").arg(surface.width()).arg(surface.height());
    }
    for (int row = 0; row < h; ++row) {
        const int planeRow = y0 + h - 1 - row;
        for (int column = 0; column < w; ++column) {
            const QRgb expected = planePixel(plane, width, x0 + column, planeRow);
            const QRgb shown = surface.pixel(column, row) | 0xff000000U;
            if (shown != expected) {
                return QStringLiteral("pane pixel (%1, %2): shows %3, plane has %4")
                    .arg(column)
                    .arg(row)
                    .arg(shown, 8, 16)
                    .arg(expected, 8, 16);
            }
        }
    }
    return {};
}

namespace {

void sendMouse(QWidget* widget, QEvent::Type type, QPoint point, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(point), QPointF(widget->mapToGlobal(point)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

void pressAt(QWidget* widget, QPoint point) { sendMouse(widget, QEvent::MouseButtonPress, point, Qt::LeftButton); }
void dragTo(QWidget* widget, QPoint point) { sendMouse(widget, QEvent::MouseMove, point, Qt::LeftButton); }
void releaseAt(QWidget* widget, QPoint point)
{
    sendMouse(widget, QEvent::MouseButtonRelease, point, Qt::NoButton);
}

void waitUntilQuiet(QSignalSpy& spy)
{
    for (int round = 0; round < 40; ++round) {
        const qsizetype seen = spy.count();
        QTest::qWait(50);
        if (spy.count() == seen) {
            return;
        }
    }
}

bool showAndSettle(QWidget& widget, QSignalSpy& rendered)
{
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget) || !QTest::qWaitFor([&] { return rendered.count() > 0; })) {
        return false;
    }
    waitUntilQuiet(rendered);
    return true;
}

MessageBoxCatcher::MessageBoxCatcher()
{
    connect(&timer_, &QTimer::timeout, this, &MessageBoxCatcher::closeModalBox);
    timer_.start(10);
}

void MessageBoxCatcher::closeModalBox()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
        return;
    }
    ++count_;
    caption_ = box->windowTitle();
    text_ = box->text();
    box->accept();
}

} // namespace dialogtest
