// The main window and the command routing. Every command, from a menu, a
// shortcut, a toolbar or the context menu, runs only while its update
// handler says it is enabled, and the states are refreshed after each.
#include "app/CMainFrame.h"

#include <array>
#include <cmath>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QUrl>

#include "app/CFotraView.h"
#include "app/FileNames.h"
#include "app/HelpPages.h"
#include "app/MenuBuilder.h"
#include "app/ProgramIcon.h"
#include "app/ToolbarCustomizeDialog.h"
#include "app/VisualStyles.h"
#include "document/CFotraDoc.h"
#include "res/Accelerators.h"
#include "res/Menus.h"
#include "res/Strings.h"
#include "res/PageLinks.h"

namespace {

constexpr const char* kWorkspaceGroup = "Workspace";
constexpr const char* kApplicationLookKey = "Workspace/ApplicationLook";
constexpr const char* kBarStateKey = "Workspace/BarState";
constexpr const char* kUserToolbarsKey = "Workspace/UserToolbars";
constexpr qint64 kMaxUserImagesBytes = 819200;
constexpr QSize kUserButtonSize{16, 15};

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Lock-key state from the keyboard LEDs the kernel exposes; false where
// none can be read.
bool lockKeyOn(const char* ledSuffix)
{
    const QDir leds("/sys/class/leds");
    for (const QString& name : leds.entryList({QString("*::") + ledSuffix}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile brightness(leds.filePath(name + "/brightness"));
        if (brightness.open(QIODevice::ReadOnly) && brightness.readAll().trimmed().toInt() > 0) {
            return true;
        }
    }
    return false;
}

bool isPhotoFileName(const QString& path)
{
    static const QStringList kExtensions{"jpg", "jpeg", "png", "tif", "tiff", "bmp"};
    return kExtensions.contains(QFileInfo(path).suffix().toLower());
}

// The first local file of a drag, or an empty string.
QString droppedFile(const QMimeData* mime)
{
    if (mime == nullptr || !mime->hasUrls()) {
        return {};
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return {};
}

QString userToolbarName(int id) { return QString("UserToolbar%1").arg(id); }

int userToolbarId(const QToolBar* toolbar)
{
    const QString name = toolbar->objectName();
    return name.startsWith("UserToolbar") ? name.mid(11).toInt() : 0;
}


} // namespace

std::span<const CommandMapEntry<CMainFrame>> CMainFrame::commandMap()
{
    static constexpr std::array<CommandMapEntry<CMainFrame>, 8> kFrameCommands{{
        {CommandId::OpenPhoto, CommandId::OpenPhoto, &CMainFrame::onOpenPhoto, nullptr},
        {res::ID_APP_EXIT, res::ID_APP_EXIT, &CMainFrame::onAppExit, nullptr},
        {res::ID_VIEW_APPLOOK_FIRST, res::ID_VIEW_APPLOOK_LAST, &CMainFrame::onApplicationLook,
         &CMainFrame::onUpdateApplicationLook},
        {res::ID_VIEW_CUSTOMIZE, res::ID_VIEW_CUSTOMIZE, &CMainFrame::onViewCustomize, nullptr},
        {res::ID_HELP_USAGE, res::ID_HELP_USAGE, &CMainFrame::onHelpUsage, nullptr},
        {res::ID_WEB_PAID_DOWNLOAD, res::ID_WEB_PAID_DOWNLOAD, &CMainFrame::onWebPage, nullptr},
        {res::ID_WEB_PAID_EXAMPLES, res::ID_WEB_PAID_EXAMPLES, &CMainFrame::onWebPage, nullptr},
        {res::ID_WEB_SKIN_VIDEO, res::ID_WEB_SKIN_VIDEO, &CMainFrame::onWebPage, nullptr},
    }};
    return kFrameCommands;
}

std::unique_ptr<QSettings> openAppSettings()
{
    return std::make_unique<QSettings>("Orvelle", toQString(res::loadString(res::IDS_APP_NAME)));
}

CMainFrame::CMainFrame(FrameLinks links, QWidget* parent)
    : QMainWindow(parent), links_(std::move(links)), documentTarget_(*links_.document)
{
    if (links_.programDirectory.isEmpty()) {
        links_.programDirectory = QCoreApplication::applicationDirPath();
    }
    appLook_ = openAppSettings()->value(kApplicationLookKey, res::ID_VIEW_APPLOOK_DEFAULT).toUInt();
    office2007Scheme_ = res::ID_VIEW_APPLOOK_OFF_2007_BLUE;
    if (links_.appLook != nullptr) {
        *links_.appLook = appLook_;
    }

    // The title never shows the document's name.
    setObjectName("MainFrame");
    setWindowTitle("ぺかるん４　フリー版");
    setWindowIcon(programIcon());
    setAcceptDrops(true);

    applyLook(static_cast<int>(appLook_));

    // The view first: the menus ask it for the states of its commands.
    view_ = new CFotraView(*links_.document, this);
    view_->setCommandRouter(this);
    setCentralWidget(view_);
    links_.document->setView(view_);

    fillMenuBar(*menuBar(), res::kMainMenu, *this, menuActions_);
    addRecentPhotosMenu();
    for (const res::Accelerator& accelerator : res::kAccelerators) {
        if (QAction* action = findCommandAction(accelerator.id)) {
            QList<QKeySequence> keys = action->shortcuts();
            keys << QKeySequence(toQString(accelerator.keys), QKeySequence::PortableText);
            action->setShortcuts(keys);
        }
    }

    messagePane_ = new QLabel(toQString(res::loadString(res::IDS_IDLE_MESSAGE)));
    capsPane_ = new QLabel(toQString(res::loadString(res::IDS_INDICATOR_CAPS)));
    numPane_ = new QLabel(toQString(res::loadString(res::IDS_INDICATOR_NUM)));
    scrollPane_ = new QLabel(toQString(res::loadString(res::IDS_INDICATOR_SCRL)));
    statusBar()->addWidget(messagePane_, 1);
    zoomPane_ = new QLabel;
    zoomPane_->setAlignment(Qt::AlignCenter);
    zoomPane_->setMinimumWidth(zoomPane_->fontMetrics().horizontalAdvance("8888%") + 12);
    statusBar()->addPermanentWidget(zoomPane_);
    view_->setZoomListener(
        [this](double zoom) { zoomPane_->setText(QString("%1%").arg(std::lround(zoom * 100.0))); });
    for (QLabel* indicator : {capsPane_, numPane_, scrollPane_}) {
        indicator->setAlignment(Qt::AlignCenter);
        indicator->setMinimumWidth(indicator->fontMetrics().horizontalAdvance("SCRL") + 12);
        statusBar()->addPermanentWidget(indicator);
    }
    updateLockIndicators();
    qApp->installEventFilter(this);


    if (QFileInfo(QDir::current().filePath("UserImages.bmp")).isFile()) {
        loadUserButtonImages(QDir::current().filePath("UserImages.bmp"));
    }
    restoreWorkspace();
    updateCommandStates();
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    if (links_.document != nullptr) {
        links_.document->setView(nullptr);
    }
}

void CMainFrame::routeCommand(int id)
{
    if (!commandUi(id).enabled) {
        return;
    }
    if (onCommand(id) || view_->onCommand(id) || documentTarget_.onCommand(id)) {
        updateCommandStates();
        return;
    }
    if (links_.application != nullptr) {
        links_.application->onCommand(id);
    }
    updateCommandStates();
}

CommandUi CMainFrame::commandUi(int id)
{
    CommandUi ui;
    if (onUpdateCommand(id, ui) || view_->onUpdateCommand(id, ui) || documentTarget_.onUpdateCommand(id, ui) ||
        (links_.application != nullptr && links_.application->onUpdateCommand(id, ui))) {
        return ui;
    }
    // Without an update handler a command is enabled exactly when a target
    // handles it; the framework's own commands of the edit menu have none.
    ui.enabled = hasHandler(id) || view_->hasHandler(id) || documentTarget_.hasHandler(id) ||
                 (links_.application != nullptr && links_.application->hasHandler(id));
    return ui;
}

bool CMainFrame::onCommand(int id) { return dispatchCommand<CMainFrame>(*this, commandMap(), id); }

bool CMainFrame::hasHandler(int id) const { return mapHasHandler<CMainFrame>(commandMap(), id); }

bool CMainFrame::onUpdateCommand(int id, CommandUi& ui)
{
    return dispatchUpdate<CMainFrame>(*this, commandMap(), id, ui);
}

void CMainFrame::updateCommandStates()
{
    for (QAction* action : menuActions_) {
        applyCommandUi(*action, commandUi(commandIdOf(action)));
    }
    for (QToolBar* toolbar : userToolbars()) {
        for (QAction* action : toolbar->actions()) {
            if (const int id = commandIdOf(action); id != 0) {
                applyCommandUi(*action, commandUi(id));
            }
        }
    }
}

QAction* CMainFrame::findCommandAction(int id) const
{
    for (QAction* action : menuActions_) {
        if (commandIdOf(action) == id) {
            return action;
        }
    }
    return nullptr;
}

QString CMainFrame::statusMessage() const { return messagePane_->text(); }

QString CMainFrame::zoomText() const { return zoomPane_->text(); }

QList<QLabel*> CMainFrame::statusPanes() const { return {messagePane_, capsPane_, numPane_, scrollPane_}; }

bool CMainFrame::confirmDiscardChanges()
{
    if (!links_.document->hasUnsavedChanges()) {
        return true;
    }
    switch (links_.prompts->askSaveChanges()) {
    case SaveChangesAnswer::Save:
        links_.document->onCommand(CommandId::SavePhoto);
        updateCommandStates();
        return !links_.document->hasUnsavedChanges();
    case SaveChangesAnswer::Discard:
        return true;
    case SaveChangesAnswer::Cancel:
        break;
    }
    return false;
}

bool CMainFrame::openPhotoWithQuestion(const QString& path)
{
    if (!confirmDiscardChanges()) {
        return false;
    }
    const bool opened = links_.document->openPhotoFile(fileNameBytes(path));
    updateCommandStates();
    return opened;
}

// The submenu goes above the separator before the exit command.
void CMainFrame::addRecentPhotosMenu()
{
    QAction* exit = findCommandAction(res::ID_APP_EXIT);
    QMenu* fileMenu = exit != nullptr ? qobject_cast<QMenu*>(exit->parent()) : nullptr;
    if (fileMenu == nullptr) {
        return;
    }
    const QList<QAction*> actions = fileMenu->actions();
    const qsizetype exitIndex = actions.indexOf(exit);
    QAction* before = exitIndex > 0 && actions[exitIndex - 1]->isSeparator() ? actions[exitIndex - 1] : exit;
    recentMenu_ = new QMenu(toQString(res::loadString(res::IDS_RECENT_PHOTOS_MENU)), fileMenu);
    fileMenu->insertMenu(before, recentMenu_);
    connect(recentMenu_, &QMenu::aboutToShow, this, &CMainFrame::fillRecentPhotosMenu);
    fillRecentPhotosMenu();
}

void CMainFrame::fillRecentPhotosMenu()
{
    recentMenu_->clear();
    const QStringList photos = links_.recentFiles ? links_.recentFiles() : QStringList();
    if (photos.isEmpty()) {
        recentMenu_->addAction(toQString(res::loadString(res::IDS_RECENT_PHOTOS_EMPTY)))->setEnabled(false);
        return;
    }
    for (qsizetype index = 0; index < photos.size(); ++index) {
        const QString& path = photos[index];
        // Numbers 1 to 9 are the items' keys.
        const QString number = index < 9 ? QString("&%1").arg(index + 1) : QString::number(index + 1);
        QString text = number + " " + QDir::toNativeSeparators(shownFileName(path)).replace('&', "&&");
        const bool present = isRegularFileName(path);
        if (!present) {
            text += toQString(res::loadString(res::IDS_RECENT_PHOTO_MISSING_MARK));
        }
        QAction* action = recentMenu_->addAction(text);
        action->setStatusTip(shownFileName(path));
        action->setEnabled(present);
        connect(action, &QAction::triggered, this, [this, path] { openRecentPhoto(path); });
    }
}

void CMainFrame::openRecentPhoto(const QString& path)
{
    if (!isRegularFileName(path)) {
        links_.prompts->showMessage(std::string(res::loadString(res::IDS_RECENT_PHOTO_MISSING)) + "\n" +
                                    shownFileName(path).toStdString());
        if (links_.forgetRecentFile) {
            links_.forgetRecentFile(path);
        }
        return;
    }
    openPhotoWithQuestion(path);
}

void CMainFrame::onOpenPhoto(int id)
{
    if (confirmDiscardChanges()) {
        documentTarget_.onCommand(id);
    }
}

void CMainFrame::onAppExit(int) { close(); }

void CMainFrame::onApplicationLook(int id)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    applyLook(id);
    // Redraw the whole frame with its children at once.
    update();
    for (QWidget* child : findChildren<QWidget*>()) {
        child->update();
    }
    openAppSettings()->setValue(kApplicationLookKey, appLook_);
    QApplication::restoreOverrideCursor();
}

void CMainFrame::onUpdateApplicationLook(int id, CommandUi& ui)
{
    ui.enabled = true;
    ui.radio = true;
    ui.checked = static_cast<unsigned>(id) == appLook_;
}

void CMainFrame::applyLook(int id)
{
    appLook_ = static_cast<unsigned>(id);
    if (links_.appLook != nullptr) {
        *links_.appLook = appLook_;
    }
    office2007Scheme_ = office2007SchemeAfter(id, office2007Scheme_);
    const VisualStyle style = visualStyleFor(id, office2007Scheme_);
    installVisualStyle(style);
    setDockOptions(style.smartDocking ? (AnimatedDocks | AllowNestedDocks | AllowTabbedDocks) : AnimatedDocks);
}

void CMainFrame::onViewCustomize(int)
{
    if (customizeDialog_ == nullptr) {
        auto* dialog = new CToolbarCustomizeDialog(*this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        customizeDialog_ = dialog;
    }
    customizeDialog_->show();
    customizeDialog_->raise();
    customizeDialog_->activateWindow();
}

void CMainFrame::onHelpUsage(int)
{
    const QString page = QDir(helpFolder(links_.programDirectory)).filePath("help.htm");
    if (!links_.shell->openLocalFile(page.toStdString())) {
        links_.prompts->showMessage(std::string(res::loadString(res::IDS_HELP_OPEN_FAILED)));
    }
}

void CMainFrame::onWebPage(int id)
{
    const QString page = QDir(helpFolder(links_.programDirectory)).filePath(toQString(res::pageFor(id)));
    if (!links_.shell->openLocalFile(page.toStdString())) {
        links_.prompts->showMessage(std::string(res::loadString(res::IDS_WEB_OPEN_FAILED)));
    }
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        messagePane_->setText(tip.isEmpty() ? toQString(res::loadString(res::IDS_IDLE_MESSAGE)) : tip);
        return true;
    }
    if (event->type() == QEvent::WindowActivate) {
        updateLockIndicators();
    }
    return QMainWindow::event(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock) {
            updateLockIndicators();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::updateLockIndicators()
{
    capsPane_->setEnabled(lockKeyOn("capslock"));
    numPane_->setEnabled(lockKeyOn("numlock"));
    scrollPane_->setEnabled(lockKeyOn("scrolllock"));
}

void CMainFrame::refitView()
{
    if (links_.document->hasPhoto()) {
        view_->computeFitZoom();
        view_->updateScrollLayout();
    }
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    refitView();
}

void CMainFrame::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        refitView();
    }
    QMainWindow::changeEvent(event);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!confirmDiscardChanges()) {
        event->ignore();
        return;
    }
    saveWorkspace();
    if (customizeDialog_ != nullptr) {
        customizeDialog_->close();
    }
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (isPhotoFileName(droppedFile(event->mimeData()))) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QString path = droppedFile(event->mimeData());
    if (!isPhotoFileName(path)) {
        return;
    }
    event->acceptProposedAction();
    openPhotoWithQuestion(path);
}

