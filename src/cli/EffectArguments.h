// Options and photo handling shared by fotra's effect commands (apply,
// filter, preview): the mode by number or title, the dialog's values as the
// user may give them, the photos to read and where to write them with the
// document's save rule. Every problem becomes a one-line message.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialog/ModeSetup.h"
#include "image/COvImage2.h"

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

// A mode given as its number (1..32) or its exact title.
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

// The save format of an output path by the document's extension rule, or
// nothing and `problem` set.
std::optional<int> outputFormat(const std::string& path, std::string& problem);

// Reads a photo as the program does; false with `problem` set on failure.
bool loadPhoto(COvImage2& image, const std::string& path, std::string& problem);

// Writes the `result` plane as the photo, as committing it would; an
// existing file is replaced only by a complete new one.
bool saveResult(COvImage2& image, const std::string& path, int format, std::string& problem);

// The photos and outputs as given: "IN -o OUT" or "IN... --out-dir DIR".
struct PhotoOptions {
    std::vector<std::string> inputs;
    std::string output; // -o, --output
    std::string folder; // --out-dir
};

// Declares the photo arguments and -o; with `batch` also --out-dir.
void addPhotoOptions(CLI::App& command, PhotoOptions& options, bool batch);

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
std::optional<PhotoJobs> planPhotoJobs(const PhotoOptions& options, std::string& problem);

// Reads each photo, lets `transform` leave its output in `result`, and
// writes that as the photo. A photo that fails is reported and written not at
// all; the others still run. Returns kExitFailure if any failed.
int runPhotoJobs(const PhotoJobs& plan, const std::function<void(COvImage2&)>& transform);

} // namespace fotra
