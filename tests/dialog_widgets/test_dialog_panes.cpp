// The effect dialog's panes: what a render draws (overview, marker, photo
// region, the preview pipeline's bytes, swatches), what it leaves in the
// planes, the slow modes with their preview off, region dragging with its
// clamping, when a repaint is requested, the preview following every
// slider move, and a resized dialog keeping its panes 1:1.
#include <map>

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>
#include <QtTest>

#include <omp.h>

#include "DialogTestSupport.h"
#include "dialog/PreviewPipelines.h"
#include "dialog/widgets/CDialogUnSharpMask.h"
#include "dialog/widgets/ColourSwatch.h"
#include "dialog/widgets/ImageCanvas.h"
#include "dialog/widgets/OverviewPane.h"
#include "dialog/widgets/PhotoPane.h"
#include "dialog/widgets/PreviewPane.h"
#include "res/DialogControls.h"

namespace Id = EffectDialogId;

namespace QTest {
template <>
char* toString(const RegionPosition& region)
{
    return QTest::toString(QStringLiteral("region %1, %2").arg(region.x).arg(region.y));
}
} // namespace QTest

namespace {

constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kBlue = qRgb(0, 0, 255);

QRgb shown(const PaneWidget* pane, int x, int y) { return pane->surface().pixel(x, y) | 0xff000000U; }

bool allBytes(const std::vector<std::uint8_t>& plane, std::uint8_t value)
{
    return std::all_of(plane.begin(), plane.end(), [value](std::uint8_t byte) { return byte == value; });
}

QSlider* sliderOf(const CDialogUnSharpMask& dialog, int id) { return qobject_cast<QSlider*>(dialog.control(id)); }

QPoint overviewPoint(const CDialogUnSharpMask& dialog, int x, int y)
{
    return dialog.overviewPane()->geometry().topLeft() + QPoint(x, y);
}

// A 500 x 400 photo: the overview scale is min(210 / 500, 157 / 400) = 0.3925.
constexpr int kWidth = 500;
constexpr int kHeight = 400;
constexpr double kScale = 157.0 / 400.0;

} // namespace

class DialogPanesTest : public QObject {
    Q_OBJECT
private slots:
    void previewPaneShowsPipelineBytes_data();
    void previewPaneShowsPipelineBytes();
    void slowModesWithPreviewOff_data();
    void slowModesWithPreviewOff();
    void overviewAndMarkerOnOpening();
    void dragToOverviewCorners_data();
    void dragToOverviewCorners();
    void markerFollowsDrag();
    void smallPhotoKeepsRegionAtOrigin();
    void movesWithoutPressChangeNothing();
    void squareDragInModeWithoutSampling();
    void swatchesAtPaint();
    void repaintRequestsCoalesce();
    void repaintTriggers();
    void quickRendersLeaveButtonsAndFocusAlone();
    void previewFollowsWheelKeysAndDrags_data();
    void previewFollowsWheelKeysAndDrags();
    void pressAndHoldShowsTheUntouchedRegion();
    void clickInOverviewCentresTheRegion();
    void resizeKeepsPanesOneToOne_data();
    void resizeKeepsPanesOneToOne();
    void canvasFlipsAndReplicatesExactly();
    void smallPhotoEnlargedInOverview();
};

void DialogPanesTest::previewPaneShowsPipelineBytes_data()
{
    QTest::addColumn<int>("mode");
    for (int mode = 1; mode <= 32; ++mode) {
        QTest::addRow("mode %d", mode) << mode;
    }
}