// The pane context menu: the bars, then "カスタマイズ...".
QMenu* CMainFrame::createPopupMenu()
{
    QMenu* menu = QMainWindow::createPopupMenu();
    if (menu == nullptr) {
        menu = new QMenu(this);
    } else {
        menu->addSeparator();
    }
    QAction* customize = menu->addAction(toQString(res::loadString(res::IDS_TOOLBAR_CUSTOMIZE)));
    customize->setData(res::ID_VIEW_CUSTOMIZE);
    connect(customize, &QAction::triggered, this, [this] { routeCommand(res::ID_VIEW_CUSTOMIZE); });
    return menu;
}

QToolBar* CMainFrame::createUserToolbar(const QString& title)
{
    for (int id = res::ID_USER_TOOLBAR_FIRST; id <= res::ID_USER_TOOLBAR_LAST; ++id) {
        if (findChild<QToolBar*>(userToolbarName(id), Qt::FindDirectChildrenOnly) != nullptr) {
            continue;
        }
        auto* toolbar = new QToolBar(title, this);
        toolbar->setObjectName(userToolbarName(id));
        addToolBar(Qt::TopToolBarArea, toolbar);
        setUserToolbarButtons(toolbar, {});
        return toolbar;
    }
    return nullptr;
}

void CMainFrame::setUserToolbarButtons(QToolBar* toolbar, const std::vector<UserToolbarButton>& buttons)
{
    toolbar->clear();
    toolbarButtons_[toolbar] = buttons;
    for (const UserToolbarButton& button : buttons) {
        const int id = button.commandId;
        QAction* action = toolbar->addAction(toQString(res::commandTooltip(id)));
        action->setData(id);
        action->setStatusTip(toQString(res::commandPrompt(id)));
        if (const QIcon icon = userButtonIcon(button.imageIndex); !icon.isNull()) {
            action->setIcon(icon);
        }
        connect(action, &QAction::triggered, this, [this, id] { routeCommand(id); });
        applyCommandUi(*action, commandUi(id));
    }
    addCustomizeButton(toolbar);
}

