// The modal effect dialog of all 32 effect modes, built from the control
// table of dialog 312. It shows the overview, the untouched preview region and
// its live preview, lets the user drag the region and the sampling square and
// pick a colour, and after OK holds the values the document runs the effect
// with. It reads `current` and writes only `result` and `scratch` (preview).
// It can be enlarged and maximised: the photo and preview panes take the
// room and show the photo 1:1, one photo pixel per device pixel.
#pragma once

#include <map>

#include <QDialog>
#include <QPointer>

#include "dialog/ModeSetup.h"
#include "dialog/PaneGeometry.h"
#include "document/EffectValues.h"

class COvImage2;
class ColourSwatch;
class OverviewPane;
class PaneWidget;
class PhotoPane;
class PreviewPane;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

class CDialogUnSharpMask final : public QDialog {
    Q_OBJECT
public:
    // `image` holds a loaded photo and outlives the dialog; mode is 1..32.
    // The dialog is fully set up for the mode when the constructor returns.
    CDialogUnSharpMask(COvImage2& image, int mode, QWidget* parent = nullptr);
    ~CDialogUnSharpMask() override;

    int effectMode() const { return effectMode_; }
    // Values saved at OK (slider positions) and the colours as they stand.
    int strengthValue() const { return strengthValue_; }
    int effectValue() const { return effectValue_; }
    int precisionValue() const { return precisionValue_; }
    int redValue() const { return redValue_; }
    int greenValue() const { return greenValue_; }
    int blueValue() const { return blueValue_; }
    RgbColour targetColour() const { return targetColour_; }
    RgbColour lightColour() const { return lightColour_; }
    // What the document reads after OK.
    EffectValues values() const;

    int sampleRange() const { return sampleRange_; }
    RegionPosition region() const { return region_; }
    SquarePosition square() const { return square_; }
    double overviewScale() const { return overviewScale_; }
    bool draggingRegion() const { return draggingRegion_; }
    bool draggingSquare() const { return draggingSquare_; }

    // The control `id` of dialog 312 (OK is 1, Cancel 2), or null.
    QWidget* control(int id) const;
    OverviewPane* overviewPane() const { return overviewPane_; }
    PhotoPane* photoPane() const { return photoPane_; }
    PreviewPane* previewPane() const { return previewPane_; }
    ColourSwatch* targetSwatch() const { return targetSwatch_; }
    ColourSwatch* lightSwatch() const { return lightSwatch_; }

    // Paints every pane and swatch and runs the mode's preview pipeline on
    // the preview region. The dialog's paint runs it; tests may call it.
    void renderPanes();
    // Asks for a paint of the dialog; requests made before the paint
    // arrives coalesce into one render.
    void requestRepaint();

public slots:
    void accept() override;

signals:
    // Emitted at the end of every renderPanes.
    void panesRendered();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void startUp();
    void applyModeSetup();
    void layOutControls();
    void echoSlider(const QSlider* slider);
    void onSliderReleased(const QSlider* slider);
    void showHelp();
    void getColour();
    void centreRegionAt(QPointF point);
    void drawRegionMarker();
    void drawSamplingSquare();
    // The photo pixels a pane shows at 1:1, one per device pixel.
    PaneSize regionSize(const PaneWidget* pane) const;
    // A dialog point relative to a pane's top-left corner, in device pixels.
    PanePoint panePoint(QPointF point, const PaneWidget* pane) const;
    QSlider* slider(int id) const;

    COvImage2& imageRecord_;
    const int effectMode_;
    const ModeSetup* setup_;

    int strengthValue_ = 0;
    int effectValue_ = 0;
    int precisionValue_ = 0;
    int redValue_ = 0;
    int greenValue_ = 0;
    int blueValue_ = 0;
    RgbColour targetColour_{255, 255, 255};
    RgbColour lightColour_{128, 128, 128};
    int sampleRange_ = 50;
    RegionPosition region_;
    double overviewScale_ = 1.0;
    SquarePosition square_;
    bool draggingRegion_ = false;
    bool draggingSquare_ = false;
    bool holdsMouse_ = false;
    // The left button is held on the preview pane: it shows the untouched region.
    bool showingUntouched_ = false;
    // A move came between the last press and now: the press is a drag, not a click.
    bool movedSincePress_ = false;
    // How long the last render took: the next one shows the wait cursor
    // only if that was noticeably long.
    qint64 lastRenderMilliseconds_ = 0;

    std::map<int, QWidget*> controls_;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QCheckBox* previewCheckBox_ = nullptr;
    QGroupBox* samplingGroup_ = nullptr;
    QLabel* precisionLabel_ = nullptr;
    OverviewPane* overviewPane_ = nullptr;
    PhotoPane* photoPane_ = nullptr;
    PreviewPane* previewPane_ = nullptr;
    ColourSwatch* targetSwatch_ = nullptr;
    ColourSwatch* lightSwatch_ = nullptr;
    // Each echoing slider and the edit box that shows its position.
    std::map<const QSlider*, QLineEdit*> echoEdits_;
};
