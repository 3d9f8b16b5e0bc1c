// The effect dialog: controls from the table of dialog 312, the start-up
// sequence for a mode, the slider echo, repaint requests, region and square
// dragging, colour sampling, help, OK and Cancel. Each render draws every pane
// afresh from the record; nothing is cached between paints. The preview
// follows every slider move and drag step; requests coalesce into one render.
#include "dialog/widgets/CDialogUnSharpMask.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPushButton>
#include <QSlider>

#include "dialog/PreviewPipelines.h"
#include "dialog/widgets/ColourSwatch.h"
#include "dialog/widgets/OverviewPane.h"
#include "dialog/widgets/PhotoPane.h"
#include "dialog/widgets/PreviewPane.h"
#include "document/DocumentUi.h"
#include "image/COvImage2.h"
#include "res/DialogControls.h"

namespace {

namespace Id = EffectDialogId;

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QRect pixelRect(const DialogUnitRect& units)
{
    const PixelRect pixels = dialogUnitsToPixels(units);
    return {pixels.left, pixels.top, pixels.width, pixels.height};
}

ControlRect templateRect(const DialogUnitRect& units)
{
    const PixelRect pixels = dialogUnitsToPixels(units);
    return {pixels.left, pixels.top, pixels.width, pixels.height};
}

ControlRect templateRectOf(int id)
{
    const auto entry = std::ranges::find(kEffectDialogControls, id, &DialogControl::id);
    return templateRect(entry->rect);
}

// The sliders whose position an edit box echoes, with that edit box.
constexpr std::array<std::pair<int, int>, 6> kEchoedSliders{{
    {Id::StrengthSlider, Id::StrengthEdit},
    {Id::EffectSlider, Id::EffectEdit},
    {Id::PrecisionSlider, Id::PrecisionEdit},
    {Id::RedSlider, Id::RedEdit},
    {Id::GreenSlider, Id::GreenEdit},
    {Id::BlueSlider, Id::BlueEdit},
}};

// The control groups that a mode shows or hides as a whole.
constexpr std::array kStrengthRow{Id::StrengthSlider, Id::StrengthEdit, Id::StrengthLabel};
constexpr std::array kEffectRow{Id::EffectSlider, Id::EffectEdit, Id::EffectLabel};
constexpr std::array kPrecisionRow{Id::PrecisionSlider, Id::PrecisionEdit, Id::PrecisionLabel};
constexpr std::array kSamplingGroup{Id::SamplingGroup,    Id::TargetSwatch,     Id::GetColourButton,
                                    Id::SampleSizeSlider, Id::SampleSmallLabel, Id::SampleLargeLabel};
constexpr std::array kHelpGroup{Id::HelpButton};
constexpr std::array kLightGroup{Id::RedSlider, Id::GreenSlider, Id::BlueSlider, Id::RedEdit,   Id::GreenEdit,
                                 Id::BlueEdit,  Id::RedLabel,    Id::GreenLabel, Id::BlueLabel, Id::LightSwatch};

// The template's rectangles were measured for a narrower system font: a
// caption that does not fit its label is set a little smaller, down to 6
// points, so that the layout stays as it is and the text stays whole.
void fitCaption(QLabel* label)
{
    QFont caption = label->font();
    while (label->sizeHint().width() > label->width() && caption.pointSizeF() > 6.0) {
        caption.setPointSizeF(caption.pointSizeF() - 0.5);
        label->setFont(caption);
    }
}

// A render that took longer than this is one the user notices waiting for.
constexpr qint64 kNoticeableRenderMilliseconds = 150;

// The wait cursor for the lifetime of the guard.
class WaitCursorGuard {
public:
    WaitCursorGuard() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursorGuard() { QApplication::restoreOverrideCursor(); }
    WaitCursorGuard(const WaitCursorGuard&) = delete;
    WaitCursorGuard& operator=(const WaitCursorGuard&) = delete;
};

} // namespace

