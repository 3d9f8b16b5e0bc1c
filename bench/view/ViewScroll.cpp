// The view's repaint while the user drags a scroll bar over a 24-megapixel
// photo at 1:1, and in fit-to-window mode: each iteration moves the scroll
// bars one step and repaints at once. "whole" repaints the whole viewport
// (as an expose or a zoom does; fit-to-window has no scroll bars); "drag"
// paints what the scroll itself asks for: the pixels still in view move and
// only the uncovered strips are painted. Run "drag" with QT_NO_FAST_SCROLL=1
// too to see what the moving saves. Each is timed with the photo untagged
// (sRGB: no colour transform) and tagged Display P3 (every painted pixel
// converted to sRGB), so that the two give the colour management's share of
// a paint. Runs on the offscreen platform, whose backing store is a raster
// image as on an X11 desktop.
#include <cstdint>
#include <cstdlib>
#include <tuple>
#include <vector>

#include <QApplication>
#include <QCoreApplication>
#include <QScrollBar>
#include <QTest>

#include <benchmark/benchmark.h>

#include "app/AppTestSupport.h"
#include "app/CFotraView.h"
#include "support/ColourProfiles.h"

namespace {

constexpr int kPhotoWidth = 6000;
constexpr int kPhotoHeight = 4000;

enum class Paint { Whole, Drag };

void scrollAndRepaint(benchmark::State& state, apptest::FrameFixture& fixture, bool fit, Paint paint,
                      const std::vector<std::uint8_t>& profile)
{
    fixture.document.photo()->colourProfile = profile;
    CFotraView& view = fixture.frame->view();
    view.fitToWindow = fit;
    view.computeFitZoom();
    view.updateScrollLayout();
    QScrollBar& horizontal = *view.horizontalScrollBar();
    QScrollBar& vertical = *view.verticalScrollBar();
    int step = 0;
    for (auto _ : state) {
        // Diagonal steps of 24 pixels, back and forth across the photo.
        ++step;
        horizontal.setValue((step * 24) % (horizontal.maximum() + 1));
        vertical.setValue((step * 24) % (vertical.maximum() + 1));
        if (paint == Paint::Whole) {
            view.viewport()->repaint();
        } else {
            QCoreApplication::sendPostedEvents();
        }
    }
    state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                        benchmark::Counter::kIsRate);
}

} // namespace

int main(int argc, char* argv[])
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    apptest::isolateEnvironment();
    QApplication application(argc, argv);
    apptest::FrameFixture fixture;
    fixture.frame->resize(1920, 1080);
    fixture.frame->show();
    if (!QTest::qWaitForWindowExposed(fixture.frame.get()) || !fixture.openPhoto(kPhotoWidth, kPhotoHeight)) {
        return 1;
    }
    const std::vector<std::uint8_t> displayP3 = testsupport::displayP3Profile();
    const std::vector<std::uint8_t> none;
    for (const auto& [name, fit, paint, profile] :
         {std::tuple{"ViewScroll/actualSize/whole", false, Paint::Whole, &none},
          {"ViewScroll/actualSize/drag", false, Paint::Drag, &none},
          {"ViewScroll/fitToWindow/whole", true, Paint::Whole, &none},
          {"ViewScroll/actualSizeDisplayP3/whole", false, Paint::Whole, &displayP3},
          {"ViewScroll/actualSizeDisplayP3/drag", false, Paint::Drag, &displayP3},
          {"ViewScroll/fitToWindowDisplayP3/whole", true, Paint::Whole, &displayP3}}) {
        benchmark::RegisterBenchmark(name, [&fixture, fit, paint, profile](benchmark::State& state) {
            scrollAndRepaint(state, fixture, fit, paint, *profile);
        })->UseRealTime()->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
