// The main window: its fixed title, the visual styles (written to the
// settings and applied at the next construction), help and the web pages,
// the save-changes question on close, open and drop, and user toolbars.
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>
#include <QToolBar>
#include <QUrl>

#include "AppTestSupport.h"
#include "app/CFotraView.h"
#include "app/MenuBuilder.h"
#include "app/QtServices.h"
#include "app/ToolbarCustomizeDialog.h"
#include "document/EffectCatalogue.h"
#include "res/ResourceIds.h"

using apptest::FrameFixture;

namespace {

int storedLook()
{
    return openAppSettings()->value("Workspace/ApplicationLook", -1).toInt();
}

void dropFile(QWidget& target, const QString& path)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    if (enter.isAccepted()) {
        QApplication::sendEvent(&target, &drop);
    }
}

} // namespace

class TestFrame : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        openAppSettings()->clear();
        fixture_ = std::make_unique<FrameFixture>();
    }
    void cleanup() { fixture_.reset(); }

    void titleNeverChanges()
    {
        QCOMPARE(fixture_->frame->windowTitle(), QString("ぺかるん４　フリー版"));
        QVERIFY(fixture_->openPhoto(10, 10));
        QCOMPARE(fixture_->frame->windowTitle(), QString("ぺかるん４　フリー版"));
    }

    void defaultStyleIs210()
    {
        QCOMPARE(fixture_->frame->appLook(), 210u);
        QCOMPARE(QApplication::style()->name(), QString("fusion"));
        QCOMPARE(storedLook(), -1);
    }

    void styleSwitchIsWrittenAndAppliedAtTheNextStart()
    {
        unsigned applicationLook = 0;
        fixture_->frame->routeCommand(res::ID_VIEW_APPLOOK_WINDOWS_7);
        QCOMPARE(fixture_->frame->appLook(), 219u);
        QCOMPARE(storedLook(), 219);
        const QColor windows7Highlight = QApplication::palette().color(QPalette::Highlight);

        fixture_->frame->routeCommand(res::ID_VIEW_APPLOOK_WIN_2000);
        QCOMPARE(storedLook(), 205);
        QCOMPARE(QApplication::style()->name(), QString("windows"));
        fixture_->frame->routeCommand(res::ID_VIEW_APPLOOK_WINDOWS_7);

        // The next frame starts in the stored look, and tells the application.
        fixture_.reset();
        QApplication::setStyle("windows");
        QApplication::setPalette(QPalette(Qt::red));
        CFotraDoc document;
        apptest::FakePrompts prompts;
        apptest::FakeShell shell;
        FrameLinks links;
        links.document = &document;
        links.prompts = &prompts;
        links.shell = &shell;
        links.appLook = &applicationLook;
        CMainFrame frame(links);
        QCOMPARE(frame.appLook(), 219u);
        QCOMPARE(applicationLook, 219u);
        QCOMPARE(QApplication::style()->name(), QString("fusion"));
        QCOMPARE(QApplication::palette().color(QPalette::Highlight), windows7Highlight);
        QVERIFY(frame.findCommandAction(res::ID_VIEW_APPLOOK_WINDOWS_7)->isChecked());
        QVERIFY(!frame.findCommandAction(res::ID_VIEW_APPLOOK_OFF_2007_BLUE)->isChecked());
    }

    void officeLooksKeepTheirScheme()
    {
        fixture_->frame->routeCommand(res::ID_VIEW_APPLOOK_OFF_2007_BLACK);
        const QColor black = QApplication::palette().color(QPalette::Window);
        fixture_->frame->routeCommand(res::ID_VIEW_APPLOOK_OFF_2007_SILVER);
        QVERIFY(QApplication::palette().color(QPalette::Window) != black);
        fixture_->frame->routeCommand(res::ID_VIEW_APPLOOK_OFF_2007_BLACK);
        fixture_->frame->routeCommand(212);
        QCOMPARE(fixture_->frame->appLook(), 212u);
        QCOMPARE(QApplication::palette().color(QPalette::Window), black);
        QCOMPARE(storedLook(), 212);
    }

    void helpWithMissingPageShowsTheMessage()
    {
        QTemporaryDir emptyProgramFolder;
        QtShell desktop;
        FrameLinks links;
        links.document = &fixture_->document;
        links.prompts = &fixture_->prompts;
        links.shell = &desktop;
        links.programDirectory = emptyProgramFolder.path();
        fixture_->frame.reset();
        CMainFrame frame(links);
        frame.routeCommand(res::ID_HELP_USAGE);
        QCOMPARE(fixture_->prompts.messages,
                 std::vector<std::string>{"説明用ファイルを開くことができません。ぺかるん４をインストールしたフォル"
                                          "ダの中のhelpフォルダ内のhelp.htmを参照してください。"});
    }

    void helpOpensThePageBesideTheProgram()
    {
        fixture_->frame->routeCommand(res::ID_HELP_USAGE);
        const QString expected = QDir(QCoreApplication::applicationDirPath()).filePath("help/help.htm");
        QCOMPARE(fixture_->shell.openedFiles, std::vector<std::string>{expected.toStdString()});
        QVERIFY(fixture_->prompts.messages.empty());
        // The build puts the page there, and it is the Japanese guide.
        QFile page(expected);
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(page.readAll());
        QVERIFY(text.contains("使い方") && text.contains("画面にフィット") && text.contains("美肌"));
    }

    // The program has no web site: the web-page commands open pages of the
    // help folder, and every link and image of those pages is there.
    void webPagesAreHelpPagesThatExist()
    {
        const QDir help(QDir(QCoreApplication::applicationDirPath()).filePath("help"));
        for (const int id : {res::ID_WEB_PAID_DOWNLOAD, res::ID_WEB_PAID_EXAMPLES, res::ID_WEB_SKIN_VIDEO}) {
            fixture_->frame->routeCommand(id);
        }
        QCOMPARE(fixture_->shell.openedFiles,
                 (std::vector<std::string>{help.filePath("about.html").toStdString(),
                                           help.filePath("examples.html").toStdString(),
                                           help.filePath("skin.html").toStdString()}));
        QVERIFY(fixture_->prompts.messages.empty());

        const QRegularExpression link("(?:href|src)=\"([^\"#:]+)\"");
        for (const QString& name : help.entryList({"*.htm", "*.html"})) {
            QFile page(help.filePath(name));
            QVERIFY(page.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(page.readAll());
            for (auto match = link.globalMatch(text); match.hasNext();) {
                const QString target = match.next().captured(1);
                QVERIFY2(QFileInfo(help.filePath(target)).isFile(), qPrintable(name + " → " + target));
            }
        }

        fixture_->shell.succeed = false;
        fixture_->frame->routeCommand(res::ID_WEB_SKIN_VIDEO);
        QCOMPARE(fixture_->prompts.messages, std::vector<std::string>{"表示できません。"});
    }

    void closeWithoutChangesAsksNothing()
    {
        QVERIFY(fixture_->openPhoto(10, 10));
        fixture_->frame->show();
        QVERIFY(fixture_->frame->close());
        QCOMPARE(fixture_->prompts.questions, 0);
    }

    void closeWithChangesAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("saveDialogConfirms");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<int>("saves");
        QTest::newRow("cancel keeps the window") << int(SaveChangesAnswer::Cancel) << true << false << 0;
        QTest::newRow("discard closes") << int(SaveChangesAnswer::Discard) << true << true << 0;
        QTest::newRow("save, then close") << int(SaveChangesAnswer::Save) << true << true << 1;
        QTest::newRow("save dialog cancelled keeps the window") << int(SaveChangesAnswer::Save) << false << false << 0;
    }
    void closeWithChangesAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(bool, saveDialogConfirms);
        QFETCH(bool, closes);
        QFETCH(int, saves);
        QVERIFY(fixture_->openPhoto(10, 10));
        fixture_->makeModified();
        fixture_->prompts.answer = static_cast<SaveChangesAnswer>(answer);
        if (saveDialogConfirms) {
            fixture_->dialogs.saveAnswers.push_back("/photos/kept.jpg");
        }
        fixture_->frame->show();
        QCOMPARE(fixture_->frame->close(), closes);
        QCOMPARE(fixture_->prompts.questions, 1);
        QCOMPARE(static_cast<int>(fixture_->savedPaths.size()), saves);
        QCOMPARE(fixture_->frame->isVisible(), !closes);
        // The exit command goes the same way.
        if (!closes) {
            fixture_->prompts.answer = SaveChangesAnswer::Cancel;
            fixture_->frame->routeCommand(res::ID_APP_EXIT);
            QVERIFY(fixture_->frame->isVisible());
        }
    }

    void openWithChangesAsksFirst()
    {
        QVERIFY(fixture_->openPhoto(10, 10));
        fixture_->makeModified();

        fixture_->prompts.answer = SaveChangesAnswer::Cancel;
        fixture_->dialogs.openAnswers.push_back("/photos/20x20.png");
        fixture_->frame->routeCommand(CommandId::OpenPhoto);
        QCOMPARE(fixture_->prompts.questions, 1);
        QCOMPARE(fixture_->dialogs.openAsked, 0);
        QCOMPARE(fixture_->document.photo()->width, 10);
        QVERIFY(fixture_->document.hasUnsavedChanges());

        fixture_->prompts.answer = SaveChangesAnswer::Discard;
        fixture_->frame->routeCommand(CommandId::OpenPhoto);
        QCOMPARE(fixture_->prompts.questions, 2);
        QCOMPARE(fixture_->dialogs.openAsked, 1);
        QCOMPARE(fixture_->document.photo()->width, 20);

        // Unmodified now: the next open asks nothing.
        fixture_->frame->routeCommand(CommandId::OpenPhoto);
        QCOMPARE(fixture_->prompts.questions, 2);
        QCOMPARE(fixture_->dialogs.openAsked, 2);
    }

    void droppedPhotoOpensAfterTheQuestion()
    {
        QVERIFY(fixture_->frame->acceptDrops());
        dropFile(*fixture_->frame, "/photos/40x30.jpg");
        QCOMPARE(fixture_->document.photo()->width, 40);

        fixture_->makeModified();
        fixture_->prompts.answer = SaveChangesAnswer::Cancel;
        dropFile(*fixture_->frame, "/photos/50x30.PNG");
        QCOMPARE(fixture_->prompts.questions, 1);
        QCOMPARE(fixture_->document.photo()->width, 40);

        fixture_->prompts.answer = SaveChangesAnswer::Discard;
        dropFile(*fixture_->frame, "/photos/50x30.PNG");
        QCOMPARE(fixture_->document.photo()->width, 50);

        // Something that is no photo is not taken.
        const std::size_t loads = fixture_->loadedPaths.size();
        dropFile(*fixture_->frame, "/photos/60x30.txt");
        QCOMPARE(fixture_->loadedPaths.size(), loads);
    }

    void paneContextMenuEndsWithCustomize()
    {
        const std::unique_ptr<QMenu> menu(static_cast<QMainWindow&>(*fixture_->frame).createPopupMenu());
        QVERIFY(menu != nullptr);
        QAction* last = menu->actions().last();
        QCOMPARE(last->text(), QString("カスタマイズ..."));
        QCOMPARE(commandIdOf(last), res::ID_VIEW_CUSTOMIZE);
    }

    void userToolbarsCarryCommandsAndTheCustomizeButton()
    {
        CMainFrame& frame = *fixture_->frame;
        frame.routeCommand(res::ID_VIEW_CUSTOMIZE);
        auto* dialog = frame.findChild<CToolbarCustomizeDialog*>();
        QVERIFY(dialog != nullptr && dialog->isVisible() && !dialog->isModal());

        QToolBar* toolbar = dialog->newToolbar();
        QVERIFY(toolbar != nullptr);
        QCOMPARE(toolbar->objectName(), QString("UserToolbar59432"));
        dialog->selectCommand(0, 0); // ファイル → 写真を開く
        dialog->addSelectedCommand();
        QCOMPARE(frame.userToolbarButtons(toolbar), (std::vector<UserToolbarButton>{{CommandId::OpenPhoto, -1}}));
        QList<QAction*> actions = toolbar->actions();
        QCOMPARE(commandIdOf(actions.first()), CommandId::OpenPhoto);
        QCOMPARE(actions.last()->text(), QString("カスタマイズ..."));
        QCOMPARE(commandIdOf(actions.last()), res::ID_VIEW_CUSTOMIZE);

        // The button runs its command through the routing.
        fixture_->dialogs.openAnswers.push_back("/photos/8x8.png");
        actions.first()->trigger();
        QCOMPARE(fixture_->document.photo()->width, 8);

        // At most ten user toolbars, with the ids 59432 to 59441.
        for (int more = 1; more < 10; ++more) {
            QVERIFY(dialog->newToolbar() != nullptr);
        }
        QVERIFY(dialog->newToolbar() == nullptr);
        QCOMPARE(frame.userToolbars().last()->objectName(), QString("UserToolbar59441"));

        // The toolbars come back at the next start.
        frame.saveWorkspace();
        fixture_->frame.reset();
        FrameFixture next;
        QCOMPARE(next.frame->userToolbars().size(), 10);
        QCOMPARE(next.frame->userToolbarButtons(next.frame->userToolbars().first()),
                 (std::vector<UserToolbarButton>{{CommandId::OpenPhoto, -1}}));
        QCOMPARE(commandIdOf(next.frame->userToolbars().first()->actions().last()), res::ID_VIEW_CUSTOMIZE);
    }

    void userButtonImagesUpTo819200Bytes()
    {
        QTemporaryDir folder;
        QImage strip(16 * 5, 15, QImage::Format_RGB888);
        strip.fill(Qt::green);
        const QString small = folder.filePath("UserImages.bmp");
        QVERIFY(strip.save(small, "BMP"));
        QVERIFY(fixture_->frame->loadUserButtonImages(small));
        QCOMPARE(fixture_->frame->userButtonImages().size(), std::size_t{5});

        // 3 x 16 x 17100 bytes of pixels is well over the limit.
        QImage huge(16 * 17100, 15, QImage::Format_RGB888);
        huge.fill(Qt::blue);
        const QString large = folder.filePath("Large.bmp");
        QVERIFY(huge.save(large, "BMP"));
        QVERIFY(QFileInfo(large).size() > 819200);
        QVERIFY(!fixture_->frame->loadUserButtonImages(large));
        QVERIFY(fixture_->frame->userButtonImages().empty());
        QVERIFY(!fixture_->frame->loadUserButtonImages(folder.filePath("missing.bmp")));
    }

private:
    std::unique_ptr<FrameFixture> fixture_;
};

FOTRA_APP_TEST_MAIN(TestFrame)
#include "test_app_frame.moc"