void DialogPanesTest::previewPaneShowsPipelineBytes()
{
    QFETCH(int, mode);
    // Larger than the panes in width, so that the region can move right.
    auto photo = dialogtest::photoLikeRecord(380, 120, 11);
    photo->meanRed = 90.7;
    photo->meanGreen = 120.2;
    photo->meanBlue = 30.9;
    CDialogUnSharpMask dialog(*photo, mode);
    auto* box = qobject_cast<QCheckBox*>(dialog.control(Id::PreviewCheckBox));
    box->setChecked(true);
    dialogtest::pressAt(&dialog, overviewPoint(dialog, 150, 10));
    dialogtest::dragTo(&dialog, overviewPoint(dialog, 150, 10));
    dialogtest::releaseAt(&dialog, overviewPoint(dialog, 150, 10));
    const RegionPosition region = dialog.region();
    QCOMPARE(region, (RegionPosition{20, 0}));

    COvImage2 expected = *photo;
    const EffectValues sliders{sliderOf(dialog, Id::StrengthSlider)->value(),
                               sliderOf(dialog, Id::EffectSlider)->value(),
                               sliderOf(dialog, Id::PrecisionSlider)->value(), dialog.targetColour(),
                               mode == 18 ? dialog.targetColour() : dialog.lightColour()};
    const PreviewRect rect{region.x, region.y, 360, 120};
    QCOMPARE(runPreviewPipeline(expected, mode, sliders, rect, true), PreviewShows::resultRegion);

    dialog.renderPanes();
    QVERIFY(photo->result == expected.result);
    QVERIFY(allBytes(photo->scratch, 0));
    QVERIFY(photo->current == expected.current);
    QVERIFY(photo->resultBackup == expected.resultBackup);
    QCOMPARE(dialog.previewPane()->surface().size(), QSize(360, 120));
    QCOMPARE(dialogtest::compareRegion(dialog.previewPane()->surface(), photo->result, photo->width, region.x,
                                       region.y, 360, 120),
             QString());
    // The photo pane shows the untouched region; only the sampling modes
    // draw their square over it.
    const bool sampling = dialog.control(Id::GetColourButton)->isVisibleTo(&dialog);
    if (!sampling) {
        QCOMPARE(dialogtest::compareRegion(dialog.photoPane()->surface(), photo->current, photo->width, region.x,
                                           region.y, 360, 120),
                 QString());
    } else {
        QCOMPARE(shown(dialog.photoPane(), 0, 0), kBlue);
        QCOMPARE(shown(dialog.photoPane(), 50, 50), kBlue);
        QCOMPARE(dialogtest::compareRegion(dialog.photoPane()->surface().copy(51, 51, 309, 69), photo->current,
                                           photo->width, region.x + 51, region.y, 309, 69),
                 QString());
    }
}

void DialogPanesTest::slowModesWithPreviewOff_data()
{
    QTest::addColumn<int>("mode");
    for (const int mode : {5, 9, 10}) {
        QTest::addRow("mode %d", mode) << mode;
    }
}

void DialogPanesTest::slowModesWithPreviewOff()
{
    QFETCH(int, mode);
    auto photo = dialogtest::photoLikeRecord(120, 90, 5);
    dialogtest::setPixel(photo->result, 120, 3, 3, {1, 2, 3});
    const COvImage2 before = *photo;
    CDialogUnSharpMask dialog(*photo, mode);
    dialog.renderPanes();
    // Nothing ran: result and scratch as they were, the untouched region shown.
    QVERIFY(photo->result == before.result);
    QVERIFY(photo->scratch == before.scratch);
    QCOMPARE(dialogtest::compareRegion(dialog.previewPane()->surface(), photo->current, 120, 0, 0, 120, 90),
             QString());

    // Checking the box repaints with the preview.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy rendered(&dialog, &CDialogUnSharpMask::panesRendered);
    auto* box = qobject_cast<QCheckBox*>(dialog.control(Id::PreviewCheckBox));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    QVERIFY(box->isChecked());
    QTRY_VERIFY(rendered.count() > 0);
    QVERIFY(photo->result != before.result);
    QVERIFY(allBytes(photo->scratch, 0));
    QCOMPARE(dialogtest::compareRegion(dialog.previewPane()->surface(), photo->result, 120, 0, 0, 120, 90),
             QString());
}

