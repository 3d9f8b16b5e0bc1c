// Colour sampling in the effect dialog: dragging the square with its edge
// rules, the square's side from slider 1016, get-colour on known pixels
// (uniform areas, truncated means, the exact pixel count, squares hanging off
// a small photo), and which colours follow the sample in modes 10, 18 and 30.
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include "DialogTestSupport.h"
#include "dialog/widgets/CDialogUnSharpMask.h"
#include "dialog/widgets/ColourSwatch.h"
#include "dialog/widgets/OverviewPane.h"
#include "dialog/widgets/PhotoPane.h"
#include "res/DialogControls.h"

namespace Id = EffectDialogId;

namespace QTest {
template <>
char* toString(const SquarePosition& square)
{
    return QTest::toString(QStringLiteral("square %1, %2").arg(square.x).arg(square.y));
}
template <>
char* toString(const RgbColour& colour)
{
    return QTest::toString(QStringLiteral("rgb %1, %2, %3").arg(colour.red).arg(colour.green).arg(colour.blue));
}
} // namespace QTest

namespace {

QSlider* sliderOf(const CDialogUnSharpMask& dialog, int id) { return qobject_cast<QSlider*>(dialog.control(id)); }

void dragSquare(CDialogUnSharpMask& dialog, QPoint from, QPoint to)
{
    const QPoint pane = dialog.photoPane()->geometry().topLeft();
    dialogtest::pressAt(&dialog, pane + from);
    dialogtest::dragTo(&dialog, pane + to);
    dialogtest::releaseAt(&dialog, pane + to);
}

void getColour(CDialogUnSharpMask& dialog)
{
    qobject_cast<QPushButton*>(dialog.control(Id::GetColourButton))->click();
}

// Sets slider 1016 and releases the mouse over it, as the end of a drag does.
void releaseSideSlider(CDialogUnSharpMask& dialog, int side)
{
    QSlider* slider = sliderOf(dialog, Id::SampleSizeSlider);
    slider->setValue(side);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(slider->mapToGlobal(QPoint(1, 1))),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &release);
}

} // namespace

class DialogSamplingTest : public QObject {
    Q_OBJECT
private slots:
    void squareFollowsPointer_data();
    void squareFollowsPointer();
    void squareLargerThanPane();
    void squareOffOnePixelPhotoKeepsTarget();
    void sideChangesOnlyOnRelease();
    void uniformAreaGivesItsColour();
    void meansAreTruncated();
    void sideTenAveragesExactlyHundredPixels();
    void sampleFollowsRegionAndSquare();
    void lightColourFollowsTarget_data();
    void lightColourFollowsTarget();
    void regionDragKeepsSwatchColour();
};

void DialogSamplingTest::squareFollowsPointer_data()
{
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QPoint>("corner");
    // Pane 360 x 332, side 50.
    QTest::addRow("example: 340 gives 309") << QPoint(340, 10) << QPoint(309, 10);
    QTest::addRow("exactly W8 - side stays") << QPoint(310, 282) << QPoint(310, 282);
    QTest::addRow("one past stops one short") << QPoint(311, 283) << QPoint(309, 281);
    QTest::addRow("past the bottom") << QPoint(100, 900) << QPoint(100, 281);
    QTest::addRow("left of and above the pane") << QPoint(-40, -3) << QPoint(0, 0);
    QTest::addRow("inside") << QPoint(123, 45) << QPoint(123, 45);
}

void DialogSamplingTest::squareFollowsPointer()
{
    QFETCH(QPoint, pointer);
    QFETCH(QPoint, corner);
    auto photo = dialogtest::photoLikeRecord(800, 600);
    CDialogUnSharpMask dialog(*photo, 11);
    QCOMPARE(dialog.photoPane()->width(), 360);
    dragSquare(dialog, QPoint(1, 1), pointer);
    QCOMPARE(dialog.square(), (SquarePosition{corner.x(), corner.y()}));

    // The paint draws the blue outline from the corner to corner + side.
    dialog.renderPanes();
    const QImage& pane = dialog.photoPane()->surface();
    const QRgb blue = qRgb(0, 0, 255);
    // Corners at W8 or H8 fall just outside the pane and are clipped.
    for (const QPoint offset : {QPoint(0, 0), QPoint(50, 50), QPoint(50, 0), QPoint(0, 50)}) {
        if (pane.rect().contains(corner + offset)) {
            QCOMPARE(pane.pixel(corner + offset) | 0xff000000U, blue);
        }
    }
    QCOMPARE(pane.pixel(corner + QPoint(49, 0)) | 0xff000000U, blue);
    QCOMPARE(pane.pixel(corner + QPoint(0, 49)) | 0xff000000U, blue);
    // Inside the outline the pane shows the photo (region 0, 0).
    QCOMPARE(pane.pixel(corner + QPoint(25, 25)) | 0xff000000U,
             dialogtest::planePixel(photo->current, 800, corner.x() + 25, 331 - corner.y() - 25));
}

