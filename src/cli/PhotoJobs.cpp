// Planning and running fotra's photo jobs, with standard input and output
// passed through private temporary files.
#include "cli/PhotoJobs.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <set>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "cli/KeptMetadata.h"
#include "cli/PhotoReport.h"
#include "document/CFotraDoc.h"
#include "image/metadata/IccProfile.h"

namespace fotra {
namespace {

namespace fs = std::filesystem;

bool isStandardStream(const std::string& path)
{
    return path == kStandardStream;
}

std::string outputName(const std::string& path)
{
    return isStandardStream(path) ? "the photo to standard output"
                                  : "the photo '" + metadata::printableText(path, path.size()) + "'";
}

// Copies everything from `from` to `to` (file descriptors).
bool copyAll(int from, int to)
{
    char buffer[1 << 16];
    while (true) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got == 0) {
            return true;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno != EINTR) {
                return false;
            }
            done += put < 0 ? 0 : put;
        }
    }
}

bool copyFileToStandardOutput(const std::string& path)
{
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return false;
    }
    std::cout.flush();
    const bool copied = copyAll(file, STDOUT_FILENO);
    ::close(file);
    return copied;
}

// The output of one input in --out-dir: its name without the extension, the
// suffix, and the extension of --format or else its own.
std::string folderOutput(const PhotoOptions& options, const std::string& input)
{
    const fs::path name = fs::path(input).filename();
    const std::string extension = options.format.empty() ? name.extension().string() : "." + options.format;
    return (fs::path(options.folder) / (name.stem().string() + options.suffix + extension)).string();
}

// The format of a job's output: --format's, which a named output's own
// extension must not contradict, or else the output name's.
std::optional<int> jobFormat(const PhotoOptions& options, const std::string& output, std::string& problem)
{
    if (options.format.empty()) {
        if (isStandardStream(output)) {
            problem = "writing to standard output needs --format jpg, png or tif";
            return std::nullopt;
        }
        return outputFormat(output, problem);
    }
    const int chosen = CFotraDoc::saveFormatForPath("." + options.format);
    const int named = isStandardStream(output) ? 0 : CFotraDoc::saveFormatForPath(output);
    if (named != 0 && named != chosen) {
        problem = "--format " + options.format + " does not match the output name '" + output + "'";
        return std::nullopt;
    }
    return chosen;
}

// The file a path names, spelled one way: links and ".." resolved as far as
// the path exists.
fs::path fileOf(const std::string& path)
{
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(path, error);
    return error ? fs::absolute(path, error).lexically_normal() : canonical;
}

// The input that writing `output` would replace: the same file by its
// canonical path, or by its inode (a hard link), or nothing.
const std::string* inputAt(const std::string& output, const std::vector<std::string>& inputs)
{
    for (const std::string& input : inputs) {
        std::error_code error;
        if (!isStandardStream(input) && (fileOf(input) == fileOf(output) || fs::equivalent(input, output, error))) {
            return &input;
        }
    }
    return nullptr;
}

// "m:ss" of a duration.
std::string minutesAndSeconds(std::chrono::steady_clock::duration duration)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration).count();
    const std::string secondsText = std::to_string(seconds % 60);
    return std::to_string(seconds / 60) + ':' + (secondsText.size() < 2 ? "0" : "") + secondsText;
}

// The progress line before photo `index` (from 0) of `count`: the time so
// far, and once a photo is done, the time left at the mean pace so far.
std::string progressText(std::size_t index, std::size_t count, std::chrono::steady_clock::duration elapsed)
{
    std::string text = "photo " + std::to_string(index + 1) + " of " + std::to_string(count) + ", " +
                       minutesAndSeconds(elapsed) + " elapsed";
    if (index > 0) {
        const auto left = elapsed / static_cast<long>(index) * static_cast<long>(count - index);
        text += ", about " + minutesAndSeconds(left) + " left";
    }
    return text;
}

// Reads, transforms and writes one photo; the exit status of the photo.
int runPhotoJob(const PhotoJob& job, const PhotoTransform& transform)
{
    std::string problem;
    std::optional<TemporaryFile> inputCopy;
    const std::optional<std::string> readPath = readablePath(job.input, inputCopy, problem);
    if (!readPath) {
        return fail(problem);
    }
    const std::string name = photoName(job.input);
    try {
        COvImage2 image;
        if (!image.loadFromFile(*readPath, transform ? LoadedPlanes::Effect : LoadedPlanes::CurrentOnly)) {
            return fail(readFailure(name, image));
        }
        if ((image.loadNotes & NoteDamagedData) != 0 && !job.allowDamaged) {
            return fail(damagedFailure(name));
        }
        warnLoadNotes(name, image.loadNotes);
        const MetadataReadResult kept = readKeptMetadata(*readPath, name);
        if (transform) {
            if (const int status = transform(image, name); status != kExitSuccess) {
                return status;
            }
            // The result becomes the photo written; the other planes go
            // before encoding, which needs memory of its own.
            image.current = std::move(image.result);
            image.result = {};
            image.scratch = {};
        }

        std::optional<TemporaryFile> outputCopy;
        if (isStandardStream(job.output)) {
            outputCopy = TemporaryFile::create(problem);
            if (!outputCopy) {
                return fail(problem);
            }
        }
        const std::string writePath = outputCopy ? outputCopy->path() : job.output;
        if (!saveWithKeptMetadata(image, writePath, job.format, job.quality, outputName(job.output), kept)) {
            return fail(writeFailure(outputName(job.output), image));
        }
        if (outputCopy && !copyFileToStandardOutput(writePath)) {
            return fail("cannot write " + outputName(job.output));
        }
    } catch (const std::bad_alloc&) {
        return fail("not enough memory to process " + name);
    }
    return kExitSuccess;
}

} // namespace