CDialogUnSharpMask::CDialogUnSharpMask(COvImage2& image, int mode, QWidget* parent)
    : QDialog(parent), imageRecord_(image), effectMode_(mode), setup_(findModeSetup(mode))
{
    createControls();
    startUp();
}

CDialogUnSharpMask::~CDialogUnSharpMask() = default;

EffectValues CDialogUnSharpMask::values() const
{
    return {strengthValue_, effectValue_, precisionValue_, targetColour_, lightColour_};
}

QWidget* CDialogUnSharpMask::control(int id) const
{
    const auto found = controls_.find(id);
    return found != controls_.end() ? found->second : nullptr;
}

QSlider* CDialogUnSharpMask::slider(int id) const { return qobject_cast<QSlider*>(control(id)); }

PaneSize CDialogUnSharpMask::regionSize(const PaneWidget* pane) const
{
    return paneRegionSize(pane->deviceSize(), imageRecord_.width, imageRecord_.height);
}

PanePoint CDialogUnSharpMask::panePoint(QPointF point, const PaneWidget* pane) const
{
    const QPointF device = (point - QPointF(pane->geometry().topLeft())) * pane->devicePixelRatio();
    return {static_cast<int>(std::floor(device.x())), static_cast<int>(std::floor(device.y()))};
}

void CDialogUnSharpMask::createControls()
{
    setWindowTitle(fromUtf8(kEffectDialogTemplateTitle));
    QFont dialogFont = font();
    dialogFont.setPointSize(kEffectDialogFontPoints);
    setFont(dialogFont);
    // The template's size is the smallest; a larger or maximised dialog
    // gives the photo and preview panes the room (layOutControls).
    const QSize templateSize = pixelRect(kEffectDialogRect).size();
    setMinimumSize(templateSize);
    resize(templateSize);
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    for (const DialogControl& entry : kEffectDialogControls) {
        const QString caption = fromUtf8(entry.caption);
        QWidget* widget = nullptr;
        switch (entry.kind) {
        case ControlKind::DefaultPushButton:
        case ControlKind::PushButton: {
            auto* button = new QPushButton(caption, this);
            button->setDefault(entry.kind == ControlKind::DefaultPushButton);
            if (entry.id == Id::Ok) {
                okButton_ = button;
                connect(button, &QPushButton::clicked, this, &CDialogUnSharpMask::accept);
            } else if (entry.id == Id::Cancel) {
                cancelButton_ = button;
                connect(button, &QPushButton::clicked, this, &CDialogUnSharpMask::reject);
            } else if (entry.id == Id::GetColourButton) {
                connect(button, &QPushButton::clicked, this, &CDialogUnSharpMask::getColour);
            } else if (entry.id == Id::HelpButton) {
                connect(button, &QPushButton::clicked, this, &CDialogUnSharpMask::showHelp);
            }
            widget = button;
            break;
        }
        case ControlKind::Slider: {
            auto* control = new QSlider(Qt::Horizontal, this);
            control->setRange(0, 100);
            control->setValue(0);
            control->setTickPosition(QSlider::NoTicks);
            control->installEventFilter(this);
            widget = control;
            break;
        }
        case ControlKind::Edit:
            widget = new QLineEdit(this);
            break;
        case ControlKind::StaticText: {
            auto* label = new QLabel(caption, this);
            label->setAttribute(Qt::WA_TransparentForMouseEvents);
            if (entry.id == Id::PrecisionLabel) {
                precisionLabel_ = label;
            }
            widget = label;
            break;
        }
        case ControlKind::BlackFrame:
            switch (entry.id) {
            case Id::OverviewPane:
                widget = overviewPane_ = new OverviewPane(this);
                break;
            case Id::PhotoPane:
                widget = photoPane_ = new PhotoPane(this);
                break;
            case Id::PreviewPane:
                widget = previewPane_ = new PreviewPane(this);
                break;
            case Id::TargetSwatch:
                widget = targetSwatch_ = new ColourSwatch(entry.id, this);
                break;
            default:
                widget = lightSwatch_ = new ColourSwatch(entry.id, this);
                break;
            }
            break;
        case ControlKind::GroupBox:
            samplingGroup_ = new QGroupBox(caption, this);
            samplingGroup_->setAttribute(Qt::WA_TransparentForMouseEvents);
            widget = samplingGroup_;
            break;
        case ControlKind::AutoCheckBox:
            previewCheckBox_ = new QCheckBox(caption, this);
            connect(previewCheckBox_, &QCheckBox::clicked, this, &CDialogUnSharpMask::requestRepaint);
            widget = previewCheckBox_;
            break;
        }
        widget->setGeometry(pixelRect(entry.rect));
        controls_.emplace(entry.id, widget);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            fitCaption(label);
        }
    }
    // The Red, Green and Blue labels stand in one column: one size for all,
    // the one the widest caption needs.
    const std::array lightLabels{Id::RedLabel, Id::GreenLabel, Id::BlueLabel};
    QFont lightLabelFont = control(Id::RedLabel)->font();
    for (const int id : lightLabels) {
        if (control(id)->font().pointSizeF() < lightLabelFont.pointSizeF()) {
            lightLabelFont = control(id)->font();
        }
    }
    for (const int id : lightLabels) {
        control(id)->setFont(lightLabelFont);
    }
    for (const auto& [sliderId, editId] : kEchoedSliders) {
        QSlider* echoed = slider(sliderId);
        echoEdits_.emplace(echoed, qobject_cast<QLineEdit*>(control(editId)));
        // A visible slider echoes as soon as it moves; its repaint echoes again.
        connect(echoed, &QSlider::valueChanged, this, [this, echoed] {
            if (echoed->isVisible()) {
                echoSlider(echoed);
            }
        });
        // The preview follows every move (drag, wheel, keys), not only the
        // release: the requests coalesce into one render of the newest values.
        connect(echoed, &QSlider::valueChanged, this, &CDialogUnSharpMask::requestRepaint);
    }
}

