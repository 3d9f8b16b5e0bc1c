// The image view. Zoom and scroll arithmetic follows the two display modes
// exactly; painting converts only the visible part of the picture, with the
// bytes the whole picture would have.
#include "app/CFotraView.h"

#include <algorithm>
#include <vector>

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QWheelEvent>

#include "app/MenuBuilder.h"
#include "app/QtCanvas.h"
#include "document/CFotraDoc.h"
#include "res/Menus.h"
#include "res/Strings.h"

CFotraView* theView = nullptr;

namespace {

// One wheel notch scrolls three lines: 120 pixels, whatever the window size.
constexpr int kScrollLineStep = 40;

} // namespace


// Routes the context menu's commands to the view alone when no frame is set.
class CFotraView::ViewOnlyRouter : public ICommandRouter {
public:
    explicit ViewOnlyRouter(CFotraView& view) : view_(view) {}
    void routeCommand(int id) override { view_.onCommand(id); }
    CommandUi commandUi(int id) override
    {
        CommandUi ui;
        if (!view_.onUpdateCommand(id, ui)) {
            ui.enabled = false;
        }
        return ui;
    }

private:
    CFotraView& view_;
};

CFotraView::CFotraView(CFotraDoc& document, QWidget* parent) : QAbstractScrollArea(parent), document_(document)
{
    theView = this;
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(false);
    // paintEvent fills every pixel it is given, so a scroll can move the
    // pixels already shown and have only the uncovered strips painted.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    // Initial update: pixel units, a total of 100 x 100.
    setScrollSizes({100, 100});
    ownRouter_ = std::make_unique<ViewOnlyRouter>(*this);

    // Ctrl+plus and Ctrl+minus zoom around the middle of the view.
    for (const auto& [keys, steps] : {std::pair{QKeySequence::ZoomIn, 1}, std::pair{QKeySequence::ZoomOut, -1}}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this,
                [this, steps] { zoomStep(steps, viewport()->rect().center()); });
    }
}

CFotraView::~CFotraView()
{
    if (theView == this) {
        theView = nullptr;
    }
}

bool CFotraView::computeFitZoom()
{
    const COvImage2* photo = document_.photo();
    if (!fitToWindow || photo == nullptr) {
        return false;
    }
    const QSize client = viewport()->size();
    const double hRatio = static_cast<double>(client.height()) / static_cast<double>(photo->height);
    const double wRatio = static_cast<double>(client.width()) / static_cast<double>(photo->width);
    zoom = wRatio < hRatio ? wRatio : hRatio;
    setScrollSizes({1, 1});
    notifyZoom();
    return true;
}

void CFotraView::updateScrollLayout()
{
    const COvImage2* photo = document_.photo();
    if (fitToWindow || photo == nullptr) {
        return;
    }
    const QSize picture = pictureSize();
    setScrollSizes(picture);
    const QSize client = viewport()->size();
    // Integer divisions truncate toward zero; a smaller photo stays at 0.
    const int x = std::max(0, (picture.width() - client.width()) / 2);
    const int y = std::max(0, (picture.height() - client.height()) / 2);
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
    notifyZoom();
}

void CFotraView::invalidate() { viewport()->update(); }

// The picture's size at the present zoom: trunc(zoom x size), as drawn.
QSize CFotraView::pictureSize() const
{
    const COvImage2* photo = document_.photo();
    if (photo == nullptr) {
        return {};
    }
    const auto scaled = [this](int size) { return std::max(1, static_cast<int>(zoom * size)); };
    return {scaled(photo->width), scaled(photo->height)};
}

void CFotraView::notifyZoom()
{
    if (zoomListener_) {
        zoomListener_(zoom);
    }
}

void CFotraView::zoomStep(int steps, QPoint anchor)
{
    const COvImage2* photo = document_.photo();
    if (photo == nullptr || steps == 0) {
        return;
    }
    // The next step strictly above or below: from a fit zoom between two
    // steps, the first step in that direction.
    const double* target = nullptr;
    if (steps > 0) {
        target = std::upper_bound(std::begin(kZoomSteps), std::end(kZoomSteps), zoom);
        if (target == std::end(kZoomSteps)) {
            return;
        }
    } else {
        const double* below = std::lower_bound(std::begin(kZoomSteps), std::end(kZoomSteps), zoom);
        if (below == std::begin(kZoomSteps)) {
            return;
        }
        target = below - 1;
    }
    // The photo point under the anchor, before the change.
    const QPointF photoPoint = (QPointF(scrollPosition()) + QPointF(anchor)) / zoom;
    zoom = *target;
    fitToWindow = false;
    setScrollSizes(pictureSize());
    const QPointF shown = photoPoint * zoom - QPointF(anchor);
    horizontalScrollBar()->setValue(static_cast<int>(shown.x()));
    verticalScrollBar()->setValue(static_cast<int>(shown.y()));
    notifyZoom();
    invalidate();
}

