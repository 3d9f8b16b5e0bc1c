// The Qt side of the document's interfaces: the open and save dialogs with
// the document's filters, default extension, initial name and overwrite
// prompt; message boxes captioned "PEKARUN4FREE"; the save-changes and the
// yes/no questions; the wait cursor during a long operation; the About box;
// and the effect dialog of the effect commands.
#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QUrl>

#include "AppTestSupport.h"
#include "app/CAboutDlg.h"
#include "app/CFotraApp.h"
#include "app/ProgramIcon.h"
#include "app/QtServices.h"
#include "document/EffectCatalogue.h"
#include "res/ResourceIds.h"

namespace {

// Runs `inspect` on the modal window that `open` shows, then lets it end.
template <class Window, class Inspect>
void whenModalShows(Inspect inspect)
{
    QTimer::singleShot(0, [inspect] {
        auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
        QVERIFY(window != nullptr);
        inspect(*window);
    });
}

} // namespace

class TestServices : public QObject {
    Q_OBJECT

private slots:
    void filterStrings()
    {
        QCOMPARE(qtFilterString(CFotraDoc::openDialogOptions()),
                 QString("Jpegファイル(*.jpg,*jpeg) (*.jp*g);;PNGファイル(*.png) (*.png);;TIFFファイル(*.tif) (*.tif);;"
                         "bmpファイル(*.bmp) (*.bmp)"));
        QCOMPARE(qtFilterString(CFotraDoc::saveDialogOptions()),
                 QString("Jpegファイル(*.jpg,*jpeg) (*.jpg);;PNGファイル(*.png) (*.png);;TIFFファイル(*.tif) (*.tif)"));
    }

    void openDialogOffersThePhotoTypes()
    {
        QtFileDialogs dialogs;
        QStringList filters;
        bool mustExist = false;
        whenModalShows<QFileDialog>([&](QFileDialog& dialog) {
            filters = dialog.nameFilters();
            mustExist = dialog.fileMode() == QFileDialog::ExistingFile && dialog.acceptMode() == QFileDialog::AcceptOpen;
            dialog.reject();
        });
        QVERIFY(!dialogs.askOpenPath(CFotraDoc::openDialogOptions()).has_value());
        QCOMPARE(filters.size(), 4);
        QCOMPARE(filters.first(), QString("Jpegファイル(*.jpg,*jpeg) (*.jp*g)"));
        QVERIFY(mustExist);
    }

    void fileDialogsNeverStartInAVirtualFileSystem_data()
    {
        QTest::addColumn<QString>("last");
        QTest::addColumn<bool>("kept");
        QTest::newRow("none yet") << QString() << false;
        QTest::newRow("proc") << QString("/proc/self") << false;
        QTest::newRow("sys") << QString("/sys") << false;
        QTest::newRow("dev") << QString("/dev") << false;
        QTest::newRow("run") << QString("/run") << false;
        QTest::newRow("gone") << QString("/nonexistent/photos") << false;
        QTest::newRow("ordinary folder") << QDir::tempPath() << true;
    }
    void fileDialogsNeverStartInAVirtualFileSystem()
    {
        QFETCH(QString, last);
        QFETCH(bool, kept);
        const QString start = fileDialogStartFolder(last);
        if (kept) {
            QCOMPARE(start, last);
        } else {
            const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
            QVERIFY(start == pictures || start == QDir::homePath());
        }
    }

    void saveDialogProposesTheUnnamedJpeg()
    {
        QTemporaryDir folder;
        QtFileDialogs dialogs;
        QString suffix;
        QString typedName;
        bool asksBeforeOverwrite = false;
        whenModalShows<QFileDialog>([&](QFileDialog& dialog) {
            suffix = dialog.defaultSuffix();
            asksBeforeOverwrite = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
            typedName = QFileInfo(dialog.selectedFiles().value(0)).fileName();
            // A name without an extension gets the chosen type's.
            dialog.selectNameFilter(dialog.nameFilters()[1]);
            emit dialog.filterSelected(dialog.nameFilters()[1]);
            dialog.setDirectory(QDir(QDir::tempPath()));
            dialog.selectFile(QDir::temp().filePath("picture"));
            static_cast<QDialog&>(dialog).accept();
        });
        const std::optional<std::string> chosen = dialogs.askSavePath(CFotraDoc::saveDialogOptions());
        QCOMPARE(suffix, QString("jpg"));
        QVERIFY(asksBeforeOverwrite);
        // The initial name, reported with the default extension.
        QCOMPARE(typedName, QString("名称未設定.jpg"));
        QVERIFY(chosen.has_value());
        QCOMPARE(QFileInfo(QString::fromStdString(*chosen)).fileName(), QString("picture.png"));
    }

