// The image view: shows `current` of the open photo at 1:1 with scroll bars
// or fitted to the window, offers the two display modes and undo/redo in its
// right-click menu, and is the document's view (zoom refit, scroll layout,
// repaint). It paints only the visible part of the picture.
#pragma once

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
    // In 1:1 mode with a photo: scroll extent = photo size, scrolled so that
    // the middle of a larger photo shows in the middle of the window.
    void updateScrollLayout() override;
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
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void onFitToWindow(int id);
    void onActualSize(int id);
    void onUpdateFitToWindow(int id, CommandUi& ui);
    void onUpdateActualSize(int id, CommandUi& ui);
    void setScrollSizes(QSize total);
    void applyScrollRanges();
    void showContextMenu(const QPoint& globalPosition);

    class ViewOnlyRouter;

    CFotraDoc& document_;
    ICommandRouter* router_ = nullptr;
    std::unique_ptr<ICommandRouter> ownRouter_;
    QSize scrollTotal_{100, 100};
};

// The one view of the program; the frame and the document reach it here.
extern CFotraView* theView;
