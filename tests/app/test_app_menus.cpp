// The menus: the main menu and the view's context menu item for item (texts,
// order, command ids), the shortcuts, the status-bar prompts, and the enable
// and check states of every command in each state of the document.
#include <set>

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QStatusTipEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "AppTestSupport.h"
#include "app/CFotraView.h"
#include "app/MenuBuilder.h"
#include "document/EffectCatalogue.h"
#include "res/ResourceIds.h"

using apptest::FrameFixture;

namespace {

struct Item {
    QString text;
    int id; // 0: separator, -1: popup
    friend bool operator==(const Item&, const Item&) = default;
};

QList<Item> itemsOf(const QMenu& menu)
{
    QList<Item> items;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            items.push_back({QString(), 0});
        } else if (action->menu() != nullptr) {
            items.push_back({action->text(), -1});
        } else {
            items.push_back({action->text(), commandIdOf(action)});
        }
    }
    return items;
}

QMenu* popupNamed(QMenuBar& bar, const QString& title)
{
    for (QAction* action : bar.actions()) {
        if (action->text() == title) {
            return action->menu();
        }
    }
    return nullptr;
}

QMenu* submenuNamed(QMenu& menu, const QString& title)
{
    for (QAction* action : menu.actions()) {
        if (action->menu() != nullptr && action->text() == title) {
            return action->menu();
        }
    }
    return nullptr;
}

// Every command action under `menu`, recursively.
void collectActions(const QMenu& menu, QList<QAction*>& actions)
{
    for (QAction* action : menu.actions()) {
        if (action->menu() != nullptr) {
            collectActions(*action->menu(), actions);
        } else if (!action->isSeparator()) {
            actions.push_back(action);
        }
    }
}

QString debugItems(const QList<Item>& items)
{
    QStringList lines;
    for (const Item& item : items) {
        lines << QString("%1=%2").arg(item.text).arg(item.id);
    }
    return lines.join(" | ");
}

#define COMPARE_ITEMS(actual, expected)                                                                   \
    QVERIFY2((actual) == (expected), qPrintable("got " + debugItems(actual) + "\nwant " + debugItems(expected)))

// The ids of the commands every photo state is checked for.
const QList<int> kPhotoCommands = {CommandId::SavePhoto, CommandId::Undo, CommandId::Redo,
                                   CommandId::TriangleSharpenFilter, CommandId::OutlierFilter,
                                   CommandId::MedianSharpenFilter};

} // namespace

class TestMenus : public QObject {
    Q_OBJECT

private slots:
    void init() { fixture_ = std::make_unique<FrameFixture>(); }
    void cleanup() { fixture_.reset(); }

    void topLevelPopupsInOrder()
    {
        QStringList titles;
        for (const QAction* action : fixture_->frame->menuBar()->actions()) {
            titles << action->text();
        }
        QCOMPARE(titles, QStringList({"ファイル(&F)", "履歴", "編集(&E)", "その他の効果(&M)", "フィルタ(&I)",
                                      "表示(&V)", "ヘルプ(&H)"}));
    }

    void mainMenuPopupsItemForItem()
    {
        QMenuBar& bar = *fixture_->frame->menuBar();
        COMPARE_ITEMS(itemsOf(*popupNamed(bar, "ファイル(&F)")),
                      (QList<Item>{{"写真を開く", 32772}, {"写真を保存", 32797}, {"最近使った写真(&R)", -1},
                                   {"", 0}, {"アプリケーションの終了(&X)", 57665}}));
        COMPARE_ITEMS(itemsOf(*popupNamed(bar, "履歴")), (QList<Item>{{"元に戻す", 32803}, {"やり直す", 32805}}));
        COMPARE_ITEMS(
            itemsOf(*popupNamed(bar, "編集(&E)")),
            (QList<Item>{{"ピント修正", 32787},
                         {"くっきり", 32785},
                         {"フラッシュ", 32811},
                         {"有料版のダウンロードサイトを表示（有料版を無料で試すことができます。）", 32846},
                         {"有料版の編集例を表示（作者のサイトに接続します。）", 32847},
                         {"有料版の美肌機能の解説動画を表示（YouTube動画を表示します。）", 32849}}));
        COMPARE_ITEMS(itemsOf(*popupNamed(bar, "ヘルプ(&H)")),
                      (QList<Item>{{"バージョン情報", 57664}, {"使い方", 32820}}));
    }