void CDialogUnSharpMask::startUp()
{
    // The sliders exchanged with the values start at the values (all 0).
    slider(Id::StrengthSlider)->setValue(strengthValue_);
    slider(Id::EffectSlider)->setValue(effectValue_);
    slider(Id::PrecisionSlider)->setValue(precisionValue_);
    slider(Id::RedSlider)->setValue(redValue_);
    slider(Id::GreenSlider)->setValue(greenValue_);
    slider(Id::BlueSlider)->setValue(blueValue_);

    for (const auto& [sliderId, editId] : kEchoedSliders) {
        control(editId)->setEnabled(false);
    }
    applyModeSetup();
    layOutControls();
    previewCheckBox_->setChecked(setup_ == nullptr || setup_->previewChecked);
    previewCheckBox_->setEnabled(setup_ != nullptr && setup_->previewEnabled);
}

void CDialogUnSharpMask::applyModeSetup()
{
    if (setup_ == nullptr) {
        return;
    }
    const ModeSetup& setup = *setup_;
    setWindowTitle(fromUtf8(setup.title));

    const std::array<std::pair<int, SliderSetup>, 4> rows{{
        {Id::StrengthSlider, setup.strength},
        {Id::EffectSlider, setup.effect},
        {Id::PrecisionSlider, setup.precision},
        {Id::SampleSizeSlider, setup.sampleSide},
    }};
    const std::array lightSliders{Id::RedSlider, Id::GreenSlider, Id::BlueSlider};
    for (const auto& [id, row] : rows) {
        if (row.configured) {
            slider(id)->setMinimum(row.minimum);
            slider(id)->setMaximum(row.maximum);
        }
    }
    if (setup.hasLightSliders) {
        for (const int id : lightSliders) {
            slider(id)->setMinimum(0);
            slider(id)->setMaximum(255);
        }
    }

    // The light colour is stored before the Red/Green/Blue sliders take its
    // components, so that their echo cannot overwrite the preset.
    targetColour_ = setup.targetColour;
    lightColour_ = setup.lightColour;
    for (const auto& [id, row] : rows) {
        if (row.configured) {
            slider(id)->setValue(row.position);
        }
    }
    if (setup.hasLightSliders) {
        slider(Id::RedSlider)->setValue(lightColour_.red);
        slider(Id::GreenSlider)->setValue(lightColour_.green);
        slider(Id::BlueSlider)->setValue(lightColour_.blue);
    }

    const auto hideUnless = [this](bool shown, const auto& group) {
        for (const int id : group) {
            if (!shown) {
                control(id)->hide();
            }
        }
    };
    hideUnless(setup.showsStrength, kStrengthRow);
    hideUnless(setup.showsEffect, kEffectRow);
    hideUnless(setup.showsPrecision, kPrecisionRow);
    hideUnless(setup.showsSampling, kSamplingGroup);
    hideUnless(setup.showsHelp, kHelpGroup);
    hideUnless(setup.showsLight, kLightGroup);

    samplingGroup_->setTitle(fromUtf8(setup.samplingCaption));
    precisionLabel_->setText(fromUtf8(setup.precisionLabel));
    fitCaption(precisionLabel_);
}

