// The modeless toolbar customisation (command 126): create and delete user
// toolbars (up to ten), and fill them with commands taken from the menus,
// each shown as text or, when user button images are loaded, as an image.
#pragma once

#include <QDialog>

class CMainFrame;
class QComboBox;
class QListWidget;
class QToolBar;

class CToolbarCustomizeDialog : public QDialog {
public:
    explicit CToolbarCustomizeDialog(CMainFrame& frame);

    // The commands offered, by menu: (menu title, [(text, id)]).
    struct CommandChoice {
        QString text;
        int id;
    };
    struct CommandCategory {
        QString title;
        QList<CommandChoice> commands;
    };
    static QList<CommandCategory> commandCategories();

    // Steps of the dialog, also used by the tests.
    QToolBar* newToolbar();
    void deleteSelectedToolbar();
    void addSelectedCommand();
    void removeSelectedButton();
    void selectCommand(int categoryIndex, int commandRow);
    void selectToolbar(int row);

private:
    void fillToolbarList();
    void fillCommandList();
    void fillButtonList();
    QToolBar* selectedToolbar() const;

    CMainFrame& frame_;
    QList<CommandCategory> categories_;
    QListWidget* toolbarList_ = nullptr;
    QComboBox* categoryBox_ = nullptr;
    QListWidget* commandList_ = nullptr;
    QComboBox* imageBox_ = nullptr;
    QListWidget* buttonList_ = nullptr;
};