    void messageBoxesCarryTheCaption()
    {
        QtPrompts prompts;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        whenModalShows<QMessageBox>([&](QMessageBox& box) {
            title = box.windowTitle();
            text = box.text();
            buttons = box.standardButtons();
            box.accept();
        });
        prompts.showMessage("ファイルの保存に失敗しました。");
        QCOMPARE(title, QString("PEKARUN4FREE"));
        QCOMPARE(text, QString("ファイルの保存に失敗しました。"));
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    // Escape and the close box keep the session for the next start; only
    // the discard button deletes it.
    void recoveryQuestionHasThreeAnswers_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("answer");
        QTest::newRow("restore") << QString(kRestoreButtonText) << int(RecoveryAnswer::Restore);
        QTest::newRow("discard") << QString(kDiscardButtonText) << int(RecoveryAnswer::Discard);
        QTest::newRow("later") << QString(kLaterButtonText) << int(RecoveryAnswer::Later);
        QTest::newRow("escape") << "escape" << int(RecoveryAnswer::Later);
        QTest::newRow("close box") << "close" << int(RecoveryAnswer::Later);
    }
    void recoveryQuestionHasThreeAnswers()
    {
        QFETCH(QString, action);
        QFETCH(int, answer);
        QtPrompts prompts;
        QString title;
        whenModalShows<QMessageBox>([&](QMessageBox& box) {
            title = box.windowTitle();
            if (action == "escape") {
                QTest::keyClick(&box, Qt::Key_Escape);
            } else if (action == "close") {
                box.close();
            } else {
                for (QAbstractButton* button : box.buttons()) {
                    if (button->text() == action) {
                        button->click();
                    }
                }
            }
        });
        QCOMPARE(int(prompts.askRecovery("前回の編集を復元しますか？")), answer);
        QCOMPARE(title, QString("PEKARUN4FREE"));
    }

