// Argument handling shared by fotra's effect commands.
#include "cli/EffectArguments.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <set>
#include <iostream>
#include <new>

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

bool parseNumberOption(const ParsedArguments& parsed, std::string_view name, std::optional<int>& value,
                       std::string& problem)
{
    const std::string* text = parsed.option(name);
    if (text == nullptr) {
        return true;
    }
    value = parseInteger(*text);
    if (!value) {
        problem = "--" + std::string(name) + " needs a whole number, not '" + *text + "'";
        return false;
    }
    return true;
}

bool parseColourOption(const ParsedArguments& parsed, std::string_view name, std::optional<RgbColour>& colour,
                       std::string& problem)
{
    const std::string* text = parsed.option(name);
    if (text == nullptr) {
        return true;
    }
    const std::optional<std::vector<int>> components = parseIntegerList(*text, 3);
    if (!components) {
        problem = "--" + std::string(name) + " needs a colour R,G,B, not '" + *text + "'";
        return false;
    }
    colour = RgbColour{(*components)[0], (*components)[1], (*components)[2]};
    return true;
}

} // namespace

const std::string* ParsedArguments::option(std::string_view name) const
{
    const auto found = options.find(name);
    return found == options.end() ? nullptr : &found->second;
}

std::optional<ParsedArguments> parseArguments(std::span<const std::string> arguments,
                                              std::span<const std::string_view> allowed, std::string& problem)
{
    ParsedArguments parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() < 2 || argument[0] != '-') {
            parsed.inputs.push_back(argument);
            continue;
        }
        std::string name;
        std::optional<std::string> value;
        if (argument == "-o") {
            name = "o";
        } else if (argument.starts_with("--")) {
            name = argument.substr(2);
            if (const std::size_t equals = name.find('='); equals != std::string::npos) {
                value = name.substr(equals + 1);
                name.resize(equals);
            }
        }
        if (name.empty() || std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            problem = "unknown option '" + argument + "'";
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 == arguments.size()) {
                problem = "option '" + argument + "' needs a value";
                return std::nullopt;
            }
            value = arguments[++i];
        }
        if (!parsed.options.emplace(name, *value).second) {
            problem = "option '" + (name == "o" ? std::string("-o") : "--" + name) + "' given twice";
            return std::nullopt;
        }
    }
    return parsed;
}

std::optional<int> parseMode(const std::string& text)
{
    if (const std::optional<int> number = parseInteger(text)) {
        return findEffectMode(*number) != nullptr ? number : std::nullopt;
    }
    const int mode = effectModeForTitle(text);
    return mode != 0 ? std::optional<int>(mode) : std::nullopt;
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

std::optional<DialogChoices> parseChoices(const ParsedArguments& parsed, const ModeSetup& setup,
                                          std::string& problem)
{
    DialogChoices choices;
    if (!parseNumberOption(parsed, "strength", choices.strength, problem) ||
        !parseNumberOption(parsed, "effect", choices.effect, problem) ||
        !parseNumberOption(parsed, "precision", choices.precision, problem) ||
        !parseColourOption(parsed, "target", choices.sampledColour, problem) ||
        !parseColourOption(parsed, "light", choices.lightSliders, problem)) {
        return std::nullopt;
    }
    if (const std::string check = checkChoices(setup, choices); !check.empty()) {
        problem = "mode " + std::to_string(setup.mode) + " (" + std::string(setup.title) + "): " + check;
        return std::nullopt;
    }
    return choices;
}

int usageProblem(std::string_view message)
{
    std::cerr << "fotra: " << message << '\n';
    return kExitUsage;
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

std::optional<PhotoJobs> planPhotoJobs(const ParsedArguments& parsed, std::string& problem)
{
    const std::string* output = parsed.option("o");
    const std::string* folder = parsed.option("out-dir");
    if (parsed.inputs.empty()) {
        problem = "no photo given";
        return std::nullopt;
    }
    if (output != nullptr && folder != nullptr) {
        problem = "give either -o OUT or --out-dir DIR, not both";
        return std::nullopt;
    }
    if (output == nullptr && folder == nullptr) {
        problem = "no output given: -o OUT for one photo, --out-dir DIR for several";
        return std::nullopt;
    }
    if (output != nullptr && parsed.inputs.size() > 1) {
        problem = "-o writes one photo; use --out-dir DIR for " + std::to_string(parsed.inputs.size());
        return std::nullopt;
    }
    std::error_code error;
    if (folder != nullptr && !std::filesystem::is_directory(*folder, error)) {
        problem = "the output folder '" + *folder + "' does not exist";
        return std::nullopt;
    }

    PhotoJobs plan;
    plan.reportProgress = folder != nullptr;
    std::set<std::filesystem::path> written;
    for (const std::string& input : parsed.inputs) {
        PhotoJob job;
        job.input = input;
        job.output = output != nullptr
                         ? *output
                         : (std::filesystem::path(*folder) / std::filesystem::path(input).filename()).string();
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
