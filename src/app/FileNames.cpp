// The lossless file-name conversion: UTF-8 decoded by hand so that the bytes
// of an invalid sequence are kept one by one as escapes.
#include "app/FileNames.h"

#include <filesystem>
#include <system_error>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 character at the start of `text`, or 0.
std::size_t characterLength(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || length > text.size()) {
        return 0;
    }
    char32_t codePoint = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 2 && codePoint < 0x80) || (length == 3 && codePoint < 0x800)
                          || (length == 4 && codePoint < 0x10000);
    const bool invalid = codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF);
    return overlong || invalid ? 0 : length;
}

} // namespace

QString fileNameText(std::string_view bytes)
{
    QString text;
    while (!bytes.empty()) {
        const std::size_t length = characterLength(bytes);
        if (length == 0) {
            text.append(QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[0]))));
            bytes.remove_prefix(1);
            continue;
        }
        text.append(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(length)));
        bytes.remove_prefix(length);
    }
    return text;
}

std::string fileNameBytes(const QString& name)
{
    std::string bytes;
    qsizetype start = 0;
    const auto flush = [&](qsizetype end) { bytes += name.mid(start, end - start).toStdString(); };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        // Only a lone escape is a kept byte: a surrogate pair is a character.
        const bool paired = i > 0 && name[i - 1].isHighSurrogate();
        if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF && !paired) {
            flush(i);
            bytes += static_cast<char>(unit - kEscapeBase);
            start = i + 1;
        }
    }
    flush(name.size());
    return bytes;
}

QString shownFileName(const QString& name)
{
    return QString::fromStdString(fileNameBytes(name));
}

QString absoluteFileName(const QString& name)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(fileNameBytes(name), error);
    return error ? name : fileNameText(absolute.lexically_normal().native());
}

bool isRegularFileName(const QString& name)
{
    std::error_code error;
    return std::filesystem::is_regular_file(fileNameBytes(name), error);
}
