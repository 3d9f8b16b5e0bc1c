// Loads the image-file modules with dlopen and resolves the six functions with
// dlsym from the module that exports each. All state is one process-wide table
// that the user-interface thread fills at start-up and clears at exit.
#include "image/ik5/Ik5Loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <exception>
#include <filesystem>
#include <system_error>

#include "image/HugePages.h"

namespace ik5 {
namespace {

enum Module : int { Com = 0, File = 1, Scan = 2, Print = 3, Effect = 4 };

struct LoadedLibrary {
    std::array<void*, std::size(kModuleNames)> handles{};
    decltype(&IK5FileLoad) fileLoad = nullptr;
    decltype(&IK5CreateImage) createImage = nullptr;
    decltype(&IK5JpegFileSave) jpegFileSave = nullptr;
    decltype(&IK5PngFileSave) pngFileSave = nullptr;
    decltype(&IK5TiffFileSave) tiffFileSave = nullptr;
    decltype(&IK5FreeMemory) freeMemory = nullptr;
    decltype(&IK5FileGetStatus) fileGetStatus = nullptr;
    decltype(&IK5FileGetProfile) fileGetProfile = nullptr;
    decltype(&IK5FileEncode) fileEncode = nullptr;
    decltype(&IK5FileInfo) fileInfo = nullptr;
    decltype(&IK5FileLoadInto) fileLoadInto = nullptr;
    decltype(&IK5FileEncodePixels) fileEncodePixels = nullptr;
};

LoadedLibrary& library()
{
    static LoadedLibrary loaded;
    return loaded;
}

template <typename Function>
void resolve(Function& target, Module module, const char* name)
{
    void* handle = library().handles[module];
    target = handle ? reinterpret_cast<Function>(dlsym(handle, name)) : nullptr;
}

} // namespace

std::string programDirectory()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : executable.parent_path().string();
}

std::string moduleDirectory(const std::string& programFolder)
{
    const std::filesystem::path program(programFolder);
    for (const std::filesystem::path& folder : {program, program.parent_path() / "lib" / "pekarun4free"}) {
        std::error_code error;
        if (std::filesystem::is_regular_file(folder / "libIK5FILE.so", error)) {
            return folder.string();
        }
    }
    return programFolder;
}

void loadLibraries()
{
    loadLibraries(moduleDirectory(programDirectory()));
}

void loadLibraries(const std::string& folder)
{
    releaseLibraries();
    LoadedLibrary& loaded = library();
    for (std::size_t i = 0; i < std::size(kModuleNames); ++i) {
        const std::string path = (std::filesystem::path(folder) / kModuleNames[i]).string();
        // RTLD_NODELETE: the file module brings Qt into a process that may not
        // link it, and Qt cannot be unloaded and loaded again safely (its
        // thread-local storage and plugin registry outlive a dlclose). Release
        // drops the handles and every resolved function; the code stays mapped.
        loaded.handles[i] = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    }
    resolve(loaded.fileLoad, File, "IK5FileLoad");
    resolve(loaded.jpegFileSave, File, "IK5JpegFileSave");
    resolve(loaded.pngFileSave, File, "IK5PngFileSave");
    resolve(loaded.tiffFileSave, File, "IK5TiffFileSave");
    resolve(loaded.fileGetStatus, File, "IK5FileGetStatus");
    resolve(loaded.fileGetProfile, File, "IK5FileGetProfile");
    resolve(loaded.createImage, Effect, "IK5CreateImage");
    resolve(loaded.freeMemory, Com, "IK5FreeMemory");
    resolve(loaded.fileEncode, File, "IK5FileEncode");
    resolve(loaded.fileInfo, File, "IK5FileInfo");
    resolve(loaded.fileLoadInto, File, "IK5FileLoadInto");
    resolve(loaded.fileEncodePixels, File, "IK5FileEncodePixels");
}

void releaseLibraries()
{
    LoadedLibrary& loaded = library();
    const auto handles = loaded.handles;
    loaded = LoadedLibrary{};
    for (void* handle : handles) {
        if (handle) {
            dlclose(handle);
        }
    }
}

Ik5Dib fileLoad(const std::string& path)
{
    const auto function = library().fileLoad;
    return function ? function(path.c_str(), 0, 0, "", "", "") : nullptr;
}

Ik5Dib createImage(int width, int height)
{
    const auto function = library().createImage;
    return function ? function(width, height, 24, 255, 255, 255, 0, "", "", "") : nullptr;
}

bool jpegFileSave(const std::string& path, Ik5Dib dib, int quality)
{
    const auto function = library().jpegFileSave;
    return function && function(path.c_str(), dib, 0, quality, 0, "", 0, "", "", "") != 0;
}

