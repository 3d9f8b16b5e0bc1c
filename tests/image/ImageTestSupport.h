// Helpers of the image tests: fixture paths, a temporary folder, whole-file
// reads and writes, and a fixture that loads the image-file library from the
// program's folder for every test of a suite.
#pragma once

#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/ik5/Ik5Loader.h"

namespace imagetest {

inline std::string fixturePath(const std::string& name)
{
    return (std::filesystem::path(FOTRA_IMAGE_FIXTURES) / name).string();
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A fresh, empty folder removed with everything in it at the end.
class TempFolder {
public:
    TempFolder()
    {
        static std::atomic<int> counter = 0;
        path_ = std::filesystem::temp_directory_path()
                / ("fotra-image-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

private:
    std::filesystem::path path_;
};

// Tests that read or write files through the real modules.
class WithImageLibrary : public ::testing::Test {
protected:
    void SetUp() override { ik5::loadLibraries(); }
    void TearDown() override { ik5::releaseLibraries(); }
};

} // namespace imagetest
