// Start-up and shutdown: one instance only (a second process ends at once
// and leaves the first running, handing it the photos it names), the window
// shown maximized, the photos of the command line opened in order and
// remembered in the recent-file list; a lock that cannot be written is
// reported, not taken for a running one.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLockFile>
#include <QMenu>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <signal.h>
#include <sys/resource.h>

#include "AppTestSupport.h"
#include "app/CFotraApp.h"
#include "app/CFotraView.h"
#include "app/FileNames.h"
#include "app/PhotoHandOver.h"
#include "document/EffectCatalogue.h"
#include "res/ResourceIds.h"

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        openAppSettings()->clear();
        QFile::remove(CFotraApp::instanceLockPath());
    }

    void lockIsNamedAfterTheExecutable()
    {
        QCOMPARE(CFotraApp::executableName(), QString("test_app_startup"));
        QCOMPARE(QFileInfo(CFotraApp::instanceLockPath()).fileName(), QString("test_app_startup.lock"));
        QCOMPARE(QFileInfo(CFotraApp::instanceLockPath()).absolutePath(), QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).absolutePath());
    }

    void startsMaximizedWithAnEmptyView()
    {
        apptest::FakePrompts prompts;
        AppServices services;
        services.prompts = &prompts;
        CFotraApp app(services);
        QVERIFY(app.initInstance({"Pekarun4Free"}));
        QVERIFY(app.mainFrame()->isVisible());
        QVERIFY(app.mainFrame()->windowState() & Qt::WindowMaximized);
        QVERIFY(!app.document()->hasPhoto());
        QCOMPARE(theView, &app.mainFrame()->view());
        QCOMPARE(app.appLook, 210u);
        app.exitInstance();
    }

    void storedLookShowsFromTheStart()
    {
        openAppSettings()->setValue("Workspace/ApplicationLook", 219);
        apptest::FakePrompts prompts;
        AppServices services;
        services.prompts = &prompts;
        services.showWindow = false;
        CFotraApp app(services);
        QVERIFY(app.initInstance({"Pekarun4Free"}));
        QCOMPARE(app.appLook, 219u);
        QCOMPARE(app.mainFrame()->appLook(), 219u);
        app.exitInstance();
    }

    void secondInstanceInTheSameSessionIsRefused()
    {
        QLockFile running(CFotraApp::instanceLockPath());
        QVERIFY(running.tryLock(0));
        CFotraApp app;
        QVERIFY(!app.initInstance({"Pekarun4Free"}));
        QVERIFY(app.mainFrame() == nullptr);
        QVERIFY(QFileInfo::exists(CFotraApp::instanceLockPath()));
        QVERIFY(app.startFailure().isEmpty());
    }

    // A lock that cannot be written (a file-size limit stands in for a full
    // folder) is no running instance: the start fails and says where.
    void aLockThatCannotBeWrittenIsReported()
    {
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit none = saved;
        none.rlim_cur = 0;
        const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &none), 0);
        CFotraApp app;
        const bool started = app.initInstance({"Pekarun4Free"});
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, previousHandler);
        QVERIFY(!started);
        QVERIFY(app.mainFrame() == nullptr);
        QVERIFY(app.startFailure().contains("cannot start"));
        QVERIFY(app.startFailure().contains(QFileInfo(CFotraApp::instanceLockPath()).absolutePath()));
        QVERIFY(!QFileInfo::exists(CFotraApp::instanceLockPath()));
    }

    void commandLinePhotosOpenInOrder()
    {
        std::vector<std::string> asked;
        apptest::FakePrompts prompts;
        AppServices services;
        services.prompts = &prompts;
        services.photoLoader = apptest::syntheticLoader(&asked);
        services.showWindow = false;
        CFotraApp app(services);
        QVERIFY(app.initInstance({"Pekarun4Free", "/photos/200x100.png", "/photos/broken.jpg", "/photos/300x200.tif"}));
        QCOMPARE(asked, (std::vector<std::string>{"/photos/200x100.png", "/photos/broken.jpg", "/photos/300x200.tif"}));
        // The last photo is the open one; the broken one was reported.
        QCOMPARE(app.document()->photo()->width, 300);
        QCOMPARE(prompts.messages.size(), std::size_t{1});
        QCOMPARE(app.recentFiles(), QStringList({"/photos/300x200.tif", "/photos/200x100.png"}));
        app.exitInstance();

        const std::unique_ptr<QSettings> settings = openAppSettings();
        QCOMPARE(settings->value("Recent File List/File1").toString(), QString("/photos/300x200.tif"));
        QCOMPARE(settings->value("Recent File List/File2").toString(), QString("/photos/200x100.png"));
        QVERIFY(!settings->contains("Recent File List/File3"));
    }

    void recentFileListKeepsSixteen()
    {
        apptest::FakePrompts prompts;
        AppServices services;
        services.prompts = &prompts;
        services.showWindow = false;
        CFotraApp app(services);
        QVERIFY(app.initInstance({"Pekarun4Free"}));
        for (int number = 1; number <= 20; ++number) {
            app.addToRecentFileList(QString("/photos/%1.jpg").arg(number));
        }
        app.addToRecentFileList("/photos/10.jpg");
        QCOMPARE(app.recentFiles().size(), 16);
        QCOMPARE(app.recentFiles().first(), QString("/photos/10.jpg"));
        QCOMPARE(app.recentFiles().count("/photos/10.jpg"), 1);
        QCOMPARE(app.recentFiles().last(), QString("/photos/5.jpg"));
        app.exitInstance();
    }

    // Every successful open enters ファイル → 最近使った写真, newest first;
    // a photo that is gone is greyed, and one that went after the menu was
    // built is reported and taken off the list.
    void recentPhotosMenu()
    {
        QTemporaryDir folder;
        const QString first = QDir(folder.path()).filePath("20x10.png");
        const QString second = QDir(folder.path()).filePath("30x20.png");
        const QString gone = QDir(folder.path()).filePath("40x30.png");
        for (const QString& path : {first, second}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        apptest::FakePrompts prompts;
        apptest::FakeFileDialogs dialogs;
        dialogs.openAnswers = {first.toStdString(), gone.toStdString()};
        AppServices services;
        services.prompts = &prompts;
        services.fileDialogs = &dialogs;
        services.photoLoader = apptest::syntheticLoader();
        services.showWindow = false;
        CFotraApp app(services);
        QVERIFY(app.initInstance({"Pekarun4Free", second}));
        QMenu* recent = app.mainFrame()->recentPhotosMenu();
        QVERIFY(recent != nullptr);
        const auto* fileMenu = qobject_cast<QMenu*>(app.mainFrame()->findCommandAction(res::ID_APP_EXIT)->parent());
        QVERIFY(fileMenu->actions().contains(recent->menuAction()));
        app.mainFrame()->routeCommand(CommandId::OpenPhoto);
        app.mainFrame()->routeCommand(CommandId::OpenPhoto); // opens, then the file goes
        QVERIFY(QFile::remove(gone) || !QFileInfo::exists(gone));
        QCOMPARE(app.recentFiles(), QStringList({gone, first, second}));

        emit recent->aboutToShow();
        const QList<QAction*> items = recent->actions();
        QCOMPARE(items.size(), 3);
        QVERIFY(items[0]->text().startsWith("&1 ") && items[0]->text().endsWith("（見つかりません）"));
        QVERIFY(!items[0]->isEnabled());
        QCOMPARE(items[2]->text(), "&3 " + second);
        QVERIFY(items[2]->isEnabled());

        items[2]->trigger();
        QCOMPARE(app.document()->photo()->width, 30);
        QCOMPARE(app.recentFiles().first(), second);

        QVERIFY(QFile::remove(first));
        app.mainFrame()->openRecentPhoto(first);
        QCOMPARE(prompts.messages.size(), std::size_t{1});
        QVERIFY(prompts.messages[0].starts_with("写真が見つかりません。"));
        QCOMPARE(app.recentFiles(), QStringList({second, gone}));
        QCOMPARE(app.document()->photo()->width, 30);
        app.exitInstance();
    }

    // Photos handed over by a second start open in turn, each after the
    // unsaved-changes question, and enter the recent-file list.
    void handedOverPhotosOpenInTurn()
    {
        std::vector<std::string> asked;
        apptest::FakePrompts prompts;
        prompts.answer = SaveChangesAnswer::Discard;
        AppServices services;
        services.prompts = &prompts;
        services.photoLoader = apptest::syntheticLoader(&asked);
        services.showWindow = false;
        CFotraApp app(services);
        QVERIFY(app.initInstance({"Pekarun4Free", "/photos/20x10.png"}));
        app.mainFrame()->routeCommand(CommandId::TriangleSharpenFilter);
        QVERIFY(app.document()->hasUnsavedChanges());

        // A name that is not UTF-8 reaches the loader and the settings as its bytes.
        const std::string latin1Name = "/photos/40x30-caf\xE9.png";
        QVERIFY(PhotoHandOver::handOver(CFotraApp::instanceSocketPath(),
                                        {"/photos/30x20.png", fileNameText(latin1Name)}));
        QTRY_COMPARE(asked.size(), std::size_t{3});
        QCOMPARE(asked[1], std::string("/photos/30x20.png"));
        QCOMPARE(asked[2], latin1Name);
        QCOMPARE(prompts.questions, 1);
        QCOMPARE(app.document()->photo()->width, 40);
        QCOMPARE(fileNameBytes(app.recentFiles().first()), latin1Name);
        app.exitInstance();
        const std::unique_ptr<QSettings> settings = openAppSettings();
        QCOMPARE(settings->value("Recent File List/File1").toByteArray().toStdString(), latin1Name);
    }

    // The program itself, started twice: the second process ends at once
    // with status 0 and the first keeps running.
    void secondProcessExitsSilently()
    {
        const QString program = QDir(QCoreApplication::applicationDirPath()).filePath("Pekarun4Free");
        QVERIFY(QFileInfo(program).isExecutable());
        QTemporaryDir runtime;
        QTemporaryDir configHome;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        environment.insert("XDG_CONFIG_HOME", configHome.path());
        const QString lockPath = QDir(runtime.path()).filePath("Pekarun4Free.lock");

        QProcess first;
        first.setProcessEnvironment(environment);
        first.start(program, {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lockPath), 20000);

        QProcess second;
        second.setProcessEnvironment(environment);
        second.start(program, {});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAllStandardOutput().isEmpty());

        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(QFileInfo::exists(lockPath));

        // A second start with a photo ("Open with") hands it to the first,
        // which opens it and remembers it.
        QImage photo(24, 16, QImage::Format_RGB888);
        photo.fill(Qt::darkCyan);
        const QString photoPath = QDir(runtime.path()).filePath("handed.png");
        QVERIFY(photo.save(photoPath));
        QProcess withPhoto;
        withPhoto.setProcessEnvironment(environment);
        withPhoto.start(program, {photoPath});
        QVERIFY(withPhoto.waitForFinished(20000));
        QCOMPARE(withPhoto.exitCode(), 0);
        QSettings firstSettings(QDir(configHome.path()).filePath("Orvelle/PEKARUN4FREE.conf"), QSettings::IniFormat);
        const auto firstRecent = [&firstSettings] {
            firstSettings.sync();
            return firstSettings.value("Recent File List/File1").toString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(firstRecent(), photoPath, 20000);
        QCOMPARE(first.state(), QProcess::Running);

        // A lock left by a process that was killed does not keep the
        // program from starting again.
        first.kill();
        QVERIFY(first.waitForFinished(20000));
        QVERIFY(QFileInfo::exists(lockPath));
        QProcess third;
        third.setProcessEnvironment(environment);
        third.start(program, {});
        QVERIFY(third.waitForStarted());
        const QByteArray thirdPid = QByteArray::number(third.processId());
        const auto lockOwner = [&lockPath] {
            QFile lock(lockPath);
            return lock.open(QIODevice::ReadOnly) ? lock.readLine().trimmed() : QByteArray();
        };
        QTRY_COMPARE_WITH_TIMEOUT(lockOwner(), thirdPid, 20000);
        QCOMPARE(third.state(), QProcess::Running);
        third.terminate();
        QVERIFY(third.waitForFinished(20000));
    }
};

FOTRA_APP_TEST_MAIN(TestStartup)
#include "test_app_startup.moc"
