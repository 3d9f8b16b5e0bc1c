// Argument handling shared by fotra's effect commands (apply, filter,
// preview): options and input files, the mode by number or title, the
// dialog's values as the user may give them, and photo input and output with
// the document's save rule. Every problem becomes a one-line message.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dialog/ModeSetup.h"
#include "image/COvImage2.h"

namespace fotra {

// "--name value", "--name=value" or "-o value" for the names in `allowed`
// (given without dashes, "o" for -o), every other argument an input file.
struct ParsedArguments {
    std::map<std::string, std::string, std::less<>> options;
    std::vector<std::string> inputs;

    const std::string* option(std::string_view name) const;
};

// Nothing and `problem` set when an option is unknown, repeated or lacks
// its value.
std::optional<ParsedArguments> parseArguments(std::span<const std::string> arguments,
                                              std::span<const std::string_view> allowed, std::string& problem);

// A mode given as its number (1..32) or its exact title.
std::optional<int> parseMode(const std::string& text);

// The value options of the effect dialog: --strength, --effect, --precision
// (whole numbers), --target and --light (R,G,B). Nothing and `problem` set
// when one is malformed or the mode's dialog does not let the user set it
// (hidden control, value outside the slider's range).
inline constexpr std::string_view kValueOptions[] = {"strength", "effect", "precision", "target", "light"};
std::optional<DialogChoices> parseChoices(const ParsedArguments& parsed, const ModeSetup& setup,
                                          std::string& problem);

// Whole numbers separated by commas, exactly `count` of them.
std::optional<std::vector<int>> parseIntegerList(const std::string& text, std::size_t count);

// Prints "fotra: message" to stderr and returns kExitUsage.
int usageProblem(std::string_view message);

// The save format of an output path by the document's extension rule, or
// nothing and `problem` set.
std::optional<int> outputFormat(const std::string& path, std::string& problem);

// Reads a photo as the program does; false with `problem` set on failure.
bool loadPhoto(COvImage2& image, const std::string& path, std::string& problem);

// Writes the `result` plane as the photo, as committing it would; an
// existing file is replaced only by a complete new one.
bool saveResult(COvImage2& image, const std::string& path, int format, std::string& problem);

// One photo to read, change and write.
struct PhotoJob {
    std::string input;
    std::string output;
    int format = 0; // SaveFormat of the output
};

struct PhotoJobs {
    std::vector<PhotoJob> jobs;
    bool reportProgress = false; // with --out-dir: one line per photo
};

// The photos of "IN -o OUT" or "IN... --out-dir DIR" (each written under its
// own file name into DIR, an existing folder). Nothing and `problem` set for
// a missing or doubled output, an output name that names no format, or two
// photos that would be written to the same file.
std::optional<PhotoJobs> planPhotoJobs(const ParsedArguments& parsed, std::string& problem);

// Reads each photo, lets `transform` leave its output in `result`, and
// writes that as the photo. A photo that fails is reported and written not at
// all; the others still run. Returns kExitFailure if any failed.
int runPhotoJobs(const PhotoJobs& plan, const std::function<void(COvImage2&)>& transform);

} // namespace fotra