void CDialogUnSharpMask::layOutControls()
{
    const QSize templateSize = pixelRect(kEffectDialogRect).size();
    const DialogGrowth growth{std::max(0, width() - templateSize.width()),
                              std::max(0, height() - templateSize.height())};
    const DialogTemplate layout{templateSize.width(), templateRectOf(Id::PhotoPane),
                                templateRectOf(Id::PreviewPane), setup_ == nullptr || setup_->showsLight};
    const PaneSize regionBefore = regionSize(photoPane_);
    for (const DialogControl& entry : kEffectDialogControls) {
        const ControlRect placed = placeControl(templateRect(entry.rect), layout, growth);
        control(entry.id)->setGeometry(placed.left, placed.top, placed.width, placed.height);
    }
    // Nothing lies to the right of the check box: it takes the width its caption needs.
    previewCheckBox_->resize(std::max(previewCheckBox_->width(), previewCheckBox_->sizeHint().width()),
                             previewCheckBox_->height());

    // The panes show no more than the photo has; the region keeps its middle.
    const PaneSize limit = paneLimitForPhoto(imageRecord_.width, imageRecord_.height, devicePixelRatio());
    const PhotoAndPreviewPanes panes = shrinkPanesToPhoto(
        {{photoPane_->width(), photoPane_->height()}, {previewPane_->width(), previewPane_->height()}},
        limit.width, limit.height);
    photoPane_->resize(panes.photo.width, panes.photo.height);
    previewPane_->resize(panes.preview.width, panes.preview.height);
    region_ = regionAfterResize(region_, regionBefore, regionSize(photoPane_), imageRecord_.width,
                                imageRecord_.height);
    requestRepaint();
}

void CDialogUnSharpMask::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layOutControls();
}

void CDialogUnSharpMask::echoSlider(const QSlider* echoed)
{
    const int position = echoed->value();
    echoEdits_.at(echoed)->setText(QString::number(position));
    if (echoed == slider(Id::RedSlider)) {
        lightColour_.red = position;
    } else if (echoed == slider(Id::GreenSlider)) {
        lightColour_.green = position;
    } else if (echoed == slider(Id::BlueSlider)) {
        lightColour_.blue = position;
    }
}

void CDialogUnSharpMask::onSliderReleased(const QSlider* released)
{
    // The preview's sliders repaint as they move; the sampling square takes
    // its new side when its slider is let go.
    if (released == slider(Id::SampleSizeSlider)) {
        sampleRange_ = released->value();
        requestRepaint();
    }
}

