// Builds Qt menus from the menu tables of res/Menus.h. Every command item
// becomes a QAction that carries its command id (QAction::data), shows its
// prompt in the status bar and hands its id to the command router when
// triggered; the router's update handlers set its state.
#pragma once

#include <span>
#include <vector>

#include "app/CommandRouting.h"
#include "res/Menus.h"

class QAction;
class QMenu;
class QMenuBar;

// The command id an action carries, or 0 for separators and popups.
int commandIdOf(const QAction* action);

// Appends `items` to `menu` (popups become submenus) and adds every command
// action created to `commandActions`. Radio-marked commands of one menu
// share an exclusive action group.
void appendMenuItems(QMenu& menu, std::span<const res::MenuItem> items, ICommandRouter& router,
                     std::vector<QAction*>& commandActions);

// Adds the popups of `items` as the menus of the bar.
void fillMenuBar(QMenuBar& bar, std::span<const res::MenuItem> items, ICommandRouter& router,
                 std::vector<QAction*>& commandActions);

// Sets an action's enabled, checkable and checked state from its update.
void applyCommandUi(QAction& action, const CommandUi& ui);

// Runs the update handlers of every command action of `menu` (recursively).
void updateMenuCommands(QMenu& menu, ICommandRouter& router);
