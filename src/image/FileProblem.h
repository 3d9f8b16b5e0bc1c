// Why a photo file could not be opened or saved, and what an open changed
// on the way (fewer bits, one page of several, ...). The image-file modules
// report the same codes through the library's status call, so the reason
// found where the file is read travels unchanged to the document and fotra,
// which show fileProblemMessage() and loadNoteMessages() to the user.
#pragma once

#include <cerrno>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The codes are part of the library's binary interface: never renumber.
enum class FileError : int {
    None = 0,
    NoSuchFile = 1,
    IsFolder = 2,
    UnknownFormat = 3,  // `format` names it when it could be recognised
    Damaged = 4,        // damaged or cut short
    TooLarge = 5,       // `width` x `height` is over `limitPixels`
    OutOfMemory = 6,
    NoPermission = 7,
    DiskFull = 8,
    CameraRaw = 9,      // a camera's raw file; `format` names the kind when known
    LibraryMissing = 10, // the image-file modules could not be loaded
    WriteFailed = 11,   // writing failed for another reason
    ReadFailed = 12,    // reading failed for another reason
    NotSaveFormat = 13, // the name does not end in an extension that is saved
    NoSuchFolder = 14,  // the folder to save into does not exist
    NotRegularFile = 15, // a pipe, a device or a socket, which is never read
    UnsupportedCodec = 16, // a format that is read, compressed in a way that is not; `format` names it
};

// The reason an errno gives for a failed read or, with `writing`, a failed
// write (where a missing name means a missing folder). Inline, so that the
// image-file modules share it without linking the record.
inline FileError fileErrorOfErrno(int code, bool writing)
{
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        return writing ? FileError::NoSuchFolder : FileError::NoSuchFile;
    case EISDIR:
        return FileError::IsFolder;
    case EACCES:
    case EPERM:
    case EROFS:
        return FileError::NoPermission;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FileError::DiskFull;
    case ENOMEM:
        return FileError::OutOfMemory;
    default:
        return writing ? FileError::WriteFailed : FileError::ReadFailed;
    }
}

struct FileProblem {
    FileError error = FileError::None;
    std::string format;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t limitPixels = 0;

    FileProblem() = default;
    // Implicit, so that a bare FileError reads as its problem.
    FileProblem(FileError error_, std::string format_ = {}, std::int64_t width_ = 0, std::int64_t height_ = 0,
                std::int64_t limitPixels_ = 0)
        : error(error_), format(std::move(format_)), width(width_), height(height_), limitPixels(limitPixels_)
    {
    }

    explicit operator bool() const { return error != FileError::None; }
};

// The reason in the user's language, one sentence; empty for FileError::None.
std::string fileProblemMessage(const FileProblem& problem);

// What a successful open did to the file's picture; bits of LoadNotes.
// Part of the library's binary interface: never renumber.
enum LoadNote : unsigned {
    NoteReducedTo8Bits = 1u << 0,      // 16 (or more) bits per channel became 8
    NoteFirstPageOnly = 1u << 1,       // a file of several pictures: the first was opened
    NoteAlphaFlattened = 1u << 2,      // transparent parts were laid over white
    NoteMissingEndMarker = 1u << 3,    // a JPEG whose data ends without its end marker
    NoteConvertedToSrgb = 1u << 4,     // CMYK or grey pixels were converted to sRGB
    NoteProfileIgnored = 1u << 5,      // the file's colour profile was unusable: standard colours assumed
    NoteDamagedData = 1u << 6,         // the decoder found the coded data corrupt: parts may be wrong
};
using LoadNotes = unsigned;

// One sentence per note that the user should hear of (not NoteConvertedToSrgb,
// which changes no colour the user sees), in the user's language.
std::vector<std::string> loadNoteMessages(LoadNotes notes);