void DialogPanesTest::overviewAndMarkerOnOpening()
{
    auto photo = dialogtest::photoLikeRecord(kWidth, kHeight);
    CDialogUnSharpMask dialog(*photo, 8);
    dialog.renderPanes();
    QCOMPARE(dialog.overviewScale(), kScale);

    // The scaled photo: 196 x 157 at the pane's corner, the frame beyond it.
    QImage zoomed(dialog.overviewPane()->size(), QImage::Format_RGB32);
    zoomed.fill(Qt::white);
    ImageCanvas canvas(zoomed);
    photo->drawZoomed(canvas, kScale);
    const OverviewPane* overview = dialog.overviewPane();
    for (const QPoint point : {QPoint(0, 0), QPoint(100, 60), QPoint(195, 100), QPoint(20, 5)}) {
        QCOMPARE(shown(overview, point.x(), point.y()), zoomed.pixel(point) | 0xff000000U);
    }
    QCOMPARE(shown(overview, 209, 10), qRgb(0, 0, 0));
    QCOMPARE(shown(overview, 200, 10), overview->palette().color(QPalette::Window).rgb());

    // Region 0, 0: x1 = 1, x2 = trunc(360 k - 1) = 140, y1 = trunc(400 k - 1)
    // = 156, y2 = trunc(156 - 332 k + 1) = 26.
    for (const QPoint corner : {QPoint(1, 26), QPoint(140, 26), QPoint(1, 156), QPoint(140, 156)}) {
        QCOMPARE(shown(overview, corner.x(), corner.y()), kRed);
    }
    QCOMPARE(shown(overview, 70, 26), kRed);
    QCOMPARE(shown(overview, 1, 100), kRed);
    QVERIFY(shown(overview, 0, 156) != kRed);
    QVERIFY(shown(overview, 141, 156) != kRed);
    QVERIFY(shown(overview, 1, 25) != kRed);
    QVERIFY(shown(overview, 70, 100) != kRed);

    // The photo pane shows the bottom-left corner of the picture.
    QCOMPARE(dialogtest::compareRegion(dialog.photoPane()->surface(), photo->current, kWidth, 0, 0, 360, 332),
             QString());
}

void DialogPanesTest::dragToOverviewCorners_data()
{
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<int>("regionX");
    QTest::addColumn<int>("regionY");
    QTest::addRow("top-left corner") << QPoint(0, 0) << 0 << kHeight - 332;
    QTest::addRow("bottom-left of picture") << QPoint(0, 157) << 0 << 0;
    QTest::addRow("top-right of pane") << QPoint(209, 0) << kWidth - 360 << kHeight - 332;
    QTest::addRow("below and right of picture") << QPoint(205, 156) << kWidth - 360 << 3;
    QTest::addRow("past the pane") << QPoint(400, 300) << kWidth - 360 << 0;
    QTest::addRow("inside") << QPoint(20, 140) << 50 << 44;
    QTest::addRow("left of the pane") << QPoint(-30, 150) << 0 << 18;
    QTest::addRow("too high for the pane") << QPoint(40, 100) << 101 << kHeight - 332;
}

void DialogPanesTest::dragToOverviewCorners()
{
    QFETCH(QPoint, pointer);
    QFETCH(int, regionX);
    QFETCH(int, regionY);
    auto photo = dialogtest::photoLikeRecord(kWidth, kHeight);
    CDialogUnSharpMask dialog(*photo, 2);
    dialogtest::pressAt(&dialog, overviewPoint(dialog, 100, 100));
    QVERIFY(dialog.draggingRegion());
    QVERIFY(!dialog.draggingSquare());
    QCOMPARE(dialog.region(), (RegionPosition{0, 0})); // the press itself moves nothing
    dialogtest::dragTo(&dialog, overviewPoint(dialog, pointer.x(), pointer.y()));
    QCOMPARE(dialog.region(), (RegionPosition{regionX, regionY}));
    dialogtest::releaseAt(&dialog, overviewPoint(dialog, pointer.x(), pointer.y()));
    QVERIFY(!dialog.draggingRegion());

    dialog.renderPanes();
    QCOMPARE(dialogtest::compareRegion(dialog.photoPane()->surface(), photo->current, kWidth, regionX, regionY,
                                       360, 332),
             QString());
}

void DialogPanesTest::markerFollowsDrag()
{
    auto photo = dialogtest::photoLikeRecord(kWidth, kHeight);
    CDialogUnSharpMask dialog(*photo, 2);
    dialog.renderPanes();
    dialogtest::pressAt(&dialog, overviewPoint(dialog, 5, 5));
    dialogtest::dragTo(&dialog, overviewPoint(dialog, 0, 0));
    // Region 0, 68 drawn at once: y1 = trunc(157 - 68 k - 1) = 129, y2 =
    // trunc(129 - 332 k + 1) = 0.
    const OverviewPane* overview = dialog.overviewPane();
    for (const QPoint corner : {QPoint(1, 0), QPoint(140, 0), QPoint(1, 129), QPoint(140, 129)}) {
        QCOMPARE(shown(overview, corner.x(), corner.y()), kRed);
    }
    dialogtest::releaseAt(&dialog, overviewPoint(dialog, 0, 0));
    dialog.renderPanes();
    QCOMPARE(shown(overview, 1, 129), kRed);
    QVERIFY(shown(overview, 1, 156) != kRed); // the old marker is gone
    QVERIFY(shown(overview, 70, 26) != kRed);
}