std::vector<UserToolbarButton> CMainFrame::userToolbarButtons(const QToolBar* toolbar) const
{
    const auto found = toolbarButtons_.find(toolbar);
    return found != toolbarButtons_.end() ? found->second : std::vector<UserToolbarButton>{};
}

void CMainFrame::removeUserToolbar(QToolBar* toolbar)
{
    toolbarButtons_.erase(toolbar);
    removeToolBar(toolbar);
    toolbar->deleteLater();
    toolbar->setObjectName(QString());
}

QList<QToolBar*> CMainFrame::userToolbars() const
{
    QList<QToolBar*> toolbars;
    for (QToolBar* toolbar : findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (userToolbarId(toolbar) != 0) {
            toolbars << toolbar;
        }
    }
    std::sort(toolbars.begin(), toolbars.end(),
              [](const QToolBar* a, const QToolBar* b) { return userToolbarId(a) < userToolbarId(b); });
    return toolbars;
}

// Every user toolbar ends with a button that opens the customisation.
void CMainFrame::addCustomizeButton(QToolBar* toolbar)
{
    toolbar->addSeparator();
    QAction* customize = toolbar->addAction(toQString(res::loadString(res::IDS_TOOLBAR_CUSTOMIZE)));
    customize->setData(res::ID_VIEW_CUSTOMIZE);
    connect(customize, &QAction::triggered, this, [this] { routeCommand(res::ID_VIEW_CUSTOMIZE); });
}

