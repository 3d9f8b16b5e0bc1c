// Argument handling shared by fotra's effect commands.
#include "cli/EffectArguments.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <new>
#include <set>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "cli/KeptMetadata.h"
#include "document/CFotraDoc.h"
#include "document/CommandTable.h"

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
    command.add_option("-m,--mode", options.mode, "The effect mode: its number or title ('fotra modes' lists them)")
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
    const int mode = effectModeForTitle(text);
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

std::optional<int> outputFormat(const std::string& path, std::string& problem)
{
    const int format = CFotraDoc::saveFormatForPath(path);
    if (format == 0) {
        problem = "cannot save as '" + path + "': the name must end in .jpg, .jpeg, .png, .tif or .tiff";
        return std::nullopt;
    }
    return format;
}

bool loadPhoto(COvImage2& image, const std::string& path, std::string& problem)
{
    try {
        if (image.loadFromFile(path)) {
            return true;
        }
        problem = "cannot read the photo '" + path + "'";
    } catch (const std::bad_alloc&) {
        problem = "not enough memory to open the photo '" + path + "'";
    }
    return false;
}

bool saveResult(COvImage2& image, const std::string& path, int format, std::string& problem)
{
    copyPlane(image.current, image.result);
    if (image.saveToFile(path, format)) {
        return true;
    }
    problem = "cannot write the photo '" + path + "'";
    return false;
}

void addPhotoOptions(CLI::App& command, PhotoOptions& options, bool batch)
{
    command.add_option("PHOTO", options.inputs, batch ? "The photos to read" : "The photo to read")
        ->type_name("")
        ->required()
        ->expected(1, batch ? CLI::detail::expected_max_vector_size : 1);
    if (batch) {
        // CLI11 hands the arguments after "--" back to the tool once every
        // positional has its least count; a second positional that never
        // fills keeps them with this command, where they become photos.
        command.add_option("photos-after-mark", options.inputs)->group("");
    }
    command.add_option("-o,--output", options.output, "Write the photo to OUT")->type_name("OUT");
    if (batch) {
        command.add_option("--out-dir", options.folder, "Write each photo under its own name into DIR")
            ->type_name("DIR");
    }
}

std::optional<PhotoJobs> planPhotoJobs(const PhotoOptions& options, std::string& problem)
{
    const bool toFile = !options.output.empty();
    const bool toFolder = !options.folder.empty();
    if (toFile && toFolder) {
        problem = "give either -o OUT or --out-dir DIR, not both";
        return std::nullopt;
    }
    if (!toFile && !toFolder) {
        problem = "no output given: -o OUT for one photo, --out-dir DIR for several";
        return std::nullopt;
    }
    if (toFile && options.inputs.size() > 1) {
        problem = "-o writes one photo; use --out-dir DIR for " + std::to_string(options.inputs.size());
        return std::nullopt;
    }
    std::error_code error;
    if (toFolder && !std::filesystem::is_directory(options.folder, error)) {
        problem = "the output folder '" + options.folder + "' does not exist";
        return std::nullopt;
    }

    PhotoJobs plan;
    plan.reportProgress = toFolder;
    std::set<std::filesystem::path> written;
    for (const std::string& input : options.inputs) {
        PhotoJob job;
        job.input = input;
        job.output = toFile ? options.output
                            : (std::filesystem::path(options.folder) / std::filesystem::path(input).filename()).string();
        const std::optional<int> format = outputFormat(job.output, problem);
        if (!format) {
            return std::nullopt;
        }
        job.format = *format;
        if (!written.insert(std::filesystem::path(job.output).lexically_normal()).second) {
            problem = "two photos would be written to '" + job.output + "'";
            return std::nullopt;
        }
        plan.jobs.push_back(job);
    }
    return plan;
}

int runPhotoJobs(const PhotoJobs& plan, const std::function<void(COvImage2&)>& transform)
{
    int status = kExitSuccess;
    const std::size_t count = plan.jobs.size();
    for (std::size_t index = 0; index < count; ++index) {
        const PhotoJob& job = plan.jobs[index];
        std::string problem;
        COvImage2 image;
        bool done = loadPhoto(image, job.input, problem);
        if (done) {
            try {
                const MetadataReadResult kept = readKeptMetadata(job.input);
                transform(image);
                done = saveResult(image, job.output, job.format, problem);
                if (done) {
                    writeKeptMetadata(job.output, kept, image);
                }
            } catch (const std::bad_alloc&) {
                problem = "not enough memory to process the photo '" + job.input + "'";
                done = false;
            }
        }
        if (!done) {
            status = fail(problem);
        } else if (plan.reportProgress) {
            std::cout << index + 1 << '/' << count << ' ' << job.input << " -> " << job.output << std::endl;
        }
    }
    return status;
}

} // namespace fotra