void DialogPanesTest::smallPhotoKeepsRegionAtOrigin()
{
    auto photo = dialogtest::photoLikeRecord(100, 80);
    CDialogUnSharpMask dialog(*photo, 1);
    dialogtest::pressAt(&dialog, overviewPoint(dialog, 3, 3));
    for (const QPoint point : {QPoint(0, 0), QPoint(209, 156), QPoint(60, 20), QPoint(-50, -50)}) {
        dialogtest::dragTo(&dialog, overviewPoint(dialog, point.x(), point.y()));
        QCOMPARE(dialog.region(), (RegionPosition{0, 0}));
    }
}

void DialogPanesTest::movesWithoutPressChangeNothing()
{
    auto photo = dialogtest::photoLikeRecord(kWidth, kHeight);
    CDialogUnSharpMask dialog(*photo, 2);
    QSignalSpy rendered(&dialog, &CDialogUnSharpMask::panesRendered);
    QVERIFY(dialogtest::showAndSettle(dialog, rendered));
    rendered.clear();

    dialogtest::dragTo(&dialog, overviewPoint(dialog, 0, 0));
    // A press outside the panes holds nothing either.
    dialogtest::pressAt(&dialog, QPoint(5, 5));
    dialogtest::dragTo(&dialog, overviewPoint(dialog, 0, 0));
    dialogtest::releaseAt(&dialog, overviewPoint(dialog, 0, 0));
    dialogtest::waitUntilQuiet(rendered);
    QCOMPARE(dialog.region(), (RegionPosition{0, 0}));
    QCOMPARE(rendered.count(), 0);
    // After a release (here of a click, which moves the region), further
    // moves are ignored.
    dialogtest::pressAt(&dialog, overviewPoint(dialog, 0, 0));
    dialogtest::releaseAt(&dialog, overviewPoint(dialog, 0, 0));
    dialogtest::waitUntilQuiet(rendered);
    const RegionPosition clicked = dialog.region();
    rendered.clear();
    dialogtest::dragTo(&dialog, overviewPoint(dialog, 100, 100));
    dialogtest::waitUntilQuiet(rendered);
    QCOMPARE(dialog.region(), clicked);
    QCOMPARE(rendered.count(), 0);
}

void DialogPanesTest::squareDragInModeWithoutSampling()
{
    auto photo = dialogtest::photoLikeRecord(kWidth, kHeight);
    CDialogUnSharpMask dialog(*photo, 8);
    dialog.renderPanes();
    const QPoint pane = dialog.photoPane()->geometry().topLeft();
    dialogtest::pressAt(&dialog, pane + QPoint(10, 10));
    QVERIFY(dialog.draggingSquare());
    QVERIFY(!dialog.draggingRegion());
    dialogtest::dragTo(&dialog, pane + QPoint(100, 120));
    QCOMPARE(dialog.square(), (SquarePosition{100, 120}));
    // Drawn at once, gone at the next paint in a mode without sampling.
    QCOMPARE(shown(dialog.photoPane(), 100, 120), kBlue);
    QCOMPARE(shown(dialog.photoPane(), 150, 170), kBlue);
    dialogtest::releaseAt(&dialog, pane + QPoint(100, 120));
    QVERIFY(!dialog.draggingSquare());
    dialog.renderPanes();
    QCOMPARE(dialogtest::compareRegion(dialog.photoPane()->surface(), photo->current, kWidth, 0, 0, 360, 332),
             QString());
}

void DialogPanesTest::swatchesAtPaint()
{
    auto photo = dialogtest::photoLikeRecord(kWidth, kHeight);
    {
        CDialogUnSharpMask dialog(*photo, 10);
        dialog.renderPanes();
        const QImage& swatch = dialog.targetSwatch()->surface();
        QCOMPARE(swatch.size(), QSize(57, 30));
        QCOMPARE(swatch.pixel(0, 0) | 0xff000000U, qRgb(250, 214, 186));
        QCOMPARE(swatch.pixel(56, 29) | 0xff000000U, qRgb(250, 214, 186));
    }
    {
        CDialogUnSharpMask dialog(*photo, 15);
        sliderOf(dialog, Id::RedSlider)->setValue(10);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_COMPARE(dialog.lightColour().red, 10);
        dialog.renderPanes();
        const QImage& swatch = dialog.lightSwatch()->surface();
        QCOMPARE(swatch.pixel(0, 0) | 0xff000000U, qRgb(10, 128, 128));
        QCOMPARE(swatch.pixel(swatch.width() - 1, swatch.height() - 1) | 0xff000000U, qRgb(10, 128, 128));
    }
}