bool CMainFrame::loadUserButtonImages(const QString& path)
{
    userImages_.clear();
    const QFileInfo file(path);
    if (!file.isFile() || file.size() > kMaxUserImagesBytes) {
        return false;
    }
    const QImage strip(path);
    if (strip.isNull() || strip.height() < kUserButtonSize.height()) {
        return false;
    }
    for (int x = 0; x + kUserButtonSize.width() <= strip.width(); x += kUserButtonSize.width()) {
        userImages_.push_back(strip.copy(QRect(QPoint(x, 0), kUserButtonSize)));
    }
    return !userImages_.empty();
}

QIcon CMainFrame::userButtonIcon(int imageIndex) const
{
    if (imageIndex < 0 || imageIndex >= static_cast<int>(userImages_.size())) {
        return {};
    }
    return QIcon(QPixmap::fromImage(userImages_[static_cast<std::size_t>(imageIndex)]));
}

void CMainFrame::saveWorkspace()
{
    const std::unique_ptr<QSettings> settings = openAppSettings();
    QStringList toolbars;
    for (QToolBar* toolbar : userToolbars()) {
        QStringList buttons;
        for (const UserToolbarButton& button : userToolbarButtons(toolbar)) {
            buttons << QString("%1:%2").arg(button.commandId).arg(button.imageIndex);
        }
        toolbars << QString::number(userToolbarId(toolbar));
        settings->setValue(QString("%1/%2/Title").arg(kWorkspaceGroup, toolbar->objectName()), toolbar->windowTitle());
        settings->setValue(QString("%1/%2/Buttons").arg(kWorkspaceGroup, toolbar->objectName()), buttons);
    }
    settings->setValue(kUserToolbarsKey, toolbars);
    settings->setValue(kBarStateKey, saveState());
}

void CMainFrame::restoreWorkspace()
{
    const std::unique_ptr<QSettings> settings = openAppSettings();
    for (const QString& idText : settings->value(kUserToolbarsKey).toStringList()) {
        const int id = idText.toInt();
        if (id < res::ID_USER_TOOLBAR_FIRST || id > res::ID_USER_TOOLBAR_LAST) {
            continue;
        }
        const QString name = userToolbarName(id);
        auto* toolbar = new QToolBar(settings->value(QString("%1/%2/Title").arg(kWorkspaceGroup, name)).toString(), this);
        toolbar->setObjectName(name);
        addToolBar(Qt::TopToolBarArea, toolbar);
        std::vector<UserToolbarButton> buttons;
        for (const QString& entry : settings->value(QString("%1/%2/Buttons").arg(kWorkspaceGroup, name)).toStringList()) {
            const UserToolbarButton button{entry.section(':', 0, 0).toInt(), entry.section(':', 1, 1).toInt()};
            if (button.commandId > 0) {
                buttons.push_back(button);
            }
        }
        setUserToolbarButtons(toolbar, buttons);
    }
    restoreState(settings->value(kBarStateKey).toByteArray());
}