QString CFotraView::emptyViewHint()
{
    const std::string_view hint = res::loadString(res::IDS_EMPTY_VIEW_HINT);
    return QString::fromUtf8(hint.data(), static_cast<qsizetype>(hint.size()));
}

QPoint CFotraView::scrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

bool CFotraView::onCommand(int id)
{
    switch (id) {
    case res::ID_VIEW_FIT_TO_WINDOW:
        onFitToWindow(id);
        return true;
    case res::ID_VIEW_ACTUAL_SIZE:
        onActualSize(id);
        return true;
    default:
        return false;
    }
}

bool CFotraView::onUpdateCommand(int id, CommandUi& ui)
{
    switch (id) {
    case res::ID_VIEW_FIT_TO_WINDOW:
        onUpdateFitToWindow(id, ui);
        return true;
    case res::ID_VIEW_ACTUAL_SIZE:
        onUpdateActualSize(id, ui);
        return true;
    default:
        return false;
    }
}

bool CFotraView::hasHandler(int id) const
{
    return id == res::ID_VIEW_FIT_TO_WINDOW || id == res::ID_VIEW_ACTUAL_SIZE;
}

void CFotraView::onFitToWindow(int)
{
    fitToWindow = true;
    computeFitZoom();
    updateScrollLayout();
    invalidate();
}

void CFotraView::onActualSize(int)
{
    zoom = 1.0;
    fitToWindow = false;
    computeFitZoom();
    updateScrollLayout();
    notifyZoom();
    invalidate();
}

void CFotraView::onUpdateFitToWindow(int, CommandUi& ui)
{
    ui.enabled = !fitToWindow;
    ui.checked = fitToWindow;
}

void CFotraView::onUpdateActualSize(int, CommandUi& ui)
{
    const bool actualSize = !fitToWindow && zoom == 1.0;
    ui.enabled = !actualSize;
    ui.checked = actualSize;
}

void CFotraView::setScrollSizes(QSize total)
{
    scrollTotal_ = total;
    applyScrollRanges();
}

// Showing one scroll bar narrows the client area for the other, so the
// ranges are set until the viewport stops changing.
void CFotraView::applyScrollRanges()
{
    for (int pass = 0; pass < 3; ++pass) {
        const QSize client = viewport()->size();
        horizontalScrollBar()->setRange(0, std::max(0, scrollTotal_.width() - client.width()));
        horizontalScrollBar()->setPageStep(std::max(1, client.width()));
        horizontalScrollBar()->setSingleStep(kScrollLineStep);
        verticalScrollBar()->setRange(0, std::max(0, scrollTotal_.height() - client.height()));
        verticalScrollBar()->setPageStep(std::max(1, client.height()));
        verticalScrollBar()->setSingleStep(kScrollLineStep);
        if (viewport()->size() == client) {
            break;
        }
    }
}

void CFotraView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    const COvImage2* photo = document_.photo();
    if (photo == nullptr) {
        // Before the first photo the view says how to open one.
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextWordWrap, emptyViewHint());
        return;
    }
    const QPoint offset = scrollPosition();
    painter.translate(-offset);
    QtCanvas canvas(painter, event->region().translated(offset));
    photo->drawZoomed(canvas, zoom);
}

void CFotraView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    applyScrollRanges();
    computeFitZoom();
    viewport()->update();
}

// Every shown pixel depends only on its place in the zoomed picture, so
// the pixels still in view move as they are, colour-managed and all, and
// only the strips a scroll uncovers are painted (and converted).
void CFotraView::scrollContentsBy(int dx, int dy) { viewport()->scroll(dx, dy); }

void CFotraView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        showContextMenu(event->globalPosition().toPoint());
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

// Ctrl+wheel zooms around the pointer; the plain wheel scrolls.
void CFotraView::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const int notches = event->angleDelta().y() / QWheelEvent::DefaultDeltasPerStep;
    if (notches != 0) {
        zoomStep(notches > 0 ? 1 : -1, event->position().toPoint());
    }
    event->accept();
}

// The menu opens on the release of the right button, not on this event.
void CFotraView::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

std::unique_ptr<QMenu> CFotraView::createContextMenu()
{
    auto menu = std::make_unique<QMenu>(window());
    ICommandRouter& router = router_ != nullptr ? *router_ : *ownRouter_;
    std::vector<QAction*> actions;
    appendMenuItems(*menu, res::kViewContextMenu[0].items, router, actions);
    return menu;
}

void CFotraView::showContextMenu(const QPoint& globalPosition)
{
    const std::unique_ptr<QMenu> menu = createContextMenu();
    menu->exec(globalPosition);
}