    void furtherPopupsOfferEveryEffectOnceWithItsTitle()
    {
        QMenuBar& bar = *fixture_->frame->menuBar();
        QList<QAction*> further;
        collectActions(*popupNamed(bar, "その他の効果(&M)"), further);
        std::set<int> seen;
        for (const QAction* action : further) {
            const int mode = effectModeForCommand(commandIdOf(action));
            QVERIFY2(mode != 0, qPrintable(action->text()));
            QVERIFY(!findEffectMode(mode)->inMainMenu);
            QCOMPARE(action->text(), QString::fromUtf8(findEffectMode(mode)->title.data(),
                                                       static_cast<qsizetype>(findEffectMode(mode)->title.size())));
            QVERIFY(seen.insert(mode).second);
        }
        QCOMPARE(static_cast<int>(seen.size()), 29);
        QCOMPARE(itemsOf(*popupNamed(bar, "その他の効果(&M)")).size(), 4);
    }

    void filterDisplayAndStylePopups()
    {
        QMenuBar& bar = *fixture_->frame->menuBar();
        COMPARE_ITEMS(itemsOf(*popupNamed(bar, "フィルタ(&I)")),
                      (QList<Item>{{"シャープ", 32776}, {"ノイズ除去", 32788}, {"輪郭強調", 32790}}));
        QMenu& display = *popupNamed(bar, "表示(&V)");
        COMPARE_ITEMS(itemsOf(display),
                      (QList<Item>{{"画面にフィット", 32792}, {"等倍で表示", 32794}, {"", 0}, {"スタイル(&S)", -1}}));
        COMPARE_ITEMS(itemsOf(*submenuNamed(display, "スタイル(&S)")),
                      (QList<Item>{{"Office 2007 (ブルー スタイル)(&B)", 215},
                                   {"Office 2007 (ブラック スタイル)(&L)", 216},
                                   {"Office 2007 (シルバー スタイル)(&S)", 217},
                                   {"Office 2007 (アクア スタイル)(&A)", 218},
                                   {"Windows 7(&D)", 219}}));
    }

    void contextMenuItemForItem()
    {
        const std::unique_ptr<QMenu> menu = fixture_->frame->view().createContextMenu();
        COMPARE_ITEMS(itemsOf(*menu), (QList<Item>{{"画面にフィット", 32792},
                                                   {"等倍で表示", 32794},
                                                   {"", 0},
                                                   {"元に戻す", 32803},
                                                   {"やり直す", 32805}}));
        QCOMPARE(menu->parentWidget(), fixture_->frame.get());
    }