void DialogPanesTest::repaintRequestsCoalesce()
{
    auto photo = dialogtest::photoLikeRecord(kWidth, kHeight);
    CDialogUnSharpMask dialog(*photo, 8);
    QSignalSpy rendered(&dialog, &CDialogUnSharpMask::panesRendered);
    QVERIFY(dialogtest::showAndSettle(dialog, rendered));
    rendered.clear();

    // A fast drag: many moves, each asking for a repaint, before one paint.
    dialogtest::pressAt(&dialog, overviewPoint(dialog, 0, 100));
    for (int x = 0; x < 40; ++x) {
        dialogtest::dragTo(&dialog, overviewPoint(dialog, x, 100));
    }
    dialogtest::releaseAt(&dialog, overviewPoint(dialog, 39, 100));
    QTRY_COMPARE(rendered.count(), 1);
    dialogtest::waitUntilQuiet(rendered);
    QCOMPARE(rendered.count(), 1);
    QCOMPARE(dialog.region().x, int(39 / kScale));
}

void DialogPanesTest::repaintTriggers()
{
    auto photo = dialogtest::photoLikeRecord(kWidth, kHeight);
    CDialogUnSharpMask dialog(*photo, 10);
    QSignalSpy rendered(&dialog, &CDialogUnSharpMask::panesRendered);
    QVERIFY(dialogtest::showAndSettle(dialog, rendered));

    const auto expectRender = [&](const char* what, const std::function<void()>& action) {
        rendered.clear();
        action();
        QTRY_VERIFY2(rendered.count() > 0, what);
        dialogtest::waitUntilQuiet(rendered);
    };
    QSlider* strength = sliderOf(dialog, Id::StrengthSlider);
    expectRender("keyboard move", [&] {
        strength->setFocus();
        QTest::keyClick(strength, Qt::Key_Left);
    });
    QCOMPARE(strength->value(), 9);
    // A click on the groove steps the slider, which repaints.
    expectRender("slider click", [&] {
        QTest::mouseClick(strength, Qt::LeftButton, {}, QPoint(2, strength->height() / 2));
    });
    expectRender("check box", [&] {
        auto* box = dialog.control(Id::PreviewCheckBox);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    });
    expectRender("get colour", [&] { qobject_cast<QPushButton*>(dialog.control(Id::GetColourButton))->click(); });
    QSlider* side = sliderOf(dialog, Id::SampleSizeSlider);
    expectRender("sampling slider release", [&] {
        QTest::mouseClick(side, Qt::LeftButton, {}, QPoint(side->width() - 2, side->height() / 2));
    });
    QCOMPARE(dialog.sampleRange(), side->value());
    QVERIFY(side->value() > 50);
    expectRender("square drag", [&] {
        const QPoint pane = dialog.photoPane()->geometry().topLeft();
        dialogtest::pressAt(&dialog, pane + QPoint(5, 5));
        dialogtest::dragTo(&dialog, pane + QPoint(40, 40));
        dialogtest::releaseAt(&dialog, pane + QPoint(40, 40));
    });
}

void DialogPanesTest::quickRendersLeaveButtonsAndFocusAlone()
{
    // A small photo on one worker renders in far less than the noticeable
    // time even on a busy machine, where waking a second worker for each of
    // the pipeline's loops can cost more than the render itself.
    const int workers = omp_get_max_threads();
    omp_set_num_threads(1);
    const auto restoreWorkers = qScopeGuard([workers] { omp_set_num_threads(workers); });
    auto photo = dialogtest::photoLikeRecord(60, 40);
    CDialogUnSharpMask dialog(*photo, 8);
    QWidget* ok = dialog.control(Id::Ok);
    QWidget* cancel = dialog.control(Id::Cancel);

    // Counts the enabled-state changes of both buttons.
    struct EnabledLog : QObject {
        int changes = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            changes += event->type() == QEvent::EnabledChange ? 1 : 0;
            return false;
        }
    } log;
    ok->installEventFilter(&log);
    cancel->installEventFilter(&log);
    QSignalSpy rendered(&dialog, &CDialogUnSharpMask::panesRendered);
    QVERIFY(dialogtest::showAndSettle(dialog, rendered));
    ok->setFocus();
    for (int i = 0; i < 3; ++i) {
        dialog.renderPanes();
    }
    // Nothing flickers while a slider is dragged: OK and Cancel stay usable.
    QCOMPARE(log.changes, 0);
    QVERIFY(ok->isEnabled() && cancel->isEnabled());
    QCOMPARE(dialog.focusWidget(), ok);
}

