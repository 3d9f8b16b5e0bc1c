// The image-file library's binary interface, shared by the loader and the
// modules: the DIB block layout and the six C-linkage functions the program
// calls. A DIB is one heap block that starts with a Windows BITMAPINFOHEADER;
// an 8-bit DIB continues with 256 RGBQUAD entries, then come the pixel rows,
// bottom-up, each padded to a multiple of 4 bytes. Only IK5FreeMemory frees one.
#pragma once

#include <cstdint>

// Byte for byte the Windows structure: 40 bytes, no padding.
struct BITMAPINFOHEADER {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight; // positive: rows stored bottom-up
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression; // 0 (BI_RGB): uncompressed
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER must be 40 bytes");

struct RGBQUAD {
    std::uint8_t rgbBlue;
    std::uint8_t rgbGreen;
    std::uint8_t rgbRed;
    std::uint8_t rgbReserved;
};
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD must be 4 bytes");

inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kDibHeaderBytes = sizeof(BITMAPINFOHEADER);
inline constexpr std::uint32_t kDibColourTableBytes = 256 * sizeof(RGBQUAD);

// Handle of a library-owned DIB block; null means "no image".
using Ik5Dib = void*;

// The six functions, exported by name from libIK5FILE.so, libIK5EFFECT.so and
// libIK5COM.so. Arguments whose meaning is not given are passed as 0 or "".
extern "C" {
// IK5FILE: reads a JPEG, PNG, TIFF or BMP file; null when it cannot.
Ik5Dib IK5FileLoad(const char* path, int option1, int option2, const char* text1, const char* text2,
                   const char* text3);
// IK5EFFECT: a new DIB of width x height at bitCount (24) filled with the colour.
Ik5Dib IK5CreateImage(int width, int height, int bitCount, int red, int green, int blue, int option,
                      const char* text1, const char* text2, const char* text3);
// IK5FILE writers: nonzero when the whole file was written.
int IK5JpegFileSave(const char* path, Ik5Dib dib, int option1, int quality, int option2,
                    const char* text1, int option3, const char* text2, const char* text3,
                    const char* text4);
int IK5PngFileSave(const char* path, Ik5Dib dib, int option1, int option2, int option3, int option4,
                   int option5, const char* text1, int option6, const char* text2, const char* text3,
                   const char* text4);
int IK5TiffFileSave(const char* path, Ik5Dib dib, int option1, int option2, int option3,
                    const char* text1, int option4, const char* text2, const char* text3,
                    const char* text4);
// IK5FILE: the outcome of the calling thread's last IK5FileLoad or writer
// call: why it failed, or what a successful load changed in the picture.
struct IK5FILESTATUS {
    int error;             // a FileError code (image/FileProblem.h); 0: it succeeded
    unsigned notes;        // LoadNote bits of a successful load
    long long width;       // the picture's size and the pixel limit, for FileError::TooLarge
    long long height;
    long long limitPixels;
    char format[32];       // the format refused, by its usual name; may be empty
};
void IK5FileGetStatus(IK5FILESTATUS* status);
// IK5FILE: copies at most `capacity` bytes of the ICC colour profile that
// describes the pixels of the last loaded DIB and returns its full size;
// 0 when the file named none (its pixels are then taken as sRGB).
int IK5FileGetProfile(unsigned char* buffer, int capacity);
// IK5COM: releases a DIB returned by the library; null is ignored.
void IK5FreeMemory(Ik5Dib dib);

// IK5FILE, beyond the six: encodes a 24-bit DIB in memory as JPEG at
// `quality` (format 1), PNG (2) or TIFF (3) and hands the whole file to
// `sink` in one call; nonzero when it did. The caller writes the file, so a
// save can add its metadata first and write the file once.
typedef void (*Ik5ByteSink)(void* context, const void* bytes, unsigned long size);
int IK5FileEncode(Ik5Dib dib, int format, int quality, Ik5ByteSink sink, void* context);

// IK5FILE, beyond the six: what IK5FileLoad would give for the file, read
// from its headers without decoding the pixels; nonzero when the headers
// pass every check a load makes before decoding. IK5FileGetStatus then
// gives the notes a load would have (but NoteAlphaFlattened and
// NoteDamagedData, which only the pixels show), or why it would fail.
struct IK5FILEINFO {
    int width;       // as the DIB would be: turned upright
    int height;
    int bitCount;    // 8 (grey or palette, with a colour table) or 24
    char format[16]; // "JPEG", "PNG", "TIFF", "BMP", "WebP", "HEIF" or "AVIF"
};
int IK5FileInfo(const char* path, IK5FILEINFO* info);

// IK5FILE, beyond the six: reads the file as IK5FileLoad does, but into
// memory the caller gives, so that the picture is written once:
// `target(context, width, height)` returns where its rows go (height rows,
// bottom-up, of width blue-green-red pixels, each padded to a multiple of 4
// bytes; 8-bit pictures come expanded through their colour table), or null
// when there is no room. Nonzero when the picture was written there.
typedef unsigned char* (*Ik5PixelTarget)(void* context, int width, int height);
int IK5FileLoadInto(const char* path, Ik5PixelTarget target, void* context);

// IK5FILE, beyond the six: IK5FileEncode of rows in the caller's memory
// (`height` rows, bottom-up, `stride` bytes apart, of `width` blue-green-red
// pixels), which need not follow a DIB header.
int IK5FileEncodePixels(const unsigned char* pixels, int width, int height, int stride, int format, int quality,
                        Ik5ByteSink sink, void* context);
}
