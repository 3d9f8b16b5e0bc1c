// fotra modes: one line per effect mode with its number, short name, command
// id, title and the values it takes, as the effect dialog offers them: the
// option, its range and its default (the dialog's start position or preset);
// then the fixed filters by name and command id.
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "dialog/ModeSetup.h"
#include "document/EffectCatalogue.h"

namespace {

std::string describeSlider(const char* option, const SliderSetup& slider)
{
    return std::string("--") + option + " " + std::to_string(slider.minimum) + ".." +
           std::to_string(slider.maximum) + " (default " + std::to_string(slider.position) + ")";
}

std::string describeColour(RgbColour colour)
{
    return std::to_string(colour.red) + "," + std::to_string(colour.green) + "," + std::to_string(colour.blue);
}

// The values of one mode, separated by "; ".
std::string describeValues(const ModeSetup& setup)
{
    std::string text;
    const auto add = [&text](const std::string& item) { text += (text.empty() ? "" : "; ") + item; };
    if (setup.showsStrength) {
        add(describeSlider("strength", setup.strength));
    }
    add(describeSlider("effect", setup.effect));
    if (setup.showsPrecision) {
        add(describeSlider("precision", setup.precision));
    }
    if (setup.showsSampling) {
        add("--target R,G,B (default " + describeColour(setup.targetColour) + ")");
    }
    if (setup.showsLight) {
        add("--light R,G,B (default " + describeColour(setup.lightColour) + ")");
    } else if (setup.mode == 18 || setup.mode == 30) {
        add("light colour follows --target");
    } else if (setup.mode == 27) {
        add("fill colour: the photo's mean colour");
    } else if (setup.hasLightSliders) {
        add("light colour " + describeColour(setup.lightColour) + " (fixed)");
    }
    return text;
}

int runModes()
{
    std::cout << "mode\tname\tcommand\ttitle\tvalues\n";
    for (const EffectCommand& entry : kEffectCommands) {
        const ModeSetup& setup = entry.setup;
        std::cout << setup.mode << '\t' << entry.name << '\t' << entry.commandId << '\t' << setup.title << '\t'
                  << describeValues(setup) << '\n';
    }
    std::cout << "\nfilter\tcommand\n";
    for (const FixedFilterCommand& filter : kFixedFilterCommands) {
        std::cout << filter.name << '\t' << filter.commandId << '\n';
    }
    return fotra::kExitSuccess;
}

fotra::CommandRun defineModes(CLI::App&)
{
    return runModes;
}

const fotra::CommandRegistration registerModes{
    {"modes", "List the effect modes with the values each takes, and the fixed filters", defineModes}};

} // namespace