// A slider moved by the wheel, a key or a drag repaints the preview with its
// new position at once, before (and without) any mouse release.
void DialogPanesTest::previewFollowsWheelKeysAndDrags_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("wheel") << "wheel";
    QTest::newRow("key") << "key";
    QTest::newRow("drag") << "drag";
}

void DialogPanesTest::previewFollowsWheelKeysAndDrags()
{
    QFETCH(QString, action);
    auto photo = dialogtest::photoLikeRecord(kWidth, kHeight);
    CDialogUnSharpMask dialog(*photo, 8);
    QSignalSpy rendered(&dialog, &CDialogUnSharpMask::panesRendered);
    QVERIFY(dialogtest::showAndSettle(dialog, rendered));
    QSlider* strength = sliderOf(dialog, Id::StrengthSlider);
    const int before = strength->value();
    rendered.clear();

    if (action == "wheel") {
        const QPointF centre(strength->width() / 2.0, strength->height() / 2.0);
        QWheelEvent wheel(centre, strength->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(strength, &wheel);
    } else if (action == "key") {
        strength->setFocus();
        QTest::keyClick(strength, Qt::Key_PageUp);
    } else {
        QStyleOptionSlider option;
        option.initFrom(strength);
        option.orientation = Qt::Horizontal;
        option.minimum = strength->minimum();
        option.maximum = strength->maximum();
        option.sliderPosition = strength->value();
        option.sliderValue = strength->value();
        const QRect handle =
            strength->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, strength);
        dialogtest::pressAt(strength, handle.center());
        dialogtest::dragTo(strength, handle.center() + QPoint(30, 0));
    }
    QTRY_VERIFY(rendered.count() > 0);
    dialogtest::waitUntilQuiet(rendered);
    QVERIFY(strength->value() > before);

    const RegionPosition region = dialog.region();
    const QSize pane = dialog.previewPane()->size();
    COvImage2 expected = *photo;
    const EffectValues sliders{strength->value(), sliderOf(dialog, Id::EffectSlider)->value(),
                               sliderOf(dialog, Id::PrecisionSlider)->value(), dialog.targetColour(),
                               dialog.lightColour()};
    runPreviewPipeline(expected, 8, sliders, {region.x, region.y, pane.width(), pane.height()}, true);
    QCOMPARE(dialogtest::compareRegion(dialog.previewPane()->surface(), expected.result, photo->width, region.x,
                                       region.y, pane.width(), pane.height()),
             QString());
    if (action == "drag") {
        dialogtest::releaseAt(strength, QPoint(0, 0));
    }
}

void DialogPanesTest::pressAndHoldShowsTheUntouchedRegion()
{
    auto photo = dialogtest::photoLikeRecord(kWidth, kHeight);
    CDialogUnSharpMask dialog(*photo, 8);
    QSignalSpy rendered(&dialog, &CDialogUnSharpMask::panesRendered);
    QVERIFY(dialogtest::showAndSettle(dialog, rendered));
    const RegionPosition region = dialog.region();
    const QSize pane = dialog.previewPane()->size();
    const auto shows = [&](const std::vector<std::uint8_t>& plane) {
        return dialogtest::compareRegion(dialog.previewPane()->surface(), plane, photo->width, region.x, region.y,
                                         pane.width(), pane.height());
    };
    QCOMPARE(shows(photo->result), QString());

    const QPoint inside = dialog.previewPane()->geometry().center();
    dialogtest::pressAt(&dialog, inside);
    QCOMPARE(shows(photo->current), QString());
    // A repaint while the button is held keeps showing the untouched region.
    rendered.clear();
    dialog.renderPanes();
    QCOMPARE(shows(photo->current), QString());

    dialogtest::releaseAt(&dialog, inside);
    QTRY_VERIFY(rendered.count() > 1);
    QCOMPARE(shows(photo->result), QString());
    QVERIFY(shows(photo->current) != QString());
}

