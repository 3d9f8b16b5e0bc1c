// The application object: start-up in a fixed order (single instance,
// settings, document, frame and view, the main window shown maximized, then
// the image-file modules, then the photos named on the command line),
// shutdown (modules released, settings written) and the About command.
#pragma once

#include <memory>

#include <QLockFile>
#include <QString>
#include <QStringList>

#include "app/AppServices.h"
#include "app/CommandRouting.h"
#include "document/CFotraDoc.h"

class CMainFrame;
class PhotoHandOver;
class QtFileDialogs;
class QtPrompts;
class QtShell;
class QtWaitCursor;

// Replacements for the desktop services; null members get the Qt ones.
struct AppServices {
    IAppPrompts* prompts = nullptr;
    IShell* shell = nullptr;
    IFileDialogs* fileDialogs = nullptr;
    IEffectDialogFactory* effectDialogs = nullptr;
    CFotraDoc::PhotoLoader photoLoader; // empty: read files through the library
    bool showWindow = true;             // tests may keep the window hidden
};

inline constexpr int kRecentFileCount = 16;

class CFotraApp : public CCommandTarget {
public:
    explicit CFotraApp(AppServices services = {});
    ~CFotraApp() override;
    CFotraApp(const CFotraApp&) = delete;
    CFotraApp& operator=(const CFotraApp&) = delete;

    // Start-up; false when the program is to end at once: another instance
    // runs (the photos named in `arguments` are handed to it first), or the
    // program cannot start (startFailure() says why).
    // `arguments` starts with the program's name.
    bool initInstance(const QStringList& arguments);
    // Why the last initInstance could not start the program (the lock could
    // not be written, with its folder); empty when it started or another
    // instance runs.
    QString startFailure() const { return startFailure_; }
    // Shutdown: releases the image-file modules and writes the settings.
    void exitInstance();

    // The command id of the frame's current visual style.
    unsigned appLook = 0;

    CMainFrame* mainFrame() { return frame_.get(); }
    CFotraDoc* document() { return document_.get(); }

    // Newest first, at most 16.
    QStringList recentFiles() const { return recentFiles_; }
    void addToRecentFileList(const QString& path);
    void removeFromRecentFileList(const QString& path);

    // The name the single-instance lock is derived from, its path, and the
    // path of the socket beside it through which a second start hands over
    // its photos.
    static QString executableName();
    static QString instanceLockPath();
    static QString instanceSocketPath();

    bool onCommand(int id) override;
    bool onUpdateCommand(int id, CommandUi& ui) override;
    bool hasHandler(int id) const override;

private:
    void bringToFront();
    void loadRecentFileList();
    void saveProfileSettings() const;

    AppServices services_;
    std::unique_ptr<QtPrompts> qtPrompts_;
    std::unique_ptr<QtShell> qtShell_;
    std::unique_ptr<QtFileDialogs> qtFileDialogs_;
    std::unique_ptr<QtWaitCursor> waitCursor_;
    std::unique_ptr<IStatusLine> statusLine_;
    std::unique_ptr<IEffectDialogFactory> effectDialogFactory_;
    std::unique_ptr<QLockFile> instanceLock_;
    std::unique_ptr<PhotoHandOver> handOver_;
    QString startFailure_;
    std::unique_ptr<CFotraDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
    QStringList recentFiles_;
    bool librariesLoaded_ = false;
};

// The one application object of the running program.
extern CFotraApp* theApp;
