// The photos of fotra's commands: which files (or "-", the standard streams)
// to read, where and in which format to write each result, and the run over
// them that reads, changes and writes one photo after the other with the
// photo's metadata. The image record reads and writes files only, so a
// standard stream passes through a private temporary file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "image/COvImage2.h"

namespace CLI {
class App;
}

namespace fotra {

// The name that stands for standard input or output.
inline constexpr const char* kStandardStream = "-";

// The photos and outputs as given.
struct PhotoOptions {
    std::vector<std::string> inputs; // "-": standard input
    std::string output;              // -o; "-": standard output
    std::string folder;              // --out-dir
    std::string format;              // --format: an extension the save rule knows
    std::string suffix;              // --suffix: added to each name in --out-dir
    int quality = kDefaultJpegQuality; // --quality of JPEG outputs
    bool overwrite = false;          // --overwrite: an output may be one of the inputs
    bool quiet = false;              // --quiet: only errors on stderr
    bool allowDamaged = false;       // --allow-damaged: open JPEGs with corrupt data, with a warning
};

// Declares the photo arguments, -o and the output options; with `batch`
// also --out-dir and --suffix.
void addPhotoOptions(CLI::App& command, PhotoOptions& options, bool batch);
// Declares the output options alone: --format, --quality, --overwrite,
// --quiet and --allow-damaged.
void addOutputOptions(CLI::App& command, PhotoOptions& options);

// The save format of an output name by the document's extension rule, or
// nothing and `problem` set.
std::optional<int> outputFormat(const std::string& path, std::string& problem);

// One photo to read, change and write.
struct PhotoJob {
    std::string input;
    std::string output;
    int format = 0; // SaveFormat of the output
    int quality = kDefaultJpegQuality;
    bool allowDamaged = false;
};

struct PhotoJobs {
    std::vector<PhotoJob> jobs;
    bool reportProgress = false; // with --out-dir: a progress line, or one line per photo
};

// The photos of "IN -o OUT" or "IN... --out-dir DIR" (each written under its
// own file name, with the suffix and the format's extension, into DIR, an
// existing folder). Nothing and `problem` set for a missing or doubled
// output, an output that names no format, standard output without --format,
// two photos that would be written to the same file, or, without
// --overwrite, an output that is one of the photos read.
std::optional<PhotoJobs> planPhotoJobs(const PhotoOptions& options, std::string& problem);

// Changes one read photo, leaving its output in `result`; returns an exit
// status, having reported what is not kExitSuccess. `name` names the photo.
using PhotoTransform = std::function<int(COvImage2& image, const std::string& name)>;

// Reads each photo, transforms it and writes `result` as the photo, as
// committing it would, with the metadata of the photo read; an empty
// `transform` writes each photo as read. A photo that
// fails is reported and written not at all; the others still run. A JPEG
// whose data the decoder found corrupt fails unless the job allows damage. A batch
// reports its progress on stderr: on a terminal one line (photo N of M, time
// elapsed, time left) rewritten in place, elsewhere one line per photo
// written. Returns the highest status of the photos.
int runPhotoJobs(const PhotoJobs& plan, const PhotoTransform& transform);

// A private file in $TMPDIR (or /tmp), removed when this goes.
class TemporaryFile {
public:
    // Nothing and `problem` set when no such file can be made.
    static std::optional<TemporaryFile> create(std::string& problem);
    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&& other) noexcept;
    ~TemporaryFile();

    const std::string& path() const { return path_; }

private:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    std::string path_;
};

// The path to read `input` from: itself, or a temporary copy of standard
// input for "-" (held in `copy`). Nothing and `problem` set on failure.
std::optional<std::string> readablePath(const std::string& input, std::optional<TemporaryFile>& copy,
                                        std::string& problem);

// How messages name a photo given as `path` (its bytes, which need not be
// UTF-8, shown printable).
std::string photoName(const std::string& path);

} // namespace fotra