void DialogSamplingTest::squareLargerThanPane()
{
    // A 30 x 30 photo: the panes shrink to it and a 50 square overhangs.
    auto photo = dialogtest::uniformRecord(30, 30, {40, 50, 60});
    CDialogUnSharpMask dialog(*photo, 13);
    dragSquare(dialog, QPoint(1, 1), QPoint(10, 10));
    QCOMPARE(dialog.square(), (SquarePosition{-21, -21}));
    // Pixels outside the photo are skipped by the average.
    getColour(dialog);
    QCOMPARE(dialog.targetColour(), (RgbColour{40, 50, 60}));
}

void DialogSamplingTest::squareOffOnePixelPhotoKeepsTarget()
{
    // Pushed right on a 1-pixel-wide photo the square covers columns -50 to
    // -1: no pixel to average, so the target colour stays as it was.
    auto photo = dialogtest::uniformRecord(1, 40, {5, 6, 7});
    CDialogUnSharpMask dialog(*photo, 10);
    dragSquare(dialog, QPoint(0, 1), QPoint(1, 1));
    QCOMPARE(dialog.square().x, -50);
    getColour(dialog);
    QCOMPARE(dialog.targetColour(), (RgbColour{250, 214, 186}));
    dialog.renderPanes();
    // Back inside, it samples the photo again.
    dragSquare(dialog, QPoint(0, 1), QPoint(-5, 1));
    getColour(dialog);
    QCOMPARE(dialog.targetColour(), (RgbColour{5, 6, 7}));
}

void DialogSamplingTest::sideChangesOnlyOnRelease()
{
    auto photo = dialogtest::photoLikeRecord(800, 600);
    CDialogUnSharpMask dialog(*photo, 10);
    dragSquare(dialog, QPoint(1, 1), QPoint(300, 250));
    QCOMPARE(dialog.square(), (SquarePosition{300, 250}));

    sliderOf(dialog, Id::SampleSizeSlider)->setValue(100);
    QCOMPARE(dialog.sampleRange(), 50);
    releaseSideSlider(dialog, 100);
    QCOMPARE(dialog.sampleRange(), 100);
    // Not re-clamped until the next drag step; the paint draws it as it is.
    QCOMPARE(dialog.square(), (SquarePosition{300, 250}));
    dialog.renderPanes();
    QCOMPARE(dialog.photoPane()->surface().pixel(300, 250) | 0xff000000U, qRgb(0, 0, 255));
    dragSquare(dialog, QPoint(300, 250), QPoint(300, 250));
    QCOMPARE(dialog.square(), (SquarePosition{259, 231}));
}

void DialogSamplingTest::uniformAreaGivesItsColour()
{
    auto photo = dialogtest::uniformRecord(400, 400, {12, 200, 77});
    CDialogUnSharpMask dialog(*photo, 11);
    dragSquare(dialog, QPoint(1, 1), QPoint(77, 133));
    getColour(dialog);
    QCOMPARE(dialog.targetColour(), (RgbColour{12, 200, 77}));
    dialog.renderPanes();
    QCOMPARE(dialog.targetSwatch()->surface().pixel(10, 10) | 0xff000000U, qRgb(12, 200, 77));
}

void DialogSamplingTest::meansAreTruncated()
{
    // Red alternates 10 and 11 by column, green 0 and 255: means 10.5, 127.5.
    auto photo = dialogtest::uniformRecord(400, 400, {0, 0, 9});
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 400; ++x) {
            dialogtest::setPixel(photo->current, 400, x, y, {10 + x % 2, 255 * (x % 2), 9});
        }
    }
    CDialogUnSharpMask dialog(*photo, 14);
    getColour(dialog);
    QCOMPARE(dialog.targetColour(), (RgbColour{10, 127, 9}));
}

