// Opens the effect dialog for a few modes over a photo and saves what the
// user sees as PNG files, to look at the dialog as a user would:
//   dialog_screenshot OUTDIR [PHOTO]
// Without PHOTO it paints a photo-like scene (sky, sun, hills, a face, grain)
// and also saves it as OUTDIR/scene.jpg, for opening in the desktop program.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QRadialGradient>

#include "DialogTestSupport.h"
#include "dialog/widgets/CDialogUnSharpMask.h"
#include "dialog/widgets/OverviewPane.h"
#include "dialog/widgets/PhotoPane.h"
#include "res/DialogControls.h"

namespace {

QImage paintScene(int width, int height)
{
    QImage scene(width, height, QImage::Format_RGB32);
    QPainter painter(&scene);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height * 0.6);
    sky.setColorAt(0, QColor(40, 90, 170));
    sky.setColorAt(1, QColor(200, 220, 240));
    painter.fillRect(scene.rect(), sky);
    QRadialGradient sun(width * 0.8, height * 0.18, height * 0.12);
    sun.setColorAt(0, QColor(255, 250, 220));
    sun.setColorAt(1, QColor(255, 250, 220, 0));
    painter.setBrush(sun);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(width * 0.8, height * 0.18), height * 0.12, height * 0.12);
    painter.setBrush(QColor(70, 110, 60));
    QPolygonF hills;
    hills << QPointF(0, height);
    for (int x = 0; x <= width; x += 20) {
        hills << QPointF(x, height * (0.55 + 0.08 * std::sin(x * 0.011) + 0.04 * std::sin(x * 0.037)));
    }
    hills << QPointF(width, height);
    painter.drawPolygon(hills);
    painter.setBrush(QColor(45, 80, 40));
    for (int i = 0; i < 9; ++i) {
        const double x = width * (0.05 + 0.11 * i);
        const double base = height * 0.72;
        painter.drawEllipse(QPointF(x, base - height * 0.06), width * 0.025, height * 0.08);
    }
    // A face in skin tones, lit from the left.
    QRadialGradient skin(width * 0.27, height * 0.6, height * 0.2, width * 0.24, height * 0.55);
    skin.setColorAt(0, QColor(250, 214, 186));
    skin.setColorAt(1, QColor(200, 150, 120));
    painter.setBrush(skin);
    painter.drawEllipse(QPointF(width * 0.27, height * 0.62), height * 0.13, height * 0.17);
    painter.setBrush(QColor(60, 40, 30));
    painter.drawEllipse(QPointF(width * 0.27, height * 0.47), height * 0.14, height * 0.06);
    painter.end();

    // Sensor grain.
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> grain(-6, 6);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(scene.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = grain(rng);
            row[x] = qRgb(std::clamp(qRed(row[x]) + n, 0, 255), std::clamp(qGreen(row[x]) + n, 0, 255),
                          std::clamp(qBlue(row[x]) + n, 0, 255));
        }
    }
    return scene;
}

// The picture as an image record: bottom-up rows of blue, green, red.
void loadIntoRecord(const QImage& picture, COvImage2& record)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    record.allocatePlanes(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            dialogtest::setPixel(record.current, rgb.width(), x, rgb.height() - 1 - y,
                                 {qRed(row[x]), qGreen(row[x]), qBlue(row[x])});
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: dialog_screenshot OUTDIR [PHOTO]\n");
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    QImage picture = argc > 2 ? QImage(QString::fromLocal8Bit(argv[2])) : paintScene(1200, 900);
    if (picture.isNull()) {
        std::fprintf(stderr, "dialog_screenshot: cannot read %s\n", argv[2]);
        return 1;
    }
    QDir().mkpath(outDir);
    if (argc == 2 && !picture.save(outDir + QStringLiteral("/scene.jpg"), "JPEG", 92)) {
        std::fprintf(stderr, "dialog_screenshot: cannot write %s/scene.jpg\n", argv[1]);
        return 1;
    }
    COvImage2 record;
    loadIntoRecord(picture, record);

    for (const int mode : {8, 10, 15, 30}) {
        CDialogUnSharpMask dialog(record, mode);
        dialog.show();
        // Put the region over the face and the square on the cheek.
        const QPoint overview = dialog.overviewPane()->geometry().topLeft();
        dialogtest::pressAt(&dialog, overview + QPoint(30, 150));
        dialogtest::dragTo(&dialog, overview + QPoint(30, 150));
        dialogtest::releaseAt(&dialog, overview + QPoint(30, 150));
        const QPoint pane = dialog.photoPane()->geometry().topLeft();
        dialogtest::pressAt(&dialog, pane + QPoint(150, 120));
        dialogtest::dragTo(&dialog, pane + QPoint(150, 120));
        dialogtest::releaseAt(&dialog, pane + QPoint(150, 120));
        if (QWidget* getColour = dialog.control(EffectDialogId::GetColourButton); getColour->isVisibleTo(&dialog)) {
            qobject_cast<QPushButton*>(getColour)->click();
        }
        for (int i = 0; i < 20; ++i) {
            QApplication::processEvents();
        }
        dialog.renderPanes();
        QApplication::processEvents();
        const QString path = QStringLiteral("%1/effect-dialog-mode%2.png").arg(outDir).arg(mode);
        if (!dialog.grab().save(path)) {
            std::fprintf(stderr, "dialog_screenshot: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
