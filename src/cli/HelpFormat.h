// The help layout of fotra: CLI11's, without the options kept out of the help
// (group "") in the usage line and between the option groups.
#pragma once

#include <CLI/CLI.hpp>

namespace fotra {

class HelpFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;
};

} // namespace fotra
