// The working image record of the open photo: the four planes of
// ImagePlanes, the two display buffers of the effect dialog's panes, and the
// load, save and drawing operations. Files are read and written only through
// the image-file library's functions (image/ik5/Ik5Loader.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/ImagePlanes.h"
#include "image/FileProblem.h"

class ICanvas;

enum SaveFormat : int { SaveFormatJpeg = 1, SaveFormatPng = 2, SaveFormatTiff = 3 };
// What a load sets up: the four planes (an open photo); current, result and
// scratch for one effect run without its dialog; or `current` alone for a
// photo that is only written again. The planes a load leaves out stay empty.
enum class LoadedPlanes { All, Effect, CurrentOnly };
inline constexpr int kDefaultJpegQuality = 90;

class COvImage2 : public ImagePlanes {
public:
    std::vector<std::uint8_t> currentPaneBuffer; // empty until the first region draw
    std::vector<std::uint8_t> resultPaneBuffer;

    // Why the last load or save failed; FileError::None after a success. A
    // report about the file, not part of the photo: a save may set it.
    mutable FileProblem fileProblem;
    // What the load changed in the file's picture (LoadNote bits).
    LoadNotes loadNotes = 0;
    // The ICC profile that describes the pixels of `current`, as the file
    // gave it (or sRGB after a conversion); empty when the file had none.
    std::vector<std::uint8_t> colourProfile;

    // True when a 24-bit or 8-bit picture was read and the planes are set up.
    bool loadFromFile(const std::string& path, LoadedPlanes planes = LoadedPlanes::All);
    // Writes `current`; format is a SaveFormat code (anything else fails).
    // The program saves JPEG at quality 90; fotra lets the user choose.
    // The file is encoded in memory and written once (writeFileAtomically).
    bool saveToFile(const std::string& path, int format, int jpegQuality = kDefaultJpegQuality) const;
    // `current` encoded as a file of `format` into `encoded`; false when the
    // format is unknown or the library could not encode. Throws std::bad_alloc.
    bool encode(int format, std::vector<std::uint8_t>& encoded, int jpegQuality = kDefaultJpegQuality) const;
    // Writes an encoded photo file at `path` in one atomic step; false, with
    // the reason in fileProblem, when it could not be written.
    bool writeEncoded(const std::string& path, std::span<const std::uint8_t> encoded) const;

    // Paints `current` scaled by zoom with its top-left at the canvas origin.
    void drawZoomed(ICanvas& canvas, double zoom) const;
    // Paint a w x h region (left column, first plane row) of `current` or
    // `result` at 1:1 through the pane buffers. The caller keeps it inside.
    void drawCurrentRegion(ICanvas& canvas, int left, int firstRow, int w, int h);
    void drawResultRegion(ICanvas& canvas, int left, int firstRow, int w, int h);

private:
    bool readFile(const std::string& path);
    void drawRegion(ICanvas& canvas, const std::vector<std::uint8_t>& plane,
                    std::vector<std::uint8_t>& paneBuffer, int left, int firstRow, int w, int h) const;
};
