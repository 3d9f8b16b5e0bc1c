// Start-up and shutdown of the program. The order matters: the window is
// shown before the image-file modules load, the command-line photos open
// after them, and the lock is held until the process ends.
#include "app/CFotraApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

#include "app/CAboutDlg.h"
#include "app/CFotraView.h"
#include "app/CMainFrame.h"
#include "app/EffectDialogFactory.h"
#include "app/FileNames.h"
#include "app/PhotoHandOver.h"
#include "app/QtServices.h"
#include "app/QtStatusLine.h"
#include "document/CFotraDoc.h"
#include "document/SessionFiles.h"
#include "image/DisplayColour.h"
#include "image/ik5/Ik5Loader.h"
#include "image/metadata/ExivMetadataIo.h"
#include "res/Menus.h"
#include "res/ResourceIds.h"

CFotraApp* theApp = nullptr;

namespace {

constexpr const char* kRecentGroup = "Recent File List";
// The history's memory budget in MiB; absent or 0: the document's default.
constexpr const char* kHistoryBudgetKey = "Settings/HistoryMemoryBudgetMiB";
constexpr const char* kHistoryCacheBudgetKey = "Settings/HistoryCacheBudgetMiB";
// The monitor's ICC profile file; absent or empty: the display is taken as sRGB.
constexpr const char* kMonitorProfileKey = "Settings/MonitorProfile";
constexpr const char* kMonitorProfileUnusableStatus =
    "設定のモニタープロファイルを読めないため、写真を sRGB の色で表示します。";

// Photos are shown in the colours of the monitor profile the settings name;
// false when that file cannot be read or is no RGB display profile (the
// display then stays sRGB).
bool useMonitorProfile(const QString& path)
{
    if (path.isEmpty()) {
        return true;
    }
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return !bytes.isEmpty()
           && display::setDisplayProfile(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                   static_cast<std::size_t>(bytes.size())));
}

} // namespace

CFotraApp::CFotraApp(AppServices services) : services_(services)
{
    theApp = this;
}

CFotraApp::~CFotraApp()
{
    // Nothing handed over reaches a frame being destroyed; the frame goes
    // before the document it shows.
    handOver_.reset();
    frame_.reset();
    document_.reset();
    if (librariesLoaded_) {
        ik5::releaseLibraries();
    }
    if (theApp == this) {
        theApp = nullptr;
    }
}

QString CFotraApp::executableName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

namespace {

// The user's runtime folder, where the lock and the hand-over socket live.
QString instanceFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

} // namespace

QString CFotraApp::instanceLockPath() { return QDir(instanceFolder()).filePath(executableName() + ".lock"); }

QString CFotraApp::instanceSocketPath() { return QDir(instanceFolder()).filePath(executableName() + ".socket"); }