void DialogPanesTest::clickInOverviewCentresTheRegion()
{
    auto photo = dialogtest::photoLikeRecord(kWidth, kHeight);
    CDialogUnSharpMask dialog(*photo, 8);
    const QSize pane = dialog.photoPane()->size();
    // A click in the middle, and one near the top-right corner (clamped).
    dialogtest::pressAt(&dialog, overviewPoint(dialog, 98, 78));
    dialogtest::releaseAt(&dialog, overviewPoint(dialog, 98, 78));
    QVERIFY(std::abs(dialog.region().x + pane.width() / 2 - int(98 / kScale)) <= 3);
    QVERIFY(std::abs(dialog.region().y + pane.height() / 2 - (kHeight - int(78 / kScale))) <= 3);
    dialogtest::pressAt(&dialog, overviewPoint(dialog, 190, 2));
    dialogtest::releaseAt(&dialog, overviewPoint(dialog, 190, 2));
    QCOMPARE(dialog.region(), (RegionPosition{kWidth - pane.width(), kHeight - pane.height()}));
}

// A larger dialog shows more of the photo: the photo and preview panes grow
// alike and show the photo 1:1, one photo pixel per device pixel (what the
// screen gets, not only the panes' surfaces), the region stays inside the
// photo, and no two controls come to overlap. Run once more with
// QT_SCALE_FACTOR=2 for a high-density screen.
void DialogPanesTest::resizeKeepsPanesOneToOne_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("photoSize");
    QTest::addColumn<QSize>("growth");
    QTest::newRow("wider and taller") << 8 << QSize(1500, 1100) << QSize(301, 207);
    QTest::newRow("only taller") << 8 << QSize(1500, 1100) << QSize(0, 150);
    QTest::newRow("panes grow past the photo") << 8 << QSize(421, 383) << QSize(520, 400);
    QTest::newRow("with the light group") << 15 << QSize(1500, 1100) << QSize(301, 207);
}

void DialogPanesTest::resizeKeepsPanesOneToOne()
{
    QFETCH(int, mode);
    QFETCH(QSize, photoSize);
    QFETCH(QSize, growth);
    auto photo = dialogtest::photoLikeRecord(photoSize.width(), photoSize.height());
    CDialogUnSharpMask dialog(*photo, mode);
    QSignalSpy rendered(&dialog, &CDialogUnSharpMask::panesRendered);
    QVERIFY(dialogtest::showAndSettle(dialog, rendered));
    // The region at the picture's top-right corner, where growing panes push it out.
    const QPoint corner = overviewPoint(dialog, dialog.overviewPane()->width() - 1, 0);
    dialogtest::pressAt(&dialog, corner);
    dialogtest::dragTo(&dialog, corner);
    dialogtest::releaseAt(&dialog, corner);
    const QSize paneBefore = dialog.previewPane()->size();
    std::map<int, QRect> before;
    for (const DialogControl& entry : kEffectDialogControls) {
        if (dialog.control(entry.id)->isVisibleTo(&dialog)) {
            before.emplace(entry.id, dialog.control(entry.id)->geometry());
        }
    }

    rendered.clear();
    dialog.resize(dialog.size() + growth);
    QTRY_VERIFY(rendered.count() > 0);
    dialogtest::waitUntilQuiet(rendered);

    const QSize pane = dialog.previewPane()->size();
    QCOMPARE(dialog.photoPane()->size(), pane);
    // What reaches the screen, in device pixels: the region of the photo at
    // the panes' size in device pixels, no more than the photo has.
    const QImage previewShown = dialog.previewPane()->grab().toImage();
    const QImage photoShown = dialog.photoPane()->grab().toImage();
    const qreal ratio = dialog.devicePixelRatio();
    QCOMPARE(previewShown.size(), (pane * ratio));
    const int regionWidth = std::min(previewShown.width(), photo->width);
    const int regionHeight = std::min(previewShown.height(), photo->height);
    // The panes took the room, as far as the photo reaches.
    QVERIFY(pane.width() >= paneBefore.width());
    QVERIFY(pane.height() > paneBefore.height() || regionHeight == photo->height);
    QVERIFY(pane.width() > paneBefore.width() || growth.width() == 0 || regionWidth == photo->width);
    const RegionPosition region = dialog.region();
    QVERIFY(region.x >= 0 && region.y >= 0);
    QVERIFY(region.x + regionWidth <= photo->width && region.y + regionHeight <= photo->height);

    COvImage2 expected = *photo;
    const EffectValues sliders{sliderOf(dialog, Id::StrengthSlider)->value(),
                               sliderOf(dialog, Id::EffectSlider)->value(),
                               sliderOf(dialog, Id::PrecisionSlider)->value(), dialog.targetColour(),
                               dialog.lightColour()};
    runPreviewPipeline(expected, mode, sliders, {region.x, region.y, regionWidth, regionHeight}, true);
    QCOMPARE(dialogtest::compareRegion(previewShown, expected.result, photo->width, region.x, region.y, regionWidth,
                                       regionHeight),
             QString());
    QCOMPARE(dialogtest::compareRegion(photoShown, photo->current, photo->width, region.x, region.y, regionWidth,
                                       regionHeight),
             QString());

    // Shown controls apart at the template size stay apart, inside the dialog.
    for (const auto& [id, rect] : before) {
        const QRect now = dialog.control(id)->geometry();
        QVERIFY2(dialog.rect().contains(now), qPrintable(QString::number(id)));
        for (const auto& [otherId, otherRect] : before) {
            if (otherId != id && !rect.intersects(otherRect)) {
                QVERIFY2(!now.intersects(dialog.control(otherId)->geometry()),
                         qPrintable(QStringLiteral("%1 and %2").arg(id).arg(otherId)));
            }
        }
    }
}

