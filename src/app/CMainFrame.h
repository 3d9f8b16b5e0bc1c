// The main window: fixed title, the main menu built from menu 128, the status
// bar with its message pane and lock-key indicators, the image view, the
// visual styles (remembered in the settings), help, the web-page commands,
// user toolbars, drag and drop of photos and the save-changes question.
// Every menu command goes through routeCommand: frame, view, document,
// application, the first that maps the id handles it.
#pragma once

#include <functional>
#include <map>
#include <span>
#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QPointer>
#include <QMainWindow>

#include "app/AppServices.h"
#include "app/CommandRouting.h"
#include "app/DocumentTarget.h"

class CFotraDoc;
class CFotraView;
class QLabel;
class QMenu;
class QToolBar;

// What the frame needs from the program; the tests pass fakes.
struct FrameLinks {
    CFotraDoc* document = nullptr;        // required
    CCommandTarget* application = nullptr; // last target of the routing
    IAppPrompts* prompts = nullptr;        // required
    IShell* shell = nullptr;               // required
    unsigned* appLook = nullptr;           // the application's field, kept in step
    QString programDirectory;              // where the help folder is found from; the executable's by default
    std::function<QStringList()> recentFiles;                 // newest first; none: an empty list
    std::function<void(const QString& path)> forgetRecentFile; // takes a missing photo off the list
};

// One button of a user toolbar: its command and its image in the user
// images (-1 for a text button).
struct UserToolbarButton {
    int commandId = 0;
    int imageIndex = -1;
    friend bool operator==(const UserToolbarButton&, const UserToolbarButton&) = default;
};

class CMainFrame : public QMainWindow, public CCommandTarget, public ICommandRouter {
public:
    explicit CMainFrame(FrameLinks links, QWidget* parent = nullptr);
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    CFotraView& view() { return *view_; }
    unsigned appLook() const { return appLook_; }

    void routeCommand(int id) override;
    CommandUi commandUi(int id) override;
    bool onCommand(int id) override;
    bool onUpdateCommand(int id, CommandUi& ui) override;
    bool hasHandler(int id) const override;

    // Runs the update handlers of every menu command (the menus also run
    // them before they open).
    void updateCommandStates();
    // The first main-menu action that carries `id`, or null.
    QAction* findCommandAction(int id) const;
    QString statusMessage() const;
    QList<QLabel*> statusPanes() const;
    // The status bar's zoom pane ("150%"; empty before the first photo).
    QString zoomText() const;

    // With unsaved changes, asks whether to save them: true to go on (saved
    // or discarded), false to keep them and stop.
    bool confirmDiscardChanges();
    // Opens a photo file as a dropped file opens: the question first.
    bool openPhotoWithQuestion(const QString& path);
    // ファイル → 最近使った写真: rebuilt each time it opens, photos that are
    // no longer there greyed.
    QMenu* recentPhotosMenu() const { return recentMenu_; }
    // A photo of the recent list: opened with the question, or, when it is
    // gone, reported and taken off the list.
    void openRecentPhoto(const QString& path);

    // User toolbars (ids 59432..59441).
    QToolBar* createUserToolbar(const QString& title); // null when all ten exist
    void setUserToolbarButtons(QToolBar* toolbar, const std::vector<UserToolbarButton>& buttons);
    std::vector<UserToolbarButton> userToolbarButtons(const QToolBar* toolbar) const;
    void removeUserToolbar(QToolBar* toolbar);
    QList<QToolBar*> userToolbars() const;
    const std::vector<QImage>& userButtonImages() const { return userImages_; }
    // Loads the user button images from a bitmap of at most 819200 bytes,
    // cut into 16 x 15 buttons; false (and none) when it cannot be used.
    bool loadUserButtonImages(const QString& path);

    // Writes the bars' state to the settings.
    void saveWorkspace();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    QMenu* createPopupMenu() override;

private:
    static std::span<const CommandMapEntry<CMainFrame>> commandMap();
    void onOpenPhoto(int id);
    void onAppExit(int id);
    void onApplicationLook(int id);
    void onUpdateApplicationLook(int id, CommandUi& ui);
    void onViewCustomize(int id);
    void onHelpUsage(int id);
    void onWebPage(int id);

    void applyLook(int id);
    void addRecentPhotosMenu();
    void fillRecentPhotosMenu();
    void refitView();
    void updateLockIndicators();
    void restoreWorkspace();
    void addCustomizeButton(QToolBar* toolbar);
    QIcon userButtonIcon(int imageIndex) const;

    FrameLinks links_;
    CDocumentTarget documentTarget_;
    CFotraView* view_ = nullptr;
    unsigned appLook_ = 0;
    int office2007Scheme_ = 0;
    std::vector<QAction*> menuActions_;
    QMenu* recentMenu_ = nullptr;
    QLabel* messagePane_ = nullptr;
    QLabel* zoomPane_ = nullptr;
    QLabel* capsPane_ = nullptr;
    QLabel* numPane_ = nullptr;
    QLabel* scrollPane_ = nullptr;
    std::vector<QImage> userImages_;
    std::map<const QToolBar*, std::vector<UserToolbarButton>> toolbarButtons_;
    QPointer<QWidget> customizeDialog_;
};

// The settings store of the program (organisation "Orvelle", application
// "PEKARUN4FREE").
std::unique_ptr<class QSettings> openAppSettings();