bool CFotraApp::initInstance(const QStringList& arguments)
{
    // Single instance: the lock stays held for the life of the process. A
    // lock is taken over only when the process that held it has ended.
    instanceLock_ = std::make_unique<QLockFile>(instanceLockPath());
    instanceLock_->setStaleLockTime(0);
    if (!instanceLock_->tryLock(0)) {
        // Only a lock held by a running instance means "already running"; a
        // lock that cannot be written (read-only or full folder) is said.
        const bool anotherRuns = instanceLock_->error() == QLockFile::LockFailedError;
        instanceLock_.reset();
        if (!anotherRuns) {
            const QString folder = QFileInfo(instanceLockPath()).absolutePath();
            startFailure_ = QStringLiteral("フォルダー %1 にロックファイルを書き込めないため、起動できません。\n"
                                           "(cannot start: the lock file cannot be written in %1)")
                                .arg(folder);
            return false;
        }
        if (arguments.size() > 1) {
            PhotoHandOver::handOver(instanceSocketPath(), arguments.mid(1));
        }
        return false;
    }

    // The settings: organisation "Orvelle", application "PEKARUN4FREE".
    loadRecentFileList();

    // The desktop's services, unless the caller put in its own.
    if (services_.prompts == nullptr) {
        qtPrompts_ = std::make_unique<QtPrompts>();
        services_.prompts = qtPrompts_.get();
    }
    if (services_.shell == nullptr) {
        qtShell_ = std::make_unique<QtShell>();
        services_.shell = qtShell_.get();
    }
    if (services_.fileDialogs == nullptr) {
        qtFileDialogs_ = std::make_unique<QtFileDialogs>();
        services_.fileDialogs = qtFileDialogs_.get();
    }
    waitCursor_ = std::make_unique<QtWaitCursor>();

    // Document, frame and view.
    document_ = std::make_unique<CFotraDoc>();
    // The history keeps what exceeds its memory budget in the session folder,
    // which also lets the next start recover an edit after a crash.
    document_->setSessionFolder(session::defaultFolder());
    // Photos keep their camera metadata and colour profile when saved.
    document_->setMetadataIo(std::make_shared<metadata::ExivMetadataIo>());
    if (const QVariant budget = openAppSettings()->value(kHistoryBudgetKey); budget.isValid()) {
        const qulonglong mebibytes = budget.toULongLong();
        if (mebibytes > 0) {
            document_->setHistoryMemoryBudget(static_cast<std::size_t>(mebibytes) << 20);
        }
    }
    // The history file's budget; 0 keeps snapshots out of the cache (and crash recovery off).
    if (const QVariant budget = openAppSettings()->value(kHistoryCacheBudgetKey); budget.isValid()) {
        document_->setHistoryCacheBudget(std::uint64_t{budget.toULongLong()} << 20);
    }
    if (services_.photoLoader) {
        document_->setPhotoLoader(services_.photoLoader);
    }
    FrameLinks links;
    links.document = document_.get();
    links.application = this;
    links.prompts = services_.prompts;
    links.shell = services_.shell;
    links.appLook = &appLook;
    links.recentFiles = [this] { return recentFiles_; };
    links.forgetRecentFile = [this](const QString& path) { removeFromRecentFileList(path); };
    frame_ = std::make_unique<CMainFrame>(std::move(links));
    if (qtPrompts_ != nullptr) {
        qtPrompts_->setParent(frame_.get());
    }
    if (qtFileDialogs_ != nullptr) {
        qtFileDialogs_->setParent(frame_.get());
    }
    if (services_.effectDialogs == nullptr) {
        effectDialogFactory_ = makeEffectDialogFactory(frame_.get());
        services_.effectDialogs = effectDialogFactory_.get();
    }
    DocumentUi ui;
    ui.fileDialogs = services_.fileDialogs;
    ui.messageBox = services_.prompts;
    ui.questionBox = services_.prompts;
    ui.waitCursor = waitCursor_.get();
    ui.effectDialogs = services_.effectDialogs;
    ui.view = &frame_->view();
    ui.photoOpened = [this](const std::string& path) { addToRecentFileList(fileNameText(path)); };
    statusLine_ = std::make_unique<QtStatusLine>(*frame_->statusBar());
    ui.statusLine = statusLine_.get();
    document_->setUi(ui);
    if (!useMonitorProfile(openAppSettings()->value(kMonitorProfileKey).toString())) {
        statusLine_->showStatus(kMonitorProfileUnusableStatus);
    }

    // "Open with" while this program runs reaches it here.
    handOver_ = std::make_unique<PhotoHandOver>(
        [this](const QString& path) { frame_->openPhotoWithQuestion(path); }, [this] { bringToFront(); });
    handOver_->listen(instanceSocketPath());

    // The main window first, then the image-file modules.
    if (services_.showWindow) {
        // Without a window manager "maximized" means nothing, so the window
        // is given the screen's available area first.
        if (const QScreen* screen = frame_->screen()) {
            frame_->setGeometry(screen->availableGeometry());
        }
        frame_->showMaximized();
    }
    ik5::loadLibraries();
    librariesLoaded_ = true;

    // An edit that a crash interrupted is offered before anything opens.
    document_->offerSessionRecovery();

    // Photos named on the command line open one after another (a recovered
    // edit is not replaced without the save-changes question).
    for (qsizetype index = 1; index < arguments.size(); ++index) {
        frame_->openPhotoWithQuestion(absoluteFileName(arguments[index]));
    }
    frame_->updateCommandStates();
    return true;
}

void CFotraApp::bringToFront()
{
    if (!frame_->isVisible()) {
        return;
    }
    frame_->setWindowState((frame_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    frame_->raise();
    frame_->activateWindow();
}

void CFotraApp::exitInstance()
{
    if (librariesLoaded_) {
        ik5::releaseLibraries();
        librariesLoaded_ = false;
    }
    if (instanceLock_ != nullptr) {
        saveProfileSettings();
    }
}

void CFotraApp::addToRecentFileList(const QString& path)
{
    recentFiles_.removeAll(path);
    recentFiles_.prepend(path);
    while (recentFiles_.size() > kRecentFileCount) {
        recentFiles_.removeLast();
    }
    saveProfileSettings();
}

void CFotraApp::removeFromRecentFileList(const QString& path)
{
    recentFiles_.removeAll(path);
    saveProfileSettings();
}

void CFotraApp::loadRecentFileList()
{
    const std::unique_ptr<QSettings> settings = openAppSettings();
    settings->beginGroup(kRecentGroup);
    recentFiles_.clear();
    for (int number = 1; number <= kRecentFileCount; ++number) {
        // A name that is not UTF-8 is kept as its bytes.
        const QVariant value = settings->value(QString("File%1").arg(number));
        const QString path = value.typeId() == QMetaType::QByteArray ? fileNameText(value.toByteArray().toStdString())
                                                                     : value.toString();
        if (!path.isEmpty()) {
            recentFiles_ << path;
        }
    }
    settings->endGroup();
}

void CFotraApp::saveProfileSettings() const
{
    const std::unique_ptr<QSettings> settings = openAppSettings();
    settings->beginGroup(kRecentGroup);
    for (int number = 1; number <= kRecentFileCount; ++number) {
        const QString key = QString("File%1").arg(number);
        if (number <= recentFiles_.size()) {
            const QString& path = recentFiles_[number - 1];
            const std::string bytes = fileNameBytes(path);
            if (QString::fromStdString(bytes) == path) {
                settings->setValue(key, path);
            } else {
                settings->setValue(key, QByteArray::fromStdString(bytes));
            }
        } else {
            settings->remove(key);
        }
    }
    settings->endGroup();
    settings->setValue("Settings/PreviewPages", 0);
}

bool CFotraApp::onCommand(int id)
{
    if (id != res::ID_APP_ABOUT) {
        return false;
    }
    CAboutDlg about(frame_.get());
    about.exec();
    return true;
}

bool CFotraApp::onUpdateCommand(int, CommandUi&) { return false; }

bool CFotraApp::hasHandler(int id) const { return id == res::ID_APP_ABOUT; }
