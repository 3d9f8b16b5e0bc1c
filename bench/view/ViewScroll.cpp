// The view's repaint while the user drags a scroll bar over a 24-megapixel
// photo at 1:1, and the same in fit-to-window mode: each iteration moves the
// scroll bars one step and repaints the viewport at once, as a drag does.
// Each is timed with the photo untagged (sRGB: no colour transform) and
// tagged Display P3 (every painted pixel converted to sRGB), so that the
// two give the colour management's share of a paint.
// Runs on the offscreen platform, whose backing store is a raster image as
// on an X11 desktop.
#include <cstdint>
#include <cstdlib>
#include <tuple>
#include <vector>

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <benchmark/benchmark.h>

#include "app/AppTestSupport.h"
#include "app/CFotraView.h"
#include "support/ColourProfiles.h"

namespace {

constexpr int kPhotoWidth = 6000;
constexpr int kPhotoHeight = 4000;

void scrollAndRepaint(benchmark::State& state, apptest::FrameFixture& fixture, bool fit,
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
        view.viewport()->repaint();
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
    for (const auto& [name, fit, profile] : {std::tuple{"ViewScroll/actualSize", false, std::vector<std::uint8_t>{}},
                                             {"ViewScroll/fitToWindow", true, std::vector<std::uint8_t>{}},
                                             {"ViewScroll/actualSizeDisplayP3", false, displayP3},
                                             {"ViewScroll/fitToWindowDisplayP3", true, displayP3}}) {
        benchmark::RegisterBenchmark(name, [&fixture, fit, profile](benchmark::State& state) {
            scrollAndRepaint(state, fixture, fit, profile);
        })->UseRealTime()->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
