// Run-time loader of the image-file library: loads the five modules from the
// program's folder (or a folder the caller names), resolves the six functions
// by name and releases the modules again. A missing module or function is
// silent; calling it then fails (null image, writer result false).
// Not thread-safe: load, call and release from one thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/FileProblem.h"
#include "image/ik5/Ik5Api.h"

namespace ik5 {

// The modules in the order they are loaded and released.
inline constexpr const char* kModuleNames[] = {"libIK5COM.so", "libIK5FILE.so", "libIK5SCAN.so",
                                               "libIK5PRINT.so", "libIK5EFFECT.so"};

// The folder of the running executable (from /proc/self/exe).
std::string programDirectory();

// Where the modules of a program in `programFolder` are: beside it (the build
// folder) or, installed, in <prefix>/lib/pekarun4free for a program in
// <prefix>/bin. The first that holds the file module; the program's own
// folder when neither does.
std::string moduleDirectory(const std::string& programFolder);

// Loads the modules from moduleDirectory(programDirectory()) or from
// `folder`, releasing any loaded before. Never fails; what is missing stays
// unresolved.
void loadLibraries();
void loadLibraries(const std::string& folder);
// Releases the modules in load order; every function is unresolved afterwards.
void releaseLibraries();

// Loads on construction, releases on destruction: hold one in main().
class ScopedLibraries {
public:
    ScopedLibraries() { loadLibraries(); }
    explicit ScopedLibraries(const std::string& folder) { loadLibraries(folder); }
    ~ScopedLibraries() { releaseLibraries(); }
    ScopedLibraries(const ScopedLibraries&) = delete;
    ScopedLibraries& operator=(const ScopedLibraries&) = delete;
};

// The library's functions with the program's fixed arguments. An unresolved
// function fails: null for fileLoad and createImage, false for the writers.
Ik5Dib fileLoad(const std::string& path);
Ik5Dib createImage(int width, int height); // 24-bit, white
bool jpegFileSave(const std::string& path, Ik5Dib dib, int quality = 90); // quality 1..100
bool pngFileSave(const std::string& path, Ik5Dib dib);
bool tiffFileSave(const std::string& path, Ik5Dib dib);
// The file of `format` (SaveFormat: 1 JPEG at `quality` 1..100, 2 PNG, 3
// TIFF) in memory; false when it could not be encoded. Throws std::bad_alloc.
bool fileEncode(Ik5Dib dib, int format, int quality, std::vector<std::uint8_t>& encoded);
void freeMemory(Ik5Dib dib); // does nothing for null or when unresolved

// True when the file module's extras that let the record's plane be the
// picture's only copy are there, beside all six functions.
bool loadsIntoPlanes();
// Reads the file into the rows `place(width, height)` returns (24-bit,
// bottom-up, padded to 4; see IK5FileLoadInto). False when it could not be
// read (lastFileProblem says why); an exception `place` throws is thrown
// again once the module has returned.
bool fileLoadInto(const std::string& path, const std::function<std::uint8_t*(int width, int height)>& place);
// fileEncode of 24-bit rows in the caller's memory (see IK5FileEncodePixels).
bool fileEncodePixels(const std::uint8_t* pixels, int width, int height, std::size_t stride, int format, int quality,
                      std::vector<std::uint8_t>& encoded);

// What fileLoad would give for the file, from its headers alone; nothing
// when it would fail (lastFileProblem says why). The notes are those a load
// would have, but for what only the pixels show (see IK5FileInfo).
struct FileInfo {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::string format; // "JPEG", "PNG", ...
    LoadNotes notes = 0;
};
std::optional<FileInfo> fileInfo(const std::string& path);

// True when the six functions are resolved.
bool librariesAvailable();

// What the last fileLoad or writer call on this thread reported. The reason
// of a failure: LibraryMissing when the file module is not loaded, and
// `unexplained` when the module gives none.
FileProblem lastFileProblem(FileError unexplained);
// The LoadNote bits of the last successful fileLoad.
LoadNotes lastLoadNotes();
// The ICC profile describing the pixels of the last loaded DIB; empty: sRGB.
std::vector<std::uint8_t> lastColourProfile();

// Owns a DIB returned by the library and frees it exactly once.
struct DibDeleter {
    void operator()(void* dib) const { freeMemory(dib); }
};
using UniqueDib = std::unique_ptr<void, DibDeleter>;

} // namespace ik5
