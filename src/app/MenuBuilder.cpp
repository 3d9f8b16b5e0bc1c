// Qt menus from the menu tables; the actions carry their command ids and
// hand them to the router.
#include "app/MenuBuilder.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QString>

#include "res/Strings.h"

namespace {

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

int commandIdOf(const QAction* action)
{
    return action != nullptr ? action->data().toInt() : 0;
}

void appendMenuItems(QMenu& menu, std::span<const res::MenuItem> items, ICommandRouter& router,
                     std::vector<QAction*>& commandActions)
{
    QActionGroup* radioGroup = nullptr;
    for (const res::MenuItem& item : items) {
        switch (item.kind) {
        case res::MenuItemKind::Separator:
            menu.addSeparator();
            break;
        case res::MenuItemKind::Popup: {
            QMenu* submenu = menu.addMenu(toQString(item.text));
            appendMenuItems(*submenu, item.items, router, commandActions);
            QObject::connect(submenu, &QMenu::aboutToShow, submenu,
                             [submenu, &router] { updateMenuCommands(*submenu, router); });
            break;
        }
        case res::MenuItemKind::Command: {
            const int id = item.id;
            QAction* action = menu.addAction(toQString(item.text));
            action->setData(id);
            action->setStatusTip(toQString(res::commandPrompt(id)));
            action->setToolTip(toQString(res::commandTooltip(id)));
            const CommandUi ui = router.commandUi(id);
            if (ui.radio) {
                if (radioGroup == nullptr) {
                    radioGroup = new QActionGroup(&menu);
                    radioGroup->setExclusive(true);
                }
                action->setCheckable(true);
                radioGroup->addAction(action);
            }
            applyCommandUi(*action, ui);
            QObject::connect(action, &QAction::triggered, action, [&router, id] { router.routeCommand(id); });
            commandActions.push_back(action);
            break;
        }
        }
    }
}

void fillMenuBar(QMenuBar& bar, std::span<const res::MenuItem> items, ICommandRouter& router,
                 std::vector<QAction*>& commandActions)
{
    for (const res::MenuItem& item : items) {
        QMenu* menu = bar.addMenu(toQString(item.text));
        appendMenuItems(*menu, item.items, router, commandActions);
        QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, &router] { updateMenuCommands(*menu, router); });
    }
}

void applyCommandUi(QAction& action, const CommandUi& ui)
{
    action.setEnabled(ui.enabled);
    // An action in a radio group stays checkable so that it keeps its mark.
    action.setCheckable(ui.checked || ui.radio || action.actionGroup() != nullptr);
    action.setChecked(ui.checked);
}

void updateMenuCommands(QMenu& menu, ICommandRouter& router)
{
    for (QAction* action : menu.actions()) {
        if (QMenu* submenu = action->menu()) {
            updateMenuCommands(*submenu, router);
        } else if (const int id = commandIdOf(action); id != 0) {
            applyCommandUi(*action, router.commandUi(id));
        }
    }
}