void DialogPanesTest::canvasFlipsAndReplicatesExactly()
{
    // A 2 x 2 bottom-up picture: bottom row red, green; top row blue, white.
    std::vector<std::uint8_t> pixels(2 * rowStride(2), 0);
    dialogtest::setPixel(pixels, 2, 0, 0, {255, 0, 0});
    dialogtest::setPixel(pixels, 2, 1, 0, {0, 255, 0});
    dialogtest::setPixel(pixels, 2, 0, 1, {0, 0, 255});
    dialogtest::setPixel(pixels, 2, 1, 1, {255, 255, 255});
    QImage surface(5, 5, QImage::Format_RGB32);
    surface.fill(qRgb(9, 9, 9));
    ImageCanvas canvas(surface);

    canvas.drawBottomUpBgr(pixels, 2, 2, 0, 0);
    QCOMPARE(surface.pixel(0, 0), qRgb(0, 0, 255));
    QCOMPARE(surface.pixel(1, 1), qRgb(0, 255, 0));
    QCOMPARE(surface.pixel(2, 0), qRgb(9, 9, 9));

    // Stretched to 4 x 4 at 2, 2: each pixel becomes 2 x 2, the rest clipped.
    canvas.drawBottomUpBgr(pixels, 2, 2, 2, 2, 4, 4);
    QCOMPARE(surface.pixel(2, 2), qRgb(0, 0, 255));
    QCOMPARE(surface.pixel(3, 3), qRgb(0, 0, 255));
    QCOMPARE(surface.pixel(4, 3), qRgb(255, 255, 255));
    QCOMPARE(surface.pixel(4, 4), qRgb(0, 255, 0));
    QCOMPARE(surface.pixel(2, 4), qRgb(255, 0, 0));

    // Off the surface to the left and top: only the overlap is drawn.
    canvas.drawBottomUpBgr(pixels, 2, 2, -1, -1);
    QCOMPARE(surface.pixel(0, 0), qRgb(0, 255, 0));
}

void DialogPanesTest::smallPhotoEnlargedInOverview()
{
    // 100 x 80: scale min(2.1, 1.9625) = 1.9625, the picture 196 x 157.
    auto photo = dialogtest::photoLikeRecord(100, 80);
    CDialogUnSharpMask dialog(*photo, 2);
    dialog.renderPanes();
    QCOMPARE(dialog.overviewScale(), 157.0 / 80.0);
    const OverviewPane* overview = dialog.overviewPane();
    // Pane pixel (x, y) repeats photo column x * 100 / 196 of picture row
    // y * 80 / 157 counted from the top.
    QCOMPARE(shown(overview, 100, 100), dialogtest::planePixel(photo->current, 100, 51, 80 - 1 - 50));
    QCOMPARE(shown(overview, 194, 3), dialogtest::planePixel(photo->current, 100, 98, 80 - 1 - 1));
    QCOMPARE(shown(overview, 200, 3), overview->palette().color(QPalette::Window).rgb());
    // The whole photo is the region: the marker is the picture inset by one.
    QCOMPARE(shown(overview, 1, 1), kRed);
    QCOMPARE(shown(overview, 195, 155), kRed);
}

QTEST_MAIN(DialogPanesTest)
#include "test_dialog_panes.moc"
