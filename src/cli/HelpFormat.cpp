// The help layout of fotra (see HelpFormat.h).
#include "cli/HelpFormat.h"

#include <sstream>

namespace fotra {
namespace {

bool shown(const CLI::Option* option)
{
    return !option->get_group().empty();
}

} // namespace

std::string HelpFormatter::make_usage(const CLI::App* app, std::string name) const
{
    std::ostringstream out;
    out << "Usage: " << name;
    if (!app->get_options([](const CLI::Option* option) { return option->nonpositional() && shown(option); })
             .empty()) {
        out << " [OPTIONS]";
    }
    for (const CLI::Option* positional :
         app->get_options([](const CLI::Option* option) { return option->get_positional() && shown(option); })) {
        const std::string usage = make_option_usage(positional);
        out << ' ' << (positional->get_required() ? usage : '[' + usage + ']');
    }
    if (!app->get_subcommands({}).empty()) {
        out << " COMMAND";
    }
    out << '\n';
    return out.str();
}

std::string HelpFormatter::make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const
{
    if (mode == CLI::AppFormatMode::Sub) {
        return make_expanded(app);
    }
    std::ostringstream out;
    out << make_description(app) << make_usage(app, name) << make_positionals(app);
    for (const std::string& group : app->get_groups()) {
        const std::vector<const CLI::Option*> options = app->get_options([&group](const CLI::Option* option) {
            return option->get_group() == group && option->nonpositional();
        });
        if (!group.empty() && !options.empty()) {
            out << make_group(group, false, options);
        }
    }
    out << make_subcommands(app, mode) << '\n' << make_footer(app);
    return out.str();
}

} // namespace fotra
