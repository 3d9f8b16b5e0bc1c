// The image view: shows `current` of the open photo at 1:1 with scroll bars
// or fitted to the window, offers the two display modes and undo/redo in its
// right-click menu, and is the document's view (zoom refit, scroll layout,
// repaint). It paints only the visible part of the picture.
#pragma once

#include <functional>
#include <memory>

#include <QAbstractScrollArea>
#include <QPoint>
#include <QSize>

#include "app/CommandRouting.h"
#include "document/DocumentUi.h"

class CFotraDoc;
class QMenu;

class CFotraView : public QAbstractScrollArea, public CCommandTarget, public IDocumentView {
public:
    explicit CFotraView(CFotraDoc& document, QWidget* parent = nullptr);
    ~CFotraView() override;
    CFotraView(const CFotraView&) = delete;
    CFotraView& operator=(const CFotraView&) = delete;

    // The frame's router, through which the context menu's commands go.
    void setCommandRouter(ICommandRouter* router) { router_ = router; }

    double zoom = 1.0;
    bool fitToWindow = false;

    // In fit mode with a photo: zoom = the smaller of client height / photo
    // height and client width / photo width, scroll extent 1 x 1; true then.
    bool computeFitZoom() override;
    // Outside fit mode with a photo: scroll extent = photo size at the zoom
    // (the photo size at 1:1), scrolled so that the middle of a larger
    // picture shows in the middle of the window.
    void updateScrollLayout() override;

    // The zoom steps of Ctrl+wheel and Ctrl+plus/minus, smallest first.
    static constexpr double kZoomSteps[] = {0.125, 0.25, 1.0 / 3.0, 0.5, 2.0 / 3.0, 1.0, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0};
    // Moves to the next zoom step above (`steps` > 0) or below the present
    // zoom, leaving fit mode; the picture point under `anchor` (viewport
    // coordinates) stays under it. Nothing happens without a photo or at the
    // last step.
    void zoomStep(int steps, QPoint anchor);
    // Called whenever the zoom or the mode changes (the status bar's pane).
    void setZoomListener(std::function<void(double zoom)> listener) { zoomListener_ = std::move(listener); }
    void invalidate() override;

    bool onCommand(int id) override;
    bool onUpdateCommand(int id, CommandUi& ui) override;
    bool hasHandler(int id) const override;

    QSize scrollTotal() const { return scrollTotal_; }
    // What the view shows while no photo is open: how to open one.
    static QString emptyViewHint();
    QPoint scrollPosition() const;
    // Menu 315's first popup, its actions routed through the router.
    std::unique_ptr<QMenu> createContextMenu();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void onFitToWindow(int id);
    void onActualSize(int id);
    void onUpdateFitToWindow(int id, CommandUi& ui);
    void onUpdateActualSize(int id, CommandUi& ui);
    void setScrollSizes(QSize total);
    void applyScrollRanges();
    void showContextMenu(const QPoint& globalPosition);
    QSize pictureSize() const;
    void notifyZoom();

    class ViewOnlyRouter;

    CFotraDoc& document_;
    ICommandRouter* router_ = nullptr;
    std::unique_ptr<ICommandRouter> ownRouter_;
    QSize scrollTotal_{100, 100};
    std::function<void(double zoom)> zoomListener_;
};

// The one view of the program; the frame and the document reach it here.
extern CFotraView* theView;
