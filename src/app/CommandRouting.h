// Command routing by numeric id. Each target (frame, view, document,
// application) declares a command map: id ranges with a handler and an
// update handler. The frame offers a command to the targets in that order;
// the first that maps the id handles it. Update handlers set the enabled,
// checked and radio state of every menu item that carries the id.
#pragma once

#include <span>

struct CommandUi {
    bool enabled = true;
    bool checked = false;
    bool radio = false; // checked shows as a radio mark instead of a tick
    friend bool operator==(const CommandUi&, const CommandUi&) = default;
};

class CCommandTarget {
public:
    virtual ~CCommandTarget() = default;
    // Runs command `id`; false when this target does not handle it.
    virtual bool onCommand(int id) = 0;
    // Sets the menu state of `id`; false when this target has no update
    // handler for it.
    virtual bool onUpdateCommand(int id, CommandUi& ui) = 0;
    // True when this target has a handler for `id`.
    virtual bool hasHandler(int id) const = 0;
};

// The one entry point that menus, shortcuts and the context menu use.
class ICommandRouter {
public:
    virtual ~ICommandRouter() = default;
    virtual void routeCommand(int id) = 0;
    // The state of `id` after every target's update handler had its say; a
    // command nobody handles is disabled.
    virtual CommandUi commandUi(int id) = 0;
};

// One line of a command map: ids firstId..lastId, a handler (may be null)
// and an update handler (may be null).
template <class Target>
struct CommandMapEntry {
    int firstId;
    int lastId;
    void (Target::*handler)(int id);
    void (Target::*update)(int id, CommandUi& ui);
};

template <class Target>
bool dispatchCommand(Target& target, std::span<const CommandMapEntry<Target>> map, int id)
{
    for (const CommandMapEntry<Target>& entry : map) {
        if (id >= entry.firstId && id <= entry.lastId && entry.handler != nullptr) {
            (target.*entry.handler)(id);
            return true;
        }
    }
    return false;
}

template <class Target>
bool dispatchUpdate(Target& target, std::span<const CommandMapEntry<Target>> map, int id, CommandUi& ui)
{
    for (const CommandMapEntry<Target>& entry : map) {
        if (id >= entry.firstId && id <= entry.lastId && entry.update != nullptr) {
            (target.*entry.update)(id, ui);
            return true;
        }
    }
    return false;
}

template <class Target>
bool mapHasHandler(std::span<const CommandMapEntry<Target>> map, int id)
{
    for (const CommandMapEntry<Target>& entry : map) {
        if (id >= entry.firstId && id <= entry.lastId && entry.handler != nullptr) {
            return true;
        }
    }
    return false;
}