bool CDialogUnSharpMask::eventFilter(QObject* watched, QEvent* event)
{
    const auto* watchedSlider = qobject_cast<const QSlider*>(watched);
    if (watchedSlider != nullptr) {
        if (event->type() == QEvent::Paint && echoEdits_.contains(watchedSlider)) {
            echoSlider(watchedSlider);
        } else if (event->type() == QEvent::MouseButtonRelease &&
                   static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            onSliderReleased(watchedSlider);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CDialogUnSharpMask::requestRepaint() { update(QRect(0, 0, 1, 1)); }

void CDialogUnSharpMask::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // Controls repainting themselves do not touch the dialog's origin; a
    // request or an exposure of the whole dialog does, and renders.
    if (event->region().contains(QPoint(0, 0))) {
        renderPanes();
    }
}

void CDialogUnSharpMask::renderPanes()
{
    QElapsedTimer clock;
    clock.start();
    // Only a render expected to take noticeably long (the last one did, and
    // no mouse button is held) shows the wait cursor and holds OK and Cancel:
    // the quick renders of a drag change neither, so nothing flickers.
    const bool slow = lastRenderMilliseconds_ > kNoticeableRenderMilliseconds &&
                      QApplication::mouseButtons() == Qt::NoButton;
    // Disabling the focused button would move the focus for good; it returns
    // to where it was once the buttons are enabled again.
    const QPointer<QWidget> focused = focusWidget();
    if (slow) {
        okButton_->setEnabled(false);
        cancelButton_->setEnabled(false);
    }

    const int photoWidth = imageRecord_.width;
    const int photoHeight = imageRecord_.height;
    overviewScale_ = computeOverviewScale(overviewPane_->deviceSize(), photoWidth, photoHeight);
    overviewPane_->drawPhoto(imageRecord_, overviewScale_);
    drawRegionMarker();
    const PaneSize photo = regionSize(photoPane_);
    photoPane_->drawRegion(imageRecord_, region_.x, region_.y, photo.width, photo.height);
    {
        std::optional<WaitCursorGuard> waitCursor;
        if (slow) {
            waitCursor.emplace();
        }
        if (setup_ != nullptr) {
            if (paintsTargetSwatch(*setup_)) {
                drawSamplingSquare();
                targetSwatch_->fillColour(targetColour_);
            }
            lightColour_ = lightColourAtPaint(effectMode_, targetColour_, lightColour_);
            if (paintsLightSwatch(*setup_)) {
                lightSwatch_->fillColour(lightColour_);
            }
        }
        const EffectValues sliders{slider(Id::StrengthSlider)->value(), slider(Id::EffectSlider)->value(),
                                   slider(Id::PrecisionSlider)->value(), targetColour_, lightColour_};
        const PaneSize preview = regionSize(previewPane_);
        const PreviewShows shows = runPreviewPipeline(imageRecord_, effectMode_, sliders,
                                                      previewRectangle(region_, preview),
                                                      previewCheckBox_->isChecked());
        if (showingUntouched_) {
            previewPane_->drawUntouched(imageRecord_, region_.x, region_.y, preview.width, preview.height);
        } else if (shows == PreviewShows::resultRegion) {
            previewPane_->drawResult(imageRecord_, region_.x, region_.y, preview.width, preview.height);
        } else {
            previewPane_->drawUntouched(imageRecord_, region_.x, region_.y, photo.width, photo.height);
        }
    }
    if (slow) {
        okButton_->setEnabled(true);
        cancelButton_->setEnabled(true);
        if (focused != nullptr && focusWidget() != focused) {
            focused->setFocus();
        }
    }
    lastRenderMilliseconds_ = clock.elapsed();
    emit panesRendered();
}

void CDialogUnSharpMask::drawRegionMarker()
{
    const double scale = computeOverviewScale(overviewPane_->deviceSize(), imageRecord_.width, imageRecord_.height);
    const MarkerGeometry marker = regionMarker(region_, scale, regionSize(photoPane_), imageRecord_.height);
    overviewPane_->drawRegionMarker(marker.x1, marker.y2, marker.x2, marker.y1);
}

void CDialogUnSharpMask::drawSamplingSquare() { photoPane_->drawSamplingSquare(square_.x, square_.y, sampleRange_); }

void CDialogUnSharpMask::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint point = event->position().toPoint();
        draggingRegion_ = overviewPane_->geometry().contains(point);
        draggingSquare_ = photoPane_->geometry().contains(point);
        holdsMouse_ = holdsMouse_ || draggingRegion_ || draggingSquare_;
        movedSincePress_ = false;
        // Before and after: holding the button on the preview pane shows
        // the untouched region there until it is let go.
        if (previewPane_->geometry().contains(point)) {
            showingUntouched_ = true;
            const PaneSize preview = regionSize(previewPane_);
            previewPane_->drawUntouched(imageRecord_, region_.x, region_.y, preview.width, preview.height);
        }
    }
    QDialog::mousePressEvent(event);
}

