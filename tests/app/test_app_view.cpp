// The image view: the fit zoom and the scroll layout of the display modes,
// the frame's and the view's resize rules, and painting (only the visible
// part, with the bytes of the whole).
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QWheelEvent>

#include "AppTestSupport.h"
#include "app/CFotraView.h"
#include "app/QtCanvas.h"
#include "res/ResourceIds.h"

using apptest::FrameFixture;

namespace {

// Resizes the frame so that the view's client area becomes `client`.
void setClientSize(CMainFrame& frame, QSize client)
{
    CFotraView& view = frame.view();
    for (int attempt = 0; attempt < 4 && view.viewport()->size() != client; ++attempt) {
        const QSize delta = client - view.viewport()->size();
        frame.resize(frame.size() + delta);
    }
    QCOMPARE(view.viewport()->size(), client);
}

QImage renderView(CFotraView& view)
{
    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    view.viewport()->render(&image);
    return image;
}

QRgb expectedRgb(int x, int y)
{
    const auto pixel = apptest::syntheticPixel(x, y);
    return qRgb(pixel[2], pixel[1], pixel[0]);
}

} // namespace

class TestView : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        fixture_ = std::make_unique<FrameFixture>();
        fixture_->frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(fixture_->frame.get()));
    }
    void cleanup() { fixture_.reset(); }

    void startsAtOneToOne()
    {
        const CFotraView& view = fixture_->frame->view();
        QCOMPARE(view.zoom, 1.0);
        QCOMPARE(view.fitToWindow, false);
        QCOMPARE(theView, &fixture_->frame->view());
    }

    // Until a photo opens the view says how to open one.
    void emptyViewShowsHowToOpenAPhoto()
    {
        CFotraView& view = fixture_->frame->view();
        const auto distinctColours = [&view] {
            const QImage shown = view.viewport()->grab().toImage();
            QSet<QRgb> colours;
            for (int y = 0; y < shown.height(); y += 2) {
                for (int x = 0; x < shown.width(); x += 2) {
                    colours.insert(shown.pixel(x, y));
                }
            }
            return colours.size();
        };
        QVERIFY(CFotraView::emptyViewHint().contains("Ctrl+O"));
        QVERIFY(distinctColours() > 1);
    }

    // Ctrl+wheel and Ctrl+plus/minus step through the zoom steps around the
    // pointer; the status bar shows the zoom; 等倍で表示 returns to 1:1.
    void zoomSteps()
    {
        setClientSize(*fixture_->frame, QSize(600, 400));
        QVERIFY(fixture_->openPhoto(2000, 1500));
        CFotraView& view = fixture_->frame->view();
        QCOMPARE(fixture_->frame->zoomText(), QString("100%"));

        const QPoint anchor(100, 80);
        const QPointF underPointer = QPointF(view.scrollPosition() + anchor) / view.zoom;
        const auto ctrlWheel = [&view, anchor](int delta) {
            QWheelEvent wheel(anchor, view.viewport()->mapToGlobal(anchor), {}, {0, delta}, Qt::NoButton,
                              Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(view.viewport(), &wheel);
        };
        ctrlWheel(120);
        QCOMPARE(view.zoom, 1.5);
        QCOMPARE(view.scrollTotal(), QSize(3000, 2250));
        const QPointF nowUnder = QPointF(view.scrollPosition() + anchor) / view.zoom;
        QVERIFY(std::abs(nowUnder.x() - underPointer.x()) < 1 && std::abs(nowUnder.y() - underPointer.y()) < 1);
        QCOMPARE(fixture_->frame->zoomText(), QString("150%"));
        QVERIFY(fixture_->frame->commandUi(res::ID_VIEW_ACTUAL_SIZE).enabled);

        ctrlWheel(-120);
        ctrlWheel(-120);
        QCOMPARE(view.zoom, 2.0 / 3.0);
        QCOMPARE(fixture_->frame->zoomText(), QString("67%"));
        fixture_->frame->routeCommand(res::ID_VIEW_ACTUAL_SIZE);
        QCOMPARE(view.zoom, 1.0);
        QVERIFY(!fixture_->frame->commandUi(res::ID_VIEW_ACTUAL_SIZE).enabled);

        // From fit mode the next step in either direction; no step past the last.
        fixture_->frame->routeCommand(res::ID_VIEW_FIT_TO_WINDOW);
        const double fit = view.zoom;
        view.zoomStep(1, {});
        QVERIFY(!view.fitToWindow);
        QCOMPARE(view.zoom, *std::upper_bound(std::begin(CFotraView::kZoomSteps), std::end(CFotraView::kZoomSteps), fit));
        for (int step = 0; step < 20; ++step) {
            view.zoomStep(-1, {});
        }
        QCOMPARE(view.zoom, CFotraView::kZoomSteps[0]);

        // The plain wheel scrolls 120 pixels a notch.
        fixture_->frame->routeCommand(res::ID_VIEW_ACTUAL_SIZE);
        const int top = view.scrollPosition().y();
        QWheelEvent wheel(anchor, view.viewport()->mapToGlobal(anchor), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.viewport(), &wheel);
        QCOMPARE(view.scrollPosition().y(), top + 120);
        QCOMPARE(view.zoom, 1.0);
    }

    void fitZoom_data()
    {
        QTest::addColumn<QSize>("photo");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QSize>("picture");
        QTest::newRow("large photo shrinks to the height") << QSize(4000, 3000) << QSize(1000, 600) << 0.2
                                                           << QSize(800, 600);
        QTest::newRow("small photo grows to the width") << QSize(100, 50) << QSize(1000, 600) << 10.0
                                                        << QSize(1000, 500);
        QTest::newRow("equal ratios") << QSize(500, 300) << QSize(1000, 600) << 2.0 << QSize(1000, 600);
    }
    void fitZoom()
    {
        QFETCH(QSize, photo);
        QFETCH(QSize, client);
        QFETCH(double, zoom);
        QFETCH(QSize, picture);
        setClientSize(*fixture_->frame, client);
        QVERIFY(fixture_->openPhoto(photo.width(), photo.height()));
        CFotraView& view = fixture_->frame->view();
        fixture_->frame->routeCommand(res::ID_VIEW_FIT_TO_WINDOW);

        QCOMPARE(view.fitToWindow, true);
        QCOMPARE(view.zoom, zoom);
        QCOMPARE(view.scrollTotal(), QSize(1, 1));
        QVERIFY(!view.horizontalScrollBar()->isVisible());
        QVERIFY(!view.verticalScrollBar()->isVisible());
        QCOMPARE(view.viewport()->size(), client);
        const QSize painted(static_cast<int>(view.zoom * photo.width()), static_cast<int>(view.zoom * photo.height()));
        QCOMPARE(painted, picture);
    }

    void oneToOneScrollsToTheMiddle()
    {
        QVERIFY(fixture_->openPhoto(3000, 2000));
        CFotraView& view = fixture_->frame->view();
        // The client area of 1000 x 800 is what remains beside the scroll bars.
        const QSize bars(view.verticalScrollBar()->sizeHint().width(), view.horizontalScrollBar()->sizeHint().height());
        fixture_->frame->resize(fixture_->frame->size() + QSize(1000, 800) + bars - view.size());
        QCOMPARE(view.viewport()->size(), QSize(1000, 800));
        view.updateScrollLayout();
        QCOMPARE(view.scrollTotal(), QSize(3000, 2000));
        QCOMPARE(view.scrollPosition(), QPoint(1000, 600));
    }

    void smallPhotoSitsTopLeftWithoutBars()
    {
        setClientSize(*fixture_->frame, QSize(1000, 600));
        QVERIFY(fixture_->openPhoto(300, 200));
        CFotraView& view = fixture_->frame->view();
        QCOMPARE(view.scrollPosition(), QPoint(0, 0));
        QVERIFY(!view.horizontalScrollBar()->isVisible());
        QVERIFY(!view.verticalScrollBar()->isVisible());
        const QImage shown = renderView(view);
        QCOMPARE(shown.pixel(0, 0), expectedRgb(0, 0));
        QCOMPARE(shown.pixel(299, 199), expectedRgb(299, 199));
        QCOMPARE(shown.pixel(300, 10), view.palette().color(QPalette::Base).rgb());
    }

    void fitThenOneToOneResetsZoomExactly()
    {
        setClientSize(*fixture_->frame, QSize(700, 500));
        QVERIFY(fixture_->openPhoto(333, 777));
        CFotraView& view = fixture_->frame->view();
        fixture_->frame->routeCommand(res::ID_VIEW_FIT_TO_WINDOW);
        QVERIFY(view.zoom != 1.0);
        fixture_->frame->routeCommand(res::ID_VIEW_ACTUAL_SIZE);
        QCOMPARE(view.zoom, 1.0);
        QCOMPARE(view.fitToWindow, false);
        QCOMPARE(view.scrollTotal(), QSize(333, 777));
    }

    void displayCommandsWithoutPhotoSwitchOnlyTheMode()
    {
        CFotraView& view = fixture_->frame->view();
        fixture_->frame->routeCommand(res::ID_VIEW_FIT_TO_WINDOW);
        QCOMPARE(view.fitToWindow, true);
        QCOMPARE(view.zoom, 1.0);
        QCOMPARE(view.computeFitZoom(), false);
    }

    void frameResizeWithoutPhotoKeepsZoom()
    {
        CFotraView& view = fixture_->frame->view();
        fixture_->frame->routeCommand(res::ID_VIEW_FIT_TO_WINDOW);
        setClientSize(*fixture_->frame, QSize(640, 480));
        setClientSize(*fixture_->frame, QSize(900, 300));
        QCOMPARE(view.zoom, 1.0);
    }

    void frameResizeRefitsInFitMode()
    {
        setClientSize(*fixture_->frame, QSize(1000, 600));
        QVERIFY(fixture_->openPhoto(4000, 3000));
        fixture_->frame->routeCommand(res::ID_VIEW_FIT_TO_WINDOW);
        QCOMPARE(fixture_->frame->view().zoom, 0.2);
        setClientSize(*fixture_->frame, QSize(800, 900));
        QCOMPARE(fixture_->frame->view().zoom, 800.0 / 4000.0);
        setClientSize(*fixture_->frame, QSize(2000, 600));
        QCOMPARE(fixture_->frame->view().zoom, 600.0 / 3000.0);
        setClientSize(*fixture_->frame, QSize(1200, 1500));
        QCOMPARE(fixture_->frame->view().zoom, 1200.0 / 4000.0);
    }

    void frameResizeRecentresInOneToOne()
    {
        QVERIFY(fixture_->openPhoto(3000, 2000));
        CFotraView& view = fixture_->frame->view();
        view.horizontalScrollBar()->setValue(0);
        view.verticalScrollBar()->setValue(0);
        fixture_->frame->resize(fixture_->frame->size() + QSize(40, 30));
        const QSize client = view.viewport()->size();
        QCOMPARE(view.scrollPosition(), QPoint((3000 - client.width()) / 2, (2000 - client.height()) / 2));
    }

    void maximisedChangeRefits()
    {
        QVERIFY(fixture_->openPhoto(4000, 3000));
        fixture_->frame->routeCommand(res::ID_VIEW_FIT_TO_WINDOW);
        fixture_->frame->showMaximized();
        QTRY_VERIFY(fixture_->frame->isMaximized());
        const QSize client = fixture_->frame->view().viewport()->size();
        QCOMPARE(fixture_->frame->view().zoom,
                 std::min(static_cast<double>(client.height()) / 3000.0, static_cast<double>(client.width()) / 4000.0));
    }

    void paintsThePhotoAtTheZoom()
    {
        setClientSize(*fixture_->frame, QSize(1000, 600));
        QVERIFY(fixture_->openPhoto(100, 50));
        CFotraView& view = fixture_->frame->view();
        fixture_->frame->routeCommand(res::ID_VIEW_FIT_TO_WINDOW);
        const QImage shown = renderView(view);
        // Zoom 10: every photo pixel becomes a 10 x 10 block.
        for (const QPoint point : {QPoint(0, 0), QPoint(15, 7), QPoint(999, 499), QPoint(505, 250)}) {
            QCOMPARE(shown.pixel(point), expectedRgb(point.x() / 10, point.y() / 10));
        }
        // Below the picture the background shows.
        QCOMPARE(shown.pixel(10, 550), view.palette().color(QPalette::Base).rgb());
    }

    void paintsScrolledPartAtOneToOne()
    {
        QVERIFY(fixture_->openPhoto(3000, 2000));
        CFotraView& view = fixture_->frame->view();
        const QPoint position = view.scrollPosition();
        QVERIFY(position.x() > 0 && position.y() > 0);
        const QImage shown = renderView(view);
        QCOMPARE(shown.pixel(0, 0), expectedRgb(position.x(), position.y()));
        QCOMPARE(shown.pixel(17, 29), expectedRgb(position.x() + 17, position.y() + 29));
    }

    // A scroll moves the pixels still in view and paints only the strips it
    // uncovers: the window then shows what a fresh paint of the view shows.
    void scrolledViewShowsWhatAFreshPaintShows()
    {
        QVERIFY(fixture_->openPhoto(3000, 2000));
        setClientSize(*fixture_->frame, {400, 300});
        CFotraView& view = fixture_->frame->view();
        QCoreApplication::sendPostedEvents();
        for (const QPoint step : {QPoint(24, 24), QPoint(-7, 0), QPoint(0, -130), QPoint(31, -5)}) {
            view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->value() + step.x());
            view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() + step.y());
            QCoreApplication::sendPostedEvents();
        }
        const QPoint corner = view.viewport()->mapTo(fixture_->frame.get(), QPoint(0, 0));
        const QImage shown = view.screen()
                                 ->grabWindow(fixture_->frame->winId(), corner.x(), corner.y(),
                                              view.viewport()->width(), view.viewport()->height())
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown, renderView(view));
    }

    // Painting any part of a picture gives exactly the pixels of that part
    // of the whole picture, stretched or not.
    void canvasPaintsVisiblePartWithSameBytes_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("stretch");
        QTest::newRow("1:1, odd width") << QSize(37, 23) << QSize(0, 0);
        QTest::newRow("enlarged 3x") << QSize(13, 9) << QSize(39, 27);
        QTest::newRow("enlarged, uneven") << QSize(7, 5) << QSize(50, 33);
    }
    void canvasPaintsVisiblePartWithSameBytes()
    {
        QFETCH(QSize, source);
        QFETCH(QSize, stretch);
        const int stride = static_cast<int>(rowStride(source.width()));
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride * source.height()));
        for (std::size_t index = 0; index < pixels.size(); ++index) {
            pixels[index] = static_cast<std::uint8_t>(index * 37 + 11);
        }
        const QSize painted = stretch.isEmpty() ? source : stretch;
        const auto paint = [&](const QList<QRect>& parts) {
            QImage image(painted + QSize(6, 6), QImage::Format_RGB32);
            image.fill(Qt::black);
            for (const QRect& part : parts) {
                QPainter painter(&image);
                QtCanvas canvas(painter, part);
                canvas.drawBottomUpBgr(pixels, source.width(), source.height(), 3, 2, stretch.width(),
                                       stretch.height());
            }
            return image;
        };
        const QImage whole = paint({QRect(QPoint(0, 0), painted + QSize(6, 6))});
        const QImage pieces = paint({QRect(0, 0, 10, 200), QRect(10, 0, 300, 8), QRect(10, 8, 300, 300)});
        QCOMPARE(pieces, whole);
        // Top-left picture pixel: the first pixel of the last stored row.
        const std::uint8_t* topRow = pixels.data() + static_cast<std::size_t>(stride) * (source.height() - 1);
        QCOMPARE(whole.pixel(3, 2), qRgb(topRow[2], topRow[1], topRow[0]));
        // Bottom-right picture pixel: the last pixel of the first stored row.
        const std::uint8_t* last = pixels.data() + 3 * (source.width() - 1);
        QCOMPARE(whole.pixel(3 + painted.width() - 1, 2 + painted.height() - 1), qRgb(last[2], last[1], last[0]));
        QCOMPARE(whole.pixel(3 + painted.width(), 2), qRgb(0, 0, 0));
    }

private:
    std::unique_ptr<FrameFixture> fixture_;
};

FOTRA_APP_TEST_MAIN(TestView)
#include "test_app_view.moc"