    void saveChangesQuestionHasThreeAnswers_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("answer");
        QTest::newRow("save") << int(QMessageBox::Save) << int(SaveChangesAnswer::Save);
        QTest::newRow("discard") << int(QMessageBox::Discard) << int(SaveChangesAnswer::Discard);
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << int(SaveChangesAnswer::Cancel);
    }
    void saveChangesQuestionHasThreeAnswers()
    {
        QFETCH(int, button);
        QFETCH(int, answer);
        QtPrompts prompts;
        QString title;
        whenModalShows<QMessageBox>([&](QMessageBox& box) {
            title = box.windowTitle();
            QCOMPARE(box.standardButtons(), QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
            box.button(static_cast<QMessageBox::StandardButton>(button))->click();
        });
        QCOMPARE(int(prompts.askSaveChanges()), answer);
        QCOMPARE(title, QString("PEKARUN4FREE"));
    }

    // Qt's own buttons speak Japanese, with the words the program's questions
    // name them by.
    void standardButtonsSpeakJapanese_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("ok") << int(QDialogButtonBox::Ok) << QString("OK");
        QTest::newRow("save") << int(QDialogButtonBox::Save) << QString("保存");
        QTest::newRow("discard") << int(QDialogButtonBox::Discard) << QString("変更を破棄");
        QTest::newRow("cancel") << int(QDialogButtonBox::Cancel) << QString("キャンセル");
        QTest::newRow("yes") << int(QDialogButtonBox::Yes) << QString("はい(&Y)");
        QTest::newRow("no") << int(QDialogButtonBox::No) << QString("いいえ(&N)");
        QTest::newRow("close") << int(QDialogButtonBox::Close) << QString("閉じる");
    }
    void standardButtonsSpeakJapanese()
    {
        QFETCH(int, button);
        QFETCH(QString, text);
        const QDialogButtonBox box{QDialogButtonBox::StandardButtons(button)};
        QCOMPARE(box.buttons().constFirst()->text(), text);
    }

    void waitCursorDuringOpen()
    {
        std::vector<Qt::CursorShape> shapes;
        AppServices services;
        apptest::FakePrompts prompts;
        services.prompts = &prompts;
        services.showWindow = false;
        const CFotraDoc::PhotoLoader synthetic = apptest::syntheticLoader();
        services.photoLoader = [&shapes, synthetic](COvImage2& image, const std::string& path) {
            shapes.push_back(QApplication::overrideCursor() != nullptr ? QApplication::overrideCursor()->shape()
                                                                        : Qt::ArrowCursor);
            return synthetic(image, path);
        };
        CFotraApp app(services);
        QVERIFY(app.initInstance({"Pekarun4Free", "/photos/5x5.png"}));
        QCOMPARE(shapes, std::vector<Qt::CursorShape>{Qt::WaitCursor});
        QVERIFY(QApplication::overrideCursor() == nullptr);
        app.exitInstance();
    }

    // An effect command opens the effect dialog of its mode over the main
    // window; Cancel changes nothing, OK records the effect.
    void effectCommandsOpenTheEffectDialog()
    {
        AppServices services;
        apptest::FakePrompts prompts;
        services.prompts = &prompts;
        services.showWindow = false;
        services.photoLoader = apptest::syntheticLoader();
        CFotraApp app(services);
        QVERIFY(app.initInstance({"Pekarun4Free", "/photos/64x48.png"}));
        const std::vector<std::uint8_t> before = app.document()->photo()->current;

        QString title;
        QWidget* parent = nullptr;
        whenModalShows<QDialog>([&](QDialog& dialog) {
            title = dialog.windowTitle();
            parent = dialog.parentWidget();
            dialog.reject();
        });
        app.mainFrame()->routeCommand(effectCommandId(8));
        QCOMPARE(title, QString("くっきり"));
        QCOMPARE(parent, app.mainFrame());
        QCOMPARE(app.document()->photo()->current, before);
        QVERIFY(!app.document()->isModified());
        QCOMPARE(app.document()->historyLength(), 1);

        whenModalShows<QDialog>([](QDialog& dialog) { dialog.accept(); });
        app.mainFrame()->routeCommand(effectCommandId(1));
        QVERIFY(app.document()->isModified());
        QCOMPARE(app.document()->historyLength(), 2);
        QVERIFY(app.mainFrame()->findCommandAction(CommandId::Undo)->isEnabled());
        QVERIFY(app.mainFrame()->findCommandAction(CommandId::SavePhoto)->isEnabled());
        QVERIFY(prompts.messages.empty());
        app.exitInstance();
    }

    void aboutBoxFromTheHelpMenu()
    {
        AppServices services;
        apptest::FakePrompts prompts;
        services.prompts = &prompts;
        services.showWindow = false;
        CFotraApp app(services);
        QVERIFY(app.initInstance({"Pekarun4Free"}));
        QVERIFY(app.mainFrame()->commandUi(res::ID_APP_ABOUT).enabled);
        QStringList texts;
        bool showsIcon = false;
        whenModalShows<CAboutDlg>([&](CAboutDlg& about) {
            for (const QLabel* label : about.findChildren<QLabel*>()) {
                if (!label->text().isEmpty()) {
                    texts << label->text();
                }
                showsIcon = showsIcon || !label->pixmap().isNull();
            }
            about.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        app.mainFrame()->routeCommand(res::ID_APP_ABOUT);
        QVERIFY(texts.size() >= 2);
        QVERIFY(texts.first().startsWith("ぺかるん４　フリー版"));
        QVERIFY(showsIcon);
        // Its link is the help folder's page about the program.
        const QRegularExpressionMatch link = QRegularExpression("href=\"([^\"]+)\"").match(texts.join(' '));
        QVERIFY(link.hasMatch());
        const QUrl target(QTextDocumentFragment::fromHtml(link.captured(1)).toPlainText());
        QVERIFY2(target.isLocalFile() && QFileInfo(target.toLocalFile()).isFile(), qPrintable(target.toString()));
        app.exitInstance();
    }

    // The icon's images are compiled in; the window carries every size.
    void iconInEverySize()
    {
        apptest::FrameFixture fixture;
        const QIcon icon = fixture.frame->windowIcon();
        for (const int size : kProgramIconSizes) {
            QCOMPARE(icon.pixmap(size, size).size(), QSize(size, size));
            QCOMPARE(icon.availableSizes().count(QSize(size, size)), 1);
        }
    }
};

FOTRA_APP_TEST_MAIN(TestServices)
#include "test_app_services.moc"
