// The effect options of fotra's apply and preview.
#include "cli/EffectArguments.h"

#include <charconv>

#include <CLI/CLI.hpp>

#include "document/EffectCatalogue.h"

namespace fotra {
namespace {

std::optional<int> parseInteger(std::string_view text)
{
    int value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

bool parseColour(const std::string& text, std::string_view name, std::optional<RgbColour>& colour,
                 std::string& problem)
{
    if (text.empty()) {
        return true;
    }
    const std::optional<std::vector<int>> components = parseIntegerList(text, 3);
    if (!components) {
        problem = "--" + std::string(name) + " needs a colour R,G,B, not '" + text + "'";
        return false;
    }
    colour = RgbColour{(*components)[0], (*components)[1], (*components)[2]};
    return true;
}

} // namespace

void addEffectOptions(CLI::App& command, EffectOptions& options)
{
    command.add_option("-m,--mode", options.mode, "The effect mode: its name, number or title ('fotra modes' lists them)")
        ->type_name("MODE")
        ->required();
    command.add_option("--strength", options.choices.strength, "The strength slider")->type_name("S");
    command.add_option("--effect", options.choices.effect, "The effect slider")->type_name("E");
    command.add_option("--precision", options.choices.precision, "The precision slider")->type_name("P");
    command.add_option("--target", options.target, "The sampled target colour")->type_name("R,G,B");
    command.add_option("--light", options.light, "The light colour sliders")->type_name("R,G,B");
}

std::optional<int> parseMode(const std::string& text)
{
    if (const std::optional<int> number = parseInteger(text)) {
        return findEffectMode(*number) != nullptr ? number : std::nullopt;
    }
    const int mode = effectModeForName(text) != 0 ? effectModeForName(text) : effectModeForTitle(text);
    return mode != 0 ? std::optional<int>(mode) : std::nullopt;
}

std::optional<EffectRequest> resolveEffect(const EffectOptions& options, std::string& problem)
{
    const std::optional<int> mode = parseMode(options.mode);
    if (!mode) {
        problem = "unknown mode '" + options.mode + "' (fotra modes lists them)";
        return std::nullopt;
    }
    EffectRequest request{findModeSetup(*mode), options.choices};
    if (!parseColour(options.target, "target", request.choices.sampledColour, problem) ||
        !parseColour(options.light, "light", request.choices.lightSliders, problem)) {
        return std::nullopt;
    }
    if (const std::string check = checkChoices(*request.setup, request.choices); !check.empty()) {
        problem = "mode " + std::to_string(*mode) + " (" + std::string(request.setup->title) + "): " + check;
        return std::nullopt;
    }
    return request;
}

std::optional<std::vector<int>> parseIntegerList(const std::string& text, std::size_t count)
{
    std::vector<int> values;
    std::string_view rest = text;
    while (true) {
        const std::size_t comma = rest.find(',');
        const std::optional<int> value = parseInteger(rest.substr(0, comma));
        if (!value) {
            return std::nullopt;
        }
        values.push_back(*value);
        if (comma == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(comma + 1);
    }
    return values.size() == count ? std::optional(values) : std::nullopt;
}

} // namespace fotra