    void contextMenuOpensOnRightButtonRelease()
    {
        fixture_->frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(fixture_->frame.get()));
        QWidget* viewport = fixture_->frame->view().viewport();
        QList<Item> shown;
        bool popupOnPress = false;
        QTest::mousePress(viewport, Qt::RightButton, {}, QPoint(20, 20));
        popupOnPress = QApplication::activePopupWidget() != nullptr;
        QTimer::singleShot(0, [&shown] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                shown = itemsOf(*menu);
                // Choosing "画面にフィット" runs it through the frame.
                menu->actions().first()->trigger();
                menu->close();
            }
        });
        QTest::mouseRelease(viewport, Qt::RightButton, {}, QPoint(20, 20));
        QVERIFY(!popupOnPress);
        QCOMPARE(shown.size(), 5);
        QCOMPARE(shown.first().id, res::ID_VIEW_FIT_TO_WINDOW);
        QCOMPARE(fixture_->frame->view().fitToWindow, true);
    }

    void shortcutsReachThePhotoCommands()
    {
        const auto keysOf = [this](int id) {
            QStringList keys;
            for (const QKeySequence& key : fixture_->frame->findCommandAction(id)->shortcuts()) {
                keys << key.toString(QKeySequence::PortableText);
            }
            return keys;
        };
        QCOMPARE(keysOf(CommandId::OpenPhoto), QStringList{"Ctrl+O"});
        QCOMPARE(keysOf(CommandId::SavePhoto), QStringList{"Ctrl+S"});
        QCOMPARE(keysOf(CommandId::Undo), QStringList{"Ctrl+Z"});
        QCOMPARE(keysOf(CommandId::Redo), QStringList({"Ctrl+Y", "Ctrl+Shift+Z"}));
        QCOMPARE(keysOf(res::ID_APP_EXIT), QStringList{"Ctrl+Q"});

        // A shortcut runs the command through the routing.
        fixture_->frame->show();
        QVERIFY(QTest::qWaitForWindowActive(fixture_->frame.get()));
        QVERIFY(fixture_->openPhoto(20, 10));
        fixture_->makeModified();
        QCOMPARE(fixture_->document.historyPosition(), 1);
        QTest::keyClick(fixture_->frame.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(fixture_->document.historyPosition(), 0);
        QTest::keyClick(fixture_->frame.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(fixture_->document.historyPosition(), 1);
        QTest::keyClick(fixture_->frame.get(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(fixture_->frame.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(fixture_->document.historyPosition(), 1);
    }

    void statusBarPanesAndPrompts()
    {
        QStringList texts;
        for (const QLabel* pane : fixture_->frame->statusPanes()) {
            texts << pane->text();
        }
        QCOMPARE(texts, QStringList({"レディ", "CAP", "NUM", "SCRL"}));

        QAction* open = fixture_->frame->findCommandAction(CommandId::OpenPhoto);
        open->showStatusText(fixture_->frame->menuBar());
        QCOMPARE(fixture_->frame->statusMessage(), QString("写真を開く"));
        QStatusTipEvent idle{QString()};
        QApplication::sendEvent(fixture_->frame->menuBar(), &idle);
        QCOMPARE(fixture_->frame->statusMessage(), QString("レディ"));
    }

    void statesWithoutPhoto()
    {
        CMainFrame& frame = *fixture_->frame;
        QVERIFY(frame.commandUi(CommandId::OpenPhoto).enabled);
        for (const int id : kPhotoCommands) {
            QVERIFY2(!frame.commandUi(id).enabled, qPrintable(QString::number(id)));
        }
        for (const EffectCommand& effect : kEffectCommands) {
            QVERIFY(!frame.commandUi(effect.commandId).enabled);
        }
        for (const int id : {res::ID_APP_EXIT, res::ID_HELP_USAGE, res::ID_WEB_PAID_DOWNLOAD,
                             res::ID_WEB_PAID_EXAMPLES, res::ID_WEB_SKIN_VIDEO}) {
            QVERIFY2(frame.commandUi(id).enabled, qPrintable(QString::number(id)));
        }
        // Fit and 1:1 switch even without a photo.
        QCOMPARE(frame.commandUi(res::ID_VIEW_FIT_TO_WINDOW), (CommandUi{true, false, false}));
        QCOMPARE(frame.commandUi(res::ID_VIEW_ACTUAL_SIZE), (CommandUi{false, true, false}));
        // The menu shows what the update handlers say.
        QVERIFY(!frame.findCommandAction(CommandId::SavePhoto)->isEnabled());
        QVERIFY(!frame.findCommandAction(effectCommandId(8))->isEnabled());
    }

    void statesThroughTheDocumentsLife()
    {
        CMainFrame& frame = *fixture_->frame;
        const auto enabled = [&frame](int id) { return frame.commandUi(id).enabled; };
        const auto actionEnabled = [&frame](int id) { return frame.findCommandAction(id)->isEnabled(); };

        // Just opened: effects on, save, undo and redo off.
        QVERIFY(fixture_->openPhoto(30, 20));
        QVERIFY(!enabled(CommandId::SavePhoto) && !enabled(CommandId::Undo) && !enabled(CommandId::Redo));
        for (const EffectCommand& effect : kEffectCommands) {
            QVERIFY(enabled(effect.commandId));
        }
        QVERIFY(enabled(CommandId::OutlierFilter));
        QVERIFY(actionEnabled(effectCommandId(2)) && !actionEnabled(CommandId::SavePhoto));

        // Modified: save and undo on.
        fixture_->makeModified();
        QVERIFY(enabled(CommandId::SavePhoto) && enabled(CommandId::Undo) && !enabled(CommandId::Redo));
        QVERIFY(actionEnabled(CommandId::SavePhoto) && actionEnabled(CommandId::Undo));

        // Undone: redo on, undo off, still modified.
        frame.routeCommand(CommandId::Undo);
        QVERIFY(enabled(CommandId::SavePhoto) && !enabled(CommandId::Undo) && enabled(CommandId::Redo));
        QVERIFY(actionEnabled(CommandId::Redo) && !actionEnabled(CommandId::Undo));

        // Saved: save off again.
        fixture_->dialogs.saveAnswers.push_back("/photos/out.png");
        frame.routeCommand(CommandId::SavePhoto);
        QVERIFY(!enabled(CommandId::SavePhoto) && enabled(CommandId::Redo));
        QVERIFY(!actionEnabled(CommandId::SavePhoto));

        // A failed open keeps the photo and its states.
        QVERIFY(!fixture_->document.openPhotoFile("/photos/broken.png"));
        QVERIFY(enabled(effectCommandId(1)) && enabled(CommandId::Redo));
    }

    void displayModeChecksAndStyleRadio()
    {
        CMainFrame& frame = *fixture_->frame;
        frame.routeCommand(res::ID_VIEW_FIT_TO_WINDOW);
        QCOMPARE(frame.commandUi(res::ID_VIEW_FIT_TO_WINDOW), (CommandUi{false, true, false}));
        QCOMPARE(frame.commandUi(res::ID_VIEW_ACTUAL_SIZE), (CommandUi{true, false, false}));
        QAction* fit = frame.findCommandAction(res::ID_VIEW_FIT_TO_WINDOW);
        QVERIFY(fit->isChecked() && !fit->isEnabled());

        // A disabled command does not run: the mode stays.
        frame.routeCommand(res::ID_VIEW_FIT_TO_WINDOW);
        QCOMPARE(frame.view().fitToWindow, true);

        // The context menu shows the same states.
        const std::unique_ptr<QMenu> menu = frame.view().createContextMenu();
        QVERIFY(menu->actions()[0]->isChecked() && !menu->actions()[0]->isEnabled());
        QVERIFY(!menu->actions()[1]->isChecked() && menu->actions()[1]->isEnabled());

        // Styles: a radio mark on the current one only.
        for (int id = res::ID_VIEW_APPLOOK_FIRST; id <= res::ID_VIEW_APPLOOK_LAST; ++id) {
            const CommandUi ui = frame.commandUi(id);
            QVERIFY(ui.radio && ui.enabled);
            QCOMPARE(ui.checked, static_cast<unsigned>(id) == frame.appLook());
        }
        QAction* blue = frame.findCommandAction(res::ID_VIEW_APPLOOK_OFF_2007_BLUE);
        QVERIFY(blue->actionGroup() != nullptr && blue->actionGroup()->isExclusive());
        frame.routeCommand(res::ID_VIEW_APPLOOK_OFF_2007_BLUE);
        QVERIFY(blue->isChecked());
        QVERIFY(!frame.findCommandAction(res::ID_VIEW_APPLOOK_WINDOWS_7)->isChecked());
    }

private:
    std::unique_ptr<FrameFixture> fixture_;
};

FOTRA_APP_TEST_MAIN(TestMenus)
#include "test_app_menus.moc"