void CDialogUnSharpMask::mouseMoveEvent(QMouseEvent* event)
{
    if (holdsMouse_) {
        const QPointF point = event->position();
        movedSincePress_ = true;
        if (draggingRegion_) {
            const double scale =
                computeOverviewScale(overviewPane_->deviceSize(), imageRecord_.width, imageRecord_.height);
            region_ = regionForPointer(panePoint(point, overviewPane_), scale, regionSize(photoPane_),
                                       imageRecord_.width, imageRecord_.height);
            drawRegionMarker();
        }
        if (draggingSquare_) {
            square_ = squareForPointer(panePoint(point, photoPane_), regionSize(photoPane_), sampleRange_);
            drawSamplingSquare();
        }
        requestRepaint();
    }
    QDialog::mouseMoveEvent(event);
}

void CDialogUnSharpMask::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (draggingRegion_ && !movedSincePress_) {
            centreRegionAt(event->position());
        }
        holdsMouse_ = false;
        draggingRegion_ = false;
        draggingSquare_ = false;
        if (showingUntouched_) {
            showingUntouched_ = false;
            requestRepaint();
        }
    }
    QDialog::mouseReleaseEvent(event);
}

void CDialogUnSharpMask::centreRegionAt(QPointF point)
{
    // A drag holds the region's lower-left corner under the pointer; a click
    // puts the region's middle there instead, clamped like a drag step.
    const double scale = computeOverviewScale(overviewPane_->deviceSize(), imageRecord_.width, imageRecord_.height);
    const PaneSize photo = regionSize(photoPane_);
    const PanePoint pointer = panePoint(point, overviewPane_);
    const int halfWidth = static_cast<int>(photo.width * scale / 2.0);
    const int halfHeight = static_cast<int>(photo.height * scale / 2.0);
    region_ = regionForPointer({pointer.x - halfWidth, pointer.y + halfHeight}, scale, photo, imageRecord_.width,
                               imageRecord_.height);
    drawRegionMarker();
    requestRepaint();
}

void CDialogUnSharpMask::getColour()
{
    const PreviewRect sampled = sampledRectangle(region_, regionSize(photoPane_).height, square_, sampleRange_);
    if (const std::optional<RgbColour> colour = sampleTargetColour(imageRecord_, sampled)) {
        EffectValues colours = values();
        takeSampledColour(effectMode_, colours, *colour);
        targetColour_ = colours.targetColour;
        lightColour_ = colours.lightColour;
    }
    requestRepaint();
}

void CDialogUnSharpMask::showHelp()
{
    if (setup_ != nullptr && !setup_->helpText.empty()) {
        QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kMessageCaption), fromUtf8(setup_->helpText),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }
    previewCheckBox_->setChecked(true);
    previewCheckBox_->setEnabled(false);
}

void CDialogUnSharpMask::accept()
{
    strengthValue_ = slider(Id::StrengthSlider)->value();
    effectValue_ = slider(Id::EffectSlider)->value();
    precisionValue_ = slider(Id::PrecisionSlider)->value();
    redValue_ = slider(Id::RedSlider)->value();
    greenValue_ = slider(Id::GreenSlider)->value();
    blueValue_ = slider(Id::BlueSlider)->value();
    QDialog::accept();
}
