// Writes the help page at build time: the hand-written page with its marker
// line replaced by the list of effects, one table row per mode with its title
// and description from the catalogue, grouped and ordered as the menus offer
// them (the edit menu's effects first, in mode order). A mode missing from
// the groups, or offered twice, stops the build instead of leaving the list
// silently wrong.
#include <array>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "document/EffectCatalogue.h"
#include "res/Menus.h"

namespace {

// The line of the page that the rows replace.
constexpr std::string_view kMarker = "<!-- effect rows, written from the effect catalogue at build time -->";
// The page's name for the effects the edit menu offers itself.
constexpr std::string_view kEditMenuGroup = "編集メニュー";

struct EffectGroup {
    std::string_view name;
    std::vector<int> modes;
};

std::vector<EffectGroup> effectGroups()
{
    std::vector<EffectGroup> groups{{kEditMenuGroup, {}}};
    for (const EffectCommand& entry : kEffectCommands) {
        if (entry.inMainMenu) {
            groups.front().modes.push_back(entry.mode);
        }
    }
    for (const res::MenuItem& popup : res::kFurtherEffectsMenu) {
        EffectGroup& group = groups.emplace_back(EffectGroup{popup.text, {}});
        for (const res::MenuItem& item : popup.items) {
            group.modes.push_back(effectModeForCommand(item.id));
        }
    }
    return groups;
}

// Empty when every mode is in exactly one group; otherwise what is wrong.
std::string groupingProblem(const std::vector<EffectGroup>& groups)
{
    std::array<int, kEffectModeCount + 1> seen{};
    for (const EffectGroup& group : groups) {
        for (const int mode : group.modes) {
            if (mode == 0) {
                return "the menu group " + std::string(group.name) + " offers a command that is no effect";
            }
            ++seen[mode];
        }
    }
    for (int mode = 1; mode <= kEffectModeCount; ++mode) {
        if (seen[mode] != 1) {
            return "mode " + std::to_string(mode) + " is in " + std::to_string(seen[mode]) +
                   " menu groups instead of one";
        }
    }
    return {};
}

std::string escaped(std::string_view text)
{
    std::string html;
    for (const char c : text) {
        switch (c) {
        case '&': html += "&amp;"; break;
        case '<': html += "&lt;"; break;
        case '>': html += "&gt;"; break;
        default: html += c;
        }
    }
    return html;
}

// One row per mode; a group's first row carries the group's name over all its rows.
std::string effectRows(const std::vector<EffectGroup>& groups)
{
    std::string rows;
    for (const EffectGroup& group : groups) {
        bool first = true;
        for (const int mode : group.modes) {
            const EffectCommand& entry = *findEffectMode(mode);
            rows += "<tr>";
            if (first) {
                rows += "<td rowspan=\"" + std::to_string(group.modes.size()) + "\">" + escaped(group.name) + "</td>";
                first = false;
            }
            rows += "<td>" + escaped(entry.title) + "</td><td>" + escaped(entry.description) + "</td></tr>\n";
        }
    }
    return rows;
}

int fail(const std::string& message)
{
    std::cerr << "write_help_page: " << message << '\n';
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        return fail("usage: write_help_page PAGE_WITH_MARKER OUTPUT");
    }
    const std::vector<EffectGroup> groups = effectGroups();
    if (const std::string problem = groupingProblem(groups); !problem.empty()) {
        return fail(problem);
    }
    std::ifstream input(argv[1], std::ios::binary);
    if (!input) {
        return fail(std::string("cannot read ") + argv[1]);
    }
    std::ostringstream page;
    bool marked = false;
    for (std::string line; std::getline(input, line);) {
        if (line == kMarker) {
            page << effectRows(groups);
            marked = true;
        } else {
            page << line << '\n';
        }
    }
    if (!marked) {
        return fail(std::string(argv[1]) + " has no line " + std::string(kMarker));
    }
    std::ofstream output(argv[2], std::ios::binary | std::ios::trunc);
    if (!(output << page.str()) || !output.flush()) {
        return fail(std::string("cannot write ") + argv[2]);
    }
    return 0;
}