bool pngFileSave(const std::string& path, Ik5Dib dib)
{
    const auto function = library().pngFileSave;
    return function && function(path.c_str(), dib, 0, 0, 0, 0, 0, "", 0, "", "", "") != 0;
}

bool tiffFileSave(const std::string& path, Ik5Dib dib)
{
    const auto function = library().tiffFileSave;
    return function && function(path.c_str(), dib, 0, 0, 0, "", 0, "", "", "") != 0;
}

namespace {

void keepBytes(void* context, const void* bytes, unsigned long size)
{
    auto& kept = *static_cast<std::vector<std::uint8_t>*>(context);
    kept = {};
    kept = hugepages::copyOnHugePages(static_cast<const std::uint8_t*>(bytes), size);
}

} // namespace

bool fileEncode(Ik5Dib dib, int format, int quality, std::vector<std::uint8_t>& encoded)
{
    const auto function = library().fileEncode;
    encoded.clear();
    return function && function(dib, format, quality, keepBytes, &encoded) != 0 && !encoded.empty();
}

bool loadsIntoPlanes()
{
    // Only beside the six: a library that lacks one of them stays as
    // incomplete as it is (no saving without the effect module).
    return librariesAvailable() && library().fileLoadInto != nullptr && library().fileEncodePixels != nullptr;
}

bool fileLoadInto(const std::string& path, const std::function<std::uint8_t*(int width, int height)>& place)
{
    const auto function = library().fileLoadInto;
    if (function == nullptr) {
        return false;
    }
    struct Placing {
        const std::function<std::uint8_t*(int, int)>& place;
        std::exception_ptr thrown;
    } placing{place, nullptr};
    // No exception may cross the module: it is kept and thrown again here.
    const auto target = [](void* context, int width, int height) -> unsigned char* {
        auto& state = *static_cast<Placing*>(context);
        try {
            return state.place(width, height);
        } catch (...) {
            state.thrown = std::current_exception();
            return nullptr;
        }
    };
    const bool loaded = function(path.c_str(), target, &placing) != 0;
    if (placing.thrown) {
        std::rethrow_exception(placing.thrown);
    }
    return loaded;
}

bool fileEncodePixels(const std::uint8_t* pixels, int width, int height, std::size_t stride, int format, int quality,
                      std::vector<std::uint8_t>& encoded)
{
    const auto function = library().fileEncodePixels;
    encoded.clear();
    return function && function(pixels, width, height, static_cast<int>(stride), format, quality, keepBytes, &encoded) != 0
           && !encoded.empty();
}

void freeMemory(Ik5Dib dib)
{
    const auto function = library().freeMemory;
    if (dib && function) {
        function(dib);
    }
}

namespace {

// The module's status, or nothing when it cannot give one.
bool fileStatus(IK5FILESTATUS& status)
{
    const auto function = library().fileGetStatus;
    if (function == nullptr) {
        return false;
    }
    status = IK5FILESTATUS{};
    function(&status);
    return true;
}

} // namespace

bool librariesAvailable()
{
    const LoadedLibrary& loaded = library();
    return loaded.fileLoad && loaded.createImage && loaded.jpegFileSave && loaded.pngFileSave
           && loaded.tiffFileSave && loaded.freeMemory;
}

FileProblem lastFileProblem(FileError unexplained)
{
    if (!librariesAvailable()) {
        return {FileError::LibraryMissing};
    }
    IK5FILESTATUS status{};
    if (!fileStatus(status) || status.error == 0) {
        return {unexplained};
    }
    FileProblem problem{static_cast<FileError>(status.error)};
    status.format[sizeof status.format - 1] = '\0';
    problem.format = status.format;
    problem.width = status.width;
    problem.height = status.height;
    problem.limitPixels = status.limitPixels;
    return problem;
}

std::optional<FileInfo> fileInfo(const std::string& path)
{
    const auto function = library().fileInfo;
    IK5FILEINFO info{};
    if (function == nullptr || function(path.c_str(), &info) == 0) {
        return std::nullopt;
    }
    info.format[sizeof info.format - 1] = '\0';
    return FileInfo{info.width, info.height, info.bitCount, info.format, lastLoadNotes()};
}

LoadNotes lastLoadNotes()
{
    IK5FILESTATUS status{};
    return fileStatus(status) ? status.notes : 0;
}

std::vector<std::uint8_t> lastColourProfile()
{
    const auto function = library().fileGetProfile;
    if (function == nullptr) {
        return {};
    }
    std::vector<std::uint8_t> profile(static_cast<std::size_t>(std::max(function(nullptr, 0), 0)));
    if (!profile.empty()) {
        profile.resize(static_cast<std::size_t>(
            std::clamp(function(profile.data(), static_cast<int>(profile.size())), 0, static_cast<int>(profile.size()))));
    }
    return profile;
}

} // namespace ik5
