// The effect options shared by fotra's apply and preview: the mode by number
// or title and the dialog's values as the user may give them. Every problem
// becomes a one-line message.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dialog/ModeSetup.h"

namespace CLI {
class App;
}

namespace fotra {

// The effect as given: --mode and the dialog's values.
struct EffectOptions {
    std::string mode;
    DialogChoices choices; // --strength, --effect, --precision
    std::string target;    // --target R,G,B
    std::string light;     // --light R,G,B
};

// Declares --mode (required) and the value options on `command`.
void addEffectOptions(CLI::App& command, EffectOptions& options);

// A mode given as its number (1..32), its short name or its exact title.
std::optional<int> parseMode(const std::string& text);

// The mode's set-up and the user's choices. Nothing and `problem` set for an
// unknown mode, a malformed colour or a value the mode's dialog does not let
// the user set (hidden control, value outside the slider's range).
struct EffectRequest {
    const ModeSetup* setup = nullptr;
    DialogChoices choices;
};
std::optional<EffectRequest> resolveEffect(const EffectOptions& options, std::string& problem);

// Whole numbers separated by commas, exactly `count` of them.
std::optional<std::vector<int>> parseIntegerList(const std::string& text, std::size_t count);

} // namespace fotra
