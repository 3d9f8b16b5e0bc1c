// The user's texts of the file problems and load notes.
#include "image/FileProblem.h"

namespace {

std::string sizeText(std::int64_t width, std::int64_t height)
{
    return std::to_string(width) + " × " + std::to_string(height);
}

std::string namedFormat(const std::string& format)
{
    return format.empty() ? std::string() : "（" + format + "）";
}

} // namespace

std::string fileProblemMessage(const FileProblem& problem)
{
    switch (problem.error) {
    case FileError::None:
        return {};
    case FileError::NoSuchFile:
        return "ファイルが見つかりません。";
    case FileError::IsFolder:
        return "フォルダーです。写真のファイルを選んでください。";
    case FileError::UnknownFormat:
        return "このプログラムが読めない形式のファイルです" + namedFormat(problem.format)
               + "。読めるのは JPEG、PNG、TIFF、BMP、WebP、HEIF、AVIF です。";
    case FileError::Damaged:
        return "ファイルが壊れているか、途中で切れています。";
    case FileError::UnsupportedCodec:
        return "このファイルの圧縮方式" + namedFormat(problem.format) + "には対応していません。";
    case FileError::TooLarge:
        if (problem.width == 0 || problem.height == 0) {
            // The file itself, before its header was read.
            return "ファイルが大きすぎます。上限の " + std::to_string(problem.limitPixels)
                   + " ピクセルの写真でも、これほど大きなファイルにはなりません。";
        }
        return "写真が大きすぎます（" + sizeText(problem.width, problem.height) + " ピクセル。上限は "
               + std::to_string(problem.limitPixels) + " ピクセルです）。";
    case FileError::OutOfMemory:
        return "メモリーが不足しています。";
    case FileError::NoPermission:
        return "ファイルへのアクセスが許可されていません。";
    case FileError::DiskFull:
        return "ディスクの空き容量が足りません。";
    case FileError::CameraRaw:
        return "カメラの RAW ファイルです" + namedFormat(problem.format)
               + "。このプログラムは RAW ファイルを読めません。現像ソフトで JPEG か TIFF にしてから開いてください。";
    case FileError::LibraryMissing:
        return "画像ファイルを読み書きする部品（libIK5FILE.so など）が見つかりません。";
    case FileError::WriteFailed:
        return "ファイルを書き込めませんでした。";
    case FileError::ReadFailed:
        return "ファイルを読み込めませんでした。";
    case FileError::NotRegularFile:
        return "写真のファイルではありません（パイプやデバイスなど）。写真のファイルを選んでください。";
    case FileError::NoSuchFolder:
        return "保存先のフォルダーが見つかりません。";
    case FileError::NotSaveFormat:
        return "保存できるのは JPEG（.jpg）、PNG（.png）、TIFF（.tif）です。";
    }
    return {};
}

std::vector<std::string> loadNoteMessages(LoadNotes notes)
{
    std::vector<std::string> messages;
    if (notes & NoteReducedTo8Bits) {
        messages.emplace_back("16 ビットの写真を 8 ビットにして開きました。保存すると 8 ビットになります。");
    }
    if (notes & NoteFirstPageOnly) {
        messages.emplace_back("複数の画像を含むファイルです。最初の画像だけを開きました。");
    }
    if (notes & NoteAlphaFlattened) {
        messages.emplace_back("透明な部分は白地に重ねて開きました。保存すると透明ではなくなります。");
    }
    if (notes & NoteMissingEndMarker) {
        messages.emplace_back("JPEG ファイルの終わりの印がありません。画像は最後まで読めました。");
    }
    if (notes & NoteDamagedData) {
        messages.emplace_back("JPEG ファイルのデータが壊れています。写真の一部が正しくないかもしれません。");
    }
    if (notes & NoteProfileIgnored) {
        messages.emplace_back("ファイルのカラープロファイルが使えないため、標準の色（sRGB）として開きました。");
    }
    return messages;
}