void addPhotoOptions(CLI::App& command, PhotoOptions& options, bool batch)
{
    command.add_option("PHOTO", options.inputs, batch ? "The photos to read; - reads standard input"
                                                      : "The photo to read; - reads standard input")
        ->type_name("")
        ->required()
        ->expected(1, batch ? CLI::detail::expected_max_vector_size : 1);
    if (batch) {
        // CLI11 hands the arguments after "--" back to the tool once every
        // positional has its least count; a second positional that never
        // fills keeps them with this command, where they become photos.
        command.add_option("photos-after-mark", options.inputs)->group("");
    }
    command.add_option("-o,--output", options.output, "Write the photo to OUT; - writes standard output")
        ->type_name("OUT");
    if (batch) {
        command.add_option("--out-dir", options.folder, "Write each photo under its own name into DIR")
            ->type_name("DIR");
        command.add_option("--suffix", options.suffix, "Add TEXT to each name written into DIR")->type_name("TEXT");
    }
    addOutputOptions(command, options);
}

void addOutputOptions(CLI::App& command, PhotoOptions& options)
{
    command
        .add_option("--format", options.format,
                    "Write jpg, png or tif: needed for standard output, and in a folder instead of each "
                    "photo's own format")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"jpg", "jpeg", "png", "tif", "tiff"}, CLI::ignore_case));
    command.add_option("--quality", options.quality, "JPEG quality, 1 to 100 (default 90)")
        ->type_name("Q")
        ->check(CLI::Range(1, 100));
    command.add_flag("--overwrite", options.overwrite, "Let an output replace one of the photos read");
    command.add_flag("-q,--quiet", options.quiet, "Print errors only: no progress, no warnings");
    command.add_flag("--allow-damaged", options.allowDamaged,
                     "Open a JPEG whose data is corrupt (parts of it may be wrong) with a warning instead of failing");
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
    if (toFolder && !fs::is_directory(options.folder, error)) {
        problem = "the output folder '" + options.folder + "' does not exist";
        return std::nullopt;
    }

    setQuiet(options.quiet);
    PhotoJobs plan;
    plan.reportProgress = toFolder;
    std::set<fs::path> written;
    for (const std::string& input : options.inputs) {
        if (toFolder && isStandardStream(input)) {
            problem = "standard input has no name to write into a folder: use -o OUT";
            return std::nullopt;
        }
        PhotoJob job{input, toFile ? options.output : folderOutput(options, input), 0, options.quality,
                     options.allowDamaged};
        const std::optional<int> format = jobFormat(options, job.output, problem);
        if (!format) {
            return std::nullopt;
        }
        job.format = *format;
        if (isStandardStream(job.output)) {
            plan.jobs.push_back(job);
            continue;
        }
        if (!written.insert(fileOf(job.output)).second) {
            problem = "two photos would be written to '" + job.output + "'";
            return std::nullopt;
        }
        if (const std::string* replaced = inputAt(job.output, options.inputs); replaced && !options.overwrite) {
            problem = "the output '" + job.output + "' is the photo '" + *replaced +
                      "' itself; --overwrite lets it be replaced";
            return std::nullopt;
        }
        plan.jobs.push_back(job);
    }
    return plan;
}

int runPhotoJobs(const PhotoJobs& plan, const PhotoTransform& transform)
{
    int worst = kExitSuccess;
    const std::size_t count = plan.jobs.size();
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t index = 0; index < count; ++index) {
        const PhotoJob& job = plan.jobs[index];
        if (plan.reportProgress) {
            showProgressLine(progressText(index, count, std::chrono::steady_clock::now() - start));
        }
        const int status = runPhotoJob(job, transform);
        worst = std::max(worst, status);
        if (status == kExitSuccess && plan.reportProgress && ::isatty(STDERR_FILENO) == 0) {
            note(std::to_string(index + 1) + '/' + std::to_string(count) + ' ' + job.input + " -> " + job.output);
        }
    }
    endProgressLine();
    return worst;
}

std::optional<TemporaryFile> TemporaryFile::create(std::string& problem)
{
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/fotra-XXXXXX";
    const int file = ::mkstemp(pattern.data());
    if (file < 0) {
        problem = "cannot make a temporary file in '" + fs::path(pattern).parent_path().string() +
                  "': " + std::strerror(errno);
        return std::nullopt;
    }
    ::close(file);
    return TemporaryFile(pattern);
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept : path_(std::move(other.path_))
{
    other.path_.clear();
}

TemporaryFile& TemporaryFile::operator=(TemporaryFile&& other) noexcept
{
    std::swap(path_, other.path_);
    return *this;
}

TemporaryFile::~TemporaryFile()
{
    if (!path_.empty()) {
        ::unlink(path_.c_str());
    }
}

std::optional<std::string> readablePath(const std::string& input, std::optional<TemporaryFile>& copy,
                                        std::string& problem)
{
    if (!isStandardStream(input)) {
        return input;
    }
    copy = TemporaryFile::create(problem);
    if (!copy) {
        return std::nullopt;
    }
    const int file = ::open(copy->path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    const bool copied = file >= 0 && copyAll(STDIN_FILENO, file);
    if (file < 0 || ::close(file) != 0 || !copied) {
        problem = "cannot read the photo from standard input: " + std::string(std::strerror(errno));
        return std::nullopt;
    }
    return copy->path();
}

std::string photoName(const std::string& path)
{
    return isStandardStream(path) ? "the photo from standard input"
                                  : "the photo '" + metadata::printableText(path, path.size()) + "'";
}

} // namespace fotra