void DialogSamplingTest::sideTenAveragesExactlyHundredPixels()
{
    auto photo = dialogtest::uniformRecord(400, 400, {0, 0, 0});
    CDialogUnSharpMask dialog(*photo, 12);
    releaseSideSlider(dialog, 10);
    QCOMPARE(dialog.sampleRange(), 10);
    // Square at 0, 0 of a 332-high pane over region 0, 0: plane rows 322 to
    // 331, columns 0 to 9. One bright pixel inside, bright ones around it.
    dialogtest::setPixel(photo->current, 400, 9, 331, {200, 100, 255});
    for (const QPoint outside : {QPoint(10, 331), QPoint(0, 332), QPoint(5, 321)}) {
        dialogtest::setPixel(photo->current, 400, outside.x(), outside.y(), {255, 255, 255});
    }
    getColour(dialog);
    QCOMPARE(dialog.targetColour(), (RgbColour{2, 1, 2}));
}

void DialogSamplingTest::sampleFollowsRegionAndSquare()
{
    auto photo = dialogtest::uniformRecord(800, 600, {1, 1, 1});
    // The square's pixels once the region sits at 440, 268 (top-right of
    // the picture) and the square at 100, 40, side 50.
    for (int y = 268 + 332 - 40 - 50; y < 268 + 332 - 40; ++y) {
        for (int x = 440 + 100; x < 440 + 150; ++x) {
            dialogtest::setPixel(photo->current, 800, x, y, {90, 80, 70});
        }
    }
    CDialogUnSharpMask dialog(*photo, 30);
    const QPoint overview = dialog.overviewPane()->geometry().topLeft();
    dialogtest::pressAt(&dialog, overview + QPoint(5, 5));
    dialogtest::dragTo(&dialog, overview + QPoint(209, 0));
    dialogtest::releaseAt(&dialog, overview + QPoint(209, 0));
    QCOMPARE(dialog.region(), (RegionPosition{440, 268}));
    dragSquare(dialog, QPoint(1, 1), QPoint(100, 40));
    getColour(dialog);
    QCOMPARE(dialog.targetColour(), (RgbColour{90, 80, 70}));
}

void DialogSamplingTest::lightColourFollowsTarget_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("followsAtGetColour");
    QTest::addColumn<bool>("followsAtPaint");
    QTest::addRow("mode 10: untouched") << 10 << false << false;
    QTest::addRow("mode 18: at the next paint") << 18 << false << true;
    QTest::addRow("mode 30: at get-colour") << 30 << true << true;
}

void DialogSamplingTest::lightColourFollowsTarget()
{
    QFETCH(int, mode);
    QFETCH(bool, followsAtGetColour);
    QFETCH(bool, followsAtPaint);
    const RgbColour sampled{33, 66, 99};
    auto photo = dialogtest::uniformRecord(400, 400, sampled);
    CDialogUnSharpMask dialog(*photo, mode);
    const RgbColour before = dialog.lightColour();
    QCOMPARE(before, (RgbColour{128, 128, 128}));
    getColour(dialog);
    QCOMPARE(dialog.targetColour(), sampled);
    QCOMPARE(dialog.lightColour(), followsAtGetColour ? sampled : before);
    dialog.renderPanes();
    QCOMPARE(dialog.lightColour(), followsAtPaint ? sampled : before);
    QCOMPARE(dialog.targetSwatch()->surface().pixel(3, 3) | 0xff000000U, qRgb(33, 66, 99));

    dialog.accept();
    QCOMPARE(dialog.values().targetColour, sampled);
    QCOMPARE(dialog.values().lightColour, followsAtPaint ? sampled : before);
}

void DialogSamplingTest::regionDragKeepsSwatchColour()
{
    auto photo = dialogtest::photoLikeRecord(800, 600);
    CDialogUnSharpMask dialog(*photo, 10);
    getColour(dialog);
    const RgbColour sampled = dialog.targetColour();
    const QPoint overview = dialog.overviewPane()->geometry().topLeft();
    dialogtest::pressAt(&dialog, overview + QPoint(5, 5));
    dialogtest::dragTo(&dialog, overview + QPoint(100, 30));
    dialogtest::releaseAt(&dialog, overview + QPoint(100, 30));
    dialog.renderPanes();
    QCOMPARE(dialog.targetColour(), sampled);
    QCOMPARE(dialog.targetSwatch()->surface().pixel(3, 3) | 0xff000000U,
             qRgb(sampled.red, sampled.green, sampled.blue));
}

QTEST_MAIN(DialogSamplingTest)
#include "test_dialog_sampling.moc"
