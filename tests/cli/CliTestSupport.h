// Helpers of the fotra tests: run the program as from the shell with its
// output captured, write BMP photos by hand, and a temporary folder.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace clitest {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Quotes a word for /bin/sh.
inline std::string quoted(const std::string& word)
{
    std::string result = "'";
    for (char c : word) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

class TempFolder {
public:
    TempFolder()
    {
        static std::atomic<int> counter = 0;
        path_ = std::filesystem::temp_directory_path()
                / ("fotra-cli-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Runs `fotra arguments...` through the shell, capturing stdout and stderr;
// in `folder` when one is given, with stdin from the file `input` if given.
inline RunResult runFotra(const std::vector<std::string>& arguments, const std::string& folder = "",
                          const std::string& input = "")
{
    const TempFolder capture;
    std::string command = folder.empty() ? "" : "cd " + quoted(folder) + " && ";
    command.append(quoted(FOTRA_BINARY));
    for (const std::string& argument : arguments) {
        command.append(" ").append(quoted(argument));
    }
    command.append(" <").append(input.empty() ? std::string("/dev/null") : quoted(input));
    command.append(" >").append(quoted(capture.file("out")));
    command.append(" 2>").append(quoted(capture.file("err")));
    const int raw = std::system(command.c_str());
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = readText(capture.file("out"));
    result.err = readText(capture.file("err"));
    return result;
}

inline void putLittle(std::vector<std::uint8_t>& bytes, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// A BMP file of 8 bits (with a 256-entry grey-blue table) or 24 bits, pixel
// bytes from `pixelByte(x, planeRow, channel)` (for 8 bits channel is 0).
template <typename PixelByte>
std::vector<std::uint8_t> bmpFile(int width, int height, int bitCount, PixelByte pixelByte)
{
    const std::size_t stride = ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
    const std::uint32_t tableBytes = bitCount == 8 ? 1024 : 0;
    const std::uint32_t offset = 14 + 40 + tableBytes;
    std::vector<std::uint8_t> bytes = {'B', 'M'};
    putLittle(bytes, offset + static_cast<std::uint32_t>(stride * height), 4);
    putLittle(bytes, 0, 4);
    putLittle(bytes, offset, 4);
    putLittle(bytes, 40, 4);
    putLittle(bytes, static_cast<std::uint32_t>(width), 4);
    putLittle(bytes, static_cast<std::uint32_t>(height), 4);
    putLittle(bytes, 1, 2);
    putLittle(bytes, static_cast<std::uint32_t>(bitCount), 2);
    for (int i = 0; i < 6; ++i) {
        putLittle(bytes, 0, 4);
    }
    for (std::uint32_t i = 0; i < tableBytes / 4; ++i) {
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i),
                                   static_cast<std::uint8_t>(i / 2), 0});
    }
    for (int row = 0; row < height; ++row) {
        std::vector<std::uint8_t> line(stride, 0);
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < bitCount / 8; ++c) {
                line[static_cast<std::size_t>(x) * (bitCount / 8) + c] = pixelByte(x, row, c);
            }
        }
        bytes.insert(bytes.end(), line.begin(), line.end());
    }
    return bytes;
}

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace clitest
